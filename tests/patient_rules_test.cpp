// The rules of the patient's sets without any toolkit: which photograph gives
// which picture number, filling with fewer than ten, the set names, what a
// set folder holds, and the command line of tavrel-patient.

#include "disc/mount_table.h"
#include "patient/command_line.h"
#include "patient/patient_disc.h"
#include "sets/patient_sets.h"
#include "sets/picture_codec.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <unistd.h>

using namespace patient;
using namespace sets;

namespace {

std::vector<Side> sides(std::string_view letters)
{
    std::vector<Side> result;
    for (const char letter : letters)
        result.push_back(letter == 'D' ? Side::right : Side::left);
    return result;
}

ParsedCommandLine parse(std::vector<std::string> arguments)
{
    return parseCommandLine(arguments);
}

// A codec for files of the form "PICTURE": a grey picture of 4 x 3 pixels;
// anything else is no picture. Its "JPEG" files are the pixels' size.
class TextPictures final : public PictureCodec {
public:
    Decoded decodeUpright(std::span<const std::byte> file, int, int) override
    {
        Decoded decoded;
        if (std::string(reinterpret_cast<const char*>(file.data()), file.size()) != "PICTURE")
            decoded.problem = Decoded::Problem::notPicture;
        else
            decoded.pixels = {4, 3, std::vector<std::uint32_t>(12, 0xFF808080u)};
        return decoded;
    }
    std::optional<std::vector<std::byte>> encodeJpeg(const Pixels& picture, int) override
    {
        const std::string text = std::to_string(picture.width) + "x" + std::to_string(picture.height);
        const auto* bytes = reinterpret_cast<const std::byte*>(text.data());
        return std::vector<std::byte>(bytes, bytes + text.size());
    }
};

} // namespace

TEST(PatientPlan, LeftPhotographsGiveOneToTenAndTheirMirrorsElevenToTwenty)
{
    const auto plan = planSet(sides("GGGGGGGGGG"));
    ASSERT_TRUE(plan.has_value());
    for (std::size_t n = 0; n < 10; ++n) {
        EXPECT_EQ((*plan)[n].photograph, n);
        EXPECT_FALSE((*plan)[n].mirrored) << "picture " << n + 1;
        EXPECT_EQ((*plan)[n + 10].photograph, n);
        EXPECT_TRUE((*plan)[n + 10].mirrored) << "picture " << n + 11;
    }
}

TEST(PatientPlan, ARightPhotographLandsInElevenToTwentyAndGivesItsLeftSideByItsMirror)
{
    const auto plan = planSet(sides("GDGDGDGDGD"));
    ASSERT_TRUE(plan.has_value());
    // photograph 2 (index 1) is a right one: picture 12 as it is, picture 2 mirrored
    EXPECT_EQ((*plan)[11].photograph, 1u);
    EXPECT_FALSE((*plan)[11].mirrored);
    EXPECT_EQ((*plan)[1].photograph, 1u);
    EXPECT_TRUE((*plan)[1].mirrored);
    // photograph 1 is a left one
    EXPECT_FALSE((*plan)[0].mirrored);
    EXPECT_TRUE((*plan)[10].mirrored);
}

TEST(PatientPlan, FewerThanTenPhotographsAreTakenAgainInOrderAndNoNumberIsMissing)
{
    const auto plan = planSet(sides("GDG"));
    ASSERT_TRUE(plan.has_value());
    const std::vector<std::size_t> expected = {0, 1, 2, 0, 1, 2, 0, 1, 2, 0};
    for (std::size_t n = 0; n < 10; ++n) {
        EXPECT_EQ((*plan)[n].photograph, expected[n]) << "picture " << n + 1;
        EXPECT_EQ((*plan)[n + 10].photograph, expected[n]) << "picture " << n + 11;
        // the left-side picture is the photograph itself only for a left photograph
        EXPECT_EQ((*plan)[n].mirrored, expected[n] == 1);
        EXPECT_NE((*plan)[n].mirrored, (*plan)[n + 10].mirrored);
    }

    const auto single = planSet(sides("D"));
    ASSERT_TRUE(single.has_value());
    for (std::size_t n = 0; n < 20; ++n)
        EXPECT_EQ((*single)[n].mirrored, n < 10);
}

