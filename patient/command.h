#pragma once
// What tavrel-patient does when it is given arguments: writes one set, the
// disc image, or both, and tells what it did on the output, what went wrong
// on the error output. The same on every system; the picture codec and the
// image maker are the system's. Returns the exit status.

#include "patient/patient_disc.h"

#include <ostream>
#include <string>
#include <vector>

namespace patient {

// The arguments after the program's name, in UTF-8.
int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   sets::PictureCodec& codec, const ImageMaker& makeImage);

} // namespace patient
