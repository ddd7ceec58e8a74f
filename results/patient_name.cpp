#include "results/patient_name.h"

#include "model/text.h"

#include <array>
#include <cstdint>

namespace {

// For each combining accent, the Latin letters it composes with, each
// followed by the composed letter (Latin-1 Supplement and Latin
// Extended-A).
struct Composition {
    char32_t mark;
    std::u8string_view pairs;
};
constexpr std::array<Composition, 13> compositions = {{
    {0x0300, u8"AÀEÈIÌOÒUÙaàeèiìoòuù"},
    {0x0301, u8"AÁEÉIÍOÓUÚYÝaáeéiíoóuúyýCĆcćLĹlĺNŃnńRŔrŕSŚsśZŹzź"},
    {0x0302, u8"AÂEÊIÎOÔUÛaâeêiîoôuûCĈcĉGĜgĝHĤhĥJĴjĵSŜsŝWŴwŵYŶyŷ"},
    {0x0303, u8"AÃNÑOÕaãnñoõIĨiĩUŨuũ"},
    {0x0304, u8"AĀaāEĒeēIĪiīOŌoōUŪuū"},
    {0x0306, u8"AĂaăEĔeĕGĞgğIĬiĭOŎoŏUŬuŭ"},
    {0x0307, u8"CĊcċEĖeėGĠgġIİZŻzż"},
    {0x0308, u8"AÄEËIÏOÖUÜaäeëiïoöuüyÿYŸ"},
    {0x030A, u8"AÅaåUŮuů"},
    {0x030B, u8"OŐoőUŰuű"},
    {0x030C, u8"CČcčDĎdďEĚeěLĽlľNŇnňRŘrřSŠsšTŤtťZŽzž"},
    {0x0327, u8"CÇcçGĢgģKĶkķLĻlļNŅnņRŖrŗSŞsşTŢtţ"},
    {0x0328, u8"AĄaąEĘeęIĮiįUŲuų"},
}};
// Letters without a decomposition, upper case and lower case.
constexpr std::u8string_view plainUpper = u8"ÆÐØÞĐĦĲĿŁŊŒŦ";
constexpr std::u8string_view plainLower = u8"æðøþđħĳŀłŋœŧ";

// The code points of UTF-8 text; a byte that starts no character stands
// for itself, so that nothing is lost.
std::u32string decoded(std::string_view s)
{
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t length = utf8SequenceLength(s, i);
        if (length == 0) {
            out += static_cast<char32_t>(0xDC00 | c); // kept apart, written back as it was
            ++i;
            continue;
        }
        char32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out += code;
        i += length;
    }
    return out;
}

std::string encoded(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text) {
        if (c >= 0xDC80 && c <= 0xDCFF)
            out += static_cast<char>(c & 0xFF);
        else
            appendUtf8(out, c);
    }
    return out;
}

std::u32string codes(std::u8string_view s)
{
    return decoded(std::string_view(reinterpret_cast<const char*>(s.data()), s.size()));
}

// The letter the base and the accent compose, or 0.
char32_t compose(char32_t base, char32_t mark)
{
    for (const Composition& c : compositions) {
        if (c.mark != mark)
            continue;
        const std::u32string pairs = codes(c.pairs);
        for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
            if (pairs[i] == base)
                return pairs[i + 1];
        }
    }
    return 0;
}

// The letter without its accent, or the letter itself.
char32_t base(char32_t letter)
{
    for (const Composition& c : compositions) {
        const std::u32string pairs = codes(c.pairs);
        for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
            if (pairs[i + 1] == letter)
                return pairs[i];
        }
    }
    return letter;
}

bool isMark(char32_t c) { return c >= 0x0300 && c <= 0x036F; }

} // namespace

std::string composed(std::string_view text)
{
    // Plain ASCII, most names, has nothing to compose.
    bool ascii = true;
    for (char c : text)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return std::string(text);
    std::u32string out;
    for (char32_t c : decoded(text)) {
        if (isMark(c) && !out.empty()) {
            if (const char32_t letter = compose(out.back(), c)) {
                out.back() = letter;
                continue;
            }
        }
        out += c;
    }
    return encoded(out);
}

std::string patientKey(std::string_view name)
{
    return composed(trimmed(name));
}

std::string foldedName(std::string_view name)
{
    const std::u32string upper = codes(plainUpper);
    const std::u32string lower = codes(plainLower);
    std::u32string out;
    for (char32_t c : decoded(patientKey(name))) {
        if (isMark(c))
            continue;
        c = base(c);
        if (c >= 'A' && c <= 'Z')
            c = c - 'A' + 'a';
        if (const auto at = upper.find(c); at != std::u32string::npos)
            c = lower[at];
        out += c;
    }
    return encoded(out);
}

std::vector<std::pair<std::string, int>> nearNames(const std::map<std::string, int>& names, std::string_view patient)
{
    const std::string key = patientKey(patient);
    const std::string folded = foldedName(key);
    std::vector<std::pair<std::string, int>> near;
    for (const auto& [name, exercises] : names) {
        if (name != key && !folded.empty() && foldedName(name) == folded)
            near.emplace_back(name, exercises);
    }
    return near;
}

std::string nearNamesNote(const std::map<std::string, int>& names, std::string_view patient)
{
    const std::vector<std::pair<std::string, int>> near = nearNames(names, patient);
    if (near.empty())
        return {};
    std::string note = "Autres noms proches dans ce dossier : ";
    for (std::size_t i = 0; i < near.size(); ++i)
        note += (i ? ", « " : "« ") + near[i].first + " » (" + std::to_string(near[i].second) +
                (near[i].second > 1 ? " exercices)" : " exercice)");
    return note + ". S'il s'agit du même patient, tapez son nom toujours de la même façon.";
}
