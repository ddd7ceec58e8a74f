#include "ui/qt/results_window.h"

#include "engine/form1.h"
#include "results/report.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <optional>

namespace {

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QChart* makeChart(const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

// Draws one value of the patient's exercises over their dates, a line per
// body part.
// The value axis runs from 0 to the top given, or above the largest value
// when there is none.
void plot(QChart* chart, const std::vector<ProgressSeries>& progress, const QString& unit,
          const std::function<double(const ProgressPoint&)>& value, std::optional<double> top)
{
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes())
        chart->removeAxis(axis);

    auto* dates = new QDateTimeAxis;
    dates->setFormat(QStringLiteral("dd/MM/yyyy"));
    auto* values = new QValueAxis;
    values->setLabelFormat(QStringLiteral("%.0f"));
    values->setTitleText(unit);
    chart->addAxis(dates, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);

    QDateTime first;
    QDateTime last;
    double largest = 0;
    for (const ProgressSeries& s : progress) {
        auto* series = new QLineSeries;
        series->setName(fromUtf8(s.name));
        series->setPointsVisible(true);
        for (const ProgressPoint& p : s.points) {
            const QDateTime when = QDateTime::fromString(fromUtf8(p.date), Qt::ISODate);
            series->append(static_cast<qreal>(when.toMSecsSinceEpoch()), value(p));
            largest = std::max(largest, value(p));
            first = first.isValid() ? std::min(first, when) : when;
            last = last.isValid() ? std::max(last, when) : when;
        }
        chart->addSeries(series);
        series->attachAxis(dates);
        series->attachAxis(values);
    }
    if (!first.isValid())
        first = last = QDateTime::currentDateTime();
    // A day on either side, so that a single exercise still shows.
    dates->setRange(first.addDays(-1), last.addDays(1));
    values->setRange(0, top.value_or(largest > 0 ? largest * 1.1 : 1000));
}

} // namespace

ResultsWindow::ResultsWindow(Form1& form, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), patient_(new QLineEdit), figures_(new QFormLayout),
      accuracy_(makeChart(QStringLiteral("Réponses justes"))),
      time_(makeChart(QStringLiteral("Temps de réponse moyen"))), note_(new QLabel)
{
    setObjectName(QStringLiteral("results"));
    setWindowTitle(fromUtf8(resultsTitle) + QStringLiteral(" — Tavrel"));
    resize(720, 760);

    auto* patientRow = new QFormLayout;
    patientRow->addRow(QStringLiteral("&Patient :"), patient_);
    patient_->setObjectName(QStringLiteral("patient"));
    patient_->setText(QString::fromStdString(form_.patient()));
    patient_->setPlaceholderText(QStringLiteral("nom du patient"));
    connect(patient_, &QLineEdit::editingFinished, this, &ResultsWindow::patientEdited);

    auto* last = new QGroupBox(QStringLiteral("Dernier exercice"));
    last->setLayout(figures_);

    auto* progress = new QGroupBox(QStringLiteral("Progression du patient"));
    auto* charts = new QVBoxLayout(progress);
    for (QChart* chart : {accuracy_, time_}) {
        auto* view = new QChartView(chart);
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumHeight(220);
        charts->addWidget(view);
    }
    note_->setObjectName(QStringLiteral("note"));
    note_->setWordWrap(true);
    charts->addWidget(note_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(patientRow);
    layout->addWidget(last);
    layout->addWidget(progress, 1);
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
    refresh();
}

void ResultsWindow::refresh()
{
    while (figures_->rowCount() > 0)
        figures_->removeRow(0);
    for (const Figure& f : lastExerciseFigures(form_.lastExercise())) {
        auto* value = new QLabel(fromUtf8(f.value));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figures_->addRow(fromUtf8(f.label) + QStringLiteral(" :"), value);
    }

    const HistoryContents history = form_.history() ? form_.history()->read() : HistoryContents{};
    const std::vector<ProgressSeries> progress = progressOf(history, form_.patient());
    plot(accuracy_, progress, QStringLiteral("%"), [](const ProgressPoint& p) { return p.accuracy; }, 100.0);
    plot(time_, progress, QStringLiteral("ms"), [](const ProgressPoint& p) { return double(p.meanMs); }, std::nullopt);
    QString note = fromUtf8(historyNote(history, progress));
    if (form_.history())
        note += QStringLiteral("\nFichier : ") + QString::fromStdString(form_.history()->file().string());
    note_->setText(note);
}
