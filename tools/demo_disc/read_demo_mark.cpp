// Reads the mark of a demo picture from an image, for instance a screenshot
// of the program, and prints the set's directory name and the picture's
// number ("mainDGfacile 7").
//
//   read_demo_mark IMAGE X Y
//
// X and Y give where the picture's top left corner lies in the image.
// Exit status: 0 when a mark was read, 1 when there is none, 2 on misuse.

#include "mark.h"

#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: read_demo_mark IMAGE X Y\n");
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "read_demo_mark: cannot read %s\n", argv[1]);
        return 2;
    }
    bool xOk = false, yOk = false;
    const QPoint origin(QString::fromLocal8Bit(argv[2]).toInt(&xOk), QString::fromLocal8Bit(argv[3]).toInt(&yOk));
    if (!xOk || !yOk) {
        std::fprintf(stderr, "read_demo_mark: X and Y must be whole numbers\n");
        return 2;
    }
    const auto id = demo::readMark(image, origin);
    if (!id) {
        std::printf("none\n");
        return 1;
    }
    std::printf("%s %d\n", demo::setName(id->set).c_str(), id->number);
    return 0;
}
