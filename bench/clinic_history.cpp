#include "clinic_history.h"

#include <fstream>
#include <random>

namespace {

constexpr int patients = 20;
constexpr int days = 730;
constexpr int picturesPerExercise = 100;

std::string patientName(int i)
{
    static const char* first[] = {"Zoé", "Hélène", "Jean", "Marie", "Lucas", "Chloé", "Hugo", "Léa", "Louis", "Emma"};
    static const char* last[] = {"Lefèvre", "Dupont"};
    return std::string(first[i % 10]) + ' ' + last[i / 10];
}

ExerciseRecord exerciseOf(std::mt19937& random, const std::string& patient, const std::string& date, BodyPart part)
{
    ExerciseRecord r;
    r.result.date = date;
    r.result.patient = patient;
    r.result.id = newExerciseId();
    const ExerciseSettings settings{part, 1 + static_cast<int>(random() % 4), part == BodyPart::hands ? 3000 : 4500,
                                    random() % 2 == 0};
    for (int order = 1; order <= picturesPerExercise; ++order) {
        const int number = 1 + static_cast<int>(random() % 20);
        PictureAnswer p{order, number, part == BodyPart::hands ? "mainDGfacile" : "piedDGfacile",
                        number > 10 ? Side::right : Side::left, std::nullopt, std::nullopt, std::nullopt};
        if (random() % 10 < 9) {
            p.answer = random() % 4 == 0 ? (p.shown == Side::left ? Side::right : Side::left) : p.shown;
            p.responseMs = 400 + static_cast<int>(random() % 1200);
        }
        r.pictures.push_back(std::move(p));
    }
    r.result.tally = tallyOf(settings, r.pictures);
    return r;
}

} // namespace

ExerciseRecord clinicExercise(const std::string& patient, const std::string& date)
{
    std::mt19937 random(static_cast<unsigned>(date.size() + patient.size()));
    return exerciseOf(random, patient, date, BodyPart::hands);
}

ClinicHistory writeClinicHistory(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    std::mt19937 random(20261207);
    ClinicHistory made;
    made.patient = patientName(0);
    for (const char* computer : {"CABINET-1", "CABINET-2"}) {
        const std::string end = std::string("-") + computer + ".csv";
        std::ofstream results(folder / ("resultats" + end), std::ios::binary | std::ios::trunc);
        std::ofstream answers(folder / ("reponses" + end), std::ios::binary | std::ios::trunc);
        results << "\xEF\xBB\xBF" << historyHeader << "\r\n";
        answers << "\xEF\xBB\xBF" << answersHeader << "\r\n";
        const int firstPatient = computer[8] == '1' ? 0 : patients / 2;
        for (int day = 0; day < days; ++day) {
            for (int p = firstPatient; p < firstPatient + patients / 2; ++p) {
                char date[32];
                std::snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:%02d:%02d", 2025 + day / 365, 1 + day % 365 / 31,
                              1 + day % 31 % 28, 8 + (p % 10), p * 5 % 60, day % 60);
                const ExerciseRecord r =
                    exerciseOf(random, patientName(p), date, day % 3 == 0 ? BodyPart::feet : BodyPart::hands);
                results << historyLine(r.result) << "\r\n";
                answers << answerLines(r);
                ++made.exercises;
                made.pictures += static_cast<long long>(r.pictures.size());
            }
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        made.bytes += entry.file_size();
    return made;
}
