// The results window over Qt with a shared results folder: it says which
// computers the patient's exercises came from and what is wrong with the
// folder, and « Bilan imprimable… » writes the report into the private
// folder and asks the system to open it.

#include "support/history_files.h"
#include "support/modal_responder.h"
#include "support/temp_folder.h"

#include "results/results_folder.h"
#include "ui/qt/main_window.h"
#include "ui/qt/results_folder_bar.h"
#include "ui/qt/results_window.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Takes the addresses the program asks the system to open, in place of the
// browser.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

TEST(ResultsFolderWindowTest, ComputersShownAndTheReportWrittenAndOpened)
{
    TempFolder temp;
    const fs::path shared = temp.path() / "partagé";
    fs::create_directories(shared);
    writeHistory(shared / "resultats-MAISON.csv", {"2026-12-01T18:00:00;Zoé;mains;1;3000;1;20;20;15;900;880"});
    writeHistory(shared / "resultats-MAISON (1).csv", {"2026-12-01T18:00:00;Zoé;mains;1;3000;1;20;20;15;900;880"});
    writeHistory(shared / "resultats-CABINET.csv", {"2026-12-03T10:00:00;Zoé;pieds;2;4500;1;20;18;12;1100;1000"});

    ResultsFolder results(temp.path() / "privé", "CABINET");
    ASSERT_EQ(results.choose(shared), "");
    MainWindow window(&results);
    ASSERT_EQ(window.form().setPatient("Zoé"), "");
    window.showResults();
    auto* resultsWindow = window.findChild<ResultsWindow*>();
    ASSERT_NE(resultsWindow, nullptr);
    QLabel* note = resultsWindow->folderBar()->note();
    // The folder is read on its own thread, and the window shows it when told.
    EXPECT_TRUE(QTest::qWaitFor([&] { return note->text().contains(QStringLiteral("MAISON : 1")); }, 20000))
        << note->text().toStdString();
    EXPECT_TRUE(note->text().contains(QStringLiteral("CABINET (cet ordinateur) : 1")));
    EXPECT_TRUE(note->text().contains(QString::fromStdString(shared.string())));

    OpenedUrls opened;
    resultsWindow->folderBar()->reportButton()->click();
    ASSERT_EQ(opened.urls.size(), 1);
    const fs::path report = opened.urls.front().toLocalFile().toStdString();
    EXPECT_EQ(report.parent_path(), temp.path() / "privé");
    EXPECT_EQ(fs::status(report).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    const std::string page = contentOf(report);
    EXPECT_NE(page.find("<td>Zoé</td>"), std::string::npos);
    EXPECT_NE(page.find("2 exercices de phase 1"), std::string::npos);

    // The folder pulled away: said once in a box, and in the window.
    ModalResponder responder;
    QString told;
    responder.expect([&](QWidget& box) {
        told = qobject_cast<QMessageBox*>(&box) ? static_cast<QMessageBox&>(box).text() : QString();
        box.close();
    });
    fs::rename(shared, temp.path() / "ailleurs");
    window.showResults();
    EXPECT_TRUE(QTest::qWaitFor([&] { return note->text().contains(QStringLiteral("ne répond pas")); }, 20000))
        << note->text().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return responder.allAnswered(); }, 20000));
    EXPECT_TRUE(told.startsWith(QStringLiteral("Le dossier des résultats « "))) << told.toStdString();
    window.showResults();
    QTest::qWait(200);
    EXPECT_EQ(responder.answeredCount(), 1); // told once
    window.close();
}

#include "results_folder_window_test.moc"
