// The history on Windows while a spreadsheet holds resultats.csv open
// without sharing it: the exercise waits in the journal, the user is told in
// plain French, and it is added once the file is free (at the next save, or
// at the next start), each once. A record of the journal claimed by one copy
// of the program cannot be claimed by another.

#include "support/history_files.h"
#include "support/temp_folder.h"

#include "results/private_files.h"
#include "results/results_folder.h"

#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fstream>
#include <sstream>

using namespace std::chrono_literals;

namespace {

ExerciseRecord exercise(const std::string& patient)
{
    return {{"2026-12-07T14:05:09", patient, Tally{{BodyPart::hands, 1, 3000, false}, 2, 1, 1, 640, 640}, newExerciseId()},
            {{1, 3, "mainDG", Side::left, Side::left, 640, std::nullopt}, {2, 14, "mainDG", Side::right, std::nullopt, std::nullopt, std::nullopt}}};
}

std::vector<std::string> patientsIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    const auto read = readFolder(folder);
    for (const ExerciseResult& r : read->history.results)
        names.push_back(r.patient);
    return names;
}

} // namespace

TEST(HistoryWindowsTest, AFileHeldOpenByAnotherProgramGetsItsLinesOnceItIsFree)
{
    TempFolder folder;
    const std::filesystem::path file = folder.path() / "resultats.csv";
    {
        ResultsFolder results(folder.path(), "PC");
        ASSERT_EQ(results.save(exercise("A")), "");
        ASSERT_TRUE(results.finish(60s));

        // As a spreadsheet holds the file it shows: read, shared with nobody.
        HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        ASSERT_EQ(results.save(exercise("B")), "");
        ASSERT_EQ(results.save(exercise("C")), "");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_NE(results.problem().find("Le fichier « resultats.csv » du dossier « "), std::string::npos)
            << results.problem();
        EXPECT_NE(results.problem().find("est ouvert dans un autre programme (un tableur, peut-être)"), std::string::npos);
        // While it is held, the exercises that wait are shown.
        results.follow("B");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_EQ(results.contents()->history.results.size(), 1u);
        CloseHandle(held);
        ASSERT_TRUE(results.finish(60s));
    }

    // The next start adds them, once, after the line before them.
    ResultsFolder nextRun(folder.path(), "PC");
    ASSERT_TRUE(nextRun.finish(60s));
    EXPECT_EQ(nextRun.problem(), "");
    EXPECT_EQ(patientsIn(folder.path()), (std::vector<std::string>{"A", "B", "C"}));
    const std::string text = contentOf(file);
    EXPECT_EQ(text.find("date;patient"), 3u);
    EXPECT_EQ(text.find("date;patient", 4), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "journal"));

    // A record claimed by one copy of the program is another's only once
    // the first lets go.
    const std::filesystem::path record = folder.path() / "record.txt";
    std::ofstream(record) << "x";
    {
        private_files::Claim first(record);
        ASSERT_TRUE(first.held());
        EXPECT_FALSE(private_files::Claim(record).held());
        EXPECT_EQ(first.content(), "x");
    }
    private_files::Claim again(record);
    EXPECT_TRUE(again.held());
    EXPECT_TRUE(again.remove());
}
