// Answers in phase 1 and the history of the exercises, through the window's
// logic as a front-end drives it: the test gives the ticks, tells when each
// picture reached the screen and when each key was pressed, on a clock it
// moves itself, and reads back what was saved.

#include "support/form_fixture.h"

#include "engine/results_form.h"
#include "results/input_clock.h"
#include "results/report.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

using C = Control;
namespace fs = std::filesystem;

class ResultsTest : public FormTest {
protected:
    // A user's click: a check box changes its value first.
    void click(Control c)
    {
        if (c != C::cmdOnOff && c != C::cmdExit)
            window.checkedValue[c] = window.checkedValue[c] ? 0 : 1;
        form.clicked(c);
    }

    std::vector<ExerciseResult> saved() const { return history.read().results; }
};

// Right, wrong, double, missing and late answers, a change of phase in the
// middle, a stop and a start again, and the quit button.
TEST_F(ResultsTest, ScriptedExercisesGiveTheirLinesOfTheHistory)
{
    EXPECT_FALSE(form.arrowKey(Side::left, 99)) << "no exercise runs: the key is the window's";
    click(C::cmdOnOff);

    tickAt(100); // on screen at 100.010
    EXPECT_TRUE(form.arrowKey(shownSide(), 100.510)); // right, 500 ms
    tickAt(103);
    EXPECT_TRUE(form.arrowKey(other(shownSide()), 103.810)); // wrong, 800 ms
    EXPECT_TRUE(form.arrowKey(shownSide(), 104.000)) << "a second answer is taken, and ignored";
    tickAt(106); // no answer
    tickAt(109);
    const Side fourth = shownSide();
    tickAt(112);
    // Pressed before the fifth picture reached the screen: an answer to the
    // fourth, late (2995 ms).
    form.arrowKey(fourth, 112.005);
    form.arrowKey(shownSide(), 112.310); // right, 300 ms

    click(C::optImagine); // phase 2: no answers
    tickAt(115);
    EXPECT_FALSE(form.arrowKey(Side::left, 115.5));
    click(C::optDG);
    tickAt(175);
    form.arrowKey(shownSide(), 175.660); // right, 650 ms
    click(C::cmdOnOff);

    ASSERT_EQ(saved().size(), 1u);
    const Tally first{{BodyPart::hands, 1, 3000, false}, 6, 5, 4, 1049, 650};
    EXPECT_EQ(saved()[0].tally, first);
    EXPECT_EQ(form.lastExercise()->result.tally, first);
    EXPECT_EQ(host.resultsShown, 0) << "the results window opens by itself only at the end of the ten minutes";

    // Started again: a new exercise, on pictures of the feet at level 3.
    click(C::optPied);
    click(C::Chkniv3);
    click(C::cmdOnOff);
    tickAt(200);
    form.arrowKey(shownSide(), 200.410);
    form.setPatient("Dupont");
    click(C::cmdExit);
    EXPECT_TRUE(window.ended);
    ASSERT_EQ(saved().size(), 2u) << "saved before the program ended";
    EXPECT_EQ(saved()[1].patient, "Dupont");
    EXPECT_EQ(saved()[1].tally, (Tally{{BodyPart::feet, 3, 4500, false}, 1, 1, 1, 400, 400}));
    EXPECT_EQ(saved()[0].patient, "") << "lines saved before never change";
}

// A key pressed during the feedback wait is an answer to the picture on
// screen, timed when it was pressed; and closing the window saves.
TEST_F(ResultsTest, AnswerDuringTheFeedbackWaitAndClosingTheWindow)
{
    window.checkedValue[C::optFeedBack] = 1;
    click(C::cmdOnOff);
    bool answered = false;
    window.duringPause = [&] {
        if (answered)
            return;
        form.pictureOnScreen(text(state.imagePath), 300 + frame);
        answered = form.arrowKey(shownSide(), 301.234);
    };
    tickAt(300);
    EXPECT_TRUE(answered);
    EXPECT_EQ(window.textOf[C::TextReponse], shownSide() == Side::right ? " Droite" : " gauche");
    form.close();
    EXPECT_TRUE(form.ended());
    ASSERT_EQ(saved().size(), 1u);
    EXPECT_EQ(saved()[0].tally, (Tally{{BodyPart::hands, 1, 3000, true}, 1, 1, 1, 1224, 1224}));
}

