// tavrel-patient from the command line, run as a separate program over
// photographs made here: pictures upright and within 640 x 480, the mirror
// pairs, right photographs, fewer than ten, every failure with its exit
// status and nothing half-written (a cut JPEG, a scan bomb, a folder that
// cannot be written), a large photograph reduced, an old set that cannot be
// removed, a run killed while it writes, the ISO image and the owner-only
// permissions. The same test runs tavrel-patient.exe under Wine when
// TAVREL_PATIENT_EXE names it (tools/test-windows.sh), with the same
// outputs checked.

#include "support/temp_folder.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "support/banded_photograph.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const QString setName = QStringLiteral("PatientDGfacile");

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

// tavrel-patient.exe under Wine, or the Linux tool.
bool onWindows() { return !qEnvironmentVariableIsEmpty("TAVREL_PATIENT_EXE"); }

// Starts the tool; under Wine the paths are given as Windows sees them.
void startTool(QProcess& tool, const QStringList& arguments)
{
    if (!onWindows()) {
        tool.start(QStringLiteral(TAVREL_PATIENT), arguments);
        return;
    }
    QStringList windows{qEnvironmentVariable("TAVREL_PATIENT_EXE")};
    for (const QString& argument : arguments)
        windows << (argument.startsWith(QLatin1Char('/')) ? QStringLiteral("Z:") + argument : argument);
    tool.start(qEnvironmentVariable("TAVREL_WINE", QStringLiteral("wine")), windows);
}

ToolRun runTool(const QStringList& arguments)
{
    QProcess tool;
    startTool(tool, arguments);
    if (!tool.waitForFinished(120000))
        return {};
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromUtf8(tool.readAllStandardOutput()), QString::fromUtf8(tool.readAllStandardError())};
}

QString str(const fs::path& path) { return QString::fromStdString(path.string()); }


QColor colourOf(int i) { return QColor::fromHsv(i * 36 % 360, 230, 200); }

void save(const QImage& image, const fs::path& path, const char* format = "JPEG")
{
    ASSERT_TRUE(image.save(str(path), format, 92)) << path;
}


QImage picture(const fs::path& disc, int number)
{
    return QImage(str(disc / setName.toStdString() / (std::to_string(number) + ".jpg")));
}


// Every file of a folder and its bytes.
std::map<std::string, QByteArray> contentOf(const fs::path& folder)
{
    std::map<std::string, QByteArray> content;
    for (const auto& entry : fs::directory_iterator(folder)) {
        QFile file(str(entry.path()));
        file.open(QIODevice::ReadOnly);
        content[entry.path().filename().string()] = file.readAll();
    }
    return content;
}

// What replaceFolder keeps while it works: the new set, the old one moved
// aside and the lock.
std::vector<std::string> workingEntries(const fs::path& disc)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(disc)) {
        if (entry.path().filename().string().starts_with(".tavrel-"))
            found.push_back(entry.path().filename().string());
    }
    return found;
}

unsigned permissions(const fs::path& path)
{
    return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::mask);
}

class PatientCommand : public ::testing::Test {
protected:
    PatientCommand() { folder.makeFile("disque/bravo.bmp", "BM"); }

    // Photographs of the given colours, one file each.
    QStringList photographs(const std::vector<QColor>& colours, QSize size = QSize(800, 600), const char* name = "photo")
    {
        QStringList files;
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const fs::path path = folder.path() / (std::string(name) + std::to_string(files.size() + 1) + ".jpg");
            save(bandedPhotograph(size, colours[i]), path);
            files << str(path);
        }
        return files;
    }

    ToolRun writeSet(const QStringList& photographs, const QStringList& options = {})
    {
        return runTool(QStringList{QStringLiteral("--disc"), str(disc), QStringLiteral("--set"), setName} + options +
                       photographs);
    }

    TempFolder folder;
    const fs::path disc = folder.path() / "disque";
};

} // namespace

