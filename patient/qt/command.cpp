#include "command.h"

#include "patient/command_line.h"
#include "patient_disc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace patient {
namespace {

int fail(QTextStream& err, const QString& text, int status = exitFailure)
{
    err << "tavrel-patient : " << text << Qt::endl;
    return status;
}

void printSets(QTextStream& out, const QString& discFolder)
{
    out << "Jeux du patient dans " << QDir::toNativeSeparators(discFolder) << " :\n";
    for (const PatientSet& set : patientSets()) {
        const std::string state = describeSet(setContent(discFolder, set.name));
        out << "  " << QString::fromStdString(set.name).leftJustified(17) << QString::fromStdString(set.label)
            << " : " << QString::fromStdString(state) << '\n';
    }
    out.flush();
}

} // namespace

int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    std::vector<std::string> words;
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument).toStdString());
    const ParsedCommandLine parsed = parseCommandLine(words);
    if (!parsed.request)
        return fail(err, QString::fromStdString(parsed.error) + QStringLiteral(" (tavrel-patient --help pour l'aide)"),
                    exitUsage);
    const Request& request = *parsed.request;
    if (request.help) {
        out << QString::fromStdString(helpText());
        return exitSuccess;
    }

    const QString disc = QFile::decodeName(request.discFolder.c_str());
    if (const QString problem = discFolderProblem(disc); !problem.isEmpty())
        return fail(err, problem);

    if (!request.setName.empty()) {
        const QString setName = QString::fromStdString(request.setName);
        const SetContent content = setContent(disc, request.setName);
        if (!content.empty() && !request.replace)
            return fail(err, QStringLiteral("le jeu %1 n'est pas vide (%2) ; rien n'a été écrit. Ajoutez --remplacer "
                                            "pour le remplacer.")
                                 .arg(setName, QString::fromStdString(describeSet(content))));

        std::vector<PhotographChoice> photographs;
        std::vector<std::string> names;
        for (const std::string& photograph : request.photographs) {
            const QString path = QFile::decodeName(photograph.c_str());
            photographs.push_back({path, request.side});
            names.push_back(QFileInfo(path).fileName().toStdString());
        }
        const std::string notice = fillNotice(names, std::vector<Side>(photographs.size(), request.side));
        if (!notice.empty())
            out << QString::fromStdString(notice);
        out.flush();

        if (const QString error = writePatientSet(disc, setName, photographs); !error.isEmpty())
            return fail(err, error);
        out << "Jeu " << setName << " écrit : " << picturesPerSet << " images dans "
            << QDir::toNativeSeparators(QDir(disc).filePath(setName)) << ".\n";
    }

    if (!request.imageFile.empty()) {
        const QString image = QFile::decodeName(request.imageFile.c_str());
        if (const QString error = writeDiscImage(disc, image); !error.isEmpty())
            return fail(err, error);
        out << "Image ISO 9660 écrite : " << QDir::toNativeSeparators(image) << ".\n";
    }
    printSets(out, disc);
    return exitSuccess;
}

} // namespace patient
