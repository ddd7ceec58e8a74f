#include "disc/form_load.h"

#include "disc/layout.h"
#include "model/exercise_state.h"
#include "model/window_services.h"

#include <cctype>
#include <cstdint>
#include <stdexcept>

namespace {

constexpr std::int32_t driveListCapacity = 64;
// A machine may have more drives than 64 characters hold; the list is asked
// again with the size the platform reports, a few times at most.
constexpr int driveListAttempts = 4;

// Asks for the drive-root list, again with a larger capacity while the
// platform reports that it did not fit.
void readDriveList(ExerciseState& s, WindowServices& w)
{
    s.driveList = std::string(driveListCapacity, ' ');
    std::int32_t capacity = driveListCapacity;
    for (int attempt = 0; attempt < driveListAttempts; ++attempt) {
        const DriveRoots roots = w.listDriveRoots(capacity);
        s.driveListLength = roots.length;
        if (roots.length <= capacity) {
            s.driveList = roots.text;
            break;
        }
        capacity = roots.length + 1;
    }
    if (s.driveListLength >= 0 && static_cast<std::size_t>(s.driveListLength) < s.driveList.size())
        s.driveList.resize(static_cast<std::size_t>(s.driveListLength));
}

// One step of the scan: takes the next root off the list and, for a CD-ROM
// drive, probes it for the marker. Returns false when the list holds no
// further separator, so the scan always ends.
bool scanNextDrive(ExerciseState& s, WindowServices& w)
{
    const auto nul = s.driveList.find('\0');
    s.separatorPos = nul == std::string::npos ? 0 : static_cast<std::int16_t>(nul + 1);
    if (s.separatorPos == 0)
        return false;
    s.currentRoot = s.driveList.substr(0, nul);
    s.driveList = s.driveList.substr(nul + 1);

    s.currentDriveType = w.driveType(s.currentRoot);
    if (s.currentDriveType != cdromDriveType)
        return true;

    const char letter = s.currentRoot.empty() ? ' ' : s.currentRoot[0];
    s.cdLetters = text(s.cdLetters) + static_cast<char>(std::toupper(static_cast<unsigned char>(letter))) + " ";

    // Each drive's probe is judged by its own outcome: a drive without a
    // disc raises an error, which counts against that drive alone.
    bool probeFailed = false;
    try {
        const std::string name = w.probeFile(markerProbePath(s.currentRoot));
        if (name.size() > INT16_MAX)
            throw std::length_error("marker name too long");
        s.markerLength = static_cast<std::int16_t>(name.size());
    } catch (const std::exception&) {
        probeFailed = true;
    }
    const bool found = !probeFailed && s.markerLength != 0;
    s.markerFound = found;
    if (found) {
        s.discRoot = s.currentRoot;
        s.markerLength = 0;
        s.discFound = 1;
    }
    return true;
}

// When no CD-ROM drive holds the disc, a copy at the root of a removable
// drive (a USB stick) is taken, the first in drive order. The probes are the
// scan's own, with its limits: a stick that does not answer counts as not
// holding the disc. The question, when it comes, is unchanged.
void findOnRemovableDrive(ExerciseState& s, WindowServices& w)
{
    readDriveList(s, w);
    const std::string list = s.driveList;
    for (std::size_t start = 0, nul; (nul = list.find('\0', start)) != std::string::npos; start = nul + 1) {
        const std::string root = list.substr(start, nul - start);
        if (w.driveType(root) != removableDriveType)
            continue;
        try {
            if (!w.probeFile(markerProbePath(root)).empty()) {
                s.discRoot = root;
                s.discFound = 1;
                return;
            }
        } catch (const std::exception&) {
        }
    }
}

} // namespace

void Form_Load(ExerciseState& s, WindowServices& w, const std::optional<std::string>& discFolder)
{
    setInitialValues(s);
    if (discFolder) {
        s.driveLetter = *discFolder;
        return;
    }
    readDriveList(s, w);
    while (scanNextDrive(s, w) && !s.driveList.empty()) {
    }
    if (s.discFound != 1)
        findOnRemovableDrive(s, w);

    if (s.discFound == 1)
        s.driveLetter = text(s.discRoot).substr(0, 1);
    else
        s.driveLetter = w.askText("Veuillez indiquer la lettre qui désigne votre lecteur CD. Ce pourrait être " +
                                  text(s.cdLetters) + "  .Tapez une seule lettre.");
}