TEST_F(PatientCommand, AnExifTurnedPhoneJpegComesOutUprightAndWithin640By480)
{
    // 4000 x 3000 as the sensor stored it, the red half at the top; the phone
    // held upright records orientation 6: turn 90 degrees clockwise to show.
    QImage stored(4000, 3000, QImage::Format_RGB32);
    stored.fill(Qt::blue);
    QPainter(&stored).fillRect(0, 0, 4000, 1500, Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(stored.save(&buffer, "JPEG", 85));
    // An APP1 segment right after the start of image: "Exif", a big-endian
    // TIFF header, one IFD entry 0x0112 (orientation), SHORT, 1, value 6.
    const char exif[] = "\xFF\xE1\x00\x22" "Exif\0\0" "MM\0\x2A\0\0\0\x08" "\0\x01"
                        "\x01\x12\0\x03\0\0\0\x01\0\x06\0\0" "\0\0\0\0";
    jpeg.insert(2, QByteArray(exif, sizeof exif - 1));
    const fs::path file = folder.path() / "telephone.jpg";
    QFile out(str(file));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(jpeg);
    out.close();

    const ToolRun run = writeSet({str(file)});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage first = picture(disc, 1);
    EXPECT_EQ(first.size(), QSize(360, 480)) << "upright portrait, reduced to fit 640 x 480 with its aspect ratio";
    // Turned clockwise, the top of the sensor is on the right.
    EXPECT_TRUE(nearColour(bandSample(first, true), Qt::red, 24)) << bandSample(first, true).name().toStdString();
    EXPECT_TRUE(nearColour(bandSample(first, false), Qt::blue, 24)) << bandSample(first, false).name().toStdString();
    const QImage eleventh = picture(disc, 11);
    EXPECT_EQ(eleventh.size(), QSize(360, 480));
    EXPECT_TRUE(nearColour(bandSample(eleventh, false), Qt::red, 24)) << "picture 11 is the mirror image of picture 1";

    // A large photograph is reduced, not taken for a damaged one: the
    // program's caps decide, not a decoder's own allocation limit.
    const fs::path large = folder.path() / "grande.png";
    save(bandedPhotograph(QSize(7000, 4800), Qt::magenta), large, "PNG");
    const ToolRun reduced = writeSet({str(large)}, {QStringLiteral("--remplacer")});
    ASSERT_EQ(reduced.status, 0) << reduced.err.toStdString();
    EXPECT_EQ(picture(disc, 3).size(), QSize(640, 439));
    EXPECT_TRUE(showsBanded(picture(disc, 3), Qt::magenta, false));

    // A small photograph is never enlarged.
    const ToolRun small = writeSet(photographs({Qt::green}, QSize(320, 200)), {QStringLiteral("--remplacer")});
    ASSERT_EQ(small.status, 0) << small.err.toStdString();
    EXPECT_EQ(picture(disc, 7).size(), QSize(320, 200));
}

TEST_F(PatientCommand, TenLeftPhotographsGivePicturesOneToTenAndTheirExactMirrorsElevenToTwenty)
{
    std::vector<QColor> colours;
    for (int i = 0; i < 10; ++i)
        colours.push_back(colourOf(i));
    const ToolRun run = writeSet(photographs(colours, QSize(1600, 1200)));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Jeu PatientDGfacile écrit : 20 images"))) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral("paires d'images :"))) << "ten photographs need no filling";
    EXPECT_TRUE(run.out.contains(QStringLiteral("PatientDGfacile  identifier, facile : rempli, 20 images")))
        << run.out.toStdString();

    for (int n = 1; n <= 10; ++n) {
        const QImage left = picture(disc, n);
        const QImage right = picture(disc, n + 10);
        ASSERT_EQ(left.size(), QSize(640, 480)) << n;
        ASSERT_EQ(right.size(), QSize(640, 480)) << n + 10;
        EXPECT_TRUE(showsBanded(left, colours[static_cast<std::size_t>(n - 1)], false)) << "picture " << n;
        // Mirrored before JPEG, so that the two differ by JPEG's rounding only.
        const QImage mirrored = left.mirrored(true, false).convertToFormat(QImage::Format_RGB32);
        const QImage other = right.convertToFormat(QImage::Format_RGB32);
        long long total = 0;
        for (int y = 0; y < other.height(); ++y) {
            for (int x = 0; x < other.width(); ++x) {
                const QRgb a = mirrored.pixel(x, y), b = other.pixel(x, y);
                total += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            }
        }
        EXPECT_LT(static_cast<double>(total) / (3.0 * other.width() * other.height()), 1.0)
            << "picture " << n + 10 << " is not the mirror image of picture " << n;
    }
}

TEST_F(PatientCommand, RightPhotographsLandInElevenToTwentyAndFewerThanTenAreTakenAgainInOrder)
{
    const QStringList files = photographs({Qt::red, Qt::blue, Qt::darkGreen});
    const ToolRun run = writeSet(files, {QStringLiteral("--side"), QStringLiteral("droite")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    // Told before it is written.
    const qsizetype notice = run.out.indexOf(QStringLiteral("3 photographies pour 10 paires d'images"));
    EXPECT_GE(notice, 0) << run.out.toStdString();
    EXPECT_LT(notice, run.out.indexOf(QStringLiteral("écrit"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("photo1.jpg (droite) : images 11, 14, 17, 20, en miroir 1, 4, 7, 10")))
        << run.out.toStdString();

    const std::vector<QColor> order = {Qt::red, Qt::blue, Qt::darkGreen};
    for (int n = 1; n <= 10; ++n) {
        const QColor colour = order[static_cast<std::size_t>((n - 1) % 3)];
        EXPECT_TRUE(showsBanded(picture(disc, n + 10), colour, false)) << "picture " << n + 10 << " is the photograph itself";
        EXPECT_TRUE(showsBanded(picture(disc, n), colour, true)) << "picture " << n << " is its mirror image";
    }
    EXPECT_EQ(contentOf(disc / setName.toStdString()).size(), 20u) << "no number is missing";
}

TEST_F(PatientCommand, EveryFailureHasItsStatusAndLeavesTheSetAsItWas)
{
    ASSERT_EQ(writeSet(photographs({Qt::red})).status, 0);
    const auto before = contentOf(disc / setName.toStdString());
    const QString good = photographs({Qt::blue}, QSize(800, 600), "bonne").front();
    const fs::path text = folder.makeFile("notes.jpg", "pas une image");
    const fs::path cut = folder.path() / "coupee.jpg";
    {
        QFile whole(good);
        whole.open(QIODevice::ReadOnly);
        QFile part(str(cut));
        part.open(QIODevice::WriteOnly);
        part.write(whole.read(300));
    }
    // Cut after its header, as a photograph half-copied from a phone: a
    // decoder would fill the rest with grey.
    const fs::path cutAfterHeader = folder.path() / "coupee-fin.jpg";
    {
        QFile whole(good);
        whole.open(QIODevice::ReadOnly);
        const QByteArray bytes = whole.readAll();
        QFile part(str(cutAfterHeader));
        part.open(QIODevice::WriteOnly);
        part.write(bytes.left(bytes.size() * 6 / 10));
    }
    // Garbled in the middle, whole in length: the decoder finds its data
    // corrupt and would draw the rest of the picture wrong.
    const fs::path garbled = folder.path() / "brouillee.jpg";
    {
        QFile whole(good);
        whole.open(QIODevice::ReadOnly);
        QByteArray bytes = whole.readAll();
        for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 400; ++i)
            bytes[i] = static_cast<char>((i * 7919) % 251);
        QFile file(str(garbled));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    // A PNG whose picture data fails its checksum, and one cut short.
    const fs::path badChecksum = folder.path() / "somme.png";
    const fs::path cutPng = folder.path() / "coupee.png";
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(bandedPhotograph(QSize(400, 300), Qt::cyan).save(&buffer, "PNG"));
        const qsizetype data = bytes.indexOf("IDAT") + 4;
        QByteArray flipped = bytes;
        flipped[data + 10] = static_cast<char>(flipped[data + 10] ^ 0x55);
        QFile file(str(badChecksum));
        file.open(QIODevice::WriteOnly);
        file.write(flipped);
        QFile part(str(cutPng));
        part.open(QIODevice::WriteOnly);
        part.write(bytes.left(bytes.size() / 2));
    }
    // A progressive JPEG whose last scan comes back hundreds of times keeps a
    // decoder busy for minutes at a photograph's size.
    const fs::path bomb = folder.path() / "bombe.jpg";
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        ASSERT_TRUE(writer.write(bandedPhotograph(QSize(800, 600), Qt::yellow)));
        const qsizetype lastScan = bytes.lastIndexOf(QByteArray("\xFF\xDA", 2));
        const QByteArray scan = bytes.mid(lastScan, bytes.size() - 2 - lastScan);
        bytes.insert(bytes.size() - 2, scan.repeated(300));
        QFile file(str(bomb));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    // An image is a regular file or a new name, never a special file.
    const fs::path fifo = folder.path() / "tube";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const QString replace = QStringLiteral("--remplacer");
    struct Case {
        QStringList arguments;
        int status;
        QString message;
    };
    const QStringList base = {QStringLiteral("--disc"), str(disc), QStringLiteral("--set"), setName, replace};
    std::vector<Case> cases = {
        {base + QStringList{good, str(folder.path() / "absente.jpg")}, 1, QStringLiteral("« absente.jpg » est introuvable")},
        {base + QStringList{str(text)}, 1, QStringLiteral("« notes.jpg » n'est pas une image")},
        {base + QStringList{str(cut)}, 1, QStringLiteral("« coupee.jpg »")},
        {base + QStringList{good, str(cutAfterHeader)}, 1,
         QStringLiteral("« coupee-fin.jpg » est incomplète (la fin du fichier manque)")},
        {base + QStringList{str(bomb)}, 1, QStringLiteral("« bombe.jpg » est une image JPEG abîmée ou d'une forme")},
        {base + QStringList{str(badChecksum)}, 1, QStringLiteral("« somme.png » est abîmée")},
        {base + QStringList{str(cutPng)}, 1, QStringLiteral("« coupee.png » est abîmée")},
        {{QStringLiteral("--disc"), str(disc), QStringLiteral("--iso"), str(fifo)}, 1,
         onWindows() ? QStringLiteral("ne fait pas d'image ISO") : QStringLiteral("n'est pas un fichier ordinaire")},
        {base + QStringList{str(folder.path())}, 1, QStringLiteral("n'est pas un fichier")},
        {{QStringLiteral("--disc"), str(disc), QStringLiteral("--set"), QStringLiteral("PatientDGFacile"), good}, 2,
         QStringLiteral("jeu inconnu")},
        {{QStringLiteral("--disc"), str(folder.path()), QStringLiteral("--set"), setName, replace, good}, 1,
         QStringLiteral("n'est pas une copie du disque d'images")},
        {{QStringLiteral("--disc"), str(disc), QStringLiteral("--set"), setName, good}, 1,
         QStringLiteral("n'est pas vide (rempli, 20 images) ; rien n'a été écrit. Ajoutez --remplacer")},
        {base + QStringList(11, good), 2, QStringLiteral("11 photographies pour un seul jeu")},
        {base + QStringList{QStringLiteral("--cote"), good}, 2, QStringLiteral("option inconnue")},
    };
    // Windows Imaging Component decodes through garbled JPEG data without a
    // word, under Wine at least: tavrel-patient.exe cannot tell it there.
    if (!onWindows())
        cases.push_back({base + QStringList{good, str(garbled)}, 1, QStringLiteral("« brouillee.jpg » est abîmée")});
    for (const Case& c : cases) {
        const ToolRun run = runTool(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments.join(' ').toStdString() << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("tavrel-patient : ")) && run.err.contains(c.message) &&
                    run.err.count(QLatin1Char('\n')) == 1)
            << "expected " << c.message.toStdString() << "\ngot " << run.err.toStdString();
        EXPECT_EQ(contentOf(disc / setName.toStdString()), before) << c.message.toStdString();
        EXPECT_EQ(workingEntries(disc), std::vector<std::string>{}) << c.message.toStdString();
    }
    EXPECT_TRUE(fs::is_fifo(fifo));

    // With --remplacer the set is replaced.
    const ToolRun replaced = runTool(base + QStringList{good});
    ASSERT_EQ(replaced.status, 0) << replaced.err.toStdString();
    EXPECT_TRUE(showsBanded(picture(disc, 20), Qt::blue, true));
}

TEST_F(PatientCommand, AFullDiscFailsWithItsMessageAndLeavesTheOldSetAndNoPartialImage)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "a small file system to fill is mounted only when the test runs as root";
    const fs::path small = folder.path() / "petit";
    fs::create_directory(small);
    if (std::system(("mount -t tmpfs -o size=400k tmpfs '" + small.string() + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this machine does not let the test mount a tmpfs";
    struct Unmount {
        fs::path at;
        ~Unmount() { std::system(("umount -l '" + at.string() + "'").c_str()); }
    } unmount{small};

    const fs::path smallDisc = small / "disque";
    fs::create_directory(smallDisc);
    QFile(str(smallDisc / "bravo.bmp")).open(QIODevice::WriteOnly);
    // an old set of small pictures, then new photographs full of detail that cannot fit
    ASSERT_EQ(runTool({QStringLiteral("--disc"), str(smallDisc), QStringLiteral("--set"), setName,
                       photographs({Qt::red}, QSize(64, 48), "petite").front()})
                  .status,
              0);
    const auto before = contentOf(smallDisc / setName.toStdString());
    QStringList detailed;
    for (int i = 0; i < 10; ++i) {
        QImage noise(640, 480, QImage::Format_RGB32);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                noise.setPixel(x, y, qRgb((x * 7919 + y * 104729 + i) % 251, (x * y + i) % 253, (x ^ y) % 255));
        const fs::path file = folder.path() / ("bruit" + std::to_string(i) + ".png");
        save(noise, file, "PNG");
        detailed << str(file);
    }
    const ToolRun full = runTool(QStringList{QStringLiteral("--disc"), str(smallDisc), QStringLiteral("--set"), setName,
                                         QStringLiteral("--remplacer")} +
                             detailed);
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(full.err.contains(QStringLiteral("Plus assez de place sur le disque"))) << full.err.toStdString();
    EXPECT_EQ(contentOf(smallDisc / setName.toStdString()), before);
    EXPECT_EQ(workingEntries(smallDisc), std::vector<std::string>{});

    if (onWindows())
        return; // no image on Windows
    // The image of a disc larger than the space left is not written at all.
    folder.makeFile("disque/gros.bin", std::string(600 * 1024, 'x'));
    const fs::path image = small / "disque.iso";
    const ToolRun noImage = runTool({QStringLiteral("--disc"), str(disc), QStringLiteral("--iso"), str(image)});
    EXPECT_EQ(noImage.status, 1);
    EXPECT_TRUE(noImage.err.contains(QStringLiteral("Plus assez de place sur le disque"))) << noImage.err.toStdString();
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(small))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"disque"}) << "no image, and no part of one";
}

TEST_F(PatientCommand, AFolderThatCannotBeWrittenOrIsAMountPointIsSaidSoAndAnOldSetThatCannotGoIsToldWhileItStays)
{
    ASSERT_EQ(writeSet(photographs({Qt::red})).status, 0);
    const fs::path set = disc / setName.toStdString();
    // Root may write anywhere: a file made immutable stands for the old set
    // of another user, which this user can move but not remove.
    const bool root = geteuid() == 0;
    const auto lock = [&](const fs::path& folder, bool on) {
        if (root)
            return std::system(("chattr " + std::string(on ? "+i '" : "-i '") + (folder / "1.jpg").string() +
                                "' 2>/dev/null")
                                   .c_str()) == 0;
        fs::permissions(folder, on ? fs::perms::owner_read | fs::perms::owner_exec : fs::perms::owner_all);
        return true;
    };
    if (!lock(set, true))
        GTEST_SKIP() << "this file system cannot make a file immutable";
    const ToolRun replaced = writeSet(photographs({Qt::blue}), {QStringLiteral("--remplacer")});
    const std::vector<std::string> left = workingEntries(disc);
    ASSERT_EQ(left.size(), 1u) << "the old set is left aside";
    EXPECT_EQ(replaced.status, 0) << replaced.err.toStdString();
    EXPECT_TRUE(showsBanded(picture(disc, 1), Qt::blue, false)) << "the new set is in place";
    // Named as the system names it: under Wine, Z:\tmp\...
    const QString stays = QStringLiteral("Le nouveau contenu est en place, mais un ancien n'a pas pu être effacé : il "
                                         "reste dans le dossier caché « %1 »")
                              .arg(onWindows() ? QStringLiteral("Z:") + str(disc / left.front()).replace(QLatin1Char('/'), QLatin1Char('\\'))
                                               : str(disc / left.front()));
    EXPECT_TRUE(replaced.err.contains(stays)) << replaced.err.toStdString();
    EXPECT_FALSE(replaced.err.contains(QStringLiteral("rien n'a été changé"))) << replaced.err.toStdString();
    // Told again by each run while it stays, which is not held by it.
    const ToolRun again = writeSet(photographs({Qt::darkCyan}), {QStringLiteral("--remplacer")});
    EXPECT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_TRUE(showsBanded(picture(disc, 1), Qt::darkCyan, false));
    EXPECT_TRUE(again.err.contains(stays)) << again.err.toStdString();
    // The old set, moved aside, may go now; the next run removes it.
    lock(disc / left.front(), false);
    const ToolRun next = writeSet(photographs({Qt::green}), {QStringLiteral("--remplacer")});
    EXPECT_EQ(next.status, 0) << next.err.toStdString();
    EXPECT_TRUE(next.err.isEmpty()) << next.err.toStdString();
    EXPECT_EQ(workingEntries(disc), std::vector<std::string>{});

    // A disc folder that cannot be written is said to be so, not busy.
    const auto before = contentOf(set);
    if (root) {
        if (std::system(("chattr +i '" + disc.string() + "' 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "this file system cannot make a folder immutable";
    } else {
        fs::permissions(disc, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const ToolRun refused = writeSet(photographs({Qt::red}), {QStringLiteral("--remplacer")});
    if (root)
        std::system(("chattr -i '" + disc.string() + "'").c_str());
    else
        fs::permissions(disc, fs::perms::owner_all);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Impossible d'écrire"))) << refused.err.toStdString();
    EXPECT_FALSE(refused.err.contains(QStringLiteral("Un autre programme"))) << refused.err.toStdString();
    EXPECT_FALSE(refused.err.contains(QStringLiteral("ermission"))) << "the system's own words";
    EXPECT_EQ(contentOf(set), before);

    // A set folder on which a read-only file system is mounted is said to be
    // a mount point, not a full or damaged disc.
    if (!root || onWindows())
        return;
    const fs::path mounted = disc / "PatientMvt";
    fs::create_directory(mounted);
    if (std::system(("mount -t tmpfs -o ro tmpfs '" + mounted.string() + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this machine does not let the test mount a tmpfs";
    const ToolRun onMount = runTool(QStringList{QStringLiteral("--disc"), str(disc), QStringLiteral("--set"),
                                                QStringLiteral("PatientMvt"), QStringLiteral("--remplacer")} +
                                    photographs({Qt::red}));
    std::system(("umount -l '" + mounted.string() + "'").c_str());
    EXPECT_EQ(onMount.status, 1);
    EXPECT_TRUE(onMount.err.contains(QStringLiteral("c'est un disque monté à cet endroit"))) << onMount.err.toStdString();
    EXPECT_FALSE(onMount.err.contains(QStringLiteral("plein"))) << onMount.err.toStdString();
    EXPECT_EQ(workingEntries(disc), std::vector<std::string>{});
}

TEST_F(PatientCommand, ARunKilledWhileItWritesLeavesTheOldSetOrTheNewOneAndTheNextRunTidiesUp)
{
    ASSERT_EQ(writeSet(photographs({Qt::red}, QSize(800, 600), "ancienne")).status, 0);
    std::vector<QColor> colours(10, Qt::blue);
    const QStringList fresh = photographs(colours, QSize(2400, 1800), "nouvelle");
    // The new set's working folder, whatever its run's own suffix.
    const auto writing = [&] {
        for (const auto& entry : fs::directory_iterator(disc)) {
            if (entry.path().filename().string().starts_with(".tavrel-new-PatientDGfacile"))
                return true;
        }
        return false;
    };

    int killedWhileWriting = 0;
    // Writing takes some 150 ms here: kills fall while the pictures are
    // written, about when the new set takes the old one's place, and after.
    for (const int delayMs : {0, 10, 25, 50, 75, 100, 125, 150, 200, 250}) {
        QProcess tool;
        startTool(tool, QStringList{QStringLiteral("--disc"), str(disc), QStringLiteral("--set"), setName,
                               QStringLiteral("--remplacer")} +
                       fresh);
        ASSERT_TRUE(tool.waitForStarted());
        // Wait until it writes the new set beside the old one, then kill it.
        QElapsedTimer waited;
        waited.start();
        while (!writing() && tool.state() == QProcess::Running && waited.elapsed() < 60000)
            QThread::usleep(100);
        QThread::msleep(static_cast<unsigned long>(delayMs));
        if (tool.state() == QProcess::Running) {
            tool.kill(); // SIGKILL
            ++killedWhileWriting;
        }
        tool.waitForFinished();

        // The set is whole: the twenty old pictures or the twenty new ones.
        const auto content = contentOf(disc / setName.toStdString());
        ASSERT_EQ(content.size(), 20u) << "killed " << delayMs << " ms into writing";
        const bool isNew = showsBanded(picture(disc, 1), Qt::blue, false);
        for (int n = 1; n <= 10; ++n) {
            const QColor colour = isNew ? QColor(Qt::blue) : QColor(Qt::red);
            EXPECT_TRUE(showsBanded(picture(disc, n), colour, false)) << "a mix: picture " << n << ", " << delayMs << " ms";
            EXPECT_TRUE(showsBanded(picture(disc, n + 10), colour, true)) << "a mix: picture " << n + 10 << ", " << delayMs;
        }
        if (isNew) {
            const ToolRun back = writeSet(photographs({Qt::red}, QSize(800, 600), "ancienne"), {QStringLiteral("--remplacer")});
            ASSERT_EQ(back.status, 0) << back.err.toStdString();
        }
    }
    EXPECT_GT(killedWhileWriting, 0) << "no run was caught while writing";

    // The next run clears what the killed ones left and is not held by their lock.
    const ToolRun next = writeSet(fresh, {QStringLiteral("--remplacer")});
    ASSERT_EQ(next.status, 0) << next.err.toStdString();
    EXPECT_TRUE(showsBanded(picture(disc, 1), Qt::blue, false));
    EXPECT_EQ(workingEntries(disc), std::vector<std::string>{});
}

TEST_F(PatientCommand, TheHelpSaysWhatIsTrueOnItsSystem)
{
    const ToolRun help = runTool({QStringLiteral("--help")});
    ASSERT_EQ(help.status, 0);
    // Windows makes no ISO image here, and gives what is written the access
    // of its folder.
    EXPECT_EQ(help.out.contains(QStringLiteral("--iso")), !onWindows()) << help.out.toStdString();
    EXPECT_EQ(help.out.contains(QStringLiteral("ne sont lisibles\nque par vous")), !onWindows()) << help.out.toStdString();
    EXPECT_EQ(help.out.contains(QStringLiteral("prennent les droits d'accès")), onWindows()) << help.out.toStdString();
}

TEST_F(PatientCommand, TheSetAndItsImageAreReadableByTheirOwnerOnlyAndTheImageHoldsTheDisc)
{
    if (onWindows())
        GTEST_SKIP() << "no ISO image and no POSIX permissions on Windows";
    const fs::path image = folder.path() / "patient.iso";
    const ToolRun run = writeSet(photographs({Qt::red, Qt::blue}), {QStringLiteral("--iso"), str(image)});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Image ISO 9660 écrite"))) << run.out.toStdString();
    EXPECT_EQ(permissions(disc / setName.toStdString()), 0700u);
    for (const auto& entry : fs::directory_iterator(disc / setName.toStdString()))
        EXPECT_EQ(permissions(entry.path()), 0600u) << entry.path();
    EXPECT_EQ(permissions(image), 0600u);

    // An image inside the disc folder would hold itself the next time.
    const ToolRun inside = runTool({QStringLiteral("--disc"), str(disc), QStringLiteral("--iso"), str(disc / "x.iso")});
    EXPECT_EQ(inside.status, 1);
    EXPECT_FALSE(fs::exists(disc / "x.iso"));

    // A file of the disc folder that cannot be read is named as such, and
    // no image is written. Root reads everything: the tool then runs as
    // nobody.
    const fs::path other = folder.path() / "autre-disque";
    const fs::path out = folder.path() / "sortie";
    folder.makeFile("autre-disque/bravo.bmp", "BM");
    const fs::path secret = folder.makeFile("autre-disque/mainDG/7.jpg", "sept");
    fs::create_directory(out);
    fs::permissions(out, fs::perms::all);
    fs::permissions(secret, fs::perms::none);
    const QStringList makeImage{QStringLiteral("--disc"), str(other), QStringLiteral("--iso"), str(out / "autre.iso")};
    QProcess asNobody;
    if (geteuid() == 0) {
        fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
        asNobody.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                                              QStringLiteral("--clear-groups"), QStringLiteral(TAVREL_PATIENT)} +
                                                      makeImage);
    } else {
        asNobody.start(QStringLiteral(TAVREL_PATIENT), makeImage);
    }
    ASSERT_TRUE(asNobody.waitForFinished(60000));
    const QString unreadable = QString::fromUtf8(asNobody.readAllStandardError());
    EXPECT_EQ(asNobody.exitCode(), 1) << unreadable.toStdString();
    EXPECT_TRUE(unreadable.contains(QStringLiteral("« %1 » ne peut pas être lu (vous n'avez pas le droit de le lire)")
                                        .arg(str(secret))))
        << unreadable.toStdString();
    EXPECT_FALSE(unreadable.contains(QStringLiteral("Impossible d'écrire"))) << unreadable.toStdString();
    EXPECT_TRUE(fs::is_empty(out)) << "no image, and no part of one";

    const QString xorriso = QStandardPaths::findExecutable(QStringLiteral("xorriso"));
    if (xorriso.isEmpty())
        GTEST_SKIP() << "xorriso is not installed: the image's content is not read back";
    QProcess list;
    list.start(xorriso, {QStringLiteral("-indev"), str(image), QStringLiteral("-find"), QStringLiteral("/"),
                         QStringLiteral("-type"), QStringLiteral("f")});
    ASSERT_TRUE(list.waitForFinished(60000));
    const QString files = QString::fromUtf8(list.readAllStandardOutput());
    EXPECT_TRUE(files.contains(QStringLiteral("'/bravo.bmp'"))) << files.toStdString();
    for (int n = 1; n <= 20; ++n)
        EXPECT_TRUE(files.contains(QStringLiteral("'/PatientDGfacile/%1.jpg'").arg(n))) << files.toStdString();
    EXPECT_FALSE(files.contains(QStringLiteral(".tavrel"))) << files.toStdString();
}
