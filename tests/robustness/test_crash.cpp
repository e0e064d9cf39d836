// Killed while writing: the settings file (several MB), the log (several MB) and the side files are
// each afterwards either the whole old or the whole new version, and nothing a later run would take
// for one of them is left beside them. The kill moments are drawn over the measured write window; the seed is printed and
// BO_CRASH_SEED repeats a run.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>
#include <random>
#include <sys/types.h>

#include "common/textfile.h"
#include "robust_support.h"
#include "support/test_env.h"

namespace {

using robust::readFile;
using robust::sha256;

std::uint32_t seed()
{
    bool ok = false;
    const std::uint32_t fixed = qEnvironmentVariable("BO_CRASH_SEED").toUInt(&ok);
    return ok ? fixed : std::random_device{}();
}

// A settings file of about 3 MB with a working time, so the program's dialog closes without asking.
QByteArray bigSettings(bool logging)
{
    QByteArray s = "[STANDARD]\r\nArbeid_ArbeidstidStart= 8:00\r\nArbeid_ArbeidstidSlutt=16:00\r\n";
    if (logging)
        s += "LogToFile=1\r\n";
    s += "\r\n[PAYLOAD]\r\n";
    for (int i = 0; i < 50000; ++i)
        s += "nokkel" + QByteArray::number(i) + "=verdi " + QByteArray::number(i) + ' ' + QByteArray(40, 'v') + "\r\n";
    return s;
}

// A log of about 3 MB.
QByteArray bigLog()
{
    QByteArray s;
    for (int i = 0; i < 40000; ++i)
        s += "07.12.2026 14:05:09 gammel linje " + QByteArray::number(i) + ' ' + QByteArray(30, 'l') + "\r\n";
    return s;
}

// Kills the process after the delay; true when it was still running then.
bool killAfter(QProcess &p, qint64 delayUs)
{
    QThread::usleep(std::uint64_t(delayUs));
    const bool running = p.state() == QProcess::Running;
    ::kill(pid_t(p.processId()), SIGKILL);
    p.waitForFinished(30000);
    return running;
}

class Crash : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        seed_ = seed();
        rng_.seed(seed_);
        RecordProperty("seed", std::to_string(seed_));
        std::printf("seed %u (BO_CRASH_SEED=%u repeats this run)\n", seed_, seed_);
    }
    // Besides the files themselves, only the atomic write's temporary files may be there: a kill
    // between naming one and renaming it over its file leaves it, and no run reads it.
    void expectNothingButLeftovers(const QString &folder, const QStringList &names, int kill)
    {
        int leftovers = 0;
        for (const QString &stray : robust::strayFiles(folder, names)) {
            EXPECT_TRUE(robust::isWriteLeftover(stray, names))
                << qPrintable(folder + "/" + stray) << " after kill " << kill << ", seed " << seed_;
            ++leftovers;
        }
        leftovers_ = std::max(leftovers_, leftovers);
    }
    std::uint32_t seed_ = 0;
    std::mt19937 rng_;
    int leftovers_ = 0;
};

// The driver writes the side files and the settings (the dialog's save), then the log, over and
// over, alternating two versions of each; it is killed at random moments of that loop.
TEST_F(Crash, DriverKilledWhileWritingLeavesEachFileWholeOldOrNew)
{
    const QString w = dir() + "/w";
    ASSERT_TRUE(testenv::writeFile(w + "/etc/veltrona.ini", bigSettings(false)));
    ASSERT_TRUE(testenv::writeFile(w + "/base.log", bigLog()));
    QDir().mkpath(w + "/log");
    const QProcessEnvironment env = robust::childEnvironment();
    const robust::Outcome prep = robust::run(robust::driver(), {"prepare", w}, env, work());
    ASSERT_TRUE(prep.finished && prep.code == 0) << qPrintable(prep.output);
    // The measured length of one cycle of writes.
    qint64 cycleMs = 0;
    for (const QRegularExpressionMatch &m : QRegularExpression("cycle (\\d+) ms").globalMatch(prep.output))
        cycleMs = std::max(cycleMs, m.captured(1).toLongLong());
    ASSERT_GT(cycleMs, 0) << qPrintable(prep.output);

    // The two known versions of every file.
    struct Known {
        QString path;
        QByteArray a, b;
    };
    std::vector<Known> files;
    for (const QString &name : QDir(w + "/expect/A").entryList(QDir::Files)) {
        const QString path = (name.endsWith(".log") ? w + "/log/" : w + "/etc/") + name;
        files.push_back({path, sha256(readFile(w + "/expect/A/" + name)), sha256(readFile(w + "/expect/B/" + name))});
        ASSERT_NE(files.back().a, files.back().b) << qPrintable(name);
    }
    ASSERT_EQ(files.size(), 7u);  // settings, log, five side files
    QStringList etcNames, logNames;
    for (const Known &k : files)
        (k.path.contains("/log/") ? logNames : etcNames) << QFileInfo(k.path).fileName();

    const int kills = 60;
    int mixed = 0, caught = 0;
    std::uniform_int_distribution<qint64> delay(0, cycleMs * 1200);
    for (int i = 0; i < kills; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(work());
        p.start(robust::driver(), {"loop", w});
        ASSERT_TRUE(p.waitForStarted(30000));
        QByteArray out;
        while (!out.contains("ready\n") && p.waitForReadyRead(30000))
            out += p.readAllStandardOutput();
        ASSERT_TRUE(out.contains("ready\n")) << out.constData() << p.readAllStandardError().constData();
        const qint64 us = delay(rng_);
        caught += killAfter(p, us) ? 1 : 0;

        int sawA = 0, sawB = 0;
        for (const Known &k : files) {
            const QByteArray h = sha256(readFile(k.path));
            ASSERT_TRUE(h == k.a || h == k.b) << qPrintable(k.path) << " is neither version after a kill at "
                                              << us << " us into the loop (kill " << i << ", seed " << seed_ << ")";
            (h == k.a ? sawA : sawB)++;
        }
        mixed += sawA && sawB;
        expectNothingButLeftovers(w + "/etc", etcNames, i);
        expectNothingButLeftovers(w + "/log", logNames, i);
    }
    std::printf("%d kills, %d mid-loop, %d left some files old and some new, %d temporary files left\n", kills, caught,
                mixed, leftovers_);
    EXPECT_EQ(caught, kills);  // every kill landed while the loop was writing
    EXPECT_GT(mixed, 0);       // and some between the files of one cycle
}

