// The settings store: typed access in the current section, the INI_SELF header, switching documents,
// the side-file paths.
#include <QDir>
#include <gtest/gtest.h>
#include <random>

#include "common/textfile.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "support/foundation_helpers.h"
#include "support/test_env.h"
#include "support/test_names.h"

namespace {

const QStringList kCreated = {"CREATED_TIME", "CREATED_NAME", "CREATED_PROGRAM", "CREATED_USER",
                              "CREATED_INIVERSION", "CREATED_BUILD", "CREATED_LOGIN"};
const QStringList kModified = {"MODIFIED_TIME", "MODIFIED_NAME", "MODIFIED_PROGRAM", "MODIFIED_USER",
                               "MODIFIED_INIVERSION", "MODIFIED_BUILD", "MODIFIED_LOGIN"};

class Store : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        program = fh::fakeWorld(reg, dir());
        stamp = textfil::datetimetext();
        etc = dir() + "/etc/";
        QDir().mkpath(etc);
        hs_reg::values().etcdir = etc;
        hs_reg::values().ininame = etc + "veltrona.ini";
    }
    QString ini() const { return hs_reg::values().ininame; }
    QString header(const QString &key) const { return hs_reg::settingsfile()->value("INI_SELF", key); }

    FakeRegistry reg;
    QString program, stamp, etc;
};

TEST_F(Store, NewFileGetsCreatedAndModifiedStamps)
{
    hs_reg::setsection("Elsewhere");
    hs_reg::openini(ini());
    EXPECT_EQ(hs_reg::inisection(), "STANDARD");
    ASSERT_NE(hs_reg::settingsfile(), nullptr);
    EXPECT_EQ(hs_reg::settingsfile()->keys("INI_SELF"), kCreated + kModified);
    for (const QString &prefix : {QStringLiteral("CREATED_"), QStringLiteral("MODIFIED_")}) {
        EXPECT_EQ(header(prefix + "TIME"), stamp);
        EXPECT_EQ(header(prefix + "NAME"), ini());
        EXPECT_EQ(header(prefix + "PROGRAM"), program);
        EXPECT_EQ(header(prefix + "USER"), "kari");
        EXPECT_EQ(header(prefix + "INIVERSION"), "5.52");
        EXPECT_EQ(header(prefix + "BUILD"), "728");
        EXPECT_EQ(header(prefix + "LOGIN"), fh::kStandardLogin);
    }
    EXPECT_FALSE(QFileInfo::exists(ini()));  // stamped in memory only

    ASSERT_TRUE(hs_reg::writeBack());
    const QByteArray bytes = testenv::readFile(ini());
    EXPECT_TRUE(bytes.startsWith("[INI_SELF]\r\nCREATED_TIME=" + stamp.toLatin1() + "\r\n")) << bytes.constData();
    EXPECT_TRUE(bytes.endsWith("MODIFIED_LOGIN=" + fh::kStandardLogin.toLatin1() + "\r\n\r\n"));
}

TEST_F(Store, NameIsStampedExactlyAsPassed)
{
    const QString odd = etc + "./sub/../veltrona.ini";
    hs_reg::openini(odd);
    EXPECT_EQ(header("CREATED_NAME"), odd);
    EXPECT_EQ(header("MODIFIED_NAME"), odd);
}

TEST_F(Store, ExistingFileKeepsCreatedAndRenewsModified)
{
    testenv::writeFile(ini(), "[STANDARD]\r\nA=1\r\n\r\n[INI_SELF]\r\nCREATED_TIME=old time\r\nCREATED_USER=ola\r\n"
                              "MODIFIED_TIME=old time\r\nMODIFIED_USER=ola\r\n\r\n[Z]\r\nz=1\r\n\r\n");
    hs_reg::openini(ini());
    EXPECT_EQ(header("CREATED_TIME"), "old time");
    EXPECT_EQ(header("CREATED_USER"), "ola");
    EXPECT_FALSE(hs_reg::settingsfile()->hasKey("INI_SELF", "CREATED_BUILD"));
    EXPECT_EQ(header("MODIFIED_TIME"), stamp);
    EXPECT_EQ(header("MODIFIED_USER"), "kari");
    EXPECT_EQ(header("MODIFIED_BUILD"), "728");
    EXPECT_EQ(hs_reg::settingsfile()->sectionNames(), QStringList({"STANDARD", "INI_SELF", "Z"}));
    // Replaced in place, the new ones after the old keys.
    EXPECT_EQ(hs_reg::settingsfile()->keys("INI_SELF"),
              QStringList({"CREATED_TIME", "CREATED_USER", "MODIFIED_TIME", "MODIFIED_USER", "MODIFIED_NAME",
                           "MODIFIED_PROGRAM", "MODIFIED_INIVERSION", "MODIFIED_BUILD", "MODIFIED_LOGIN"}));
}

