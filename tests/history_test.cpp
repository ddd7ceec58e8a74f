// The history files: their lines as a spreadsheet reads them, names quoted,
// lines that cannot be read counted with their reason, the forms a
// spreadsheet saves them in (encodings, separators, dates, line ends) read
// and written to in kind, owner-only permissions, and what the reader reads
// again of a file that grew.

#include "support/history_files.h"
#include "support/saved_history.h"
#include "support/temp_folder.h"

#include "results/history_reader.h"
#include "results/patient_name.h"
#include "results/results_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

ExerciseResult result(std::string patient, int pictures = 20)
{
    return {"2026-12-07T14:05:09", std::move(patient), Tally{{BodyPart::face, 2, 4500, true}, pictures, 18, 15, 812, 790},
            newExerciseId()};
}

HistoryContents parsed(const std::string& text, bool answers = false)
{
    HistoryContents contents;
    answers ? parseAnswers(text, contents) : parseHistory(text, contents);
    return contents;
}

} // namespace

TEST(HistoryTest, LinesAsASpreadsheetReadsThemAndBack)
{
    TempFolder folder;
    const fs::path data = folder.path() / "data" / "tavrel";
    std::vector<ExerciseResult> saved;
    {
        ResultsFolder results(data, "PC");
        for (const char* name : {"Jeanne Dupont", "Dupont; Jean", "Le \"Grand\" Martin", "Ligne\nsuivante",
                                 "=HYPERLINK(\"x\")", "-1", "Zoé Lefèvre"}) {
            saved.push_back(result(name));
            ASSERT_EQ(results.save({saved.back(), {}}), "");
        }
        ASSERT_TRUE(results.finish(60s));
    }
    const std::string text = contentOf(data / "resultats.csv");
    EXPECT_TRUE(text.starts_with("\xEF\xBB\xBF"
                                 "date;patient;partie;niveau;vitesse_ms;feedback;images;réponses;justes;"
                                 "temps_moyen_ms;temps_médian_ms;exercice\r\n"
                                 "2026-12-07T14:05:09;Jeanne Dupont;visage;2;4500;1;20;18;15;812;790;" +
                                 saved[0].id + "\r\n2026-12-07T14:05:09;\"Dupont; Jean\";visage;"))
        << text;
    EXPECT_NE(text.find(";\"Le \"\"Grand\"\" Martin\";"), std::string::npos);
    EXPECT_NE(text.find(";\"Ligne\nsuivante\";"), std::string::npos);
    // A name a spreadsheet would take for a formula is written as text.
    EXPECT_NE(text.find(";\"'=HYPERLINK(\"\"x\"\")\";"), std::string::npos);
    EXPECT_NE(text.find(";\"'-1\";"), std::string::npos);

    const HistoryContents read = parsed(text);
    EXPECT_EQ(read.skipped, 0);
    EXPECT_EQ(read.results, saved);
    // Each exercise once, though the journal was worked at every save.
    EXPECT_EQ(readFolder(data)->history.results.size(), 7u);

    EXPECT_EQ(fs::status(data / "resultats.csv").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(data).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(data / "journal")) << "the journal lets go of what both files hold";
}

// Lines cut by a crash, written by hand or by another program are skipped
// and counted with their reason; the lines around them are read.
TEST(HistoryTest, LinesThatCannotBeReadAreCountedWithTheirReason)
{
    const std::string header = "\xEF\xBB\xBF" + std::string(historyHeader) + "\r\n";
    const std::string good = "2026-12-07T15:00:00;A;mains;1;3000;1;20;18;15;812;790;\r\n";
    HistoryContents read = parsed(header + good +
                                  "2026-12-07T15:00:00;\"B, coupé en pl\r\n"                      // an unclosed quote
                                  "une ligne étrangère\r\n"                                      // someone else's
                                  "2026-12-07T15:00:00;C;mains;9;3000;1;20;18;15;812;790;\r\n"   // level 9
                                  "2026-13-45T99:00:00;D;mains;1;3000;1;20;18;15;812;790;\r\n"   // no such date
                                  "le 7 décembre;E;mains;1;3000;1;20;18;15;812;790;\r\n"         // no date at all
                                  "\r\n" +
                                  good + "2026-12-07T15:0");                                     // cut short
    EXPECT_EQ(read.results.size(), 2u);
    EXPECT_EQ(read.skipped, 6);
    using Why = std::map<std::pair<std::string, std::string>, int>;
    EXPECT_EQ(read.skippedWhy, (Why{{{"contenu abîmé ou étranger au programme", ""}, 3},
                                    {{"contenu abîmé ou étranger au programme", "C"}, 1},
                                    {{"date non reconnue", "D"}, 1},
                                    {{"date non reconnue", "E"}, 1}}));

    // A column deleted in a spreadsheet: every line of the file says so.
    read = parsed("date;patient;partie;niveau;vitesse_ms;feedback;images;réponses;justes;temps_médian_ms\r\n"
                  "2026-12-07T15:00:00;A;mains;1;3000;1;20;18;15;790\r\n"
                  "2026-12-08T15:00:00;A;mains;1;3000;1;20;18;15;790\r\n");
    EXPECT_EQ(read.skipped, 2);
    EXPECT_EQ(read.skippedWhy, (Why{{{"la colonne « temps_moyen_ms » manque au fichier", ""}, 2}}));

    // A file of another program altogether is read as holding nothing.
    EXPECT_TRUE(parsed("\x89PNG\r\n\x1a\n").results.empty());
}

