// Writes the ISO 9660 image of a disc folder, for the build's demo disc.
//
//   make_disc_image FOLDER IMAGE VOLUME_ID

#include "sets/disc_image.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_disc_image FOLDER IMAGE VOLUME_ID\n");
        return 2;
    }
    const auto error = sets::makeDiscImage(argv[1], argv[2], argv[3], sets::Access::usual);
    if (error) {
        std::fprintf(stderr, "make_disc_image: cannot write %s: %s\n", error->path.c_str(), error->cause.message().c_str());
        return 1;
    }
    return 0;
}