TEST(PatientPlan, RefusesNoPhotographAndMoreThanTen)
{
    EXPECT_FALSE(planSet({}).has_value());
    EXPECT_FALSE(planSet(sides("GGGGGGGGGGG")).has_value());
    EXPECT_NE(photographCountProblem(0), "");
    EXPECT_NE(photographCountProblem(11).find("11 photographies"), std::string::npos) << photographCountProblem(11);
    EXPECT_NE(photographCountProblem(11).find("10 au plus"), std::string::npos) << photographCountProblem(11);
    EXPECT_EQ(photographCountProblem(1), "");
    EXPECT_EQ(photographCountProblem(10), "");
}

TEST(PatientPlan, TheFillNoticeTellsEachPhotographsNumbersBeforeWriting)
{
    const std::string notice = fillNotice({"main.jpg", "poing.jpg", "doigts.jpg"}, sides("GDG"));
    EXPECT_NE(notice.find("3 photographies pour 10 paires d'images"), std::string::npos) << notice;
    EXPECT_NE(notice.find("main.jpg (gauche) : images 1, 4, 7, 10, en miroir 11, 14, 17, 20"), std::string::npos)
        << notice;
    EXPECT_NE(notice.find("poing.jpg (droite) : images 12, 15, 18, en miroir 2, 5, 8"), std::string::npos) << notice;
    EXPECT_NE(notice.find("doigts.jpg (gauche) : images 3, 6, 9, en miroir 13, 16, 19"), std::string::npos) << notice;

    EXPECT_NE(fillNotice({"seule.jpg"}, sides("G")).find("1 photographie pour 10 paires d'images : elle est reprise"),
              std::string::npos);
    EXPECT_EQ(fillNotice(std::vector<std::string>(10, "p.jpg"), sides("GGGGGGGGGG")), "") << "ten photographs fill the set";
}

TEST(PatientSets, AreTheFourPatientFoldersOfTheDiscWrittenExactly)
{
    std::vector<std::string> names;
    for (const PatientSet& set : patientSets())
        names.push_back(set.name);
    EXPECT_EQ(names, (std::vector<std::string>{"PatientDGfacile", "PatientDG", "PatientMvtfacile", "PatientMvt"}));
    EXPECT_EQ(patientSetIndex("PatientMvt"), 3u);
    for (const char* wrong : {"patientdgfacile", "PatientDG ", "mainDG", "", "PatientDGfacile/.."}) {
        EXPECT_FALSE(patientSetIndex(wrong).has_value()) << wrong;
        EXPECT_NE(setNameProblem(wrong).find("PatientDGfacile, PatientDG, PatientMvtfacile et PatientMvt"),
                  std::string::npos)
            << wrong;
    }
    EXPECT_EQ(setNameProblem("PatientDG"), "");

    EXPECT_EQ(sideFromWord("gauche"), Side::left);
    EXPECT_EQ(sideFromWord("droite"), Side::right);
    EXPECT_FALSE(sideFromWord("Droite").has_value());
    EXPECT_FALSE(sideFromWord("left").has_value());
}

TEST(PatientSets, TellWhatASetFolderHoldsAndWhetherAFolderIsADiscCopy)
{
    const TempFolder disc;
    EXPECT_FALSE(isDiscFolder(disc.path()));
    disc.makeFile("bravo.bmp/inside"); // a folder of that name is not the marker
    EXPECT_FALSE(isDiscFolder(disc.path()));
    disc.makeFile("BRAVO.BMP");
    EXPECT_TRUE(isDiscFolder(disc.path())) << "a disc burned without long names shows capitals";
    EXPECT_FALSE(isDiscFolder(disc.path() / "absent"));

    EXPECT_TRUE(inspectSet(disc.path(), "PatientDG").empty()) << "no folder at all";
    std::filesystem::create_directory(disc.path() / "PatientDG");
    EXPECT_TRUE(inspectSet(disc.path(), "PatientDG").empty());
    EXPECT_EQ(describeSet(inspectSet(disc.path(), "PatientDG")), "vide");

    for (int n = 1; n <= 20; ++n)
        disc.makeFile("PatientDGfacile/" + std::to_string(n) + ".jpg");
    EXPECT_EQ(inspectSet(disc.path(), "PatientDGfacile").pictures, 20);
    EXPECT_EQ(describeSet(inspectSet(disc.path(), "PatientDGfacile")), "rempli, 20 images");

    for (const char* name : {"2.jpg", "3.jpg", "07.jpg", "21.jpg", "Thumbs.db"})
        disc.makeFile(std::string("PatientMvt/") + name);
    const SetContent mixed = inspectSet(disc.path(), "PatientMvt");
    EXPECT_EQ(mixed.pictures, 2);
    EXPECT_TRUE(mixed.otherEntries);
    EXPECT_FALSE(mixed.empty());
    EXPECT_EQ(describeSet(mixed), "incomplet, 2 images sur 20");

    disc.makeFile("PatientMvtfacile/notes.txt");
    EXPECT_FALSE(inspectSet(disc.path(), "PatientMvtfacile").empty()) << "anything in it is asked about";
    EXPECT_EQ(describeSet(inspectSet(disc.path(), "PatientMvtfacile")), "vide (mais contient d'autres fichiers)");
}

