// Earlier versions brought back from the history window, and settings carried to another
// installation in an export file: what differs, what is brought back, what a bad file does.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <functional>
#include <gtest/gtest.h>

#include "company_settings/backup.h"
#include "company_settings/history_dialog.h"
#include "company_settings/masked_time_edit.h"
#include "company_settings/versions.h"
#include "dialog_fixture.h"
#include "support/foundation_helpers.h"
#include "support/ordinary_user.h"

using Timesetu::CompanySettings;

namespace {

QString timeField(const QString &stored)
{
    return MaskedTimeEdit::normalized(stored);
}

// --- The differences, as data ---------------------------------------------------------------------

struct DifferenceRow {
    const char *name;
    const char *key;
    QString stored;  // in the version's file
    QString now;     // what a save of the dialog stores now
    QString field, shownThen, shownNow;  // the difference shown; no field: none
};

// The row's name where CTest lists the case.
void PrintTo(const DifferenceRow &row, std::ostream *os) { *os << row.name; }

class VersionDifference : public ::testing::TestWithParam<DifferenceRow> {};

TEST_P(VersionDifference, IsListedWithCaptionAndBothValuesAsTheFieldShowsThem)
{
    const DifferenceRow &row = GetParam();
    CompanySettings then, now;
    then.values.insert(QString::fromUtf8(row.key), row.stored);
    now.values.insert(QString::fromUtf8(row.key), row.now);
    const QList<Timesetu::Difference> found =
        Timesetu::differences(Timesetu::asLoaded(then, 3, timeField), now, fixturePrinters());
    if (row.field.isEmpty()) {
        EXPECT_TRUE(found.isEmpty()) << found.value(0).then.toStdString() << " / " << found.value(0).now.toStdString();
        return;
    }
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].key, QString::fromUtf8(row.key));
    EXPECT_EQ(found[0].field, row.field);
    EXPECT_EQ(found[0].then, row.shownThen);
    EXPECT_EQ(found[0].now, row.shownNow);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, VersionDifference,
    ::testing::Values(
        DifferenceRow{"Text", "Firma_Navn", "Fjordtre", "Fjordtre AS", "Firmanavn", "Fjordtre", "Fjordtre AS"},
        DifferenceRow{"TextBlankAtTheEnd", "Firma_PostSted", "Førde", "Førde ", "Poststed, sted", "Førde", "«Førde »"},
        DifferenceRow{"TextOfARow", "Avdeling3", "", "Lager", "Avdeling, rad 3", "(tom)", "Lager"},
        DifferenceRow{"TimeTrimmedInTheFileIsTheSame", "Arbeid_ArbeidstidStart", "7:30", " 7:30", {}, {}, {}},
        DifferenceRow{"Time", "Arbeid_PauseTid2", "11:00", "  :  ", "Pauser, rad 2, kl.", "11:00", "(tom)"},
        DifferenceRow{"NumberBeyondItsRangeIsItsBound", "Arbeid_PauseLengd1", "75", "60", {}, {}, {}},
        DifferenceRow{"Number", "Arbeid_PauseLengd2", "30", "15", "Pauser, rad 2, minutt", "30", "15"},
        DifferenceRow{"MarginThatIsNoNumberShowsZero", "Skriver_ToppMarg", "abc", "0", {}, {}, {}},
        DifferenceRow{"Margin", "Girojustering", "-4", "-7", "giro", "-4", "-7"},
        DifferenceRow{"Flag1OfTwoIsUnchecked", "Skriver_VisDialog", "2", "0", {}, {}, {}},
        DifferenceRow{"Flag1", "SpørEtterGebyr", "1", "0", "Spør etter gebyr", "avkrysset", "ikke avkrysset"},
        DifferenceRow{"FlagOfTwoIsChecked", "RotatedView", "2", "1", {}, {}, {}},
        DifferenceRow{"Flag", "KroneAvrunding", "0", "1", "Krone avrunding (opp)", "ikke avkrysset", "avkrysset"},
        DifferenceRow{"JaInSmallLettersIsKroner", "Arbeid_BorteProsent", "ja", "NEI", {}, {}, {}},
        DifferenceRow{"JaNei", "Arbeid_BorteProsent", "JA", "NEI", "Bortetillegg, kroner eller prosent", "Prosent",
                      "Kroner"},
        DifferenceRow{"PrinterNoLongerThereIsNone", "Skriver_Index", "7", "-1", {}, {}, {}},
        DifferenceRow{"Printer", "Skriver_Index", "1", "0", "Skriver", "Lager Brother", "Kontor HP"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(VersionTexts, AddedAndRemovedLinesOfAListThatDiffers)
{
    CompanySettings then, now;
    then.texts.insert("Bransjetekst", {"Maler", "Murer", "Maler"});
    now.texts.insert("Bransjetekst", {"Maler", "Snekker"});
    then.texts.insert("Memo", {"Første", "Andre"});
    now.texts.insert("Memo", {"Andre", "Første"});
    then.texts.insert("SdtTekst", {"Lik"});
    now.texts.insert("SdtTekst", {"Lik"});
    const QList<Timesetu::Difference> found = Timesetu::differences(then, now, {});
    ASSERT_EQ(found.size(), 2);
    // In the order of the tabs: the standard texts first.
    EXPECT_EQ(found[0].field, QStringLiteral("Standardtekster"));
    EXPECT_TRUE(found[0].added.isEmpty() && found[0].removed.isEmpty());  // only the order differs
    EXPECT_EQ(found[1].page, QStringLiteral("Tekster"));
    EXPECT_EQ(found[1].field, QStringLiteral("Bransjer"));
    EXPECT_EQ(found[1].then, QStringLiteral("3 linjer"));
    EXPECT_EQ(found[1].now, QStringLiteral("2 linjer"));
    EXPECT_EQ(found[1].added, QStringList{"Snekker"});
    EXPECT_EQ(found[1].removed, (QStringList{"Murer", "Maler"}));
}

// --- Bad import files ---------------------------------------------------------------------------

const QByteArray kHeader = "[EKSPORT]\r\nFormat=Bruker oppsett firmaoppsett\r\nVersjon=1\r\n";

struct BadImportRow {
    const char *name;
    std::function<void(const QString &path)> make;
    QStringList message;  // parts of the message
};

void PrintTo(const BadImportRow &row, std::ostream *os) { *os << row.name; }

class BadImport : public TempEnvTest, public ::testing::WithParamInterface<BadImportRow> {};

TEST_P(BadImport, IsAnsweredWithWhatIsWrongAndGivesNothing)
{
    const QString path = work() + QStringLiteral("/import.ini");
    GetParam().make(path);
    CompanySettings settings;
    settings.values.insert("Firma_Navn", "Uendret");
    QString error;
    EXPECT_FALSE(Timesetu::readExport(path, fixturePrinters(), settings, &error));
    for (const QString &part : GetParam().message)
        EXPECT_TRUE(error.contains(part)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("Ingenting er hentet inn."))) << error.toStdString();
    EXPECT_EQ(settings.values, (QHash<QString, QString>{{"Firma_Navn", "Uendret"}}));
}

void writeTo(const QString &path, const QByteArray &bytes)
{
    ASSERT_TRUE(testenv::writeFile(path, bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadImport,
    ::testing::Values(
        BadImportRow{"SettingsFileItself",
                     [](const QString &p) { writeTo(p, "[STANDARD]\r\nFirma_Navn=Fjordtre\r\n"); },
                     {"er ikke en eksport av firmaoppsettet"}},
        BadImportRow{"BrokenQuotes",
                     [](const QString &p) { writeTo(p, kHeader + "[STANDARD]\r\nFirma_Navn=\"Fjordtre\r\n"); },
                     {"er ikke en eksport av firmaoppsettet"}},
        BadImportRow{"OtherFormatVersion",
                     [](const QString &p) {
                         writeTo(p, "[EKSPORT]\r\nFormat=Bruker oppsett firmaoppsett\r\nVersjon=2\r\n");
                     },
                     {"annen versjon", "format 2"}},
        BadImportRow{"KeysOutsideTheCompanySettings",
                     [](const QString &p) {
                         writeTo(p, kHeader + "[STANDARD]\r\nFirma_Navn=Fjordtre\r\nFakturaNr=1007\r\n"
                                              "[FOLDERS]\r\nbackup_folder=C:\\\r\n[Bransjer]\r\n1=Maler\r\nto=Murer\r\n");
                     },
                     {"ikke hører til firmaoppsettet", "FakturaNr", "[FOLDERS]", "[Bransjer] to"}},
        BadImportRow{"LargerThanTenMegabytes",
                     [](const QString &p) {
                         QFile f(p);
                         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                         f.write(kHeader);
                         ASSERT_TRUE(f.resize(Timesetu::kMaxImportSize + 1));
                     },
                     {"for stor", "10 MB"}},
        BadImportRow{"Unreadable",  // a folder in its place, unreadable as a file even for root
                     [](const QString &p) { ASSERT_TRUE(QDir().mkpath(p)); },
                     {"Kan ikke lese filen"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TempEnvTest, ExportedPrinterIsFoundByItsNameInTheListOfTheMachineThatImports)
{
    const QString path = work() + QStringLiteral("/firma.ini");
    CompanySettings settings;
    settings.values.insert("Skriver_Index", "1");
    ASSERT_TRUE(Timesetu::writeExport(path, settings, {"Kontor HP", "Lager Brother"}, nullptr));
    CompanySettings imported;
    ASSERT_TRUE(Timesetu::readExport(path, {"Lager Brother", "PDF"}, imported, nullptr));
    EXPECT_EQ(imported.values.value("Skriver_Index"), QStringLiteral("0"));
    ASSERT_TRUE(Timesetu::readExport(path, {"PDF"}, imported, nullptr));
    EXPECT_EQ(imported.values.value("Skriver_Index"), QStringLiteral("-1"));  // not here: none
}

TEST_F(TempEnvTest, VersionInAFolderTheUserMayNotReadIsListedWithTheReason)
{
    const QString root = dir() + QStringLiteral("/backup/");
    ASSERT_TRUE(testenv::writeFile(root + "2026-12-01_080000/veltrona.ini", "[STANDARD]\r\nFirma_Navn=A\r\n"));
    ASSERT_TRUE(testenv::writeFile(root + "2026-12-02_080000/veltrona.ini", "[STANDARD]\r\nFirma_Navn=B\r\n"));
    QString why;
    ASSERT_TRUE(testenv::OrdinaryUser::handOver(dir(), &why)) << qPrintable(why);
    fh::chmodPath(root + "2026-12-02_080000", 0);
    QList<Timesetu::Version> versions;
    {
        testenv::OrdinaryUser user;
        ASSERT_TRUE(user.ok()) << qPrintable(user.why());
        versions = Timesetu::savedVersions(root);
    }
    fh::chmodPath(root + "2026-12-02_080000", 0755);
    ASSERT_EQ(versions.size(), 2);
    EXPECT_TRUE(versions[0].error.contains(QStringLiteral("kan ikke leses"))) << versions[0].error.toStdString();
    EXPECT_TRUE(versions[0].settings.values.isEmpty());
    EXPECT_EQ(versions[1].settings.values.value("Firma_Navn"), QStringLiteral("A"));
}

} // namespace

// --- The window ---------------------------------------------------------------------------------

class HistoryTest : public OppsettTest {
protected:
    // One version on disk: the settings before a save that changed four fields.
    void SetUp() override
    {
        OppsettTest::SetUp();
        ASSERT_TRUE(testenv::writeFile(etc() + "FIRMA.TXB", "Maler\r\n"));
        openSettings(standard({"Arbeid_ArbeidstidStart=08:00", "Firma_Navn=Gammelt", "Avdeling1=Verksted",
                               "KroneAvrunding=1"}));
        TOppsettDialog &d = dialog();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));  // Alt+H goes to the active window
        d.bNavn->setText(QStringLiteral("Nytt"));
        d.avdeling1->setText(QStringLiteral("Lager"));
        d.Kravrunding->setChecked(false);
        TOppsettDialog::setMemoLines(d.Bransjetekst, {"Maler", "Murer"});
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        ASSERT_TRUE(d.Lagret);
    }

    // Opens the history with Alt+H and runs act on it; closes it when act leaves it open.
    void inHistory(const std::function<void(THistorikkForm &)> &act)
    {
        onNextModal([act](QWidget *w) {
            auto *form = qobject_cast<THistorikkForm *>(w);
            ASSERT_NE(form, nullptr) << w->metaObject()->className();
            act(*form);
            if (form->isVisible())
                form->reject();
        });
        // The button's access key clicks it a moment later, as a click the user can see.
        dialog().activateWindow();  // the offscreen platform leaves no window active after a file dialog
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog()));
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &dialog(), Qt::Key_H, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([this] { return modalSeen(); }));
    }

    // Answers the next file dialog with path.
    void chooseFile(const QString &path)
    {
        onNextModal([path](QWidget *w) {
            auto *files = qobject_cast<QFileDialog *>(w);
            ASSERT_NE(files, nullptr) << w->metaObject()->className();
            // Typed into the name field, as a user would (selectFile leaves a field with the focus alone).
            auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(path);
            static_cast<QDialog *>(files)->accept();
        });
    }

    static QTreeWidgetItem *difference(THistorikkForm &form, const QString &key)
    {
        for (QTreeWidgetItemIterator it(form.Forskjeller); *it; ++it) {
            if ((*it)->data(0, Qt::UserRole).toString() == key)
                return *it;
        }
        return nullptr;
    }

    void expectOldFields()
    {
        TOppsettDialog &d = dialog();
        EXPECT_EQ(d.bNavn->text(), QStringLiteral("Gammelt"));
        EXPECT_EQ(d.avdeling1->text(), QStringLiteral("Verksted"));
        EXPECT_TRUE(d.Kravrunding->isChecked());
        EXPECT_EQ(TOppsettDialog::memoLines(d.Bransjetekst), QStringList{"Maler"});
    }
};