// At the end of its ten minutes the exercise is saved and the results window
// opens; an exercise without answers makes no line, nor does a refusal.
TEST_F(ResultsTest, TheEndOfTheTenMinutesSavesAndOpensTheResults)
{
    click(C::cmdOnOff);
    state.shownCount = 198;
    tickAt(10);
    form.arrowKey(shownSide(), 10.5);
    tickAt(13); // the 200th picture ends the exercise
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(host.resultsShown, 1);
    ASSERT_EQ(saved().size(), 1u);
    EXPECT_EQ(saved()[0].tally.pictures, 1) << "the 200th picture never reached the screen: « Bravo » replaced it";

    click(C::optMain); // no body part: the next tick refuses
    window.selectPace(C::OptExtreme);
    click(C::cmdOnOff);
    tickAt(20);
    EXPECT_EQ(state.running, 0);
    click(C::optMain);
    click(C::cmdOnOff);
    tickAt(30);
    click(C::cmdOnOff);
    EXPECT_EQ(saved().size(), 1u);
    EXPECT_EQ(form.lastExercise()->result.tally.answers, 1) << "the last exercise is the last one saved";

    // Without answers, the end of the ten minutes opens nothing.
    click(C::cmdOnOff);
    state.shownCount = 1198; // 1200 pictures at 500 ms
    tickAt(40);
    tickAt(40.5);
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(host.resultsShown, 1);
}

