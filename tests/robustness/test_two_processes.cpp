// One settings file, two processes: a reader loading it in a tight loop never sees a half-written
// file while others write it back, and of two processes that both wrote a key, the one that wrote
// back last wins, with the other's own keys kept.
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "environment/ini_document.h"
#include "robust_support.h"
#include "support/test_env.h"

namespace {

// A working time, so that the program's dialog closes without asking.
const QByteArray kWorkingTime = "[STANDARD]\r\nArbeid_ArbeidstidStart= 8:00\r\nArbeid_ArbeidstidSlutt=16:00\r\n";

class TwoProcesses : public TempEnvTest {
protected:
    // The file the program finds in its working folder.
    QString file() const { return work() + "/veltrona.ini"; }
    QString value(const QString &section, const QString &key) const
    {
        IniDocument doc(file());
        doc.load();
        return doc.value(section, key, "<absent>");
    }
};

// The settings store of the driver, one command at a time.
class Store {
public:
    explicit Store(const QString &file)
    {
        p_.setProcessEnvironment(robust::childEnvironment());
        p_.setProcessChannelMode(QProcess::SeparateChannels);
        p_.start(robust::driver(), {"steps", file});
    }
    ~Store()
    {
        p_.write("quit\n");
        p_.closeWriteChannel();
        if (!p_.waitForFinished(10000))
            p_.kill();
    }
    // The driver's answer: "ok", "failed ..." or the reason it did not answer.
    QString command(const QString &line)
    {
        p_.write((line + "\n").toUtf8());
        while (!p_.canReadLine()) {
            if (!p_.waitForReadyRead(30000))
                return "no answer to " + line + ": " + QString::fromUtf8(p_.readAllStandardError());
        }
        return QString::fromUtf8(p_.readLine()).trimmed();
    }

private:
    QProcess p_;
};

TEST_F(TwoProcesses, ReaderNeverSeesAHalfWrittenFile)
{
    const QString program = robust::program();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << "BO_PROGRAM: " << program.toStdString();
    ASSERT_TRUE(testenv::writeFile(file(), kWorkingTime));
    const QProcessEnvironment env = robust::childEnvironment();
    const robust::Outcome first = robust::run(robust::driver(), {"writer", file(), "1"}, env, work());
    ASSERT_TRUE(first.finished && first.code == 0) << qPrintable(first.output);
    // The reader notices a file cut short.
    const QByteArray whole = robust::readFile(file());
    const QString cut = dir() + "/cut.ini";
    ASSERT_TRUE(testenv::writeFile(cut, whole.left(whole.size() * 2 / 3)));
    const robust::Outcome control = robust::run(robust::driver(), {"reader", cut, "50"}, env, work());
    ASSERT_TRUE(control.finished);
    EXPECT_EQ(control.code, 1) << qPrintable(control.output);

    // The reader runs while the driver writes 40 generations and the program writes back 3 times.
    QProcess reader, writer;
    for (QProcess *p : {&reader, &writer}) {
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(work());
        p->setProcessChannelMode(QProcess::MergedChannels);
    }
    reader.start(robust::driver(), {"reader", file(), "4000"});
    writer.start(robust::driver(), {"writer", file(), "40"});
    ASSERT_TRUE(reader.waitForStarted(30000) && writer.waitForStarted(30000));
    QProcessEnvironment programEnv = env;
    programEnv.insert("BO_QUIT_AFTER_SHOW", "1");
    for (int i = 0; i < 3; ++i) {
        const robust::Outcome r = robust::run(program, {}, programEnv, work());
        EXPECT_TRUE(r.finished && r.code == 0) << qPrintable(r.output);
    }
    ASSERT_TRUE(writer.waitForFinished(60000));
    const QString wrote = QString::fromUtf8(writer.readAll());
    EXPECT_EQ(writer.exitCode(), 0) << qPrintable(wrote);
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QString read = QString::fromUtf8(reader.readAll());
    EXPECT_EQ(reader.exitCode(), 0) << qPrintable(read);
    std::printf("reader: %s\n", qPrintable(read.split('\n').filter("loads ").join('\n')));
    // The reader saw the file change under it, so its loads overlapped the writes.
    const QRegularExpressionMatch m = QRegularExpression("generations (\\d+)").match(read);
    ASSERT_TRUE(m.hasMatch()) << qPrintable(read);
    EXPECT_GT(m.captured(1).toInt(), 1) << qPrintable(read);
    // The file in the end is one whole generation, with the program's own header in it too.
    EXPECT_FALSE(value("INI_SELF", "MODIFIED_PROGRAM").isEmpty());
    EXPECT_EQ(value("HEAD", "gen"), value("TAIL", "gen"));
}

TEST_F(TwoProcesses, TheLastWriteBackWinsAndTheOthersKeysStay)
{
    ASSERT_TRUE(testenv::writeFile(file(), kWorkingTime + "Felles=0\r\n"));
    Store one(file()), two(file());
    ASSERT_EQ(one.command("load"), "ok");
    ASSERT_EQ(two.command("load"), "ok");
    ASSERT_EQ(one.command("set STANDARD Felles 1"), "ok");
    ASSERT_EQ(one.command("set STANDARD BareEn en"), "ok");
    ASSERT_EQ(one.command("save"), "ok");
    ASSERT_EQ(two.command("set STANDARD felles 2"), "ok");
    ASSERT_EQ(two.command("set Annen BareTo to"), "ok");
    ASSERT_EQ(two.command("save"), "ok");
    EXPECT_EQ(value("STANDARD", "Felles"), "2");
    EXPECT_EQ(value("STANDARD", "BareEn"), "en");
    EXPECT_EQ(value("Annen", "BareTo"), "to");

    // The first writes again without loading: its new value wins, the second's key stays.
    ASSERT_EQ(one.command("set STANDARD Felles 3"), "ok");
    ASSERT_EQ(one.command("save"), "ok");
    EXPECT_EQ(value("STANDARD", "Felles"), "3");
    EXPECT_EQ(value("Annen", "BareTo"), "to");
    // A write-back with nothing new does not bring back a value written before the other's save.
    ASSERT_EQ(two.command("save"), "ok");
    EXPECT_EQ(value("STANDARD", "Felles"), "3");
    EXPECT_EQ(value("STANDARD", "BareEn"), "en");
}

// The program and the store, in turn, both writing the header's user.
TEST_F(TwoProcesses, TheProgramAndTheStoreInTurn)
{
    const QString program = robust::program();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << "BO_PROGRAM: " << program.toStdString();
    ASSERT_TRUE(testenv::writeFile(file(), kWorkingTime));
    QProcessEnvironment env = robust::childEnvironment();
    env.insert("BO_QUIT_AFTER_SHOW", "1");
    const auto runProgram = [&](const QString &user) {
        const robust::Outcome r = robust::run(program, {"--user", user}, env, work());
        return r.finished && r.status == QProcess::NormalExit && r.code == 0;
    };
    Store store(file());
    ASSERT_EQ(store.command("load"), "ok");
    ASSERT_TRUE(runProgram("bodil"));
    EXPECT_EQ(value("INI_SELF", "MODIFIED_USER"), "bodil");
    ASSERT_EQ(store.command("set INI_SELF MODIFIED_USER lager"), "ok");
    ASSERT_EQ(store.command("set STANDARD FraLageret 1"), "ok");
    ASSERT_EQ(store.command("save"), "ok");
    EXPECT_EQ(value("INI_SELF", "MODIFIED_USER"), "lager");
    EXPECT_FALSE(value("FOLDERS", "tmp_folder").contains("absent"));  // the program's keys stay
    ASSERT_TRUE(runProgram("carl"));
    EXPECT_EQ(value("INI_SELF", "MODIFIED_USER"), "carl");
    EXPECT_EQ(value("STANDARD", "FraLageret"), "1");
}

} // namespace
