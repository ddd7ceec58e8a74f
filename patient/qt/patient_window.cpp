#include "patient/qt/patient_window.h"

#include "codecs/qt_picture_codec.h"
#include "sets/disc_image.h"
#include "ui/qt/utf8_text.h"

#include <QApplication>
#include <QCloseEvent>
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
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

using namespace patient;
using namespace sets;
using codecs::QtPictureCodec;

namespace {

const QString title = QStringLiteral("Photos du patient (Tavrel)");
constexpr QSize thumbnailSize(96, 72);
enum Column { photographColumn, sideColumn, setColumn };

QString setTitle(const PatientSet& set)
{
    return QStringLiteral("%1 (%2)").arg(fromUtf8(set.label), fromUtf8(set.name));
}

namespace fs = std::filesystem;

fs::path pathOf(const QString& path) { return fs::path(QFile::encodeName(path).toStdString()); }

// Where a package or this build keeps the demo disc, offered as a disc to copy.
std::vector<fs::path> demoFolders()
{
    return {fs::path(TAVREL_BUILD_DEMO_DISC), fs::path(TAVREL_INSTALLED_DEMO_DISC)};
}

struct Thumbnail {
    QString path;
    QImage image;
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
        setLabels_[i]->setObjectName(fromUtf8(patientSets()[i].name));
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
    stickButton_ = new QPushButton(QStringLiteral("&Copier le disque sur une clé USB…"));
    stickButton_->setObjectName(QStringLiteral("copyToStick"));
    stickButton_->setToolTip(QStringLiteral("Le dossier du disque à la racine d'une clé, que le programme trouve comme un CD"));
    connect(stickButton_, &QPushButton::clicked, this, &PatientWindow::chooseStick);
    actions->addWidget(stickButton_);
    actions->addStretch();
    layout->addLayout(actions);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    layout->addWidget(status_);
    auto* progressRow = new QHBoxLayout;
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("progress"));
    progressRow->addWidget(progress_, 1);
    cancelButton_ = new QPushButton(QStringLiteral("Annuler"));
    cancelButton_->setObjectName(QStringLiteral("cancel"));
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        cancelled_ = true;
        cancelButton_->setEnabled(false);
    });
    progressRow->addWidget(cancelButton_);
    layout->addLayout(progressRow);
    progress_->hide();
    cancelButton_->hide();

    actions_ = {openButton, newButton, addButton, removeButton, photographs_, writeButton_, imageButton_, stickButton_};
    enableActions();
    resize(760, 660);
}

PatientWindow::~PatientWindow()
{
    // The work holds the window's members: it stops, and ends, first.
    if (worker_) {
        cancelled_ = true;
        worker_->wait();
    }
}

void PatientWindow::enableActions()
{
    for (QWidget* action : std::as_const(actions_))
        action->setEnabled(!worker_);
    const bool disc = !discFolder_.isEmpty() && !worker_;
    writeButton_->setEnabled(disc);
    imageButton_->setEnabled(disc);
    stickButton_->setEnabled(disc);
}

void PatientWindow::runInBackground(const QString& doing, Work work, std::function<void()> succeeded)
{
    // One piece of work at a time: a drop during a write waits for none.
    if (worker_)
        return;
    cancelled_ = false;
    status_->setText(doing);
    progress_->setRange(0, 0);
    progress_->show();
    cancelButton_->setEnabled(true);
    cancelButton_->show();
    auto error = std::make_shared<std::string>();
    const QPointer<PatientWindow> window(this);
    const sets::Progress progress = [this, window](int done, int total) {
        QMetaObject::invokeMethod(this, [window, done, total] {
            if (window) {
                window->progress_->setRange(0, total);
                window->progress_->setValue(done);
            }
        }, Qt::QueuedConnection);
        return !cancelled_;
    };
    worker_ = QThread::create([work = std::move(work), progress, error] { *error = work(progress); });
    connect(worker_, &QThread::finished, this, [this, error, succeeded = std::move(succeeded)] {
        worker_->deleteLater();
        worker_ = nullptr;
        progress_->hide();
        cancelButton_->hide();
        status_->clear();
        enableActions();
        if (!error->empty())
            warn(fromUtf8(*error));
        else
            succeeded();
    });
    enableActions();
    worker_->start();
}

void PatientWindow::closeEvent(QCloseEvent* event)
{
    // Closing while a set is written stops the work; what it wrote so far
    // is removed by the set writer, so the old set stays.
    if (worker_) {
        cancelled_ = true;
        worker_->wait();
    }
    event->accept();
}

