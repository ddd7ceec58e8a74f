#include "model/text.h"

#include <exception>

std::string_view trimmed(std::string_view text, std::string_view blanks)
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::size_t utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    // A two-byte sequence for a character that fits in one is no UTF-8.
    if (length == 0 || at + length > text.size() || (length == 2 && lead < 0xC2))
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[at + k]) >> 6) != 0x2)
            return 0;
    }
    return length;
}

bool isUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

void appendUtf8(std::string& text, char32_t c)
{
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::filesystem::path pathFromUtf8(std::string_view text)
{
    // Bytes that are no UTF-8 name no file the program made: each stands as
    // U+FFFD, so that no conversion to the system's names can fail.
    std::u8string whole;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceLength(text, at);
        if (length == 0) {
            whole += u8"\uFFFD";
            ++at;
            continue;
        }
        whole.append(text.begin() + static_cast<std::ptrdiff_t>(at),
                     text.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    return std::filesystem::path(whole);
}

std::string utf8Of(const std::filesystem::path& path)
{
    try {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    } catch (const std::exception&) {
        // A name the system holds that no reading makes whole (a lone half
        // of a UTF-16 pair): each of its units stands as U+FFFD.
        std::string text;
        for (const auto unit : path.native()) {
            const auto code = static_cast<char32_t>(unit);
            appendUtf8(text, code >= 0xD800 && code <= 0xDFFF ? U'\uFFFD' : code);
        }
        return text;
    }
}

std::string frenchDay(std::string_view dateTime)
{
    return std::string(dateTime.substr(8, 2)) + '/' + std::string(dateTime.substr(5, 2)) + '/' +
           std::string(dateTime.substr(0, 4));
}

std::string frenchDateTime(std::string_view dateTime, std::string_view between)
{
    return frenchDay(dateTime) + std::string(between) + std::string(dateTime.substr(11, 5));
}
