// Another program's write to the settings file between our load and our write-back is kept.
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/textfile.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "support/fake_registry.h"
#include "support/foundation_helpers.h"
#include "support/ordinary_user.h"
#include "support/test_env.h"
#include "support/test_names.h"

namespace {

class MergeTest : public TempEnvTest {
protected:
    QString file() const { return work() + QStringLiteral("/veltrona.ini"); }
    void write(const QByteArray &bytes) { ASSERT_TRUE(testenv::writeFile(file(), bytes)); }
    QByteArray read() const { return testenv::readFile(file()); }
    // Another program: loads the file as it is now, writes its keys, saves.
    void otherProgramWrites(const QList<std::pair<QString, QString>> &keys, const QString &section = QStringLiteral("STANDARD"))
    {
        IniDocument other(file());
        ASSERT_TRUE(other.load());
        for (const auto &[k, v] : keys)
            other.setValue(section, k, v);
        ASSERT_TRUE(other.save());
    }
};

TEST_F(MergeTest, UnchangedFileIsWrittenExactlyAsTheDocument)
{
    write("[STANDARD]\r\n a = 1 \r\n;note\r\n[X]\r\nb=2\r\n");
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    doc.setValue(QStringLiteral("STANDARD"), QStringLiteral("c"), QStringLiteral("3"));
    bool merged = true;
    ASSERT_TRUE(doc.save(nullptr, &merged));
    EXPECT_FALSE(merged);
    EXPECT_EQ(read(), QByteArray("[STANDARD]\r\na=1\r\nc=3\r\n\r\n[X]\r\nb=2\r\n\r\n"));
}

TEST_F(MergeTest, KeysOfBothProgramsSurvive)
{
    write("[STANDARD]\r\nshared=old\r\nmine=old\r\ntheirs=old\r\n");
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    otherProgramWrites({{QStringLiteral("theirs"), QStringLiteral("new")}, {QStringLiteral("Counter"), QStringLiteral("7")}});
    doc.setValue(QStringLiteral("STANDARD"), QStringLiteral("mine"), QStringLiteral("new"));
    doc.setValue(QStringLiteral("Ny"), QStringLiteral("k"), QStringLiteral("v"));
    bool merged = false;
    ASSERT_TRUE(doc.save(nullptr, &merged));
    EXPECT_TRUE(merged);
    EXPECT_EQ(read(), QByteArray("[STANDARD]\r\nshared=old\r\nmine=new\r\ntheirs=new\r\nCounter=7\r\n\r\n[Ny]\r\nk=v\r\n\r\n"));
    // The document now holds what was written, so a later lookup sees the other program's value.
    EXPECT_EQ(doc.value(QStringLiteral("standard"), QStringLiteral("COUNTER")), QStringLiteral("7"));
}

TEST_F(MergeTest, ForAKeyBothWroteTheLastWriteBackWins)
{
    write("[STANDARD]\r\nk=0\r\n");
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    doc.setValue(QStringLiteral("STANDARD"), QStringLiteral("k"), QStringLiteral("ours"));
    otherProgramWrites({{QStringLiteral("K"), QStringLiteral("theirs")}});
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(read(), QByteArray("[STANDARD]\r\nk=ours\r\n\r\n"));
}

TEST_F(MergeTest, NewKeysKeepTheOrderOfTheirFirstWrite)
{
    write("[A]\r\nx=1\r\n");
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    for (const char *k : {"z", "y", "z", "w"})
        doc.setValue(QStringLiteral("A"), QLatin1String(k), QLatin1String(k));
    otherProgramWrites({{QStringLiteral("t"), QStringLiteral("1")}}, QStringLiteral("A"));
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(read(), QByteArray("[A]\r\nx=1\r\nt=1\r\nz=z\r\ny=y\r\nw=w\r\n\r\n"));
}

TEST_F(MergeTest, OnlyKeysWrittenSinceTheLastSaveAreAppliedAgain)
{
    write("[A]\r\nk=0\r\n");
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    doc.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1"));
    ASSERT_TRUE(doc.save());
    // Written later by the other program: it must not be reverted by our next write-back.
    otherProgramWrites({{QStringLiteral("k"), QStringLiteral("2")}}, QStringLiteral("A"));
    doc.setValue(QStringLiteral("A"), QStringLiteral("j"), QStringLiteral("3"));
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(read(), QByteArray("[A]\r\nk=2\r\nj=3\r\n\r\n"));
}

TEST_F(MergeTest, AFileCreatedOrDeletedMeanwhile)
{
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());  // no file yet
    doc.setValue(QStringLiteral("A"), QStringLiteral("ours"), QStringLiteral("1"));
    write("[A]\r\ntheirs=1\r\n");
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(read(), QByteArray("[A]\r\ntheirs=1\r\nours=1\r\n\r\n"));

