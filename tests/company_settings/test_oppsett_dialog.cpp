// The settings dialog page by page: its controls, what it shows after loading, what it writes after
// edits made with real key and mouse events.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QListWidget>
#include <QToolButton>
#include <QTest>
#include <gmock/gmock.h>

#include "common/textfile.h"
#include "common/utskrift.h"
#include "company_settings/catalogue.h"
#include "company_settings/header_font_dialog.h"
#include "company_settings/masked_time_edit.h"
#include "dialog_fixture.h"
#include "environment/hs_reg.h"
#include "log/textfil.h"
#include "platform/printers.h"

using Timesetu::Kind;

namespace {

// What a control shows, as one text: a field's text, a box's check state, a list's choice.
QString shown(QWidget *w)
{
    if (auto *t = qobject_cast<MaskedTimeEdit *>(w))
        return t->text();
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    if (auto *s = qobject_cast<QSpinBox *>(w))
        return QString::number(s->value());
    if (auto *c = qobject_cast<QCheckBox *>(w))
        return c->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->isEditable() ? c->currentText() : QString::number(c->currentIndex());
    if (auto *g = qobject_cast<QGroupBox *>(w)) {
        for (QRadioButton *r : g->findChildren<QRadioButton *>()) {
            if (r->isChecked())
                return r->text();
        }
    }
    return QStringLiteral("?");
}

} // namespace

// --- The window ---------------------------------------------------------------------------------

TEST_F(OppsettTest, EveryCatalogueControlIsInTheDialogAndEveryFieldInTheCatalogue)
{
    openSettings(QByteArray());
    TOppsettDialog d;
    QSet<QString> fields;
    for (QWidget *w : d.findChildren<QWidget *>()) {
        // Fields: anything that holds a value. Line edits inside combo and spin boxes belong to them,
        // radio buttons to their group.
        if (qobject_cast<QComboBox *>(w->parentWidget()) || qobject_cast<QAbstractSpinBox *>(w->parentWidget()))
            continue;
        if (qobject_cast<QRadioButton *>(w)) {
            fields << w->parentWidget()->objectName();
            continue;
        }
        if (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w)
            || qobject_cast<QCheckBox *>(w) || qobject_cast<QPlainTextEdit *>(w))
            fields << w->objectName();
    }
    QSet<QString> catalogue;
    for (const Timesetu::Setting &s : Timesetu::settings())
        catalogue << s.control;
    for (const Timesetu::SideFile &f : Timesetu::sideFiles())
        catalogue << f.control;
    for (const QString &c : Timesetu::derivedControls())
        catalogue << c;
    EXPECT_EQ(fields, catalogue);
    EXPECT_EQ(catalogue.size(), 91 + 5 + 1);
}

TEST_F(OppsettTest, WindowPagesButtonsAndCaptionBeforeAndAfterShow)
{
    openSettings(QByteArray());
    TOppsettDialog d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Oppsett"));
    EXPECT_FALSE(d.Lagret);
    EXPECT_EQ(d.size(), QSize(619, 346));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    EXPECT_FALSE(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    QStringList tabs;
    for (int i = 0; i < d.PageControl1->count(); ++i)
        tabs << d.PageControl1->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"&Firma", "&Avdeling", "Arbei&d", "&Regnskap", "Faktura", "&Utskrift", "&Tekster"}));
    EXPECT_EQ(d.PageControl1->geometry(), QRect(0, 0, 619, 293));
    EXPECT_EQ(d.PageControl2->tabText(d.PageControl2->currentIndex()), QStringLiteral("Leveringsmåte"));
    EXPECT_EQ(d.PageControl2->tabPosition(), QTabWidget::South);

    QList<QPushButton *> buttons{d.OKBtn, d.CancelBtn, d.BitBtn1, d.BitBtn3};
    QStringList captions;
    for (QPushButton *b : buttons) {
        captions << b->text();
        EXPECT_EQ(b->size(), QSize(75, 25));
        EXPECT_FALSE(b->icon().isNull());
    }
    EXPECT_EQ(captions, (QStringList{"O&k", "&Avbryt", "Bruk", "Hent"}));
    EXPECT_TRUE(d.OKBtn->isDefault());
    EXPECT_LT(d.OKBtn->x(), d.CancelBtn->x());
    EXPECT_EQ(d.VisSkriver->toolTip(), QStringLiteral("Bruker ikke skriver-dialogboks"));
    EXPECT_EQ(d.FontHeader->toolTip(), QStringLiteral("Dobbelklikk for å hent ny font"));

    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Oppsett Verkstolpen SQL versjon 6.11-728 02.10.2012 (init 5.52)"));
    EXPECT_EQ(d.PageControl1->currentIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), d.OKBtn);
    // Tab order of the buttons: O&k, &Avbryt, Bruk, Hent.
    QTest::keyClick(d.OKBtn, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), d.CancelBtn);
    QTest::keyClick(d.CancelBtn, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), d.BitBtn1);
    QTest::keyClick(d.BitBtn1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), d.BitBtn3);
}