TEST_F(Store, ReopenAfterWriteBackRenewsOnlyModified)
{
    hs_reg::openini(ini());
    ASSERT_TRUE(hs_reg::writeBack());
    const QString later = fh::fixClock({2027, 1, 2, 3, 4, 5});
    ASSERT_NE(later, stamp);
    hs_reg::openini(ini());
    EXPECT_EQ(header("CREATED_TIME"), stamp);
    EXPECT_EQ(header("MODIFIED_TIME"), later);
    EXPECT_EQ(hs_reg::settingsfile()->keys("INI_SELF"), kCreated + kModified);
}

TEST_F(Store, HeaderOfAnExistingFileIsAppendedAtTheEnd)
{
    testenv::writeFile(ini(), "[STANDARD]\r\nA=1\r\n");
    hs_reg::openini(ini());
    EXPECT_EQ(hs_reg::settingsfile()->sectionNames(), QStringList({"STANDARD", "INI_SELF"}));
    EXPECT_EQ(hs_reg::settingsfile()->keys("INI_SELF"), kModified);
}

struct TypedCase {
    const char *stored;
    QString str;
    qint32 number;
    bool flag;
};

class TypedReads : public Store, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedReads, FollowTheNumberRules)
{
    const TypedCase c = GetParam();
    testenv::writeFile(ini(), QByteArray("[standard]\r\nvalue=") + c.stored + "\r\n");
    hs_reg::openini(ini());
    EXPECT_EQ(hs_reg::readstr("VALUE"), c.str) << c.stored;
    EXPECT_EQ(hs_reg::readint("Value"), c.number) << c.stored;
    EXPECT_EQ(hs_reg::readbool("value"), c.flag) << c.stored;
}

INSTANTIATE_TEST_SUITE_P(Table, TypedReads, ::testing::Values(
    TypedCase{"1", "1", 1, true}, TypedCase{"0", "0", 0, false}, TypedCase{"True", "True", 0, false},
    TypedCase{"2", "2", 2, true}, TypedCase{"0x10", "0x10", 16, true}, TypedCase{"$1F", "$1F", 31, true},
    TypedCase{"  12  ", "12", 12, true}, TypedCase{"-1", "-1", -1, true}, TypedCase{"$0", "$0", 0, false},
    TypedCase{"yes", "yes", 0, false}, TypedCase{"", "", 0, false}, TypedCase{"4294967296", "4294967296", 0, false}),
    testnames::by([](const TypedCase &c) { return c.stored; }));

TEST_F(Store, MissingKeysAndSectionsGiveTheDefaults)
{
    hs_reg::openini(ini());
    EXPECT_EQ(hs_reg::readstr("Nothing"), "");
    EXPECT_FALSE(hs_reg::readstr("Nothing").isNull());
    EXPECT_EQ(hs_reg::readint("Nothing"), 0);
    EXPECT_FALSE(hs_reg::readbool("Nothing"));
    hs_reg::setsection("No such section");
    EXPECT_EQ(hs_reg::readstr("x"), "");
}

