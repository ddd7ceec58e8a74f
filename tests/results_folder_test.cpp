// The results folder shared by several computers: each writes its own files,
// every file is read and merged, each exercise once; a folder that goes away
// loses nothing; the folder chosen is remembered.

#include "support/temp_folder.h"

#include "results/results_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

ExerciseResult exercise(std::string date, std::string patient = "Zoé Lefèvre", int correct = 15)
{
    return {std::move(date), std::move(patient), Tally{{BodyPart::hands, 1, 3000, true}, 20, 18, correct, 812, 790}, {}};
}

// An exercise with two pictures answered, one left and one right.
ExerciseRecord record(std::string date)
{
    return {exercise(std::move(date)),
            {{1, 3, "mainDGfacile", Side::left, Side::left, 640, {}}, {2, 14, "mainDGfacile", Side::right, std::nullopt, std::nullopt, {}}}};
}

std::string contentOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The folder once the work asked of it is done.
FolderHistory settled(ResultsFolder& results)
{
    results.refresh();
    EXPECT_TRUE(results.finish(60s));
    return results.contents();
}

std::vector<std::string> datesOf(const FolderHistory& h)
{
    std::vector<std::string> dates;
    for (const ExerciseResult& r : h.history.results)
        dates.push_back(r.date);
    return dates;
}

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(ResultsFolderTest, ComputerNamesMadeIntoFileNamesAndReadBack)
{
    EXPECT_EQ(fileNamePart("PC-CABINET"), "PC-CABINET");
    EXPECT_EQ(fileNamePart("Portable de Zoé"), "Portable de Zoé");
    EXPECT_EQ(fileNamePart("salle 2/poste:3"), "salle 2_poste_3");
    EXPECT_EQ(fileNamePart("a<b>c\"d\\e|f?g*h\ti"), "a_b_c_d_e_f_g_h_i");
    EXPECT_EQ(fileNamePart("  ..Maison.. "), "Maison");
    EXPECT_EQ(fileNamePart("CON"), "_CON");
    EXPECT_EQ(fileNamePart("lpt1.local"), "_lpt1.local");
    EXPECT_EQ(fileNamePart("COM10"), "COM10");
    EXPECT_EQ(fileNamePart(""), "ordinateur");
    EXPECT_EQ(fileNamePart("..."), "ordinateur");
    EXPECT_EQ(fileNamePart("caf\xE9"), "caf_"); // Windows-1252, not UTF-8
    const std::string longName = fileNamePart(std::string(40, 'x') + std::string(20, 'e') + "éééééé");
    EXPECT_LE(longName.size(), 64u);
    EXPECT_TRUE(longName.ends_with("é")) << longName; // never cut inside a letter

    EXPECT_EQ(computerOfFile("resultats-PC-CABINET.csv"), "PC-CABINET");
    EXPECT_EQ(computerOfFile("resultats-PC-CABINET (1).csv"), "PC-CABINET");
    EXPECT_EQ(computerOfFile("resultats-PC (conflicted copy 2026-12-07).csv"), "PC");
    EXPECT_EQ(computerOfFile("resultats-PC.sync-conflict-20261207-140509-ABCDEFG.csv"), "PC");
    EXPECT_EQ(computerOfFile("Resultats-Maison - Copie.CSV"), "Maison");
    EXPECT_EQ(computerOfFile("resultats.csv"), "");
    EXPECT_EQ(computerOfFile("resultats (2).csv"), "");
    EXPECT_FALSE(isHistoryFile("reponses-PC.csv"));
    EXPECT_FALSE(isHistoryFile("resultats-PC.csv.tmp"));
    EXPECT_FALSE(isHistoryFile("en-attente.csv"));
}

