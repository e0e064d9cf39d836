// The settings file as the suite's Windows programs read it: written back by the store here, then read
// through the Windows profile functions under Wine (profile_read.exe of the cross build), key for key.
// Started by the Wine test set-up of tests/win32, which tells where Wine and the reader are.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <gtest/gtest.h>

#include "common/textfile.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "support/foundation_helpers.h"
#include "support/test_env.h"

namespace {

// As Notepad saves a settings file someone corrected: UTF-8 without a byte-order mark.
const QString kNotepadBody = QStringLiteral(
    "[STANDARD]\r\n"
    "Firma_Navn=Blåbær AS\r\n"
    "Arbeid_Sykelønnskonto=5000\r\n"
    "PosteringKontoInnkjøp=4000\r\n"
    "SpørEtterGebyr=1\r\n"
    "Firma_Adresse=Storgata 1\r\n"
    "Merknad=Æ Ø Å æ ø å é ü € – «»\r\n"
    "Tom=\r\n"
    "\r\n"
    "[FOLDERS]\r\n"
    "data\\docs_folder=C:\\Veltrona\\data\\Dokumenter på norsk\\\r\n"
    "\r\n"
    "[Fjær]\r\n"
    "ø=å\r\n"
    "\r\n");

QString windowsPath(const QString &path)
{
    return QStringLiteral("Z:") + QFileInfo(path).absoluteFilePath().replace(QLatin1Char('/'), QLatin1Char('\\'));
}

struct Answers {
    int codePage = 0;
    QHash<QString, QString> values;  // "section<TAB>key" of a key found -> its value
    QStringList missing;             // "section<TAB>key" of keys not found
    QStringList listed;              // "section<TAB>key" of every key the functions list, in their order
};

class ProfileReadBack : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        wineSh_ = qEnvironmentVariable("BO_WINE_SH");
        prefix_ = qEnvironmentVariable("BO_WINE_PREFIX");
        reader_ = qEnvironmentVariable("BO_PROFILE_READ");
        if (wineSh_.isEmpty() || prefix_.isEmpty() || reader_.isEmpty())
            GTEST_SKIP() << "run by the Wine test set-up (BO_WINE_SH, BO_WINE_PREFIX, BO_PROFILE_READ)";
        fh::fakeWorld(reg_, dir());
        const QString etc = dir() + QStringLiteral("/etc/");
        QDir().mkpath(etc);
        hs_reg::values().etcdir = etc;
        hs_reg::values().ininame = etc + QStringLiteral("veltrona.ini");
    }

    QString ini() const { return hs_reg::values().ininame; }

    // Every key of the open document, "section<TAB>key", in the document's order.
    static QStringList documentKeys()
    {
        const IniDocument &d = *hs_reg::settingsfile();
        QStringList keys;
        for (const QString &s : d.sectionNames())
            for (const QString &k : d.keys(s))
                keys << s + QLatin1Char('\t') + k;
        return keys;
    }

    // The keys read from the file at ini() through GetPrivateProfileStringW under Wine.
    void readWithProfileFunctions(const QStringList &keys, Answers &answers)
    {
        const QString queries = dir() + QStringLiteral("/queries.txt");
        const QString out = dir() + QStringLiteral("/answers.txt");
        QFile::remove(out);
        ASSERT_TRUE(testenv::writeFile(queries, keys.join(QLatin1Char('\n')).toUtf8() + '\n'));
        QProcess wine;
        wine.setProcessChannelMode(QProcess::MergedChannels);
        wine.start(QStringLiteral("bash"), {wineSh_, QStringLiteral("run"), prefix_, reader_, windowsPath(ini()),
                                            windowsPath(queries), windowsPath(out)});
        ASSERT_TRUE(wine.waitForFinished(150000)) << "Wine did not finish";
        ASSERT_EQ(wine.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(wine.exitCode(), 0) << wine.readAll().constData();
        const QStringList lines = QString::fromUtf8(testenv::readFile(out)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.value(0) == QLatin1String("A"))
                answers.codePage = f.value(1).toInt();
            else if (f.value(0) == QLatin1String("=") && f.size() >= 4)
                answers.values.insert(f[1] + QLatin1Char('\t') + f[2], f.mid(3).join(QLatin1Char('\t')));
            else if (f.value(0) == QLatin1String("!"))
                answers.missing << f.mid(1).join(QLatin1Char('\t'));
            else if (f.value(0) == QLatin1String("K"))
                answers.listed << f.mid(1).join(QLatin1Char('\t'));
        }
        if (answers.codePage != 1252)
            GTEST_SKIP() << "the ANSI code page under Wine is " << answers.codePage << ", not 1252";
    }

    // The store writes the file back; the profile functions then read every key with the value the
    // document holds, and list exactly the document's keys.
    void expectReadKeyForKeyAfterWriteBack()
    {
        hs_reg::openini(ini());
        ASSERT_TRUE(hs_reg::writeBack());
        const QStringList keys = documentKeys();
        Answers a;
        readWithProfileFunctions(keys, a);
        if (HasFatalFailure() || IsSkipped())
            return;
        EXPECT_TRUE(a.missing.isEmpty()) << a.missing.join(QLatin1String(", ")).toStdString();
        const IniDocument &d = *hs_reg::settingsfile();
        for (const QString &sk : keys) {
            const QString section = sk.section(QLatin1Char('\t'), 0, 0), key = sk.section(QLatin1Char('\t'), 1);
            EXPECT_EQ(a.values.value(sk, QStringLiteral("(not found)")), d.value(section, key)) << sk.toStdString();
        }
        EXPECT_EQ(a.listed, keys);
        // The keys of the issue, by name, with the values of the file as it was saved in Notepad.
        EXPECT_EQ(a.values.value(QStringLiteral("STANDARD\tFirma_Navn")), QStringLiteral("Blåbær AS"));
        EXPECT_EQ(a.values.value(QStringLiteral("STANDARD\tArbeid_Sykelønnskonto")), QStringLiteral("5000"));
        EXPECT_EQ(a.values.value(QStringLiteral("STANDARD\tPosteringKontoInnkjøp")), QStringLiteral("4000"));
        EXPECT_EQ(a.values.value(QStringLiteral("STANDARD\tSpørEtterGebyr")), QStringLiteral("1"));
        EXPECT_EQ(a.values.value(QStringLiteral("Fjær\tø")), QStringLiteral("å"));
    }

    FakeRegistry reg_;
    QString wineSh_, prefix_, reader_;
};