TEST_F(Store, WritesGoToTheCurrentSectionAndStayInMemory)
{
    hs_reg::openini(ini());
    hs_reg::writestr("Firma_Navn", "Blåbær AS");
    hs_reg::writeint("Arbeid_Timer", -37);
    hs_reg::writebool("LogToFile", true);
    hs_reg::writebool("VerboseLogging", false);
    hs_reg::writestr("Tom", "");
    hs_reg::setsection("X");
    EXPECT_EQ(hs_reg::inisection(), "X");
    hs_reg::writestr("a", "b");
    hs_reg::standardsection();
    EXPECT_EQ(hs_reg::inisection(), "STANDARD");
    EXPECT_FALSE(QFileInfo::exists(ini()));

    IniDocument *doc = hs_reg::settingsfile();
    EXPECT_EQ(doc->value("STANDARD", "Arbeid_Timer"), "-37");
    EXPECT_EQ(doc->value("STANDARD", "LogToFile"), "1");
    EXPECT_EQ(doc->value("STANDARD", "VerboseLogging"), "0");
    EXPECT_EQ(hs_reg::readint("arbeid_timer"), -37);
    EXPECT_EQ(doc->sectionNames().last(), "X");
    EXPECT_EQ(doc->value("X", "a"), "b");
    ASSERT_TRUE(hs_reg::writeBack());
    EXPECT_TRUE(testenv::readFile(ini()).contains("\r\nTom=\r\n"));
    EXPECT_TRUE(testenv::readFile(ini()).endsWith("[X]\r\na=b\r\n\r\n"));
}

TEST_F(Store, CodePageFileIsWrittenBackByteIdenticalApartFromTheHeader)
{
    const QString body = QStringLiteral(
        "[STANDARD]\r\nArbeid_Sykelønnskonto=5000\r\nPosteringKontoInnkjøp=4000\r\nSpørEtterGebyr=1\r\n"
        "Firma_Navn=Blåbær & Søn AS\r\n\r\n[Fjær]\r\nø=å\r\n\r\n");
    textfile::Encoding e = textfile::Encoding::Ansi;
    const QByteArray bodyBytes = textfile::encode(body, e);
    const QByteArray headerBytes = "[INI_SELF]\r\nCREATED_TIME=01.01.2020 10:00:00\r\nCREATED_USER=ola\r\n\r\n";
    testenv::writeFile(ini(), bodyBytes + headerBytes);

    hs_reg::openini(ini());
    EXPECT_EQ(hs_reg::readint("ARBEID_SYKELØNNSKONTO"), 5000);
    EXPECT_EQ(hs_reg::readint("posteringkontoinnkjøp"), 4000);
    EXPECT_TRUE(hs_reg::readbool("SpørEtterGebyr"));
    ASSERT_TRUE(hs_reg::writeBack());

    const QByteArray after = testenv::readFile(ini());
    ASSERT_TRUE(after.startsWith(bodyBytes + "[INI_SELF]\r\nCREATED_TIME=01.01.2020 10:00:00\r\nCREATED_USER=ola\r\n"))
        << after.constData();
    EXPECT_EQ(textfile::detect(after), textfile::Encoding::Ansi);
}

TEST_F(Store, Utf16FileWithByteOrderMarkStaysUtf16)
{
    const QString text = QStringLiteral("[STANDARD]\r\nSpørEtterGebyr=1\r\nNavn=Łódź\r\n");
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    testenv::writeFile(ini(), bytes);
    hs_reg::openini(ini());
    EXPECT_TRUE(hs_reg::readbool("spøretterGEBYR"));
    EXPECT_EQ(hs_reg::readstr("navn"), "Łódź");
    ASSERT_TRUE(hs_reg::writeBack());
    const QByteArray after = testenv::readFile(ini());
    EXPECT_TRUE(after.startsWith(bytes));
    EXPECT_EQ(textfile::detect(after), textfile::Encoding::Utf16LE);
}

// Notepad saves UTF-8 without a byte-order mark; the suite's Windows programs would take that as 8-bit
// text. Written back as a new file is, once, with one warning in the log.
const QString kNotepadBody = QStringLiteral(
    "[STANDARD]\r\nArbeid_Sykelønnskonto=5000\r\nPosteringKontoInnkjøp=4000\r\nSpørEtterGebyr=1\r\n"
    "Firma_Navn=Blåbær AS\r\n\r\n[Fjær]\r\nø=å\r\n\r\n");

QString formWarning(const QString &path, const char *to)
{
    return QStringLiteral("ADVARSEL: ") + path
           + QStringLiteral(" var lagret som UTF-8 uten BOM, som suitens Windows-programmer ikke leser riktig; "
                            "skrevet om til ")
           + QLatin1String(to);
}

QStringList warnings()
{
    return fh::startingWith(fh::logMessages(), QStringLiteral("ADVARSEL: "));
}

