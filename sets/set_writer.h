#pragma once
// Writing into a folder that holds a copy of the image disc, so that a crash,
// a kill or a full disk never leaves a mix of old and new files: a folder is
// written whole under a temporary name beside its final place and then put
// in place by renaming, and a run that was interrupted is tidied up by the
// next one.

#include <QFileDevice>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace discwriter {

// Who may read what is written: the patient's photographs are health data.
enum class Access {
    ownerOnly, // folders 0700, files 0600
    usual,     // as the user's file creation mask gives
};

struct WriteError {
    // busy: another run is writing the same folder at this moment
    enum class Kind { noSpace, busy, failed };
    Kind kind = Kind::failed;
    QString path;   // the file or folder that could not be written
    QString detail; // the system's own words, when it gave any
};

// The error of a file that failed to open or to write: a full disc is
// reported by Qt as a resource error.
WriteError fileError(const QFileDevice& file, const QString& path);

// Fills a freshly made, empty folder; returns the first error met.
using FolderFiller = std::function<std::optional<WriteError>(const QString& folder)>;

// Makes or replaces the folder `name` inside `parent` with what `fill`
// writes. The content is written into a hidden folder inside `parent`,
// flushed to the disc, and then takes the place of the old folder in one
// step, so that readers see either the whole old folder or the whole new
// one. On failure the old folder is left as it was and the temporary folder
// is removed. Leftovers of a killed run for the same name are cleared (or
// put back, when the old folder had already been moved aside) first.
std::optional<WriteError> replaceFolder(const QString& parent, const QString& name, Access access,
                                        const FolderFiller& fill);

// Writes one picture set of the disc, 1.jpg to 20.jpg, through replaceFolder.
// Pictures are stored as JPEG of quality 90.
inline constexpr int picturesPerSet = 20;
std::optional<WriteError> writeSet(const QString& discFolder, const QString& setName,
                                   const std::vector<QImage>& pictures, Access access);

// Writes the bytes into a new file of the folder and flushes them to the disc.
std::optional<WriteError> writeNewFile(const QString& path, const QByteArray& bytes, Access access);

// The names of the hidden entries that replaceFolder leaves behind while it
// works; nothing else should copy or publish them.
bool isWorkingEntry(const QString& name);

} // namespace discwriter