enum class Undo { Hent, Avbryt };
struct UndoRow {
    const char *name;
    Undo by;
};

void PrintTo(const UndoRow &row, std::ostream *os) { *os << row.name; }

class HistoryRestoreAll : public HistoryTest, public ::testing::WithParamInterface<UndoRow> {};

TEST_P(HistoryRestoreAll, EnterBringsBackEveryDifferenceUnsavedAndIsUndoneLikeAnyEdit)
{
    const QByteArray saved = testenv::readFile(ini());
    inHistory([&](THistorikkForm &form) {
        ASSERT_EQ(form.windowTitle(), QStringLiteral("Tidligere versjoner"));
        ASSERT_EQ(form.Versjoner->topLevelItemCount(), 1);
        EXPECT_EQ(form.Versjoner->currentItem(), form.Versjoner->topLevelItem(0));
        EXPECT_EQ(QApplication::focusWidget(), form.Versjoner);
        EXPECT_EQ(form.Versjoner->topLevelItem(0)->text(2), QStringLiteral("4"));
        const QTreeWidgetItem *name = difference(form, "Firma_Navn");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->parent()->text(0), QStringLiteral("Firma"));
        EXPECT_EQ(name->text(0), QStringLiteral("Firmanavn"));
        EXPECT_EQ(name->text(1), QStringLiteral("Gammelt"));
        EXPECT_EQ(name->text(2), QStringLiteral("Nytt"));
        EXPECT_EQ(name->checkState(0), Qt::Checked);
        QTest::keyClick(form.Versjoner, Qt::Key_Return);
        EXPECT_FALSE(form.isVisible());
    });
    expectOldFields();
    EXPECT_EQ(testenv::readFile(ini()), saved);  // nothing written yet

    TOppsettDialog &d = dialog();
    if (GetParam().by == Undo::Hent) {
        QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
        EXPECT_EQ(d.bNavn->text(), QStringLiteral("Nytt"));
        EXPECT_FALSE(d.Kravrunding->isChecked());
        EXPECT_EQ(TOppsettDialog::memoLines(d.Bransjetekst), (QStringList{"Maler", "Murer"}));
    } else {
        QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    }
    EXPECT_EQ(testenv::readFile(ini()), saved);
    EXPECT_EQ(testenv::readFile(etc() + "FIRMA.TXB"), QByteArray("Maler\r\nMurer\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Undo, HistoryRestoreAll,
                         ::testing::Values(UndoRow{"Hent", Undo::Hent}, UndoRow{"Avbryt", Undo::Avbryt}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(HistoryTest, OneCheckedDifferenceIsAllThatComesBackAndOkSavesIt)
{
    inHistory([&](THistorikkForm &form) {
        for (QTreeWidgetItemIterator it(form.Forskjeller); *it; ++it) {
            if ((*it)->flags() & Qt::ItemIsUserCheckable)
                (*it)->setCheckState(0, Qt::Unchecked);
        }
        EXPECT_FALSE(form.GjenopprettBtn->isEnabled());
        difference(form, "Avdeling1")->setCheckState(0, Qt::Checked);
        QTest::mouseClick(form.GjenopprettBtn, Qt::LeftButton);
    });
    TOppsettDialog &d = dialog();
    EXPECT_EQ(d.avdeling1->text(), QStringLiteral("Verksted"));
    EXPECT_EQ(d.bNavn->text(), QStringLiteral("Nytt"));
    EXPECT_FALSE(d.Kravrunding->isChecked());
    QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(storedValue("Avdeling1"), QStringLiteral("Verksted"));
    EXPECT_EQ(storedValue("Firma_Navn"), QStringLiteral("Nytt"));
}

TEST_F(HistoryTest, VersionWithAFileThatCannotBeReadIsListedWithTheReasonAndCannotBeRestored)
{
    const QString folder = suite() + "backup/" + Timesetu::backupFolders(suite() + "backup").last() + "/";
    ASSERT_TRUE(QFile::remove(folder + "FIRMA.TXB"));
    ASSERT_TRUE(QDir().mkpath(folder + "FIRMA.TXB"));  // unreadable as a file, even for root
    inHistory([&](THistorikkForm &form) {
        ASSERT_EQ(form.Versjoner->topLevelItemCount(), 1);
        EXPECT_EQ(form.Versjoner->topLevelItem(0)->text(2), QStringLiteral("Kan ikke leses"));
        EXPECT_TRUE(form.Merknad->text().contains(QStringLiteral("FIRMA.TXB"))) << form.Merknad->text().toStdString();
        EXPECT_FALSE(form.GjenopprettBtn->isEnabled());
        QTest::keyClick(form.Versjoner, Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
    });
    EXPECT_EQ(dialog().bNavn->text(), QStringLiteral("Nytt"));
}

TEST_F(HistoryTest, ExportThenImportGivesTheSameFieldsAndABadFileChangesNothing)
{
    TOppsettDialog &d = dialog();
    // Blanks at the ends, quotes, a backslash, letters the code page lacks, lines that look like INI.
    d.bNavn->setText(QStringLiteral("  Blåbær \"AS\" \\ ≈ "));
    d.ArbeidStart->setText(QStringLiteral("7:30"));
    d.FakturaDager->setEditText(QStringLiteral("45 dager"));
    d.Kravrunding->setChecked(true);
    TOppsettDialog::setMemoLines(d.Memo, {"  innrykk", "", "\"sitat\"", "≈ linje", "[STANDARD]", "; ikke kommentar"});
    TOppsettDialog::setMemoLines(d.Leveringstekst, {});
    const CompanySettings exported = d.storedSettings();
    const QString file = work() + QStringLiteral("/firma.ini");
    inHistory([&](THistorikkForm &form) {
        chooseFile(file);
        QTest::mouseClick(form.EksporterBtn, Qt::LeftButton);
    });
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_TRUE(testenv::readFile(file).startsWith("\xFF\xFE"));  // UTF-16: "≈" is not in the code page

    QStringList noise;
    for (int i = 0; i < 5; ++i)
        noise << QStringLiteral("Annet %1").arg(i);
    d.bNavn->setText(QStringLiteral("Annet"));
    d.ArbeidStart->setText(QString());
    d.FakturaDager->setEditText(QStringLiteral("14 dager"));
    d.Kravrunding->setChecked(false);
    TOppsettDialog::setMemoLines(d.Memo, noise);
    TOppsettDialog::setMemoLines(d.Leveringstekst, noise);
    const CompanySettings before = d.storedSettings();

    // A file with a key outside the company settings: the message, and nothing changes.
    const QString bad = work() + QStringLiteral("/feil.ini");
    ASSERT_TRUE(testenv::writeFile(bad, kHeader + "[STANDARD]\r\nFirma_Navn=Feil\r\nUkjent=1\r\n"));
    QString message;
    inHistory([&](THistorikkForm &form) {
        onNextModal([&](QWidget *w) {
            auto *files = qobject_cast<QFileDialog *>(w);
            ASSERT_NE(files, nullptr);
            onNextModal([&](QWidget *box) {
                message = qobject_cast<QMessageBox *>(box) ? qobject_cast<QMessageBox *>(box)->text() : QString();
                qobject_cast<QDialog *>(box)->accept();
            });
            files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(bad);
            static_cast<QDialog *>(files)->accept();
        });
        QTest::mouseClick(form.ImporterBtn, Qt::LeftButton);
        EXPECT_EQ(form.Versjoner->topLevelItemCount(), 1);
    });
    EXPECT_TRUE(message.contains(QStringLiteral("Ukjent"))) << message.toStdString();
    EXPECT_TRUE(d.storedSettings().values == before.values && d.storedSettings().texts == before.texts);

    inHistory([&](THistorikkForm &form) {
        chooseFile(file);
        QTest::mouseClick(form.ImporterBtn, Qt::LeftButton);
        ASSERT_EQ(form.Versjoner->topLevelItemCount(), 2);
        EXPECT_EQ(form.Versjoner->currentItem(), form.Versjoner->topLevelItem(0));
        EXPECT_EQ(form.Versjoner->currentItem()->text(0), QStringLiteral("Fil: firma.ini"));
        QTest::mouseClick(form.GjenopprettBtn, Qt::LeftButton);
    });
    const CompanySettings imported = d.storedSettings();
    EXPECT_EQ(imported.values, exported.values);
    EXPECT_EQ(imported.texts, exported.texts);
    EXPECT_EQ(d.bNavn->text(), QStringLiteral("  Blåbær \"AS\" \\ ≈ "));
    EXPECT_EQ(d.ArbeidStart->text(), QStringLiteral(" 7:30"));
}
