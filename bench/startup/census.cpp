// Prints the widgets the settings dialog creates, one "Class count" line each, for the bare dialog.
#include <QApplication>
#include <cstdio>

#include "census_walk.h"
#include "company_settings/oppsett_dialog.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TOppsettDialog dialog;
    const QMap<QString, int> census = widgetCensus(&dialog);
    for (auto it = census.cbegin(); it != census.cend(); ++it)
        std::printf("%s %d\n", qPrintable(it.key()), it.value());
    return 0;
}
