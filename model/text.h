#pragma once
// Small operations on the program's texts, which are UTF-8 throughout,
// written once for all its code: blanks trimmed, UTF-8 checked and written,
// paths to and from UTF-8 text (whatever the system's code page), and dates
// as a French reader writes them.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// The text without the characters of blanks at either end.
std::string_view trimmed(std::string_view text, std::string_view blanks = " \t");

// The length of the UTF-8 sequence that begins at the position given, or 0
// when no well-formed one begins there.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);
// Whether the text is well-formed UTF-8 throughout.
bool isUtf8(std::string_view text);
// Adds the UTF-8 of the character to the text.
void appendUtf8(std::string& text, char32_t c);

std::filesystem::path pathFromUtf8(std::string_view text);
std::string utf8Of(const std::filesystem::path& path);

// "07/12/2026" from the date and time 2026-12-07T14:05:09, and
// "07/12/2026 14:05", or with other words between ("07/12/2026 à 14:05").
std::string frenchDay(std::string_view dateTime);
std::string frenchDateTime(std::string_view dateTime, std::string_view between = " ");
