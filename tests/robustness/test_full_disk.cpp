// Writing onto a full disk: the settings file, the log and the side files keep their old bytes, each
// failure is reported the way the product reports that write, and the program still ends normally.
// The disk is a small tmpfs, else an ext2 file system in a file through a loop device, else a shim
// that fails the child processes' writes with ENOSPC; which one ran is printed and recorded.
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "environment/ini_document.h"
#include "robust_support.h"
#include "support/test_env.h"

namespace {

using robust::readFile;

// Settings of about 1 MB with a working time, so the program's dialog closes without asking.
QByteArray settings()
{
    QByteArray s = "[STANDARD]\r\nArbeid_ArbeidstidStart= 8:00\r\nArbeid_ArbeidstidSlutt=16:00\r\nLogToFile=1\r\n\r\n[PAYLOAD]\r\n";
    for (int i = 0; i < 15000; ++i)
        s += "nokkel" + QByteArray::number(i) + "=verdi " + QByteArray(50, 'v') + "\r\n";
    return s;
}

QByteArray lines(const QByteArray &what, int count)
{
    QByteArray s;
    for (int i = 0; i < count; ++i)
        s += what + ' ' + QByteArray::number(i) + "\r\n";
    return s;
}

// Far less than any of the writes needs.
constexpr qint64 kFreeBytes = 16 * 1024;

class FullDiskTest : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        disk = dir() + "/disk";
        if (!full.setUp(disk, 8 * 1024 * 1024))
            GTEST_SKIP() << "no way to make a full disk here: " << full.why().toStdString();
        RecordProperty("full_disk_method", full.methodName().toStdString());
        std::printf("full disk by: %s\n", qPrintable(full.methodName()));
    }
    void TearDown() override
    {
        full.tearDown();  // before the temporary folder goes
        TempEnvTest::TearDown();
    }
    QProcessEnvironment childEnvironment() const
    {
        QProcessEnvironment env = robust::childEnvironment();
        full.prepare(env);
        return env;
    }
    // The bytes of every file below folder, by path.
    static QMap<QString, QByteArray> snapshot(const QString &folder)
    {
        QMap<QString, QByteArray> files;
        for (const QString &name : QDir(folder).entryList(QDir::Files))
            files.insert(folder + "/" + name, readFile(folder + "/" + name));
        return files;
    }
    static void expectUnchanged(const QMap<QString, QByteArray> &before, const QString &folder)
    {
        EXPECT_EQ(snapshot(folder).keys(), before.keys()) << "files added or lost in " << folder.toStdString();
        for (auto it = before.begin(); it != before.end(); ++it)
            EXPECT_TRUE(readFile(it.key()) == it.value()) << it.key().toStdString() << " changed";
    }

    QString disk;
    robust::FullDisk full;
};

