#pragma once
// Files as the history tests read them back and write them: a file's bytes,
// and a history file holding the lines given, as the program begins one.

#include "results/history.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string contentOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// resultats.csv (or one of a shared folder) with the program's header and
// the lines, each ended by CRLF.
inline void writeHistory(const std::filesystem::path& file, const std::vector<std::string>& lines)
{
    std::ofstream out(file, std::ios::binary);
    out << "\xEF\xBB\xBF" << historyHeader << "\r\n";
    for (const std::string& line : lines)
        out << line << "\r\n";
}