// --- Loading ------------------------------------------------------------------------------------

TEST_F(OppsettTest, EmptyFileShowsTheDefaultsOfEveryKind)
{
    openSettings(standard({}));
    TOppsettDialog &d = dialog();
    for (const Timesetu::Setting &s : Timesetu::settings()) {
        QString expected;
        switch (s.kind) {
        case Kind::Text: expected = QString(); break;
        case Kind::Time: expected = QStringLiteral("  :  "); break;
        case Kind::Number: expected = QStringLiteral("0"); break;
        case Kind::NumberAsText: expected = QStringLiteral("0"); break;
        case Kind::Flag1:
        case Kind::Flag: expected = QStringLiteral("unchecked"); break;
        case Kind::JaNei: expected = QStringLiteral("Kroner"); break;
        case Kind::PrinterIndex: expected = QStringLiteral("0"); break;  // the first printer
        }
        EXPECT_EQ(shown(d.control(s.control)), expected) << s.key.toStdString();
    }
    EXPECT_EQ(d.Skriver->count(), 3);
    EXPECT_FALSE(d.StandardSkriver->isChecked());
    EXPECT_FALSE(d.Lagret);
}

TEST_F(OppsettTest, EveryTextKeyLandsInItsOwnField)
{
    QStringList lines;
    for (const Timesetu::Setting &s : Timesetu::settings()) {
        if (s.kind == Kind::Text)
            lines << s.key + QStringLiteral("=v ") + s.key + QStringLiteral(" æøå");
    }
    openSettings(standard(lines));
    TOppsettDialog &d = dialog();
    for (const Timesetu::Setting &s : Timesetu::settings()) {
        if (s.kind == Kind::Text) {
            EXPECT_EQ(shown(d.control(s.control)), QStringLiteral("v ") + s.key + QStringLiteral(" æøå"));
        }
    }
}

TEST_F(OppsettTest, NoPrinterInstalledChecksTheDefaultPrinterBox)
{
    platform::overrideInstalledPrinters(std::vector<std::u16string>{});
    openSettings(standard({"Skriver_Index=0"}));
    TOppsettDialog &d = dialog();
    EXPECT_EQ(d.Skriver->count(), 0);
    EXPECT_EQ(d.Skriver->currentIndex(), -1);
    EXPECT_TRUE(d.StandardSkriver->isChecked());
}

// Stored value -> what the control shows -> what saving writes back.
struct ConversionRow {
    const char16_t *key;
    const char16_t *stored;  // nullptr: key absent
    const char16_t *shows;
    const char16_t *saved;
};

class Conversion : public OppsettTest, public ::testing::WithParamInterface<ConversionRow> {};

