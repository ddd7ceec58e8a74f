#pragma once
// The program's texts are UTF-8; Windows takes and gives UTF-16. Each text
// is converted once, where it crosses to the system.

#include <string>
#include <string_view>
#include <vector>

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// The program's command line in UTF-8, whatever the system's code page: its
// own name first, then its arguments.
std::vector<std::string> commandLineWords();
