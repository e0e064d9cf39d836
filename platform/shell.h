#pragma once
// The system shell's open action.
#include <functional>
#include <string>

namespace platform {

// What a started dispatcher reports when it could not open the file after all.
using ShellFailure = std::function<void(const std::u16string &reason)>;

// Asks the shell to open file with parameters in the working folder, window shown normally, and
// returns at once without waiting for the program. The texts arrive as the caller quoted them (the
// program and folder in double quotes). Here, "notepad.exe" is the first graphical text editor found,
// else xdg-open, started with the parameters as its only argument.
// False, with the reason, when nothing could be started. A dispatcher that only hands the file on
// (xdg-open) can still fail after it started; failedLater then gets the reason, from the calling
// thread's event loop.
bool shellOpen(const std::u16string &file, const std::u16string &parameters, const std::u16string &folder,
               std::u16string *reason = nullptr, ShellFailure failedLater = {});

} // namespace platform
