#include "disc/drives.h"
#include "disc/form_load.h"
#include "disc/layout.h"
#include "disc/mount_table.h"
#include "model/exercise_state.h"

#include "support/recording_services.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using drives::posix::Drive;

namespace {

// A desktop's table: kernel file systems, two disks, a snap package, network
// shares, an optical disc, a disc image with a blank in its folder name.
const std::string desktopTable = R"(21 26 0:20 / /proc rw,relatime shared:12 - proc proc rw
22 26 0:21 / /sys rw,relatime shared:2 - sysfs sysfs rw
23 26 0:6 / /dev rw,relatime shared:3 - devtmpfs udev rw,size=8000000k
24 23 0:22 / /dev/shm rw,nosuid shared:4 - tmpfs tmpfs rw
25 23 0:23 / /dev/pts rw,relatime shared:5 - devpts devpts rw,mode=600
26 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw
30 22 0:27 / /sys/fs/cgroup rw,relatime shared:6 - cgroup2 cgroup2 rw
31 26 0:28 / /run rw,nosuid shared:7 - tmpfs tmpfs rw,mode=755
41 26 8:17 / /home rw,relatime shared:8 - ext4 /dev/sdb1 rw
42 26 7:3 / /snap/core/1234 ro,relatime shared:9 - squashfs /dev/loop3 ro
43 26 0:45 / /mnt/partage rw,relatime shared:10 - nfs4 serveur:/export rw
44 26 11:0 / /media/me/TAVREL ro,nosuid shared:11 - iso9660 /dev/sr0 ro
45 26 0:50 / /home/me/Disque\040copié\134cd rw,nosuid - fuse.fuseiso fuseiso rw
46 31 0:51 / /run/user/1000 rw,nosuid shared:13 - tmpfs tmpfs rw
47 26 0:52 / /mnt/serveur rw,relatime - cifs //srv/images rw
48 26 0:53 / /mnt/ssh rw,nosuid - fuse.sshfs me@hote: rw
49 26 11:1 / /media/dvd ro,relatime - udf /dev/sr1 ro
50 26 0:54 / /proc/sys/fs/binfmt_misc rw,relatime - autofs systemd-1 rw
)";

// Drives written as "letter mount-point type", for readable comparisons.
std::vector<std::string> described(const std::vector<Drive>& list)
{
    std::vector<std::string> lines;
    for (const Drive& drive : list)
        lines.push_back(std::string{drive.letter} + ' ' + drive.mountPoint + ' ' + std::to_string(drive.type));
    return lines;
}

std::vector<std::string> drivesOf(const std::string& table)
{
    return described(drives::posix::drivesFromMountInfo(table));
}

// One mountinfo line for a file system of the type at the mount point.
std::string mount(int id, const std::string& device, const std::string& mountPoint, const std::string& type,
                  const std::string& root = "/")
{
    return std::to_string(id) + " 1 " + device + ' ' + root + ' ' + mountPoint + " rw - " + type + " src rw\n";
}

} // namespace

// --- Letters from the mount table ---

TEST(MountTable, PseudoFileSystemsAreLeftOutAndTheOthersGetLettersInTableOrder)
{
    EXPECT_EQ(drivesOf(desktopTable), (std::vector<std::string>{
                                          "C / 3",
                                          "D /home 3",
                                          "E /mnt/partage 4",
                                          "F /media/me/TAVREL 5",
                                          "G /home/me/Disque copié\\cd 5",
                                          "H /mnt/serveur 4",
                                          "I /mnt/ssh 4",
                                          "J /media/dvd 5",
                                      }));
}

TEST(MountTable, EscapesInFoldersAreDecoded)
{
    const std::string table = mount(30, "254:1", "/", "ext4") +
                              mount(31, "0:40", "/media/a\\040b\\011c\\012d\\134e", "iso9660") +
                              mount(32, "0:41", "/media/sans\\04", "iso9660");
    EXPECT_EQ(drivesOf(table), (std::vector<std::string>{"C / 3", "D /media/a b\tc\nd\\e 5", "E /media/sans\\04 5"}));
}

