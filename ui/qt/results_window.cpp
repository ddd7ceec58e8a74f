#include "ui/qt/results_window.h"

#include "engine/form1.h"
#include "results/progress_chart.h"
#include "results/report.h"
#include "ui/qt/results_folder_bar.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QChart* makeChart()
{
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QCategoryAxis* axisOf(const ChartAxis& description)
{
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setRange(description.low, description.high);
    axis->setStartValue(description.low);
    for (const ChartTick& tick : description.ticks)
        axis->append(fromUtf8(tick.label), tick.at);
    axis->setTitleText(fromUtf8(description.title));
    return axis;
}

// Draws the core's description: its axes and marks as they are, and each
// series as one line per piece, all in the series' colour, with one entry
// in the legend.
void draw(QChart* chart, const Chart& description)
{
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    chart->setTitle(fromUtf8(description.title));
    QCategoryAxis* x = axisOf(description.x);
    QCategoryAxis* y = axisOf(description.y);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (const ChartSeries& s : description.series) {
        QPen pen(QColor::fromRgb(static_cast<QRgb>(s.colour)));
        pen.setWidthF(2);
        if (s.dashed)
            pen.setStyle(Qt::DashLine);
        const std::size_t pieces = std::max<std::size_t>(s.runs.size(), 1);
        for (std::size_t i = 0; i < pieces; ++i) {
            auto* line = new QLineSeries;
            line->setName(fromUtf8(s.name));
            line->setPen(pen);
            line->setColor(pen.color());
            line->setPointsVisible(true);
            if (i < s.runs.size()) {
                for (const ChartPoint& p : s.runs[i])
                    line->append(p.x, p.y);
            }
            chart->addSeries(line);
            line->attachAxis(x);
            line->attachAxis(y);
            if (i > 0) {
                for (QLegendMarker* marker : chart->legend()->markers(line))
                    marker->setVisible(false);
            }
        }
    }
}

} // namespace

ResultsWindow::ResultsWindow(Form1& form, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), patient_(new QLineEdit), figures_(new QFormLayout),
      sides_(new QTableWidget(3, static_cast<int>(sideFiguresHeader.size()) - 1)), part_(new QComboBox),
      accuracy_(makeChart()), time_(makeChart()), note_(new QLabel), folder_(new ResultsFolderBar(form, this))
{
    setObjectName(QStringLiteral("results"));
    setWindowTitle(fromUtf8(resultsTitle) + QStringLiteral(" — Tavrel"));
    resize(760, 860);

    auto* patientRow = new QFormLayout;
    patientRow->addRow(QStringLiteral("&Patient :"), patient_);
    patient_->setObjectName(QStringLiteral("patient"));
    patient_->setText(QString::fromStdString(form_.patient()));
    patient_->setPlaceholderText(QStringLiteral("nom du patient"));
    connect(patient_, &QLineEdit::editingFinished, this, &ResultsWindow::patientEdited);

    // Left, right and both, one row each; the side in the row's header.
    sides_->setObjectName(QStringLiteral("sides"));
    sides_->setAccessibleName(QStringLiteral("Gauche et droite"));
    QStringList columns;
    for (std::size_t i = 1; i < sideFiguresHeader.size(); ++i)
        columns << fromUtf8(sideFiguresHeader[i]);
    sides_->setHorizontalHeaderLabels(columns);
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
        partChosen_ = true;
        drawCharts();
    });
    auto* partRow = new QFormLayout;
    partRow->addRow(QStringLiteral("Partie du &corps :"), part_);

    auto* progress = new QGroupBox(QStringLiteral("Progression du patient"));
    auto* charts = new QVBoxLayout(progress);
    charts->addLayout(partRow);
    for (QChart* chart : {accuracy_, time_}) {
        auto* view = new QChartView(chart);
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumHeight(240);
        charts->addWidget(view);
    }
    note_->setObjectName(QStringLiteral("note"));
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    charts->addWidget(note_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(patientRow);
    layout->addWidget(last);
    layout->addWidget(progress, 1);
    layout->addWidget(folder_);
}

// The name field loses the focus as the window goes, after this part of it
// has gone.
ResultsWindow::~ResultsWindow()
{
    patient_->disconnect(this);
}

void ResultsWindow::patientEdited()
{
    const std::string name = patient_->text().toStdString();
    if (name == form_.patient())
        return;
    const std::string failure = form_.setPatient(name);
    if (!failure.empty())
        QMessageBox::warning(this, QStringLiteral("Tavrel"), QString::fromStdString(failure));
    partChosen_ = false;
    refresh();
}

void ResultsWindow::refresh()
{
    drawCharts();
}

void ResultsWindow::drawCharts()
{
    const std::shared_ptr<const FolderHistory> folder =
        form_.results() ? form_.results()->contents() : std::make_shared<const FolderHistory>();
    const HistoryContents& history = folder->history;

    // The last exercise of this run, or, after a restart, the last one saved.
    const std::optional<ExerciseRecord> last =
        form_.lastExercise() ? form_.lastExercise() : lastExerciseOf(history, form_.patient());
    while (figures_->rowCount() > 0)
        figures_->removeRow(0);
    for (const Figure& f : lastExerciseFigures(last)) {
        auto* value = new QLabel(fromUtf8(f.value));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figures_->addRow(fromUtf8(f.label) + QStringLiteral(" :"), value);
    }
    const std::vector<SideFigures> sides = sideFiguresOf(last ? last->pictures : std::vector<PictureAnswer>{});
    sides_->setVisible(!sides.empty());
    QStringList rows;
    for (int r = 0; r < static_cast<int>(sides.size()); ++r) {
        rows << fromUtf8(sides[r].side);
        const std::string* cells[] = {&sides[r].answers, &sides[r].correct, &sides[r].medianTime};
        for (int c = 0; c < 3; ++c)
            sides_->setItem(r, c, new QTableWidgetItem(fromUtf8(*cells[c])));
    }
    sides_->setVerticalHeaderLabels(rows);

    if (!partChosen_)
        part_->setCurrentIndex(part_->findData(static_cast<int>(latestPartOf(history, form_.patient()))));
    const auto part = static_cast<BodyPart>(part_->currentData().toInt());
    const ProgressCharts charts = progressCharts(history, form_.patient(), part);
    draw(accuracy_, charts.accuracy);
    draw(time_, charts.responseTime);
    note_->setText(fromUtf8(charts.note));
    folder_->refresh();
}
