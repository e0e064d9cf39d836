// The five side files of standard texts: encodings, missing and unreadable files, failed writes.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "common/textfile.h"
#include "dialog_fixture.h"
#include "environment/hs_reg.h"
#include "log/textfil.h"
#include "support/foundation_helpers.h"
#include "support/ordinary_user.h"

namespace {

// "æøå" in each encoding the side files come in, lines ended by CR LF, and the bytes written back.
struct EncodingRow {
    const char *name;
    QByteArray bytes;
    QByteArray written;  // null: the same bytes
};

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF", 2) : QByteArray("\xFF\xFE", 2);
    for (const QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    }
    return out;
}

const QString kText = QStringLiteral("Første linje æøå\r\n\r\nÆØÅ siste\r\n");

} // namespace

class SideFileEncoding : public OppsettTest, public ::testing::WithParamInterface<EncodingRow> {};

TEST_P(SideFileEncoding, LettersSurviveLoadAndSaveInTheFilesOwnEncoding)
{
    textfil::values().LogEnabled = true;
    const QByteArray bytes = GetParam().bytes;
    const QByteArray written = GetParam().written.isNull() ? bytes : GetParam().written;
    for (const QString &name : {QStringLiteral("FIRMA.TXV"), QStringLiteral("FIRMA.TXP"), QStringLiteral("FIRMA.TXB")})
        ASSERT_TRUE(testenv::writeFile(etc() + name, bytes));
    ASSERT_TRUE(testenv::writeFile(standardTexts(), bytes));
    ASSERT_TRUE(testenv::writeFile(deliveryTexts(), bytes));
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00"}));
    TOppsettDialog &d = dialog();
    for (QPlainTextEdit *memo : {d.Memo, d.SdtTekst, d.StdTekst2, d.Bransjetekst, d.Leveringstekst}) {
        EXPECT_EQ(TOppsettDialog::memoLines(memo),
                  (QStringList{QStringLiteral("Første linje æøå"), QString(), QStringLiteral("ÆØÅ siste")}));
    }
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(d.Lagret);
    const QStringList paths{etc() + "FIRMA.TXV", etc() + "FIRMA.TXP", etc() + "FIRMA.TXB", standardTexts(), deliveryTexts()};
    for (const QString &path : paths)
        EXPECT_EQ(testenv::readFile(path), written) << path.toStdString();
    // A file that changed its form says so once in the log, naming the file and both forms.
    QStringList expected;
    if (written != bytes) {
        for (const QString &path : paths)
            expected << QStringLiteral("ADVARSEL: ") + path
                            + QStringLiteral(" var lagret som UTF-8 uten BOM, som suitens Windows-programmer ikke leser riktig; "
                                             "skrevet om til ANSI (8-biters tegntabell)");
    }
    const auto warnings = [] { return fh::startingWith(fh::logMessages(), QStringLiteral("ADVARSEL: ")); };
    std::sort(expected.begin(), expected.end());
    QStringList got = warnings();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    // "Hent" and "Bruk" again: read and written in the form now on disk, without another warning.
    QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(TOppsettDialog::memoLines(d.Leveringstekst),
              (QStringList{QStringLiteral("Første linje æøå"), QString(), QStringLiteral("ÆØÅ siste")}));
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(d.Lagret);
    for (const QString &path : paths)
        EXPECT_EQ(testenv::readFile(path), written) << path.toStdString();
    EXPECT_EQ(warnings().size(), expected.size());
}

