#include "results/printable_report.h"

#include "results/private_files.h"
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
.exercices td.n, .chiffres td.n { text-align: right; }
thead { display: table-header-group; }
tr { break-inside: avoid; page-break-inside: avoid; }
figure { margin: 0 0 5mm; break-inside: avoid; page-break-inside: avoid; }
figure h3 { font-size: 10.5pt; margin: 0 0 1mm; }
figure svg { display: block; width: 100%; height: auto; }
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

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// 2026-12-07T14:05:09 as 07/12/2026 and as 07/12/2026 14:05.
std::string frenchDay(const std::string& date)
{
    return date.substr(8, 2) + '/' + date.substr(5, 2) + '/' + date.substr(0, 4);
}
std::string frenchDateTime(const std::string& date)
{
    return frenchDay(date) + ' ' + date.substr(11, 5);
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

std::string identity(const ReportRequest& request, const std::vector<ExerciseResult>& exercises)
{
    const auto line = [](const std::string& label, const std::string& value) {
        return "<tr><th>" + escaped(label) + "</th><td>" + escaped(value) + "</td></tr>\n";
    };
    const std::string who = trimmed(request.patient);
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
    const std::string sources = sourcesNote(request.folder.sources, request.thisComputer);
    if (!sources.empty())
        html += "<p class=\"note\">" + escaped(sources) + "</p>\n";
    return html;
}

std::string lastExercise(const ExerciseResult& last)
{
    const Tally& t = last.tally;
    std::string html = "<h2>Dernier exercice</h2>\n<p>Le " + escaped(frenchDateTime(last.date)) + " : " +
                       escaped(std::string(partName(t.settings.part))) + ", niveau " +
                       std::to_string(t.settings.level) + ", une image toutes les " +
                       std::to_string(t.settings.intervalMs) + " ms" +
                       (t.settings.feedback ? ", avec la réponse affichée" : "") + ".</p>\n";
    html += "<table class=\"chiffres\">\n<thead>" +
            row({"", "Images", "Réponses", "Réponses justes", "Temps moyen", "Temps médian"}, "th") + "</thead>\n";
    html += row({"Les deux côtés", std::to_string(t.pictures), std::to_string(t.answers),
                 std::to_string(t.correct) + " (" + percentOf(t.correct, t.answers) + ")",
                 t.answers > 0 ? std::to_string(t.meanMs) + " ms" : "—",
                 t.answers > 0 ? std::to_string(t.medianMs) + " ms" : "—"});
    return html + "</table>\n";
}

std::string exerciseTable(const std::vector<ExerciseResult>& exercises)
{
    std::string html = "<h2>Exercices</h2>\n<table class=\"exercices\">\n<thead>" +
                       row({"Date", "Partie", "Niveau", "Vitesse", "Images", "Réponses", "Justes", "Temps moyen",
                            "Temps médian"},
                           "th") +
                       "</thead>\n<tbody>\n";
    for (const ExerciseResult& r : exercises) {
        const Tally& t = r.tally;
        html += row({frenchDateTime(r.date), std::string(partName(t.settings.part)), std::to_string(t.settings.level),
                     std::to_string(t.settings.intervalMs) + " ms", std::to_string(t.pictures),
                     std::to_string(t.answers), percentOf(t.correct, t.answers),
                     t.answers > 0 ? std::to_string(t.meanMs) + " ms" : "—",
                     t.answers > 0 ? std::to_string(t.medianMs) + " ms" : "—"},
                    "td", 2);
    }
    return html + "</tbody>\n</table>\n";
}

} // namespace

std::string reportPage(const ReportRequest& request)
{
    const std::string who = trimmed(request.patient);
    std::vector<ExerciseResult> exercises;
    for (const ExerciseResult& r : request.folder.history.results) {
        if (trimmed(r.patient) == who)
            exercises.push_back(r);
    }

    std::string html = "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Bilan de " +
                       escaped(who.empty() ? "(sans nom)" : who) + " — Tavrel</title>\n<style>" +
                       std::string(style) + "</style>\n</head>\n<body>\n";
    html += "<h1>Bilan de rééducation par l'imagerie mentale</h1>\n";
    html += identity(request, exercises);
    if (!exercises.empty()) {
        html += lastExercise(exercises.back());
        html += exerciseTable(exercises);
    }
    if (request.folder.history.skipped > 0)
        html += "<p class=\"note\">" +
                escaped(plural(static_cast<std::size_t>(request.folder.history.skipped),
                               "ligne illisible des fichiers de résultats a été ignorée.",
                               "lignes illisibles des fichiers de résultats ont été ignorées.")) +
                "</p>\n";
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
    const std::string name = "bilan-" + fileNamePart(trimmed(request.patient).empty() ? "sans nom" : trimmed(request.patient)) +
                             '-' + request.madeAt.substr(0, 10) + ".html";
    WrittenReport written{privateFolder / pathFromUtf8(name), {}};
    written.failure = private_files::makeFolder(privateFolder);
    written.failure = written.failure.empty() ? writeReport(written.file, reportPage(request))
                                              : "Le bilan n'a pas pu être écrit : " + written.failure + ".";
    return written;
}

ReportOutcome writeReportCommand(const std::filesystem::path& file, const std::string& patient,
                                 ResultsFolder& folder, std::chrono::milliseconds limit)
{
    folder.refresh();
    const std::string where = "« " + utf8Of(folder.folder()) + " »";
    if (!folder.finish(limit) || !folder.answering())
        return {"Le dossier des résultats " + where +
                    " ne répond pas ou n'existe pas : le bilan n'a pas été écrit. Vérifiez le chemin, le réseau "
                    "ou la clé, puis recommencez.",
                1};
    const FolderHistory contents = folder.contents();

    const std::string who = trimmed(patient);
    std::size_t exercises = 0;
    std::vector<std::string> known;
    for (const ExerciseResult& r : contents.history.results) {
        const std::string name = trimmed(r.patient);
        exercises += name == who ? 1 : 0;
        if (std::find(known.begin(), known.end(), name) == known.end())
            known.push_back(name);
    }
    if (exercises == 0) {
        std::string message = "Aucun exercice de « " + who + " » dans le dossier des résultats " + where +
                              " : le bilan n'a pas été écrit.";
        if (!known.empty()) {
            std::sort(known.begin(), known.end());
            message += " Patients du dossier :";
            for (const std::string& name : known)
                message += " « " + name + " »";
            message += '.';
        }
        return {message, 1};
    }
    const std::string failure = writeReport(file, reportPage({patient, contents, fileNamePart(folder.computer()),
                                                              localDateTimeNow()}));
    if (!failure.empty())
        return {failure, 1};
    return {"Bilan de « " + who + " » (" + plural(exercises, "exercice", "exercices") + ") écrit dans « " +
                utf8Of(file) + " ».",
            0};
}
