// The mapping of a program path HEAD:\rest to a file, over drives read from a
// mount table: whatever the path and the table, the answer is empty text or
// an absolute path of an existing regular file whose name matches the last
// name of the path, and probing the same path twice gives the same answer.
//
// The input is the path up to its first newline, then the mount table. The
// table's mount points, and the working folder for relative heads, lie in a
// small disc tree made in a temporary folder at start-up: a disc, a copy with
// lower-case names, a folder with blanks and accents, a directory named like
// a picture, an unreadable folder and a symbolic link loop.

#include "disc/mount_table.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using drives::posix::Drive;

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

class DiscTree {
public:
    DiscTree()
    {
        std::string pattern = (fs::temp_directory_path() / "tavrel-fuzz-XXXXXX").string();
        require(mkdtemp(pattern.data()) != nullptr, "a temporary folder");
        root_ = pattern;
        for (const char* file :
             {"media/cdrom/bravo.bmp", "media/cdrom/mainDG/7.jpg", "media/cdrom/VisageDGfacile/1.jpg",
              "media/cdrom/PatientDG/12.jpg", "media/copie/bravo.bmp", "media/copie/maindg/7.jpg",
              "media/copie/visagedgfacile/1.jpg", "media/copie/Mainmvt/3.jpg", "media/copie/mainmvt/3.jpg",
              "Mes disques/Copie été/bravo.bmp", "Mes disques/Copie été/piedDG/20.jpg", "locked/bravo.bmp"}) {
            fs::create_directories((root_ / file).parent_path());
            std::ofstream(root_ / file) << "x";
        }
        fs::create_directories(root_ / "media/cdrom/piedDG/7.jpg");
        fs::create_symlink("loop", root_ / "media/loop");
        chmod((root_ / "locked").c_str(), 0);
        // Relative heads are taken from the working folder.
        fs::current_path(root_);
    }
    ~DiscTree()
    {
        std::error_code ignored;
        chmod((root_ / "locked").c_str(), 0700);
        fs::remove_all(root_, ignored);
    }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

const DiscTree& tree()
{
    static const DiscTree disc;
    return disc;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The last name of the rest of the path, as the mapping splits it.
std::string lastName(std::string_view rest)
{
    std::string name;
    std::string current;
    for (char c : rest) {
        if (c == '\\' || c == '/') {
            if (!current.empty())
                name = current;
            current.clear();
        } else {
            current += c;
        }
    }
    return current.empty() ? name : current;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tree();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string path(input.substr(0, newline));
    const std::string_view table = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    std::vector<Drive> drives = drives::posix::drivesFromMountInfo(table);
    for (Drive& drive : drives)
        drive.mountPoint = (tree().root() / fs::path(drive.mountPoint).relative_path()).string();

    const std::string file = drives::posix::localPath(drives, path);
    require(file == drives::posix::localPath(drives, path), "the same answer twice");
    if (file.empty())
        return 0;

    const fs::path found(file);
    std::error_code error;
    require(found.is_absolute(), "an absolute path");
    require(fs::is_regular_file(found, error), "an existing regular file");
    const std::size_t colon = path.find(":\\");
    require(colon != std::string::npos && colon > 0, "only a path HEAD:\\rest names a file");
    const std::string name = lastName(std::string_view(path).substr(colon + 2));
    const std::string foundName = found.filename().string();
    // "." and ".." name the folder they stand in, which is no file.
    require(sameIgnoringCase(foundName, name), "the file bears the path's last name, up to letter case");
    return 0;
}
