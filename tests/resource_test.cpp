// The Windows resource script, compiled by the MinGW resource compiler into a
// .res file and read back, here where no Windows reads it: the resources it
// holds, and the program icon's images as Windows and the icon file need
// them. The version information is read from run.exe itself, by Windows, in
// version_resource_test.cpp.

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t rtIcon = 3;
constexpr std::uint16_t rtGroupIcon = 14;
constexpr std::uint16_t rtVersion = 16;

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint16_t word(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8); }
std::uint32_t dword(const Bytes& b, std::size_t at) { return word(b, at) | static_cast<std::uint32_t>(word(b, at + 2)) << 16; }
std::size_t align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

// A UTF-16 text of Latin letters, read up to its NUL; the position after it.
std::string text16(const Bytes& b, std::size_t& at)
{
    std::string s;
    for (std::uint16_t c; (c = word(b, at)) != 0; at += 2)
        s += static_cast<char>(c);
    at += 2;
    return s;
}

struct Resource {
    std::optional<std::uint16_t> type, name; // empty when given as a text
    std::uint16_t language;
    Bytes data;
};

// A name or type: FFFF and a number, or a text.
std::optional<std::uint16_t> ordinal(const Bytes& b, std::size_t& at)
{
    if (word(b, at) == 0xFFFF) {
        at += 4;
        return word(b, at - 2);
    }
    text16(b, at);
    return std::nullopt;
}

// The entries of a .res file, after the empty one it begins with.
std::vector<Resource> readResources(const Bytes& file)
{
    std::vector<Resource> resources;
    for (std::size_t at = 0; at + 8 <= file.size();) {
        const std::uint32_t dataSize = dword(file, at);
        const std::uint32_t headerSize = dword(file, at + 4);
        std::size_t field = at + 8;
        Resource r;
        r.type = ordinal(file, field);
        r.name = ordinal(file, field);
        field = align4(field);
        r.language = word(file, field + 6);
        const auto data = file.begin() + static_cast<std::ptrdiff_t>(at + headerSize);
        r.data.assign(data, data + dataSize);
        if (at > 0)
            resources.push_back(std::move(r));
        at = align4(at + headerSize + dataSize);
    }
    return resources;
}

class ResourceScriptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Each test runs in a process of its own, and several at once: each
        // compiles into a folder of its own.
        const TempFolder folder;
        const std::string compiled = (folder.path() / "run.res").string();
        const std::string command = std::string("\"") + WINDRES + "\" --include-dir \"" + ICON_DIR + "\" -O res -o \"" +
                                    compiled + "\" \"" + RESOURCE_SCRIPT + "\"";
        compileStatus = std::system(command.c_str());
        resources = readResources(readFile(compiled));
    }

    void SetUp() override { ASSERT_EQ(compileStatus, 0) << "the resource compiler failed: " << WINDRES; }

    static const Resource* find(std::uint16_t type, std::uint16_t name)
    {
        for (const Resource& r : resources) {
            if (r.type == type && r.name == name)
                return &r;
        }
        return nullptr;
    }

    static inline int compileStatus = -1;
    static inline std::vector<Resource> resources;
};

} // namespace

TEST_F(ResourceScriptTest, HoldsTheVersionTheThreeIconImagesAndTheIconGroup)
{
    std::vector<std::pair<int, int>> found;
    for (const Resource& r : resources) {
        ASSERT_TRUE(r.type && r.name) << "a resource named by a text";
        found.emplace_back(*r.type, *r.name);
    }
    std::ranges::sort(found);
    EXPECT_EQ(found, (std::vector<std::pair<int, int>>{
                         {rtIcon, 30001}, {rtIcon, 30002}, {rtIcon, 30003}, {rtGroupIcon, 1}, {rtVersion, 1}}));
}

TEST_F(ResourceScriptTest, IconGroupOneListsTheThreeImages)
{
    const Resource* group = find(rtGroupIcon, 1);
    ASSERT_NE(group, nullptr);
    const Bytes& g = group->data;
    EXPECT_EQ(word(g, 0), 0);
    EXPECT_EQ(word(g, 2), 1) << "icons, not cursors";
    ASSERT_EQ(word(g, 4), 3);
    ASSERT_EQ(g.size(), 6u + 3 * 14);

    struct Image {
        int id, size, colours, bits;
    };
    const Image expected[] = {{30001, 32, 2, 1}, {30002, 32, 16, 4}, {30003, 16, 16, 4}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].id);
        const std::size_t entry = 6 + 14 * static_cast<std::size_t>(i);
        EXPECT_EQ(word(g, entry + 12), expected[i].id);
        EXPECT_EQ(g[entry], expected[i].size);
        EXPECT_EQ(g[entry + 1], expected[i].size);
        EXPECT_EQ(g[entry + 2], expected[i].colours);
        EXPECT_EQ(word(g, entry + 4), 1) << "planes";
        EXPECT_EQ(word(g, entry + 6), expected[i].bits);

        // The image itself: a bitmap header of twice the height (colours
        // and mask), then its palette, pixels and mask.
        const Resource* icon = find(rtIcon, static_cast<std::uint16_t>(expected[i].id));
        ASSERT_NE(icon, nullptr);
        const Bytes& d = icon->data;
        EXPECT_EQ(dword(g, entry + 8), d.size());
        ASSERT_GE(d.size(), 40u);
        EXPECT_EQ(dword(d, 0), 40u);
        EXPECT_EQ(dword(d, 4), static_cast<std::uint32_t>(expected[i].size));
        EXPECT_EQ(dword(d, 8), static_cast<std::uint32_t>(2 * expected[i].size));
        EXPECT_EQ(word(d, 14), expected[i].bits);
        const std::size_t colourRow = (expected[i].size * expected[i].bits + 31) / 32 * 4;
        const std::size_t maskRow = (expected[i].size + 31) / 32 * 4;
        EXPECT_EQ(d.size(), 40 + 4u * expected[i].colours + (colourRow + maskRow) * expected[i].size);
    }
}

// The icon file the window loads holds the same three images.
TEST_F(ResourceScriptTest, IconFileMatchesTheIconResources)
{
    const Bytes ico = readFile(std::string(ICON_DIR) + "/run.ico");
    const Resource* group = find(rtGroupIcon, 1);
    ASSERT_NE(group, nullptr);
    ASSERT_GE(ico.size(), 6u + 3 * 16);
    EXPECT_EQ(word(ico, 2), 1);
    ASSERT_EQ(word(ico, 4), 3);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t entry = 6 + 16 * i;
        const std::size_t groupEntry = 6 + 14 * i;
        // The same directory entry, then where the image lies in the file.
        EXPECT_TRUE(std::equal(ico.begin() + static_cast<std::ptrdiff_t>(entry),
                               ico.begin() + static_cast<std::ptrdiff_t>(entry + 12),
                               group->data.begin() + static_cast<std::ptrdiff_t>(groupEntry)));
        const Resource* icon = find(rtIcon, word(group->data, groupEntry + 12));
        ASSERT_NE(icon, nullptr);
        const std::size_t offset = dword(ico, entry + 12);
        ASSERT_LE(offset + icon->data.size(), ico.size());
        EXPECT_TRUE(std::equal(icon->data.begin(), icon->data.end(), ico.begin() + static_cast<std::ptrdiff_t>(offset)));
    }
}
