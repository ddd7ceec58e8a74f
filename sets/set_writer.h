#pragma once
// Writing into a folder that holds a copy of the image disc, so that a crash,
// a kill or a full disk never leaves a mix of old and new files: a folder is
// written whole under a temporary name beside its final place and then put
// in place by renaming, and what an interrupted run left is tidied up by the
// next one. No toolkit: both tavrel-patient programs and the demo disc's
// generator use it.

#include "sets/folder_files.h"
#include "sets/patient_sets.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace sets {

struct WriteError {
    enum class Kind {
        failed,    // nothing was changed
        busy,      // another run is writing the same folder at this moment
        notEmpty,  // the folder to replace holds something, and must not
        cancelled, // the user stopped it; nothing was changed
        oldLeft,   // the new folder is in place, but an old one (this run's,
                   // or one an earlier run could not remove) stays under
                   // `path`
        unreadable, // `path`, a file to copy, could not be read; nothing was
                    // changed
    };
    Kind kind = Kind::failed;
    std::filesystem::path path; // the file or folder concerned
    std::error_code cause;      // the system's reason, when it gave one
};

// Fills a freshly made, empty folder; returns the first error met.
using FolderFiller = std::function<std::optional<WriteError>(const std::filesystem::path& folder)>;
// Looks at the folder about to be replaced (it may not exist), under the lock.
using FolderCheck = std::function<std::optional<WriteError>(const std::filesystem::path& folder)>;

// Makes or replaces the folder `name` inside `parent` with what `fill`
// writes. One writer at a time for a name: the check and everything after it
// run under a lock. The content is written into a hidden folder inside
// `parent`, flushed to the disc, and then takes the place of the old folder
// in one step, so that readers see either the whole old folder or the whole
// new one. On failure the old folder is left as it was and the temporary
// folder is removed. What a killed run left for the same name is tidied
// first: the old folder put back when it had been moved aside, the rest
// removed where it can be (what cannot is left under its own unique name, so
// that it never stands in the way, and is told as oldLeft each time the
// folder is written while it stays).
std::optional<WriteError> replaceFolder(const std::filesystem::path& parent, const std::string& name, Access access,
                                        const FolderCheck& check, const FolderFiller& fill);

// Writes one picture set of the disc, 1.jpg to 20.jpg, from their JPEG
// files' bytes, through replaceFolder.
std::optional<WriteError> writeSet(const std::filesystem::path& discFolder, const std::string& setName,
                                   const std::vector<std::vector<std::byte>>& jpegFiles, Access access,
                                   const FolderCheck& check = {});

// Writes the bytes into a new file and flushes them to the disc.
std::optional<WriteError> writeFile(const std::filesystem::path& path, std::span<const std::byte> bytes, Access access);

// The names of the hidden entries that replaceFolder leaves behind while it
// works; nothing else should copy or publish them.
bool isWorkingEntry(std::string_view name);

} // namespace sets
