// The window of tavrel-patient with real widgets on the offscreen platform:
// photographs added and dropped, sides and sets chosen in the table, the
// sets written after the question, a filled set never replaced without it,
// a new disc folder copied from a disc, and the image.

#include "patient/patient_disc.h"
#include "patient/qt/patient_window.h"

#include "support/modal_responder.h"

#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "support/banded_photograph.h"

#include <gtest/gtest.h>

namespace {

// A banded photograph saved in the folder; its path.
QString photograph(const QTemporaryDir& folder, const QString& name, QColor colour)
{
    const QString path = folder.filePath(name);
    bandedPhotograph(QSize(400, 300), colour).save(path, "JPEG", 95);
    return path;
}

bool shows(const QString& file, QColor colour, bool mirrored) { return showsBanded(QImage(file), colour, mirrored); }

QFile::Permissions ownerOnly() { return QFile::ReadOwner | QFile::WriteOwner; }

class PatientWindowTest : public ::testing::Test {
protected:
    PatientWindowTest()
    {
        QFile(disc.filePath(QStringLiteral("bravo.bmp"))).open(QIODevice::WriteOnly);
        window.show();
    }

    QTableWidget& table() { return *window.findChild<QTableWidget*>(QStringLiteral("photographs")); }
    QComboBox& combo(int row, int column) { return *static_cast<QComboBox*>(table().cellWidget(row, column)); }
    QString setState(const char* set) { return window.findChild<QLabel*>(QLatin1String(set))->text(); }
    QString picture(const char* set, int number) { return disc.filePath(QStringLiteral("%1/%2.jpg").arg(set).arg(number)); }
    void clickWrite()
    {
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("writeSets")), Qt::LeftButton);
        waitIdle();
    }
    // Reading and writing run beside the window; what follows them shows
    // once they end.
    void waitIdle() { ASSERT_TRUE(QTest::qWaitFor([&] { return !window.busy(); }, 60000)); }
    void add(const QStringList& paths)
    {
        window.addPhotographs(paths);
        waitIdle();
    }

    // Answers the next box with the button, after checking its text.
    void answer(QMessageBox::StandardButton button, std::function<void(const QString&)> check)
    {
        responder.expect([=](QWidget& box) {
            auto& message = static_cast<QMessageBox&>(box);
            check(message.text());
            message.button(button)->click();
        });
    }

    QTemporaryDir photos;
    QTemporaryDir disc;
    PatientWindow window;
    ModalResponder responder;
};

} // namespace

