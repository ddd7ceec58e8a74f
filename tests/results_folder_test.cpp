// The results folder shared by several computers: each writes its own files,
// every file is read and merged, each exercise once; a folder that goes away
// loses nothing; the folder chosen is remembered. The journal: an exercise
// stopped at any step of its saving, and two copies of the program working
// it at once, leave each exercise once in each file.

#include "support/history_files.h"
#include "support/temp_folder.h"

#include "results/journal.h"
#include "results/printable_report.h"
#include "results/results_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

ExerciseResult exercise(std::string date, std::string patient = "Zoé Lefèvre", int correct = 15)
{
    return {std::move(date), std::move(patient), Tally{{BodyPart::hands, 1, 3000, true}, 20, 18, correct, 812, 790},
            newExerciseId()};
}

// An exercise of two pictures, the left one answered right, the right one
// unanswered, with its identity.
ExerciseRecord record(std::string date, std::string patient = "Zoé Lefèvre")
{
    ExerciseRecord r{exercise(std::move(date), std::move(patient)),
                     {{1, 3, "mainDGfacile", Side::left, Side::left, 640, {}},
                      {2, 14, "mainDGfacile", Side::right, std::nullopt, std::nullopt, {}}}};
    r.result.tally = tallyOf(r.result.tally.settings, r.pictures);
    return r;
}

