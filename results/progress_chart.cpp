#include "results/progress_chart.h"

#include "model/text.h"
#include "results/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

namespace {

// A chart holds at most this many places; more dates are grouped.
constexpr std::size_t mostPlaces = 40;
// At most this many dates are written under a chart, so that they never
// run into each other.
constexpr std::size_t mostDateLabels = 8;

int numberAt(const std::string& iso, std::size_t at, std::size_t length)
{
    return std::stoi(iso.substr(at, length));
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// back (H. Hinnant's algorithms).
long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string civilFromDays(long z)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    const long y = yoe + era * 400 + (m <= 2);
    char text[64];
    std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld", y, m, d);
    return text;
}

enum class Grouping { exercise, day, week, month };

// The place of a date: its key sorts as time goes.
std::string keyOf(const std::string& iso, Grouping grouping)
{
    switch (grouping) {
    case Grouping::exercise: return iso.substr(0, 16);
    case Grouping::day: return iso.substr(0, 10);
    case Grouping::week: {
        const long days = daysFromCivil(numberAt(iso, 0, 4), numberAt(iso, 5, 2), numberAt(iso, 8, 2));
        const long sinceMonday = ((days + 3) % 7 + 7) % 7; // 1970-01-01 was a Thursday
        return civilFromDays(days - sinceMonday);
    }
    case Grouping::month: return iso.substr(0, 7);
    }
    return iso;
}

std::string labelOf(const std::string& key, Grouping grouping)
{
    switch (grouping) {
    case Grouping::exercise:
    case Grouping::day: return frenchDay(key);
    case Grouping::week: return "sem. du " + frenchDay(key);
    case Grouping::month: return key.substr(5, 2) + '/' + key.substr(0, 4);
    }
    return key;
}

struct Place {
    std::string key;
    // Left and right pictures: answers, correct answers, response times.
    int answered[2] = {0, 0};
    int correct[2] = {0, 0};
    std::vector<double> times[2];
    // The exercises' overall figures.
    int allAnswers = 0;
    int allCorrect = 0;
    std::vector<double> medians;
};

double median(std::vector<double> values) { return meanAndMedian(std::move(values)).median; }

// The round step of a value axis that reaches top in about five steps:
// 1, 2, 2.5 or 5 times a power of ten.
double roundStep(double top)
{
    const double rough = top / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
        if (m * power >= rough)
            return m * power;
    }
    return 10 * power;
}

ChartAxis valueAxis(double top, std::string title, const std::string& unit)
{
    const double step = roundStep(top > 0 ? top : 1000);
    ChartAxis axis{0, std::ceil((top > 0 ? top : 1000) / step - 1e-9) * step, {}, std::move(title)};
    for (int i = 0; i * step <= axis.high + step / 1000; ++i) {
        char label[32];
        std::snprintf(label, sizeof label, step == std::floor(step) ? "%.0f%s" : "%.1f%s", i * step, unit.c_str());
        axis.ticks.push_back({i * step, label});
    }
    return axis;
}

// A line through the places that have a value; a place without one breaks it.
ChartSeries series(SeriesKind kind, const std::vector<std::optional<double>>& values)
{
    struct Look {
        const char* name;
        std::uint32_t colour;
        MarkShape mark;
        double size;
    };
    // The disc of all pictures is wider than the square's diagonal, and
    // narrower than the inside of the ring.
    static const std::map<SeriesKind, Look> looks = {
        {SeriesKind::left, {"Images de gauche", 0x1F77B4, MarkShape::ring, 15}},
        {SeriesKind::right, {"Images de droite", 0xD62728, MarkShape::square, 6}},
        {SeriesKind::all, {"Toutes les images", 0x606060, MarkShape::disc, 10}},
    };
    const Look& look = looks.at(kind);
    ChartSeries s{kind, look.name, look.colour, kind == SeriesKind::all, look.mark, look.size, {}};
    bool broken = true;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i]) {
            broken = true;
            continue;
        }
        if (broken)
            s.runs.emplace_back();
        broken = false;
        s.runs.back().push_back({static_cast<double>(i), *values[i]});
    }
    return s;
}

std::string plural(std::size_t count, const std::string& one, const std::string& many)
{
    return std::to_string(count) + ' ' + (count > 1 ? many : one);
}

} // namespace

bool Chart::hasPoints() const
{
    return std::ranges::any_of(series, [](const ChartSeries& s) { return !s.runs.empty(); });
}

