// Saves one exercise of a few pictures into the results folder as the
// program does at the stop of an exercise (the journal, then the files),
// waits as the program does at its end, and prints the exercise's identity
// and what the folder has to say. For the test of a history that LibreOffice
// Calc holds open.
//
//   save_exercise PRIVATE_FOLDER PATIENT

#include "results/results_folder.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: save_exercise PRIVATE_FOLDER PATIENT\n");
        return 2;
    }
    ResultsFolder results(pathFromUtf8(argv[1]), "PC");
    ExerciseRecord record{{localDateTimeNow(), argv[2], {}, newExerciseId()},
                          {{1, 3, "mainDGfacile", Side::left, Side::left, 640, {}},
                           {2, 14, "mainDGfacile", Side::right, Side::left, 720, {}},
                           {3, 7, "mainDGfacile", Side::left, std::nullopt, std::nullopt, {}}}};
    record.result.tally = tallyOf({BodyPart::hands, 1, 3000, true}, record.pictures);
    const std::string said = results.save(record);
    const std::string lost = results.end();
    std::printf("%s\n%s\n", record.result.id.c_str(), (said + lost + results.problem()).c_str());
    return said.empty() && lost.empty() ? 0 : 1;
}