TEST(MountTable, TheRootFolderIsAlwaysC)
{
    // Listed after other file systems.
    EXPECT_EQ(drivesOf(mount(30, "8:17", "/home", "ext4") + mount(31, "254:1", "/", "overlay")),
              (std::vector<std::string>{"C / 3", "D /home 3"}));
    // A live system booted from the disc.
    EXPECT_EQ(drivesOf(mount(30, "11:0", "/", "iso9660")), std::vector<std::string>{"C / 5"});
    // Not shown at all, or on a file system that is left out: still there.
    EXPECT_EQ(drivesOf(mount(30, "11:0", "/media/cd", "udf")), (std::vector<std::string>{"C / 3", "D /media/cd 5"}));
    EXPECT_EQ(drivesOf(mount(30, "0:2", "/", "tmpfs")), std::vector<std::string>{"C / 3"});
    EXPECT_EQ(drivesOf(""), std::vector<std::string>{"C / 3"});
}

TEST(MountTable, AFileSystemMountedOverAnotherHidesIt)
{
    const std::string table = mount(30, "254:1", "/", "ext4") + mount(31, "11:0", "/media/cd", "udf") +
                              mount(32, "8:1", "/mnt/usb", "vfat") + mount(33, "11:0", "/media/cd", "iso9660") +
                              mount(34, "0:60", "/mnt/usb", "tmpfs");
    EXPECT_EQ(drivesOf(table), (std::vector<std::string>{"C / 3", "D /media/cd 5"}));
}

TEST(MountTable, TheSameFolderMountedTwiceIsOneDrive)
{
    const std::string table = mount(30, "254:1", "/", "btrfs", "/@") + mount(31, "254:1", "/home", "btrfs", "/@home") +
                              mount(32, "11:0", "/media/cd", "iso9660") + mount(33, "11:0", "/srv/cd", "iso9660") +
                              mount(34, "11:0", "/srv/photos", "iso9660", "/photos");
    EXPECT_EQ(drivesOf(table),
              (std::vector<std::string>{"C / 3", "D /home 3", "E /media/cd 5", "F /srv/photos 5"}));
}

TEST(MountTable, LettersStopAtZ)
{
    std::string table = mount(1, "254:1", "/", "ext4");
    for (int i = 0; i < 30; ++i)
        table += mount(10 + i, "8:" + std::to_string(i), "/mnt/d" + std::to_string(i), "ext4");
    const auto list = drives::posix::drivesFromMountInfo(table);
    ASSERT_EQ(list.size(), 24u);
    EXPECT_EQ(list.back().letter, 'Z');
    EXPECT_EQ(list.back().mountPoint, "/mnt/d22");
}

TEST(MountTable, LinesOfAnotherShapeArePassedOver)
{
    const std::string table = "\n"
                              "garbage\n"
                              "30 1 8:1 / /mnt/sans-tiret rw ext4 /dev/sda1 rw\n"
                              "31 1 8:2 / /mnt/tronque rw -\n" +
                              mount(32, "8:3", "/mnt/bon", "ext4");
    EXPECT_EQ(drivesOf(table), (std::vector<std::string>{"C / 3", "D /mnt/bon 3"}));
}

TEST(MountTable, OptionalFieldsBeforeTheDashAreSkipped)
{
    EXPECT_EQ(drivesOf("30 1 11:0 / /media/cd ro shared:3 master:1 propagate_from:2 - udf /dev/sr0 ro\n"),
              (std::vector<std::string>{"C / 3", "D /media/cd 5"}));
}

TEST(MountTable, LettersStayWithTheirMountPointsForTheRun)
{
    const std::string root = mount(1, "254:1", "/", "ext4");
    const std::string usb = mount(2, "8:1", "/media/usb", "vfat");
    const std::string cd = mount(3, "11:0", "/media/cd", "iso9660");
    drives::posix::GivenLetters given;
    const auto lettersOf = [&](const std::string& table) {
        return described(drives::posix::keepLetters(drives::posix::drivesFromMountInfo(table), given));
    };

    EXPECT_EQ(lettersOf(root + usb + cd), (std::vector<std::string>{"C / 3", "D /media/usb 2", "E /media/cd 5"}));
    // The stick taken out: the disc keeps E.
    EXPECT_EQ(lettersOf(root + cd), (std::vector<std::string>{"C / 3", "E /media/cd 5"}));
    // A new file system takes a letter never given; the stick put back gets D again.
    EXPECT_EQ(lettersOf(root + cd + mount(4, "0:70", "/mnt/neuf", "nfs") + usb),
              (std::vector<std::string>{"C / 3", "D /media/usb 2", "E /media/cd 5", "F /mnt/neuf 4"}));
}

