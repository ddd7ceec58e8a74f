#include "patient_disc.h"

#include "disc/drives.h"
#include "sets/disc_image.h"
#include "sets/set_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace patient {
namespace {

using discwriter::Access;
using discwriter::WriteError;

std::filesystem::path nativePath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString quoted(const QString& path)
{
    return QStringLiteral("« %1 »").arg(QDir::toNativeSeparators(path));
}

QString describe(const WriteError& error)
{
    switch (error.kind) {
    case WriteError::Kind::noSpace:
        return QStringLiteral("Plus assez de place sur le disque pour écrire %1 ; rien n'a été changé.")
            .arg(quoted(error.path));
    case WriteError::Kind::busy:
        return QStringLiteral("Un autre programme écrit en ce moment %1 ; réessayez quand il aura fini.")
            .arg(quoted(error.path));
    case WriteError::Kind::failed:
        break;
    }
    const QString detail = error.detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(error.detail);
    return QStringLiteral("Impossible d'écrire %1%2 ; rien n'a été changé.").arg(quoted(error.path), detail);
}

// Copies the folder's visible content into an empty folder, owner-only.
// Reading errors are told apart from writing errors.
std::optional<WriteError> copyTree(const QDir& from, const QDir& to, QString& readError)
{
    const auto entries = from.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        const QString target = to.filePath(entry.fileName());
        if (entry.isDir()) {
            if (!to.mkdir(entry.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
                return WriteError{WriteError::Kind::failed, target, {}};
            if (auto error = copyTree(QDir(entry.filePath()), QDir(target), readError))
                return error;
            continue;
        }
        QFile source(entry.filePath());
        QByteArray bytes;
        if (source.open(QIODevice::ReadOnly))
            bytes = source.readAll();
        if (bytes.size() != entry.size()) {
            readError = QStringLiteral("Impossible de lire %1 (%2) ; aucun dossier n'a été créé.")
                            .arg(quoted(entry.filePath()), source.errorString());
            return WriteError{WriteError::Kind::failed, entry.filePath(), {}};
        }
        if (auto error = discwriter::writeNewFile(target, bytes, Access::ownerOnly))
            return error;
    }
    return std::nullopt;
}

// Whether the path lies in the folder or is the folder.
bool isInside(const QString& path, const QString& folder)
{
    const QString root = QFileInfo(folder).canonicalFilePath() + QLatin1Char('/');
    const QFileInfo parent(QFileInfo(path).absolutePath());
    const QString where = (parent.exists() ? parent.canonicalFilePath() : parent.absoluteFilePath()) + QLatin1Char('/') +
                          QFileInfo(path).fileName() + QLatin1Char('/');
    return where.startsWith(root);
}

} // namespace

QString discFolderProblem(const QString& folder)
{
    if (isDiscFolder(nativePath(folder)))
        return {};
    return QStringLiteral("%1 n'est pas une copie du disque d'images : il n'y a pas de bravo.bmp à sa racine.")
        .arg(quoted(folder));
}

SetContent setContent(const QString& discFolder, const std::string& setName)
{
    return inspectSet(nativePath(discFolder), setName);
}

QString writePatientSet(const QString& discFolder, const QString& setName,
                        const std::vector<PhotographChoice>& photographs)
{
    if (QString problem = discFolderProblem(discFolder); !problem.isEmpty())
        return problem;
    if (const std::string problem = setNameProblem(setName.toStdString()); !problem.empty())
        return QString::fromStdString(problem);
    const SetPictures set = makeSetPictures(photographs);
    if (!set.error.isEmpty())
        return set.error;
    if (auto error = discwriter::writeSet(discFolder, setName, set.pictures, Access::ownerOnly))
        return describe(*error);
    return {};
}

QString writeDiscImage(const QString& discFolder, const QString& imageFile)
{
    if (QString problem = discFolderProblem(discFolder); !problem.isEmpty())
        return problem;
    if (isInside(QFileInfo(imageFile).absoluteFilePath(), discFolder))
        return QStringLiteral("L'image ne peut pas être rangée dans le dossier du disque : la suivante la contiendrait. "
                              "Choisissez un autre endroit.");
    if (auto error = discwriter::makeDiscImage(discFolder, imageFile, QStringLiteral("TAVREL_PATIENT"), Access::ownerOnly))
        return describe(*error);
    return {};
}

std::vector<SourceDisc> sourceDiscs()
{
    std::vector<SourceDisc> discs;
    // Ask again with room enough when the list did not fit.
    DriveRoots roots = drives::listDriveRoots(64);
    if (roots.length > 64)
        roots = drives::listDriveRoots(roots.length + 1);
    const std::string list = roots.text.substr(0, static_cast<std::size_t>(std::max(roots.length, 0)));
    for (std::size_t start = 0, end; (end = list.find('\0', start)) != std::string::npos; start = end + 1) {
        const std::string root = list.substr(start, end - start);
        if (drives::driveType(root) != cdromDriveType)
            continue;
        const std::string marker = drives::localPath(root + "bravo.bmp");
        if (!marker.empty()) {
            const QString folder = QFileInfo(QString::fromStdString(marker)).absolutePath();
            discs.push_back({QStringLiteral("Disque d'images dans le lecteur %1").arg(QDir::toNativeSeparators(folder)), folder});
        }
    }
    for (const QString& folder : {QStringLiteral(TAVREL_BUILD_DEMO_DISC), QStringLiteral(TAVREL_INSTALLED_DEMO_DISC)}) {
        if (isDiscFolder(nativePath(folder)))
            discs.push_back({QStringLiteral("Disque de démonstration (%1)").arg(QDir::toNativeSeparators(folder)), folder});
    }
    return discs;
}

QString copyDisc(const QString& sourceFolder, const QString& targetFolder)
{
    if (QString problem = discFolderProblem(sourceFolder); !problem.isEmpty())
        return problem;
    const QFileInfo target(targetFolder);
    if (target.exists() && !(target.isDir() && QDir(targetFolder).isEmpty()))
        return QStringLiteral("%1 n'est pas vide : choisissez un dossier vide ou un nouveau nom.").arg(quoted(targetFolder));
    if (isInside(target.absoluteFilePath(), sourceFolder))
        return QStringLiteral("Le nouveau dossier ne peut pas être dans le disque qu'il copie.");
    if (!target.absoluteDir().exists())
        return QStringLiteral("Le dossier %1 n'existe pas.").arg(quoted(target.absolutePath()));

    QString readError;
    const auto error = discwriter::replaceFolder(
        target.absolutePath(), target.fileName(), Access::ownerOnly,
        [&](const QString& folder) { return copyTree(QDir(sourceFolder), QDir(folder), readError); });
    if (!readError.isEmpty())
        return readError;
    return error ? describe(*error) : QString();
}

} // namespace patient