TEST_F(Store, Utf8FileWithoutByteOrderMarkIsWrittenBackInTheCodePageAndWarnedOnce)
{
    textfil::values().LogEnabled = true;
    testenv::writeFile(ini(), kNotepadBody.toUtf8());
    hs_reg::openini(ini());
    EXPECT_EQ(hs_reg::settingsfile()->encoding(), textfile::Encoding::Utf8);
    EXPECT_EQ(hs_reg::readstr("Firma_Navn"), "Blåbær AS");
    ASSERT_TRUE(hs_reg::writeBack());

    const QByteArray after = testenv::readFile(ini());
    textfile::Encoding e = textfile::Encoding::Ansi;
    ASSERT_TRUE(after.startsWith(textfile::encode(kNotepadBody, e) + "[INI_SELF]\r\n")) << after.constData();
    EXPECT_EQ(textfile::detect(after), textfile::Encoding::Ansi);
    EXPECT_EQ(warnings(), QStringList{formWarning(ini(), "ANSI (8-biters tegntabell)")});
    EXPECT_EQ(textfil::values().WarningCount, 1);

    // Written again, by this document and after a reopen: the same form, no second warning.
    hs_reg::writestr("Firma_Navn", "Blåbær & Søn AS");
    ASSERT_TRUE(hs_reg::writeBack());
    hs_reg::openini(ini());
    EXPECT_EQ(hs_reg::settingsfile()->encoding(), textfile::Encoding::Ansi);
    EXPECT_EQ(hs_reg::readstr("firma_navn"), "Blåbær & Søn AS");
    EXPECT_EQ(hs_reg::readint("ARBEID_SYKELØNNSKONTO"), 5000);
    ASSERT_TRUE(hs_reg::writeBack());
    EXPECT_EQ(textfile::detect(testenv::readFile(ini())), textfile::Encoding::Ansi);
    EXPECT_EQ(warnings().size(), 1);
}

TEST_F(Store, Utf8FileWithACharacterTheCodePageLacksIsWrittenAsUtf16)
{
    textfil::values().LogEnabled = true;
    const QString body = kNotepadBody + QStringLiteral("[X]\r\nNavn=Łódź Ω\r\n\r\n");
    testenv::writeFile(ini(), body.toUtf8());
    hs_reg::openini(ini());
    ASSERT_TRUE(hs_reg::writeBack());
    const QByteArray after = testenv::readFile(ini());
    EXPECT_EQ(textfile::detect(after), textfile::Encoding::Utf16LE);
    EXPECT_TRUE(textfile::decode(after).startsWith(body));
    EXPECT_EQ(warnings(), QStringList{formWarning(ini(), "UTF-16 LE med BOM")});
}

// At a first start the folder tree is recorded, and the file written, before the log is switched on.
TEST_F(Store, TheWarningWaitsForTheLogToBeSwitchedOn)
{
    testenv::writeFile(ini(), kNotepadBody.toUtf8());
    hs_reg::openini(ini());
    ASSERT_TRUE(hs_reg::writeBack());
    EXPECT_TRUE(warnings().isEmpty());
    textfil::values().LogEnabled = true;
    ASSERT_TRUE(hs_reg::writeBack());
    EXPECT_EQ(warnings(), QStringList{formWarning(ini(), "ANSI (8-biters tegntabell)")});
    ASSERT_TRUE(hs_reg::writeBack());
    EXPECT_EQ(warnings().size(), 1);
}

// Every other form keeps its bytes and gives no warning.
TEST_F(Store, OtherFormsGiveNoWarning)
{
    textfil::values().LogEnabled = true;
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : kNotepadBody) {
        utf16.append(char(c.unicode() & 0xFF));
        utf16.append(char(c.unicode() >> 8));
    }
    QByteArray utf16be("\xFE\xFF");
    for (const QChar c : kNotepadBody) {
        utf16be.append(char(c.unicode() >> 8));
        utf16be.append(char(c.unicode() & 0xFF));
    }
    textfile::Encoding e = textfile::Encoding::Ansi;
    for (const QByteArray &bytes : {textfile::encode(kNotepadBody, e), QByteArray("\xEF\xBB\xBF") + kNotepadBody.toUtf8(),
                                    utf16, utf16be, QByteArray("[STANDARD]\r\nFirma_Navn=Blabaer AS\r\n\r\n")}) {
        testenv::writeFile(ini(), bytes);
        hs_reg::openini(ini());
        const textfile::Encoding before = hs_reg::settingsfile()->encoding();
        ASSERT_TRUE(hs_reg::writeBack());
        const QByteArray after = testenv::readFile(ini());
        EXPECT_TRUE(after.startsWith(bytes)) << bytes.toHex().constData();
        EXPECT_EQ(textfile::detect(after), before);
    }
    EXPECT_TRUE(warnings().isEmpty()) << warnings().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Store, ValueWithALineBreakCannotAddKeys)
{
    hs_reg::openini(ini());
    hs_reg::writestr("Firma_Navn", "Hansen\r\n[FOLDERS]\r\ntmp_folder=/\nLogToFile=1");
    ASSERT_TRUE(hs_reg::writeBack());
    hs_reg::openini(ini());
    EXPECT_FALSE(hs_reg::readbool("LogToFile"));
    EXPECT_FALSE(hs_reg::settingsfile()->hasSection("FOLDERS"));
    EXPECT_TRUE(hs_reg::readstr("Firma_Navn").startsWith("Hansen"));
}

