// The settings dialog page by page: its controls, what it shows after loading, what it writes after
// edits made with real key and mouse events.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QAbstractButton>
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
#include "support/foundation_helpers.h"
#include "support/test_names.h"

using Timesetu::Kind;

namespace {

// What a control shows, as one text: a field's text, a box's check state, a list's choice.
QString shown(QWidget *w)
{
    if (auto *t = qobject_cast<MaskedTimeEdit *>(w))
        return t->time();
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

// Every caption of the seven pages, as Parts 4.1 and 4.4 give them, blanks and access keys included.
// The table is written out here (object name, text), and every caption the window has must be in it.
TEST_F(OppsettTest, EveryCaptionOfTheSevenPagesIsTheSpecifiedText)
{
    const QList<QPair<const char *, const char *>> table = {
        // The tabs (by their pages), then each page from top to bottom.
        {"TabFirma", "&Firma"}, {"TabAvdeling", "&Avdeling"}, {"TabArbeid", "Arbei&d"}, {"TabRegnskap", "&Regnskap"},
        {"TabFaktura", "Faktura"}, {"TabUtskrift", "&Utskrift"}, {"TabTekster", "&Tekster"},
        // "&Firma"
        {"Label_bNavn", "Firmanavn"}, {"Label_bPostAdr", "Postadresse"}, {"Label_bGateAdr", "Gateadresse"},
        {"Label_bPostNr", "Poststed"}, {"Label_bEmail", "E-post"}, {"Label_internett", "Internett"},
        {"Label_bOrgnr", "Org.nr."}, {"Label_bKontoNr", "Kontonr."}, {"Label_bTelefon", "Telefon"},
        {"Label_bTelefax", "Telefax"}, {"Label_bMobil", "Mobil"}, {"OppslagBtn", "Slå &opp"},
        // "&Avdeling"
        {"Label_Timekonto", "Time&konto"}, {"Label_Avdeling", "&Avdeling"}, {"Label_Timekonto9", "Sykelønn"},
        // "Arbei&d"
        {"Label_ArbeidStart", "Normalarbeidstid  start"}, {"Label_ArbeidSlutt", "Normalarbeidstid slutt"},
        {"GroupPauser", "&Pauser"}, {"Label_kl", "kl."}, {"Label_minutt", "minutt"},
        {"GroupGodtgjersle", "Godtgjersle:"}, {"Label_personbil", "personbil"}, {"Label_passasjer", "passasjer"},
        {"Label_henger", "henger"}, {"Label_utstyr", "utstyr"}, {"Label_Diett", "Diettpenger"},
        {"RadioGroupBorte", "Bortetillegg"}, {"RadioGroupBorteKroner", "Kroner"}, {"RadioGroupBorteProsent", "Prosent"},
        {"GroupTimepriser", "Timepriser ut:"}, {"Label_atk", "Kostpris"}, {"Label_ato", "Ordinær"}, {"Label_at5", "50%"},
        {"Label_at1", "100%"}, {"Label_atreise", "Reise"}, {"GroupBiltakster", " Biltakster ut: "},
        {"Label_Kmpris", "Kmpris ut"},
        // "&Regnskap"
        {"GroupKontoer", " Standard kontoer: "}, {"Label_Konto1", "Faktura ut:"}, {"Label_Konto2", "Kundefordringer:"},
        {"Label_Konto3", "Bankkonto:"}, {"Label_Konto4", "Oppgjørskonto MVA:"}, {"Label_Konto5", "Leverandørgjeld:"},
        {"Label_Kasse", "Kassekonto:"}, {"GroupAvgifter", " Avgifter: "}, {"Label_mva", "Merverdi avgift 1 %"},
        {"Label_mva2", "Merverdi avgift 2 %"}, {"Label_mva3", "Merverdi avgift 3 %"},
        {"Label_mva4", "Merverdi avgift 4 %"}, {"Label_Arbavg", "Arbeidgiveravgift %"},
        // "Faktura"
        {"Label_FakturaDager", "Antall dager til forfall"}, {"Label_FGebyr", "Fakturagebyr"},
        {"Label_FGebyrUnder", "Fakturagebyr under..."}, {"Label_PGebyr", "Purregebyr"},
        {"Label_Fakturatekst1", "Tekst på faktura"}, {"Label_Purretekst1", "Tekst på purring"},
        {"SporGebyr", "Spør etter gebyr"}, {"Kravrunding", "Krone avrunding (opp)"}, {"Kr4Avrunding", "Avrund 4 kroner"},
        {"Label_RentenotaPros", "Rentenota prosent"},
        // "&Utskrift"
        {"Label_Skriver", "Skriver:"}, {"StandardSkriver", "Bruk standardskriver"}, {"Orientering", "Liggende ark"},
        {"FortryktBrev", "Bruk fortrykte brevark"}, {"BrevSidenummer", "Sidenummer på ark"},
        {"Label_SprakPaUtskrifter", "Språk på utskrifter:"}, {"UseLang", "Bruk oversetting"}, {"Label_LangExt", "Språk:"},
        {"VisSkriver", "Direkte utskrift"}, {"LHJH", "Høyrejuster header"}, {"konvolutt", "Mat inn konvolutt på langs"},
        {"Label_FontHeader", "Headerfont:"}, {"GroupMarger", " Marger i millimeter: "}, {"Label_topp", "topp:"},
        {"Label_bunn", "bunn:"}, {"Label_venstre", "venstre:"}, {"Label_hoyre", "høyre:"}, {"Label_Giro", "giro:"},
        {"Label_LogoJust", "logojustering:"},
        // "&Tekster": the inner tabs (by their fields)
        {"Memo", "Standardtekster"}, {"SdtTekst", "Tekst for henting av vare"}, {"StdTekst2", "Salgstekster"},
        {"Bransjetekst", "Bransjer"}, {"Leveringstekst", "Leveringsmåte"},
    };
    openSettings(QByteArray());
    TOppsettDialog d;
    // What the window shows as the caption of a part.
    auto caption = [&](QWidget *w) -> QString {
        for (QTabWidget *tabs : {d.PageControl1, d.PageControl2}) {
            if (tabs->indexOf(w) >= 0)
                return tabs->tabText(tabs->indexOf(w));
        }
        if (auto *l = qobject_cast<QLabel *>(w))
            return l->text();
        if (auto *g = qobject_cast<QGroupBox *>(w))
            return g->title();
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            return b->text();
        return QStringLiteral("<no caption>");
    };
    QSet<QString> named;
    for (const auto &[name, text] : table) {
        const QString objectName = QLatin1String(name);
        named << objectName;
        const QList<QWidget *> found = d.findChildren<QWidget *>(objectName);
        ASSERT_EQ(found.size(), 1) << name;
        EXPECT_EQ(caption(found.first()), QString::fromUtf8(text)) << name;
        EXPECT_TRUE(d.PageControl1->isAncestorOf(found.first())) << name;
    }
    // No caption on the pages is left out of the table (the parts of lists, spin boxes, tab bars and
    // fields, such as a tab bar's scroll buttons or a hint's sign, are no captions).
    for (QWidget *w : d.PageControl1->findChildren<QWidget *>()) {
        bool part = false;
        for (QWidget *p = w->parentWidget(); p && !part; p = p->parentWidget())
            part = qobject_cast<QTabBar *>(p) || qobject_cast<QLineEdit *>(p) || qobject_cast<QComboBox *>(p)
                || qobject_cast<QAbstractSpinBox *>(p) || qobject_cast<QPlainTextEdit *>(p);
        if (part || qobject_cast<QTabBar *>(w))
            continue;
        const bool captioned = qobject_cast<QLabel *>(w) || qobject_cast<QGroupBox *>(w)
            || (qobject_cast<QAbstractButton *>(w) && !static_cast<QAbstractButton *>(w)->text().isEmpty());
        if (captioned) {
            EXPECT_TRUE(named.contains(w->objectName()))
                << "not in the table: " << w->metaObject()->className() << " \"" << caption(w).toStdString() << "\" "
                << w->objectName().toStdString();
        }
    }
}

// The captions and check boxes of a page are sized to their text when the page is first shown, not
// when the window is made: each must then be as high as its text and at least as wide, the bold
// captions in bold.
TEST_F(OppsettTest, EveryCaptionFitsItsTextWhenItsPageIsShown)
{
    TOppsettDialog &d = dialog();
    int checked = 0;
    for (int i = 0; i < d.PageControl1->count(); ++i) {
        d.PageControl1->setCurrentIndex(i);
        for (QWidget *w : d.PageControl1->widget(i)->findChildren<QWidget *>()) {
            // "Sykelønn" stands in a field's place and has a field's size.
            const bool caption = qobject_cast<QLabel *>(w) && w->objectName().startsWith(QLatin1String("Label_"))
                && w->objectName() != QLatin1String("Label_Timekonto9");
            if (!caption && !qobject_cast<QCheckBox *>(w))
                continue;
            const QSize text = w->sizeHint();
            EXPECT_EQ(w->height(), text.height()) << qPrintable(w->objectName());
            EXPECT_GE(w->width(), text.width()) << qPrintable(w->objectName());
            ++checked;
        }
    }
    EXPECT_EQ(checked, 56 + 11);
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
        // A stored text the time field cannot show stays as it is until the field is edited.
        ConversionRow{u"Arbeid_PauseTid4", u"7:30:00", u" 7:30", u"7:30:00"},
        ConversionRow{u"Skriver_Index", u"7", u"-1", u"-1"},
        ConversionRow{u"Skriver_Index", u"-1", u"-1", u"-1"},
        ConversionRow{u"Skriver_Index", u"2", u"2", u"2"},
        ConversionRow{u"Skriver_Index", nullptr, u"0", u"0"},
        ConversionRow{u"FakturaDager", u"21 dager", u"21 dager", u"21 dager"},
        ConversionRow{u"Skriver_HeaderFont", u"Garamond", u"Garamond", u"Garamond"},
        ConversionRow{u"Firma_Navn", u"AS \"Øst\" ; ja", u"AS \"Øst\" ; ja", u"AS \"Øst\" ; ja"}),
    testnames::by([](const ConversionRow &r) { return std::u16string(r.key) + u" " + (r.stored ? r.stored : u"absent"); }));

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

// Every field holds a value of its own, typed or set by mouse; "O&k" on a new file
// writes "STANDARD" in the save order. The expected block is written out here, not built
// from the catalogue, so that two swapped keys, fields or steps fail.
TEST_F(OppsettTest, OkOnANewFileWritesTheWholeSectionInTheSaveOrder)
{
    openSettings(QByteArray());
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    const struct {
        QLineEdit *field;
        const char *text;
    } texts[] = {
        {d.avdeling1, "Verksted"}, {d.avdeling2, "Montasje"}, {d.avdeling3, "Lager"}, {d.avdeling4, "Kontor"},
        {d.avdeling5, "Salg"}, {d.avdeling6, "Service"}, {d.avdeling7, "Transport"}, {d.avdeling8, "Innkjøp"},
        {d.timekonto1, "5001"}, {d.timekonto2, "5002"}, {d.timekonto3, "5003"}, {d.timekonto4, "5004"},
        {d.Timekonto5, "5005"}, {d.Timekonto6, "5006"}, {d.Timekonto7, "5007"}, {d.Timekonto8, "5008"},
        {d.Timekonto9, "5090"},
        {d.personbil, "3,50"}, {d.henger, "1,10"}, {d.utstyr, "0,60"}, {d.passasjer, "1,00"},
        {d.atk, "350"}, {d.ato, "650"}, {d.at5, "975"}, {d.at1, "1300"}, {d.atreise, "450"}, {d.Kmpris, "4,50"},
        {d.Diett, "315"},
        {d.bNavn, " Fjordtre AS "}, {d.bPostAdr, "Postboks 14"}, {d.bGateAdr, "Strandveien 3"}, {d.bPostNr, "6800"},
        {d.bPostSted, "Førde"}, {d.bEmail, "post@fjordtre.no"}, {d.bTelefon, "57 72 10 00"},
        {d.bTelefax, "57 72 10 01"}, {d.bMobil, "900 00 000"}, {d.bOrgnr, "123 456 785"},
        {d.bKontoNr, "1234.56.78903"},
        {d.topp, "21"}, {d.bunn, "22"}, {d.venstre, "23"}, {d.hoyre, "24"}, {d.Giro, "-6"}, {d.LogoJust, "12,5"},
        {d.internett, "www.fjordtre.no"},
        {d.Konto1, "3000"}, {d.Konto2, "1500"}, {d.Konto3, "1920"}, {d.Konto4, "2740"}, {d.Konto5, "2400"},
        {d.Kasse, "1900"},
        {d.mva, "25"}, {d.mva2, "15"}, {d.mva3, "12"}, {d.mva4, "6"}, {d.Arbavg, "14,1"},
        {d.Fakturatekst1, "Takk for oppdraget"}, {d.Fakturatekst2, "Betales til konto"},
        {d.Purretekst1, "Purring"}, {d.Purretekst2, "Vennligst betal"},
        {d.FGebyr, "45"}, {d.FGebyrUnder, "500"}, {d.PGebyr, "70"}, {d.RentenotaPros, "9,5"}, {d.LangExt, "en"},
    };
    for (const auto &t : texts) {
        t.field->setFocus();
        t.field->selectAll();  // the margins show "0" on a new file: typed over
        QTest::keyClicks(t.field, QString::fromUtf8(t.text));
    }
    // The times typed as a user types them, into the empty fields.
    const struct {
        MaskedTimeEdit *field;
        const char *keys;
    } times[] = {{d.ArbeidStart, "730"}, {d.ArbeidSlutt, "1545"}, {d.Pausetid1, "1100"}, {d.Pausetid2, "9:00"},
                 {d.PauseTid3, "1315"}, {d.Pausetid4, "1820"}};
    d.PageControl1->setCurrentIndex(2);
    for (const auto &t : times) {
        QTest::mouseClick(t.field, Qt::LeftButton, {}, t.field->rect().center());
        QTest::keyClicks(t.field, QString::fromLatin1(t.keys));
    }
    d.PauseLengd1->setValue(30);
    d.PauseLengd2->setValue(15);
    d.PauseLengd3->setValue(45);
    d.PauseLengd4->setValue(5);
    d.SpinEditBorte->setValue(12);
    d.BorteProsent->setChecked(true);
    d.Skriver->setCurrentIndex(2);
    d.Orientering->setChecked(true);
    d.VisSkriver->setChecked(false);
    d.FortryktBrev->setChecked(true);
    d.BrevSidenummer->setChecked(false);
    d.konvolutt->setChecked(true);
    d.LHJH->setChecked(false);
    d.FontHeader->setEditText(QStringLiteral("Verdana"));
    d.Kravrunding->setChecked(true);
    d.Kr4Avrunding->setChecked(false);
    d.FakturaDager->setCurrentIndex(3);
    d.SporGebyr->setChecked(true);
    d.UseLang->setChecked(false);

    QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    ASSERT_FALSE(d.isVisible()) << "O&k did not close the window";
    const QString expected = QStringLiteral(
        "[STANDARD]\r\n"
        // 1. departments
        "Avdeling1=Verksted\r\nAvdeling2=Montasje\r\nAvdeling3=Lager\r\nAvdeling4=Kontor\r\n"
        "Avdeling5=Salg\r\nAvdeling6=Service\r\nAvdeling7=Transport\r\nAvdeling8=Innkjøp\r\n"
        // 2. hour accounts
        "Arbeid_Timekonto1=5001\r\nArbeid_Timekonto2=5002\r\nArbeid_Timekonto3=5003\r\nArbeid_Timekonto4=5004\r\n"
        "Arbeid_Timekonto5=5005\r\nArbeid_Timekonto6=5006\r\nArbeid_Timekonto7=5007\r\nArbeid_Timekonto8=5008\r\n"
        "Arbeid_Sykelønnskonto=5090\r\n"
        // 3. mileage: car, trailer, equipment, passenger
        "Arbeid_KmSumBil=3,50\r\nArbeid_KmSumHenger=1,10\r\nArbeid_KmSumUtstyr=0,60\r\nArbeid_KmSumPassasjer=1,00\r\n"
        // 4. normal working time
        "Arbeid_ArbeidstidStart= 7:30\r\nArbeid_ArbeidstidSlutt=15:45\r\n"
        // 5. break lengths, 6. break times
        "Arbeid_PauseLengd1=30\r\nArbeid_PauseLengd2=15\r\nArbeid_PauseLengd3=45\r\nArbeid_PauseLengd4=5\r\n"
        "Arbeid_PauseTid1=11:00\r\nArbeid_PauseTid2= 9:00\r\nArbeid_PauseTid3=13:15\r\nArbeid_PauseTid4=18:20\r\n"
        // 7. hourly rates and mileage price
        "Arbeid_Kostpris=350\r\nArbeid_Timepris=650\r\nArbeid_Timepris_50=975\r\nArbeid_Timepris_100=1300\r\n"
        "Arbeid_Reise=450\r\nArbeid_KmUtpris=4,50\r\n"
        // 8.-10. away allowance unit, amount; subsistence
        "Arbeid_BorteProsent=JA\r\nArbeid_Bortetillegg=12\r\nArbeid_Diettpenger=315\r\n"
        // 11. company
        "Firma_Navn= Fjordtre AS \r\nFirma_PostAdresse=Postboks 14\r\nFirma_GateAdresse=Strandveien 3\r\n"
        "Firma_PostNr=6800\r\nFirma_PostSted=Førde\r\nFirma_Epost=post@fjordtre.no\r\nFirma_Telefon=57 72 10 00\r\n"
        "Firma_Telefax=57 72 10 01\r\nFirma_Mobil=900 00 000\r\nFirma_OrgNr=123 456 785\r\n"
        "Firma_KontoNr=1234.56.78903\r\n"
        // 12.-15. printer, landscape, direct printing, pre-printed paper
        "Skriver_Index=2\r\nRotatedView=1\r\nSkriver_VisDialog=0\r\nSkriver_FortryktHeader=1\r\n"
        // 16.-17. margins and giro
        "Skriver_ToppMarg=21\r\nSkriver_BunnMarg=22\r\nSkriver_VenstreMarg=23\r\nSkriver_HoyreMarg=24\r\n"
        "Girojustering=-6\r\n"
        // 18.-22. page numbers, envelope, logo, header alignment, header font, home page
        "Skriver_BrevSidenummer=0\r\nSkriver_Konvolutt=1\r\nSkriver_Logojustering=12,5\r\nPrnLHJH=0\r\n"
        "Skriver_HeaderFont=Verdana\r\nHTML_HomePage=www.fjordtre.no\r\n"
        // 23. posting accounts: receivables before invoices
        "PosteringKontoFordring=1500\r\nPosteringKontoFaktura=3000\r\nPosteringKontoBank=1920\r\n"
        "PosteringKontoMVA=2740\r\nPosteringKontoInnkjøp=2400\r\nPosteringKontoKasse=1900\r\n"
        // 24. rates
        "Satser_MVA=25\r\nSatser_MVA12=15\r\nSatser_MVA3=12\r\nSatser_MVA4=6\r\nSatser_ARBAVG=14,1\r\n"
        // 25.-28. rounding, payment terms, invoice and reminder lines, ask for fee
        "KroneAvrunding=1\r\nKrone4Avrunding=0\r\nFakturaDager=14 dager\r\n"
        "FakturaTekst1=Takk for oppdraget\r\nFakturaTekst2=Betales til konto\r\nPurreTekst1=Purring\r\n"
        "PurreTekst2=Vennligst betal\r\nSpørEtterGebyr=1\r\n"
        // 29. fees, 30. language
        "FakturaGebyr=45\r\nFakturaGebyrUnder=500\r\nPurreGebyr=70\r\nRentenotaProsent=9,5\r\n"
        "UseTranselate=0\r\nTranselateLang=en\r\n"
        "\r\n");
    // Written in the 8-bit code page, as a new file is.
    EXPECT_EQ(sectionOnDisk(QStringLiteral("STANDARD")).toStdString(), expected.toLatin1().toStdString());
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

// A button that silently does nothing when no editor starts would be a failure passed off as
// success (DESIGN.md, section 10, item 21).
TEST_F(OppsettTest, LanguageButtonWithoutAnyEditorLogsTheFileAndTheReason)
{
    textfil::values().LogEnabled = true;
    const QString bin = dir() + QStringLiteral("/empty-bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit());
    openSettings(standard({"TranselateLang=no"}));
    TOppsettDialog &d = dialog();
    d.PageControl1->setCurrentIndex(5);
    QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
    qputenv("PATH", oldPath);
    const QString last = fh::lastOf(fh::logMessages());
    EXPECT_TRUE(last.startsWith(QStringLiteral("FEIL: Kan ikke åpne språkfilen ") + etc() + QStringLiteral("language.no")
                                + QStringLiteral(" i en teksteditor: fant ingen teksteditor")))
        << last.toStdString();
    EXPECT_TRUE(last.contains(QStringLiteral("gnome-text-editor"))) << last.toStdString();
    EXPECT_EQ(textfil::values().ErrorCount, 1);
}

TEST_F(OppsettTest, LanguageButtonLogsXdgOpenThatFindsNoEditor)
{
    textfil::values().LogEnabled = true;
    // Only xdg-open, and it finds nothing to open the file with (its exit code 3).
    const QString bin = dir() + QStringLiteral("/bin");
    ASSERT_TRUE(testenv::writeFile(bin + QStringLiteral("/xdg-open"), "#!/bin/sh\nexit 3\n"));
    QFile::setPermissions(bin + QStringLiteral("/xdg-open"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit() + ":/usr/bin:/bin");
    openSettings(standard({"TranselateLang=en"}));
    TOppsettDialog &d = dialog();
    d.LangExt->setText(QStringLiteral("en"));
    d.PageControl1->setCurrentIndex(5);
    QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
    qputenv("PATH", oldPath);
    const QString expected = QStringLiteral("FEIL: Kan ikke åpne språkfilen ") + etc()
        + QStringLiteral("language.en i en teksteditor: xdg-open avsluttet med kode 3 (fant ikke noe program som kan "
                         "åpne filen)");
    QTRY_COMPARE_WITH_TIMEOUT(fh::lastOf(fh::logMessages()), expected, 20000);
    EXPECT_EQ(textfil::values().ErrorCount, 1);
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