TEST(PatientCommandLine, ReadsASetOfPhotographsWithItsSideAndTheImage)
{
    const auto parsed = parse({"--disc", "/d", "--set", "PatientDG", "--side=droite", "a.jpg", "--remplacer", "b.jpg",
                               "--iso", "/x.iso", "--", "-c.jpg"});
    ASSERT_TRUE(parsed.request.has_value()) << parsed.error;
    const Request& r = *parsed.request;
    EXPECT_EQ(r.discFolder, "/d");
    EXPECT_EQ(r.setName, "PatientDG");
    EXPECT_EQ(r.side, Side::right);
    EXPECT_TRUE(r.replace);
    EXPECT_EQ(r.imageFile, "/x.iso");
    EXPECT_EQ(r.photographs, (std::vector<std::string>{"a.jpg", "b.jpg", "-c.jpg"}));

    const auto plain = parse({"--disc=/d", "--set=PatientMvt", "a.jpg"});
    ASSERT_TRUE(plain.request.has_value()) << plain.error;
    EXPECT_EQ(plain.request->side, Side::left) << "gauche when left out";
    EXPECT_FALSE(plain.request->replace);
    EXPECT_TRUE(plain.request->imageFile.empty());

    const auto imageOnly = parse({"--disc", "/d", "--iso", "/x.iso"});
    ASSERT_TRUE(imageOnly.request.has_value()) << imageOnly.error;
    EXPECT_TRUE(imageOnly.request->setName.empty());

    EXPECT_TRUE(parse({"--replace", "--disc", "/d", "--set", "PatientDG", "a.jpg"}).request->replace);
    EXPECT_TRUE(parse({"--set", "Nimporte", "--help"}).request->help) << "help wins over every mistake";
    EXPECT_TRUE(parse({"-h"}).request->help);
    EXPECT_NE(helpText().find("--remplacer"), std::string::npos);
    EXPECT_NE(helpText().find("Codes de sortie"), std::string::npos);
}

TEST(PatientCommandLine, RefusesEveryMalformedCommandWithItsReason)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--disc", "/d", "--set", "PatientDG", "--couleur", "a.jpg"}, "option inconnue : « --couleur »"},
        {{"--disc", "/d", "--set"}, "il manque la valeur de --set"},
        {{"--disc", "/d", "--set", "PatientDG", "--set", "PatientMvt", "a.jpg"}, "--set est donnée deux fois"},
        {{"--disc", "/d", "--set", "patientdg", "a.jpg"}, "jeu inconnu : « patientdg »"},
        {{"--disc", "/d", "--set", "PatientDG", "--side", "haut", "a.jpg"}, "côté inconnu : « haut »"},
        {{"--set", "PatientDG", "a.jpg"}, "--disc DOSSIER"},
        {{"--disc", "/d", "a.jpg"}, "indiquez le jeu de ces photographies"},
        {{"--disc", "/d", "--set", "PatientDG"}, "aucune photographie"},
        {{"--disc", "/d"}, "rien à faire"},
        {{"--disc", "/d", "--iso", "/x.iso", "--side", "droite"}, "--side et --remplacer ne servent qu'avec --set"},
        {{"--disc", "/d", "--set", "PatientDG", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"},
         "11 photographies pour un seul jeu"},
    };
    for (const auto& [arguments, expected] : cases) {
        const ParsedCommandLine parsed = parse(arguments);
        EXPECT_FALSE(parsed.request.has_value()) << expected;
        EXPECT_NE(parsed.error.find(expected), std::string::npos) << "got: " << parsed.error;
    }
}

