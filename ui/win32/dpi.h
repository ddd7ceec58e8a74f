#pragma once
// The dots per inch of the screen a window is on. The window is aware of
// each screen's own (the manifest says so), so it lays itself out again
// when it moves to another.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

UINT dpiOf(HWND window);

// The outer size of a window of the style whose client area has the size
// given, on a screen of the dots per inch given.
SIZE windowSizeFor(int clientWidth, int clientHeight, DWORD style, UINT dpi);