TEST_P(Conversion, LoadShowsAndSaveWrites)
{
    const ConversionRow &row = GetParam();
    const QString key = QString::fromUtf16(row.key);
    // A start time, so that closing asks nothing.
    QStringList lines{QStringLiteral("Arbeid_ArbeidstidStart=08:00")};
    if (row.stored)
        lines << key + QLatin1Char('=') + QString::fromUtf16(row.stored);
    openSettings(standard(lines));
    TOppsettDialog &d = dialog();
    EXPECT_EQ(shown(d.control(Timesetu::findSetting(key)->control)), QString::fromUtf16(row.shows));
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);  // "Bruk"
    EXPECT_TRUE(d.Lagret);
    EXPECT_TRUE(sectionOnDisk(QStringLiteral("STANDARD")).contains(
        textfile::joinLines({key + QLatin1Char('=') + QString::fromUtf16(row.saved)}).toLatin1()))
        << sectionOnDisk(QStringLiteral("STANDARD")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Conversion,
    ::testing::Values(
        ConversionRow{u"Arbeid_BorteProsent", u"JA", u"Prosent", u"JA"},
        ConversionRow{u"Arbeid_BorteProsent", u"ja", u"Kroner", u"NEI"},
        ConversionRow{u"Arbeid_BorteProsent", nullptr, u"Kroner", u"NEI"},
        ConversionRow{u"Skriver_VisDialog", u"2", u"unchecked", u"0"},
        ConversionRow{u"Skriver_VisDialog", u"1", u"checked", u"1"},
        ConversionRow{u"SpørEtterGebyr", u"0x1", u"checked", u"1"},
        ConversionRow{u"RotatedView", u"2", u"checked", u"1"},
        ConversionRow{u"KroneAvrunding", u"True", u"unchecked", u"0"},
        ConversionRow{u"Krone4Avrunding", u"$10", u"checked", u"1"},
        ConversionRow{u"Arbeid_PauseLengd1", u"75", u"60", u"60"},
        ConversionRow{u"Arbeid_PauseLengd4", u"abc", u"0", u"0"},
        ConversionRow{u"Arbeid_Bortetillegg", u"-3", u"0", u"0"},
        ConversionRow{u"Arbeid_Bortetillegg", u"101", u"100", u"100"},
        ConversionRow{u"Skriver_ToppMarg", u"12,5", u"0", u"0"},
        ConversionRow{u"Skriver_BunnMarg", u"$10", u"16", u"16"},
        ConversionRow{u"Girojustering", nullptr, u"0", u"0"},
        ConversionRow{u"Girojustering", u"-7", u"-7", u"-7"},
        ConversionRow{u"Skriver_Logojustering", u"12,5", u"12,5", u"12,5"},
        ConversionRow{u"Arbeid_ArbeidstidSlutt", u"7:30", u" 7:30", u" 7:30"},
        ConversionRow{u"Arbeid_ArbeidstidSlutt", nullptr, u"  :  ", u"  :  "},
        ConversionRow{u"Arbeid_PauseTid3", u":", u"  :  ", u"  :  "},
        ConversionRow{u"Skriver_Index", u"7", u"-1", u"-1"},
        ConversionRow{u"Skriver_Index", u"-1", u"-1", u"-1"},
        ConversionRow{u"Skriver_Index", u"2", u"2", u"2"},
        ConversionRow{u"Skriver_Index", nullptr, u"0", u"0"},
        ConversionRow{u"FakturaDager", u"21 dager", u"21 dager", u"21 dager"},
        ConversionRow{u"Skriver_HeaderFont", u"Garamond", u"Garamond", u"Garamond"},
        ConversionRow{u"Firma_Navn", u"AS \"Øst\" ; ja", u"AS \"Øst\" ; ja", u"AS \"Øst\" ; ja"}));

TEST_F(OppsettTest, PrinterIndexOutsideTheListChecksDefaultPrinter)
{
    openSettings(standard({"Skriver_Index=7"}));
    TOppsettDialog &d = dialog();
    EXPECT_EQ(d.Skriver->currentIndex(), -1);
    EXPECT_TRUE(d.StandardSkriver->isChecked());
}

