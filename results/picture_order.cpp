#include "results/picture_order.h"

#include "results/private_files.h"

#include <utility>

namespace {

// The file's text when another order is asked for; anything else, or no
// file, is the usual order.
constexpr std::string_view variesText = "différent à chaque séance\n";

} // namespace

PictureOrderChoice::PictureOrderChoice(std::filesystem::path privateFolder)
    : file_(std::move(privateFolder) / "ordre-des-images.txt")
{
}

bool PictureOrderChoice::varies() const
{
    return private_files::readBytes(file_, variesText.size() + 1) == std::string(variesText);
}

std::string PictureOrderChoice::setVaries(bool varies)
{
    std::string failure = private_files::makeFolder(file_.parent_path());
    if (failure.empty())
        failure = private_files::replace(file_, varies ? variesText : std::string_view());
    return failure.empty() ? std::string()
                           : "Le choix de l'ordre des images n'a pas pu être gardé pour la prochaine fois : " + failure +
                                 ".";
}

RandomSequence PictureOrderChoice::sequenceAt(std::chrono::system_clock::time_point now) const
{
    if (!varies())
        return RandomSequence();
    return RandomSequence(static_cast<std::uint64_t>(now.time_since_epoch().count()));
}
