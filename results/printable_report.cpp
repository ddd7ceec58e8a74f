#include "results/printable_report.h"

#include "model/text.h"
#include "results/patient_name.h"
#include "results/private_files.h"
#include "results/progress_chart.h"
#include "results/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The page's look, on screen and on A4 paper. Every chart is a figure that
// is never cut across two pages; headings stay with what follows them; the
// table's header is printed again on each page.
constexpr std::string_view style = R"(
@page { size: A4 portrait; margin: 14mm 12mm 16mm; }
* { box-sizing: border-box; }
body { font-family: "Liberation Sans", Arial, Helvetica, sans-serif; font-size: 10pt; color: #111; margin: 0; }
@media screen { body { max-width: 186mm; margin: 8mm auto; } }
h1 { font-size: 16pt; margin: 0 0 3mm; }
h2 { font-size: 12.5pt; margin: 7mm 0 2.5mm; border-bottom: 0.4mm solid #555; break-after: avoid; page-break-after: avoid; }
table { border-collapse: collapse; }
th, td { padding: 1mm 2mm; text-align: left; vertical-align: top; }
.identite th { font-weight: normal; color: #444; padding-left: 0; }
.identite td { font-weight: bold; }
.chiffres, .exercices { width: 100%; }
.chiffres th, .chiffres td, .exercices th, .exercices td { border: 0.25mm solid #999; }
.chiffres thead th, .exercices thead th { background: #eee; }
.exercices { font-size: 8.5pt; }
.exercices td { white-space: nowrap; }
.exercices thead th { text-align: center; }
.exercices td.n, .chiffres td.n { text-align: right; }
thead { display: table-header-group; }
tr { break-inside: avoid; page-break-inside: avoid; }
figure { margin: 0 0 5mm; break-inside: avoid; page-break-inside: avoid; }
figure h3 { font-size: 10.5pt; margin: 0 0 1mm; }
figure svg { display: block; width: 100%; height: auto; }
svg text { font-family: "Liberation Sans", Arial, Helvetica, sans-serif; font-size: 11px; fill: #222; }
figcaption { font-size: 8.5pt; color: #333; }
.note { font-size: 9pt; color: #333; }
.fin { margin-top: 6mm; font-size: 8.5pt; color: #444; }
)";

std::string escaped(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string percentOf(int part, int whole)
{
    return whole > 0 ? std::to_string(static_cast<long>(std::lround(100.0 * part / whole))) + " %" : "—";
}

std::string plural(std::size_t count, const std::string& one, const std::string& many)
{
    return std::to_string(count) + ' ' + (count > 1 ? many : one);
}

std::string row(const std::vector<std::string>& cells, const std::string& tag = "td", std::size_t firstNumber = 1)
{
    std::string html = "<tr>";
    for (std::size_t i = 0; i < cells.size(); ++i)
        html += "<" + tag + (tag == "td" && i >= firstNumber ? " class=\"n\"" : "") + ">" + escaped(cells[i]) + "</" +
                tag + ">";
    return html + "</tr>\n";
}

// The chart's drawing, in the units of its viewBox: the plot area, and
// the legend below the dates.
constexpr double svgWidth = 700;
constexpr double svgHeight = 262;
constexpr double plotLeft = 64;
constexpr double plotRight = 684;
constexpr double plotTop = 12;
constexpr double plotBottom = 200;
constexpr double legendTop = 246;

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string colourOf(std::uint32_t rgb)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

double along(double value, const ChartAxis& axis, double from, double to)
{
    const double span = axis.high - axis.low;
    return from + (span > 0 ? (value - axis.low) / span : 0.5) * (to - from);
}

const char* sideClass(SeriesKind kind)
{
    switch (kind) {
    case SeriesKind::left: return "gauche";
    case SeriesKind::right: return "droite";
    case SeriesKind::all: return "ensemble";
    }
    return "ensemble";
}

// A point's mark as the chart describes it: its shape tells the series
// apart on a page printed in black and white too.
std::string mark(const ChartSeries& series, double x, double y)
{
    const std::string colour = colourOf(series.colour);
    const double half = series.markSize / 2;
    switch (series.mark) {
    case MarkShape::disc:
        return "<circle cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"" + number(half) + "\" fill=\"" + colour +
               "\"/>";
    case MarkShape::ring:
        return "<circle cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"" + number(half - chartLineWidth / 2) +
               "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" + number(chartLineWidth) + "\"/>";
    case MarkShape::square:
        return "<rect x=\"" + number(x - half) + "\" y=\"" + number(y - half) + "\" width=\"" +
               number(series.markSize) + "\" height=\"" + number(series.markSize) + "\" fill=\"" + colour + "\"/>";
    }
    return {};
}

// A series' line through the points, dashed for all pictures.
std::string polyline(const ChartSeries& series, const std::string& points)
{
    return "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" + colourOf(series.colour) +
           "\" stroke-width=\"" + number(chartLineWidth) + "\"" + (series.dashed ? " stroke-dasharray=\"6 4\"" : "") +
           "/>";
}

std::string svgChart(const Chart& chart)
{
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + number(svgWidth) + ' ' +
                      number(svgHeight) + "\" role=\"img\" aria-label=\"" + escaped(chart.title) + "\">\n";
    // The value axis: its round marks and their lines across the plot.
    svg += "<g class=\"axe-valeurs\">\n";
    for (const ChartTick& tick : chart.y.ticks) {
        const double y = along(tick.at, chart.y, plotBottom, plotTop);
        svg += "<line x1=\"" + number(plotLeft) + "\" y1=\"" + number(y) + "\" x2=\"" + number(plotRight) +
               "\" y2=\"" + number(y) + "\" stroke=\"#ccc\" stroke-width=\"0.8\"/>";
        svg += "<text x=\"" + number(plotLeft - 6) + "\" y=\"" + number(y + 4) + "\" text-anchor=\"end\">" +
               escaped(tick.label) + "</text>\n";
    }
    if (!chart.y.title.empty())
        svg += "<text x=\"14\" y=\"" + number((plotTop + plotBottom) / 2) +
               "\" text-anchor=\"middle\" transform=\"rotate(-90 14 " + number((plotTop + plotBottom) / 2) + ")\">" +
               escaped(chart.y.title) + "</text>\n";
    svg += "</g>\n";
    // The time axis: the dates under their places.
    svg += "<g class=\"axe-dates\">\n<line x1=\"" + number(plotLeft) + "\" y1=\"" + number(plotBottom) + "\" x2=\"" +
           number(plotRight) + "\" y2=\"" + number(plotBottom) + "\" stroke=\"#555\" stroke-width=\"1\"/>\n";
    for (const ChartTick& tick : chart.x.ticks) {
        const double x = along(tick.at, chart.x, plotLeft, plotRight);
        svg += "<line x1=\"" + number(x) + "\" y1=\"" + number(plotBottom) + "\" x2=\"" + number(x) + "\" y2=\"" +
               number(plotBottom + 4) + "\" stroke=\"#555\"/>";
        svg += "<text x=\"" + number(x) + "\" y=\"" + number(plotBottom + 17) + "\" text-anchor=\"middle\">" +
               escaped(tick.label) + "</text>\n";
    }
    if (!chart.x.title.empty())
        svg += "<text x=\"" + number((plotLeft + plotRight) / 2) + "\" y=\"" + number(plotBottom + 34) +
               "\" text-anchor=\"middle\">" + escaped(chart.x.title) + "</text>\n";
    svg += "</g>\n";
    // The lines, broken where a place has no answer of their side, in the
    // chart's order, each over the ones before; the legend below, each
    // entry a stroke of the line with its mark.
    double legendX = plotLeft;
    for (const ChartSeries& series : chart.series) {
        svg += "<g class=\"serie " + std::string(sideClass(series.kind)) + "\">\n";
        for (const std::vector<ChartPoint>& run : series.runs) {
            std::string points;
            std::string marks;
            for (const ChartPoint& p : run) {
                const double x = along(p.x, chart.x, plotLeft, plotRight);
                const double y = along(p.y, chart.y, plotBottom, plotTop);
                points += (points.empty() ? "" : " ") + number(x) + ',' + number(y);
                marks += mark(series, x, y);
            }
            if (run.size() > 1)
                svg += polyline(series, points);
            svg += marks + '\n';
        }
        svg += "</g>\n<g class=\"legende\">" +
               polyline(series, number(legendX) + ',' + number(legendTop) + ' ' + number(legendX + 30) + ',' +
                                    number(legendTop)) +
               mark(series, legendX + 15, legendTop) + "<text x=\"" + number(legendX + 38) + "\" y=\"" +
               number(legendTop + 4) + "\">" + escaped(series.name) + "</text></g>\n";
        legendX += 200;
    }
    return svg + "</svg>\n";
}

// The charts of every body part the patient worked on, two per part; each
// figure is numbered at its title and at its caption, both kept on one page.
std::string progress(const HistoryContents& history, const std::string& patient)
{
    std::string html;
    int figure = 0;
    for (BodyPart part : chartParts) {
        const ProgressCharts charts = progressCharts(history, patient, part);
        if (!charts.accuracy.hasPoints() && !charts.responseTime.hasPoints())
            continue;
        for (const Chart* chart : {&charts.accuracy, &charts.responseTime}) {
            const std::string n = std::to_string(++figure);
            html += "<figure>\n<h3>Figure " + n + " — " + escaped(partTitle(part)) + " : " + escaped(chart->title) +
                    "</h3>\n" + svgChart(*chart) + "<figcaption>Figure " + n + " · " + escaped(charts.note) +
                    "</figcaption>\n</figure>\n";
        }
    }
    return html.empty() ? html : "<h2>Progression</h2>\n" + html;
}

std::string identity(const ReportRequest& request, const std::vector<ExerciseResult>& exercises)
{
    const auto line = [](const std::string& label, const std::string& value) {
        return "<tr><th>" + escaped(label) + "</th><td>" + escaped(value) + "</td></tr>\n";
    };
    const std::string who = patientKey(request.patient);
    std::string html = "<table class=\"identite\">\n" + line("Patient", who.empty() ? "(sans nom)" : who);
    if (!exercises.empty()) {
        const std::string first = frenchDay(exercises.front().date);
        const std::string last = frenchDay(exercises.back().date);
        html += line("Période", first == last ? "le " + first : "du " + first + " au " + last);
    }
    html += line("Exercices", exercises.empty() ? std::string("aucun exercice enregistré")
                                                : plural(exercises.size(), "exercice de phase 1",
                                                         "exercices de phase 1"));
    html += "</table>\n";
    const std::string sources = sourcesNote(request.folder.sources, request.thisComputer, request.patient);
    if (!sources.empty())
        html += "<p class=\"note\">" + escaped(sources) + "</p>\n";
    const std::string near = nearNamesNote(request.folder.patients, request.patient);
    if (!near.empty())
        html += "<p class=\"note\">" + escaped(near) + "</p>\n";
    return html;
}

// The last exercise: its settings and overall figures, then its answers
// for left pictures, right pictures and both.
std::string lastExercise(const ExerciseRecord& last)
{
    std::string html = "<h2>Dernier exercice, le " + escaped(frenchDateTime(last.result.date)) +
                       "</h2>\n<table class=\"identite\">\n";
    for (const Figure& f : lastExerciseFigures(last))
        html += "<tr><th>" + escaped(f.label) + "</th><td>" + escaped(f.value) + "</td></tr>\n";
    html += "</table>\n";
    const std::vector<SideFigures> sides = sideFiguresOf(last.pictures);
    // An exercise with an identity had its pictures saved with it: only a
    // file that could not be read keeps them from here.
    if (sides.empty())
        return html + (last.result.id.empty() || last.result.id.starts_with('~')
                           ? "<p class=\"note\">Cet exercice a été enregistré avant que les réponses soient gardées image "
                             "par image : les côtés n'y sont pas séparés.</p>\n"
                           : "<p class=\"note\">Les réponses image par image de cet exercice n'ont pas été trouvées dans "
                             "les fichiers « reponses » : voir les fichiers nommés à la fin du bilan.</p>\n");
    std::vector<std::string> header(sideFiguresHeader.begin(), sideFiguresHeader.end());
    html += "<table class=\"chiffres\">\n<thead>" + row(header, "th") + "</thead>\n";
    for (const SideFigures& side : sides)
        html += row({side.side, side.answers, side.correct, side.medianTime});
    return html + "</table>\n";
}

// Every exercise of the patient, with the correct answers of each side
// where its pictures were kept.
std::string exerciseTable(const std::vector<ExerciseResult>& exercises, const HistoryContents& history)
{
    std::string html = "<h2>Exercices</h2>\n<table class=\"exercices\">\n<thead><tr>";
    for (const char* column : {"Date", "Partie", "Niveau", "Vitesse", "Images", "Réponses"})
        html += "<th rowspan=\"2\">" + std::string(column) + "</th>";
    html += "<th colspan=\"3\">Réponses justes</th><th colspan=\"2\">Temps de réponse</th></tr>\n" +
            row({"toutes", "à gauche", "à droite", "moyen", "médian"}, "th") + "</thead>\n<tbody>\n";
    for (const ExerciseResult& r : exercises) {
        const Tally& t = r.tally;
        std::string left = "—";
        std::string right = "—";
        for (const ExerciseAnswers& a : history.answers) {
            if (a.id != r.id)
                continue;
            const std::vector<SideFigures> sides = sideFiguresOf(a.pictures);
            if (sides.size() >= 2) {
                left = sides[0].correct;
                right = sides[1].correct;
            }
            break;
        }
        html += row({frenchDateTime(r.date), std::string(partName(t.settings.part)), std::to_string(t.settings.level),
                     std::to_string(t.settings.intervalMs) + " ms", std::to_string(t.pictures),
                     std::to_string(t.answers), percentOf(t.correct, t.answers), left, right,
                     t.answers > 0 ? std::to_string(t.meanMs) + " ms" : "—",
                     t.answers > 0 ? std::to_string(t.medianMs) + " ms" : "—"},
                    "td", 2);
    }
    return html + "</tbody>\n</table>\n";
}

} // namespace

ReportRequest reportRequest(const ResultsFolder& results, const std::string& patient)
{
    return {patient, *results.contents(), fileNamePart(results.computer()), localDateTimeNow()};
}

std::string notOpened(const std::filesystem::path& file)
{
    return "Le bilan est écrit dans « " + utf8Of(file) +
           " », mais aucun navigateur n'a pu l'ouvrir : ouvrez ce fichier vous-même pour l'imprimer.";
}

std::string reportPage(const ReportRequest& request)
{
    const std::string who = patientKey(request.patient);
    std::vector<ExerciseResult> exercises;
    for (const ExerciseResult& r : request.folder.history.results) {
        if (patientKey(r.patient) == who)
            exercises.push_back(r);
    }

    std::string html = "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Bilan de " +
                       escaped(who.empty() ? "(sans nom)" : who) + " — Tavrel</title>\n<style>" +
                       std::string(style) + "</style>\n</head>\n<body>\n";
    html += "<h1>Bilan de rééducation par l'imagerie mentale</h1>\n";
    html += identity(request, exercises);
    if (const std::optional<ExerciseRecord> last = lastExerciseOf(request.folder.history, request.patient))
        html += lastExercise(*last);
    html += progress(request.folder.history, request.patient);
    if (!exercises.empty())
        html += exerciseTable(exercises, request.folder.history);
    for (const std::string& note : request.folder.history.notes)
        html += "<p class=\"note\">" + escaped(note) + "</p>\n";
    html += "<p class=\"fin\">Bilan établi le " + escaped(frenchDateTime(request.madeAt)) +
            " par Tavrel. Les temps de réponse vont de l'image à l'écran à l'appui sur la touche.</p>\n";
    return html + "</body>\n</html>\n";
}

std::string writeReport(const std::filesystem::path& file, const std::string& page)
{
    const std::string failure = private_files::replace(file, page);
    if (failure.empty())
        return {};
    return "Le bilan n'a pas pu être écrit dans « " + utf8Of(file) + " » : " + failure + ".";
}

WrittenReport writePrivateReport(const std::filesystem::path& privateFolder, const ReportRequest& request)
{
    const std::string who = patientKey(request.patient);
    const std::string name =
        "bilan-" + fileNamePart(who.empty() ? "sans nom" : who) + '-' + request.madeAt.substr(0, 10) + ".html";
    WrittenReport written{privateFolder / pathFromUtf8(name), {}};
    written.failure = private_files::makeFolder(privateFolder);
    written.failure = written.failure.empty() ? writeReport(written.file, reportPage(request))
                                              : "Le bilan n'a pas pu être écrit : " + written.failure + ".";
    return written;
}

ReportOutcome writeReportCommand(const std::filesystem::path& file, const std::string& patient,
                                 ResultsFolder& folder, std::chrono::milliseconds limit)
{
    folder.follow(patient);
    const std::string where = "« " + utf8Of(folder.folder()) + " »";
    if (!folder.finish(limit) || !folder.answering())
        return {"Le dossier des résultats " + where +
                    " ne répond pas ou n'existe pas : le bilan n'a pas été écrit. Vérifiez le chemin, le réseau "
                    "ou la clé, puis recommencez.",
                1};
    const std::shared_ptr<const FolderHistory> contents = folder.contents();
    const std::string who = patientKey(patient);
    const std::size_t exercises = contents->history.results.size();
    if (exercises == 0) {
        std::string message = "Aucun exercice de « " + who + " » dans le dossier des résultats " + where +
                              " : le bilan n'a pas été écrit.";
        if (const std::string near = nearNamesNote(contents->patients, patient); !near.empty()) {
            message += ' ' + near;
        } else if (!contents->patients.empty()) {
            message += " Patients du dossier :";
            for (const auto& [name, count] : contents->patients)
                message += " « " + name + " »";
            message += '.';
        }
        return {message, 1};
    }
    const std::string failure = writeReport(file, reportPage(reportRequest(folder, patient)));
    if (!failure.empty())
        return {failure, 1};
    return {"Bilan de « " + who + " » (" + plural(exercises, "exercice", "exercices") + ") écrit dans « " +
                utf8Of(file) + " ».",
            0};
}
