#include "app/command_line.h"

#include "disc/disc_reader.h"
#include "disc/layout.h"
#include "ui/desktop_services.h"

namespace {

constexpr std::string_view argumentName = "DOSSIER";

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
           "à la racine d'un lecteur de CD, puis d'une clé USB) et demande la lettre du\n"
           "lecteur quand il ne le trouve pas.\n"
           "\n"
           "DOSSIER : le dossier du disque d'images, que le programme prend sans poser de\n"
           "question : un dossier où le disque a été copié, ou la racine de son lecteur\n"
           "(comme E:). Le fichier bravo.bmp doit s'y trouver.\n"
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
           "  --version  affiche la version et la licence, et termine\n"
           "  --         termine les options : ce qui suit est le DOSSIER, même s'il\n"
           "             commence par un tiret";
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

std::optional<std::string> probeWithStartupLimit(const std::string& path)
{
    // The reader's thread may stay stuck in a stalled drive: it is left to
    // end with the process.
    DiscReader reader(nullptr, [] {});
    return reader.probe(path, DesktopServices::startupProbeLimit);
}

std::string_view programVersion() { return TAVREL_VERSION; }

std::string versionNotice(std::string_view programName)
{
    return std::string(programName) + " " + std::string(programVersion()) +
           "\n"
           "Copyright © 2026 les développeurs de Tavrel, équipe de Valbrune.\n"
           "Licence GNU GPL version 3 ou ultérieure <https://www.gnu.org/licenses/gpl.html>.\n"
           "Ce programme est un logiciel libre : vous pouvez le copier, le modifier et le\n"
           "redistribuer selon les termes de cette licence. Il est fourni sans aucune\n"
           "garantie, dans la mesure permise par la loi.\n"
           "\n"
           "License GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl.html>.\n"
           "This is free software: you are free to change and redistribute it under the\n"
           "terms of that licence. There is NO WARRANTY, to the extent permitted by law.";
}

CommandLine readCommandLine(const std::vector<std::string>& arguments, const MarkerProbe& probeMarker)
{
    const std::string program = programName(arguments);
    // After "--" every argument is a folder, even one that begins with a dash.
    std::vector<std::string> folders;
    std::optional<std::string> resultsFolder;
    std::optional<std::string> reportFile;
    std::optional<std::string> patient;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !argument.starts_with("-") || argument == "-") {
            folders.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            return endWith(help(program), 0);
        } else if (argument == "--version") {
            return endWith(versionNotice("Tavrel"), 0);
        } else if (argument == "--resultats" || argument == "--bilan" || argument == "--patient") {
            std::optional<std::string>& value =
                argument == "--resultats" ? resultsFolder : argument == "--bilan" ? reportFile : patient;
            if (i + 1 >= arguments.size() || arguments[i + 1].empty())
                return misuse("L'option " + argument + " attend une valeur.", program);
            if (value)
                return misuse("L'option " + argument + " est donnée deux fois.", program);
            value = arguments[++i];
        } else {
            return misuse("Option inconnue : " + argument, program);
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
    const std::optional<std::string> marker = probeMarker(closingPicturePath(head));
    if (!marker)
        return endWith("Le lecteur de « " + argument +
                           " » ne répond pas. Vérifiez que le disque ou la clé est bien en place, puis "
                           "démarrez de nouveau le programme.",
                       1);
    if (marker->empty())
        return endWith("« " + argument +
                           " » ne contient pas le fichier bravo.bmp : ce n'est pas la racine d'un disque d'images.",
                       1);
    return {true, head, resultsFolder, std::nullopt, {}, 0};
}