// A folder that cannot be written: a French message that names it, and the
// exercise goes on. The patient's name is remembered for the next run.
TEST_F(ResultsTest, AFolderThatCannotBeWrittenIsSaidAndTheExerciseGoesOn)
{
    folder.makeFile("blocked", "not a folder");
    ResultsFolder blocked(folder.path() / "blocked", "PC");
    Form1 blockedForm(state, window, window.sequence(), host, &blocked);
    EXPECT_NE(blockedForm.setPatient("Martin").find("Le nom du patient n'a pas pu être enregistré"),
              std::string::npos);
    blockedForm.clicked(C::cmdOnOff);
    window.clock = 50;
    blockedForm.timerTick();
    blockedForm.pictureOnScreen(text(state.imagePath), 50.1);
    blockedForm.arrowKey(shownSide(), 50.6);
    window.clearCalls();
    blockedForm.clicked(C::cmdOnOff);
    const std::string expected = "showMessage(\"Les résultats n'ont pas pu être enregistrés dans le dossier « " +
                                 (folder.path() / "blocked").string() + " » : ";
    ASSERT_FALSE(window.effects().empty());
    EXPECT_TRUE(window.effects().back().starts_with(expected)) << window.effects().back();
    blockedForm.clicked(C::cmdOnOff);
    EXPECT_EQ(state.running, 1) << "the program goes on";

    EXPECT_EQ(form.setPatient("Dupont ; \"Jean\""), "");
    Form1 nextRun(state, window, window.sequence(), host, &results);
    EXPECT_EQ(nextRun.patient(), "Dupont ; \"Jean\"");
#if !defined(_WIN32)
    EXPECT_EQ(std::filesystem::status(folder.path() / "tavrel").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
#endif
}

// The window system's stamps on the program's clock: learnt from events
// handled as they come, so that a key that waited in the queue during the
// feedback wait is placed when it was pressed.
TEST(InputClockTest, AQueuedKeyIsPlacedWhenItWasPressed)
{
    InputClock clock;
    // Stamps of a clock whose zero lies 5000 s before the program's; events
    // handled 3, 1 and 2 ms after they happened.
    EXPECT_DOUBLE_EQ(clock.momentOf(1'000'000, 6000.003), 6000.003) << "nothing learnt yet";
    clock.momentOf(1'000'100, 6000.101);
    EXPECT_NEAR(clock.momentOf(1'000'200, 6000.202), 6000.201, 1e-9);
    // A key pressed at 6001.000 and handled 2.5 s later, once the wait ended.
    EXPECT_NEAR(clock.momentOf(1'001'000, 6003.5), 6001.001, 1e-9);
    // The stamps start again from zero: learnt anew, never later than handled.
    EXPECT_NEAR(clock.momentOf(10, 6004.0), 6004.0, 1e-9);
    EXPECT_NEAR(clock.momentOf(500, 6004.6), 6004.49, 1e-9);
}

// Every phase-1 picture is kept with its answer, in reponses.csv beside the
// exercise's line, and gives the figures of left and right apart: right and
// wrong answers on both sides, a picture left unanswered, a key held down
// (its repeats answer nothing more), and a key pressed before any picture.
TEST_F(ResultsTest, EveryPictureIsKeptWithItsAnswerAndGivesTheFiguresPerSide)
{
    form.setPatient("Zoé");
    click(C::cmdOnOff);
    form.arrowKey(Side::left, 99.9); // nothing on screen yet
    struct Step {
        bool answered;
        bool right;
        double after; // seconds from the picture on screen to the key
    };
    const std::vector<Step> steps = {{true, true, 0.4}, {true, false, 0.9}, {false, false, 0}, {true, true, 0.6},
                                     {true, true, 1.2}, {false, false, 0}, {true, false, 0.3}, {true, true, 0.5}};
    std::vector<Side> sides;
    double t = 100;
    for (const Step& step : steps) {
        tickAt(t);
        sides.push_back(shownSide());
        if (step.answered) {
            const Side key = step.right ? shownSide() : other(shownSide());
            // Held down: the key repeats every 30 ms.
            for (int repeat = 0; repeat < 4; ++repeat)
                form.arrowKey(key, t + frame + step.after + 0.03 * repeat);
        }
        t += 3;
    }
    click(C::cmdOnOff);

    ASSERT_TRUE(form.lastExercise());
    const std::vector<PictureAnswer>& pictures = form.lastExercise()->pictures;
    ASSERT_EQ(pictures.size(), steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(pictures[i].order, static_cast<int>(i) + 1);
        EXPECT_EQ(pictures[i].shown, sides[i]);
        EXPECT_EQ(pictures[i].imageSet, "mainDGfacile");
        EXPECT_EQ(pictures[i].answer.has_value(), steps[i].answered) << "picture " << i + 1;
        if (steps[i].answered) {
            EXPECT_EQ(pictures[i].correct(), steps[i].right);
            EXPECT_EQ(pictures[i].responseMs, static_cast<int>(std::lround(steps[i].after * 1000)));
        }
    }

    // The same pictures read back from reponses.csv, tied to the line of
    // resultats.csv by its date and patient.
    const HistoryContents read = history.read();
    EXPECT_EQ(read.skipped, 0);
    ASSERT_EQ(read.results.size(), 1u);
    ASSERT_EQ(read.answers.size(), 1u);
    EXPECT_EQ(read.answers[0].date, read.results[0].date);
    EXPECT_EQ(read.answers[0].patient, "Zoé");
    EXPECT_EQ(read.answers[0].pictures, pictures);
    EXPECT_EQ(lastExerciseOf(read, " Zoé "), form.lastExercise()) << "after a restart, from the files";

    // The figures per side, counted by hand from the script.
    int shown[2] = {0, 0}, answered[2] = {0, 0}, right[2] = {0, 0};
    std::vector<int> times[3];
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const int s = sides[i] == Side::left ? 0 : 1;
        ++shown[s];
        if (steps[i].answered) {
            ++answered[s];
            right[s] += steps[i].right;
            times[s].push_back(static_cast<int>(steps[i].after * 1000));
            times[2].push_back(static_cast<int>(steps[i].after * 1000));
        }
    }
    const std::vector<SideFigures> figures = sideFiguresOf(pictures);
    ASSERT_EQ(figures.size(), 3u);
    EXPECT_EQ(figures[0].side, "Gauche");
    EXPECT_EQ(figures[2].side, "Les deux");
    EXPECT_EQ(figures[2].answers, "6 sur 8");
    EXPECT_EQ(figures[2].correct, "67 %");
    EXPECT_EQ(figures[2].medianTime, "550 ms");
    for (int s : {0, 1}) {
        EXPECT_EQ(figures[s].answers, std::to_string(answered[s]) + " sur " + std::to_string(shown[s]));
        if (answered[s] == 0) {
            EXPECT_EQ(figures[s].correct, "—");
        }
    }
    EXPECT_TRUE(sideFiguresOf({}).empty()) << "an exercise saved before: overall figures only";
}

