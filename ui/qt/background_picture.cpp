#include "ui/qt/background_picture.h"

#include <QIODevice>
#include <QImageReader>

#include <algorithm>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// The file's bytes as a device for the image reader, which takes them a few
// kilobytes at a time as it decodes: once stop() holds, the device fails and
// the decoder gives up, however long the picture would take.
class StoppableBytes : public QIODevice {
public:
    StoppableBytes(std::span<const std::byte> bytes, const StopCheck& stop) : bytes_(bytes), stop_(stop)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return static_cast<qint64>(bytes_.size()); }

protected:
    qint64 readData(char* data, qint64 most) override
    {
        if (stop_())
            return -1;
        const auto at = static_cast<std::size_t>(pos());
        const std::size_t count = std::min(static_cast<std::size_t>(most), bytes_.size() - std::min(at, bytes_.size()));
        std::memcpy(data, bytes_.data() + at, count);
        return static_cast<qint64>(count);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::span<const std::byte> bytes_;
    const StopCheck& stop_;
};

} // namespace

std::shared_ptr<const DecodedPicture> decodeBackgroundPicture(std::span<const std::byte> file, PictureArea area,
                                                              const StopCheck& stop)
{
    StoppableBytes device(file, stop);
    QImageReader reader(&device);
    const QSize size = reader.size();
    const QSize room(area.width, area.height);
    if (!size.isValid() || size.isEmpty() || room.isEmpty())
        return nullptr;
    const bool fits = size.width() <= room.width() && size.height() <= room.height();
    const QSize shown = fits ? size : size.scaled(room, Qt::KeepAspectRatio);
    if (shown.isEmpty())
        return nullptr;
    reader.setScaledSize(shown);
    QImage picture = reader.read();
    if (picture.isNull() || stop())
        return nullptr;
    // Painted as it stands, with no conversion on the window's thread.
    return std::make_shared<QtPicture>(picture.convertToFormat(QImage::Format_RGB32));
}

void mapPictureBuffersFromTheSystem()
{
#if defined(__GLIBC__)
    // Every picture passes through buffers of one to a few megabytes (the
    // file, the decoded and the reduced picture) that live until the next
    // picture. With the allocator's default, once the first of them has been
    // freed the later ones are served from the heap, which keeps the space
    // they free: the memory would grow by megabytes over the first pictures.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}