TEST_F(OppsettTest, LandscapeFlagFollowsTheBoxWhenLoadingAndClicking)
{
    openSettings(standard({"RotatedView=1"}));
    TOppsettDialog &d = dialog();
    EXPECT_TRUE(d.Orientering->isChecked());
    EXPECT_TRUE(utskrift::values().landscape);
    hs_reg::writestr(QStringLiteral("RotatedView"), QStringLiteral("0"));
    QTest::mouseClick(d.BitBtn3, Qt::LeftButton);  // "Hent"
    EXPECT_FALSE(d.Orientering->isChecked());
    EXPECT_FALSE(utskrift::values().landscape);
    d.PageControl1->setCurrentIndex(5);
    QTest::mouseClick(d.Orientering, Qt::LeftButton, {}, QPoint(5, d.Orientering->height() / 2));
    EXPECT_TRUE(utskrift::values().landscape);
    // Saving does not touch the language code.
    EXPECT_EQ(utskrift::values().languageCode, QStringLiteral("no"));
}

// --- Saving -------------------------------------------------------------------------------------

TEST_F(OppsettTest, NewFileGetsTheNinetyOneKeysInSaveOrderAndTheHeader)
{
    openSettings(QByteArray());
    TOppsettDialog &d = dialog();
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(d.Lagret);

    const QString now = textfil::datetimetext();
    const QString program = QStringLiteral("/opt/suite.2/bin/bruker-oppsett");
    QStringList header;
    for (const char *prefix : {"CREATED_", "MODIFIED_"}) {
        const QString p = QLatin1String(prefix);
        header << p + "TIME=" + now << p + "NAME=" + ini() << p + "PROGRAM=" + program << p + "USER=" + hs_reg::username()
               << p + "INIVERSION=5.52" << p + "BUILD=728" << p + "LOGIN=" + hs_reg::logintext();
    }
    QStringList standardLines;
    for (const QString &key : Timesetu::saveOrder()) {
        const Timesetu::Setting &s = *Timesetu::findSetting(key);
        QString value;
        switch (s.kind) {
        case Kind::Text: break;
        case Kind::Time: value = QStringLiteral("  :  "); break;
        case Kind::JaNei: value = QStringLiteral("NEI"); break;
        default: value = QStringLiteral("0"); break;
        }
        standardLines << key + QLatin1Char('=') + value;
    }
    const QString expected = QStringLiteral("[INI_SELF]\r\n") + textfile::joinLines(header) + QStringLiteral("\r\n[STANDARD]\r\n")
        + textfile::joinLines(standardLines) + QStringLiteral("\r\n");
    // A new file is written in the 8-bit code page: "ø" is one byte.
    EXPECT_EQ(testenv::readFile(ini()), expected.toLatin1());
    EXPECT_TRUE(testenv::readFile(ini()).contains("Arbeid_Sykel\xF8nnskonto="));
}

TEST_F(OppsettTest, KeysAlreadyThereKeepTheirPlaceAndNewOnesFollow)
{
    openSettings(standard({"LogToFile=1", "Firma_Navn=Gammelt", "Zeta=z"}));
    TOppsettDialog &d = dialog();
    d.bNavn->setText(QStringLiteral("Nytt"));
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    const QByteArray s = sectionOnDisk(QStringLiteral("STANDARD"));
    EXPECT_TRUE(s.startsWith("[STANDARD]\r\nLogToFile=1\r\nFirma_Navn=Nytt\r\nZeta=z\r\nAvdeling1=\r\n")) << s.toStdString();
}