// Two computers save into one folder, each into its own file; a
// synchronisation service leaves a conflict copy, and a file is copied in by
// hand: every exercise shows once, in the order of the dates, and the window
// says where they came from.
TEST(ResultsFolderTest, TwoComputersTheirCopiesAndAnImportEachExerciseOnce)
{
    TempFolder temp;
    const fs::path shared = temp.path() / "partagé";
    fs::create_directory(shared);
    {
        ResultsFolder home(temp.path() / "maison", "Maison");
        ResultsFolder clinic(temp.path() / "cabinet", "PC/CABINET");
        EXPECT_EQ(home.choose(shared), "");
        EXPECT_EQ(clinic.choose(shared), "");
        EXPECT_EQ(home.save(record("2026-12-03T09:00:00")), "");
        EXPECT_EQ(clinic.save(record("2026-12-01T10:00:00")), "");
        EXPECT_EQ(home.save(record("2026-12-02T18:30:00")), "");
        EXPECT_EQ(clinic.save(record("2026-12-04T10:00:00")), "");
        ASSERT_TRUE(home.finish(60s));
        ASSERT_TRUE(clinic.finish(60s));
        EXPECT_EQ(home.ownFile(), shared / "resultats-Maison.csv");
        EXPECT_EQ(clinic.ownFile(), shared / "resultats-PC_CABINET.csv");
    }
    EXPECT_EQ(count(contentOf(shared / "resultats-Maison.csv"), "2026-12-"), 2);
    EXPECT_EQ(count(contentOf(shared / "resultats-PC_CABINET.csv"), "2026-12-"), 2);
    EXPECT_EQ(count(contentOf(shared / "reponses-PC_CABINET.csv"), "mainDGfacile"), 4);

    fs::copy_file(shared / "resultats-PC_CABINET.csv", shared / "resultats-PC_CABINET (1).csv");
    fs::copy_file(shared / "reponses-PC_CABINET.csv", shared / "reponses-PC_CABINET (1).csv");
    // Copied from a USB stick: one exercise the folder has, one it has not,
    // and a damaged line.
    std::ofstream(shared / "resultats.csv", std::ios::binary)
        << "\xEF\xBB\xBF" << historyHeader << "\r\n"
        << historyLine(exercise("2026-12-02T18:30:00")) << "\r\n"
        << historyLine(exercise("2026-11-30T08:00:00", "Zoé Lefèvre", 10)) << "\r\n"
        << "2026-11-30T08:00:00;coupé\r\n";

    ResultsFolder again(temp.path() / "maison", "Maison");
    EXPECT_EQ(again.folder(), shared); // remembered
    const FolderHistory read = settled(again);
    EXPECT_EQ(again.problem(), "");
    EXPECT_EQ(datesOf(read), (std::vector<std::string>{"2026-11-30T08:00:00", "2026-12-01T10:00:00",
                                                       "2026-12-02T18:30:00", "2026-12-03T09:00:00",
                                                       "2026-12-04T10:00:00"}));
    EXPECT_EQ(read.history.skipped, 1);
    // Each exercise's pictures once, also those of the conflict copy.
    ASSERT_EQ(read.history.answers.size(), 4u);
    EXPECT_EQ(read.history.answers[0].date, "2026-12-01T10:00:00");
    EXPECT_EQ(read.history.answers[0].pictures, record("").pictures);
    ASSERT_EQ(read.sources.size(), 3u);
    EXPECT_EQ(read.sources[2].name, "resultats.csv");
    EXPECT_EQ(read.sources[2].exercises, 2);
    EXPECT_EQ(sourcesNote(read.sources, "Maison", " Zoé Lefèvre"),
              "Exercices venus de plusieurs ordinateurs : Maison (cet ordinateur) : 2, PC_CABINET : 2, "
              "resultats.csv : 2.");
    EXPECT_EQ(sourcesNote(read.sources, "Maison", "Jean Martin"), "");

    // Back to the private folder: only this computer's own history there.
    EXPECT_EQ(again.choose({}), "");
    EXPECT_TRUE(settled(again).history.results.empty());
    EXPECT_EQ(ResultsFolder(temp.path() / "maison", "Maison").folder(), temp.path() / "maison");
}

// The folder goes away between two saves (the network is cut, the stick is
// pulled out), and the program is even closed: the exercises are kept on
// this computer, shown, and written once the folder is back.
TEST(ResultsFolderTest, AFolderThatGoesAwayLosesNothing)
{
    TempFolder temp;
    const fs::path shared = temp.path() / "clé";
    const fs::path pulledOut = temp.path() / "ailleurs";
    fs::create_directory(shared);
    const fs::path own = shared / "resultats-Maison.csv";
    {
        ResultsFolder results(temp.path() / "privé", "Maison");
        EXPECT_EQ(results.choose(shared), "");
        EXPECT_EQ(results.save(record("2026-12-01T10:00:00")), "");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_EQ(results.problem(), "");

        fs::rename(shared, pulledOut);
        EXPECT_EQ(results.save(record("2026-12-02T10:00:00")), "");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_NE(results.problem().find("ne répond pas"), std::string::npos) << results.problem();
        EXPECT_EQ(results.problem().find("rror"), std::string::npos) << results.problem();
        // Still shown: what was read before and what waits.
        EXPECT_EQ(datesOf(results.contents()),
                  (std::vector<std::string>{"2026-12-01T10:00:00", "2026-12-02T10:00:00"}));
        EXPECT_EQ(results.save(record("2026-12-03T10:00:00")), "");
    }
    EXPECT_FALSE(fs::exists(shared));

    // The stick is back; the program starts again and writes what waited.
    fs::rename(pulledOut, shared);
    ResultsFolder results(temp.path() / "privé", "Maison");
    const FolderHistory read = settled(results);
    EXPECT_EQ(results.problem(), "");
    EXPECT_EQ(datesOf(read), (std::vector<std::string>{"2026-12-01T10:00:00", "2026-12-02T10:00:00",
                                                       "2026-12-03T10:00:00"}));
    const std::string text = contentOf(own);
    EXPECT_EQ(count(text, "2026-12-0"), 3) << text;
    EXPECT_EQ(count(text, "date;patient"), 1) << text;
    EXPECT_FALSE(fs::exists(temp.path() / "privé" / "en-attente"));
    EXPECT_EQ(count(contentOf(shared / "reponses-Maison.csv"), "mainDGfacile"), 6);

    // A folder made read-only says so, and keeps the exercise too.
    fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(own, fs::perms::owner_read);
    if (::geteuid() != 0) {
        EXPECT_EQ(results.save(record("2026-12-04T10:00:00")), "");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_NE(results.problem().find("l'accès est refusé"), std::string::npos) << results.problem();
        fs::permissions(shared, fs::perms::owner_all);
        fs::permissions(own, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(settled(results).history.results.size(), 4u);
        EXPECT_EQ(count(contentOf(own), "2026-12-0"), 4);
    }
    fs::permissions(shared, fs::perms::owner_all);
}