INSTANTIATE_TEST_SUITE_P(Encodings, SideFileEncoding,
                         ::testing::Values(EncodingRow{"Windows1252", kText.toLatin1()},
                                           // As Notepad saves: written back as a new file is.
                                           EncodingRow{"Utf8", kText.toUtf8(), kText.toLatin1()},
                                           EncodingRow{"Utf8Bom", QByteArray("\xEF\xBB\xBF") + kText.toUtf8()},
                                           EncodingRow{"Utf16LE", utf16(kText, false)},
                                           EncodingRow{"Utf16BE", utf16(kText, true)}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(OppsettTest, NewSideFilesAreWrittenInTheCodePageOrAsUtf16WhenItCannotHoldTheText)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00"}));
    TOppsettDialog &d = dialog();
    TOppsettDialog::setMemoLines(d.Bransjetekst, {QStringLiteral("Snekker æøå")});
    TOppsettDialog::setMemoLines(d.Leveringstekst, {QStringLiteral("Båt ≈ 3 €")});
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(testenv::readFile(etc() + "FIRMA.TXB"), QByteArray("Snekker \xE6\xF8\xE5\r\n"));
    EXPECT_EQ(testenv::readFile(deliveryTexts()), utf16(QStringLiteral("Båt ≈ 3 €\r\n"), false));
    // An empty tab gives an empty file.
    EXPECT_TRUE(QFile::exists(etc() + "FIRMA.TXP"));
    EXPECT_EQ(testenv::readFile(etc() + "FIRMA.TXP"), QByteArray());
}

TEST_F(OppsettTest, Utf8SideFileWithACharacterTheCodePageLacksIsWrittenAsUtf16)
{
    textfil::values().LogEnabled = true;
    const QString text = QStringLiteral("Båt ≈ 3 €\r\nΩ\r\n");
    ASSERT_TRUE(testenv::writeFile(deliveryTexts(), text.toUtf8()));
    ASSERT_TRUE(testenv::writeFile(etc() + "FIRMA.TXB", "Snekker\r\n"));  // plain ASCII: kept as it is
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00"}));
    TOppsettDialog &d = dialog();
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(d.Lagret);
    EXPECT_EQ(testenv::readFile(deliveryTexts()), utf16(text, false));
    EXPECT_EQ(testenv::readFile(etc() + "FIRMA.TXB"), QByteArray("Snekker\r\n"));
    EXPECT_EQ(fh::startingWith(fh::logMessages(), QStringLiteral("ADVARSEL: ")),
              QStringList{QStringLiteral("ADVARSEL: ") + deliveryTexts()
                          + QStringLiteral(" var lagret som UTF-8 uten BOM, som suitens Windows-programmer ikke leser "
                                           "riktig; skrevet om til UTF-16 LE med BOM")});
}

TEST_F(OppsettTest, MissingSideFileKeepsTypedTextOnHentAPresentOneReplacesIt)
{
    openSettings(standard({}));
    TOppsettDialog &d = dialog();
    d.PageControl1->setCurrentIndex(6);
    d.PageControl2->setCurrentIndex(3);
    d.Bransjetekst->setFocus();
    QTest::keyClicks(d.Bransjetekst, QStringLiteral("Maler"));
    QTest::keyClick(d.Bransjetekst, Qt::Key_Return);  // a new line, not "O&k"
    QTest::keyClicks(d.Bransjetekst, QStringLiteral("Murer"));
    EXPECT_TRUE(d.isVisible());
    QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(TOppsettDialog::memoLines(d.Bransjetekst), (QStringList{"Maler", "Murer"}));
    ASSERT_TRUE(testenv::writeFile(etc() + "FIRMA.TXB", "Elektriker\r\n"));
    QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(TOppsettDialog::memoLines(d.Bransjetekst), QStringList{"Elektriker"});
}

TEST_F(OppsettTest, UnreadableStandardTextFileIsReportedAndTheOthersStillLoad)
{
    // A folder in the file's place cannot be read, even by root.
    ASSERT_TRUE(QDir().mkpath(standardTexts()));
    ASSERT_TRUE(testenv::writeFile(deliveryTexts(), "Bud\r\n"));
    ASSERT_TRUE(QDir().mkpath(etc() + "FIRMA.TXV"));  // ignored without a message
    openSettings(standard({}));
    QString caption, text;
    int buttons = 0;
    onNextModal([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        buttons = int(box->buttons().size());
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        box->accept();
    });
    TOppsettDialog &d = dialog();
    EXPECT_EQ(caption, QStringLiteral("Feil"));
    EXPECT_EQ(text, QStringLiteral("Feil under åpning av filen med standardtekster."));
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(TOppsettDialog::memoLines(d.Leveringstekst), QStringList{"Bud"});
    EXPECT_FALSE(d.Lagret);
}

// The sales texts may be replaced but not read (as when another program holds the file with a
// deny-read lock): saving never writes the field over texts nobody has seen; the rest is saved.
TEST_F(OppsettTest, ASideFileThatCouldNotBeReadIsNotReplacedUntilALoadReadsIt)
{
    textfil::values().LogEnabled = true;
    const QString txp = etc() + "FIRMA.TXP";
    ASSERT_TRUE(testenv::writeFile(txp, "Første\r\nAndre\r\n"));
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00", "Firma_Navn=Gammelt"}));
    QString why;
    ASSERT_TRUE(testenv::OrdinaryUser::handOver(dir(), &why)) << qPrintable(why);
    fh::chmodPath(txp, 0200);
    QString message;
    {
        testenv::OrdinaryUser user;
        ASSERT_TRUE(user.ok()) << qPrintable(user.why());
        TOppsettDialog &d = dialog();  // no message for this file, as for the other optional lists
        EXPECT_FALSE(modalSeen());
        d.bNavn->setText(QStringLiteral("Nytt"));
        TOppsettDialog::setMemoLines(d.StdTekst2, {QStringLiteral("skrevet nå")});
        onNextModal([&](QWidget *w) {
            message = static_cast<QMessageBox *>(w)->text();
            static_cast<QDialog *>(w)->accept();
        });
        QTest::mouseClick(d.OKBtn, Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());  // the typed text is still there to keep
        EXPECT_EQ(TOppsettDialog::memoLines(d.StdTekst2), QStringList{QStringLiteral("skrevet nå")});
        fh::chmodPath(txp, 0600);
        EXPECT_EQ(testenv::readFile(txp), QByteArray("Første\r\nAndre\r\n"));
        // Read again, the file is the field's once more and the next save writes it.
        QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
        EXPECT_EQ(TOppsettDialog::memoLines(d.StdTekst2), (QStringList{QStringLiteral("Første"), QStringLiteral("Andre")}));
        TOppsettDialog::setMemoLines(d.StdTekst2, {QStringLiteral("Tredje")});
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    }
    EXPECT_TRUE(message.contains(txp)) << qPrintable(message);
    EXPECT_EQ(storedValue(QStringLiteral("Firma_Navn")), QStringLiteral("Nytt"));
    EXPECT_EQ(testenv::readFile(txp), QByteArray("Tredje\r\n"));
    bool logged = false;
    for (const QString &line : textfil::values().LogLines.toStringList())
        logged = logged || line.contains(QStringLiteral("FEIL: kan ikke lese filen ") + txp);
    EXPECT_TRUE(logged);
}

TEST_F(OppsettTest, FailingSideFileWriteStopsTheSaveAndOkKeepsTheWindowOpen)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00", "Firma_Navn=Gammelt"}));
    const QByteArray before = testenv::readFile(ini());
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QDir().mkpath(etc() + "FIRMA.TXP"));  // the sales texts cannot be written
    d.bNavn->setText(QStringLiteral("Nytt"));
    TOppsettDialog::setMemoLines(d.SdtTekst, {QStringLiteral("vare")});
    QString message;
    onNextModal([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        message = box->text();
        box->accept();
    });
    QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    EXPECT_TRUE(message.contains(etc() + "FIRMA.TXP")) << message.toStdString();
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.Lagret);
    EXPECT_TRUE(QFile::exists(standardTexts()));        // written before
    EXPECT_FALSE(QFile::exists(etc() + "FIRMA.TXV"));    // after it in the save order: not written
    EXPECT_EQ(testenv::readFile(ini()), before);         // the settings file was not written
    EXPECT_EQ(hs_reg::readstr(QStringLiteral("Firma_Navn")), QStringLiteral("Nytt"));  // but is in memory
}