TEST(PatientPictures, TurnUprightByEachExifOrientationReduceByAveragingAndReadTheOrientation)
{
    // 3 x 2, stored as the sensor gave it.
    const sets::Pixels stored{3, 2, {1, 2, 3, 4, 5, 6}};
    const std::vector<std::pair<int, std::vector<std::uint32_t>>> upright = {
        {1, {1, 2, 3, 4, 5, 6}}, {2, {3, 2, 1, 6, 5, 4}}, {3, {6, 5, 4, 3, 2, 1}}, {4, {4, 5, 6, 1, 2, 3}},
        {5, {1, 4, 2, 5, 3, 6}}, {6, {4, 1, 5, 2, 6, 3}}, {7, {6, 3, 5, 2, 4, 1}}, {8, {3, 6, 2, 5, 1, 4}},
    };
    for (const auto& [orientation, expected] : upright) {
        const sets::Pixels turned = sets::turnedUpright(stored, orientation);
        EXPECT_EQ(turned.data, expected) << "orientation " << orientation;
        EXPECT_EQ(turned.width, orientation >= 5 ? 2 : 3) << orientation;
    }
    EXPECT_EQ(sets::mirrored(stored).data, (std::vector<std::uint32_t>{3, 2, 1, 6, 5, 4}));

    // Each new pixel is the mean of the four it covers, channel by channel.
    const sets::Pixels grey{4, 2, {0x000000, 0x040404, 0x102030, 0x102030, 0x080808, 0x0C0C0C, 0x102030, 0x304050}};
    const sets::Pixels half = sets::reduced(grey, 2, 1);
    EXPECT_EQ(half.data, (std::vector<std::uint32_t>{0xFF060606, 0xFF182838}));
    EXPECT_EQ(sets::fittedSize(4000, 3000, 640, 480).height, 480);
    EXPECT_EQ(sets::fittedSize(7000, 4800, 640, 480).height, 439);

    // The orientation of a phone's JPEG, in either byte order; none is upright.
    const std::string bigEndian("\xFF\xD8\xFF\xE1\x00\x22"
                                "Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0\xFF\xD9",
                                40);
    const std::string littleEndian("\xFF\xD8\xFF\xE1\x00\x22"
                                   "Exif\0\0II\x2A\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x08\0\0\0\0\0\0\0\xFF\xD9",
                                   40);
    EXPECT_EQ(sets::exifOrientation(std::as_bytes(std::span(bigEndian))), 6);
    EXPECT_EQ(sets::exifOrientation(std::as_bytes(std::span(littleEndian))), 8);
    const std::string plain("\xFF\xD8\xFF\xD9", 4);
    EXPECT_EQ(sets::exifOrientation(std::as_bytes(std::span(plain))), 1);
}