TEST_F(OppsettTest, EditsByKeyAndMouseOnEveryPageAreSaved)
{
    openSettings(standard({}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));

    // "&Firma" and "&Avdeling": typed text, blanks kept as typed.
    QTest::keyClicks(d.bNavn, QStringLiteral(" Fjordtre AS "));
    d.PageControl1->setCurrentIndex(1);
    QTest::keyClicks(d.Timekonto9, QStringLiteral("5090"));
    // "Arbei&d": masked times, spin boxes, radio group.
    d.PageControl1->setCurrentIndex(2);
    d.ArbeidStart->setFocus();
    d.ArbeidStart->selectAll();
    QTest::keyClicks(d.ArbeidStart, QStringLiteral("0730"));
    d.PauseLengd2->setFocus();
    d.PauseLengd2->selectAll();
    QTest::keyClicks(d.PauseLengd2, QStringLiteral("45"));
    QTest::keyClick(d.PauseLengd3, Qt::Key_Up);
    QTest::mouseClick(d.BorteProsent, Qt::LeftButton, {}, QPoint(5, d.BorteProsent->height() / 2));
    // "Faktura": the editable list and a check box.
    d.PageControl1->setCurrentIndex(4);
    d.FakturaDager->setCurrentIndex(3);
    QTest::mouseClick(d.SporGebyr, Qt::LeftButton, {}, QPoint(5, d.SporGebyr->height() / 2));
    // "&Utskrift": margins that are no numbers, a printer chosen from the list.
    d.PageControl1->setCurrentIndex(5);
    d.topp->clear();
    QTest::keyClicks(d.topp, QStringLiteral("ti"));
    d.Giro->clear();
    d.Skriver->setCurrentIndex(2);
    QTest::keyClicks(d.LogoJust, QStringLiteral("x"));
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);

    EXPECT_EQ(storedValue(QStringLiteral("Firma_Navn")), QStringLiteral("Fjordtre AS"));  // file reader trims
    EXPECT_TRUE(sectionOnDisk(QStringLiteral("STANDARD")).contains("\r\nFirma_Navn= Fjordtre AS \r\n"));
    EXPECT_EQ(storedValue(QStringLiteral("Arbeid_Sykelønnskonto")), QStringLiteral("5090"));
    EXPECT_EQ(storedValue(QStringLiteral("Arbeid_ArbeidstidStart")), QStringLiteral("07:30"));
    EXPECT_EQ(storedValue(QStringLiteral("Arbeid_PauseLengd2")), QStringLiteral("45"));
    EXPECT_EQ(storedValue(QStringLiteral("Arbeid_PauseLengd3")), QStringLiteral("5"));  // one step of 5
    EXPECT_EQ(storedValue(QStringLiteral("Arbeid_BorteProsent")), QStringLiteral("JA"));
    EXPECT_EQ(storedValue(QStringLiteral("FakturaDager")), QStringLiteral("14 dager"));
    EXPECT_EQ(storedValue(QStringLiteral("SpørEtterGebyr")), QStringLiteral("1"));
    EXPECT_EQ(storedValue(QStringLiteral("Skriver_ToppMarg")), QStringLiteral("25"));
    EXPECT_EQ(storedValue(QStringLiteral("Girojustering")), QStringLiteral("-4"));
    EXPECT_EQ(storedValue(QStringLiteral("Skriver_Logojustering")), QStringLiteral("x"));
    EXPECT_EQ(storedValue(QStringLiteral("Skriver_Index")), QStringLiteral("2"));
    EXPECT_TRUE(d.isVisible());  // "Bruk" keeps the window open
}

