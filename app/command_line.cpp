#include "app/command_line.h"

#include "disc/drives.h"
#include "disc/layout.h"

namespace {

#ifdef _WIN32
// Windows takes every path as it stands, so a disc is found only at the root
// of a drive: the argument names that drive.
constexpr std::string_view argumentName = "LECTEUR";
constexpr std::string_view argumentMeaning =
    "LECTEUR : la lettre du lecteur qui contient le disque d'images (E ou E:), que le\n"
    "programme prend sans poser de question. Le fichier bravo.bmp doit se trouver à\n"
    "sa racine.";
#else
constexpr std::string_view argumentName = "DOSSIER";
constexpr std::string_view argumentMeaning =
    "DOSSIER : le dossier du disque d'images (un dossier où le disque a été copié, ou\n"
    "son point de montage), que le programme prend sans poser de question. Le fichier\n"
    "bravo.bmp doit s'y trouver.";
#endif

// The program's file name without its folder and without ".exe", as the
// user typed it: tavrel, run or run.exe.
std::string programName(const std::vector<std::string>& arguments)
{
    if (arguments.empty() || arguments[0].empty())
        return "tavrel";
    std::string name = arguments[0].substr(arguments[0].find_last_of("/\\") + 1);
    if (name.size() > 4) {
        std::string ending = name.substr(name.size() - 4);
        for (char& c : ending)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (ending == ".exe")
            name.resize(name.size() - 4);
    }
    return name;
}

std::string usageLine(const std::string& program)
{
    return "Utilisation : " + program + " [" + std::string(argumentName) + "]";
}

std::string help(const std::string& program)
{
    const std::string indent(std::string_view("Utilisation : ").size(), ' ');
    return usageLine(program) + "\n" + indent + program + " --resultats DOSSIER_RESULTATS [" +
           std::string(argumentName) + "]\n" + indent + program +
           " --bilan FICHIER.html --patient NOM [--resultats DOSSIER_RESULTATS]\n"
           "Tavrel, rééducation par l'imagerie mentale dans la douleur chronique.\n"
           "\n"
           "Sans argument, le programme cherche son disque d'images (le fichier bravo.bmp\n"
           "à la racine d'un lecteur de CD) et demande la lettre du lecteur quand il ne le\n"
           "trouve pas.\n" +
           std::string(argumentMeaning) +
           "\n"
           "\n"
           "  --resultats DOSSIER_RESULTATS\n"
           "             garde les résultats dans ce dossier pendant cette séance (un dossier\n"
           "             partagé par le cabinet, ou tenu à jour par un service de\n"
           "             synchronisation) au lieu du dossier choisi dans la fenêtre des\n"
           "             résultats\n"
           "  --bilan FICHIER.html --patient NOM\n"
           "             écrit le bilan imprimable du patient dans FICHIER.html, sans\n"
           "             ouvrir de fenêtre, et termine\n"
           "  --help     affiche cette aide et termine\n"
           "  --version  affiche la version et termine";
}

// Ends before the window opens, with the message and the status.
CommandLine endWith(std::string message, int status)
{
    return {false, std::nullopt, std::nullopt, std::nullopt, std::move(message), status};
}

CommandLine misuse(const std::string& what, const std::string& program)
{
    return endWith(what + "\n" + usageLine(program) + " ; " + program + " --help pour l'aide.", 2);
}

// A drive's root written with its colon, E: or E:\, stands for its letter,
// which is what heads the paths into the disc.
std::string discHead(const std::string& argument)
{
    const bool driveRoot = (argument.size() == 2 || (argument.size() == 3 && (argument[2] == '\\' || argument[2] == '/'))) &&
                           argument[1] == ':' &&
                           ((argument[0] >= 'A' && argument[0] <= 'Z') || (argument[0] >= 'a' && argument[0] <= 'z'));
    return driveRoot ? argument.substr(0, 1) : argument;
}

} // namespace

std::string_view programVersion() { return TAVREL_VERSION; }

CommandLine readCommandLine(const std::vector<std::string>& arguments)
{
    const std::string program = programName(arguments);
    std::vector<std::string> folders;
    std::optional<std::string> resultsFolder;
    std::optional<std::string> reportFile;
    std::optional<std::string> patient;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help")
            return endWith(help(program), 0);
        if (argument == "--version")
            return endWith("Tavrel " + std::string(programVersion()), 0);
        if (argument == "--resultats" || argument == "--bilan" || argument == "--patient") {
            std::optional<std::string>& value =
                argument == "--resultats" ? resultsFolder : argument == "--bilan" ? reportFile : patient;
            if (i + 1 >= arguments.size() || arguments[i + 1].empty())
                return misuse("L'option " + argument + " attend une valeur.", program);
            if (value)
                return misuse("L'option " + argument + " est donnée deux fois.", program);
            value = arguments[++i];
        } else if (argument.starts_with("-")) {
            return misuse("Option inconnue : " + argument, program);
        } else {
            folders.push_back(argument);
        }
    }
    if (reportFile || patient) {
        if (!reportFile)
            return misuse("--patient ne sert qu'avec --bilan FICHIER.html.", program);
        if (!patient)
            return misuse("--bilan demande le nom du patient : --patient NOM.", program);
        if (!folders.empty())
            return misuse("--bilan ne prend pas de " + std::string(argumentName) + " du disque d'images.", program);
        CommandLine command = endWith({}, 0);
        command.resultsFolder = resultsFolder;
        command.report = ReportOrder{*reportFile, *patient};
        return command;
    }
    if (folders.size() > 1)
        return misuse("Trop d'arguments : un seul " + std::string(argumentName) + " est attendu.", program);
    if (folders.empty())
        return {true, std::nullopt, resultsFolder, std::nullopt, {}, 0};

    const std::string& argument = folders.front();
    const std::string head = discHead(argument);
    // The marker is looked up as the disc scan would look it up under a
    // typed answer, so that the window later finds every picture there.
    if (drives::localPath(closingPicturePath(head)).empty())
        return endWith("« " + argument +
                           " » ne contient pas le fichier bravo.bmp : ce n'est pas la racine d'un disque d'images.",
                       1);
    return {true, head, resultsFolder, std::nullopt, {}, 0};
}
