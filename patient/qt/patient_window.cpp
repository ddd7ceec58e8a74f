#include "patient_window.h"

#include "patient_disc.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace patient;

namespace {

const QString title = QStringLiteral("Photos du patient (Tavrel)");
constexpr QSize thumbnailSize(96, 72);
enum Column { photographColumn, sideColumn, setColumn };

QString setTitle(const PatientSet& set)
{
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(set.label), QString::fromStdString(set.name));
}

// Keeps the cursor busy while files are read or written.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QStringList localFiles(const QMimeData* data)
{
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

} // namespace

PatientWindow::PatientWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(title);
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);

    auto* discBox = new QGroupBox(QStringLiteral("Dossier du disque"));
    auto* discLayout = new QGridLayout(discBox);
    discLabel_ = new QLabel(QStringLiteral("Aucun dossier choisi : ouvrez la copie d'un disque, ou créez-en une."));
    discLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    discLabel_->setWordWrap(true);
    discLayout->addWidget(discLabel_, 0, 0, 1, 2);
    auto* openButton = new QPushButton(QStringLiteral("&Ouvrir un dossier du disque…"));
    connect(openButton, &QPushButton::clicked, this, &PatientWindow::chooseDiscFolder);
    discLayout->addWidget(openButton, 1, 0);
    auto* newButton = new QPushButton(QStringLiteral("&Nouveau dossier du disque…"));
    newButton->setToolTip(QStringLiteral("Copie le disque du lecteur, ou le disque de démonstration, dans un nouveau dossier"));
    connect(newButton, &QPushButton::clicked, this, &PatientWindow::chooseNewDiscFolder);
    discLayout->addWidget(newButton, 1, 1);
    for (std::size_t i = 0; i < patientSetCount; ++i) {
        const int row = 2 + static_cast<int>(i);
        discLayout->addWidget(new QLabel(setTitle(patientSets()[i]) + QStringLiteral(" :")), row, 0);
        setLabels_[i] = new QLabel(QStringLiteral("—"));
        setLabels_[i]->setObjectName(QString::fromStdString(patientSets()[i].name));
        discLayout->addWidget(setLabels_[i], row, 1);
    }
    layout->addWidget(discBox);

    auto* photographBox = new QGroupBox(QStringLiteral("Photographies du patient"));
    auto* photographLayout = new QVBoxLayout(photographBox);
    auto* photographButtons = new QHBoxLayout;
    photographButtons->addWidget(new QLabel(QStringLiteral("Déposez les photographies dans cette fenêtre, ou :")));
    auto* addButton = new QPushButton(QStringLiteral("&Ajouter des photographies…"));
    connect(addButton, &QPushButton::clicked, this, &PatientWindow::choosePhotographs);
    photographButtons->addWidget(addButton);
    auto* removeButton = new QPushButton(QStringLiteral("&Retirer la sélection"));
    connect(removeButton, &QPushButton::clicked, this, &PatientWindow::removeSelectedPhotographs);
    photographButtons->addWidget(removeButton);
    photographButtons->addStretch();
    photographLayout->addLayout(photographButtons);
    photographs_ = new QTableWidget(0, 3);
    photographs_->setObjectName(QStringLiteral("photographs"));
    photographs_->setHorizontalHeaderLabels(
        {QStringLiteral("Photographie"), QStringLiteral("Côté montré"), QStringLiteral("Jeu")});
    photographs_->setIconSize(thumbnailSize);
    photographs_->setSelectionBehavior(QAbstractItemView::SelectRows);
    photographs_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    photographs_->verticalHeader()->setDefaultSectionSize(thumbnailSize.height() + 6);
    photographs_->horizontalHeader()->setSectionResizeMode(photographColumn, QHeaderView::Stretch);
    photographs_->horizontalHeader()->setSectionResizeMode(sideColumn, QHeaderView::ResizeToContents);
    photographs_->horizontalHeader()->setSectionResizeMode(setColumn, QHeaderView::ResizeToContents);
    photographLayout->addWidget(photographs_);
    layout->addWidget(photographBox, 1);

    auto* actions = new QHBoxLayout;
    writeButton_ = new QPushButton(QStringLiteral("&Écrire les jeux dans le dossier"));
    writeButton_->setObjectName(QStringLiteral("writeSets"));
    writeButton_->setToolTip(QStringLiteral("Les jeux sans photographie ne sont pas touchés"));
    connect(writeButton_, &QPushButton::clicked, this, &PatientWindow::writeSets);
    actions->addWidget(writeButton_);
    imageButton_ = new QPushButton(QStringLiteral("Faire l'&image ISO du dossier…"));
    imageButton_->setObjectName(QStringLiteral("writeImage"));
    imageButton_->setToolTip(QStringLiteral("Une image à graver sur un CD, ou à monter comme un CD"));
    connect(imageButton_, &QPushButton::clicked, this, &PatientWindow::chooseImageFile);
    actions->addWidget(imageButton_);
    actions->addStretch();
    layout->addLayout(actions);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    layout->addWidget(status_);

    writeButton_->setEnabled(false);
    imageButton_->setEnabled(false);
    resize(760, 640);
}

