#include "sets/patient_sets.h"

#include "disc/layout.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace fs = std::filesystem;

namespace sets {
namespace {

std::string folderName(bool phase1, bool easy)
{
    // ":\PatientDG\" -> "PatientDG"
    const std::string fragment = imageDirectory(BodyPart::patient, phase1, easy);
    return fragment.substr(2, fragment.size() - 3);
}

std::string numberList(const std::vector<int>& numbers)
{
    std::string list;
    for (const int number : numbers)
        list += (list.empty() ? "" : ", ") + std::to_string(number);
    return list;
}

bool sameLetters(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

const std::array<PatientSet, patientSetCount>& patientSets()
{
    static const std::array<PatientSet, patientSetCount> sets = {{
        {folderName(true, true), "identifier, facile"},
        {folderName(true, false), "identifier, normal"},
        {folderName(false, true), "mouvement, facile"},
        {folderName(false, false), "mouvement, normal"},
    }};
    return sets;
}

std::optional<std::size_t> patientSetIndex(std::string_view name)
{
    const auto& sets = patientSets();
    for (std::size_t i = 0; i < sets.size(); ++i) {
        if (sets[i].name == name)
            return i;
    }
    return std::nullopt;
}

std::string setNameProblem(std::string_view name)
{
    if (patientSetIndex(name))
        return {};
    const auto& sets = patientSets();
    return "jeu inconnu : « " + std::string(name) + " ». Les jeux du patient sont " + sets[0].name + ", " +
           sets[1].name + ", " + sets[2].name + " et " + sets[3].name + " (les majuscules comptent).";
}

std::string photographCountProblem(std::size_t count)
{
    if (count == 0)
        return "aucune photographie pour ce jeu.";
    if (count > pairsPerSet)
        return std::to_string(count) + " photographies pour un seul jeu : un jeu contient " +
               std::to_string(pairsPerSet) + " paires d'images, choisissez-en " + std::to_string(pairsPerSet) +
               " au plus.";
    return {};
}

std::optional<SetPlan> planSet(const std::vector<Side>& sides)
{
    if (!photographCountProblem(sides.size()).empty())
        return std::nullopt;
    SetPlan plan;
    for (std::size_t pair = 0; pair < pairsPerSet; ++pair) {
        const std::size_t photograph = pair % sides.size();
        const bool right = sides[photograph] == Side::right;
        plan[pair] = {photograph, right};
        plan[pair + pairsPerSet] = {photograph, !right};
    }
    return plan;
}

std::string fillNotice(const std::vector<std::string>& names, const std::vector<Side>& sides)
{
    const auto plan = planSet(sides);
    if (!plan || sides.size() == pairsPerSet)
        return {};
    const bool one = sides.size() == 1;
    std::string notice = std::to_string(sides.size()) + (one ? " photographie" : " photographies") + " pour " +
                         std::to_string(pairsPerSet) + " paires d'images : " +
                         (one ? "elle est reprise" : "elles sont reprises dans l'ordre") +
                         " jusqu'à remplir les numéros 1 à " + std::to_string(picturesPerSet) + ".\n";
    for (std::size_t photograph = 0; photograph < sides.size(); ++photograph) {
        std::vector<int> itself, mirrored;
        for (int number = 1; number <= picturesPerSet; ++number) {
            const PictureSource& source = (*plan)[static_cast<std::size_t>(number - 1)];
            if (source.photograph == photograph)
                (source.mirrored ? mirrored : itself).push_back(number);
        }
        notice += "  " + names[photograph] + " (" + sideWord(sides[photograph]) + ") : images " + numberList(itself) +
                  ", en miroir " + numberList(mirrored) + "\n";
    }
    return notice;
}

SetContent inspectSet(const fs::path& discFolder, std::string_view setName)
{
    SetContent content;
    std::error_code error;
    for (fs::directory_iterator entry(discFolder / setName, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        bool numbered = false;
        for (int number = 1; number <= picturesPerSet && !numbered; ++number)
            numbered = name == std::to_string(number) + ".jpg";
        if (numbered)
            ++content.pictures;
        else
            content.otherEntries = true;
    }
    return content;
}

std::string describeSet(const SetContent& content)
{
    if (content.pictures == picturesPerSet)
        return "rempli, " + std::to_string(picturesPerSet) + " images";
    if (content.pictures == 0)
        return content.otherEntries ? "vide (mais contient d'autres fichiers)" : "vide";
    return "incomplet, " + std::to_string(content.pictures) + " images sur " + std::to_string(picturesPerSet);
}

bool isDiscFolder(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        if (sameLetters(entry->path().filename().string(), "bravo.bmp") && entry->is_regular_file(error))
            return true;
    }
    return false;
}

} // namespace sets
