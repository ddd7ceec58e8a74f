#pragma once
// The ISO 9660 image of a disc folder, to burn to a CD or to mount as one.

#include "sets/set_writer.h"

#include <filesystem>
#include <optional>
#include <string>

namespace sets {

// Writes the image of everything the folder holds, but the hidden entries,
// with Joliet (Windows) and Rock Ridge (Linux) names so that long and
// mixed-case names such as "PatientDGfacile" are kept. Inside the image
// every file is readable by all, as on any pressed CD: the disc goes to the
// patient's own computer, whose user is not the one who made it. The image
// file itself gets the given access. It is written under a temporary name
// and renamed into place once complete, so that a failure leaves an earlier
// image as it was.
std::optional<WriteError> makeDiscImage(const std::filesystem::path& discFolder, const std::filesystem::path& imageFile,
                                        const std::string& volumeId, Access access);

} // namespace sets
