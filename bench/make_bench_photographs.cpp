// Writes the bench's disc of the patient's own photographs into a folder:
// PatientDGfacile holds twenty 4000 x 3000 JPEG pictures at quality 92, as a
// phone takes them, several megabytes each. Their content is drawn to
// compress as a photograph does: soft gradients and shapes under a fine
// grain, not flat colour, which a JPEG decoder would go through far faster.
//
//   make_bench_photographs FOLDER

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int width = 4000;
constexpr int height = 3000;
constexpr int quality = 92;
constexpr int pictureCount = 20;

int clampChannel(int value) { return std::clamp(value, 0, 255); }

QImage photograph(quint32 seed)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient light(0, 0, width * 0.3, height);
        light.setColorAt(0, QColor::fromHsv(random.bounded(360), 60, 220));
        light.setColorAt(1, QColor::fromHsv(random.bounded(360), 90, 90));
        painter.fillRect(picture.rect(), light);
        // Skin-coloured and background shapes with soft edges.
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < 60; ++i) {
            const QPointF centre(random.bounded(width), random.bounded(height));
            const double radius = 100 + random.bounded(700);
            const QColor colour =
                QColor::fromHsv(i % 3 == 0 ? 15 + random.bounded(20) : random.bounded(360), 60 + random.bounded(160),
                                80 + random.bounded(170));
            QRadialGradient shade(centre, radius);
            shade.setColorAt(0, colour);
            shade.setColorAt(1, QColor(colour.red(), colour.green(), colour.blue(), 0));
            painter.setBrush(shade);
            painter.drawEllipse(centre, radius, radius * (0.5 + random.bounded(0.5)));
        }
    }
    // A texture of fine ripples and a sensor's grain on every pixel.
    quint32 grain = seed * 2654435761u + 1;
    const double phase = random.bounded(6.28);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            grain ^= grain << 13;
            grain ^= grain >> 17;
            grain ^= grain << 5;
            const int noise = static_cast<int>(grain % 25) - 12;
            const int ripple = static_cast<int>(9 * std::sin(x * 0.047 + y * 0.013 + phase));
            const int d = noise + ripple;
            const QRgb c = line[x];
            line[x] = qRgb(clampChannel(qRed(c) + d), clampChannel(qGreen(c) + d), clampChannel(qBlue(c) + d));
        }
    }
    return picture;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bench_photographs FOLDER\n");
        return 2;
    }
    const QDir disc(QString::fromLocal8Bit(argv[1]));
    const QString set = QStringLiteral("PatientDGfacile");
    if (!disc.mkpath(set)) {
        std::fprintf(stderr, "make_bench_photographs: cannot create %s\n", qPrintable(disc.filePath(set)));
        return 1;
    }
    for (int number = 1; number <= pictureCount; ++number) {
        const QString path = disc.filePath(QStringLiteral("%1/%2.jpg").arg(set).arg(number));
        if (!photograph(static_cast<quint32>(number)).save(path, "JPEG", quality)) {
            std::fprintf(stderr, "make_bench_photographs: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