// The product's own write paths, each onto the full disk: the settings store's write-back, the
// dialog's save of the side files, the exit's write-back and log.
TEST_F(FullDiskTest, EveryWriteFailsCleanlyAndIsReported)
{
    const QString w = disk + "/w";
    const QString ini = w + "/etc/veltrona.ini", log = w + "/log/bruker-oppsett.log";
    ASSERT_TRUE(testenv::writeFile(ini, settings()));
    ASSERT_TRUE(testenv::writeFile(log, lines("07.12.2026 14:05:09 gammel linje", 20000)));
    for (const char *name : {"bruker-oppsett.txt", "bruker-oppsett.txl", "FIRMA.TXV", "FIRMA.TXP", "FIRMA.TXB"})
        ASSERT_TRUE(testenv::writeFile(w + "/etc/" + name, lines("gammel tekst", 100)));
    const auto etc = snapshot(w + "/etc"), logs = snapshot(w + "/log");
    ASSERT_TRUE(full.fill(kFreeBytes));

    const robust::Outcome r = robust::run(robust::driver(), {"fulldisk", w}, childEnvironment(), work());
    ASSERT_TRUE(r.finished) << qPrintable(r.output);
    EXPECT_EQ(r.status, QProcess::NormalExit) << qPrintable(r.output);
    EXPECT_EQ(r.code, 0) << qPrintable(r.output);
    const QString noSpace = "No space left on device";
    const QStringList out = r.output.split('\n');
    const auto line = [&](const QString &start) {
        const QStringList found = out.filter(QRegularExpression("^" + QRegularExpression::escape(start)));
        return found.isEmpty() ? QString("<no line " + start + ">") : found.first();
    };
    // The store's write-back returns the file and the reason.
    EXPECT_EQ(line("settings: "), "settings: failed " + ini + ": " + noSpace) << qPrintable(r.output);
    // The dialog's save stops at its first side file with its message.
    EXPECT_EQ(line("message: "), "message: Kan ikke lagre filen \"" + w + "/etc/bruker-oppsett.txt\". " + noSpace)
        << qPrintable(r.output);
    EXPECT_EQ(line("dialog save: "), "dialog save: failed");
    // The exit's write-back failure goes into the log, whose own write then fails.
    EXPECT_TRUE(line("logged: ").endsWith(" INI-CRASH i HS_REG: " + ini)) << qPrintable(r.output);
    EXPECT_EQ(line("log: "), "log: failed " + noSpace) << qPrintable(r.output);

    expectUnchanged(etc, w + "/etc");
    expectUnchanged(logs, w + "/log");
}

// The built program, with the settings file or the log on the full disk, ends as usual.
struct ProgramCase {
    const char *name;
    bool settingsOnDisk;  // else the log
};

void PrintTo(const ProgramCase &c, std::ostream *os) { *os << c.name; }

class ProgramOnFullDisk : public FullDiskTest, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(ProgramOnFullDisk, EndsNormallyAndKeepsTheOldFile)
{
    const QString program = robust::program();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << "BO_PROGRAM: " << program.toStdString();
    const bool settingsOnDisk = GetParam().settingsOnDisk;
    // The settings file in the working folder is the one used; the log is below APPDATA.
    const QString workDir = settingsOnDisk ? disk + "/work" : work();
    const QString appdataDir = settingsOnDisk ? appdata() : disk + "/appdata";
    const QString ini = workDir + "/veltrona.ini";
    const QString log = appdataDir + "/Veltrona/log/bruker-oppsett.log";
    ASSERT_TRUE(testenv::writeFile(ini, settings()));
    ASSERT_TRUE(testenv::writeFile(log, lines("07.12.2026 14:05:09 gammel linje", 20000)));
    QProcessEnvironment env = robust::childEnvironment();
    env.insert("APPDATA", appdataDir);
    env.insert("BO_QUIT_AFTER_SHOW", "1");
    // A first run makes the folders, so the run on the full disk has only its write-backs left.
    const robust::Outcome first = robust::run(program, {}, env, workDir);
    ASSERT_TRUE(first.finished && first.code == 0) << qPrintable(first.output);
    const QString onDisk = settingsOnDisk ? workDir : appdataDir + "/Veltrona/log";
    const auto before = snapshot(onDisk);
    const QByteArray logBefore = readFile(log);
    ASSERT_TRUE(full.fill(kFreeBytes));
    full.prepare(env);

    // Another user's run: its header differs, so there is something to write even within the same second.
    const robust::Outcome r = robust::run(program, {"--user", "fylt"}, env, workDir);
    ASSERT_TRUE(r.finished) << qPrintable(r.output);
    EXPECT_EQ(r.status, QProcess::NormalExit) << qPrintable(r.output);
    EXPECT_EQ(r.code, 0) << qPrintable(r.output);
    expectUnchanged(before, onDisk);
    if (settingsOnDisk) {
        // The failed write-back is in the log, which is elsewhere and grew.
        const QByteArray logNow = readFile(log);
        EXPECT_TRUE(logNow.startsWith(logBefore));
        EXPECT_TRUE(logNow.contains(" INI-CRASH i HS_REG: " + ini.toUtf8() + "\r\n")) << logNow.right(600).constData();
    } else {
        // The settings were written elsewhere; the lost log is told on standard error.
        IniDocument doc(ini);
        ASSERT_TRUE(doc.load());
        EXPECT_TRUE(doc.hasKey("INI_SELF", "MODIFIED_TIME"));
        EXPECT_TRUE(r.output.contains("FEIL: kan ikke skrive loggen " + log + ": No space left on device"))
            << qPrintable(r.output);
    }
}

