#pragma once
// The patient's sets in a disc folder (a folder that holds a copy of the
// image disc), shared by the window and the command line. Every function
// returns empty text on success and the French reason otherwise. What is
// written there is readable by its owner only: the patient's photographs
// are health data.

#include "photograph.h"

#include <QString>

#include <vector>

namespace patient {

// Why the folder cannot take the patient's sets (it holds no copy of the
// disc), or empty text.
QString discFolderProblem(const QString& folder);

// What a set folder of the disc folder holds.
SetContent setContent(const QString& discFolder, const std::string& setName);

// Writes one of the four sets, replacing what it held, in one step.
QString writePatientSet(const QString& discFolder, const QString& setName,
                        const std::vector<PhotographChoice>& photographs);

// Writes the folder's ISO 9660 image.
QString writeDiscImage(const QString& discFolder, const QString& imageFile);

// A disc to copy into a new disc folder.
struct SourceDisc {
    QString name;   // what the clinician reads
    QString folder; // its root
};

// The image discs in the machine's CD-ROM drives, then the demo disc where
// it is (beside this build, or where the package installs it).
std::vector<SourceDisc> sourceDiscs();

// Copies the disc into the target folder, which must not exist or be empty.
QString copyDisc(const QString& sourceFolder, const QString& targetFolder);

} // namespace patient
