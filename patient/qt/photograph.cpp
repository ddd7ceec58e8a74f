#include "photograph.h"

#include "disc/picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace patient {
namespace {

QString quoted(const QString& path)
{
    return QStringLiteral("« %1 »").arg(QFileInfo(path).fileName());
}

Photograph refused(const QString& text)
{
    return {QImage(), text};
}

// A photograph with transparency (a PNG) is laid on white, as it shows in
// any viewer, since JPEG keeps no transparency.
QImage withoutTransparency(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    return flat;
}

} // namespace

// Files and images beyond the window's own caps are refused before anything
// is decoded: a forged header must not make the program allocate gigabytes.
Photograph readPhotograph(const QString& path, QSize area)
{
    const QFileInfo info(path);
    if (!info.exists())
        return refused(QStringLiteral("%1 est introuvable.").arg(quoted(path)));
    if (!info.isFile())
        return refused(QStringLiteral("%1 n'est pas un fichier.").arg(quoted(path)));
    if (info.size() > largestPictureFile)
        return refused(QStringLiteral("%1 est trop gros pour une photographie (plus de 256 Mo).").arg(quoted(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("%1 ne peut pas être lu : %2.").arg(quoted(path), file.errorString()));
    // Read whole, not mapped: a file cut short while it is decoded (a card
    // pulled out) ends a read early, where a mapping would crash.
    QByteArray bytes = file.readAll();
    if (bytes.size() != info.size())
        return refused(QStringLiteral("%1 ne peut pas être lu : %2.").arg(quoted(path), file.errorString()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);

    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty())
        return refused(QStringLiteral("%1 n'est pas une image que ce programme sait lire.").arg(quoted(path)));
    if (stored.width() > largestPictureSide || stored.height() > largestPictureSide ||
        qint64{stored.width()} * stored.height() > mostPicturePixels)
        return refused(QStringLiteral("%1 est trop grande (%2 x %3 pixels).")
                           .arg(quoted(path))
                           .arg(stored.width())
                           .arg(stored.height()));

    // The size is chosen upright; the decoder scales the picture as stored
    // (a JPEG while it decodes, far faster than decoding it whole) and then
    // turns it.
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize upright = turned ? stored.transposed() : stored;
    const QSize shown = upright.width() <= area.width() && upright.height() <= area.height()
                            ? upright
                            : upright.scaled(area, Qt::KeepAspectRatio);
    reader.setScaledSize(turned ? shown.transposed() : shown);
    const QImage image = reader.read();
    if (image.isNull())
        return refused(QStringLiteral("%1 est abîmée ou n'est pas une image : %2.").arg(quoted(path), reader.errorString()));
    return {withoutTransparency(image), {}};
}

QStringList photographPatterns()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        if (format == "jpeg" || format == "jpg" || format == "png" || format == "heic" || format == "heif") {
            // phones and cameras often write the extension in capitals
            const QString pattern = QStringLiteral("*.") + QString::fromLatin1(format);
            patterns << pattern << pattern.toUpper();
        }
    }
    return patterns;
}

SetPictures makeSetPictures(const std::vector<PhotographChoice>& photographs)
{
    std::vector<Side> sides;
    for (const PhotographChoice& choice : photographs)
        sides.push_back(choice.side);
    const auto plan = planSet(sides);
    if (!plan)
        return {{}, QString::fromStdString(photographCountProblem(photographs.size()))};

    std::vector<QImage> upright;
    for (const PhotographChoice& choice : photographs) {
        Photograph photograph = readPhotograph(choice.path);
        if (photograph.image.isNull())
            return {{}, photograph.error};
        upright.push_back(std::move(photograph.image));
    }
    SetPictures set;
    for (const PictureSource& source : *plan) {
        const QImage& image = upright[source.photograph];
        set.pictures.push_back(source.mirrored ? image.mirrored(true, false) : image);
    }
    return set;
}

} // namespace patient