std::string partTitle(BodyPart part)
{
    std::string name(partName(part));
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

BodyPart latestPartOf(const HistoryContents& history, const std::string& patient)
{
    const std::string who = patientKey(patient);
    const ExerciseResult* latest = nullptr;
    for (const ExerciseResult& r : history.results) {
        if (patientKey(r.patient) == who && (!latest || r.date >= latest->date))
            latest = &r;
    }
    return latest ? latest->tally.settings.part : BodyPart::hands;
}

ProgressCharts progressCharts(const HistoryContents& history, const std::string& patient, BodyPart part)
{
    const std::string who = patientKey(patient);
    std::vector<const ExerciseResult*> results;
    std::vector<const ExerciseAnswers*> answers;
    for (const ExerciseResult& r : history.results) {
        if (r.tally.settings.part == part && patientKey(r.patient) == who)
            results.push_back(&r);
    }
    for (const ExerciseAnswers& a : history.answers) {
        if (a.part == part && patientKey(a.patient) == who)
            answers.push_back(&a);
    }

    // The finest grouping that keeps the places few.
    std::vector<std::string> dates;
    for (const ExerciseResult* r : results)
        dates.push_back(r->date);
    for (const ExerciseAnswers* a : answers)
        dates.push_back(a->date);
    Grouping grouping = Grouping::exercise;
    for (Grouping g : {Grouping::exercise, Grouping::day, Grouping::week, Grouping::month}) {
        grouping = g;
        std::vector<std::string> keys;
        for (const std::string& d : dates)
            keys.push_back(keyOf(d, g));
        std::ranges::sort(keys);
        if (static_cast<std::size_t>(std::unique(keys.begin(), keys.end()) - keys.begin()) <= mostPlaces)
            break;
    }

    std::map<std::string, Place> byKey;
    std::size_t exercises = 0;
    for (const ExerciseResult* r : results) {
        Place& p = byKey[keyOf(r->date, grouping)];
        p.allAnswers += r->tally.answers;
        p.allCorrect += r->tally.correct;
        if (r->tally.answers > 0)
            p.medians.push_back(r->tally.medianMs);
        ++exercises;
    }
    for (const ExerciseAnswers* a : answers) {
        Place& p = byKey[keyOf(a->date, grouping)];
        for (const PictureAnswer& picture : a->pictures) {
            const int side = picture.shown == Side::left ? 0 : 1;
            if (!picture.answer)
                continue;
            ++p.answered[side];
            p.correct[side] += picture.correct() ? 1 : 0;
            p.times[side].push_back(*picture.responseMs);
        }
    }

    // Left, right, all.
    const SeriesKind kinds[3] = {SeriesKind::left, SeriesKind::right, SeriesKind::all};
    std::vector<std::optional<double>> accuracy[3];
    std::vector<std::optional<double>> time[3];
    std::vector<std::string> labels;
    for (auto& [key, p] : byKey) {
        labels.push_back(labelOf(key, grouping));
        for (int side : {0, 1}) {
            const bool any = p.answered[side] > 0;
            accuracy[side].push_back(any ? std::optional(100.0 * p.correct[side] / p.answered[side]) : std::nullopt);
            time[side].push_back(any ? std::optional(median(p.times[side])) : std::nullopt);
        }
        const bool any = p.allAnswers > 0;
        accuracy[2].push_back(any ? std::optional(100.0 * p.allCorrect / p.allAnswers) : std::nullopt);
        time[2].push_back(p.medians.empty() ? std::nullopt : std::optional(median(p.medians)));
    }
    // Exercises of one day apart get their times, so that no date is
    // written twice.
    if (grouping == Grouping::exercise) {
        const std::vector<std::string> days = labels;
        std::size_t i = 0;
        for (const auto& [key, p] : byKey) {
            if (std::ranges::count(days, days[i]) > 1)
                labels[i] += ' ' + key.substr(11, 5);
            ++i;
        }
    }

    const std::size_t places = labels.size();
    ChartAxis dateAxis{-0.5, places ? places - 0.5 : 0.5, {}, {}};
    const std::size_t every = (places + mostDateLabels - 1) / std::max<std::size_t>(mostDateLabels, 1);
    for (std::size_t i = 0; i < places; i += std::max<std::size_t>(every, 1))
        dateAxis.ticks.push_back({static_cast<double>(i), labels[i]});

    ProgressCharts charts;
    charts.accuracy.title = "Réponses justes";
    charts.responseTime.title = "Temps de réponse médian";
    double slowest = 0;
    for (const auto& values : time) {
        for (const std::optional<double>& v : values)
            slowest = std::max(slowest, v.value_or(0));
    }
    charts.accuracy.y = valueAxis(100, "%", " %");
    charts.responseTime.y = valueAxis(slowest, "ms", "");
    // All pictures first, under the sides.
    for (Chart* chart : {&charts.accuracy, &charts.responseTime}) {
        chart->x = dateAxis;
        for (int k : {2, 0, 1})
            chart->series.push_back(series(kinds[k], chart == &charts.accuracy ? accuracy[k] : time[k]));
    }

    charts.note = exercises == 0 ? "Aucun exercice de " + std::string(partName(part)) + " enregistré pour ce patient."
                                 : plural(exercises, "exercice", "exercices") + " de " + std::string(partName(part)) +
                                       " pour ce patient";
    if (exercises > 0) {
        const char* grouped[] = {".", ", un point par jour.", ", un point par semaine.", ", un point par mois."};
        charts.note += grouped[static_cast<int>(grouping)];
    }
    for (const std::string& note : history.notes)
        charts.note += ' ' + note;
    return charts;
}
