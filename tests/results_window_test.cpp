// The Qt results window over a history saved in an earlier run: the last
// exercise's figures per side in its table, the body part of the latest
// exercise chosen, and the charts drawn from the core's description, a
// line broken where a side had no answer; the choice of another order of
// the pictures at each session, remembered for the next run.

#include "support/temp_folder.h"

#include "results/picture_order.h"
#include "results/progress_chart.h"
#include "ui/qt/main_window.h"
#include "ui/qt/results_window.h"

#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QLineSeries>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

ExerciseRecord exercise(const std::string& date, BodyPart part, bool rightAnswered)
{
    ExerciseRecord r{{date, "Mme A", Tally{{part, 1, 3000, false}, 3, 0, 0, 0, 0}, newExerciseId()}, {}};
    r.pictures = {{1, 2, "mainDG", Side::left, Side::left, 600, {}}, {2, 5, "mainDG", Side::left, Side::right, 1000, {}},
                  {3, 15, "mainDG", Side::right, std::nullopt, std::nullopt, {}}};
    if (rightAnswered) {
        r.pictures[2].answer = Side::right;
        r.pictures[2].responseMs = 450;
    }
    for (const PictureAnswer& p : r.pictures) {
        r.result.tally.answers += p.answer ? 1 : 0;
        r.result.tally.correct += p.answer && p.correct() ? 1 : 0;
    }
    r.result.tally.medianMs = r.result.tally.meanMs = 600;
    return r;
}

} // namespace

TEST(ResultsWindowTest, FiguresPerSideAndChartsOfAnEarlierRun)
{
    TempFolder folder;
    {
        ResultsFolder earlier(folder.path(), "PC");
        ASSERT_EQ(earlier.setPatient("Mme A"), "");
        ASSERT_EQ(earlier.save(exercise("2026-12-01T10:00:00", BodyPart::hands, true)), "");
        ASSERT_EQ(earlier.save(exercise("2026-12-02T10:00:00", BodyPart::hands, false)), "");
        ASSERT_EQ(earlier.save(exercise("2026-12-03T10:00:00", BodyPart::hands, true)), "");
    }

    ResultsFolder resultsFolder(folder.path(), "PC");
    ASSERT_TRUE(resultsFolder.finish(std::chrono::seconds(60))); // read before the window shows it
    MainWindow main(&resultsFolder);
    ResultsWindow results(main.form(), nullptr);
    results.refresh();
    // The charts are drawn from the event loop, after the rest.
    auto* dates = qobject_cast<QCategoryAxis*>(results.accuracyChart()->axes(Qt::Horizontal).value(0));
    auto* values = qobject_cast<QCategoryAxis*>(results.timeChart()->axes(Qt::Vertical).value(0));
    ASSERT_NE(dates, nullptr);
    ASSERT_NE(values, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dates->count() == 3 && values->count() > 0; }));

    // The last exercise saved: the right picture unanswered.
    QTableWidget* sides = results.sidesTable();
    ASSERT_EQ(sides->rowCount(), 3);
    const auto row = [&](int r) {
        QStringList cells{sides->verticalHeaderItem(r)->text()};
        for (int c = 0; c < sides->columnCount(); ++c)
            cells << sides->item(r, c)->text();
        return cells.join(QStringLiteral(" | "));
    };
    EXPECT_EQ(row(0), QStringLiteral("Gauche | 2 sur 2 | 50 % | 800 ms"));
    EXPECT_EQ(row(1), QStringLiteral("Droite | 1 sur 1 | 100 % | 450 ms"));
    EXPECT_EQ(row(2), QStringLiteral("Les deux | 3 sur 3 | 67 % | 600 ms"));
    EXPECT_EQ(results.partChoice()->currentText(), QStringLiteral("Mains"));

    // The right side's line is broken at the exercise it did not answer:
    // two pieces of one point each, not a drop to 0.
    int rightPoints = 0;
    int rightPieces = 0;
    for (QAbstractSeries* s : results.accuracyChart()->series()) {
        auto* line = static_cast<QLineSeries*>(s);
        if (line->name() != QStringLiteral("Images de droite"))
            continue;
        ++rightPieces;
        rightPoints += static_cast<int>(line->count());
        for (const QPointF& p : line->points())
            EXPECT_EQ(p.y(), 100);
    }
    EXPECT_EQ(rightPieces, 2);
    EXPECT_EQ(rightPoints, 2);
    EXPECT_EQ(dates->categoriesLabels(), (QStringList{"01/12/2026", "02/12/2026", "03/12/2026"}));
    EXPECT_EQ(values->categoriesLabels().first(), QStringLiteral("0"));
    EXPECT_EQ(values->max(), 800) << "the slowest median, a round mark";

    // Another body part chosen: nothing saved for it.
    results.partChoice()->setCurrentIndex(2);
    emit results.partChoice()->activated(2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dates->count() == 0; }));
    EXPECT_TRUE(results.accuracyChart()->series().size() == 3) << "one empty line per side for the legend";
    for (QAbstractSeries* s : results.accuracyChart()->series())
        EXPECT_EQ(static_cast<QLineSeries*>(s)->count(), 0);
}

// « Ordre des images différent à chaque séance »: off at first, ticked with a
// click and remembered, shown ticked by the next run's window, unticked with
// its access key. Without a results folder nothing is remembered: it cannot
// be ticked.
TEST(ResultsWindowTest, TheChoiceOfThePicturesOrderIsRememberedForTheNextRun)
{
    TempFolder folder;
    {
        ResultsFolder resultsFolder(folder.path(), "PC");
        MainWindow main(&resultsFolder);
        ResultsWindow results(main.form(), nullptr);
        results.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&results));
        QCheckBox* box = results.pictureOrderBox();
        EXPECT_EQ(box->text(), QStringLiteral("&Ordre des images différent à chaque séance"));
        EXPECT_TRUE(box->isEnabled());
        EXPECT_FALSE(box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_TRUE(box->isChecked());
    }
    EXPECT_TRUE(PictureOrderChoice(folder.path()).varies());

    ResultsFolder nextRun(folder.path(), "PC");
    MainWindow main(&nextRun);
    ResultsWindow results(main.form(), nullptr);
    results.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&results));
    results.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&results));
    QCheckBox* box = results.pictureOrderBox();
    EXPECT_TRUE(box->isChecked());
    // Qt clicks the box after its short press animation.
    QTest::keyClick(&results, Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([box] { return !box->isChecked(); }, 5000));
    EXPECT_FALSE(PictureOrderChoice(folder.path()).varies());

    MainWindow unsaved;
    ResultsWindow without(unsaved.form(), nullptr);
    EXPECT_FALSE(without.pictureOrderBox()->isEnabled());
}
