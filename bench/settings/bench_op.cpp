// One measured operation per run, for whole-process timings side by side with other tools:
//   bench_op load FILE          our document: load with the full index
//   bench_op roundtrip FILE OUT load, change one key, write back to OUT
//   bench_op log FILE OUT       the log: read back, one line added, written out
//   bench_op clear FOLDER       the clean-up of a folder tree
//   bench_op qsettings FILE     Qt's QSettings (INI format) reading every key
//   bench_op inih FILE          inih parsing the file
#include <QCoreApplication>
#include <QSettings>
#include <cstdio>
#include <cstring>
#include <ini.h>

#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_op load|roundtrip|log|clear|qsettings|inih PATH [OUT]\n");
        return 2;
    }
    const QString op = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]);
    const QString out = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    if (op == QLatin1String("load")) {
        IniDocument doc(path);
        return doc.load() && !doc.sectionNames().isEmpty() ? 0 : 1;
    }
    if (op == QLatin1String("roundtrip")) {
        IniDocument doc(path);
        doc.load();
        doc.setValue(QStringLiteral("INI_SELF"), QStringLiteral("MODIFIED_TIME"), QStringLiteral("07.12.2026 14:05:09"));
        doc.setPath(out);
        return doc.save() ? 0 : 1;
    }
    if (op == QLatin1String("log")) {
        textfil::LogList log;
        log.loadFile(path);
        log.append(QStringLiteral("07.12.2026 14:05:09 START: bench_op"));
        return log.saveFile(out) ? 0 : 1;
    }
    if (op == QLatin1String("clear")) {
        hs_reg::clearfolder(path);
        return 0;
    }
    if (op == QLatin1String("qsettings")) {
        QCoreApplication app(argc, argv);
        QSettings settings(path, QSettings::IniFormat);
        return settings.allKeys().isEmpty() ? 1 : 0;
    }
    if (op == QLatin1String("inih")) {
        long keys = 0;
        const int rc = ini_parse(argv[2], [](void *user, const char *, const char *, const char *) {
            ++*static_cast<long *>(user);
            return 1;
        }, &keys);
        return rc == 0 && keys > 0 ? 0 : 1;
    }
    std::fprintf(stderr, "unknown operation\n");
    return 2;
}
