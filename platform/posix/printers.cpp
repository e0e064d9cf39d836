// The printer list through Qt's print support, which asks the CUPS server here (CUPS_SERVER and
// the client configuration choose which one).
#include "platform/printers.h"

#include <QPrinterInfo>
#include <QStringList>

namespace platform {

namespace {

std::optional<std::vector<std::u16string>> &fixedList()
{
    static std::optional<std::vector<std::u16string>> list;
    return list;
}

} // namespace

std::vector<std::u16string> installedPrinters()
{
    if (fixedList())
        return *fixedList();
    std::vector<std::u16string> names;
    const QStringList found = QPrinterInfo::availablePrinterNames();
    names.reserve(size_t(found.size()));
    for (const QString &n : found)
        names.push_back(n.toStdU16String());
    return names;
}

void overrideInstalledPrinters(std::optional<std::vector<std::u16string>> printers)
{
    fixedList() = std::move(printers);
}

} // namespace platform
