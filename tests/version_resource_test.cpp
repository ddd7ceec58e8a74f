// The resources of run.exe itself, read back by Windows as its Explorer shows
// them: the version information through the version calls, which must name
// the version the program says it is, and the program icon through the
// resource and icon calls. A program built without its resources, or with a
// resource script left at an older version, fails here.

#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// run.exe of this build, through the drive Wine gives the root folder.
const std::string runExe = "Z:" RUN_EXE;

class VersionResource : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string& path = runExe;
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        block.assign(size, 0);
        if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
            block.clear();
    }

    void SetUp() override { ASSERT_FALSE(block.empty()) << "no version information in " << runExe; }

    // The value under the key, with its length as the version calls count it.
    static std::pair<const void*, UINT> query(const std::string& key)
    {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), key.c_str(), &value, &length))
            return {nullptr, 0};
        return {value, length};
    }

    static std::string stringValue(const std::string& name)
    {
        const auto [value, length] = query("\\StringFileInfo\\040904B0\\" + name);
        return value ? std::string(static_cast<const char*>(value)) : "(missing)";
    }

    static inline std::vector<char> block;
};

} // namespace

TEST_F(VersionResource, NamesTheProductAndTheVersionTheProgramSays)
{
    const std::string version(programVersion());
    EXPECT_EQ(stringValue("ProductName"), "Tavrel");
    EXPECT_EQ(stringValue("FileVersion"), version);
    EXPECT_EQ(stringValue("ProductVersion"), version);
    EXPECT_EQ(stringValue("InternalName"), "run");
    EXPECT_EQ(stringValue("OriginalFilename"), "run.exe");
    EXPECT_EQ(stringValue("CompanyName").size(), 1u);
}

TEST_F(VersionResource, FixedPartIsVersionOneOfAWindowsApplication)
{
    const auto [value, length] = query("\\");
    ASSERT_NE(value, nullptr);
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // "1.00" is 1.0.0.0, "1.02" would be 1.2.0.0.
    const std::string version(programVersion());
    const auto dot = version.find('.');
    const DWORD major = static_cast<DWORD>(std::stoul(version.substr(0, dot)));
    const DWORD minor = static_cast<DWORD>(std::stoul(version.substr(dot + 1)));
    EXPECT_EQ(fixed->dwFileVersionMS, major << 16 | minor);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, major << 16 | minor);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionResource, TranslationIsUsEnglishInUnicode)
{
    const auto [value, length] = query("\\VarFileInfo\\Translation");
    ASSERT_NE(value, nullptr);
    ASSERT_EQ(length, 4u);
    const auto* pair = static_cast<const WORD*>(value);
    EXPECT_EQ(pair[0], 0x0409);
    EXPECT_EQ(pair[1], 1200);
}

// Windows picks the image of the icon group that suits each size and colour
// depth, and makes an icon of it.
TEST(ProgramIcon, GroupOneGivesAnIconForEachSize)
{
    const HMODULE self = LoadLibraryExA(runExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(self, nullptr) << runExe;
    const HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));
    ASSERT_NE(found, nullptr) << "no icon group 1";
    auto* group = static_cast<BYTE*>(LockResource(LoadResource(self, found)));
    ASSERT_NE(group, nullptr);

    struct Pick {
        int size;
        UINT flags;
        int id;
    };
    for (const Pick pick : {Pick{32, LR_DEFAULTCOLOR, 30002}, Pick{16, LR_DEFAULTCOLOR, 30003},
                            Pick{32, LR_MONOCHROME, 30001}}) {
        SCOPED_TRACE(pick.id);
        const int id = LookupIconIdFromDirectoryEx(group, TRUE, pick.size, pick.size, pick.flags);
        EXPECT_EQ(id, pick.id);

        const HRSRC image = FindResourceA(self, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));
        ASSERT_NE(image, nullptr);
        auto* bits = static_cast<BYTE*>(LockResource(LoadResource(self, image)));
        const HICON icon = CreateIconFromResourceEx(bits, SizeofResource(self, image), TRUE, 0x00030000, pick.size,
                                                    pick.size, pick.flags);
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP mask{};
        ASSERT_NE(GetObjectA(info.hbmMask, sizeof mask, &mask), 0);
        EXPECT_EQ(mask.bmWidth, pick.size);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    FreeLibrary(self);
}