TEST_F(PatientWindowTest, AddsAndDropsPhotographsSetsTheirSidesAndSetsAndWritesTheSets)
{
    window.openDiscFolder(disc.path());
    EXPECT_EQ(setState("PatientDGfacile"), QStringLiteral("vide"));
    EXPECT_EQ(setState("PatientMvt"), QStringLiteral("vide"));

    QFile text(photos.filePath(QStringLiteral("notes.jpg")));
    text.open(QIODevice::WriteOnly);
    text.write("pas une image");
    text.close();
    answer(QMessageBox::Ok, [](const QString& message) {
        EXPECT_TRUE(message.contains(QStringLiteral("« notes.jpg » n'est pas une image"))) << message.toStdString();
    });
    add({photograph(photos, QStringLiteral("rouge.jpg"), Qt::red),
                           photograph(photos, QStringLiteral("bleu.jpg"), Qt::blue), text.fileName()});
    EXPECT_EQ(responder.answeredCount(), 1);
    ASSERT_EQ(table().rowCount(), 2);
    EXPECT_EQ(table().item(0, 0)->text(), QStringLiteral("rouge.jpg"));
    EXPECT_FALSE(table().item(0, 0)->icon().isNull()) << "a thumbnail";

    // A photograph dropped on the window.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(photograph(photos, QStringLiteral("vert.jpg"), Qt::green))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    waitIdle();
    ASSERT_EQ(table().rowCount(), 3);

    // The blue photograph shows a right hand; the green one goes to the last set.
    QTest::keyClick(&combo(1, 1), Qt::Key_Down);
    EXPECT_EQ(combo(1, 1).currentText(), QStringLiteral("droite"));
    QTest::keyClick(&combo(2, 2), Qt::Key_End);
    EXPECT_EQ(combo(2, 2).currentText(), QStringLiteral("mouvement, normal (PatientMvt)"));

    answer(QMessageBox::Yes, [](const QString& question) {
        EXPECT_TRUE(question.contains(QStringLiteral("identifier, facile (PatientDGfacile) : 2 photographie(s)")))
            << question.toStdString();
        EXPECT_TRUE(question.contains(QStringLiteral("bleu.jpg (droite) : images 12, 14, 16, 18, 20, en miroir 2, 4, 6, 8, 10")))
            << question.toStdString();
        EXPECT_TRUE(question.contains(QStringLiteral("mouvement, normal (PatientMvt) : 1 photographie(s)")))
            << question.toStdString();
        EXPECT_FALSE(question.contains(QStringLiteral("remplacé")));
    });
    clickWrite();
    EXPECT_TRUE(responder.allAnswered());

    EXPECT_TRUE(shows(picture("PatientDGfacile", 1), Qt::red, false));
    EXPECT_TRUE(shows(picture("PatientDGfacile", 11), Qt::red, true));
    EXPECT_TRUE(shows(picture("PatientDGfacile", 12), Qt::blue, false)) << "a right photograph as it is";
    EXPECT_TRUE(shows(picture("PatientDGfacile", 2), Qt::blue, true));
    EXPECT_TRUE(shows(picture("PatientMvt", 20), Qt::green, true));
    EXPECT_EQ(QFile::permissions(picture("PatientMvt", 20)) & 0x7077, ownerOnly());
    EXPECT_EQ(setState("PatientDGfacile"), QStringLiteral("rempli, 20 images"));
    EXPECT_EQ(setState("PatientDG"), QStringLiteral("vide"));
    EXPECT_EQ(setState("PatientMvt"), QStringLiteral("rempli, 20 images"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("status"))->text(),
              QStringLiteral("Jeux écrits : PatientDGfacile, PatientMvt."));
}

TEST_F(PatientWindowTest, NeverReplacesAFilledSetWithoutAskingAndRefusesMoreThanTenPhotographs)
{
    window.openDiscFolder(disc.path());
    add({photograph(photos, QStringLiteral("rouge.jpg"), Qt::red)});
    answer(QMessageBox::Yes, [](const QString&) {});
    clickWrite();
    const QByteArray before = [&] {
        QFile file(picture("PatientDGfacile", 1));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();

    table().removeRow(0);
    add({photograph(photos, QStringLiteral("bleu.jpg"), Qt::blue)});
    answer(QMessageBox::No, [&](const QString& question) {
        EXPECT_TRUE(question.contains(QStringLiteral("Ce jeu n'est pas vide (rempli, 20 images) : son contenu sera remplacé.")))
            << question.toStdString();
        const auto& box = *static_cast<QMessageBox*>(QApplication::activeModalWidget());
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No)) << "replacing is not the default";
    });
    clickWrite();
    EXPECT_TRUE(responder.allAnswered());
    QFile after(picture("PatientDGfacile", 1));
    after.open(QIODevice::ReadOnly);
    EXPECT_EQ(after.readAll(), before);

    QStringList eleven;
    for (int i = 0; i < 11; ++i)
        eleven << photograph(photos, QStringLiteral("p%1.jpg").arg(i), QColor::fromHsv(i * 30, 200, 200));
    add(eleven);
    for (int row = 0; row < table().rowCount(); ++row)
        combo(row, 2).setCurrentIndex(1);
    answer(QMessageBox::Ok, [](const QString& warning) {
        EXPECT_TRUE(warning.contains(QStringLiteral("identifier, normal (PatientDG) : 12 photographies pour un seul jeu")))
            << warning.toStdString();
    });
    clickWrite();
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_FALSE(QDir(disc.filePath(QStringLiteral("PatientDG"))).exists());
}

