#pragma once
// Environment variables, the program's own path, the path separator and the clock.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The path separator of the platform: '\' on Windows, '/' elsewhere.
char16_t separator();

// The variable's value; empty when unset.
std::u16string environmentVariable(const std::u16string &name);

// The per-user application-data folder, without a trailing separator: APPDATA on Windows;
// here $APPDATA when set, else $XDG_DATA_HOME, else $HOME/.local/share.
std::u16string appDataFolder();

// Full path of the running program. Tests may override it; an empty text removes the override.
std::u16string programPath();
void overrideProgramPath(const std::u16string &path);

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// The current local date and time. Tests may fix it; std::nullopt lets the clock run again.
LocalTime now();
void overrideNow(std::optional<LocalTime> fixed);

} // namespace platform
