#include "common/utskrift.h"

#include "environment/hs_reg.h"

namespace utskrift {

Values &values()
{
    static Values v;
    return v;
}

void reset()
{
    values() = Values();
}

QString languagefile()
{
    return hs_reg::values().etcdir + QStringLiteral("language.") + values().languageCode;
}

} // namespace utskrift
