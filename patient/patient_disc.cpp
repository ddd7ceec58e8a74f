#include "patient/patient_disc.h"

#include "disc/drives.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace fs = std::filesystem;

namespace patient {
namespace {

using discwriter::Access;
using discwriter::Cause;
using discwriter::WriteError;

// The types of drive the disc is looked for on, as the drive layer gives them.
constexpr std::int32_t removableDrive = 2;
constexpr std::int32_t cdromDrive = 5;

// Why the system refused, in words the clinician can act on.
std::string reason(const std::error_code& cause)
{
    switch (discwriter::causeOf(cause)) {
    case Cause::noSpace:
        return "il n'y a plus assez de place sur le disque";
    case Cause::denied:
        return "vous n'avez pas le droit d'y écrire (demandez-le à qui gère cet ordinateur, ou choisissez un autre "
               "dossier)";
    case Cause::readOnly:
        return "le disque ne peut pas être modifié (une clé protégée en écriture, un CD) : ôtez la protection ou "
               "choisissez un autre endroit";
    case Cause::missing:
        return "le dossier n'existe plus (un disque ou une clé retiré ?)";
    case Cause::other:
        break;
    }
    return "le système a refusé l'écriture (disque plein, retiré ou abîmé ?)";
}

std::uintmax_t sizeOfTree(const fs::path& folder)
{
    std::uintmax_t total = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        if (entry->is_regular_file(error))
            total += entry->file_size(error);
    }
    return total;
}

// The disc's visible entries: what a copy holds.
std::vector<fs::directory_entry> discEntries(const fs::path& folder)
{
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = toUtf8(entry->path().filename());
        if (!discwriter::isWorkingEntry(name) && !entry->is_symlink(error))
            entries.push_back(*entry);
    }
    return entries;
}

// bravo.bmp in any case of letters.
bool sameName(const fs::path& path)
{
    std::string name = toUtf8(path.filename());
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name == "bravo.bmp";
}

int countFiles(const fs::path& folder)
{
    int count = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        count += entry->is_regular_file(error) ? 1 : 0;
    return count;
}

// Copies the folder's visible content into an empty folder, file by file.
// A file that cannot be read is named as such, apart from writing errors.
struct TreeCopy {
    TreeCopy(const Progress& progress, int total) : progress(progress), total(total) {}

    const Progress& progress;
    int done = 0;
    int total = 0;
    std::string readError;
    bool cancelled = false;

    std::optional<WriteError> copy(const fs::path& from, const fs::path& to, Access access)
    {
        for (const fs::directory_entry& entry : discEntries(from)) {
            const fs::path target = to / entry.path().filename();
            std::error_code error;
            if (entry.is_directory(error)) {
                if (const std::error_code made = discwriter::makeFolder(target, access))
                    return WriteError{WriteError::Kind::failed, target, made};
                if (auto problem = copy(entry.path(), target, access))
                    return problem;
                continue;
            }
            if (!entry.is_regular_file(error))
                continue;
            std::vector<std::byte> bytes(static_cast<std::size_t>(entry.file_size(error)));
            std::ifstream file(entry.path(), std::ios::binary);
            if (error || !file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
                readError = quoted(entry.path()) + " ne peut pas être lu (disque rayé ou retiré ?) ; rien n'a été copié.";
                return WriteError{WriteError::Kind::failed, entry.path(), {}};
            }
            if (auto problem = discwriter::writeFile(target, bytes, access))
                return problem;
            if (progress && !progress(++done, total)) {
                cancelled = true;
                return WriteError{WriteError::Kind::cancelled, to, {}};
            }
        }
        return std::nullopt;
    }
};

// Whether the path lies in the folder or is the folder.
bool isInside(const fs::path& path, const fs::path& folder)
{
    std::error_code error;
    const fs::path root = fs::weakly_canonical(folder, error);
    const fs::path where = fs::weakly_canonical(fs::absolute(path, error), error);
    auto [rootEnd, whereAt] = std::mismatch(root.begin(), root.end(), where.begin(), where.end());
    return rootEnd == root.end() || (std::next(rootEnd) == root.end() && rootEnd->empty());
}

