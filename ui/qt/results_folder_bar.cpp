#include "ui/qt/results_folder_bar.h"

#include "engine/results_form.h"
#include "ui/qt/utf8_text.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString textOf(const std::filesystem::path& path) { return QString::fromStdU16String(path.u16string()); }

} // namespace

ResultsFolderBar::ResultsFolderBar(ResultsForm& results, QWidget* parent)
    : QWidget(parent), results_(results), note_(new QLabel),
      report_(new QPushButton(QStringLiteral("&Bilan imprimable…"))),
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
}

void ResultsFolderBar::draw(const ResultsView& view)
{
    setEnabled(view.hasFolder);
    const QString note = fromUtf8(view.folderNote);
    if (note_->text() != note)
        note_->setText(note);
}

void ResultsFolderBar::writeReport()
{
    const ReportOutcome told = results_.writeReport(
        [](const std::filesystem::path& file) { return QDesktopServices::openUrl(QUrl::fromLocalFile(textOf(file))); });
    if (told.status != 0)
        QMessageBox::warning(this, QStringLiteral("Tavrel"), fromUtf8(told.message));
    else if (!told.message.empty())
        QMessageBox::information(this, QStringLiteral("Tavrel"), fromUtf8(told.message));
}

void ResultsFolderBar::chooseFolder()
{
    const std::string failure =
        results_.chooseFolder([this](const std::filesystem::path& start) -> std::optional<std::filesystem::path> {
            const QString chosen =
                QFileDialog::getExistingDirectory(this, QStringLiteral("Dossier des résultats"), textOf(start));
            if (chosen.isEmpty())
                return std::nullopt;
            return std::filesystem::path(chosen.toStdU16String());
        });
    if (!failure.empty())
        QMessageBox::warning(this, QStringLiteral("Tavrel"), fromUtf8(failure));
    // The window shows the folder at once, and again once its thread has
    // read it.
    emit folderChosen();
}