void PatientWindow::openDiscFolder(const QString& folder)
{
    if (const QString problem = discFolderProblem(folder); !problem.isEmpty()) {
        warn(problem);
        return;
    }
    discFolder_ = QDir(folder).absolutePath();
    discLabel_->setText(QDir::toNativeSeparators(discFolder_));
    writeButton_->setEnabled(true);
    imageButton_->setEnabled(true);
    showSets();
}

void PatientWindow::makeNewDiscFolder(const QString& sourceFolder, const QString& targetFolder)
{
    if (!succeeds([&] { return copyDisc(sourceFolder, targetFolder); }))
        return;
    openDiscFolder(targetFolder);
    status_->setText(QStringLiteral("Le disque a été copié dans %1.").arg(QDir::toNativeSeparators(targetFolder)));
}

void PatientWindow::addPhotographs(const QStringList& paths)
{
    QStringList problems;
    for (const QString& path : paths) {
        const Photograph thumbnail = [&] {
            const BusyCursor busy;
            return readPhotograph(path, thumbnailSize);
        }();
        if (thumbnail.image.isNull()) {
            problems << thumbnail.error;
            continue;
        }
        const int row = photographs_->rowCount();
        photographs_->insertRow(row);
        auto* item = new QTableWidgetItem(QIcon(QPixmap::fromImage(thumbnail.image)), QFileInfo(path).fileName());
        item->setData(Qt::UserRole, QFileInfo(path).absoluteFilePath());
        item->setToolTip(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
        photographs_->setItem(row, photographColumn, item);
        auto* side = new QComboBox;
        side->addItems({QString::fromStdString(sideWord(Side::left)), QString::fromStdString(sideWord(Side::right))});
        photographs_->setCellWidget(row, sideColumn, side);
        auto* set = new QComboBox;
        for (const PatientSet& patientSet : patientSets())
            set->addItem(setTitle(patientSet));
        // A new photograph goes to the set of the one before it.
        if (row > 0)
            set->setCurrentIndex(static_cast<QComboBox*>(photographs_->cellWidget(row - 1, setColumn))->currentIndex());
        photographs_->setCellWidget(row, setColumn, set);
    }
    if (!problems.isEmpty())
        warn(QStringLiteral("Ces fichiers n'ont pas été ajoutés :\n") + problems.join(QLatin1Char('\n')));
}

void PatientWindow::writeSets()
{
    if (discFolder_.isEmpty()) {
        warn(QStringLiteral("Choisissez d'abord le dossier du disque."));
        return;
    }
    std::array<std::vector<PhotographChoice>, patientSetCount> chosen;
    std::array<std::vector<std::string>, patientSetCount> names;
    for (int row = 0; row < photographs_->rowCount(); ++row) {
        const auto* side = static_cast<QComboBox*>(photographs_->cellWidget(row, sideColumn));
        const auto* set = static_cast<QComboBox*>(photographs_->cellWidget(row, setColumn));
        const auto index = static_cast<std::size_t>(set->currentIndex());
        chosen[index].push_back({photographs_->item(row, photographColumn)->data(Qt::UserRole).toString(),
                                 side->currentIndex() == 0 ? Side::left : Side::right});
        names[index].push_back(photographs_->item(row, photographColumn)->text().toStdString());
    }

    QString summary;
    bool replacing = false;
    for (std::size_t i = 0; i < patientSetCount; ++i) {
        if (chosen[i].empty())
            continue;
        const PatientSet& set = patientSets()[i];
        if (const std::string problem = photographCountProblem(chosen[i].size()); !problem.empty()) {
            warn(setTitle(set) + QStringLiteral(" : ") + QString::fromStdString(problem));
            return;
        }
        std::vector<Side> sides;
        for (const PhotographChoice& choice : chosen[i])
            sides.push_back(choice.side);
        summary += QStringLiteral("%1 : %2 photographie(s).\n").arg(setTitle(set)).arg(chosen[i].size());
        summary += QString::fromStdString(fillNotice(names[i], sides));
        const SetContent content = setContent(discFolder_, set.name);
        if (!content.empty()) {
            replacing = true;
            summary += QStringLiteral("  Ce jeu n'est pas vide (%1) : son contenu sera remplacé.\n")
                           .arg(QString::fromStdString(describeSet(content)));
        }
        summary += QLatin1Char('\n');
    }
    if (summary.isEmpty()) {
        warn(QStringLiteral("Ajoutez d'abord des photographies, et choisissez leur jeu."));
        return;
    }
    QMessageBox question(QMessageBox::Question, title,
                         QStringLiteral("Écrire ces jeux dans %1 ?\n\n%2Les jeux sans photographie ne sont pas touchés.")
                             .arg(QDir::toNativeSeparators(discFolder_), summary),
                         QMessageBox::Yes | QMessageBox::No, this);
    // French whether or not Qt's translations are installed.
    question.button(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
    question.button(QMessageBox::No)->setText(QStringLiteral("&Non"));
    question.setDefaultButton(replacing ? QMessageBox::No : QMessageBox::Yes);
    if (question.exec() != QMessageBox::Yes)
        return;

    QStringList written;
    for (std::size_t i = 0; i < patientSetCount; ++i) {
        if (chosen[i].empty())
            continue;
        const QString name = QString::fromStdString(patientSets()[i].name);
        if (!succeeds([&] { return writePatientSet(discFolder_, name, chosen[i]); }))
            break;
        written << name;
    }
    showSets();
    if (!written.isEmpty())
        status_->setText(QStringLiteral("Jeux écrits : %1.").arg(written.join(QStringLiteral(", "))));
}

void PatientWindow::writeImage(const QString& imageFile)
{
    if (!succeeds([&] { return writeDiscImage(discFolder_, imageFile); }))
        return;
    status_->setText(QStringLiteral("Image écrite : %1. Gravez-la sur un CD, ou montez-la comme un CD.")
                         .arg(QDir::toNativeSeparators(imageFile)));
}

void PatientWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PatientWindow::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    addPhotographs(localFiles(event->mimeData()));
}

void PatientWindow::chooseDiscFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Dossier du disque"), QDir::homePath());
    if (!folder.isEmpty())
        openDiscFolder(folder);
}

