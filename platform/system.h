#pragma once
// Environment variables, the program's own path, the path separator, the clock and memory advice.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The path separator of the platform: '\' on Windows, '/' elsewhere.
char16_t separator();

// The variable's value; empty when unset.
std::u16string environmentVariable(const std::u16string &name);

// The per-user application-data folder, without a trailing separator: APPDATA on Windows;
// here $APPDATA when set, else $XDG_DATA_HOME, else $HOME/.local/share.
std::u16string appDataFolder();

// The program's arguments after its own path, in the platform's own Unicode form. On Windows they
// come from the process's UTF-16 command line, split as the system splits it; argc and argv are not
// used there, since they went through the ANSI code page, which turns every character outside it
// into "?". Elsewhere they are argv, decoded as the locale's text.
std::vector<std::u16string> arguments(int argc, char **argv);

// Full path of the running program. Tests may override it; an empty text removes the override.
std::u16string programPath();
void overrideProgramPath(const std::u16string &path);

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// The current local date and time. Tests may fix it; std::nullopt lets the clock run again.
LocalTime now();
void overrideNow(std::optional<LocalTime> fixed);

// Asks for large pages behind a big buffer that is about to be filled: one page fault per 2 MiB
// instead of one per 4 KiB, which on a virtual machine is much of the cost of loading a large file.
// Does nothing for small buffers or where the system offers no such advice.
void adviseLargeBuffer(void *data, std::size_t size);

} // namespace platform