// The folder once the work asked of it is done, for the patient.
FolderHistory settled(ResultsFolder& results, const std::string& patient = "Zoé Lefèvre")
{
    results.follow(patient);
    EXPECT_TRUE(results.finish(60s));
    return *results.contents();
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
    fs::permissions(shared, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
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
    // The chosen folder keeps the permissions its owner gave it; the files
    // the program made there are their owner's.
    EXPECT_EQ(fs::status(shared).permissions() & fs::perms::all,
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(fs::status(shared / "reponses-Maison.csv").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    fs::copy_file(shared / "resultats-PC_CABINET.csv", shared / "resultats-PC_CABINET (1).csv");
    fs::copy_file(shared / "reponses-PC_CABINET.csv", shared / "reponses-PC_CABINET (1).csv");
    // Copied from a USB stick: one exercise the folder has, one it has not,
    // and a damaged line.
    const ExerciseResult copied = readFolder(shared)->history.results[1];
    ASSERT_EQ(copied.date, "2026-12-02T18:30:00");
    std::ofstream(shared / "resultats.csv", std::ios::binary)
        << "\xEF\xBB\xBF" << historyHeader << "\r\n"
        << historyLine(copied) << "\r\n"
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
    EXPECT_EQ(read.history.notes,
              (std::vector<std::string>{"Fichier « resultats.csv » : 1 ligne laissée de côté (contenu abîmé ou étranger au "
                                        "programme)."}));
    // Each exercise's pictures once, also those of the conflict copy, tied
    // to it by its identity.
    ASSERT_EQ(read.history.answers.size(), 4u);
    EXPECT_EQ(read.history.answers[0].date, "2026-12-01T10:00:00");
    EXPECT_EQ(read.history.answers[0].id, read.history.results[1].id);
    EXPECT_EQ(read.history.answers[0].pictures, record("").pictures);
    ASSERT_EQ(read.sources.size(), 3u);
    EXPECT_EQ(read.sources[2].name, "resultats.csv");
    EXPECT_EQ(read.sources[2].exercises, 2);
    EXPECT_EQ(sourcesNote(read.sources, "Maison", " Zoé Lefèvre"),
              "Exercices venus de plusieurs ordinateurs : Maison (cet ordinateur) : 2, PC_CABINET : 2, "
              "resultats.csv : 2.");
    EXPECT_EQ(sourcesNote(read.sources, "Maison", "Jean Martin"), "");

    // Deleted from the computer's own file, an exercise lives on only in
    // the conflict copy: said, with the advice to keep it.
    std::string own = contentOf(shared / "resultats-PC_CABINET.csv");
    own.erase(own.find("2026-12-04T10:00:00"));
    std::ofstream(shared / "resultats-PC_CABINET.csv", std::ios::binary | std::ios::trunc) << own;
    const FolderHistory withCopy = settled(again);
    EXPECT_EQ(withCopy.history.results.size(), 5u);
    EXPECT_NE(std::ranges::find(withCopy.history.notes,
                                "1 exercice ne se trouve que dans « resultats-PC_CABINET (1).csv », une copie faite par le "
                                "service de synchronisation lors d'un conflit : gardez ce fichier, sans quoi ces exercices "
                                "seraient perdus."),
              withCopy.history.notes.end());

    // Back to the private folder: only this computer's own history there.
    EXPECT_EQ(again.choose({}), "");
    EXPECT_TRUE(settled(again).history.results.empty());
    EXPECT_EQ(ResultsFolder(temp.path() / "maison", "Maison").folder(), temp.path() / "maison");
}

// Lines written before exercises had an identity: two computers' exercises
// of the same second stay two, each with its own pictures; two exercises of
// one minute in a file whose dates lost their seconds stay two; a conflict
// copy a spreadsheet saved back counts once.
TEST(ResultsFolderTest, LinesWithoutIdentityTiedWithinOneComputersFiles)
{
    TempFolder temp;
    const fs::path shared = temp.path() / "partagé";
    fs::create_directory(shared);
    const auto write = [&](const std::string& name, std::string_view header, const std::string& lines) {
        std::ofstream(shared / name, std::ios::binary) << header << "\r\n" << lines;
    };
    const std::string oldHistory = "date;patient;partie;niveau;vitesse_ms;feedback;images;réponses;justes;"
                                   "temps_moyen_ms;temps_médian_ms";
    const std::string oldAnswers = "date;patient;ordre;partie;jeu;image;côté;réponse;juste;temps_ms";
    // Both computers at 23:24:55: the clinic's got 2 of 2 right, the home's
    // 0 of 2.
    write("resultats-CABINET.csv", oldHistory, "2026-12-07T23:24:55;Zoé;mains;1;3000;1;2;2;2;700;700\r\n");
    write("reponses-CABINET.csv", oldAnswers,
          "2026-12-07T23:24:55;Zoé;1;mains;mainDG;3;gauche;gauche;1;700\r\n"
          "2026-12-07T23:24:55;Zoé;2;mains;mainDG;13;droite;droite;1;700\r\n");
    write("resultats-MAISON.csv", oldHistory, "2026-12-07T23:24:55;Zoé;mains;1;3000;1;2;2;0;900;900\r\n");
    write("reponses-MAISON.csv", oldAnswers,
          "2026-12-07T23:24:55;Zoé;1;mains;mainDG;3;gauche;droite;0;900\r\n"
          "2026-12-07T23:24:55;Zoé;2;mains;mainDG;13;droite;gauche;0;900\r\n");
    // The home's file saved back by a spreadsheet as a conflict copy, its
    // dates without their seconds.
    write("resultats-MAISON (1).csv", oldHistory, "07/12/2026 23:24;Zoé;mains;1;3000;1;2;2;0;900;900\r\n");
    // Two exercises 36 s apart in one minute, the seconds dropped.
    write("resultats-PORTABLE.csv", oldHistory,
          "07/12/2026 10:00;Zoé;pieds;1;4500;1;2;2;1;800;800\r\n07/12/2026 10:00;Zoé;pieds;1;4500;1;2;1;1;600;600\r\n");
    write("reponses-PORTABLE.csv", oldAnswers,
          "07/12/2026 10:00;Zoé;1;pieds;piedDG;1;gauche;gauche;1;800\r\n"
          "07/12/2026 10:00;Zoé;2;pieds;piedDG;12;droite;gauche;0;800\r\n"
          "07/12/2026 10:00;Zoé;1;pieds;piedDG;4;gauche;gauche;1;600\r\n"
          "07/12/2026 10:00;Zoé;2;pieds;piedDG;15;droite;;;\r\n");

    const FolderHistory read = *readFolder(shared);
    ASSERT_EQ(read.history.results.size(), 4u);
    ASSERT_EQ(read.history.answers.size(), 4u);
    EXPECT_EQ(read.history.skipped, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        const ExerciseResult& r = read.history.results[i];
        const auto tied = std::ranges::find(read.history.answers, r.id, &ExerciseAnswers::id);
        ASSERT_NE(tied, read.history.answers.end()) << r.date;
        // Each exercise's figures are those of its own pictures.
        EXPECT_EQ(tallyOf(r.tally.settings, tied->pictures).correct, r.tally.correct) << r.date;
        EXPECT_EQ(tallyOf(r.tally.settings, tied->pictures).answers, r.tally.answers) << r.date;
    }
    EXPECT_EQ(sourcesNote(read.sources, "CABINET", "Zoé"),
              "Exercices venus de plusieurs ordinateurs : CABINET (cet ordinateur) : 1, MAISON : 1, PORTABLE : 2.");
}

// The journal stopped after each step of a save: before either file, after
// resultats only, after both files but before it let go, and halfway
// through the pictures. Worked again, it leaves each exercise once in each
// file, whole, tied by its identity.
TEST(ResultsFolderTest, AnExerciseStoppedAtAnyStepOfItsSavingIsWrittenOnce)
{
    TempFolder temp;
    const fs::path data = temp.path() / "privé";
    const Destination to{data, {}, false};
    std::vector<ExerciseRecord> records;
    for (int i = 0; i < 4; ++i)
        records.push_back(record("2026-12-0" + std::to_string(i + 1) + "T10:00:00"));
    {
        Journal journal(data);
        for (const ExerciseRecord& r : records)
            ASSERT_EQ(journal.keep(r, to), "");
    }
    const auto append = [&](const fs::path& file, std::string_view header, const std::string& lines) {
        const bool fresh = !fs::exists(file);
        std::ofstream out(file, std::ios::binary | std::ios::app);
        if (fresh)
            out << "\xEF\xBB\xBF" << header << "\r\n";
        out << lines;
    };
    // 1: resultats only; 2: both; 3: resultats and the first picture.
    for (int i : {1, 2, 3})
        append(data / "resultats.csv", historyHeader, historyLine(records[i].result) + "\r\n");
    append(data / "reponses.csv", answersHeader, answerLines(records[2]));
    append(data / "reponses.csv", answersHeader, answerLines({records[3].result, {records[3].pictures[0]}}));

    for (int run = 0; run < 2; ++run) {
        ResultsFolder results(data, "PC");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_EQ(results.problem(), "");
    }
    const std::string history = contentOf(data / "resultats.csv");
    const std::string answers = contentOf(data / "reponses.csv");
    for (const ExerciseRecord& r : records) {
        EXPECT_EQ(count(history, r.result.id), 1) << r.result.date;
        EXPECT_EQ(count(answers, r.result.id), 2) << r.result.date;
    }
    const FolderHistory read = *readFolder(data);
    ASSERT_EQ(read.history.answers.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(read.history.answers[i].id, read.history.results[i].id);
        EXPECT_EQ(read.history.answers[i].pictures, records[i].pictures);
    }
    EXPECT_TRUE(fs::is_empty(data / "journal"));
}

// Copies of the program saving into one history at once, and killed while
// they save: each exercise a copy saved is in both files once, whole.
TEST(ResultsFolderTest, CopiesOfTheProgramSavingAtOnceAndKilledLoseNothing)
{
    TempFolder temp;
    const fs::path data = temp.path() / "tavrel";
    int ids[2];
    ASSERT_EQ(pipe(ids), 0);
    const auto saveForever = [&](int copy) {
        close(ids[0]);
        ResultsFolder results(data, "PC");
        for (int i = 0;; ++i) {
            ExerciseRecord r = record("2026-12-07T10:00:00", std::string(300, static_cast<char>('a' + copy)));
            r.pictures.resize(40, r.pictures[0]);
            for (std::size_t k = 0; k < r.pictures.size(); ++k)
                r.pictures[k].order = static_cast<int>(k) + 1;
            r.result.tally = tallyOf(r.result.tally.settings, r.pictures);
            if (results.save(r).empty()) {
                // Kept by the journal: it must reach both files.
                const std::string line = r.result.id + '\n';
                [[maybe_unused]] const ssize_t written = write(ids[1], line.data(), line.size());
            }
        }
    };
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0)
            saveForever(c);
    }
    close(ids[1]);
    std::string kept;
    char buffer[4096];
    while (count(kept, "\n") < 120) {
        const ssize_t got = read(ids[0], buffer, sizeof buffer);
        ASSERT_GT(got, 0);
        kept.append(buffer, static_cast<std::size_t>(got));
    }
    for (pid_t child : children) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    while (true) {
        const ssize_t got = read(ids[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        kept.append(buffer, static_cast<std::size_t>(got));
    }
    close(ids[0]);

    // The next start writes what the journal holds.
    {
        ResultsFolder results(data, "PC");
        ASSERT_TRUE(results.finish(60s));
    }
    const std::string history = contentOf(data / "resultats.csv");
    const std::string answers = contentOf(data / "reponses.csv");
    std::istringstream lines(kept);
    int checked = 0;
    for (std::string id; std::getline(lines, id); ++checked) {
        ASSERT_EQ(count(history, id), 1) << id;
        ASSERT_EQ(count(answers, id), 40) << id;
    }
    EXPECT_GE(checked, 120);
    const FolderHistory read = *readFolder(data);
    EXPECT_LE(read.history.skipped, 2) << "at most a line each copy was writing when killed";
    for (const ExerciseAnswers& a : read.history.answers)
        EXPECT_EQ(a.pictures.size(), 40u) << a.id;
    EXPECT_EQ(count(history, "date;patient"), 1);
}

// The folder goes away between two saves (the network is cut, the stick is
// pulled out), and the program is even closed: the exercises are kept on
// this computer, shown, and written once the folder is back. A file another
// program holds (LibreOffice's lock beside it) waits the same way.
TEST(ResultsFolderTest, AFolderThatGoesAwayOrAFileHeldOpenLosesNothing)
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
        EXPECT_EQ(settled(results).history.results.size(), 1u);
        EXPECT_EQ(results.problem(), "");

        fs::rename(shared, pulledOut);
        EXPECT_EQ(results.save(record("2026-12-02T10:00:00")), "");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_NE(results.problem().find("ne répond pas"), std::string::npos) << results.problem();
        // Still shown: what waits.
        EXPECT_EQ(datesOf(*results.contents()), (std::vector<std::string>{"2026-12-02T10:00:00"}));
        EXPECT_EQ(results.save(record("2026-12-03T10:00:00")), "");
    }
    EXPECT_FALSE(fs::exists(shared));

    // The stick is back, a spreadsheet holds the file open: the program
    // starts again and keeps the exercises waiting.
    fs::rename(pulledOut, shared);
    std::ofstream(shared / ".~lock.resultats-Maison.csv#") << ",Zoé,poste,07.12.2026 10:00,file:///home/zoe;";
    const std::string before = contentOf(own);
    {
        ResultsFolder results(temp.path() / "privé", "Maison");
        const FolderHistory read = settled(results);
        EXPECT_NE(results.problem().find("est ouvert dans un autre programme"), std::string::npos) << results.problem();
        EXPECT_NE(results.problem().find(".~lock.resultats-Maison.csv#"), std::string::npos) << results.problem();
        EXPECT_EQ(datesOf(read).size(), 3u);
        EXPECT_EQ(contentOf(own), before);
    }
    // Let go: written, each once.
    fs::remove(shared / ".~lock.resultats-Maison.csv#");
    ResultsFolder results(temp.path() / "privé", "Maison");
    const FolderHistory read = settled(results);
    EXPECT_EQ(results.problem(), "");
    EXPECT_EQ(datesOf(read), (std::vector<std::string>{"2026-12-01T10:00:00", "2026-12-02T10:00:00",
                                                       "2026-12-03T10:00:00"}));
    const std::string text = contentOf(own);
    EXPECT_EQ(count(text, "2026-12-0"), 3) << text;
    EXPECT_EQ(count(text, "date;patient"), 1) << text;
    EXPECT_EQ(count(contentOf(shared / "reponses-Maison.csv"), "mainDGfacile"), 6);
    EXPECT_TRUE(fs::is_empty(temp.path() / "privé" / "journal"));

    // reponses-Maison.csv cannot be written at one save (a folder in its
    // place): the exercise's line reaches resultats, its pictures wait, and
    // reach reponses once it can be written; none is written twice.
    fs::rename(shared / "reponses-Maison.csv", temp.path() / "reponses");
    fs::create_directory(shared / "reponses-Maison.csv");
    EXPECT_EQ(results.save(record("2026-12-04T10:00:00")), "");
    ASSERT_TRUE(results.finish(60s));
    EXPECT_NE(results.problem().find("c'est un dossier, pas un fichier"), std::string::npos) << results.problem();
    EXPECT_EQ(results.save(record("2026-12-05T10:00:00")), "");
    ASSERT_TRUE(results.finish(60s));
    fs::remove(shared / "reponses-Maison.csv");
    fs::rename(temp.path() / "reponses", shared / "reponses-Maison.csv");
    const FolderHistory after = settled(results);
    EXPECT_EQ(results.problem(), "");
    EXPECT_EQ(count(contentOf(own), "2026-12-0"), 5);
    EXPECT_EQ(count(contentOf(shared / "reponses-Maison.csv"), "mainDGfacile"), 10);
    EXPECT_EQ(after.history.answers.size(), 5u);
}

// Lines an older version kept waiting, beside a file a spreadsheet held open
// and in the private folder for a chosen folder that did not answer, are
// written once, and their files go.
TEST(ResultsFolderTest, LinesAnOlderVersionKeptWaitingAreWrittenOnce)
{
    TempFolder temp;
    const fs::path data = temp.path() / "privé";
    const fs::path shared = temp.path() / "partagé";
    fs::create_directories(data / "en-attente");
    fs::create_directory(shared);
    const ExerciseRecord held = record("2026-12-01T10:00:00");
    const ExerciseRecord away = record("2026-12-02T10:00:00");
    std::ofstream(data / "resultats-en-attente.csv", std::ios::binary) << historyLine(held.result) << "\r\n";
    std::ofstream(data / "reponses-en-attente.csv", std::ios::binary) << answerLines(held);
    std::ofstream(data / "en-attente" / "resultats.csv", std::ios::binary)
        << "\xEF\xBB\xBF" << historyHeader << "\r\n" << historyLine(away.result) << "\r\n";
    std::ofstream(data / "en-attente" / "reponses.csv", std::ios::binary)
        << "\xEF\xBB\xBF" << answersHeader << "\r\n" << answerLines(away);
    // The held exercise's line reached its file already.
    std::ofstream(data / "resultats.csv", std::ios::binary)
        << "\xEF\xBB\xBF" << historyHeader << "\r\n" << historyLine(held.result) << "\r\n";
    std::ofstream(data / "dossier-resultats.txt") << shared.string() << "\n";
    {
        ResultsFolder results(data, "PC");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_EQ(results.problem(), "");
    }
    EXPECT_FALSE(fs::exists(data / "resultats-en-attente.csv"));
    EXPECT_FALSE(fs::exists(data / "en-attente"));
    EXPECT_EQ(count(contentOf(data / "resultats.csv"), held.result.id), 1);
    EXPECT_EQ(count(contentOf(data / "reponses.csv"), held.result.id), 2);
    EXPECT_EQ(count(contentOf(shared / "resultats-PC.csv"), away.result.id), 1);
    EXPECT_EQ(count(contentOf(shared / "reponses-PC.csv"), away.result.id), 2);
}

// The private folder itself cannot be written (full, read-only, a file in
// its place): the exercise is kept in memory and said once; the next save
// tries again; and an end that still cannot write says so.
TEST(ResultsFolderTest, APrivateFolderThatCannotBeWrittenKeepsTheExerciseInMemory)
{
    TempFolder temp;
    const fs::path blocked = temp.path() / "privé";
    std::ofstream(blocked) << "un fichier à la place du dossier";
    ResultsFolder results(blocked, "PC");
    const std::string said = results.save(record("2026-12-01T10:00:00"));
    EXPECT_TRUE(said.starts_with("Les résultats n'ont pas pu être enregistrés dans le dossier « " + blocked.string() +
                                 " » : un fichier porte déjà ce nom. Ils sont gardés en mémoire"))
        << said;
    EXPECT_EQ(results.save(record("2026-12-02T10:00:00")), "") << "said once";
    EXPECT_EQ(settled(results).history.results.size(), 2u) << "shown all the same";
    const std::string lost = results.end();
    EXPECT_TRUE(lost.starts_with("2 exercices de cette séance n'ont pu être enregistrés nulle part")) << lost;

    // The folder can be written again: the next save writes all three.
    fs::remove(blocked);
    EXPECT_EQ(results.save(record("2026-12-03T10:00:00")), "");
    EXPECT_EQ(settled(results).history.results.size(), 3u);
    EXPECT_EQ(results.end(), "");
    EXPECT_EQ(count(contentOf(blocked / "resultats.csv"), "2026-12-0"), 3);
}

// Files the program writes are regular files or new names: the report
// given a device, a named pipe or a folder refuses it with a message that
// says so, and leaves it as it was; a report or a history that is a
// symbolic link is written through to its target.
TEST(ResultsFolderTest, DevicesPipesAndFoldersAreRefusedLinksWrittenThrough)
{
    TempFolder temp;
    const fs::path fifo = temp.path() / "tube.html";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(temp.path() / "dossier.html");
    EXPECT_EQ(writeReport("/dev/null", "<html>"),
              "Le bilan n'a pas pu être écrit dans « /dev/null » : c'est un périphérique, pas un fichier.");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(writeReport(fifo, "<html>"), "Le bilan n'a pas pu être écrit dans « " + fifo.string() +
                                               " » : c'est un tube nommé, pas un fichier.");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_NE(writeReport(temp.path() / "dossier.html", "<html>").find("c'est un dossier, pas un fichier"),
              std::string::npos);

    // Links, as a user makes them into a synchronised folder.
    const fs::path synced = temp.path() / "synchronisé";
    const fs::path data = temp.path() / "tavrel";
    fs::create_directories(synced);
    fs::create_directories(data);
    fs::create_symlink(synced / "bilan.html", temp.path() / "bilan.html");
    EXPECT_EQ(writeReport(temp.path() / "bilan.html", "<html>"), "");
    EXPECT_TRUE(fs::is_symlink(temp.path() / "bilan.html"));
    EXPECT_EQ(contentOf(synced / "bilan.html"), "<html>");
    std::ofstream(synced / "resultats.csv", std::ios::binary) << "\xEF\xBB\xBF" << historyHeader << "\r\n";
    fs::create_symlink(synced / "resultats.csv", data / "resultats.csv");
    fs::create_symlink(synced / "reponses.csv", data / "reponses.csv");
    const ExerciseRecord saved = record("2026-12-01T10:00:00");
    {
        ResultsFolder results(data, "PC");
        EXPECT_EQ(results.save(saved), "");
        ASSERT_TRUE(results.finish(60s));
        EXPECT_EQ(results.problem(), "");
    }
    EXPECT_TRUE(fs::is_symlink(data / "resultats.csv"));
    EXPECT_EQ(count(contentOf(synced / "resultats.csv"), saved.result.id), 1);
    EXPECT_EQ(count(contentOf(synced / "reponses.csv"), saved.result.id), 2);
}
