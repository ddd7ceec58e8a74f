#include "patient/command.h"

#include "patient/command_line.h"

namespace fs = std::filesystem;

namespace patient {

using namespace sets;

namespace {

int fail(std::ostream& err, const std::string& text, int status = exitFailure)
{
    err << "tavrel-patient : " << text << std::endl;
    return status;
}

void printSets(std::ostream& out, const fs::path& discFolder)
{
    out << "Jeux du patient dans " << utf8Of(discFolder.lexically_normal()) << " :\n";
    for (const PatientSet& set : patientSets()) {
        std::string name = set.name;
        name.resize(std::max<std::size_t>(name.size(), 17), ' ');
        out << "  " << name << set.label << " : " << describeSet(inspectSet(discFolder, set.name)) << '\n';
    }
    out.flush();
}

} // namespace

int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   PictureCodec& codec, const ImageMaker& makeImage)
{
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.request)
        return fail(err, parsed.error + " (tavrel-patient --help pour l'aide)", exitUsage);
    const Request& request = *parsed.request;
    if (request.help || request.version) {
        out << (request.help ? helpText() : versionText()) << std::flush;
        return exitSuccess;
    }

    const fs::path disc = pathFromUtf8(request.discFolder);
    if (const std::string problem = discFolderProblem(disc); !problem.empty())
        return fail(err, problem);

    if (!request.setName.empty()) {
        // Told early; checked again under the set's lock as it is written.
        const SetContent content = inspectSet(disc, request.setName);
        if (!content.empty() && !request.replace)
            return fail(err, notEmptyMessage(request.setName, content));

        std::vector<PhotographChoice> photographs;
        std::vector<std::string> names;
        for (const std::string& photograph : request.photographs) {
            photographs.push_back({pathFromUtf8(photograph), request.side});
            names.push_back(utf8Of(pathFromUtf8(photograph).filename()));
        }
        out << fillNotice(names, std::vector<Side>(photographs.size(), request.side)) << std::flush;

        const SetOutcome outcome = writePatientSet(disc, request.setName, photographs, codec, request.replace);
        if (!outcome.written)
            return fail(err, outcome.message);
        out << "Jeu " << request.setName << " écrit : " << picturesPerSet << " images dans "
            << utf8Of((disc / request.setName).lexically_normal()) << ".\n";
        // The set is in place; what is left to tidy is told, not a failure.
        if (!outcome.message.empty())
            err << "tavrel-patient : " << outcome.message << std::endl;
    }

    if (!request.imageFile.empty()) {
        const fs::path image = pathFromUtf8(request.imageFile);
        if (const std::string error = writeDiscImage(disc, image, makeImage); !error.empty())
            return fail(err, error);
        out << "Image ISO 9660 écrite : " << utf8Of(image) << ".\n";
    }
    printSets(out, disc);
    return exitSuccess;
}

} // namespace patient
