#pragma once
// The timer's tick: while an exercise runs it sets the pace, chooses the
// image set, draws a picture number that differs from the last one and shows
// that picture; in phase 1 it may reveal the correct side shortly before the
// next picture; every tick ends with the end-of-exercise check.

struct ExerciseState;
class WindowServices;

void Timer1_Timer(ExerciseState& state, WindowServices& window);

// Phase 1 with feedback checked: shows the answer pair, waits the interval
// less 0.2 s and writes " Droite" or " gauche".
void showFeedback(ExerciseState& state, WindowServices& window);

// Seconds from one reading of a clock that starts again from 0 at midnight
// to a later one.
double secondsSince(double start, double now);