// Keys at the pace « Rapide » with the correct side displayed 1.8 s after
// each picture: a key belongs to the picture on screen when it was pressed,
// whenever it is handled. One pressed once the side is displayed, or too
// soon to be a judgement of the picture, is kept with its mark and answers
// nothing, so that the next key can still answer.
TEST_F(ResultsTest, AKeyBelongsToThePictureOnScreenWhenItWasPressed)
{
    window.checkedValue[C::optFeedBack] = 1;
    window.selectPace(C::OptDiff);
    click(C::cmdOnOff);
    std::vector<Side> sides;
    // The picture reaches the screen during the tick's feedback wait.
    const auto tickWithFeedbackAt = [&](double t) {
        window.clock = t;
        window.duringPause = [&, t] { form.pictureOnScreen(text(state.imagePath), t + frame); };
        form.timerTick();
        window.duringPause = nullptr;
        sides.push_back(shownSide());
        EXPECT_NEAR(window.clock, t + 1.8, 1e-5) << "the side is displayed 1.8 s after the picture";
    };
    tickWithFeedbackAt(100);
    form.arrowKey(sides[0], 100.600); // answered in 590 ms
    tickWithFeedbackAt(102);
    form.arrowKey(sides[1], 103.900); // once the side is displayed
    tickWithFeedbackAt(104);
    form.arrowKey(sides[2], 104.310); // the next picture's own answer, 300 ms
    tickWithFeedbackAt(106);
    form.arrowKey(other(sides[3]), 106.080); // 70 ms: too soon to be a judgement
    form.arrowKey(sides[3], 106.700);        // then the answer, 690 ms
    tickWithFeedbackAt(108);
    const Side fifth = sides[4];
    tickWithFeedbackAt(110);
    form.arrowKey(fifth, 109.700); // pressed before the sixth picture, handled after its tick
    // A key pressed once the sixth picture's side is displayed and held
    // down into the seventh picture: one press, no answer of either.
    form.arrowKey(sides[5], 111.850);
    tickWithFeedbackAt(112);
    form.arrowKey(sides[5], 112.200, true);
    form.arrowKey(sides[5], 112.240, true);
    click(C::cmdOnOff);

    const HistoryContents read = history.read();
    EXPECT_EQ(read.skipped, 0);
    ASSERT_EQ(read.results.size(), 1u);
    ASSERT_EQ(read.answers.size(), 1u);
    const std::vector<PictureAnswer>& p = read.answers[0].pictures;
    ASSERT_EQ(p.size(), 7u);
    const auto answered = [&](std::size_t i, std::optional<int> ms) {
        EXPECT_EQ(p[i].responseMs, ms) << "picture " << i + 1;
        EXPECT_EQ(p[i].answer.has_value(), ms.has_value()) << "picture " << i + 1;
    };
    answered(0, 590);
    answered(1, std::nullopt);
    EXPECT_EQ(p[1].leftOut, (LeftOutKey{sides[1], 1890, KeyMark::afterReveal}));
    answered(2, 300);
    EXPECT_FALSE(p[2].leftOut);
    answered(3, 690);
    EXPECT_TRUE(p[3].correct());
    EXPECT_EQ(p[3].leftOut, (LeftOutKey{other(sides[3]), 70, KeyMark::tooSoon}));
    answered(4, 1690);
    answered(5, std::nullopt);
    EXPECT_EQ(p[5].leftOut, (LeftOutKey{sides[5], 1840, KeyMark::afterReveal}));
    answered(6, std::nullopt);
    EXPECT_FALSE(p[6].leftOut) << "a held key is one press";
    // The figures count the answers only.
    EXPECT_EQ(read.results[0].tally, (Tally{{BodyPart::hands, 1, 2000, true}, 7, 4, 4, 818, 640}));
    EXPECT_EQ(read.results[0].id, read.answers[0].id);
    EXPECT_EQ(sideFiguresOf(p).back().answers, "4 sur 7");
}

