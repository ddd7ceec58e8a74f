#pragma once
// The patient's sets in a disc folder (a folder that holds a copy of the
// image disc), and the disc folder itself: made from a disc, copied to a USB
// stick. Shared by both tavrel-patient programs and their command line, with
// no toolkit. Texts are French, in UTF-8; every function returns empty text
// on success and the French reason otherwise. What is written in a disc
// folder is readable by its owner only: the patient's photographs are health
// data.

#include "disc/drives.h"
#include "model/text.h"
#include "sets/photographs.h"
#include "sets/set_writer.h"

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace patient {

// « name » in full, as the messages show it.
std::string quoted(const std::filesystem::path& path);

// What a failed write means for the clinician: what is true now and what
// they can do.
std::string describe(const sets::WriteError& error);

// Why the folder cannot take the patient's sets (it holds no copy of the
// disc), or empty text.
std::string discFolderProblem(const std::filesystem::path& folder);

struct SetOutcome {
    bool written = false; // the new set is in place
    bool cancelled = false;
    std::string message; // why it failed; or, when written, what is left to tidy
};

// Writes one of the four sets in one step. Without mayReplace a set that
// holds anything is left as it is; that is checked under the set's lock.
SetOutcome writePatientSet(const std::filesystem::path& discFolder, const std::string& setName,
                           const std::vector<sets::PhotographChoice>& photographs, sets::PictureCodec& codec, bool mayReplace,
                           const sets::Progress& progress = {});

// The photographs the clinician chose for each of the four sets, in the
// order of sets::patientSets(); a set given none is not touched.
using SetChoices = std::array<std::vector<sets::PhotographChoice>, sets::patientSetCount>;

// What writing the chosen sets will do, for the clinician's yes or no.
struct WritePlan {
    std::string problem; // why it cannot be done, or empty text
    std::string summary; // per set: the photographs, how the numbers are filled, whether it is replaced
    bool replacing = false;
};
WritePlan planWrite(const std::filesystem::path& discFolder, const SetChoices& chosen);

struct SetsWritten {
    std::vector<std::string> written;   // the sets now in place
    std::vector<std::string> unchanged; // the chosen sets left as they were
    std::string message;                // why it stopped, or what is left to tidy; empty when all went well
};
// Writes the chosen sets, replacing what they hold (the clinician said yes
// to the plan), with one progress for all. Every set's photographs are
// read and its pictures made before any set is replaced; the sets are then
// put in place one after the other, up to the first that fails or a
// cancellation, and the message names the sets written and those left as
// they were.
SetsWritten writePatientSets(const std::filesystem::path& discFolder, const SetChoices& chosen, sets::PictureCodec& codec,
                             const sets::Progress& progress);
// What the window's status line says once they were written, or tried.
std::string writtenStatus(const SetsWritten& written);

// The refusal of a set that is not empty when it may not be replaced.
std::string notEmptyMessage(const std::string& setName, const sets::SetContent& content);

// Makes the disc folder's ISO 9660 image, where the program can.
using ImageMaker = std::function<std::optional<sets::WriteError>(const std::filesystem::path& discFolder,
                                                                      const std::filesystem::path& imageFile)>;
// Checks where the image goes (a new name or a regular file, outside the
// disc folder), then makes it.
std::string writeDiscImage(const std::filesystem::path& discFolder, const std::filesystem::path& imageFile,
                           const ImageMaker& makeImage);

// A disc to copy into a new disc folder.
struct SourceDisc {
    std::string name; // what the clinician reads
    std::filesystem::path folder;
};

// The image discs in the machine's CD-ROM drives and on its removable
// drives, then the demo disc in the first of the folders given that holds
// one.
std::vector<SourceDisc> sourceDiscs(const std::vector<std::filesystem::path>& demoFolders,
                                    const std::vector<drives::Medium>& media = drives::media());

// Copies the disc into the target folder, which must not exist or be empty.
std::string copyDisc(const std::filesystem::path& sourceFolder, const std::filesystem::path& targetFolder,
                     const sets::Progress& progress = {});

// A removable drive (a USB stick) to copy a disc folder to.
struct Stick {
    std::string name; // what the clinician reads: its label and where it is
    std::filesystem::path root;
};
std::vector<Stick> removableDrives(const std::vector<drives::Medium>& media = drives::media());

// What the windows offer for « Copier le disque sur une clé USB… »: the
// sticks to choose from, under the question; with none, either a folder to
// pick (where a stick may be mounted anywhere) or the message.
struct StickChoice {
    std::string question;
    std::vector<Stick> sticks;
    bool pickFolder = false;
    std::string none;
};
StickChoice stickChoice(const std::vector<drives::Medium>& media = drives::media());

// Where a new disc folder is made in the folder the clinician chose: that
// folder itself when it is empty, else « Disque du patient », « Disque du
// patient 2 »… inside it, the first that does not exist or is empty.
std::filesystem::path newDiscFolderIn(const std::filesystem::path& chosen);

// Copies the disc folder's content to the root of a stick, so that the
// program finds the stick as its disc: each folder of the disc put in place
// in one step, bravo.bmp last. Whatever else the stick holds stays. Refused,
// with nothing written, when the stick lacks room, cannot be written, or
// holds under the disc's names something that is not a copy of a disc.
std::string copyDiscToStick(const std::filesystem::path& discFolder, const std::filesystem::path& stickRoot,
                            const sets::Progress& progress = {});

} // namespace patient
