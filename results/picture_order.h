#pragma once
// Whether the pictures come in another order at each session. By default the
// random sequence is the same at every start of the program, as it has
// always been, so that a patient who practises every day may learn the first
// pictures of the exercise. The clinician may ask, in the results window,
// for a sequence seeded from the clock at each start; the choice is kept in
// the program's private data folder, beside the patient's name, and read at
// the next start.

#include "model/random.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

// The check box of the results window, and what is written beside it.
inline constexpr std::string_view pictureOrderCaption = "&Ordre des images différent à chaque séance";
inline constexpr std::string_view pictureOrderWhen = "(à partir du prochain démarrage du programme)";

class PictureOrderChoice {
public:
    explicit PictureOrderChoice(std::filesystem::path privateFolder);

    // Whether another order at each session is asked for, as remembered;
    // not until it has been.
    bool varies() const;
    // Remembers the choice for the next starts, in a file readable by its
    // owner only, replaced at once. Empty text when remembered, otherwise a
    // French message; varies() then still tells what is remembered.
    std::string setVaries(bool varies);

    // The sequence of a start of the program at the time given: the usual
    // one, or, when another order is asked for, one seeded from that time.
    RandomSequence sequenceAt(std::chrono::system_clock::time_point now) const;

private:
    std::filesystem::path file_;
};
