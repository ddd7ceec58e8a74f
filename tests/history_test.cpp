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
    return {"2026-12-07T14:05:09", std::move(patient), Tally{{BodyPart::face, 2, 4500, true}, pictures, 18, 15, 812, 790}, {}};
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
                                 "temps_moyen_ms;temps_médian_ms;exercice\r\n"
                                 "2026-12-07T14:05:09;Jeanne Dupont;visage;2;4500;1;20;18;15;812;790;\r\n"
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

// A history a French spreadsheet saved back: Windows-1252 without a
// byte-order mark, dates as 07/12/2026 14:05(:09), columns moved and one
// added. Its lines are read by the header's names, and new lines are
// written in its columns and encoding; lines in the program's own order
// under that header (written by an older version) are read too. Dates that
// do not exist are damage.
TEST(HistoryTest, AFileASpreadsheetSavedBackStaysTheProgramsOwn)
{
    TempFolder folder;
    History history(folder.path());
    const std::string calcHeader = "patient;date;commentaire;partie;niveau;vitesse_ms;feedback;images;r\xE9ponses;"
                                   "justes;temps_moyen_ms;temps_m\xE9""dian_ms\r\n";
    std::ofstream(history.file(), std::ios::binary)
        << calcHeader << "H\xE9l\xE8ne;07/12/2026 14:05;bien;mains;1;3000;0;20;18;15;812;790\r\n"
        << "H\xE9l\xE8ne;08/12/2026 09:30:12;;pieds;2;3000;0;20;10;5;900;880\r\n"
        << "2026-12-09T10:00:00;H\xE9l\xE8ne;visage;1;3000;0;20;20;20;500;500\r\n" // the program's order
        << "H\xE9l\xE8ne;31/02/2026 10:00;;mains;1;3000;0;20;18;15;812;790\r\n"    // no such day
        << "H\xE9l\xE8ne;2026-13-45T99:00:00;;mains;1;3000;0;20;18;15;812;790\r\n";
    HistoryContents read = history.read();
    EXPECT_EQ(read.skipped, 2);
    ASSERT_EQ(read.results.size(), 3u);
    EXPECT_EQ(read.results[0], (ExerciseResult{"2026-12-07T14:05:00", "Hélène",
                                               Tally{{BodyPart::hands, 1, 3000, false}, 20, 18, 15, 812, 790}, {}}));
    EXPECT_EQ(read.results[1].date, "2026-12-08T09:30:12");
    EXPECT_EQ(read.results[2].tally.settings.part, BodyPart::face);

    ASSERT_EQ(history.append({result("Zoé Lefèvre"), {}}), "");
    const std::string text = contentOf(history.file());
    EXPECT_TRUE(text.starts_with(calcHeader)) << "the user's header stays";
    // The identity, a column the user's header does not name, follows its
    // columns.
    EXPECT_TRUE(text.ends_with("Zo\xE9 Lef\xE8vre;2026-12-07T14:05:09;;visage;2;4500;1;20;18;15;812;790;\r\n")) << text;
    read = history.read();
    ASSERT_EQ(read.results.size(), 4u);
    EXPECT_EQ(read.results[3], result("Zoé Lefèvre"));

    // A name Windows-1252 cannot hold, and a file that lost a column: the
    // user's file is left as it is, the lines go to a new file beside it,
    // and this is said once.
    const std::string before = contentOf(history.file());
    const std::string said = history.append({result("Łukasz"), {}});
    EXPECT_NE(said.find("resultats-suite.csv"), std::string::npos) << said;
    EXPECT_EQ(contentOf(history.file()), before);
    std::ofstream(history.answersFile(), std::ios::binary) << "date;patient;ordre;image\r\n";
    ExerciseRecord withPictures{result("Łukasz"), {{1, 12, "VisageDG", Side::right, Side::right, 640, {}}}};
    EXPECT_EQ(history.append(withPictures), "") << "said once per run";
    EXPECT_EQ(contentOf(history.answersFile()), "date;patient;ordre;image\r\n");
    read = history.read();
    ASSERT_EQ(read.results.size(), 6u);
    EXPECT_EQ(read.results[5].patient, "Łukasz");
    ASSERT_EQ(read.answers.size(), 1u);
    EXPECT_EQ(read.answers[0].pictures, withPictures.pictures);

    for (const char* date : {"2026-02-29T10:00:00", "2026-12-07T24:00:00", "07/12/2026", "2026-12-07T10:00"})
        EXPECT_FALSE(normalDateTime(date)) << date;
    EXPECT_EQ(normalDateTime("29/02/2028 23:59:59"), "2028-02-29T23:59:59");
    EXPECT_EQ(normalDateTime("07/12/26 14:05"), "2026-12-07T14:05:00");
}

