// The command line: any list of arguments is scanned without harm, and what the scan keeps follows
// the rules: the value options take the argument after their last appearance, and the switches
// turn the log on.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "environment/hs_reg.h"
#include "fuzz_check.h"
#include "log/textfil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Arguments are separated by NUL bytes, as in the process's own argument block.
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList arguments;
    if (!input.isEmpty())
        for (const QByteArray &a : input.split('\0'))
            arguments.append(QString::fromUtf8(a));

    hs_reg::reset();
    textfil::reset();
    hs_reg::scanCommandLine(arguments);

    const hs_reg::Values &v = hs_reg::values();
    const textfil::Values &log = textfil::values();
    const auto after = [&](const char *option, const QString &unset) {
        const qsizetype at = arguments.lastIndexOf(QLatin1String(option));
        return at < 0 ? unset : arguments.value(at + 1);
    };
    FUZZ_CHECK(v.ipoverride == after("-ip", QString()));
    FUZZ_CHECK(v.captionoverride == after("--caption", QString()));
    FUZZ_CHECK(v.useroverride == after("--user", QString()));
    const bool install = arguments.contains(QLatin1String("-install"));
    const bool debug = arguments.contains(QLatin1String("--debug"));
    FUZZ_CHECK(v.installrequested == install);
    FUZZ_CHECK(log.LogEnabled == (install || debug));
    FUZZ_CHECK(log.VerboseLog == (install || debug));
    // Nothing else is touched by the scan.
    FUZZ_CHECK(v.ininame == QLatin1String("veltrona.ini") && v.inisection == QLatin1String("STANDARD"));
    FUZZ_CHECK(!v.settingsfile);

    // What the overrides feed.
    if (!v.ipoverride.isEmpty())
        FUZZ_CHECK(hs_reg::ipaddress() == v.ipoverride);
    if (!v.useroverride.isEmpty())
        FUZZ_CHECK(hs_reg::username() == v.useroverride);
    return 0;
}
