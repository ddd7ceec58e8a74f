#include "ui/background_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

#if defined(__GLIBC__)
// Every picture passes through buffers of one to a few megabytes (the file,
// the decoded and the reduced picture) that live until the next picture.
// Once the first of them has been freed, the GNU C library would serve the
// later ones from its heap and keep the space they free there, so that the
// resident memory would grow by megabytes over the first pictures. With the
// threshold fixed, blocks of a megabyte and more are mapped from the system
// and given back whole when freed.
[[maybe_unused]] const bool pictureBuffersMapped = mallopt(M_MMAP_THRESHOLD, 1024 * 1024) == 1;
#endif

// Far larger than any picture of the disc, and than any picture Qt decodes
// (it refuses images above 256 MB): a larger file is refused unread.
constexpr qint64 largestFile = 256 * 1024 * 1024;

// The decoder fills a JPEG that ends early with grey and reports success, so
// the end-of-image marker is looked for: walking back from the end, the first
// marker met must be the end of image (FF D9), not the start of a scan (FF DA)
// whose data was cut off. Inside the compressed data a byte FF is only ever
// followed by 00 or a restart marker, so neither is mistaken.
bool jpegIsComplete(const QByteArray& data)
{
    for (qsizetype i = data.size() - 2; i >= 0; --i) {
        if (static_cast<unsigned char>(data[i]) != 0xFF)
            continue;
        const auto marker = static_cast<unsigned char>(data[i + 1]);
        if (marker == 0xD9)
            return true;
        if (marker == 0xDA)
            return false;
    }
    return false;
}

} // namespace

QImage readBackgroundPicture(const QString& file, const QSize& area)
{
    // Only regular files: a folder, a device or a pipe could block or never end.
    if (!QFileInfo(file).isFile())
        return {};
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly) || source.size() == 0 || source.size() > largestFile)
        return {};
    // The file is read, not mapped: a mapped file that shrinks or can no
    // longer be read while it is decoded (a disc taken out, a copy being
    // rewritten) ends the program with a bus error, where a read ends short.
    const QByteArray bytes = source.read(source.size());
    if (bytes.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);

    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > maxPictureSide || size.height() > maxPictureSide ||
        qint64{size.width()} * size.height() > maxPicturePixels)
        return {};
    if (reader.format() == "jpeg" && !jpegIsComplete(bytes))
        return {};

    const bool fits = size.width() <= area.width() && size.height() <= area.height();
    const QSize shown = fits ? size : size.scaled(area, Qt::KeepAspectRatio);
    if (shown.isEmpty())
        return {};
    reader.setScaledSize(shown);
    return reader.read();
}
