#pragma once
// The installed printers as the print spooler lists them.
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Names of the installed printers, in the spooler's order, enumerated afresh on every call.
std::vector<std::u16string> installedPrinters();

// Tests may fix the list; std::nullopt asks the spooler again.
void overrideInstalledPrinters(std::optional<std::vector<std::u16string>> printers);

} // namespace platform
