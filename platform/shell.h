#pragma once
// The system shell's open action.
#include <string>

namespace platform {

// Asks the shell to open file with parameters in the working folder, window shown normally, and
// returns at once without looking at the outcome. The texts arrive as the caller quoted them (the
// program and folder in double quotes). Here, "notepad.exe" is the first graphical text editor found,
// else xdg-open, started detached with the parameters as its only argument.
void shellOpen(const std::u16string &file, const std::u16string &parameters, const std::u16string &folder);

} // namespace platform