// What the issue found: the Notepad file as it is, read by the profile functions, garbles the value
// and loses the keys with "ø". This shows that the reading below would see the fault.
TEST_F(ProfileReadBack, TheNotepadFileItselfIsMisread)
{
    ASSERT_TRUE(testenv::writeFile(ini(), kNotepadBody.toUtf8()));
    Answers a;
    readWithProfileFunctions({QStringLiteral("STANDARD\tFirma_Navn"), QStringLiteral("STANDARD\tSpørEtterGebyr")}, a);
    if (HasFatalFailure() || IsSkipped())
        return;
    EXPECT_EQ(a.values.value(QStringLiteral("STANDARD\tFirma_Navn")), QStringLiteral("BlÃ¥bÃ¦r AS"));
    EXPECT_EQ(a.missing, QStringList{QStringLiteral("STANDARD\tSpørEtterGebyr")});
}

TEST_F(ProfileReadBack, NotepadUtf8FileIsReadKeyForKeyAfterTheStoresWriteBack)
{
    ASSERT_TRUE(testenv::writeFile(ini(), kNotepadBody.toUtf8()));
    expectReadKeyForKeyAfterWriteBack();
    EXPECT_EQ(textfile::detect(testenv::readFile(ini())), textfile::Encoding::Ansi);
}

// A character Windows-1252 lacks: the file goes out as UTF-16 LE with its mark, read as well.
TEST_F(ProfileReadBack, NotepadUtf8FileWithACharacterTheCodePageLacksIsReadKeyForKey)
{
    ASSERT_TRUE(testenv::writeFile(ini(), (kNotepadBody + QStringLiteral("[Utland]\r\nBy=Łódź\r\nTegn=Ω ≈ 日本\r\n")).toUtf8()));
    expectReadKeyForKeyAfterWriteBack();
    EXPECT_EQ(textfile::detect(testenv::readFile(ini())), textfile::Encoding::Utf16LE);
}

// The forms the profile functions already read keep their bytes and read the same.
TEST_F(ProfileReadBack, CodePageAndUtf16FilesAreReadKeyForKeyAsBefore)
{
    textfile::Encoding ansi = textfile::Encoding::Ansi, utf16 = textfile::Encoding::Utf16LE;
    for (const QByteArray &bytes : {textfile::encode(kNotepadBody, ansi), textfile::encode(kNotepadBody, utf16)}) {
        ASSERT_TRUE(testenv::writeFile(ini(), bytes));
        expectReadKeyForKeyAfterWriteBack();
        if (HasFatalFailure() || IsSkipped())
            return;
        EXPECT_TRUE(testenv::readFile(ini()).startsWith(bytes));
    }
}

} // namespace
