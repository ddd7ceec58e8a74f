#include "patient/patient_disc.h"

#include "disc/drives.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace fs = std::filesystem;

namespace patient {

using namespace sets;

namespace {

#ifdef _WIN32
constexpr bool sticksMayBeAnywhere = false;
#else
// A stick mounted by hand, away from where desktops mount what is plugged
// in, on a device the kernel does not flag removable, is not seen as one.
constexpr bool sticksMayBeAnywhere = true;
#endif

constexpr std::string_view cancelledBeforeAnyChange = "Arrêté à votre demande ; rien n'a été changé.";

// Why the system refused, in words the clinician can act on.
std::string reason(const std::error_code& cause)
{
    switch (sets::causeOf(cause)) {
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
    case Cause::mountPoint:
        return "c'est un disque monté à cet endroit, que le programme ne peut pas remplacer (démontez-le, ou "
               "choisissez un autre dossier du disque)";
    case Cause::inUse:
        return "un autre programme s'en sert en ce moment (l'Explorateur, un antivirus ?) : fermez-le, puis "
               "recommencez";
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
        const std::string name = utf8Of(entry->path().filename());
        if (!sets::isWorkingEntry(name) && !entry->is_symlink(error))
            entries.push_back(*entry);
    }
    return entries;
}

// bravo.bmp in any case of letters.
bool sameName(const fs::path& path)
{
    std::string name = utf8Of(path.filename());
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

// The file's bytes; why not when it cannot be read whole.
std::optional<WriteError> readWhole(const fs::path& path, std::vector<std::byte>& bytes)
{
    std::error_code error;
    bytes.resize(static_cast<std::size_t>(fs::file_size(path, error)));
    std::ifstream file(path, std::ios::binary);
    if (error || !file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return WriteError{WriteError::Kind::unreadable, path, error ? error : std::error_code(errno, std::generic_category())};
    return std::nullopt;
}

// Copies the folder's visible content into an empty folder, file by file.
struct TreeCopy {
    TreeCopy(const Progress& progress, int total) : progress(progress), total(total) {}

    const Progress& progress;
    int done = 0;
    int total = 0;
    bool cancelled = false;

    std::optional<WriteError> copy(const fs::path& from, const fs::path& to, Access access)
    {
        for (const fs::directory_entry& entry : discEntries(from)) {
            const fs::path target = to / entry.path().filename();
            std::error_code error;
            if (entry.is_directory(error)) {
                if (const std::error_code made = sets::makeFolder(target, access))
                    return WriteError{WriteError::Kind::failed, target, made};
                if (auto problem = copy(entry.path(), target, access))
                    return problem;
                continue;
            }
            if (!entry.is_regular_file(error))
                continue;
            std::vector<std::byte> bytes;
            if (auto unreadable = readWhole(entry.path(), bytes))
                return unreadable;
            if (auto problem = sets::writeFile(target, bytes, access))
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

// The sets named, as a sentence's end: « A, B et C ».
std::string namesOf(const std::vector<std::string>& names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : ", ") + names[i];
    return text;
}

// Which of the chosen sets were written and which were left as they were.
std::string setsNow(const SetsWritten& sets)
{
    std::string text;
    if (!sets.written.empty())
        text += (sets.written.size() == 1 ? " Jeu écrit : " : " Jeux écrits : ") + namesOf(sets.written) + ".";
    if (!sets.unchanged.empty())
        text += (sets.unchanged.size() == 1 ? " Jeu laissé tel qu'il était : " : " Jeux laissés tels qu'ils étaient : ") +
                namesOf(sets.unchanged) + ".";
    return text;
}

std::string megabytes(std::uintmax_t bytes)
{
    return std::to_string((bytes + 999'999) / 1'000'000) + " Mo";
}

// Puts the pictures made of a set's photographs in place, in one step.
// Without mayReplace a set that holds anything is left as it is; that is
// checked under the set's lock.
SetOutcome placeSet(const fs::path& discFolder, const std::string& setName, const SetFiles& set, bool mayReplace)
{
    SetContent found;
    const sets::FolderCheck mustBeEmpty = [&](const fs::path&) -> std::optional<WriteError> {
        found = inspectSet(discFolder, setName);
        if (found.empty())
            return std::nullopt;
        return WriteError{WriteError::Kind::notEmpty, discFolder / setName, {}};
    };
    const auto error = sets::writeSet(discFolder, setName, set.jpegFiles, Access::ownerOnly,
                                      mayReplace ? sets::FolderCheck{} : mustBeEmpty);
    if (!error)
        return {true, false, {}};
    if (error->kind == WriteError::Kind::notEmpty)
        return {false, false, notEmptyMessage(setName, found)};
    return {error->kind == WriteError::Kind::oldLeft, false, describe(*error)};
}

} // namespace

std::string quoted(const fs::path& path)
{
    return "« " + utf8Of(path.filename().empty() ? path : path.filename()) + " »";
}

std::string describe(const WriteError& error)
{
    const std::string where = "« " + utf8Of(error.path.lexically_normal()) + " »";
    switch (error.kind) {
    case WriteError::Kind::busy:
        return "Un autre programme écrit en ce moment " + where + " ; réessayez quand il aura fini.";
    case WriteError::Kind::cancelled:
        return std::string(cancelledBeforeAnyChange);
    case WriteError::Kind::unreadable:
        return where + " ne peut pas être lu (" +
               (sets::causeOf(error.cause) == Cause::denied ? "vous n'avez pas le droit de le lire"
                                                            : "disque rayé, abîmé ou retiré ?") +
               ") ; rien n'a été écrit.";
    case WriteError::Kind::notEmpty:
        return where + " n'est pas vide ; rien n'a été écrit.";
    case WriteError::Kind::oldLeft:
        return "Le nouveau contenu est en place, mais un ancien n'a pas pu être effacé : il reste dans le dossier caché " +
               where + ", car " + reason(error.cause) +
               ". Le programme essaiera de nouveau de l'effacer la prochaine fois ; vous pouvez aussi l'effacer "
               "vous-même.";
    case WriteError::Kind::failed:
        break;
    }
    if (!error.cause)
        return "Impossible d'écrire " + where + " ; rien n'a été changé.";
    if (sets::causeOf(error.cause) == Cause::noSpace)
        return "Plus assez de place sur le disque pour écrire " + where + " ; rien n'a été changé. Libérez de la place, "
               "ou choisissez un autre disque.";
    return "Impossible d'écrire " + where + " : " + reason(error.cause) + ". Rien n'a été changé.";
}

std::string discFolderProblem(const fs::path& folder)
{
    if (isDiscFolder(folder))
        return {};
    return "« " + utf8Of(folder) + " » n'est pas une copie du disque d'images : il n'y a pas de bravo.bmp à sa racine.";
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
        return {false, true, std::string(cancelledBeforeAnyChange)};
    if (!set.error.empty())
        return {false, false, set.error};
    return placeSet(discFolder, setName, set, mayReplace);
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
            names.push_back(utf8Of(choice.path.filename()));
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
    SetsWritten result;
    std::vector<std::size_t> order;
    int total = 0;
    for (std::size_t i = 0; i < patientSetCount; ++i) {
        if (chosen[i].empty())
            continue;
        order.push_back(i);
        result.unchanged.push_back(patientSets()[i].name);
        total += setFileSteps(chosen[i].size()) + 1;
    }
    int done = 0;
    const auto report = [&] { return !progress || progress(done, total); };
    if (std::string problem = discFolderProblem(discFolder); !problem.empty()) {
        result.message = problem;
        return result;
    }

    // Every set's pictures made first: a photograph that cannot be used
    // stops the work before any set is changed.
    std::vector<SetFiles> made;
    for (const std::size_t i : order) {
        const int before = done;
        SetFiles set = makeSetFiles(chosen[i], codec, [&](int setDone, int) {
            done = before + setDone;
            return report();
        });
        if (set.cancelled || !set.error.empty()) {
            result.message = set.cancelled ? std::string(cancelledBeforeAnyChange)
                                           : set.error + " Aucun jeu n'a été changé.";
            return result;
        }
        made.push_back(std::move(set));
    }

    for (std::size_t n = 0; n < order.size(); ++n) {
        const std::string& name = patientSets()[order[n]].name;
        const SetOutcome outcome = placeSet(discFolder, name, made[n], true);
        if (outcome.written) {
            result.written.push_back(name);
            std::erase(result.unchanged, name);
        }
        if (!outcome.written) {
            result.message = outcome.message + setsNow(result);
            return result;
        }
        // What is left to tidy is told; the work goes on.
        if (!outcome.message.empty())
            result.message += (result.message.empty() ? "" : "\n") + outcome.message;
        ++done;
        if (!report() && n + 1 < order.size()) {
            result.message = "Arrêté à votre demande." + setsNow(result) +
                             (result.message.empty() ? "" : "\n" + result.message);
            return result;
        }
    }
    return result;
}

std::string writtenStatus(const SetsWritten& written)
{
    if (written.written.empty())
        return "Aucun jeu n'a été écrit.";
    return (written.written.size() == 1 ? "Jeu écrit : " : "Jeux écrits : ") + namesOf(written.written) + ".";
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
        return "« " + utf8Of(imageFile) +
               " » n'est pas un fichier ordinaire (un dossier, un périphérique...) : choisissez un nouveau nom de "
               "fichier pour l'image.";
    if (isInside(imageFile, discFolder))
        return "L'image ne peut pas être rangée dans le dossier du disque : la suivante la contiendrait. Choisissez un "
               "autre endroit.";
    if (auto failure = makeImage(discFolder, imageFile))
        return describe(*failure);
    return {};
}

std::vector<SourceDisc> sourceDiscs(const std::vector<fs::path>& demoFolders, const std::vector<drives::Medium>& media)
{
    std::vector<SourceDisc> discs;
    for (const drives::Medium& medium : media) {
        const fs::path folder = pathFromUtf8(medium.folder);
        if (!isDiscFolder(folder))
            continue;
        discs.push_back({(medium.type == cdromDriveType ? "Disque d'images dans le lecteur " : "Copie du disque sur la clé ") +
                             medium.folder,
                         folder});
    }
    for (const fs::path& folder : demoFolders) {
        if (isDiscFolder(folder)) {
            discs.push_back({"Disque de démonstration (" + utf8Of(folder) + ")", folder});
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
        return "« " + utf8Of(targetFolder) + " » n'est pas vide : choisissez un dossier vide ou un nouveau nom.";
    if (isInside(targetFolder, sourceFolder))
        return "Le nouveau dossier ne peut pas être dans le disque qu'il copie.";
    const fs::path absolute = fs::absolute(targetFolder, error);
    if (!fs::is_directory(absolute.parent_path(), error))
        return "Le dossier « " + utf8Of(absolute.parent_path()) + " » n'existe pas.";

    TreeCopy copy(progress, countFiles(sourceFolder));
    const auto failure = sets::replaceFolder(
        absolute.parent_path(), utf8Of(absolute.filename()), Access::ownerOnly,
        [&](const fs::path& target) -> std::optional<WriteError> {
            // An empty folder may have been put there since the check above.
            if (fs::exists(target) && !fs::is_empty(target))
                return WriteError{WriteError::Kind::notEmpty, target, {}};
            return std::nullopt;
        },
        [&](const fs::path& folder) { return copy.copy(sourceFolder, folder, Access::ownerOnly); });
    return failure ? describe(*failure) : std::string();
}

std::vector<Stick> removableDrives(const std::vector<drives::Medium>& media)
{
    std::vector<Stick> sticks;
    for (const drives::Medium& medium : media) {
        if (medium.type == removableDriveType)
            sticks.push_back({(medium.label.empty() ? "Clé USB" : medium.label) + " (" + medium.folder + ")",
                              pathFromUtf8(medium.folder)});
    }
    return sticks;
}

StickChoice stickChoice(const std::vector<drives::Medium>& media)
{
    return {"Copier le dossier du disque à la racine de quelle clé ? Les autres fichiers de la clé restent ; une "
            "ancienne copie du disque est remplacée.",
            removableDrives(media), sticksMayBeAnywhere,
            "Aucune clé USB trouvée : branchez-la, attendez qu'elle apparaisse, puis recommencez."};
}

fs::path newDiscFolderIn(const fs::path& chosen)
{
    fs::path folder = chosen;
    std::error_code error;
    for (int n = 1; !fs::is_empty(folder, error) && !error; ++n)
        folder = chosen / pathFromUtf8("Disque du patient" + (n > 1 ? " " + std::to_string(n) : std::string()));
    return folder;
}

std::string copyDiscToStick(const fs::path& discFolder, const fs::path& stickRoot, const Progress& progress)
{
    if (std::string problem = discFolderProblem(discFolder); !problem.empty())
        return problem;
    std::error_code error;
    if (!fs::is_directory(stickRoot, error))
        return "La clé « " + utf8Of(stickRoot) + " » n'est plus là : branchez-la de nouveau, puis recommencez.";
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
            return "La clé contient déjà « " + utf8Of(entry.path().filename()) +
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
    if (const sets::LockAttempt probe = sets::lockFile(stickRoot / ".tavrel-lock-copie"); !probe.lock) {
        if (probe.heldByAnother)
            return "Un autre programme écrit en ce moment sur la clé ; réessayez quand il aura fini.";
        return "Impossible d'écrire sur la clé « " + utf8Of(stickRoot) + " » : " + reason(probe.error) +
               ". Rien n'a été copié.";
    }

    // Until the copy is whole the stick must not pass for a disc: its
    // marker goes first and comes back last.
    std::vector<fs::directory_entry> files;
    for (const fs::directory_entry& entry : discEntries(stickRoot)) {
        if (sameName(entry.path()) && !fs::remove(entry.path(), error))
            return "Impossible d'écrire sur la clé « " + utf8Of(stickRoot) + " » : " + reason(error) +
                   ". Rien n'a été copié.";
    }
    TreeCopy copy(progress, countFiles(discFolder));
    for (const fs::directory_entry& entry : entries) {
        if (!entry.is_directory(error)) {
            files.push_back(entry);
            continue;
        }
        const auto failure = sets::replaceFolder(
            stickRoot, utf8Of(entry.path().filename()), Access::usual, {},
            [&](const fs::path& folder) { return copy.copy(entry.path(), folder, Access::usual); });
        if (copy.cancelled)
            return "Arrêté à votre demande : la copie sur la clé est incomplète ; recommencez-la avant de vous en servir.";
        if (failure && failure->kind != WriteError::Kind::oldLeft)
            return describe(*failure) + " La copie sur la clé est incomplète ; recommencez-la.";
    }
    // The files of the disc's root, the marker last.
    std::stable_partition(files.begin(), files.end(), [&](const fs::directory_entry& entry) { return !sameName(entry.path()); });
    for (const fs::directory_entry& entry : files) {
        std::vector<std::byte> bytes;
        if (auto unreadable = readWhole(entry.path(), bytes))
            return describe(*unreadable) + " La copie sur la clé est incomplète ; recommencez-la.";
        fs::remove(stickRoot / entry.path().filename(), error);
        if (auto failure = sets::writeFile(stickRoot / entry.path().filename(), bytes, Access::usual))
            return describe(*failure) + " La copie sur la clé est incomplète ; recommencez-la.";
        if (progress && !progress(++copy.done, copy.total))
            return "Arrêté à votre demande : la copie sur la clé est incomplète ; recommencez-la avant de vous en servir.";
    }
    return {};
}

} // namespace patient