// The dates of a spreadsheet: French, English (month first, decided per
// file by a day above 12; a file that cannot tell is read as French and
// says so), German.
TEST(HistoryTest, DatesAsSpreadsheetsWriteThem)
{
    EXPECT_EQ(normalDateTime("07/12/2026 14:05:09"), "2026-12-07T14:05:09");
    EXPECT_EQ(normalDateTime("07/12/26 14:05"), "2026-12-07T14:05:00");
    EXPECT_EQ(normalDateTime("07.12.2026 14:05"), "2026-12-07T14:05:00");
    EXPECT_EQ(normalDateTime("07.12.2026 14:05", DateOrder::monthFirst), "2026-12-07T14:05:00") << "German: day first";
    EXPECT_EQ(normalDateTime("12/7/26 2:05 PM", DateOrder::monthFirst), "2026-12-07T14:05:00");
    EXPECT_EQ(normalDateTime("12/7/2026 12:30:01 AM", DateOrder::monthFirst), "2026-12-07T00:30:01");
    EXPECT_EQ(normalDateTime("2026-12-07 14:05"), "2026-12-07T14:05:00");
    EXPECT_EQ(normalDateTime("29/02/2028 23:59:59"), "2028-02-29T23:59:59");
    for (const char* date : {"2026-02-29T10:00:00", "2026-12-07T24:00:00", "07/12/2026", "07/12-2026 10:00",
                             "12/7/26 13:05 PM", "7/12/123 10:00"})
        EXPECT_FALSE(normalDateTime(date)) << date;

    const std::string header = "date;patient;partie;niveau;vitesse_ms;feedback;images;réponses;justes;temps_moyen_ms;"
                               "temps_médian_ms\r\n";
    const auto line = [](const std::string& date) { return date + ";Zoé;mains;1;3000;1;20;18;15;812;790\r\n"; };
    // An English spreadsheet: 03/11 is 11 March, as 12/25 shows.
    HistoryContents read = parsed(header + line("03/11/2026 09:00") + line("12/25/2026 10:00"));
    ASSERT_EQ(read.results.size(), 2u);
    EXPECT_EQ(read.results[0].date, "2026-03-11T09:00:00");
    EXPECT_EQ(read.results[1].date, "2026-12-25T10:00:00");
    EXPECT_FALSE(read.undecidedDates);
    // A French one: 25/12 shows it.
    read = parsed(header + line("03/11/2026 09:00") + line("25/12/2026 10:00"));
    EXPECT_EQ(read.results[0].date, "2026-11-03T09:00:00");
    // Nothing shows it: French, and said.
    read = parsed(header + line("03/11/2026 09:00"));
    EXPECT_EQ(read.results[0].date, "2026-11-03T09:00:00");
    EXPECT_TRUE(read.undecidedDates);
    read = parsed(header + line("07.12.2026 14:05"));
    EXPECT_EQ(read.results[0].date, "2026-12-07T14:05:00");
    EXPECT_FALSE(read.undecidedDates);
}