TEST(MountTable, NoLetterIsGivenTwice)
{
    drives::posix::GivenLetters given;
    std::string table = mount(1, "254:1", "/", "ext4");
    for (int i = 0; i < 30; ++i) {
        const std::string line = mount(10 + i, "8:" + std::to_string(i), "/mnt/d" + std::to_string(i), "ext4");
        // Each new file system is mounted in place of the one before.
        const auto list = drives::posix::keepLetters(drives::posix::drivesFromMountInfo(table + line), given);
        // D to Z make 23 letters; after them the new file systems get none.
        if (i < 23) {
            ASSERT_EQ(list.size(), 2u) << i;
            EXPECT_EQ(list[1].letter, 'D' + i);
        } else {
            EXPECT_EQ(list.size(), 1u) << i;
        }
    }
}

// --- The drive list and the drive types ---

TEST(DriveList, EachRootIsFollowedByANulAndTheFinalNulIsNotCounted)
{
    const auto list = drives::posix::drivesFromMountInfo(desktopTable);
    const DriveRoots roots = drives::posix::listDriveRoots(list, 64);
    EXPECT_EQ(roots.length, 32);
    EXPECT_EQ(roots.text, std::string("C:\\\0D:\\\0E:\\\0F:\\\0G:\\\0H:\\\0I:\\\0J:\\\0", 32));
}

TEST(DriveList, AListThatDoesNotFitIsNotWrittenAndTheSizeNeededIsReported)
{
    const std::vector<Drive> list = {{'C', "/", 3}, {'D', "/media/cd", 5}};
    EXPECT_EQ(drives::posix::listDriveRoots(list, 9).length, 8);
    for (const std::int32_t capacity : {8, 1, 0, -5}) {
        const DriveRoots roots = drives::posix::listDriveRoots(list, capacity);
        EXPECT_EQ(roots.length, 9) << capacity;
        EXPECT_EQ(roots.text, "") << capacity;
    }
}

TEST(DriveList, TypeCodesByRootInEitherCase)
{
    const auto list = drives::posix::drivesFromMountInfo(desktopTable);
    const auto type = [&](const std::string& root) { return drives::posix::driveType(list, root); };
    EXPECT_EQ(type("C:\\"), 3);
    EXPECT_EQ(type("D:\\"), 3);
    EXPECT_EQ(type("E:\\"), 4);
    EXPECT_EQ(type("F:\\"), 5);
    EXPECT_EQ(type("f:\\"), 5);
    EXPECT_EQ(type("G:\\"), 5);
    EXPECT_EQ(type("H:\\"), 4);
    EXPECT_EQ(type("J:\\"), 5);
    // Not the root of a known drive.
    for (const std::string root : {"K:\\", "Z:\\", "F:", "F:/", "F:\\x", "", "/", "[:\\"})
        EXPECT_EQ(type(root), 1) << root;
}

// --- From program paths to files ---

class PathMapping : public ::testing::Test {
protected:
    PathMapping()
    {
        // A disc burned without long names: every name in lower case.
        disc = folder.path() / "disc";
        folder.makeFile("disc/bravo.bmp");
        folder.makeFile("disc/maindg/7.jpg");
        folder.makeFile("disc/visagedgfacile/13.jpg");
        folder.makeFile("disc/mainmvt/Photo.jpg");
        folder.makeFile("disc/mainmvt/photo.jpg");
        list = {{'C', "/", 3}, {'E', disc.string(), 5}};
    }
    ~PathMapping() override
    {
        std::error_code ignored;
        fs::current_path(startFolder, ignored);
    }
    std::string local(const std::string& path) const { return drives::posix::localPath(list, path); }

    const fs::path startFolder = fs::current_path();
    TempFolder folder;
    fs::path disc;
    std::vector<Drive> list;
};

TEST_F(PathMapping, ADriveLetterLeadsToItsMountPointInEitherCase)
{
    EXPECT_EQ(local("E:\\bravo.bmp"), disc / "bravo.bmp");
    EXPECT_EQ(local("e:\\bravo.bmp"), disc / "bravo.bmp");
    EXPECT_EQ(local("E:\\maindg\\7.jpg"), disc / "maindg" / "7.jpg");
}