TEST_F(Store, BadFilesOpenAndSettle)
{
    std::mt19937 rng(7);
    QByteArray random;
    for (int i = 0; i < 64 * 1024; ++i)
        random.append(char(rng() & 0xFF));
    static const char nul[] = "[STANDARD]\r\nLogToFile=1\r\nX=a\0b\r\n\0\r\n";
    const QByteArray bigLine = "[STANDARD]\r\nBig=" + QByteArray(10 * 1024 * 1024, 'q') + "\r\nLogToFile=1\r\n";
    for (const QByteArray &input : {random, QByteArray(nul, sizeof nul - 1), bigLine}) {
        testenv::writeFile(ini(), input);
        hs_reg::openini(ini());
        ASSERT_TRUE(hs_reg::writeBack());
        const QByteArray first = testenv::readFile(ini());
        hs_reg::openini(ini());
        EXPECT_EQ(hs_reg::settingsfile()->value("INI_SELF", "MODIFIED_BUILD"), "728");
        if (input != random)
            EXPECT_TRUE(hs_reg::readbool("LogToFile"));
        ASSERT_TRUE(hs_reg::writeBack());
        EXPECT_EQ(testenv::readFile(ini()), first);  // the same clock: nothing changed the second time
    }
    EXPECT_EQ(hs_reg::readstr("Big").size(), 10 * 1024 * 1024);
}

// --- Switching documents ---------------------------------------------------------------------------

TEST_F(Store, UserFileAndBackToTheMainFile)
{
    hs_reg::openini(ini());
    hs_reg::writestr("A", "main");
    QString error;
    ASSERT_TRUE(hs_reg::openuserini(&error)) << qPrintable(error);
    EXPECT_TRUE(testenv::readFile(ini()).contains("\r\nA=main\r\n"));
    EXPECT_EQ(hs_reg::settingsfile()->path(), etc + "kari.INI");
    EXPECT_EQ(header("CREATED_NAME"), etc + "kari.INI");
    EXPECT_EQ(hs_reg::inisection(), "STANDARD");
    EXPECT_EQ(hs_reg::readstr("A"), "");
    hs_reg::writestr("LastInputStr", "svar");

    ASSERT_TRUE(hs_reg::openmainini(&error)) << qPrintable(error);
    EXPECT_TRUE(testenv::readFile(etc + "kari.INI").contains("\r\nLastInputStr=svar\r\n"));
    EXPECT_EQ(hs_reg::settingsfile()->path(), ini());
    EXPECT_EQ(hs_reg::readstr("A"), "main");
    EXPECT_EQ(hs_reg::readstr("LastInputStr"), "");
}

TEST_F(Store, UserFileIsNamedAfterTheOverriddenUser)
{
    hs_reg::values().useroverride = "Per Olsen";
    hs_reg::openini(ini());
    ASSERT_TRUE(hs_reg::openuserini());
    EXPECT_EQ(hs_reg::settingsfile()->path(), etc + "Per Olsen.INI");
}

