#include "ui/qt/results_folder_bar.h"

#include "engine/form1.h"
#include "results/printable_report.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

} // namespace

ResultsFolderBar::ResultsFolderBar(Form1& form, QWidget* parent)
    : QWidget(parent), form_(form), note_(new QLabel), report_(new QPushButton(QStringLiteral("&Bilan imprimable…"))),
      folder_(new QPushButton(QStringLiteral("&Dossier des résultats…")))
{
    note_->setObjectName(QStringLiteral("folderNote"));
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    report_->setObjectName(QStringLiteral("report"));
    folder_->setObjectName(QStringLiteral("resultsFolder"));
    connect(report_, &QPushButton::clicked, this, &ResultsFolderBar::writeReport);
    connect(folder_, &QPushButton::clicked, this, &ResultsFolderBar::chooseFolder);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(folder_);
    buttons->addStretch(1);
    buttons->addWidget(report_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(note_);
    layout->addLayout(buttons);
    setEnabled(form_.results() != nullptr);
}

void ResultsFolderBar::refresh()
{
    ResultsFolder* results = form_.results();
    if (!results)
        return;
    note_->setText(fromUtf8(folderNote(*results, form_.patient())));
}

void ResultsFolderBar::writeReport()
{
    ResultsFolder* results = form_.results();
    const WrittenReport written = writePrivateReport(results->privateFolder(), reportRequest(*results, form_.patient()));
    if (!written.failure.empty()) {
        QMessageBox::warning(this, QStringLiteral("Tavrel"), fromUtf8(written.failure));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdU16String(written.file.u16string()))))
        QMessageBox::information(this, QStringLiteral("Tavrel"), fromUtf8(notOpened(written.file)));
}

void ResultsFolderBar::chooseFolder()
{
    ResultsFolder* results = form_.results();
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Dossier des résultats"), QString::fromStdU16String(results->folder().u16string()));
    if (chosen.isEmpty())
        return;
    const std::string failure = results->choose(std::filesystem::path(chosen.toStdU16String()));
    if (!failure.empty())
        QMessageBox::warning(this, QStringLiteral("Tavrel"), fromUtf8(failure));
    // The window shows the folder once its thread has read it.
    refresh();
}
