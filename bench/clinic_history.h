#pragma once
// A clinic's results folder after two years: 20 patients practising daily
// on two computers, each exercise about a hundred phase-1 pictures: about
// 15,000 exercises and 1.5 million picture lines (about 100 MB), written in
// the program's own format, with the same random sequence each time.

#include "results/history.h"

#include <filesystem>
#include <string>

struct ClinicHistory {
    int exercises = 0;
    long long pictures = 0;
    std::uintmax_t bytes = 0;
    std::string patient; // one of the patients, for the report
};

// Writes the folder (made if missing), replacing its history files.
ClinicHistory writeClinicHistory(const std::filesystem::path& folder);

// One more exercise of the patient, as the program saves it.
ExerciseRecord clinicExercise(const std::string& patient, const std::string& date);
