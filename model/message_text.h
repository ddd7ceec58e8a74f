#pragma once
// Texts shown in message boxes. A box is as wide as its longest line, and
// the boxes break lines only at blanks: a long path, which has none, would
// make a box wider than the screen.

#include <cstddef>
#include <string>
#include <string_view>

// How many characters a line of a message box may hold without a blank.
inline constexpr std::size_t messageRunLimit = 60;

// The UTF-8 text with a line break inserted into every run of characters
// without a blank or a line break that is longer than maxRun characters:
// after the last folder separator (\ or /) that keeps the piece within
// maxRun, or after maxRun characters where there is none. Nothing else
// changes; a character is never cut.
std::string breakLongRuns(std::string_view text, std::size_t maxRun = messageRunLimit);
