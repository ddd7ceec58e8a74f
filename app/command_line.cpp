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
    return usageLine(program) +
           "\n"
           "Tavrel, rééducation par l'imagerie mentale dans la douleur chronique.\n"
           "\n"
           "Sans argument, le programme cherche son disque d'images (le fichier bravo.bmp\n"
           "à la racine d'un lecteur de CD) et demande la lettre du lecteur quand il ne le\n"
           "trouve pas.\n" +
           std::string(argumentMeaning) +
           "\n"
           "\n"
           "  --help     affiche cette aide et termine\n"
           "  --version  affiche la version et termine";
}

// Ends before the window opens, with the message and the status.
CommandLine endWith(std::string message, int status)
{
    return {false, std::nullopt, std::move(message), status};
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
    if (arguments.size() <= 1)
        return {};
    if (arguments.size() > 2)
        return misuse("Trop d'arguments : un seul " + std::string(argumentName) + " est attendu.", program);

    const std::string& argument = arguments[1];
    if (argument == "--help")
        return endWith(help(program), 0);
    if (argument == "--version")
        return endWith("Tavrel " + std::string(programVersion()), 0);
    if (argument.starts_with("-"))
        return misuse("Option inconnue : " + argument, program);

    const std::string head = discHead(argument);
    // The marker is looked up as the disc scan would look it up under a
    // typed answer, so that the window later finds every picture there.
    if (drives::localPath(closingPicturePath(head)).empty())
        return endWith("« " + argument +
                           " » ne contient pas le fichier bravo.bmp : ce n'est pas la racine d'un disque d'images.",
                       1);
    return {true, head, {}, 0};
}
