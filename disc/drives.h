#pragma once
// The machine's drives as the disc scan sees them, and where a program path
// such as E:\mainDG\7.jpg lies on this machine. One implementation per
// platform: drives_windows.cpp over the Win32 drive calls, drives_posix.cpp
// over the mount table.

#include "model/window_services.h"

#include <cstdint>
#include <string>
#include <vector>

namespace drives {

// Each drive root ("C:\") followed by one NUL, and the length written without
// the final NUL; a length above the capacity when the list does not fit.
DriveRoots listDriveRoots(std::int32_t capacity);

// The drive's type code: 5 for a CD-ROM drive.
std::int32_t driveType(const std::string& root);

// The name of the file at the path, without its folder, or empty text when
// there is none. Never throws.
std::string probeFile(const std::string& path);

// The file on this machine that a program path names, or empty text when
// there is none.
std::string localPath(const std::string& path);

// A drive whose medium can be taken out, as the clinician knows it.
struct Medium {
    std::string root;   // "E:\"
    std::int32_t type;  // cdromDriveType or removableDriveType
    std::string folder; // where its files lie on this machine, in UTF-8
    std::string label;  // the medium's name, or empty text
};

// The CD-ROM and removable drives that hold a medium, in drive order.
std::vector<Medium> media();

} // namespace drives
