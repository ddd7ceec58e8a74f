#pragma once
// The time tavrel-patient takes to build one patient's set.

#include <QString>

#include <vector>

// Milliseconds the tool takes, from the start of its process to its end, to
// build a set of twenty pictures from ten 12-megapixel photographs of the
// folder (PatientDGfacile/1.jpg to 10.jpg), replacing the set each time:
// each read and turned upright, reduced to 640 x 480, mirrored, encoded as
// JPEG and written to the disc. One uncounted run first; the disc folder is
// made in `work`.
std::vector<double> measurePatientSet(const QString& tool, const QString& photographs, const QString& work, int runs);