    ASSERT_TRUE(QFile::remove(file()));
    doc.setValue(QStringLiteral("A"), QStringLiteral("more"), QStringLiteral("2"));
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(read(), QByteArray("[A]\r\ntheirs=1\r\nours=1\r\nmore=2\r\n\r\n"));
}

TEST_F(MergeTest, TheSameBytesAreNotWrittenAgainButAGoneFileIs)
{
    write("[A]\r\nk=1\r\n\r\n");
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    const auto inode = [&] {  // a write makes a new file
        struct stat st {};
        return ::stat(QFile::encodeName(file()).constData(), &st) == 0 ? st.st_ino : ino_t(0);
    };
    const ino_t before = inode();
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(inode(), before) << "nothing changed, nothing written";
    doc.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1"));  // the same value
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(inode(), before);

    doc.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("2"));
    ASSERT_TRUE(doc.save());
    EXPECT_NE(inode(), before);
    EXPECT_EQ(read(), QByteArray("[A]\r\nk=2\r\n\r\n"));

    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(read(), QByteArray("[A]\r\nk=2\r\n\r\n"));
}

// After a save that found nothing to write, every kind of change reaches the file with the next
// save, and nothing else does.
struct AfterSaveCase {
    const char *name;
    std::function<void(IniDocument &)> change;
    QByteArray expected;
    bool written;
};

class AfterASave : public MergeTest, public ::testing::WithParamInterface<AfterSaveCase> {};

TEST_P(AfterASave, TheNextSaveWritesExactlyTheChanges)
{
    const AfterSaveCase &c = GetParam();
    write("[A]\r\nk=1\r\n\r\n");
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    ASSERT_TRUE(doc.save());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file()).constData(), &st), 0);
    const ino_t before = st.st_ino;  // a write makes a new file
    c.change(doc);
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(read(), c.expected);
    ASSERT_EQ(::stat(QFile::encodeName(file()).constData(), &st), 0);
    EXPECT_EQ(st.st_ino != before, c.written);
}

INSTANTIATE_TEST_SUITE_P(Table, AfterASave, ::testing::Values(
    AfterSaveCase{"Nothing", [](IniDocument &) {}, "[A]\r\nk=1\r\n\r\n", false},
    AfterSaveCase{"TheSameValue", [](IniDocument &d) { d.setValue("a", "k", "1"); }, "[A]\r\nk=1\r\n\r\n", false},
    AfterSaveCase{"AnotherValue", [](IniDocument &d) { d.setValue("A", "k", "2"); }, "[A]\r\nk=2\r\n\r\n", true},
    AfterSaveCase{"TheKeySpelledOtherwise", [](IniDocument &d) { d.setValue("A", "K", "1"); }, "[A]\r\nK=1\r\n\r\n", true},
    AfterSaveCase{"ANewKey", [](IniDocument &d) { d.setValue("A", "n", ""); }, "[A]\r\nk=1\r\nn=\r\n\r\n", true},
    AfterSaveCase{"ANewSection", [](IniDocument &d) { d.setValue("B", "k", "1"); }, "[A]\r\nk=1\r\n\r\n[B]\r\nk=1\r\n\r\n", true},
    AfterSaveCase{"AnotherForm", [](IniDocument &d) { d.setEncoding(textfile::Encoding::Utf8Bom); },
                  "\xEF\xBB\xBF[A]\r\nk=1\r\n\r\n", true}),
    testnames::by([](const AfterSaveCase &c) { return c.name; }));

TEST_F(MergeTest, AChangeWithTheSameSizeAndTimeIsFoundWhileTheFileIsFresh)
{
    // Another program's write in the same tick of the clock, of the same size: only the bytes tell.
    write("[A]\r\nk=1\r\n");
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    const QDateTime time = QFileInfo(file()).lastModified();
    write("[A]\r\nk=7\r\n");
    QFile f(file());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(time, QFileDevice::FileModificationTime));
    f.close();
    doc.setValue(QStringLiteral("A"), QStringLiteral("n"), QStringLiteral("2"));
    bool merged = false;
    ASSERT_TRUE(doc.save(nullptr, &merged));
    EXPECT_TRUE(merged);
    EXPECT_EQ(read(), QByteArray("[A]\r\nk=7\r\nn=2\r\n\r\n"));
}

