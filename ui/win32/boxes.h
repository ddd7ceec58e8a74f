#pragma once
// The program's two modal boxes, both titled with the product's name: a
// message with an OK button, and a question with a text field, OK and
// Annuler. Each returns once the user has closed it.

#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

inline constexpr wchar_t boxTitle[] = L"Tavrel";

void showMessageBox(HWND owner, const std::string& text);
// The text typed, or empty text when the box was cancelled.
std::string askTextBox(HWND owner, const std::string& prompt);