TEST_F(OppsettTest, DefaultPrinterBoxClearsTheChoiceOnlyWhenChecked)
{
    openSettings(standard({"Skriver_Index=1"}));
    TOppsettDialog &d = dialog();
    d.PageControl1->setCurrentIndex(5);
    const QPoint box(5, d.StandardSkriver->height() / 2);
    QTest::mouseClick(d.StandardSkriver, Qt::LeftButton, {}, box);
    EXPECT_EQ(d.Skriver->currentIndex(), -1);
    QTest::mouseClick(d.StandardSkriver, Qt::LeftButton, {}, box);
    EXPECT_FALSE(d.StandardSkriver->isChecked());
    EXPECT_EQ(d.Skriver->currentIndex(), -1);  // unchecking selects nothing
    QTest::mouseClick(d.StandardSkriver, Qt::LeftButton, {}, box);
    d.Skriver->setCurrentIndex(1);  // picked after checking the box: the box stays, the pick is saved
    EXPECT_TRUE(d.StandardSkriver->isChecked());
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(storedValue(QStringLiteral("Skriver_Index")), QStringLiteral("1"));
    QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
    EXPECT_FALSE(d.StandardSkriver->isChecked());
}

TEST_F(OppsettTest, HentDiscardsUnsavedEdits)
{
    openSettings(standard({"Avdeling3=Lager"}));
    TOppsettDialog &d = dialog();
    d.avdeling3->setText(QStringLiteral("Endret"));
    QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(d.avdeling3->text(), QStringLiteral("Lager"));
}

TEST_F(OppsettTest, LanguageButtonSetsTheCodeAndOpensTheLanguageFileInAnEditor)
{
    // A stand-in editor on the PATH records what it was asked to open.
    const QString bin = dir() + QStringLiteral("/bin");
    const QString record = dir() + QStringLiteral("/opened.txt");
    ASSERT_TRUE(testenv::writeFile(bin + QStringLiteral("/gnome-text-editor"),
                                   QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1.part' && mv '%1.part' '%1'\n").arg(record).toUtf8()));
    QFile::setPermissions(bin + QStringLiteral("/gnome-text-editor"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit() + ":" + oldPath);

    openSettings(standard({"TranselateLang=no", "UseTranselate=0"}));
    TOppsettDialog &d = dialog();
    d.LangExt->setText(QStringLiteral("en"));
    d.PageControl1->setCurrentIndex(5);
    QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(utskrift::values().languageCode, QStringLiteral("en"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 20000);
    EXPECT_EQ(testenv::readFile(record), (etc() + QStringLiteral("language.en")).toUtf8());
    qputenv("PATH", oldPath);
    // Loading again does not change the code.
    QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(utskrift::values().languageCode, QStringLiteral("en"));
}

TEST_F(OppsettTest, HeaderFontDoubleClickOffersScalableFontsAndTakesTheFamily)
{
    openSettings(standard({"Skriver_HeaderFont=Arial"}));
    TOppsettDialog &d = dialog();
    d.PageControl1->setCurrentIndex(5);
    onNextModal([](QWidget *w) {
        auto *fd = qobject_cast<HeaderFontDialog *>(w);
        ASSERT_NE(fd, nullptr);
        const auto found = fd->FontList->findItems(QStringLiteral("Liberation Serif"), Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty());
        fd->FontList->setCurrentItem(found.first());
        fd->accept();
    });
    QTest::mouseDClick(d.FontHeader->lineEdit(), Qt::LeftButton);
    EXPECT_TRUE(modalSeen());
    EXPECT_EQ(d.FontHeader->currentText(), QStringLiteral("Liberation Serif"));

    onNextModal([](QWidget *w) {
        // It opens on the font chosen last, not on the name in the field; cancelling changes nothing.
        auto *fd = qobject_cast<HeaderFontDialog *>(w);
        ASSERT_NE(fd, nullptr);
        ASSERT_NE(fd->FontList->currentItem(), nullptr);
        EXPECT_EQ(fd->FontList->currentItem()->text(), QStringLiteral("Liberation Serif"));
        fd->reject();
    });
    d.FontHeader->setEditText(QStringLiteral("Verdana"));
    QTest::mouseDClick(d.FontHeader->lineEdit(), Qt::LeftButton);
    EXPECT_TRUE(modalSeen());
    EXPECT_EQ(d.FontHeader->currentText(), QStringLiteral("Verdana"));
}
