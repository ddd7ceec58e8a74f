// The program's command line where there are no drive letters: a folder as
// the disc's root, checked through the drive layer as the window will read it.

#include "app/command_line.h"
#include "disc/drives.h"
#include "disc/layout.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

CommandLine read(const std::string& argument) { return readCommandLine({"/usr/bin/tavrel", argument}); }

} // namespace

// A disc burned without long-name extensions shows its names in capitals.
TEST(CommandLine, AFolderHoldingTheMarkerIsTheRootOfEveryPicturePath)
{
    const TempFolder outer;
    for (const std::string name : {"disque", "Disque de démonstration — copie"}) {
        const std::string marker = name == "disque" ? "bravo.bmp" : "BRAVO.BMP";
        outer.makeFile(name + "/" + marker);
        const std::filesystem::path picture = outer.makeFile(name + "/mainDG/7.jpg");
        const std::string folder = (outer.path() / name).string();

        const CommandLine command = read(folder);
        EXPECT_TRUE(command.startWindow) << folder;
        ASSERT_EQ(command.discFolder, std::optional<std::string>(folder));
        EXPECT_EQ(drives::localPath(picturePath(*command.discFolder, ":\\mainDG\\", 7)), picture.string());
    }
}

TEST(CommandLine, AFolderWithoutTheMarkerIsRefusedBeforeTheWindowOpens)
{
    const TempFolder notADisc;
    notADisc.makeFile("mainDG/7.jpg");
    notADisc.makeFile("sous-dossier/bravo.bmp");
    std::filesystem::create_directories(notADisc.path() / "dossier" / "bravo.bmp"); // a folder, not the picture

    for (const std::string& argument : {notADisc.path().string(), (notADisc.path() / "dossier").string(),
                                        (notADisc.path() / "absent").string(), std::string()}) {
        const CommandLine command = read(argument);
        EXPECT_FALSE(command.startWindow) << argument;
        EXPECT_EQ(command.exitStatus, 1) << argument;
        EXPECT_EQ(command.message,
                  "« " + argument + " » ne contient pas le fichier bravo.bmp : ce n'est pas la racine d'un disque d'images.");
    }
}

TEST(CommandLine, NoArgumentScansHelpAndVersionAnswerAnythingElseIsAMisuse)
{
    EXPECT_TRUE(readCommandLine({"tavrel"}).startWindow);
    EXPECT_FALSE(readCommandLine({"tavrel"}).discFolder);

    // The licence in both languages, for a program that may be passed on.
    const CommandLine version = read("--version");
    EXPECT_TRUE(version.message.starts_with("Tavrel 1.00\n")) << version.message;
    EXPECT_NE(version.message.find("Licence GNU GPL version 3 ou ultérieure"), std::string::npos);
    EXPECT_NE(version.message.find("License GNU GPL version 3 or later"), std::string::npos);
    // The usage names the program as it was started.
    const CommandLine help = readCommandLine({"build/app/run", "--help"});
    EXPECT_TRUE(help.message.starts_with("Utilisation : run [DOSSIER]\n")) << help.message;
    for (const CommandLine& answer : {version, help}) {
        EXPECT_FALSE(answer.startWindow);
        EXPECT_EQ(answer.exitStatus, 0);
    }

    const CommandLine option = read("--dossier");
    EXPECT_EQ(option.message, "Option inconnue : --dossier\nUtilisation : tavrel [DOSSIER] ; tavrel --help pour l'aide.");
    const CommandLine twice = readCommandLine({"tavrel", "/media/cd", "/media/cd"});
    EXPECT_TRUE(twice.message.starts_with("Trop d'arguments : un seul DOSSIER est attendu.\n")) << twice.message;
    const CommandLine twiceAfterDashes = readCommandLine({"tavrel", "--", "/media/cd", "--help"});
    for (const CommandLine& misuse : {option, twice, twiceAfterDashes}) {
        EXPECT_FALSE(misuse.startWindow);
        EXPECT_EQ(misuse.exitStatus, 2);
    }
}