void PatientWindow::chooseNewDiscFolder()
{
    const std::vector<SourceDisc> discs = sourceDiscs();
    if (discs.empty()) {
        warn(QStringLiteral("Aucun disque d'images trouvé : mettez le disque dans le lecteur, attendez qu'il "
                            "apparaisse, puis recommencez."));
        return;
    }
    QStringList names;
    for (const SourceDisc& disc : discs)
        names << disc.name;
    bool chosen = true;
    const QString name = names.size() == 1 ? names.front()
                                           : QInputDialog::getItem(this, title, QStringLiteral("Copier quel disque ?"),
                                                                   names, 0, false, &chosen);
    if (!chosen)
        return;
    const QString parent = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Où créer le nouveau dossier du disque ?"), QDir::homePath());
    if (parent.isEmpty())
        return;
    // An empty folder becomes the disc folder; otherwise a new one is made inside.
    QString target = parent;
    for (int n = 1; !QDir(target).isEmpty(); ++n)
        target = QDir(parent).filePath(QStringLiteral("Disque du patient") + (n > 1 ? QStringLiteral(" %1").arg(n) : QString()));
    makeNewDiscFolder(discs[static_cast<std::size_t>(names.indexOf(name))].folder, target);
}

void PatientWindow::choosePhotographs()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Photographies du patient"), QDir::homePath(),
        QStringLiteral("Photographies (%1)").arg(photographPatterns().join(QLatin1Char(' '))));
    addPhotographs(files);
}

void PatientWindow::chooseImageFile()
{
    // beside the disc folder, named after it: an image inside would copy itself
    const QFileInfo disc(discFolder_);
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Image ISO du dossier"),
                                                      disc.dir().filePath(disc.fileName() + QStringLiteral(".iso")),
                                                      QStringLiteral("Image de disque (*.iso)"));
    if (!file.isEmpty())
        writeImage(file);
}

void PatientWindow::removeSelectedPhotographs()
{
    const QModelIndexList rows = photographs_->selectionModel()->selectedRows();
    QList<int> numbers;
    for (const QModelIndex& index : rows)
        numbers << index.row();
    std::sort(numbers.begin(), numbers.end(), std::greater<>());
    for (const int row : numbers)
        photographs_->removeRow(row);
}

void PatientWindow::showSets()
{
    for (std::size_t i = 0; i < patientSetCount; ++i)
        setLabels_[i]->setText(QString::fromStdString(describeSet(setContent(discFolder_, patientSets()[i].name))));
}

bool PatientWindow::succeeds(const std::function<QString()>& work)
{
    QString error;
    {
        const BusyCursor busy;
        error = work();
    }
    if (!error.isEmpty())
        warn(error);
    return error.isEmpty();
}

void PatientWindow::warn(const QString& text)
{
    QMessageBox::warning(this, title, text);
}
