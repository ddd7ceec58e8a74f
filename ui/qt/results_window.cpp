#include "ui/qt/results_window.h"

#include "results/picture_order.h"
#include "ui/qt/chart_view.h"
#include "ui/qt/results_folder_bar.h"
#include "ui/qt/utf8_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

ResultsWindow::ResultsWindow(Form1& form, QWidget* parent)
    : QWidget(parent, Qt::Window), results_(form), patient_(new QLineEdit), figures_(new QFormLayout),
      sides_(new QTableWidget(3, static_cast<int>(sideFiguresHeader.size()) - 1)), part_(new QComboBox),
      accuracy_(new ChartView), time_(new ChartView), note_(new QLabel),
      order_(new QCheckBox(fromUtf8(pictureOrderCaption))), folder_(new ResultsFolderBar(results_, this))
{
    setObjectName(QStringLiteral("results"));
    setWindowTitle(fromUtf8(resultsTitle) + QStringLiteral(" — Tavrel"));
    resize(760, 860);

    auto* patientRow = new QFormLayout;
    patientRow->addRow(QStringLiteral("&Patient :"), patient_);
    patient_->setObjectName(QStringLiteral("patient"));
    patient_->setText(fromUtf8(form.patient()));
    patient_->setPlaceholderText(QStringLiteral("nom du patient"));
    connect(patient_, &QLineEdit::editingFinished, this, [this] {
        tell(results_.patientEdited(patient_->text().toStdString()));
        refresh();
    });

    // Left, right and both, one row each; the side in the row's header.
    sides_->setObjectName(QStringLiteral("sides"));
    sides_->setAccessibleName(QStringLiteral("Gauche et droite"));
    QStringList columns;
    for (std::size_t i = 1; i < sideFiguresHeader.size(); ++i)
        columns << fromUtf8(sideFiguresHeader[i]);
    sides_->setHorizontalHeaderLabels(columns);
    for (int r = 0; r < sides_->rowCount(); ++r) {
        for (int c = 0; c < sides_->columnCount(); ++c)
            sides_->setItem(r, c, new QTableWidgetItem);
    }
    sides_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sides_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    sides_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    sides_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sides_->setFixedHeight(sides_->horizontalHeader()->sizeHint().height() + 3 * sides_->verticalHeader()->defaultSectionSize() + 4);

    auto* last = new QGroupBox(QStringLiteral("Dernier exercice"));
    auto* lastLayout = new QVBoxLayout(last);
    lastLayout->addLayout(figures_);
    lastLayout->addWidget(sides_);

    part_->setObjectName(QStringLiteral("part"));
    for (BodyPart p : chartParts)
        part_->addItem(fromUtf8(partTitle(p)), static_cast<int>(p));
    connect(part_, &QComboBox::activated, this, [this] {
        results_.partChosen(static_cast<BodyPart>(part_->currentData().toInt()));
        refresh();
    });
    auto* partRow = new QFormLayout;
    partRow->addRow(QStringLiteral("Partie du &corps :"), part_);

    auto* progress = new QGroupBox(QStringLiteral("Progression du patient"));
    auto* charts = new QVBoxLayout(progress);
    charts->addLayout(partRow);
    for (ChartView* chart : {accuracy_, time_}) {
        chart->setMinimumHeight(240);
        charts->addWidget(chart);
    }
    note_->setObjectName(QStringLiteral("note"));
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    charts->addWidget(note_);

    order_->setObjectName(QStringLiteral("pictureOrder"));
    connect(order_, &QCheckBox::toggled, this, [this](bool varies) {
        tell(results_.pictureOrderChosen(varies));
        refresh();
    });
    auto* orderRow = new QHBoxLayout;
    orderRow->addWidget(order_);
    orderRow->addWidget(new QLabel(fromUtf8(pictureOrderWhen)), 1);
    connect(folder_, &ResultsFolderBar::folderChosen, this, &ResultsWindow::refresh);

    // The charts are drawn after the rest of the window, one a frame: Qt
    // Charts paints the window at each change of a chart, and the window's
    // changes all at once would hold the event loop longer than a frame.
    charts_.setSingleShot(true);
    charts_.setInterval(16);
    connect(&charts_, &QTimer::timeout, this, [this] {
        for (const auto& [chart, description] : {std::pair{accuracy_, &drawn_->charts.accuracy},
                                                 std::pair{time_, &drawn_->charts.responseTime}}) {
            if (chart->shows(*description))
                continue;
            chart->draw(*description);
            charts_.start();
            return;
        }
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(patientRow);
    layout->addWidget(last);
    layout->addWidget(progress, 1);
    layout->addLayout(orderRow);
    layout->addWidget(folder_);
    refresh();
}

// The name field loses the focus as the window goes, after this part of it
// has gone.
ResultsWindow::~ResultsWindow()
{
    patient_->disconnect(this);
}

QChart* ResultsWindow::accuracyChart() const
{
    return accuracy_->chart();
}

QChart* ResultsWindow::timeChart() const
{
    return time_->chart();
}

void ResultsWindow::tell(const std::string& message)
{
    if (!message.empty())
        QMessageBox::warning(this, QStringLiteral("Tavrel"), fromUtf8(message));
}

void ResultsWindow::refresh()
{
    draw(results_.view());
}

void ResultsWindow::draw(const ResultsView& view)
{
    const bool all = !drawn_;
    // Each row shown would lay the whole window out at once, charts
    // included: the window is laid out once instead, after the changes.
    QLayout* box = figures_->parentWidget()->layout();
    layout()->setEnabled(false);
    box->setEnabled(false);
    if (all || drawn_->figures != view.figures)
        drawFigures(view.figures);
    if (all || drawn_->sides != view.sides)
        drawSides(view.sides);
    if (all || drawn_->charts.note != view.charts.note)
        note_->setText(fromUtf8(view.charts.note));
    order_->setEnabled(view.hasFolder);
    {
        const QSignalBlocker quiet(order_);
        order_->setChecked(view.pictureOrderVaries);
    }
    folder_->draw(view);
    part_->setCurrentIndex(part_->findData(static_cast<int>(view.part)));
    box->setEnabled(true);
    layout()->setEnabled(true);
    box->activate();
    layout()->activate();
    drawn_ = view;
    if (!charts_.isActive())
        charts_.start();
}

// The rows are filled again in place, so that the window is laid out again
// only when their number changes.
void ResultsWindow::drawFigures(const std::vector<Figure>& figures)
{
    while (figures_->rowCount() < static_cast<int>(figures.size())) {
        auto* value = new QLabel;
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figures_->addRow(new QLabel, value);
    }
    for (int row = 0; row < figures_->rowCount(); ++row) {
        const auto at = static_cast<std::size_t>(row);
        figures_->setRowVisible(row, at < figures.size());
        if (at >= figures.size())
            continue;
        const auto label = [&](QFormLayout::ItemRole role) {
            return static_cast<QLabel*>(figures_->itemAt(row, role)->widget());
        };
        label(QFormLayout::LabelRole)->setText(fromUtf8(figures[at].label) + QStringLiteral(" :"));
        label(QFormLayout::FieldRole)->setText(fromUtf8(figures[at].value));
    }
}

void ResultsWindow::drawSides(const std::vector<SideFigures>& sides)
{
    sides_->setVisible(!sides.empty());
    QStringList rows;
    for (int r = 0; r < static_cast<int>(sides.size()); ++r) {
        rows << fromUtf8(sides[r].side);
        const std::string* cells[] = {&sides[r].answers, &sides[r].correct, &sides[r].medianTime};
        for (int c = 0; c < 3; ++c)
            sides_->item(r, c)->setText(fromUtf8(*cells[c]));
    }
    if (!sides.empty())
        sides_->setVerticalHeaderLabels(rows);
}
