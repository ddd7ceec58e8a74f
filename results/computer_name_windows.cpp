// The computer's name as Windows shows it (its NetBIOS name), in UTF-16
// turned into UTF-8.

#include "results/computer_name.h"

#include "model/text.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <filesystem>

std::string thisComputerName()
{
    wchar_t chosen[256] = {};
    const DWORD length = GetEnvironmentVariableW(L"TAVREL_ORDINATEUR", chosen, 256);
    if (length > 0 && length < 256)
        return utf8Of(std::filesystem::path(chosen));
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size) || size == 0)
        return "ordinateur";
    return utf8Of(std::filesystem::path(std::wstring(name, size)));
}
