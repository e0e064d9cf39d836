#pragma once
// Process-wide values of the printing unit.
#include <QString>

namespace utskrift {

struct Values {
    QString languageCode = QStringLiteral("no");
    bool landscape = false;
};
Values &values();
void reset();

// etcdir + "language." + the language code.
QString languagefile();

} // namespace utskrift
