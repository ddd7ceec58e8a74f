#pragma once
// The record that every handler of the window shares, from the window's
// creation to the end of the run. It is created with every field unset;
// Form_Load gives it its initial values (setInitialValues).

#include "model/value.h"

#include <cstdint>
#include <string>

struct ExerciseState {
    Value running;            // the exercise runs while it equals 1
    Value imagePath;          // full path of the picture shown last
    Value imageDir;           // directory fragment of the current image set
    Value answerText;         // the correct side last revealed
    Value exerciseMinutes;    // length of one exercise
    Value intervalMs;         // pace: milliseconds between two pictures
    Value closingPicturePath; // the disc's closing picture, once an exercise has ended
    Value driveLetter;        // drive letter of the image disc, without colon
    Value highIndex;          // draw range, both bounds included
    Value lowIndex;
    Value imageIndex;         // number of the picture drawn at this tick
    Value level;              // difficulty level 1 to 4, unset until a level box is clicked
    Value cycleCounter;       // 4, 3, 2, 1, 4, ...: easy or normal image set
    std::int16_t previousIndex = 0; // number drawn at the previous tick
    std::int16_t shownCount = 0;    // pictures shown since start-up

    // Working fields of the start-up disc scan.
    std::int32_t driveListLength = 0;
    std::string driveList;
    std::string currentRoot;
    std::int16_t separatorPos = 0;
    std::int32_t currentDriveType = 0;

    Value cdLetters;          // letters of the CD-ROM drives seen, each followed by a blank
    std::int16_t markerLength = 0;
    Value markerFound;        // the marker probe's outcome on the drive at hand
    Value discRoot;           // root of the drive where the marker was found last
    Value discFound;          // 1 once the marker has been found
};

// The values every run starts from.
void setInitialValues(ExerciseState& state);