TEST_F(OppsettTest, ReadOnlySideFileIsNotReplaced)
{
    ASSERT_TRUE(testenv::writeFile(etc() + "FIRMA.TXB", "Fast\r\n"));
    QFile::setPermissions(etc() + "FIRMA.TXB", QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00"}));
    TOppsettDialog &d = dialog();
    TOppsettDialog::setMemoLines(d.Bransjetekst, {QStringLiteral("Endret")});
    onNextModal([](QWidget *w) { static_cast<QDialog *>(w)->accept(); });
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(modalSeen());
    EXPECT_EQ(testenv::readFile(etc() + "FIRMA.TXB"), QByteArray("Fast\r\n"));
    EXPECT_FALSE(d.Lagret);
}

TEST_F(OppsettTest, ReadOnlySettingsFileFailsTheSaveAfterLagretIsSet)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00"}));
    const QByteArray before = testenv::readFile(ini());
    QFile::setPermissions(ini(), QFileDevice::ReadOwner);
    TOppsettDialog &d = dialog();
    d.bNavn->setText(QStringLiteral("Nytt"));
    onNextModal([](QWidget *w) { static_cast<QDialog *>(w)->accept(); });
    QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    EXPECT_TRUE(modalSeen());
    EXPECT_TRUE(d.Lagret);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(testenv::readFile(ini()), before);
}

TEST_F(OppsettTest, SavingTwiceChangesNothingButTheHeader)
{
    ASSERT_TRUE(testenv::writeFile(etc() + "FIRMA.TXV", "Hentes\r\n"));
    openSettings(standard({"Arbeid_ArbeidstidStart=7:30", "Firma_Navn=Firma", "Skriver_ToppMarg=x"}));
    TOppsettDialog &d = dialog();
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    const QByteArray first = sectionOnDisk(QStringLiteral("STANDARD"));
    const QByteArray txv = testenv::readFile(etc() + "FIRMA.TXV");
    QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(sectionOnDisk(QStringLiteral("STANDARD")), first);
    EXPECT_EQ(testenv::readFile(etc() + "FIRMA.TXV"), txv);
    EXPECT_TRUE(first.contains("\r\nArbeid_ArbeidstidStart= 7:30\r\n"));
    EXPECT_TRUE(first.contains("\r\nSkriver_ToppMarg=0\r\n"));  // shown as 0, so saved as 0
}
