// The program's command line where there are no drive letters: a folder as
// the disc's root, checked through the drive layer as the window will read it.

#include "app/command_line.h"
#include "disc/drives.h"
#include "disc/layout.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CommandLine read(const std::string& argument) { return readCommandLine({"/usr/bin/tavrel", argument}); }

} // namespace

TEST(CommandLine, WithoutArgumentsTheWindowLooksForTheDiscItself)
{
    for (const CommandLine& command : {readCommandLine({"/usr/bin/tavrel"}), readCommandLine({})}) {
        EXPECT_TRUE(command.startWindow);
        EXPECT_FALSE(command.discFolder);
        EXPECT_EQ(command.exitStatus, 0);
    }
}

TEST(CommandLine, AFolderHoldingTheMarkerIsTheDiscsRootForEveryPicture)
{
    const TempFolder disc;
    disc.makeFile("bravo.bmp");
    disc.makeFile("mainDG/7.jpg");

    const CommandLine command = read(disc.path().string());
    EXPECT_TRUE(command.startWindow);
    ASSERT_TRUE(command.discFolder);
    EXPECT_EQ(*command.discFolder, disc.path().string());
    EXPECT_EQ(drives::localPath(picturePath(*command.discFolder, ":\\mainDG\\", 7)), (disc.path() / "mainDG/7.jpg").string());
}

TEST(CommandLine, AFolderWithBlanksAndAccentsIsTakenByteForByte)
{
    const TempFolder outer;
    // A disc burned without long-name extensions shows its marker in capitals.
    const std::string folder = (outer.path() / "Disque de démonstration — copie").string();
    outer.makeFile("Disque de démonstration — copie/BRAVO.BMP");
    outer.makeFile("Disque de démonstration — copie/piedDGfacile/12.jpg");

    const CommandLine command = read(folder);
    EXPECT_TRUE(command.startWindow);
    ASSERT_TRUE(command.discFolder);
    EXPECT_EQ(*command.discFolder, folder);
    EXPECT_FALSE(drives::localPath(picturePath(*command.discFolder, ":\\piedDGfacile\\", 12)).empty());
}

TEST(CommandLine, AFolderWithoutTheMarkerIsRefusedBeforeTheWindowOpens)
{
    const TempFolder notADisc;
    notADisc.makeFile("mainDG/7.jpg");
    notADisc.makeFile("bravo.bmp.jpg");
    notADisc.makeFile("sous-dossier/bravo.bmp");
    std::filesystem::create_directory(notADisc.path() / "dossier");
    std::filesystem::create_directory(notADisc.path() / "dossier" / "bravo.bmp"); // a folder, not the picture

    for (const std::string& argument :
         {notADisc.path().string(), (notADisc.path() / "dossier").string(), (notADisc.path() / "absent").string(),
          std::string()}) {
        const CommandLine command = read(argument);
        EXPECT_FALSE(command.startWindow) << argument;
        EXPECT_FALSE(command.discFolder) << argument;
        EXPECT_EQ(command.exitStatus, 1) << argument;
        EXPECT_EQ(command.message,
                  "« " + argument + " » ne contient pas le fichier bravo.bmp : ce n'est pas la racine d'un disque d'images.");
    }
}

TEST(CommandLine, HelpAndVersionAnswerInFrenchAndEndWell)
{
    const CommandLine help = readCommandLine({"/usr/bin/tavrel", "--help"});
    EXPECT_FALSE(help.startWindow);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.message.starts_with("Utilisation : tavrel [DOSSIER]\n")) << help.message;
    for (const char* part : {"DOSSIER : le dossier du disque d'images", "bravo.bmp", "--help", "--version"})
        EXPECT_NE(help.message.find(part), std::string::npos) << part;
    // The name the program was started by.
    EXPECT_TRUE(readCommandLine({"build/app/run", "--help"}).message.starts_with("Utilisation : run [DOSSIER]"));

    const CommandLine version = readCommandLine({"tavrel", "--version"});
    EXPECT_FALSE(version.startWindow);
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.message, "Tavrel 1.00");
    EXPECT_EQ(programVersion(), "1.00");
}

TEST(CommandLine, AnUnknownOptionOrASecondArgumentIsAMisuse)
{
    const TempFolder disc;
    disc.makeFile("bravo.bmp");

    const CommandLine option = read("--dossier");
    EXPECT_FALSE(option.startWindow);
    EXPECT_EQ(option.exitStatus, 2);
    EXPECT_EQ(option.message,
              "Option inconnue : --dossier\nUtilisation : tavrel [DOSSIER] ; tavrel --help pour l'aide.");

    for (const CommandLine& command : {readCommandLine({"tavrel", disc.path().string(), disc.path().string()}),
                                       readCommandLine({"tavrel", "--help", "--version"})}) {
        EXPECT_FALSE(command.startWindow);
        EXPECT_EQ(command.exitStatus, 2);
        EXPECT_TRUE(command.message.starts_with("Trop d'arguments : un seul DOSSIER est attendu.\n")) << command.message;
    }
}