// The built program writes the settings and the log back at its exit; it is killed at random
// moments around that exit.
TEST_F(Crash, ProgramKilledAtItsExitLeavesSettingsAndLogWholeOldOrNew)
{
    const QString program = robust::program();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << "BO_PROGRAM: " << program.toStdString();
    const QString ini = suite() + "etc/veltrona.ini";
    const QString log = suite() + "log/bruker-oppsett.log";
    ASSERT_TRUE(testenv::writeFile(ini, bigSettings(true)));
    ASSERT_TRUE(testenv::writeFile(log, bigLog()));
    QProcessEnvironment env = robust::childEnvironment();
    env.insert("BO_QUIT_AFTER_SHOW", "1");
    const auto complete = [&] {
        const robust::Outcome r = robust::run(program, {}, env, work());
        return r.finished && r.status == QProcess::NormalExit && r.code == 0;
    };
    ASSERT_TRUE(complete());  // the first start makes the folders; later runs only write back
    const QByteArray oldIni = readFile(ini), oldLog = readFile(log);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(complete());
    const qint64 runUs = t.nsecsElapsed() / 1000;
    const QByteArray newIni = readFile(ini), newLog = readFile(log);
    ASSERT_NE(oldLog, newLog);
    // The write window: the exit's two writes, timed here through the same write path.
    t.restart();
    ASSERT_TRUE(textfile::writeAtomically(dir() + "/probe.ini", newIni));
    ASSERT_TRUE(textfile::writeAtomically(dir() + "/probe.log", newLog));
    const qint64 writeUs = t.nsecsElapsed() / 1000;
    // Two runs differ only in the times of their stamps.
    const QRegularExpression stamp("\\b\\d{1,2}[:.]\\d{2}[:.]\\d{2}\\b");
    const auto unstamped = [&](QByteArray bytes) {
        return sha256(QString::fromLatin1(bytes).replace(stamp, "<stamp>").toLatin1());
    };
    const QByteArray oldIniH = sha256(oldIni), oldLogH = sha256(oldLog);
    const QByteArray newIniH = unstamped(newIni), newLogH = unstamped(newLog);

    const int kills = 40;
    int oldSeen = 0, newSeen = 0;
    // From a quarter of the run before its end (start-up times vary from run to run) to just past it.
    std::uniform_int_distribution<qint64> delay(std::max<qint64>(0, runUs - std::max(4 * writeUs, runUs / 4)), runUs + writeUs);
    for (int i = 0; i < kills; ++i) {
        ASSERT_TRUE(testenv::writeFile(ini, oldIni));
        ASSERT_TRUE(testenv::writeFile(log, oldLog));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(work());
        p.start(program, {});
        ASSERT_TRUE(p.waitForStarted(30000));
        const qint64 us = delay(rng_);
        killAfter(p, us);
        const QByteArray iniNow = readFile(ini), logNow = readFile(log);
        const bool iniOld = sha256(iniNow) == oldIniH, logOld = sha256(logNow) == oldLogH;
        EXPECT_TRUE(iniOld || unstamped(iniNow) == newIniH)
            << "settings file neither version (" << iniNow.size() << " bytes) after a kill at " << us << " us, seed " << seed_;
        EXPECT_TRUE(logOld || unstamped(logNow) == newLogH)
            << "log neither version (" << logNow.size() << " bytes) after a kill at " << us << " us, seed " << seed_;
        oldSeen += iniOld || logOld;
        newSeen += !iniOld || !logOld;
        expectNothingButLeftovers(suite() + "etc", {"veltrona.ini"}, i);
        expectNothingButLeftovers(suite() + "log", {"bruker-oppsett.log"}, i);
        if (HasFailure())
            break;
    }
    std::printf("run %lld us, writes %lld us; %d kills: old file seen %d times, new %d times, %d temporary files left\n",
                runUs, writeUs, kills, oldSeen, newSeen, leftovers_);
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0);
}

} // namespace