TEST_F(MergeTest, TheOtherProgramsEncodingIsKept)
{
    write(QByteArray("\xEF\xBB\xBF[A]\r\nn\xC3\xB8kkel=\xC3\xA6\r\n"));
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    doc.setValue(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("å"));
    otherProgramWrites({{QStringLiteral("c"), QStringLiteral("ø")}}, QStringLiteral("A"));
    ASSERT_TRUE(doc.save());
    EXPECT_EQ(read(), QByteArray("\xEF\xBB\xBF[A]\r\nn\xC3\xB8kkel=\xC3\xA6\r\nc=\xC3\xB8\r\nb=\xC3\xA5\r\n\r\n"));
}

// A file Notepad saved as UTF-8 without a byte-order mark is written back in the code page (issue 19);
// what another program wrote meanwhile survives that, and the merges after it.
TEST_F(MergeTest, AcrossTheChangeOfForm)
{
    write(QStringLiteral("[STANDARD]\r\nFirma_Navn=Blåbær AS\r\nSpørEtterGebyr=0\r\n").toUtf8());
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    ASSERT_EQ(doc.encoding(), textfile::Encoding::Utf8);
    doc.setValue(QStringLiteral("STANDARD"), QStringLiteral("PosteringKontoInnkjøp"), QStringLiteral("4000"));
    // Saved in Notepad again meanwhile, still UTF-8.
    write(QStringLiteral("[STANDARD]\r\nFirma_Navn=Blåbær AS\r\nSpørEtterGebyr=1\r\nArbeid_Sykelønnskonto=5000\r\n").toUtf8());
    bool merged = false;
    QString warning;
    ASSERT_TRUE(doc.save(nullptr, &merged, &warning));
    EXPECT_TRUE(merged);
    EXPECT_EQ(read(), QByteArray("[STANDARD]\r\nFirma_Navn=Bl\xE5" "b\xE6r AS\r\nSp\xF8rEtterGebyr=1\r\n"
                                 "Arbeid_Sykel\xF8nnskonto=5000\r\nPosteringKontoInnkj\xF8p=4000\r\n\r\n"));
    EXPECT_EQ(warning, QStringLiteral("ADVARSEL: ") + file()
                           + QStringLiteral(" var lagret som UTF-8 uten BOM, som suitens Windows-programmer ikke leser "
                                            "riktig; skrevet om til ANSI (8-biters tegntabell)"));

    // Another program, reading the file in the code page now, writes; then this document again.
    otherProgramWrites({{QStringLiteral("Teller"), QStringLiteral("7")}, {QStringLiteral("Firma_Navn"), QStringLiteral("Blåbær & Søn AS")}});
    doc.setValue(QStringLiteral("STANDARD"), QStringLiteral("SpørEtterGebyr"), QStringLiteral("0"));
    ASSERT_TRUE(doc.save(nullptr, &merged, &warning));
    EXPECT_TRUE(merged);
    EXPECT_TRUE(warning.isEmpty());
    EXPECT_EQ(read(), QByteArray("[STANDARD]\r\nFirma_Navn=Bl\xE5" "b\xE6r & S\xF8n AS\r\nSp\xF8rEtterGebyr=0\r\n"
                                 "Arbeid_Sykel\xF8nnskonto=5000\r\nPosteringKontoInnkj\xF8p=4000\r\nTeller=7\r\n\r\n"));
}

// Our document, still holding the file's first form, merges with one another program already
// converted: the file keeps the code page, and only the program that changed the form warns.
TEST_F(MergeTest, AnotherProgramChangedTheFormFirst)
{
    write(QStringLiteral("[STANDARD]\r\nFirma_Navn=Blåbær AS\r\n").toUtf8());
    IniDocument doc(file());
    ASSERT_TRUE(doc.load());
    doc.setValue(QStringLiteral("STANDARD"), QStringLiteral("Spør"), QStringLiteral("1"));
    otherProgramWrites({{QStringLiteral("Teller"), QStringLiteral("7")}});
    ASSERT_EQ(read(), QByteArray("[STANDARD]\r\nFirma_Navn=Bl\xE5" "b\xE6r AS\r\nTeller=7\r\n\r\n"));
    bool merged = false;
    QString warning = QStringLiteral("x");
    ASSERT_TRUE(doc.save(nullptr, &merged, &warning));
    EXPECT_TRUE(merged);
    EXPECT_TRUE(warning.isEmpty());
    EXPECT_EQ(read(), QByteArray("[STANDARD]\r\nFirma_Navn=Bl\xE5" "b\xE6r AS\r\nTeller=7\r\nSp\xF8r=1\r\n\r\n"));
}