// Settings changed twice while an exercise runs make three exercises, each
// with the settings of its own pictures, as if the patient had stopped and
// started again; each is saved once no key can reach its pictures.
TEST_F(ResultsTest, SettingsChangedDuringAnExerciseMakeAnExerciseOfEachStretch)
{
    click(C::cmdOnOff);
    tickAt(100);
    form.arrowKey(shownSide(), 100.510);
    tickAt(103);
    const Side second = shownSide();
    click(C::optPied);
    tickAt(106); // feet, 4500 ms
    form.arrowKey(second, 105.900); // pressed on the last hand, handled after the tick
    form.arrowKey(shownSide(), 106.610);
    EXPECT_TRUE(saved().empty()) << "the hands' exercise may still take a key";
    tickAt(110.5);
    ASSERT_EQ(saved().size(), 1u);
    EXPECT_EQ(saved()[0].tally, (Tally{{BodyPart::hands, 1, 3000, false}, 2, 2, 2, 1695, 1695}));
    form.arrowKey(shownSide(), 111.010);
    window.selectPace(C::OptDiff); // feet at 3000 ms
    tickAt(115);
    form.arrowKey(other(shownSide()), 115.410);
    click(C::cmdOnOff);

    const HistoryContents read = history.read();
    ASSERT_EQ(read.results.size(), 3u);
    EXPECT_EQ(read.results[1].tally, (Tally{{BodyPart::feet, 1, 4500, false}, 2, 2, 2, 550, 550}));
    EXPECT_EQ(read.results[2].tally, (Tally{{BodyPart::feet, 1, 3000, false}, 1, 1, 0, 400, 400}));
    ASSERT_EQ(read.answers.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(read.answers[i].id, read.results[i].id);
        EXPECT_EQ(read.answers[i].part, read.results[i].tally.settings.part);
        EXPECT_EQ(read.answers[i].pictures.size(), static_cast<std::size_t>(read.results[i].tally.pictures));
    }
    EXPECT_EQ(read.answers[1].pictures[0].imageSet, "piedDGfacile");
    EXPECT_NE(read.results[0].id, read.results[1].id);
    EXPECT_EQ(form.lastExercise()->result.id, read.results[2].id);
}

