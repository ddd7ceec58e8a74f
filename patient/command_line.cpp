#include "patient/command_line.h"

#include <map>

namespace patient {

using namespace sets;

namespace {

#ifdef _WIN32
// tavrel-patient.exe makes no ISO image, and what it writes takes the
// access of the folder it is written in: Windows has no creation mask.
constexpr bool imagesAndOwnerOnly = false;
#else
constexpr bool imagesAndOwnerOnly = true;
#endif

// The options that take a value, and where it goes.
std::string* valueOf(Request& request, const std::string& option)
{
    const std::map<std::string, std::string Request::*> options = {
        {"--disc", &Request::discFolder},
        {"--set", &Request::setName},
        {"--iso", &Request::imageFile},
    };
    const auto found = options.find(option);
    return found == options.end() ? nullptr : &(request.*found->second);
}

ParsedCommandLine failure(std::string error)
{
    return {std::nullopt, std::move(error)};
}

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    Request request;
    std::string sideText;
    bool onlyPhotographs = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyPhotographs || argument.empty() || argument[0] != '-' || argument == "-") {
            request.photographs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyPhotographs = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            request.help = true;
            continue;
        }
        if (argument == "--version") {
            request.version = true;
            continue;
        }
        if (argument == "--remplacer" || argument == "--replace") {
            request.replace = true;
            continue;
        }
        // --option VALUE or --option=VALUE
        const std::size_t equals = argument.find('=');
        const std::string option = argument.substr(0, equals);
        std::string* value = option == "--side" ? &sideText : valueOf(request, option);
        if (!value)
            return failure("option inconnue : « " + argument + " ».");
        if (!value->empty())
            return failure(option + " est donnée deux fois.");
        if (equals != std::string::npos)
            *value = argument.substr(equals + 1);
        else if (i + 1 < arguments.size())
            *value = arguments[++i];
        if (value->empty())
            return failure("il manque la valeur de " + option + ".");
    }
    if (request.help || request.version)
        return {request, {}};

    if (!sideText.empty()) {
        const auto side = sideFromWord(sideText);
        if (!side)
            return failure("côté inconnu : « " + sideText + " » ; écrivez gauche ou droite.");
        request.side = *side;
    }
    if (request.discFolder.empty())
        return failure("indiquez le dossier du disque avec --disc DOSSIER.");
    if (request.setName.empty()) {
        if (!request.photographs.empty())
            return failure("indiquez le jeu de ces photographies avec --set JEU.");
        if (request.imageFile.empty())
            return failure("rien à faire : donnez --set JEU et des photographies, ou --iso FICHIER.");
        if (!sideText.empty() || request.replace)
            return failure("--side et --remplacer ne servent qu'avec --set JEU.");
        return {request, {}};
    }
    if (const std::string problem = setNameProblem(request.setName); !problem.empty())
        return failure(problem);
    if (const std::string problem = photographCountProblem(request.photographs.size()); !problem.empty())
        return failure(request.setName + " : " + problem);
    return {request, {}};
}

std::string helpText()
{
    const auto& sets = patientSets();
    std::string text = "Usage : tavrel-patient --disc DOSSIER --set JEU [--side gauche|droite] [--remplacer] PHOTO...\n";
    if (imagesAndOwnerOnly)
        text += "                       [--iso FICHIER]\n"
                "        tavrel-patient --disc DOSSIER --iso FICHIER\n";
    text +=
        "        tavrel-patient\n"
        "\n"
        "Fait un des quatre jeux de photographies du patient dans une copie du disque d'images,\n"
        "pour la partie « Patient » de l'exercice. Sans argument, ouvre la fenêtre.\n"
        "\n"
        "Les photographies (JPEG, PNG...) sont redressées selon leur orientation, réduites pour\n"
        "tenir dans 640 x 480 et enregistrées en JPEG. Un jeu contient 20 images : 1 à 10 montrent\n"
        "le côté gauche, 11 à 20 le côté droit, et l'image n + 10 est le miroir de l'image n. Une\n"
        "photographie du côté gauche donne l'image n et son miroir n + 10 ; une photographie du côté\n"
        "droit donne l'image n + 10 et son miroir n. Avec moins de dix photographies, elles sont\n"
        "reprises dans l'ordre jusqu'à remplir les vingt numéros ; le programme le dit avant\n"
        "d'écrire. Un jeu contient au plus dix photographies.\n"
        "\n"
        "Options :\n"
        "  --disc DOSSIER        le dossier qui contient une copie du disque (bravo.bmp à sa racine)\n"
        "  --set JEU             le jeu à écrire :\n";
    for (const PatientSet& set : sets)
        text += "                          " + set.name + std::string(18 - set.name.size(), ' ') + set.label + "\n";
    text +=
        "  --side gauche|droite  le côté que montrent toutes les photographies (gauche par défaut)\n"
        "  --remplacer           remplace un jeu qui contient déjà des images ; sans cette option,\n"
        "                        un tel jeu n'est pas touché (--replace est accepté aussi)\n";
    if (imagesAndOwnerOnly)
        text += "  --iso FICHIER         écrit aussi l'image ISO 9660 du dossier, à graver sur un CD\n";
    text +=
        "  --help                affiche cette aide\n"
        "  --version             affiche la version et la licence\n"
        "\n"
        "Le jeu est écrit d'abord à part, puis mis en place d'un seul coup : une interruption laisse\n"
        "l'ancien jeu ou le nouveau, jamais un mélange. ";
    text += imagesAndOwnerOnly
                ? "Les jeux écrits et l'image ne sont lisibles\n"
                  "que par vous.\n"
                : "Les jeux écrits prennent les droits d'accès du\n"
                  "dossier du disque : rangez-le dans un dossier à vous (Documents, par exemple), que les\n"
                  "autres comptes de l'ordinateur ne lisent pas.\n";
    text +=
        "\n"
        "Codes de sortie : 0 réussite ; 1 échec (photographie illisible ou qui n'est pas une image,\n"
        "dossier qui n'est pas une copie du disque, jeu déjà rempli sans --remplacer, place\n"
        "insuffisante...) ; 2 commande mal formée.\n";
    return text;
}

std::string versionText()
{
    return "tavrel-patient " TAVREL_VERSION "\n"
           "Licence : GNU GPL version 3 ou ultérieure <https://www.gnu.org/licenses/gpl.html>.\n"
           "License: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl.html>.\n"
           "Ce programme est un logiciel libre, fourni sans aucune garantie.\n"
           "This is free software, with no warranty.\n";
}

} // namespace patient
