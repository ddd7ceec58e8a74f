#include "model/message_text.h"

#include <vector>

namespace {

bool continuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

bool breaksLines(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

} // namespace

std::string breakLongRuns(std::string_view text, std::size_t maxRun)
{
    if (maxRun == 0)
        return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / maxRun + 1);
    // The run under way: where it starts in out, the byte offsets in out
    // where each of its characters begins.
    std::vector<std::size_t> starts;
    std::size_t lastSeparator = 0; // characters of the run up to the last separator
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (breaksLines(c)) {
            out += c;
            starts.clear();
            lastSeparator = 0;
            continue;
        }
        if (!continuationByte(c)) {
            if (starts.size() == maxRun) {
                // Break after the last separator, or here.
                const std::size_t keep = lastSeparator > 0 ? lastSeparator : maxRun;
                const std::size_t at = keep < starts.size() ? starts[keep] : out.size();
                out.insert(at, 1, '\n');
                std::vector<std::size_t> rest;
                for (std::size_t k = keep; k < starts.size(); ++k)
                    rest.push_back(starts[k] + 1);
                starts = std::move(rest);
                lastSeparator = 0;
                for (std::size_t k = 0; k < starts.size(); ++k) {
                    const char first = out[starts[k]];
                    if (first == '\\' || first == '/')
                        lastSeparator = k + 1;
                }
            }
            starts.push_back(out.size());
            if (c == '\\' || c == '/')
                lastSeparator = starts.size();
        }
        out += c;
    }
    return out;
}