std::string megabytes(std::uintmax_t bytes)
{
    return std::to_string((bytes + 999'999) / 1'000'000) + " Mo";
}

std::vector<std::string> driveRoots()
{
    // Ask again with room enough when the list did not fit.
    DriveRoots roots = drives::listDriveRoots(64);
    if (roots.length > 64)
        roots = drives::listDriveRoots(roots.length + 1);
    const std::string list = roots.text.substr(0, static_cast<std::size_t>(std::max(roots.length, 0)));
    std::vector<std::string> found;
    for (std::size_t start = 0, end; (end = list.find('\0', start)) != std::string::npos; start = end + 1)
        found.push_back(list.substr(start, end - start));
    return found;
}

} // namespace

fs::path fromUtf8(std::string_view text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string toUtf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string quoted(const fs::path& path)
{
    return "« " + toUtf8(path.filename().empty() ? path : path.filename()) + " »";
}

std::string describe(const WriteError& error)
{
    const std::string where = "« " + toUtf8(error.path.lexically_normal()) + " »";
    switch (error.kind) {
    case WriteError::Kind::busy:
        return "Un autre programme écrit en ce moment " + where + " ; réessayez quand il aura fini.";
    case WriteError::Kind::cancelled:
        return "Arrêté à votre demande ; rien n'a été changé.";
    case WriteError::Kind::notEmpty:
        return where + " n'est pas vide ; rien n'a été écrit.";
    case WriteError::Kind::oldLeft:
        return "Le nouveau contenu est en place, mais l'ancien n'a pas pu être effacé : il reste dans le dossier caché " +
               where + ", car " + reason(error.cause) +
               ". Le programme essaiera de nouveau de l'effacer la prochaine fois ; vous pouvez aussi l'effacer "
               "vous-même.";
    case WriteError::Kind::failed:
        break;
    }
    if (!error.cause)
        return "Impossible d'écrire " + where + " ; rien n'a été changé.";
    if (discwriter::causeOf(error.cause) == Cause::noSpace)
        return "Plus assez de place sur le disque pour écrire " + where + " ; rien n'a été changé. Libérez de la place, "
               "ou choisissez un autre disque.";
    return "Impossible d'écrire " + where + " : " + reason(error.cause) + ". Rien n'a été changé.";
}

std::string discFolderProblem(const fs::path& folder)
{
    if (isDiscFolder(folder))
        return {};
    return "« " + toUtf8(folder) + " » n'est pas une copie du disque d'images : il n'y a pas de bravo.bmp à sa racine.";
}

std::string notEmptyMessage(const std::string& setName, const SetContent& content)
{
    return "le jeu " + setName + " n'est pas vide (" + describeSet(content) +
           ") ; rien n'a été écrit. Ajoutez --remplacer pour le remplacer.";
}

SetOutcome writePatientSet(const fs::path& discFolder, const std::string& setName,
                           const std::vector<PhotographChoice>& photographs, PictureCodec& codec, bool mayReplace,
                           const Progress& progress)
{
    if (std::string problem = discFolderProblem(discFolder); !problem.empty())
        return {false, false, problem};
    if (std::string problem = setNameProblem(setName); !problem.empty())
        return {false, false, problem};
    const SetFiles set = makeSetFiles(photographs, codec, progress);
    if (set.cancelled)
        return {false, true, "Arrêté à votre demande ; rien n'a été changé."};
    if (!set.error.empty())
        return {false, false, set.error};

    SetContent found;
    const discwriter::FolderCheck mustBeEmpty = [&](const fs::path&) -> std::optional<WriteError> {
        found = inspectSet(discFolder, setName);
        if (found.empty())
            return std::nullopt;
        return WriteError{WriteError::Kind::notEmpty, discFolder / setName, {}};
    };
    const auto error = discwriter::writeSet(discFolder, setName, set.jpegFiles, Access::ownerOnly,
                                            mayReplace ? discwriter::FolderCheck{} : mustBeEmpty);
    if (!error)
        return {true, false, {}};
    if (error->kind == WriteError::Kind::notEmpty)
        return {false, false, notEmptyMessage(setName, found)};
    return {error->kind == WriteError::Kind::oldLeft, false, describe(*error)};
}

WritePlan planWrite(const fs::path& discFolder, const SetChoices& chosen)
{
    WritePlan plan;
    for (std::size_t i = 0; i < patientSetCount; ++i) {
        if (chosen[i].empty())
            continue;
        const PatientSet& set = patientSets()[i];
        const std::string title = set.label + " (" + set.name + ")";
        if (const std::string problem = photographCountProblem(chosen[i].size()); !problem.empty())
            return {title + " : " + problem, {}, false};
        std::vector<std::string> names;
        std::vector<Side> sides;
        for (const PhotographChoice& choice : chosen[i]) {
            names.push_back(toUtf8(choice.path.filename()));
            sides.push_back(choice.side);
        }
        plan.summary += title + " : " + std::to_string(chosen[i].size()) + " photographie(s).\n";
        plan.summary += fillNotice(names, sides);
        if (const SetContent content = inspectSet(discFolder, set.name); !content.empty()) {
            plan.replacing = true;
            plan.summary += "  Ce jeu n'est pas vide (" + describeSet(content) + ") : son contenu sera remplacé.\n";
        }
        plan.summary += "\n";
    }
    if (plan.summary.empty())
        plan.problem = "Ajoutez d'abord des photographies, et choisissez leur jeu.";
    return plan;
}

SetsWritten writePatientSets(const fs::path& discFolder, const SetChoices& chosen, PictureCodec& codec,
                             const Progress& progress)
{
    int total = 0;
    for (const auto& photographs : chosen)
        total += photographs.empty() ? 0 : setFileSteps(photographs.size());
    SetsWritten result;
    int before = 0;
    for (std::size_t i = 0; i < patientSetCount; ++i) {
        if (chosen[i].empty())
            continue;
        const std::string& name = patientSets()[i].name;
        const SetOutcome outcome = writePatientSet(discFolder, name, chosen[i], codec, true, [&](int done, int) {
            return !progress || progress(before + done, total);
        });
        before += setFileSteps(chosen[i].size());
        if (outcome.written)
            result.names.push_back(name);
        if (!outcome.message.empty()) {
            result.message = outcome.message;
            break;
        }
    }
    return result;
}

std::string writeDiscImage(const fs::path& discFolder, const fs::path& imageFile, const ImageMaker& makeImage)
{
    if (!makeImage)
        return "Ce programme ne fait pas d'image ISO sur ce système : copiez le dossier du disque sur une clé USB, "
               "ou faites l'image sous Linux.";
    if (std::string problem = discFolderProblem(discFolder); !problem.empty())
        return problem;
    std::error_code error;
    const fs::file_status status = fs::status(imageFile, error);
    if (fs::exists(status) && !fs::is_regular_file(status))
        return "« " + toUtf8(imageFile) +
               " » n'est pas un fichier ordinaire (un dossier, un périphérique...) : choisissez un nouveau nom de "
               "fichier pour l'image.";
    if (isInside(imageFile, discFolder))
        return "L'image ne peut pas être rangée dans le dossier du disque : la suivante la contiendrait. Choisissez un "
               "autre endroit.";
    if (auto failure = makeImage(discFolder, imageFile))
        return describe(*failure);
    return {};
}

std::vector<SourceDisc> sourceDiscs(const std::vector<fs::path>& demoFolders)
{
    std::vector<SourceDisc> discs;
    for (const std::string& root : driveRoots()) {
        const std::int32_t type = drives::driveType(root);
        if (type != cdromDrive && type != removableDrive)
            continue;
        const std::string marker = drives::localPath(root + "bravo.bmp");
        if (marker.empty())
            continue;
        const fs::path folder = fromUtf8(marker).parent_path();
        discs.push_back({(type == cdromDrive ? "Disque d'images dans le lecteur " : "Copie du disque sur la clé ") +
                             toUtf8(folder.parent_path() == folder ? fromUtf8(root) : folder),
                         folder});
    }
    for (const fs::path& folder : demoFolders) {
        if (isDiscFolder(folder)) {
            discs.push_back({"Disque de démonstration (" + toUtf8(folder) + ")", folder});
            break;
        }
    }
    return discs;
}

std::string copyDisc(const fs::path& sourceFolder, const fs::path& targetFolder, const Progress& progress)
{
    if (std::string problem = discFolderProblem(sourceFolder); !problem.empty())
        return problem;
    std::error_code error;
    if (fs::exists(targetFolder, error) && !(fs::is_directory(targetFolder, error) && fs::is_empty(targetFolder, error)))
        return "« " + toUtf8(targetFolder) + " » n'est pas vide : choisissez un dossier vide ou un nouveau nom.";
    if (isInside(targetFolder, sourceFolder))
        return "Le nouveau dossier ne peut pas être dans le disque qu'il copie.";
    const fs::path absolute = fs::absolute(targetFolder, error);
    if (!fs::is_directory(absolute.parent_path(), error))
        return "Le dossier « " + toUtf8(absolute.parent_path()) + " » n'existe pas.";

    TreeCopy copy(progress, countFiles(sourceFolder));
    const auto failure = discwriter::replaceFolder(
        absolute.parent_path(), toUtf8(absolute.filename()), Access::ownerOnly,
        [&](const fs::path& target) -> std::optional<WriteError> {
            // An empty folder may have been put there since the check above.
            if (fs::exists(target) && !fs::is_empty(target))
                return WriteError{WriteError::Kind::notEmpty, target, {}};
            return std::nullopt;
        },
        [&](const fs::path& folder) { return copy.copy(sourceFolder, folder, Access::ownerOnly); });
    if (!copy.readError.empty())
        return copy.readError;
    return failure ? describe(*failure) : std::string();
}

std::vector<Stick> removableDrives()
{
    std::vector<Stick> sticks;
    for (const std::string& root : driveRoots()) {
        if (drives::driveType(root) != removableDrive)
            continue;
        const std::string local = drives::localPath(root);
        sticks.push_back({root, fromUtf8(local.empty() ? root : local)});
    }
    return sticks;
}

std::string copyDiscToStick(const fs::path& discFolder, const fs::path& stickRoot, const Progress& progress)
{
    if (std::string problem = discFolderProblem(discFolder); !problem.empty())
        return problem;
    std::error_code error;
    if (!fs::is_directory(stickRoot, error))
        return "La clé « " + toUtf8(stickRoot) + " » n'est plus là : branchez-la de nouveau, puis recommencez.";
    if (isInside(stickRoot, discFolder) || isInside(discFolder, stickRoot))
        return "Le dossier du disque et la clé ne peuvent pas être l'un dans l'autre.";

    // Under the disc's names, only an earlier copy of a disc may be replaced.
    const bool earlierCopy = isDiscFolder(stickRoot);
    const std::vector<fs::directory_entry> entries = discEntries(discFolder);
    std::uintmax_t needed = 0;
    std::uintmax_t freed = 0;
    for (const fs::directory_entry& entry : entries) {
        const fs::path there = stickRoot / entry.path().filename();
        needed += entry.is_directory(error) ? sizeOfTree(entry.path()) : entry.file_size(error);
        if (!fs::exists(fs::symlink_status(there, error)))
            continue;
        if (!earlierCopy)
            return "La clé contient déjà « " + toUtf8(entry.path().filename()) +
                   " », qui n'appartient pas à une copie du disque : rien n'a été copié. Choisissez une autre clé, ou "
                   "déplacez ce fichier.";
        freed += fs::is_directory(there, error) ? sizeOfTree(there) : fs::file_size(there, error);
    }
    // The new folders are written beside the old ones before these go.
    const fs::space_info space = fs::space(stickRoot, error);
    if (!error && space.available < needed + needed / 50)
        return "La clé n'a pas assez de place : la copie du disque demande " + megabytes(needed) + ", il en reste " +
               megabytes(space.available) + (freed > 0 ? " (l'ancienne copie n'est effacée qu'une fois la nouvelle en place)" : "") +
               ". Libérez de la place ou prenez une autre clé ; rien n'a été copié.";
    // Whether the stick can be written at all, before anything is.
    if (const discwriter::LockAttempt probe = discwriter::lockFile(stickRoot / ".tavrel-lock-copie"); !probe.lock) {
        if (probe.heldByAnother)
            return "Un autre programme écrit en ce moment sur la clé ; réessayez quand il aura fini.";
        return "Impossible d'écrire sur la clé « " + toUtf8(stickRoot) + " » : " + reason(probe.error) +
               ". Rien n'a été copié.";
    }

    // Until the copy is whole the stick must not pass for a disc: its
    // marker goes first and comes back last.
    std::vector<fs::directory_entry> files;
    for (const fs::directory_entry& entry : discEntries(stickRoot)) {
        if (sameName(entry.path()) && !fs::remove(entry.path(), error))
            return "Impossible d'écrire sur la clé « " + toUtf8(stickRoot) + " » : " + reason(error) +
                   ". Rien n'a été copié.";
    }
    TreeCopy copy(progress, countFiles(discFolder));
    for (const fs::directory_entry& entry : entries) {
        if (!entry.is_directory(error)) {
            files.push_back(entry);
            continue;
        }
        const auto failure = discwriter::replaceFolder(
            stickRoot, toUtf8(entry.path().filename()), Access::usual, {},
            [&](const fs::path& folder) { return copy.copy(entry.path(), folder, Access::usual); });
        if (copy.cancelled)
            return "Arrêté à votre demande : la copie sur la clé est incomplète ; recommencez-la avant de vous en servir.";
        if (!copy.readError.empty())
            return copy.readError;
        if (failure && failure->kind != WriteError::Kind::oldLeft)
            return describe(*failure) + " La copie sur la clé est incomplète ; recommencez-la.";
    }
    // The files of the disc's root, the marker last.
    std::stable_partition(files.begin(), files.end(), [&](const fs::directory_entry& entry) { return !sameName(entry.path()); });
    for (const fs::directory_entry& entry : files) {
        std::vector<std::byte> bytes(static_cast<std::size_t>(entry.file_size(error)));
        std::ifstream file(entry.path(), std::ios::binary);
        if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
            return quoted(entry.path()) + " ne peut pas être lu ; la copie sur la clé est incomplète.";
        fs::remove(stickRoot / entry.path().filename(), error);
        if (auto failure = discwriter::writeFile(stickRoot / entry.path().filename(), bytes, Access::usual))
            return describe(*failure) + " La copie sur la clé est incomplète ; recommencez-la.";
        if (progress && !progress(++copy.done, copy.total))
            return "Arrêté à votre demande : la copie sur la clé est incomplète ; recommencez-la avant de vous en servir.";
    }
    return {};
}

} // namespace patient
