// Writes the demo image disc into a folder: bravo.bmp at the root and the
// sixteen picture directories, all of them with twenty numbered JPEG
// pictures except the patient's two movement sets, which stay empty.
//
//   make_demo_disc FOLDER

#include "mark.h"
#include "pictures.h"
#include "codecs/qt_picture_codec.h"
#include "sets/photographs.h"
#include "sets/set_writer.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <vector>

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

    const QString bravo = disc.filePath(QStringLiteral("bravo.bmp"));
    if (!demo::closingPicture().convertToFormat(QImage::Format_RGB888).save(bravo, "BMP")) {
        std::fprintf(stderr, "make_demo_disc: cannot write %s\n", qPrintable(bravo));
        return 1;
    }
    for (int set = 0; set < demo::setCount; ++set) {
        const QString name = QString::fromStdString(demo::setName(set));
        if (!demo::setHasPictures(set)) {
            if (!disc.mkpath(name)) {
                std::fprintf(stderr, "make_demo_disc: cannot create %s\n", qPrintable(disc.filePath(name)));
                return 1;
            }
            continue;
        }
        // Stored as the patient's sets are.
        codecs::QtPictureCodec codec;
        std::vector<std::vector<std::byte>> pictures;
        for (int number = 1; number <= sets::picturesPerSet; ++number) {
            auto jpeg = codec.encodeJpeg(codecs::fromImage(demo::demoPicture(set, number)), sets::setJpegQuality);
            if (!jpeg) {
                std::fprintf(stderr, "make_demo_disc: cannot encode picture %d of %s\n", number, qPrintable(name));
                return 1;
            }
            pictures.push_back(std::move(*jpeg));
        }
        if (const auto error = sets::writeSet(QFile::encodeName(disc.path()).toStdString(), name.toStdString(),
                                                    pictures, sets::Access::usual)) {
            std::fprintf(stderr, "make_demo_disc: cannot write %s: %s\n", error->path.c_str(),
                         error->cause.message().c_str());
            return 1;
        }
    }
    return 0;
}
