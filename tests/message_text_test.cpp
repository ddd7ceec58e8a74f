// Message box texts broken so that a long path never makes a box wider than
// the screen.

#include "model/message_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// The runs of characters between blanks and line breaks, where a box cannot
// break a line by itself.
std::vector<std::string> runsOf(const std::string& text)
{
    std::vector<std::string> runs;
    std::istringstream in(text);
    for (std::string run; in >> run;)
        runs.push_back(run);
    return runs;
}

// Characters, not bytes: a UTF-8 continuation byte adds none.
std::size_t characters(const std::string& text)
{
    std::size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

std::string withoutBreaks(std::string text, const std::string& original)
{
    // Only line breaks were added: taking out those the original lacks gives it back.
    std::string kept;
    std::size_t j = 0;
    for (const char c : text) {
        if (j < original.size() && c == original[j]) {
            kept += c;
            ++j;
        } else if (c != '\n') {
            kept += c;
        }
    }
    return kept;
}

} // namespace

TEST(MessageText, ALongPathIsBrokenAfterItsSeparatorsAndNothingElseChanges)
{
    const std::string path = "C:\\Utilisateurs\\Kinésithérapeute\\Documents\\Patients de la clinique\\"
                             "Dossiers_très_anciens_à_ranger_pour_la_fin_d'année\\sous-dossier";
    const std::string message = "« " + path + " » ne contient pas le fichier bravo.bmp.";
    const std::string shown = breakLongRuns(message, 30);
    EXPECT_NE(shown, message);
    EXPECT_EQ(withoutBreaks(shown, message), message);
    for (const std::string& run : runsOf(shown)) {
        EXPECT_LE(characters(run), 30u) << run;
        EXPECT_NE(static_cast<unsigned char>(run.front()) & 0xC0, 0x80) << "a character cut: " << run;
    }
    // A break follows a separator when the piece had one.
    EXPECT_NE(shown.find("« C:\\Utilisateurs\\\nKinésithérapeute\\Documents\\\nPatients de"), std::string::npos)
        << shown;
}

TEST(MessageText, ARunWithoutSeparatorIsCutAtTheLimitAndShortTextsStayAsTheyAre)
{
    EXPECT_EQ(breakLongRuns(std::string(25, 'a'), 10), std::string(10, 'a') + "\n" + std::string(10, 'a') + "\n" +
                                                          std::string(5, 'a'));
    EXPECT_EQ(breakLongRuns("éééééééééééé", 5), "ééééé\nééééé\néé");
    const std::string plain = "choisissez les options mains,pieds,visage ou patient, puis choisissez les options";
    EXPECT_EQ(breakLongRuns(plain), plain);
    EXPECT_EQ(breakLongRuns("ligne\n" + std::string(60, 'x')), "ligne\n" + std::string(60, 'x'));
    EXPECT_EQ(breakLongRuns(""), "");
}