void PatientWindow::openDiscFolder(const QString& folder)
{
    if (const std::string problem = discFolderProblem(pathOf(folder)); !problem.empty()) {
        warn(fromUtf8(problem));
        return;
    }
    discFolder_ = QDir(folder).absolutePath();
    discLabel_->setText(QDir::toNativeSeparators(discFolder_));
    enableActions();
    showSets();
}

void PatientWindow::makeNewDiscFolder(const QString& sourceFolder, const QString& targetFolder)
{
    runInBackground(QStringLiteral("Copie du disque…"),
                    [source = pathOf(sourceFolder), target = pathOf(targetFolder)](const Progress& progress) {
                        return copyDisc(source, target, progress);
                    },
                    [this, targetFolder] {
                        openDiscFolder(targetFolder);
                        status_->setText(QStringLiteral("Le disque a été copié dans %1.").arg(QDir::toNativeSeparators(targetFolder)));
                    });
}

void PatientWindow::addPhotographs(const QStringList& paths)
{
    auto thumbnails = std::make_shared<std::vector<Thumbnail>>();
    auto problems = std::make_shared<QStringList>();
    runInBackground(
        QStringLiteral("Lecture des photographies…"),
        [paths, thumbnails, problems](const Progress& progress) -> std::string {
            QtPictureCodec codec;
            for (const QString& path : paths) {
                Photograph thumbnail = readPhotograph(pathOf(path), codec, thumbnailSize.width(), thumbnailSize.height());
                if (thumbnail.error.empty())
                    thumbnails->push_back({path, codecs::toImage(thumbnail.pixels)});
                else
                    *problems << fromUtf8(thumbnail.error);
                if (!progress(static_cast<int>(thumbnails->size()) + static_cast<int>(problems->size()),
                              static_cast<int>(paths.size())))
                    break;
            }
            return {};
        },
        [this, thumbnails, problems] {
            for (const Thumbnail& thumbnail : *thumbnails) {
                const QFileInfo file(thumbnail.path);
                const int row = photographs_->rowCount();
                photographs_->insertRow(row);
                auto* item = new QTableWidgetItem(QIcon(QPixmap::fromImage(thumbnail.image)), file.fileName());
                item->setData(Qt::UserRole, file.absoluteFilePath());
                item->setToolTip(QDir::toNativeSeparators(file.absoluteFilePath()));
                photographs_->setItem(row, photographColumn, item);
                auto* side = new QComboBox;
                side->addItems({fromUtf8(sideWord(Side::left)), fromUtf8(sideWord(Side::right))});
                photographs_->setCellWidget(row, sideColumn, side);
                auto* set = new QComboBox;
                for (const PatientSet& patientSet : patientSets())
                    set->addItem(setTitle(patientSet));
                // A new photograph goes to the set of the one before it.
                if (row > 0)
                    set->setCurrentIndex(static_cast<QComboBox*>(photographs_->cellWidget(row - 1, setColumn))->currentIndex());
                photographs_->setCellWidget(row, setColumn, set);
            }
            if (!problems->isEmpty())
                warn(QStringLiteral("Ces fichiers n'ont pas été ajoutés :\n") + problems->join(QLatin1Char('\n')));
        });
}