TEST_F(MergeTest, StoreLogsTheMergeWhenVerbose)
{
    FakeRegistry reg;
    fh::standardMachine(reg);
    platform::installRegistry(&reg);
    fh::fixClock();
    auto &log = textfil::values();
    log.LogEnabled = log.VerboseLog = true;
    write("[STANDARD]\r\na=1\r\n");
    hs_reg::openini(file());
    hs_reg::writestr(QStringLiteral("b"), QStringLiteral("2"));
    ASSERT_TRUE(hs_reg::writeBack());
    EXPECT_TRUE(fh::startingWith(fh::logMessages(), QStringLiteral("Flettet")).isEmpty());

    otherProgramWrites({{QStringLiteral("c"), QStringLiteral("3")}});
    hs_reg::writestr(QStringLiteral("d"), QStringLiteral("4"));
    ASSERT_TRUE(hs_reg::writeBack());
    EXPECT_EQ(fh::startingWith(fh::logMessages(), QStringLiteral("Flettet")),
              QStringList{QStringLiteral("Flettet endringer fra andre programmer inn i ") + file()});
    const QByteArray bytes = read();
    EXPECT_TRUE(bytes.contains("c=3\r\nd=4\r\n")) << bytes.constData();
}

// The other program's file cannot be read again (it holds it with a deny-read lock, or the user may
// write it but not read it): the write-back fails and leaves it alone, also at exit.
TEST_F(MergeTest, AChangedFileThatCannotBeReadAgainIsNeverOverwritten)
{
    FakeRegistry reg;
    fh::standardMachine(reg);
    platform::installRegistry(&reg);
    textfil::values().LogEnabled = true;
    write("[STANDARD]\r\na=1\r\n");
    hs_reg::values().ininame = file();
    hs_reg::openini(file());
    hs_reg::writestr(QStringLiteral("b"), QStringLiteral("2"));
    otherProgramWrites({{QStringLiteral("c"), QStringLiteral("3")}});
    const QByteArray theirs = read();
    QString why;
    ASSERT_TRUE(testenv::OrdinaryUser::handOver(dir(), &why)) << qPrintable(why);
    fh::chmodPath(file(), 0200);
    QString error;
    bool written = true;
    {
        testenv::OrdinaryUser user;
        ASSERT_TRUE(user.ok()) << qPrintable(user.why());
        written = hs_reg::writeBack(&error);
        EXPECT_EQ(hs_reg::readstr(QStringLiteral("b")), QStringLiteral("2"));  // still held in memory
        hs_reg::shutdown();
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(QStringLiteral("endret av et annet program"))) << qPrintable(error);
    EXPECT_EQ(read(), theirs);
    EXPECT_TRUE(fh::logMessages().contains(QStringLiteral("INI-CRASH i HS_REG: ") + file()));
}

// The real program runs while this process has the same file open: both sets of changes remain.
TEST_F(MergeTest, TheRealProgramRunningMeanwhile)
{
    const QString program = qEnvironmentVariable("BO_PROGRAM");
    if (program.isEmpty())
        GTEST_SKIP() << "BO_PROGRAM not set";
    FakeRegistry reg;
    fh::standardMachine(reg);
    platform::installRegistry(&reg);
    // With a working time, so that the other run's dialog closes without asking.
    write("[STANDARD]\r\nFirma_Navn=Test AS\r\nArbeid_ArbeidstidStart= 8:00\r\n");
    hs_reg::openini(file());
    hs_reg::writestr(QStringLiteral("FraDenneProsessen"), QStringLiteral("1"));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("BO_QUIT_AFTER_SHOW"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(work());
    p.start(program, {});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0);
    ASSERT_TRUE(read().contains("[FOLDERS]"));  // the other run recorded its folders

    ASSERT_TRUE(hs_reg::writeBack());
    IniDocument after(file());
    ASSERT_TRUE(after.load());
    EXPECT_EQ(after.value(QStringLiteral("STANDARD"), QStringLiteral("FraDenneProsessen")), QStringLiteral("1"));
    EXPECT_EQ(after.value(QStringLiteral("STANDARD"), QStringLiteral("Firma_Navn")), QStringLiteral("Test AS"));
    EXPECT_FALSE(after.value(QStringLiteral("FOLDERS"), QStringLiteral("tmp_folder")).isEmpty());
    EXPECT_FALSE(after.value(QStringLiteral("INI_SELF"), QStringLiteral("MODIFIED_PROGRAM")).isEmpty());
}

} // namespace
