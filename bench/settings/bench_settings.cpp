// The settings document and the log on large files: load with the full index, lookups, write-back.
// The file is named by BO_BENCH_INI (and the log by BO_BENCH_LOG); bench/run.sh makes them.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <benchmark/benchmark.h>
#include <cstdlib>

#include "common/textfile.h"
#include "environment/ini_document.h"
#include "log/textfil.h"

namespace {

QString envPath(const char *name)
{
    const char *v = std::getenv(name);
    return v ? QString::fromLocal8Bit(v) : QString();
}

void requireFile(benchmark::State &state, const QString &path)
{
    if (path.isEmpty() || !QFile::exists(path))
        state.SkipWithError("file not given");
}

void BM_Load(benchmark::State &state)
{
    const QString path = envPath("BO_BENCH_INI");
    requireFile(state, path);
    for (auto _ : state) {
        IniDocument doc(path);
        doc.load();
        benchmark::DoNotOptimize(doc.sectionNames().size());
    }
}

void BM_Lookups1000(benchmark::State &state)
{
    const QString path = envPath("BO_BENCH_INI");
    requireFile(state, path);
    IniDocument doc(path);
    doc.load();
    const QStringList sections = doc.sectionNames();
    std::vector<std::pair<QString, QString>> probes;
    for (int i = 0; i < 1000 && !sections.isEmpty(); ++i) {
        const QString &s = sections[(i * 7919) % sections.size()];
        const QStringList keys = doc.keys(s);
        probes.emplace_back(s.toUpper(), keys.isEmpty() ? QString() : keys[(i * 31) % keys.size()].toLower());
    }
    for (auto _ : state)
        for (const auto &[s, k] : probes)
            benchmark::DoNotOptimize(doc.value(s, k));
}

void BM_WriteBack(benchmark::State &state)
{
    const QString path = envPath("BO_BENCH_INI");
    requireFile(state, path);
    IniDocument doc(path);
    doc.load();
    doc.setPath(path + QStringLiteral(".out"));
    // A new value each time: state.iterations() stays the same within the loop, and a value written
    // again unchanged leaves nothing to write back.
    int n = 0;
    for (auto _ : state) {
        doc.setValue(QStringLiteral("INI_SELF"), QStringLiteral("MODIFIED_TIME"), QString::number(++n));
        doc.save();
    }
}

void BM_LoadAndWriteBack(benchmark::State &state)
{
    const QString path = envPath("BO_BENCH_INI");
    requireFile(state, path);
    for (auto _ : state) {
        IniDocument doc(path);
        doc.load();
        doc.setValue(QStringLiteral("INI_SELF"), QStringLiteral("MODIFIED_TIME"), QStringLiteral("x"));
        doc.setPath(path + QStringLiteral(".out"));
        doc.save();
    }
}

void BM_LogReadAndWrite(benchmark::State &state)
{
    const QString path = envPath("BO_BENCH_LOG");
    requireFile(state, path);
    for (auto _ : state) {
        textfil::LogList log;
        log.loadFile(path);
        log.append(QStringLiteral("07.12.2026 14:05:09 START: bench"));
        log.saveFile(path + QStringLiteral(".out"));
    }
}

} // namespace

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Lookups1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteBack)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_LoadAndWriteBack)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_LogReadAndWrite)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_MAIN();