void PatientWindow::writeSets()
{
    if (discFolder_.isEmpty()) {
        warn(QStringLiteral("Choisissez d'abord le dossier du disque."));
        return;
    }
    SetChoices chosen;
    for (int row = 0; row < photographs_->rowCount(); ++row) {
        const auto* side = static_cast<QComboBox*>(photographs_->cellWidget(row, sideColumn));
        const auto* set = static_cast<QComboBox*>(photographs_->cellWidget(row, setColumn));
        chosen[static_cast<std::size_t>(set->currentIndex())].push_back(
            {pathOf(photographs_->item(row, photographColumn)->data(Qt::UserRole).toString()),
             side->currentIndex() == 0 ? Side::left : Side::right});
    }
    const WritePlan plan = planWrite(pathOf(discFolder_), chosen);
    if (!plan.problem.empty()) {
        warn(fromUtf8(plan.problem));
        return;
    }
    const QString summary = fromUtf8(plan.summary);
    QMessageBox question(QMessageBox::Question, title,
                         QStringLiteral("Écrire ces jeux dans %1 ?\n\n%2Les jeux sans photographie ne sont pas touchés.")
                             .arg(QDir::toNativeSeparators(discFolder_), summary),
                         QMessageBox::Yes | QMessageBox::No, this);
    // French whether or not Qt's translations are installed.
    question.button(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
    question.button(QMessageBox::No)->setText(QStringLiteral("&Non"));
    question.setDefaultButton(plan.replacing ? QMessageBox::No : QMessageBox::Yes);
    if (question.exec() != QMessageBox::Yes)
        return;

    // The clinician said yes to replacing: the sets are replaced as they are
    // then. Whatever happened, the sets are shown as they now are.
    auto written = std::make_shared<SetsWritten>();
    runInBackground(
        QStringLiteral("Écriture des jeux…"),
        [disc = pathOf(discFolder_), chosen, written](const Progress& progress) -> std::string {
            QtPictureCodec codec;
            *written = writePatientSets(disc, chosen, codec, progress);
            return {};
        },
        [this, written] {
            showSets();
            status_->setText(fromUtf8(writtenStatus(*written)));
            if (!written->message.empty())
                warn(fromUtf8(written->message));
        });
}

void PatientWindow::writeImage(const QString& imageFile)
{
    runInBackground(
        QStringLiteral("Écriture de l'image…"),
        [disc = pathOf(discFolder_), image = pathOf(imageFile)](const Progress&) {
            return writeDiscImage(disc, image, [](const fs::path& folder, const fs::path& file) {
                return sets::makeDiscImage(folder, file, "TAVREL_PATIENT", sets::Access::ownerOnly);
            });
        },
        [this, imageFile] {
            status_->setText(QStringLiteral("Image écrite : %1. Gravez-la sur un CD, ou montez-la comme un CD.")
                                 .arg(QDir::toNativeSeparators(imageFile)));
        });
}

void PatientWindow::copyToStick(const QString& stickRoot)
{
    runInBackground(
        QStringLiteral("Copie du disque sur la clé…"),
        [disc = pathOf(discFolder_), stick = pathOf(stickRoot)](const Progress& progress) {
            return copyDiscToStick(disc, stick, progress);
        },
        [this, stickRoot] {
            status_->setText(QStringLiteral("Le disque a été copié sur la clé %1 : le programme la trouvera comme un CD.")
                                 .arg(QDir::toNativeSeparators(stickRoot)));
        });
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
    const std::vector<SourceDisc> discs = sourceDiscs(demoFolders());
    if (discs.empty()) {
        warn(QStringLiteral("Aucun disque d'images trouvé : mettez le disque dans le lecteur, attendez qu'il "
                            "apparaisse, puis recommencez."));
        return;
    }
    QStringList names;
    for (const SourceDisc& disc : discs)
        names << fromUtf8(disc.name);
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
    makeNewDiscFolder(QFile::decodeName(discs[static_cast<std::size_t>(names.indexOf(name))].folder.c_str()),
                      QFile::decodeName(newDiscFolderIn(pathOf(parent)).c_str()));
}

void PatientWindow::choosePhotographs()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Photographies du patient"), QDir::homePath(),
        QStringLiteral("Photographies (*.jpg *.jpeg *.png *.heic *.JPG *.JPEG *.PNG *.HEIC)"));
    if (!files.isEmpty())
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

void PatientWindow::chooseStick()
{
    const StickChoice choice = stickChoice();
    if (choice.sticks.empty() && !choice.pickFolder) {
        warn(fromUtf8(choice.none));
        return;
    }
    QString root;
    if (!choice.sticks.empty()) {
        QStringList names;
        for (const Stick& stick : choice.sticks)
            names << fromUtf8(stick.name);
        bool chosen = true;
        const QString name = names.size() == 1 ? names.front()
                                               : QInputDialog::getItem(this, title, fromUtf8(choice.question), names, 0,
                                                                       false, &chosen);
        if (!chosen)
            return;
        root = QFile::decodeName(choice.sticks[static_cast<std::size_t>(names.indexOf(name))].root.c_str());
    } else {
        // Where the desktop mounts what is plugged in, for the clinician to
        // pick the stick.
        const QString media = QDir(QStringLiteral("/media")).exists(qEnvironmentVariable("USER"))
                                  ? QStringLiteral("/media/") + qEnvironmentVariable("USER")
                                  : QDir::homePath();
        root = QFileDialog::getExistingDirectory(this, QStringLiteral("La clé USB où copier le disque"), media);
        if (root.isEmpty())
            return;
    }
    copyToStick(root);
}

void PatientWindow::showSets()
{
    for (std::size_t i = 0; i < patientSetCount; ++i)
        setLabels_[i]->setText(fromUtf8(describeSet(inspectSet(pathOf(discFolder_), patientSets()[i].name))));
}

void PatientWindow::warn(const QString& text)
{
    QMessageBox::warning(this, title, text);
}