// A history a spreadsheet saved back: Windows-1252 or UTF-16 with tabs,
// columns moved and one added, LF line ends. Its lines are read by the
// header's names, and new lines are written in its columns, encoding,
// separator and line end; a file that lost a column is left as it is and
// the lines go to a new file beside it.
TEST(HistoryTest, AFileASpreadsheetSavedBackStaysTheProgramsOwn)
{
    TempFolder folder;
    const fs::path data = folder.path();
    const fs::path file = data / "resultats.csv";
    const std::string calcHeader = "patient;date;commentaire;partie;niveau;vitesse_ms;feedback;images;r\xE9ponses;"
                                   "justes;temps_moyen_ms;temps_m\xE9""dian_ms\n";
    std::ofstream(file, std::ios::binary) << calcHeader << "H\xE9l\xE8ne;07/12/2026 14:05;bien;mains;1;3000;0;20;18;15;812;790\n"
                                          << "H\xE9l\xE8ne;08/12/2026 09:30:12;;pieds;2;3000;0;20;10;5;900;880\n";
    HistoryContents read = parsed(contentOf(file));
    EXPECT_EQ(read.skipped, 0);
    ASSERT_EQ(read.results.size(), 2u);
    EXPECT_EQ(read.results[0], (ExerciseResult{"2026-12-07T14:05:00", "Hélène",
                                               Tally{{BodyPart::hands, 1, 3000, false}, 20, 18, 15, 812, 790}, {}}));

    const ExerciseResult zoe = result("Zoé Lefèvre");
    {
        ResultsFolder results(data, "PC");
        ASSERT_EQ(results.save({zoe, {}}), "");
        ASSERT_TRUE(results.finish(60s));
    }
    const std::string text = contentOf(file);
    EXPECT_TRUE(text.starts_with(calcHeader)) << "the user's header stays";
    // The identity, a column the user's header does not name, follows its
    // columns; the line ends as the file's lines do.
    EXPECT_TRUE(text.ends_with("Zo\xE9 Lef\xE8vre;2026-12-07T14:05:09;;visage;2;4500;1;20;18;15;812;790;" + zoe.id + "\n"))
        << text;
    read = parsed(text);
    ASSERT_EQ(read.results.size(), 3u);
    EXPECT_EQ(read.results[2], zoe);

    // « Unicode text »: UTF-16 with tabs, read, and written to in kind.
    const std::u16string unicode = u"date\tpatient\tpartie\tniveau\tvitesse_ms\tfeedback\timages\tréponses\tjustes\t"
                                   u"temps_moyen_ms\ttemps_médian_ms\r\n07/12/2026 14:05\tÉlodie\tmains\t1\t3000\t0\t20\t18"
                                   u"\t15\t812\t790\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : unicode)
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    read = parsed(contentOf(file));
    ASSERT_EQ(read.results.size(), 1u);
    EXPECT_EQ(read.results[0].patient, "Élodie");
    {
        ResultsFolder results(data, "PC");
        ASSERT_EQ(results.save({result("Łukasz"), {}}), "");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_EQ(results.problem(), "");
    }
    read = parsed(contentOf(file));
    ASSERT_EQ(read.results.size(), 2u);
    EXPECT_EQ(read.results[1].patient, "Łukasz");
    EXPECT_TRUE(contentOf(file).starts_with(bytes)) << "the lines before stay as they were";

    // A file that lost a column, and a name Windows-1252 cannot hold: the
    // user's file is left as it is, the lines go to a new file beside it,
    // and the note says why.
    std::ofstream(data / "reponses.csv", std::ios::binary) << "date;patient;ordre;image\r\n";
    const ExerciseRecord withPictures{result("Łukasz"), {{1, 12, "VisageDG", Side::right, Side::right, 640, {}}}};
    ResultsFolder results(data, "PC");
    ASSERT_EQ(results.save(withPictures), "");
    ASSERT_TRUE(results.finish(60s));
    EXPECT_NE(results.problem().find("reponses-suite.csv"), std::string::npos) << results.problem();
    EXPECT_NE(results.problem().find("« partie » a été supprimée"), std::string::npos) << results.problem();
    EXPECT_EQ(contentOf(data / "reponses.csv"), "date;patient;ordre;image\r\n");
    const FolderHistory folderRead = *readFolder(data);
    ASSERT_EQ(folderRead.history.answers.size(), 1u);
    EXPECT_EQ(folderRead.history.answers[0].pictures, withPictures.pictures);
    EXPECT_EQ(folderRead.history.answers[0].id, withPictures.result.id);
}