TEST_F(PathMapping, NamesThatDifferOnlyInCaseAreFound)
{
    EXPECT_EQ(local("E:\\mainDG\\7.jpg"), disc / "maindg" / "7.jpg");
    EXPECT_EQ(local("E:\\VisageDGfacile\\13.JPG"), disc / "visagedgfacile" / "13.jpg");
    EXPECT_EQ(local("E:\\BRAVO.BMP"), disc / "bravo.bmp");
    // An exact name is taken first; among names that differ only in case the first in name order.
    EXPECT_EQ(local("E:\\mainMvt\\photo.jpg"), disc / "mainmvt" / "photo.jpg");
    EXPECT_EQ(local("E:\\mainMvt\\Photo.jpg"), disc / "mainmvt" / "Photo.jpg");
    EXPECT_EQ(local("E:\\mainMvt\\PHOTO.JPG"), disc / "mainmvt" / "Photo.jpg");
}

TEST_F(PathMapping, AnAbsoluteFolderStandsForTheDisc)
{
    const std::string head = disc.string();
    EXPECT_EQ(local(head + ":\\mainDG\\7.jpg"), disc / "maindg" / "7.jpg");
    EXPECT_EQ(local(head + "/:\\bravo.bmp"), disc / "bravo.bmp");
    EXPECT_EQ(local(head + ":\\\\mainDG\\\\7.jpg"), disc / "maindg" / "7.jpg");

    const fs::path blank = folder.makeFile("mon disque/bravo.bmp").parent_path();
    EXPECT_EQ(local(blank.string() + ":\\bravo.bmp"), blank / "bravo.bmp");
}

TEST_F(PathMapping, ARelativeFolderIsTakenFromTheWorkingFolder)
{
    fs::current_path(folder.path());
    EXPECT_EQ(local("disc:\\mainDG\\7.jpg"), disc / "maindg" / "7.jpg");
    EXPECT_EQ(local("./disc:\\bravo.bmp"), folder.path() / "." / "disc" / "bravo.bmp");

    // One letter that names no drive is a folder; a drive's letter wins over a folder.
    folder.makeFile("q/bravo.bmp");
    folder.makeFile("e/seul.bmp");
    EXPECT_EQ(local("q:\\bravo.bmp"), folder.path() / "q" / "bravo.bmp");
    EXPECT_EQ(local("e:\\seul.bmp"), "");
}

TEST_F(PathMapping, PathsThatNameNoFileFindNothing)
{
    for (const std::string path : {
             ":\\bravo.bmp",            // the answer was empty
             ":\\mainDG\\7.jpg",
             ":\\",
             "",
             "E",
             "E:bravo.bmp",
             "bravo.bmp",
             "E:\\manque.bmp",
             "E:\\mainDG\\21.jpg",
             "Z:\\bravo.bmp",           // neither a drive nor a folder
             "/nulle/part:\\bravo.bmp",
             "E:\\bravo.bmp\\7.jpg",    // through a file
             "E:\\",                    // folders are not files
             "E:\\mainDG",
             "E:\\mainDG\\",
         }) {
        EXPECT_NO_THROW(EXPECT_EQ(local(path), "") << path);
    }
    EXPECT_EQ(local(disc.string() + std::string("\0/x", 3) + ":\\bravo.bmp"), "");
}

// --- The machine's own table ---

TEST(MachineDrives, TheRootFolderIsDriveC)
{
    const DriveRoots roots = drives::listDriveRoots(1024);
    ASSERT_GE(roots.length, 4);
    EXPECT_EQ(roots.text.substr(0, 4), std::string("C:\\\0", 4));
    EXPECT_NE(drives::driveType("C:\\"), 1);
    EXPECT_EQ(drives::listDriveRoots(3).length, roots.length + 1);
}

TEST(MachineDrives, TheProbeGivesTheNameFoundOnDiskWithoutItsFolder)
{
    const TempFolder folder;
    folder.makeFile("maindg/7.jpg");
    const std::string head = folder.path().string();
    EXPECT_EQ(drives::probeFile(head + ":\\mainDG\\7.jpg"), "7.jpg");
    EXPECT_EQ(drives::probeFile(head + ":\\MAINDG\\7.JPG"), "7.jpg");
    EXPECT_EQ(drives::localPath(head + ":\\mainDG\\7.jpg"), folder.path() / "maindg" / "7.jpg");
    EXPECT_EQ(drives::probeFile(head + ":\\mainDG"), "");
    EXPECT_EQ(drives::probeFile(head + ":\\manque\\7.jpg"), "");
    EXPECT_EQ(drives::probeFile(":\\bravo.bmp"), "");
}

