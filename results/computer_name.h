#pragma once
// The name of this computer, which names its files in a shared results
// folder. TAVREL_ORDINATEUR, when set, is taken instead: for two computers
// that carry the same name, or one whose name changes from network to
// network. One implementation per platform: computer_name_posix.cpp and
// computer_name_windows.cpp.

#include <string>

// In UTF-8; "ordinateur" when the system gives none.
std::string thisComputerName();