// Files begun by an earlier version, without the identity and the columns of
// the keys left out: their lines are read as they are, and new lines carry
// the new columns after the file's own, also where a spreadsheet filled the
// header with empty cells up to the longest line.
TEST(HistoryTest, AFileOfAnEarlierVersionTakesTheNewColumnsAfterItsOwn)
{
    TempFolder folder;
    const fs::path data = folder.path();
    const std::string oldResult = "2026-11-30T09:00:00;Zoé;mains;1;3000;1;2;1;1;700;700";
    std::ofstream(data / "resultats.csv", std::ios::binary)
        << "\xEF\xBB\xBF" << historyHeader.substr(0, historyHeader.rfind(';')) << "\r\n" << oldResult << "\r\n";
    std::ofstream(data / "reponses.csv", std::ios::binary)
        << "date;patient;ordre;partie;jeu;image;côté;réponse;juste;temps_ms;;;;\r\n"
        << "2026-11-30T09:00:00;Zoé;1;mains;mainDG;3;gauche;gauche;1;700;;;;\r\n"
        << "2026-11-30T09:00:00;Zoé;2;mains;mainDG;14;droite;;;\r\n";

    const ExerciseRecord record{result("Zoé"), {{1, 12, "mainDG", Side::right, Side::right, 640, {}},
                                                   {2, 4, "mainDG", Side::left, std::nullopt, std::nullopt,
                                                    LeftOutKey{Side::right, 90, KeyMark::tooSoon}}}};
    {
        ResultsFolder results(data, "PC");
        ASSERT_EQ(results.save(record), "");
        ASSERT_TRUE(results.finish(60s));
    }
    const std::string results = contentOf(data / "resultats.csv");
    EXPECT_TRUE(results.ends_with(";812;790;" + record.result.id + "\r\n")) << results;
    const std::string answers = contentOf(data / "reponses.csv");
    EXPECT_TRUE(answers.ends_with(";mainDG;4;gauche;;;;droite;90;trop tôt;" + record.result.id + "\r\n")) << answers;

    HistoryContents read = parsed(results);
    parseAnswers(answers, read);
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

// The reader reads again only what was added to a file; a file changed
// under it (saved back by a spreadsheet) is read whole again, and a last
// line still being written is read again once it is whole.
TEST(HistoryTest, TheReaderReadsOnlyWhatWasAdded)
{
    TempFolder folder;
    const fs::path file = folder.path() / "resultats.csv";
    std::string text = "\xEF\xBB\xBF" + std::string(historyHeader) + "\r\n";
    for (int i = 0; i < 200; ++i)
        text += historyLine(result("Zoé", 20 + i)) + "\r\n";
    std::ofstream(file, std::ios::binary) << text;
    HistoryReader reader;
    ASSERT_EQ(reader.read(file, HistoryParser::Kind::results)->lines.results.size(), 200u);
    const std::uint64_t whole = reader.bytesRead();
    EXPECT_EQ(whole, text.size());

    const std::string added = historyLine(result("Zoé", 300)) + "\r\n";
    std::ofstream(file, std::ios::binary | std::ios::app) << added << "2026-12-08T10:00:00;Zo";
    const FileHistory* read = reader.read(file, HistoryParser::Kind::results);
    EXPECT_EQ(read->lines.results.size(), 201u);
    EXPECT_EQ(read->lastLine.skipped, 1) << "the line being written";
    EXPECT_LT(reader.bytesRead() - whole, 200u) << "only what was added, and the end of what was read";
    std::ofstream(file, std::ios::binary | std::ios::app) << "é;mains;1;3000;1;20;18;15;812;790;\r\n";
    read = reader.read(file, HistoryParser::Kind::results);
    EXPECT_EQ(read->lines.results.size(), 202u);
    EXPECT_EQ(read->lines.results.back().patient, "Zoé");
    EXPECT_EQ(read->lastLine.results.size() + read->lastLine.skipped, 0u);

    // Saved back with its last line changed, and as long as before.
    std::string changed = contentOf(file);
    changed.replace(changed.rfind("812;790"), 7, "813;791");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << changed;
    fs::last_write_time(file, fs::last_write_time(file) + 2s);
    read = reader.read(file, HistoryParser::Kind::results);
    ASSERT_EQ(read->lines.results.size(), 202u);
    EXPECT_EQ(read->lines.results.back().tally.meanMs, 813);
}

TEST(PatientNameTest, ComposedFormsAndNamesThatAreClose)
{
    const std::string decomposed = "He\xCC\x81le\xCC\x80ne Dupont"; // e + U+0301, e + U+0300
    EXPECT_EQ(composed(decomposed), "Hélène Dupont");
    EXPECT_EQ(patientKey("  Zoe\xCC\x88  "), "Zoë");
    EXPECT_EQ(composed("Łukasz Ørsted"), "Łukasz Ørsted");
    EXPECT_EQ(foldedName("HÉLÈNE DUPONT"), "helene dupont");
    EXPECT_EQ(foldedName("Œdipe Çà"), "œdipe ca");
    const std::map<std::string, int> names = {
        {"Hélène Dupont", 4}, {"helene dupont", 2}, {"HÉLÈNE DUPONT", 1}, {"Hélène Durand", 3}};
    EXPECT_EQ(nearNames(names, decomposed),
              (std::vector<std::pair<std::string, int>>{{"HÉLÈNE DUPONT", 1}, {"helene dupont", 2}}));
    EXPECT_EQ(nearNamesNote(names, "helene dupont"),
              "Autres noms proches dans ce dossier : « HÉLÈNE DUPONT » (1 exercice), « Hélène Dupont » (4 exercices). "
              "S'il s'agit du même patient, tapez son nom toujours de la même façon.");
    EXPECT_EQ(nearNamesNote(names, "Hélène Durand"), "");
}
