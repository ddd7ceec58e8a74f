// Writes the demo image disc into a folder: bravo.bmp at the root and the
// sixteen picture directories, all of them with twenty numbered JPEG
// pictures except the patient's two movement sets, which stay empty.
//
//   make_demo_disc FOLDER

#include "mark.h"
#include "pictures.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    // Drawing text needs the font machinery of a GUI application, but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_disc FOLDER\n");
        return 2;
    }
    const QDir disc(QString::fromLocal8Bit(argv[1]));
    if (!disc.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make_demo_disc: cannot create %s\n", argv[1]);
        return 1;
    }

    const auto save = [](const QImage& picture, const QString& path, const char* format, int quality) {
        if (picture.save(path, format, quality))
            return true;
        std::fprintf(stderr, "make_demo_disc: cannot write %s\n", qPrintable(path));
        return false;
    };

    if (!save(demo::closingPicture().convertToFormat(QImage::Format_RGB888), disc.filePath(QStringLiteral("bravo.bmp")),
              "BMP", -1))
        return 1;
    for (int set = 0; set < demo::setCount; ++set) {
        const QString name = QString::fromStdString(demo::setName(set));
        if (!disc.mkpath(name)) {
            std::fprintf(stderr, "make_demo_disc: cannot create %s\n", qPrintable(disc.filePath(name)));
            return 1;
        }
        if (!demo::setHasPictures(set))
            continue;
        for (int number = 1; number <= 20; ++number) {
            const QString path = disc.filePath(name + QLatin1Char('/') + QString::number(number) + QStringLiteral(".jpg"));
            if (!save(demo::demoPicture(set, number), path, "JPEG", 90))
                return 1;
        }
    }
    return 0;
}