// The results window's view as the core works it out for the patient named:
// « Dernier exercice » shows this run's exercise or the patient's last saved,
// whichever is later (another computer may add a later one), and nothing
// for a name without exercises; the charts show the body part of the
// patient's latest exercise until another part is chosen, and again once
// another patient is named; the notes say how many exercises the charts
// hold and which names are close to the patient's.
TEST_F(ResultsTest, TheResultsViewFollowsThePatientNamedAndThePartChosen)
{
    ExerciseRecord martin{{"2026-01-05T09:00:00", "M. Martin", Tally{{BodyPart::feet, 2, 4500, true}, 4, 4, 3, 800, 800}, {}},
                          {}};
    martin.result.id = newExerciseId();
    ASSERT_EQ(results.save(martin), "");
    ResultsForm resultsForm(form);
    const auto shown = [&] {
        EXPECT_TRUE(results.finish(std::chrono::seconds(60)));
        return resultsForm.view();
    };
    const auto figure = [](const ResultsView& view, const std::string& label) {
        const auto found = std::ranges::find(view.figures, label, &Figure::label);
        return found == view.figures.end() ? std::string("(none)") : found->value;
    };

    EXPECT_EQ(resultsForm.patientEdited("Zoé"), "");
    click(C::cmdOnOff);
    tickAt(100);
    form.arrowKey(shownSide(), 100.6);
    click(C::cmdOnOff);
    ResultsView view = shown();
    EXPECT_EQ(view.figures, lastExerciseFigures(form.lastExercise()));
    EXPECT_EQ(figure(view, "Réponses"), "1");
    ASSERT_EQ(view.sides.size(), 3u);
    EXPECT_EQ(view.sides[2].answers, "1 sur 1");
    EXPECT_EQ(view.part, BodyPart::hands);
    EXPECT_EQ(view.charts.note, "1 exercice de mains pour ce patient.");
    EXPECT_EQ(view.charts.accuracy.title, "Réponses justes");
    EXPECT_EQ(view.folderNote, "Dossier des résultats : " + utf8Of(results.folder()) + ".");
    EXPECT_TRUE(view.hasFolder);

    // M. Martin's exercise of an earlier run, saved without its pictures:
    // no table per side; the charts of the feet.
    EXPECT_EQ(resultsForm.patientEdited(" M. Martin "), "");
    view = shown();
    EXPECT_EQ(figure(view, "Date"), "05/01/2026 à 09:00");
    EXPECT_TRUE(view.sides.empty());
    EXPECT_EQ(view.part, BodyPart::feet);
    EXPECT_EQ(view.charts.note, "1 exercice de pieds pour ce patient.");
    // A part chosen stays through the next reads.
    resultsForm.partChosen(BodyPart::face);
    results.refresh();
    view = shown();
    EXPECT_EQ(view.part, BodyPart::face);
    EXPECT_EQ(view.charts.note, "Aucun exercice de visage enregistré pour ce patient.");
    EXPECT_FALSE(view.charts.accuracy.hasPoints());

    EXPECT_EQ(resultsForm.patientEdited("Inconnu"), "");
    view = shown();
    EXPECT_EQ(view.figures, (std::vector<Figure>{{"Dernier exercice", "aucun exercice de phase 1 enregistré"}}));
    EXPECT_TRUE(view.sides.empty());
    EXPECT_EQ(view.part, BodyPart::hands) << "the part chosen was another patient's";

    EXPECT_EQ(resultsForm.patientEdited("Zoé "), "");
    EXPECT_EQ(shown().figures, lastExerciseFigures(form.lastExercise()));
    // A later exercise of hers, of the face, as another computer adds it;
    // and one of « ZOE », whom the folder line points out.
    ASSERT_EQ(results.save({{"2099-01-01T10:00:00", "Zoé", Tally{{BodyPart::face, 1, 3000, true}, 2, 2, 2, 700, 700},
                             newExerciseId()},
                            {}}),
              "");
    ASSERT_EQ(results.save({{"2026-02-01T10:00:00", "ZOE", Tally{{BodyPart::hands, 1, 3000, true}, 2, 2, 1, 900, 900},
                             newExerciseId()},
                            {}}),
              "");
    view = shown();
    EXPECT_EQ(figure(view, "Date"), "01/01/2099 à 10:00");
    EXPECT_EQ(view.part, BodyPart::face);
    EXPECT_EQ(view.charts.note, "1 exercice de visage pour ce patient.");
    EXPECT_EQ(view.folderNote,
              "Dossier des résultats : " + utf8Of(results.folder()) +
                  ".\nAutres noms proches dans ce dossier : « ZOE » (1 exercice). S'il s'agit du même patient, tapez "
                  "son nom toujours de la même façon.");
}