// Files begun by an earlier version, without the identity and the columns of
// the keys left out: their lines are read as they are, and new lines carry
// the new columns after the file's own, also where a spreadsheet filled the
// header with empty cells up to the longest line.
TEST(HistoryTest, AFileOfAnEarlierVersionTakesTheNewColumnsAfterItsOwn)
{
    TempFolder folder;
    History history(folder.path());
    const std::string oldResult = "2026-11-30T09:00:00;Zoé;mains;1;3000;1;2;1;1;700;700";
    std::ofstream(history.file(), std::ios::binary)
        << "\xEF\xBB\xBF" << historyHeader.substr(0, historyHeader.rfind(';')) << "\r\n" << oldResult << "\r\n";
    std::ofstream(history.answersFile(), std::ios::binary)
        << "date;patient;ordre;partie;jeu;image;côté;réponse;juste;temps_ms;;;;\r\n"
        << "2026-11-30T09:00:00;Zoé;1;mains;mainDG;3;gauche;gauche;1;700;;;;\r\n"
        << "2026-11-30T09:00:00;Zoé;2;mains;mainDG;14;droite;;;\r\n";

    ExerciseRecord record{result("Zoé"), {{1, 12, "mainDG", Side::right, Side::right, 640, {}},
                                             {2, 4, "mainDG", Side::left, std::nullopt, std::nullopt,
                                              LeftOutKey{Side::right, 90, KeyMark::tooSoon}}}};
    record.result.id = newExerciseId();
    ASSERT_EQ(history.append(record), "");
    const std::string results = contentOf(history.file());
    EXPECT_TRUE(results.ends_with(";812;790;" + record.result.id + "\r\n")) << results;
    const std::string answers = contentOf(history.answersFile());
    EXPECT_TRUE(answers.ends_with(";mainDG;4;gauche;;;;droite;90;trop tôt;" + record.result.id + "\r\n")) << answers;

    const HistoryContents read = history.read();
    EXPECT_EQ(read.skipped, 0);
    ASSERT_EQ(read.results.size(), 2u);
    EXPECT_EQ(historyLine(read.results[0]), oldResult + ';');
    EXPECT_EQ(read.results[1], record.result);
    ASSERT_EQ(read.answers.size(), 2u);
    EXPECT_EQ(read.answers[0].id, "");
    EXPECT_EQ(read.answers[0].pictures.size(), 2u);
    EXPECT_EQ(read.answers[1].id, record.result.id);
    EXPECT_EQ(read.answers[1].pictures, record.pictures);
    EXPECT_EQ(lastExerciseOf(read, "Zoé"), record);
}

// Two copies of the program adding lines to the same history at once: each
// line whole and once, the header once.
TEST(HistoryTest, TwoProgramsWritingAtOnceCutNoLine)
{
    TempFolder folder;
    const fs::path where = folder.path() / "tavrel";
    const std::string longName(5000, 'y');
    constexpr int each = 150;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            History history(where);
            std::vector<PictureAnswer> pictures(40, {1, 3, "mainDG", Side::left, Side::left, 500, {}});
            for (int i = 0; i < each; ++i)
                history.append({result(longName + char('a' + c), 20 + i), pictures});
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const HistoryContents read = History(where).read();
    EXPECT_EQ(read.skipped, 0);
    EXPECT_EQ(read.results.size(), 2u * each);
    int pictures = 0;
    for (const ExerciseAnswers& a : read.answers)
        pictures += static_cast<int>(a.pictures.size());
    // Both copies write the same dates: their lines gather by date and name.
    EXPECT_EQ(pictures, 2 * each * 40);
    for (const fs::path& file : {History(where).file(), History(where).answersFile()}) {
        const std::string text = contentOf(file);
        EXPECT_EQ(text.find("date;patient"), 3u);
        EXPECT_EQ(text.find("date;patient", 4), std::string::npos) << "one header in " << file;
    }
}
