#include "ui/qt/results_window.h"

#include "engine/form1.h"
#include "results/picture_order.h"
#include "results/progress_chart.h"
#include "results/report.h"
#include "ui/qt/results_folder_bar.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QChart* makeChart()
{
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    // Each entry a stroke of its line with its mark, as the lines show.
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
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

// A series' mark as the core describes it, drawn at four times its size so
// that it stays sharp where Qt Charts scales it to the mark's size.
QImage markOf(const ChartSeries& s)
{
    constexpr int scale = 4;
    const int side = static_cast<int>(std::ceil(s.markSize * scale));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    const QColor colour = QColor::fromRgb(static_cast<QRgb>(s.colour));
    const QRectF whole(0, 0, s.markSize, s.markSize);
    switch (s.mark) {
    case MarkShape::disc:
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(whole);
        break;
    case MarkShape::ring: {
        const double inset = chartLineWidth / 2;
        painter.setPen(QPen(colour, chartLineWidth));
        painter.drawEllipse(whole.adjusted(inset, inset, -inset, -inset));
        break;
    }
    case MarkShape::square:
        painter.fillRect(whole, colour);
        break;
    }
    return image;
}

// Draws the core's description: its axes and marks as they are, and each
// series, in the description's order so that each lies over the ones
// before, as one line per piece with the series' mark on each point, all in
// the series' colour, with one entry in the legend.
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
        pen.setWidthF(chartLineWidth);
        if (s.dashed)
            pen.setStyle(Qt::DashLine);
        const QImage mark = markOf(s);
        const std::size_t pieces = std::max<std::size_t>(s.runs.size(), 1);
        for (std::size_t i = 0; i < pieces; ++i) {
            auto* line = new QLineSeries;
            line->setName(fromUtf8(s.name));
            line->setPen(pen);
            line->setColor(pen.color());
            line->setLightMarker(mark);
            line->setMarkerSize(s.markSize);
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
      accuracy_(makeChart()), time_(makeChart()), note_(new QLabel),
      order_(new QCheckBox(fromUtf8(pictureOrderCaption))), folder_(new ResultsFolderBar(form, this))
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

    // The choice is kept in the private data folder: without a results
    // folder there is none, and the box cannot be ticked.
    order_->setObjectName(QStringLiteral("pictureOrder"));
    order_->setEnabled(form_.results() != nullptr);
    order_->setChecked(form_.results() && PictureOrderChoice(form_.results()->privateFolder()).varies());
    connect(order_, &QCheckBox::toggled, this, &ResultsWindow::pictureOrderChosen);
    auto* orderRow = new QHBoxLayout;
    orderRow->addWidget(order_);
    orderRow->addWidget(new QLabel(fromUtf8(pictureOrderWhen)), 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(patientRow);
    layout->addWidget(last);
    layout->addWidget(progress, 1);
    layout->addLayout(orderRow);
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

void ResultsWindow::pictureOrderChosen(bool varies)
{
    PictureOrderChoice choice(form_.results()->privateFolder());
    const std::string failure = choice.setVaries(varies);
    if (failure.empty())
        return;
    QMessageBox::warning(this, QStringLiteral("Tavrel"), fromUtf8(failure));
    const QSignalBlocker quiet(order_);
    order_->setChecked(choice.varies());
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

    const std::optional<ExerciseRecord> last = lastExerciseShown(history, form_.patient(), form_.lastExercise());
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
