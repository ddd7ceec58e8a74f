// The history file: its lines as a spreadsheet reads them, names quoted,
// damaged lines skipped when reading, owner-only permissions, and lines
// saved before a crash kept whole.

#include "support/temp_folder.h"

#include "results/history.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

ExerciseResult result(std::string patient, int pictures = 20)
{
    return {"2026-12-07T14:05:09", std::move(patient), Tally{{BodyPart::face, 2, 4500, true}, pictures, 18, 15, 812, 790}};
}

std::string contentOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(HistoryTest, LinesAsASpreadsheetReadsThemAndBack)
{
    TempFolder folder;
    History history(folder.path() / "data" / "tavrel");
    for (const char* name : {"Jeanne Dupont", "Dupont; Jean", "Le \"Grand\" Martin", "Ligne\nsuivante",
                                    "=HYPERLINK(\"x\")", "-1", "Zoé Lefèvre"})
        ASSERT_EQ(history.append({result(name), {}}), "");

    const std::string text = contentOf(history.file());
    EXPECT_TRUE(text.starts_with("\xEF\xBB\xBF"
                                 "date;patient;partie;niveau;vitesse_ms;feedback;images;réponses;justes;"
                                 "temps_moyen_ms;temps_médian_ms\r\n"
                                 "2026-12-07T14:05:09;Jeanne Dupont;visage;2;4500;1;20;18;15;812;790\r\n"
                                 "2026-12-07T14:05:09;\"Dupont; Jean\";visage;"))
        << text;
    EXPECT_NE(text.find(";\"Le \"\"Grand\"\" Martin\";"), std::string::npos);
    EXPECT_NE(text.find(";\"Ligne\nsuivante\";"), std::string::npos);
    // A name a spreadsheet would take for a formula is written as text.
    EXPECT_NE(text.find(";\"'=HYPERLINK(\"\"x\"\")\";"), std::string::npos);
    EXPECT_NE(text.find(";\"'-1\";"), std::string::npos);

    const HistoryContents read = history.read();
    EXPECT_EQ(read.skipped, 0);
    ASSERT_EQ(read.results.size(), 7u);
    EXPECT_EQ(read.results[3].patient, "Ligne\nsuivante");
    EXPECT_EQ(read.results[4], result("=HYPERLINK(\"x\")"));
    EXPECT_EQ(read.results[6], result("Zoé Lefèvre"));

    EXPECT_EQ(fs::status(history.file()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(history.folder()).permissions() & fs::perms::all, fs::perms::owner_all);
}

// Lines cut by a crash, written by hand or by another program are skipped
// and counted; the lines around them are read, and a new line starts on a
// line of its own.
TEST(HistoryTest, DamagedAndForeignLinesAreSkippedNeverTheFile)
{
    TempFolder folder;
    History history(folder.path());
    ASSERT_EQ(history.append({result("A"), {}}), "");
    {
        std::ofstream out(history.file(), std::ios::binary | std::ios::app);
        out << "2026-12-07T15:00:00;\"B, coupé en pl\r\n"  // an unclosed quote
            << "une ligne étrangère\r\n"
            << "2026-12-07T15:00:00;C;mains;9;3000;1;20;18;15;812;790\r\n" // level 9
            << "2026-12-07T15:00:00;D;mains;1;3000;1;20;21;15;812;790\r\n" // more answers than pictures
            << "\r\n"
            << "2026-12-07T15:0"; // cut short
    }
    ASSERT_EQ(history.append({result("F"), {}}), "");

    const HistoryContents read = history.read();
    EXPECT_EQ(read.skipped, 5);
    ASSERT_EQ(read.results.size(), 2u);
    EXPECT_EQ(read.results[0].patient, "A");
    EXPECT_EQ(read.results[1].patient, "F");

    // A file of another program altogether is read as holding nothing.
    std::ofstream(folder.path() / "resultats.csv", std::ios::binary | std::ios::trunc) << "\x89PNG\r\n\x1a\n";
    EXPECT_EQ(history.read().results.size(), 0u);
    EXPECT_EQ(History(folder.path() / "nothing").read().results.size(), 0u);
}

// Lines are added one write each, flushed to the disk: a process killed while
// it adds lines loses at most the line it was writing, and every line before
// it is read back whole.
TEST(HistoryTest, AProcessKilledWhileWritingLosesNoEarlierLine)
{
    TempFolder folder;
    const fs::path where = folder.path() / "tavrel";
    const std::string longName(3000, 'x');
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        History history(where);
        for (int i = 1;; ++i)
            history.append({result(longName, 18 + i), {}});
    }
    History history(where);
    for (int waited = 0; history.read().results.size() < 200; ++waited) {
        ASSERT_LT(waited, 60'000) << "the child wrote too little within a minute";
        usleep(1000);
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);

    const HistoryContents read = history.read();
    EXPECT_LE(read.skipped, 1);
    ASSERT_GE(read.results.size(), 200u);
    for (std::size_t i = 0; i < read.results.size(); ++i)
        ASSERT_EQ(read.results[i], result(longName, 19 + static_cast<int>(i))) << "line " << i + 1;

    // The next line after the crash is whole and read back.
    ASSERT_EQ(history.append({result("Après"), {}}), "");
    EXPECT_EQ(history.read().results.back().patient, "Après");
}