TEST(PatientSetsWritten, EveryChosenSetIsMadeBeforeAnyIsReplacedAndWhatWasWrittenIsSaid)
{
    const TempFolder folder;
    folder.makeFile("disque/bravo.bmp", "BM");
    const auto disc = folder.path() / "disque";
    const auto good = folder.makeFile("bonne.png", "PICTURE");
    const auto bad = folder.makeFile("abimee.png", "GARBLED");
    TextPictures codec;
    SetChoices chosen;
    chosen[0] = {{good, Side::left}};
    chosen[3] = {{good, Side::right}};
    const auto filled = [&](const char* set) { return inspectSet(disc, set).pictures == picturesPerSet; };

    // A photograph of a later set that cannot be used stops the work before
    // an earlier set is changed.
    chosen[1] = {{bad, Side::left}};
    SetsWritten written = writePatientSets(disc, chosen, codec, {});
    EXPECT_NE(written.message.find("« abimee.png » n'est pas une image"), std::string::npos) << written.message;
    EXPECT_NE(written.message.find("Aucun jeu n'a été changé."), std::string::npos) << written.message;
    EXPECT_FALSE(filled("PatientDGfacile"));
    EXPECT_TRUE(written.written.empty());
    EXPECT_EQ(writtenStatus(written), "Aucun jeu n'a été écrit.");

    // Stopped once the first set is in place: the message says which set
    // was written and which were left as they were.
    chosen[1] = {{good, Side::left}};
    const int lastStep = 3 * setFileSteps(1) + 3;
    int calls = 0;
    written = writePatientSets(disc, chosen, codec, [&](int done, int total) {
        EXPECT_EQ(total, lastStep);
        EXPECT_EQ(done, ++calls);
        return done < 3 * setFileSteps(1) + 1;
    });
    EXPECT_EQ(written.message, "Arrêté à votre demande. Jeu écrit : PatientDGfacile. Jeux laissés tels qu'ils étaient : "
                               "PatientDG, PatientMvt.");
    EXPECT_TRUE(filled("PatientDGfacile"));
    EXPECT_FALSE(filled("PatientDG"));
    EXPECT_EQ(writtenStatus(written), "Jeu écrit : PatientDGfacile.");

    // A set that cannot be put in place stops the work there, naming it all.
    std::filesystem::create_directory(disc / ".tavrel-lock-PatientMvt");
    written = writePatientSets(disc, chosen, codec, {});
    EXPECT_EQ(written.written, (std::vector<std::string>{"PatientDGfacile", "PatientDG"}));
    EXPECT_EQ(written.unchanged, (std::vector<std::string>{"PatientMvt"}));
    EXPECT_NE(written.message.find("Impossible d'écrire"), std::string::npos) << written.message;
    EXPECT_NE(written.message.find("Jeux écrits : PatientDGfacile, PatientDG. Jeu laissé tel qu'il était : PatientMvt."),
              std::string::npos)
        << written.message;
    EXPECT_TRUE(filled("PatientDG"));

    std::filesystem::remove(disc / ".tavrel-lock-PatientMvt");
    written = writePatientSets(disc, chosen, codec, {});
    EXPECT_EQ(written.message, "");
    EXPECT_EQ(writtenStatus(written), "Jeux écrits : PatientDGfacile, PatientDG, PatientMvt.");
}

TEST(PatientFolders, ANewDiscFolderIsTheEmptyFolderChosenOrTheFirstFreeDiscOfThePatientInIt)
{
    const TempFolder folder;
    EXPECT_EQ(newDiscFolderIn(folder.path()), folder.path());
    folder.makeFile("photo.jpg");
    EXPECT_EQ(newDiscFolderIn(folder.path()), folder.path() / "Disque du patient");
    folder.makeFile("Disque du patient/bravo.bmp");
    std::filesystem::create_directory(folder.path() / "Disque du patient 2");
    EXPECT_EQ(newDiscFolderIn(folder.path()), folder.path() / "Disque du patient 2") << "an empty one is taken";
    folder.makeFile("Disque du patient 2/bravo.bmp");
    EXPECT_EQ(newDiscFolderIn(folder.path()), folder.path() / "Disque du patient 3");
}