TEST_F(PatientWindowTest, MakesANewDiscFolderFromADiscAndItsImage)
{
    // The build's demo disc is offered as a disc to copy.
    const auto discs = patient::sourceDiscs({"/nowhere", DEMO_DISC_DIR});
    EXPECT_TRUE(std::any_of(discs.begin(), discs.end(), [](const patient::SourceDisc& disc) {
        return disc.folder == DEMO_DISC_DIR && disc.name.starts_with("Disque de démonstration");
    }));

    answer(QMessageBox::Ok, [](const QString& warning) {
        EXPECT_TRUE(warning.contains(QStringLiteral("n'est pas une copie du disque d'images"))) << warning.toStdString();
    });
    window.openDiscFolder(photos.path());
    EXPECT_TRUE(window.discFolder().isEmpty());
    EXPECT_FALSE(window.findChild<QPushButton*>(QStringLiteral("writeSets"))->isEnabled());

    QDir(disc.path()).mkdir(QStringLiteral("mainDG"));
    QFile(disc.filePath(QStringLiteral("mainDG/7.jpg"))).open(QIODevice::WriteOnly);
    QTemporaryDir place;
    const QString target = place.filePath(QStringLiteral("Disque de Mme L"));
    window.makeNewDiscFolder(disc.path(), target);
    waitIdle();
    EXPECT_EQ(window.discFolder(), target);
    EXPECT_TRUE(QFile::exists(target + QStringLiteral("/mainDG/7.jpg")));
    EXPECT_EQ(QFile::permissions(target + QStringLiteral("/bravo.bmp")) & 0x7077, ownerOnly());
    EXPECT_EQ(QFile::permissions(target) & 0x7077, ownerOnly() | QFile::ExeOwner);
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("status"))->text().startsWith(QStringLiteral("Le disque a été copié")));

    answer(QMessageBox::Ok, [](const QString& warning) {
        EXPECT_TRUE(warning.contains(QStringLiteral("n'est pas vide"))) << warning.toStdString();
    });
    window.makeNewDiscFolder(disc.path(), target);
    waitIdle();
    EXPECT_TRUE(responder.allAnswered());

    const QString image = place.filePath(QStringLiteral("patient.iso"));
    window.writeImage(image);
    waitIdle();
    EXPECT_GT(QFileInfo(image).size(), 0);
    EXPECT_EQ(QFile::permissions(image) & 0x7077, ownerOnly());
}

TEST_F(PatientWindowTest, AWriteThatStopsSaysWhichSetsWereWrittenAndShowsTheSetsAsTheyNowAre)
{
    window.openDiscFolder(disc.path());
    add({photograph(photos, QStringLiteral("rouge.jpg"), Qt::red), photograph(photos, QStringLiteral("bleu.jpg"), Qt::blue)});
    combo(1, 2).setCurrentIndex(3);
    // Another program holds the last set's lock the wrong way: it cannot be
    // written, after the first one is.
    ASSERT_TRUE(QDir(disc.path()).mkdir(QStringLiteral(".tavrel-lock-PatientMvt")));
    answer(QMessageBox::Yes, [](const QString&) {});
    answer(QMessageBox::Ok, [](const QString& warning) {
        EXPECT_TRUE(warning.contains(QStringLiteral("Jeu écrit : PatientDGfacile. Jeu laissé tel qu'il était : PatientMvt.")))
            << warning.toStdString();
    });
    clickWrite();
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_EQ(setState("PatientDGfacile"), QStringLiteral("rempli, 20 images"));
    EXPECT_EQ(setState("PatientMvt"), QStringLiteral("vide"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("status"))->text(), QStringLiteral("Jeu écrit : PatientDGfacile."));
}
