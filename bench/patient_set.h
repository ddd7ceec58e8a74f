#pragma once
// The time tavrel-patient takes to build one patient's set.

#include <QString>

#include <vector>

// Milliseconds to build a set of twenty pictures from ten 12-megapixel
// photographs of the folder (PatientDGfacile/1.jpg to 10.jpg, half of them
// said to show the right side): each read and turned upright, reduced to
// 640 x 480, mirrored, encoded as JPEG and written to the disc through the
// set writer, as the command line and the window do it. One uncounted run
// first; the disc folder is made in `work`.
std::vector<double> measurePatientSet(const QString& photographs, const QString& work, int runs);