TEST_F(Store, AUserNameThatNamesAnotherFolderIsRefused)
{
    hs_reg::openini(ini());
    hs_reg::writestr("A", "main");
    for (const char *name : {"../utenfor", "a/b", "..\\x", "C:x"}) {
        hs_reg::values().useroverride = name;
        hs_reg::values().effectiveUser.clear();
        QString error;
        EXPECT_FALSE(hs_reg::openuserini(&error)) << name;
        EXPECT_TRUE(error.contains(name)) << qPrintable(error);
        EXPECT_EQ(hs_reg::settingsfile()->path(), ini());
        EXPECT_EQ(hs_reg::readstr("A"), "main");
    }
    EXPECT_FALSE(QFileInfo::exists(etc + "../utenfor.INI"));
    EXPECT_FALSE(QFileInfo::exists(etc + "a"));
}

TEST_F(Store, SwitchFailsWithoutLosingTheDocumentWhenTheFileIsReadOnly)
{
    testenv::writeFile(ini(), "[STANDARD]\r\nA=1\r\n");
    fh::chmodPath(ini(), 0444);
    const QByteArray before = testenv::readFile(ini());
    hs_reg::openini(ini());
    hs_reg::writestr("A", "changed");

    QString error;
    EXPECT_FALSE(hs_reg::openuserini(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(hs_reg::openmainini(&error));
    EXPECT_EQ(testenv::readFile(ini()), before);
    EXPECT_EQ(fh::modeOf(ini()), 0444u);
    EXPECT_FALSE(QFileInfo::exists(etc + "kari.INI"));
    ASSERT_NE(hs_reg::settingsfile(), nullptr);
    EXPECT_EQ(hs_reg::settingsfile()->path(), ini());
    EXPECT_EQ(hs_reg::readstr("A"), "changed");
}

TEST_F(Store, SwitchFailsWhenTheFolderIsGone)
{
    hs_reg::openini(ini());
    hs_reg::writestr("A", "kept");
    QDir(etc).removeRecursively();
    QString error;
    EXPECT_FALSE(hs_reg::openmainini(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(hs_reg::settingsfile()->path(), ini());
    EXPECT_EQ(hs_reg::readstr("A"), "kept");
}

TEST_F(Store, ReadOnlyTestLooksAtTheMode)
{
    const QString f = dir() + "/f.ini";
    EXPECT_FALSE(hs_reg::isReadOnlyFile(f));  // missing
    testenv::writeFile(f, "x");
    for (const auto &[mode, ro] : std::vector<std::pair<mode_t, bool>>{{0644, false}, {0444, true}, {0400, true},
                                                                       {0200, false}, {0000, true}}) {
        fh::chmodPath(f, mode);
        EXPECT_EQ(hs_reg::isReadOnlyFile(f), ro) << std::oct << mode;
    }
}

// --- Side files ------------------------------------------------------------------------------------

struct SideCase {
    const char *program;
    const char *txt;
    const char *txl;
};

class SideFiles : public Store, public ::testing::WithParamInterface<SideCase> {};

TEST_P(SideFiles, AreNamedAfterTheProgramFileAlone)
{
    platform::overrideProgramPath(fh::u(QString::fromUtf8(GetParam().program)));
    EXPECT_EQ(hs_reg::standardtextfile(), etc + GetParam().txt);
    EXPECT_EQ(hs_reg::deliverytextfile(), etc + GetParam().txl);
}

INSTANTIATE_TEST_SUITE_P(Table, SideFiles, ::testing::Values(
    SideCase{"/opt/suite/bin/bruker-oppsett", "bruker-oppsett.txt", "bruker-oppsett.txl"},
    SideCase{"/opt/Suite.2/bin/setup.exe", "setup.txt", "setup.txl"},
    SideCase{"/home/kari/.local/bin/setup.x.exe", "setup.txt", "setup.txl"}),
    testnames::by([](const SideCase &c) { return c.program; }));

TEST_F(Store, LoginTextAndPathHelpers)
{
    EXPECT_EQ(hs_reg::logintext(), fh::kStandardLogin);
    EXPECT_EQ(hs_reg::separator(), QChar('/'));
    EXPECT_EQ(hs_reg::withSeparator("/a/b"), "/a/b/");
    EXPECT_EQ(hs_reg::withSeparator("/a/b/"), "/a/b/");
    EXPECT_EQ(hs_reg::withSeparator(""), "");
    EXPECT_EQ(hs_reg::folderNameAsPath("export\\html\\varer"), "export/html/varer");
    EXPECT_EQ(hs_reg::suiteroot(), suite());
}

} // namespace