INSTANTIATE_TEST_SUITE_P(, ProgramOnFullDisk,
                         ::testing::Values(ProgramCase{"SettingsFile", true}, ProgramCase{"Log", false}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

// The atomic write itself, for sizes that go through the write buffer and past it.
struct WriteCase {
    const char *name;
    int size;
    qint64 freeBytes;
    bool fits;
};

void PrintTo(const WriteCase &c, std::ostream *os) { *os << c.name; }

class AtomicWriteOnFullDisk : public FullDiskTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(AtomicWriteOnFullDisk, FailsWithTheSystemsReasonAndKeepsTheOldFile)
{
    const WriteCase c = GetParam();
    const QString file = disk + "/f/veltrona.ini";
    const QByteArray old = lines("gammel", 300);
    ASSERT_TRUE(testenv::writeFile(file, old));
    ASSERT_TRUE(full.fill(c.freeBytes));
    const robust::Outcome r =
        robust::run(robust::driver(), {"write", file, QString::number(c.size)}, childEnvironment(), work());
    ASSERT_TRUE(r.finished && r.code == 0) << qPrintable(r.output);
    const QString said = r.output.split('\n', Qt::SkipEmptyParts).filter(QRegularExpression("^(ok|failed)")).join('\n');
    if (c.fits) {
        EXPECT_EQ(said, "ok");
        EXPECT_EQ(readFile(file), QByteArray(c.size, 'n'));
    } else {
        EXPECT_EQ(said, "failed No space left on device");
        EXPECT_TRUE(readFile(file) == old) << "the old file was replaced by " << readFile(file).size() << " bytes";
    }
    EXPECT_EQ(robust::strayFiles(disk + "/f", {"veltrona.ini"}), QStringList());
}

INSTANTIATE_TEST_SUITE_P(, AtomicWriteOnFullDisk,
                         ::testing::Values(WriteCase{"SmallFits", 2000, 16 * 1024, true},
                                           WriteCase{"BufferedTooBig", 10000, 4096, false},
                                           WriteCase{"DirectTooBig", 100000, 16 * 1024, false}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

// Data the system could not bring to the disk (a failed sync, as on a network file system or a
// failing disk) must not replace the old file, and the write must not be reported as done.
TEST(AtomicWrite, FailedSyncKeepsTheOldFileAndIsReported)
{
    const QString folder = QDir::currentPath() + "/sync";
    const QString file = folder + "/veltrona.ini";
    ASSERT_TRUE(testenv::writeFile(file, "[A]\r\nk=gammel\r\n"));
    QProcessEnvironment env = robust::childEnvironment();
    env.insert("LD_PRELOAD", BO_ENOSPC_SHIM);
    env.insert("BO_FULL_DIR", QFileInfo(folder).canonicalFilePath());
    env.insert("BO_FULL_FREE", "1000000000");
    env.insert("BO_FSYNC_FAILS", "1");
    const robust::Outcome r = robust::run(robust::driver(), {"write", file, "5000"}, env, QDir::currentPath());
    ASSERT_TRUE(r.finished && r.code == 0) << qPrintable(r.output);
    EXPECT_TRUE(r.output.contains("failed Input/output error")) << qPrintable(r.output);
    EXPECT_EQ(readFile(file), QByteArray("[A]\r\nk=gammel\r\n"));
    EXPECT_EQ(robust::strayFiles(folder, {"veltrona.ini"}), QStringList());
}

} // namespace