// A stick as the drive layer sees it on Linux: mounted from a partition of a
// disk the kernel flags removable (sysfs), named by its label (udev's
// by-label links), beside a CD-ROM holding the disc and a fixed disk.
TEST(PatientStick, AStickOfTheMountTableIsListedByItsLabelAndMountPointAndTheDiscIsCopiedThere)
{
    const TempFolder folder;
    folder.makeFile("disque/bravo.bmp", "BM");
    folder.makeFile("disque/mainDG/7.jpg", "sept");
    folder.makeFile("cd/bravo.bmp", "BM");
    const auto stick = folder.path() / "media" / "cle montée";
    std::filesystem::create_directories(stick);
    const auto sys = folder.path() / "sys";
    folder.makeFile("sys/devices/sdb/removable", "1\n");
    folder.makeFile("sys/devices/sdb/sdb1/partition", "1\n");
    std::filesystem::create_directories(sys / "dev" / "block");
    std::filesystem::create_directory_symlink(sys / "devices/sdb/sdb1", sys / "dev/block/8:17");
    std::filesystem::create_directories(folder.path() / "dev/disk/by-label");
    std::filesystem::create_symlink("../../sdb1", folder.path() / "dev/disk/by-label/CL\\x20PATIENT");
    const std::string table = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                              "2 1 11:0 / " + (folder.path() / "cd").string() + " ro - iso9660 /dev/sr0 ro\n"
                              "3 1 8:17 / " + folder.path().string() + "/media/cle\\040montée rw - vfat /dev/sdb1 rw\n";
    const auto list = drives::posix::drivesFromMountInfo(
        table, [&](const std::string& device) { return drives::posix::removableInSysfs(sys, device); });
    const std::vector<drives::Medium> media = drives::posix::media(list, sys, folder.path() / "dev");

    const std::vector<Stick> sticks = removableDrives(media);
    ASSERT_EQ(sticks.size(), 1u);
    EXPECT_EQ(sticks[0].name, "CL PATIENT (" + stick.string() + ")");
    EXPECT_EQ(sticks[0].root, stick);
    EXPECT_EQ(stickChoice(media).sticks.size(), 1u);
    const std::vector<SourceDisc> discs = sourceDiscs({}, media);
    ASSERT_EQ(discs.size(), 1u);
    EXPECT_EQ(discs[0].name, "Disque d'images dans le lecteur " + (folder.path() / "cd").string());

    EXPECT_EQ(copyDiscToStick(folder.path() / "disque", sticks[0].root), "");
    EXPECT_TRUE(isDiscFolder(stick));
    EXPECT_TRUE(std::filesystem::exists(stick / "mainDG" / "7.jpg"));
}

TEST(PatientStick, TheDiscGoesToTheStickRootBesideItsOtherFilesAndAStickItCannotUseIsRefusedBeforeAnyWrite)
{
    const TempFolder folder;
    folder.makeFile("disque/bravo.bmp", "BM");
    folder.makeFile("disque/mainDG/7.jpg", "sept");
    folder.makeFile("disque/PatientDG/1.jpg", "un");
    folder.makeFile("cle/vacances.txt", "à garder");
    const auto disc = folder.path() / "disque";
    const auto stick = folder.path() / "cle";
    const auto read = [](const std::filesystem::path& file) {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };

    int steps = 0;
    EXPECT_EQ(patient::copyDiscToStick(disc, stick, [&](int, int) { return ++steps > 0; }), "");
    EXPECT_EQ(read(stick / "mainDG" / "7.jpg"), "sept");
    EXPECT_EQ(read(stick / "PatientDG" / "1.jpg"), "un");
    EXPECT_TRUE(sets::isDiscFolder(stick));
    EXPECT_EQ(read(stick / "vacances.txt"), "à garder") << "the stick's own files stay";
    EXPECT_EQ(steps, 3);

    // A later copy replaces the earlier one.
    folder.makeFile("disque/PatientDG/1.jpg", "nouveau");
    EXPECT_EQ(patient::copyDiscToStick(disc, stick), "");
    EXPECT_EQ(read(stick / "PatientDG" / "1.jpg"), "nouveau");

    // A stick holding something else under a disc's name is not touched.
    folder.makeFile("autre/mainDG", "un fichier à moi");
    EXPECT_NE(patient::copyDiscToStick(disc, folder.path() / "autre").find("qui n'appartient pas à une copie du disque"),
              std::string::npos);
    EXPECT_EQ(read(folder.path() / "autre" / "mainDG"), "un fichier à moi");

    // A write-protected stick: refused with its reason, nothing written.
    const auto locked = folder.path() / "protegee";
    std::filesystem::create_directory(locked);
    const bool root = geteuid() == 0;
    if (root ? std::system(("chattr +i '" + locked.string() + "' 2>/dev/null").c_str()) != 0
             : (std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec),
                false))
        GTEST_SKIP() << "this file system cannot make a folder immutable";
    const std::string refused = patient::copyDiscToStick(disc, locked);
    if (root)
        std::system(("chattr -i '" + locked.string() + "'").c_str());
    else
        std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    EXPECT_NE(refused.find("Impossible d'écrire sur la clé"), std::string::npos) << refused;
    EXPECT_NE(refused.find("Rien n'a été copié"), std::string::npos) << refused;
    EXPECT_TRUE(std::filesystem::is_empty(locked));
}
