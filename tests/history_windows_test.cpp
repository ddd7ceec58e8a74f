// The history on Windows while a spreadsheet holds resultats.csv open
// without sharing it: the exercise's lines wait beside the file, the user is
// told once in plain French, and they are added once the file is free (at
// the next save, or at the next start), each once.

#include "support/temp_folder.h"

#include "results/history.h"

#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fstream>
#include <sstream>

namespace {

ExerciseRecord exercise(const std::string& patient)
{
    return {{"2026-12-07T14:05:09", patient, Tally{{BodyPart::hands, 1, 3000, false}, 2, 1, 1, 640, 640}},
            {{1, 3, "mainDG", Side::left, Side::left, 640}, {2, 14, "mainDG", Side::right, std::nullopt, std::nullopt}}};
}

std::vector<std::string> patientsIn(const History& history)
{
    std::vector<std::string> names;
    for (const ExerciseResult& r : history.read().results)
        names.push_back(r.patient);
    return names;
}

std::string contentOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(HistoryWindowsTest, AFileHeldOpenByAnotherProgramGetsItsLinesOnceItIsFree)
{
    TempFolder folder;
    History history(folder.path());
    ASSERT_EQ(history.append(exercise("A")), "");

    // As a spreadsheet holds the file it shows: read, shared with nobody.
    HANDLE held = CreateFileW(history.file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string said = history.append(exercise("B"));
    EXPECT_EQ(said, "Le fichier « resultats.csv » est ouvert dans un autre programme (un tableur, peut-être). Les "
                    "résultats sont gardés, et ils y seront ajoutés dès que ce fichier sera fermé.");
    EXPECT_EQ(history.append(exercise("C")), "") << "said once";
    // While it is held, the lines that wait are shown, and the file that
    // cannot be read is named.
    const HistoryContents shown = history.read();
    EXPECT_EQ(patientsIn(history), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(shown.answers.size(), 3u);
    EXPECT_EQ(shown.unreadable, (std::vector<std::string>{"resultats.csv"}));
    CloseHandle(held);

    // The next start adds them, once, after the line before them.
    History nextRun(folder.path());
    EXPECT_EQ(nextRun.addWaitingLines(), "");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "resultats-en-attente.csv"));
    EXPECT_EQ(patientsIn(nextRun), (std::vector<std::string>{"A", "B", "C"}));
    const std::string text = contentOf(nextRun.file());
    EXPECT_EQ(text.find("date;patient"), 3u);
    EXPECT_EQ(text.find("date;patient", 4), std::string::npos);

    // A run that ended after adding them but before forgetting them: they
    // are not added twice.
    const std::string line = "2026-12-07T14:05:09;D;mains;1;3000;0;2;1;1;640;640\r\n";
    std::ofstream(nextRun.file(), std::ios::binary | std::ios::app) << line;
    std::ofstream(folder.path() / "resultats-en-attente.csv", std::ios::binary) << line;
    EXPECT_EQ(nextRun.append(exercise("E")), "");
    EXPECT_EQ(patientsIn(nextRun), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
}
