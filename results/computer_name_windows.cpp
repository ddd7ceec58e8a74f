// The computer's name as Windows shows it (its NetBIOS name), in UTF-16
// turned into UTF-8.

#include "results/computer_name.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>

namespace {

std::string utf8(const std::wstring& wide)
{
    const std::u8string text = std::filesystem::path(wide).u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

std::string thisComputerName()
{
    wchar_t chosen[256] = {};
    const DWORD length = GetEnvironmentVariableW(L"TAVREL_ORDINATEUR", chosen, 256);
    if (length > 0 && length < 256)
        return utf8(chosen);
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size) || size == 0)
        return "ordinateur";
    return utf8(std::wstring(name, size));
}
