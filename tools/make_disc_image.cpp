// Writes the ISO 9660 image of a disc folder, for the build's demo disc.
//
//   make_disc_image FOLDER IMAGE VOLUME_ID

#include "sets/disc_image.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_disc_image FOLDER IMAGE VOLUME_ID\n");
        return 2;
    }
    const auto error = discwriter::makeDiscImage(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                                                 QString::fromLocal8Bit(argv[3]), discwriter::Access::usual);
    if (error) {
        std::fprintf(stderr, "make_disc_image: cannot write %s: %s\n", qPrintable(error->path), qPrintable(error->detail));
        return 1;
    }
    return 0;
}