// --- Removable drives ---

// A stick is told by the folder the desktop mounts it in, or by the kernel's
// removable flag of its disk (sysfs: dev/block/MAJOR:MINOR leads to the
// device's folder, a partition's folder lies in its disk's). Optical discs
// stay CD-ROM drives wherever they are mounted.
TEST(RemovableDrives, AStickIsToldByItsMountFolderOrByTheKernelsFlag)
{
    const TempFolder sys;
    sys.makeFile("devices/sdb/removable", "1\n");
    sys.makeFile("devices/sdb/sdb1/partition", "1\n");
    sys.makeFile("devices/sda/removable", "0\n");
    sys.makeFile("devices/sda/sda1/partition", "1\n");
    fs::create_directories(sys.path() / "dev" / "block");
    for (const auto& [device, folder] : {std::pair{"8:16", "devices/sdb"}, std::pair{"8:17", "devices/sdb/sdb1"},
                                         std::pair{"8:0", "devices/sda"}, std::pair{"8:1", "devices/sda/sda1"}})
        fs::create_directory_symlink(sys.path() / folder, sys.path() / "dev" / "block" / device);
    const auto removable = [&](const std::string& device) { return drives::posix::removableInSysfs(sys.path(), device); };
    EXPECT_TRUE(removable("8:16"));
    EXPECT_TRUE(removable("8:17"));
    EXPECT_FALSE(removable("8:0"));
    EXPECT_FALSE(removable("8:1"));
    for (const std::string device : {"0:45", "", "..", "../../devices/sdb", "8:17/.."})
        EXPECT_FALSE(removable(device)) << device;

    const std::string table = mount(1, "8:1", "/", "ext4") + mount(2, "8:17", "/mnt/cle", "vfat") +
                              mount(3, "8:1", "/mnt/disque", "ext4", "/data") +
                              mount(4, "0:60", "/media/me/CLE", "exfat") +
                              mount(5, "0:61", "/run/media/me/AUTRE", "vfat") + mount(6, "0:62", "/media", "ext4") +
                              mount(7, "11:0", "/media/me/CD", "iso9660") + mount(8, "0:63", "/mediatheque", "ext4");
    EXPECT_EQ(described(drives::posix::drivesFromMountInfo(table, removable)),
              (std::vector<std::string>{"C / 3", "D /mnt/cle 2", "E /mnt/disque 3", "F /media/me/CLE 2",
                                        "G /run/media/me/AUTRE 2", "H /media 3", "I /media/me/CD 5",
                                        "J /mediatheque 3"}));
}

// The disc scan over a machine whose only copy of the disc is on a stick
// plugged in at a folder of its own, the kernel flagging its disk removable:
// the stick is the disc, with no question, and its pictures are found.
TEST(RemovableDrives, ACopyOnAStickIsTheDiscWithoutAQuestion)
{
    const TempFolder stick;
    stick.makeFile("bravo.bmp");
    const fs::path hand = stick.makeFile("mainDG/7.jpg");
    const std::string table = mount(1, "8:1", "/", "ext4") + mount(2, "11:0", "/mnt/cd-vide", "iso9660") +
                              mount(3, "8:17", stick.path().string(), "vfat");
    const auto list = drives::posix::drivesFromMountInfo(table, [](const std::string& device) { return device == "8:17"; });

    class Machine : public RecordingServices {
    public:
        Machine(ExerciseState& state, const std::vector<Drive>& drives) : RecordingServices(state), drives_(drives) {}
        DriveRoots listDriveRoots(std::int32_t capacity) override { return drives::posix::listDriveRoots(drives_, capacity); }
        std::int32_t driveType(const std::string& root) override { return drives::posix::driveType(drives_, root); }
        std::string probeFile(const std::string& path) override
        {
            return fs::path(drives::posix::localPath(drives_, path)).filename().string();
        }

    private:
        std::vector<Drive> drives_;
    };
    ExerciseState state;
    Machine machine(state, list);
    Form_Load(state, machine);

    for (const std::string& call : machine.calls)
        EXPECT_FALSE(call.starts_with("askText(")) << call;
    EXPECT_EQ(text(state.driveLetter), "E");
    EXPECT_EQ(text(state.cdLetters), "D ");
    EXPECT_EQ(drives::posix::localPath(list, picturePath(state.driveLetter, ":\\mainDG\\", 7)), hand.string());
}