// After "--" a folder may begin with a dash; a drive that does not answer in
// time is told apart from a folder that is no disc.
TEST(CommandLine, DashesEndTheOptionsAndAStalledDriveIsToldAsSuch)
{
    const TempFolder outer;
    outer.makeFile("-disque/bravo.bmp");
    const std::string folder = (outer.path() / "-disque").string();
    const CommandLine dashed = readCommandLine({"tavrel", "--", folder});
    EXPECT_TRUE(dashed.startWindow);
    EXPECT_EQ(dashed.discFolder, std::optional<std::string>(folder));
    EXPECT_EQ(readCommandLine({"tavrel", "--"}).discFolder, std::nullopt);
    EXPECT_TRUE(readCommandLine({"tavrel", "--"}).startWindow);

    std::vector<std::string> probed;
    const CommandLine stalled = readCommandLine({"tavrel", "E:"}, [&](const std::string& path) {
        probed.push_back(path);
        return std::optional<std::string>();
    });
    EXPECT_EQ(probed, std::vector<std::string>{"E:\\bravo.bmp"});
    EXPECT_FALSE(stalled.startWindow);
    EXPECT_EQ(stalled.exitStatus, 1);
    EXPECT_EQ(stalled.message, "Le lecteur de « E: » ne répond pas. Vérifiez que le disque ou la clé est bien en "
                               "place, puis démarrez de nouveau le programme.");
}

// The results folder for one run, and the printable report written without a
// window; their misuses are told apart.
TEST(CommandLine, ResultsFolderAndReportOptions)
{
    const CommandLine shared = readCommandLine({"tavrel", "--resultats", "/srv/cabinet/Zoé"});
    EXPECT_TRUE(shared.startWindow);
    EXPECT_EQ(shared.resultsFolder, std::optional<std::string>("/srv/cabinet/Zoé"));
    EXPECT_FALSE(shared.discFolder);
    EXPECT_FALSE(shared.report);

    for (const auto& arguments : {std::vector<std::string>{"run.exe", "--bilan", "b.html", "--patient", "Zoé L",
                                                           "--resultats", "R:\\cabinet"},
                                  std::vector<std::string>{"run.exe", "--resultats", "R:\\cabinet", "--patient",
                                                           "Zoé L", "--bilan", "b.html"}}) {
        const CommandLine report = readCommandLine(arguments);
        EXPECT_FALSE(report.startWindow);
        EXPECT_EQ(report.exitStatus, 0);
        EXPECT_EQ(report.report, (std::optional<ReportOrder>(ReportOrder{"b.html", "Zoé L"})));
        EXPECT_EQ(report.resultsFolder, std::optional<std::string>("R:\\cabinet"));
    }

    const std::vector<std::pair<std::vector<std::string>, std::string>> misuses = {
        {{"tavrel", "--bilan", "b.html"}, "--bilan demande le nom du patient : --patient NOM."},
        {{"tavrel", "--patient", "Zoé"}, "--patient ne sert qu'avec --bilan FICHIER.html."},
        {{"tavrel", "--resultats"}, "L'option --resultats attend une valeur."},
        {{"tavrel", "--bilan", "", "--patient", "Zoé"}, "L'option --bilan attend une valeur."},
        {{"tavrel", "--resultats", "a", "--resultats", "b"}, "L'option --resultats est donnée deux fois."},
        {{"tavrel", "--bilan", "b.html", "--patient", "Zoé", "/media/cd"},
         "--bilan ne prend pas de DOSSIER du disque d'images."},
    };
    for (const auto& [arguments, message] : misuses) {
        const CommandLine misuse = readCommandLine(arguments);
        EXPECT_FALSE(misuse.startWindow);
        EXPECT_EQ(misuse.exitStatus, 2);
        EXPECT_TRUE(misuse.message.starts_with(message + "\nUtilisation : tavrel [DOSSIER]")) << misuse.message;
    }
}