// What the results window's controls do, and what they have to tell:
// « Dossier des résultats… » starts the dialog from the folder in use, uses
// and remembers the folder chosen, and says when it could not remember it;
// « Bilan imprimable… » writes the report into the private folder and has
// it opened, says where it is when nothing could open it, and why when it
// could not be written; the order of the pictures is remembered. Without a
// results folder there is nothing to choose nor write.
TEST_F(ResultsTest, TheResultsWindowsButtonsChooseTheFolderAndWriteTheReport)
{
    const fs::path own = folder.path() / "tavrel";
    ResultsForm resultsForm(form);
    ASSERT_EQ(resultsForm.patientEdited("Zoé"), "");
    ASSERT_EQ(results.save({{"2026-03-01T10:00:00", "Zoé", Tally{{BodyPart::hands, 1, 3000, true}, 2, 2, 2, 700, 700},
                             newExerciseId()},
                            {}}),
              "");
    const auto shown = [&] {
        EXPECT_TRUE(results.finish(std::chrono::seconds(60)));
        return resultsForm.view();
    };

    std::vector<fs::path> startedAt;
    EXPECT_EQ(resultsForm.chooseFolder([&](const fs::path& start) {
        startedAt.push_back(start);
        return std::nullopt;
    }),
              "");
    EXPECT_EQ(startedAt, std::vector<fs::path>{own});
    EXPECT_TRUE(results.isPrivate()) << "cancelled";

    const fs::path shared = folder.path() / "partagé";
    fs::create_directories(shared);
    std::ofstream(shared / "resultats-MAISON.csv", std::ios::binary)
        << "\xEF\xBB\xBF" << historyHeader << "\r\n2026-03-02T18:00:00;Zoé;mains;1;3000;1;20;20;15;900;880\r\n";
    EXPECT_EQ(resultsForm.chooseFolder([&](const fs::path& start) {
        startedAt.push_back(start);
        return shared;
    }),
              "");
    EXPECT_EQ(shown().folderNote, "Dossier des résultats : " + utf8Of(shared) +
                                      " (cet ordinateur y écrit resultats-PC.csv). Exercices venus de : MAISON : 1.");
    EXPECT_EQ(ResultsFolder(own, "PC").folder(), shared) << "remembered for the next run";
    EXPECT_EQ(resultsForm.chooseFolder([&](const fs::path& start) {
        startedAt.push_back(start);
        return std::nullopt;
    }),
              "");
    EXPECT_EQ(startedAt.back(), shared);
    fs::rename(shared, folder.path() / "ailleurs");
    results.refresh();
    EXPECT_NE(shown().folderNote.find("ne répond pas"), std::string::npos) << shown().folderNote;

    // Back to the private folder, which cannot keep the choice: used for
    // this run all the same.
    fs::remove(own / "dossier-resultats.txt");
    fs::create_directories(own / "dossier-resultats.txt" / "occupé");
    EXPECT_TRUE(resultsForm.chooseFolder([&](const fs::path&) { return own; })
                    .starts_with("Le choix du dossier des résultats n'a pas pu être gardé pour la prochaine fois"));
    EXPECT_TRUE(results.isPrivate());
    EXPECT_EQ(shown().folderNote, "Dossier des résultats : " + utf8Of(own) + ".");

    std::vector<fs::path> opened;
    const auto openAnswering = [&](bool answer) {
        return [&opened, answer](const fs::path& file) {
            opened.push_back(file);
            return answer;
        };
    };
    ReportOutcome told = resultsForm.writeReport(openAnswering(true));
    EXPECT_EQ(told.status, 0);
    EXPECT_EQ(told.message, "");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].parent_path(), own);
    {
        std::ifstream page(opened[0], std::ios::binary);
        EXPECT_NE(std::string(std::istreambuf_iterator<char>(page), {}).find("<td>Zoé</td>"), std::string::npos);
    }
    told = resultsForm.writeReport(openAnswering(false));
    EXPECT_EQ(told.status, 0);
    EXPECT_EQ(told.message, notOpened(opened[0]));
    fs::remove(opened[0]);
    fs::create_directories(opened[0] / "occupé");
    told = resultsForm.writeReport(openAnswering(true));
    EXPECT_EQ(told.status, 1);
    EXPECT_TRUE(told.message.starts_with("Le bilan n'a pas pu être écrit dans « ")) << told.message;
    EXPECT_EQ(opened.size(), 2u) << "nothing to open";

    EXPECT_FALSE(resultsForm.view().pictureOrderVaries);
    EXPECT_EQ(resultsForm.pictureOrderChosen(true), "");
    EXPECT_TRUE(resultsForm.view().pictureOrderVaries);
    EXPECT_TRUE(ResultsForm(form).view().pictureOrderVaries) << "remembered";
    fs::remove(own / "ordre-des-images.txt");
    fs::create_directories(own / "ordre-des-images.txt" / "occupé");
    EXPECT_NE(resultsForm.pictureOrderChosen(true), "");
    EXPECT_FALSE(resultsForm.view().pictureOrderVaries) << "nothing is remembered";

    Form1 unsaved{state, window, window.sequence(), host, nullptr};
    ResultsForm alone(unsaved);
    const ResultsView nothing = alone.view();
    EXPECT_FALSE(nothing.hasFolder);
    EXPECT_EQ(nothing.folderNote, "");
    EXPECT_EQ(alone.chooseFolder([](const fs::path&) -> std::optional<fs::path> {
        ADD_FAILURE() << "no dialog without a results folder";
        return std::nullopt;
    }),
              "");
    EXPECT_EQ(alone.writeReport(openAnswering(true)).status, 0);
    EXPECT_EQ(opened.size(), 2u);
}
