#include "company_settings/oppsett_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>
#include <memory>
#include <utility>

#include "common/felles.h"
#include "common/utskrift.h"
#include "company_settings/backup.h"
#include "company_settings/catalogue.h"
#include "company_settings/enhetsregister_form.h"
#include "company_settings/field_hints.h"
#include "company_settings/header_font_dialog.h"
#include "company_settings/history_dialog.h"
#include "company_settings/masked_time_edit.h"
#include "company_settings/versions.h"
#include "dialogs/janei.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "platform/printers.h"

using Timesetu::Kind;
using Timesetu::Setting;

namespace {

constexpr int kClientWidth = 619;
constexpr int kClientHeight = 346;
constexpr int kPagesHeight = 293;
constexpr int kEditHeight = 21;
constexpr int kTimeWidth = 62;

// The object name of the caption of a field (or of a heading): "Label_" and the field's name.
QString captionName(const char *name)
{
    return QStringLiteral("Label_") + QLatin1String(name);
}

// --- Button images, drawn here so they look the same under every style -------------------------

QPixmap canvas()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    return pm;
}

QIcon checkMarkIcon()
{
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 128, 0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
    return QIcon(pm);
}

QIcon crossIcon()
{
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(192, 0, 0), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    return QIcon(pm);
}

// "Bruk": a disk, for a save that keeps the window open.
QIcon diskIcon()
{
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setPen(QColor(0, 0, 96));
    p.setBrush(QColor(40, 70, 160));
    p.drawRect(1, 1, 13, 13);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(3, 9, 9, 5);
    return QIcon(pm);
}

// "Hent": an arrow going round, for reading everything again.
QIcon reloadIcon()
{
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0, 90, 170);
    p.setPen(QPen(blue, 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 90 * 16, 270 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawPolygon(QPolygonF({QPointF(7, 0), QPointF(12, 3.2), QPointF(7, 6.4)}));
    return QIcon(pm);
}

// The language button: a sheet of text.
QIcon sheetIcon()
{
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setPen(QColor(80, 80, 80));
    p.setBrush(Qt::white);
    p.drawRect(3, 1, 10, 14);
    p.setPen(QColor(0, 0, 160));
    for (int y = 4; y <= 12; y += 2)
        p.drawLine(5, y, 11, y);
    return QIcon(pm);
}

// "&Historikk": a clock.
QIcon historyIcon()
{
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.4));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(0, 90, 170), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    return QIcon(pm);
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QIcon &icon, int x, int y)
{
    auto *b = new QPushButton(icon, caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, y, 75, 25);
    return b;
}

QFrame *rule(QWidget *page, int x, int y, int w)
{
    auto *f = new QFrame(page);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(x, y, w, 2);
    return f;
}

qint32 spinValue(const QSpinBox *spin)
{
    // Text that is no whole number counts as the lower bound; the value stays within the range.
    qint32 n = 0;
    if (!IniDocument::parseInt(spin->cleanText(), n))
        return spin->minimum();
    return qBound(spin->minimum(), n, spin->maximum());
}

} // namespace

// --- Construction ---------------------------------------------------------------------------------

TOppsettDialog::TOppsettDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("OppsettDialog"));
    setWindowTitle(QStringLiteral("Oppsett"));
    setFont(QFont(QStringLiteral("Arial"), 9));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    setPalette(pal);
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, kClientWidth, kPagesHeight);
    // The pages' font of the suite's Windows programs; where it is missing (the font matcher would
    // pick some unrelated face for it), the window's own Arial.
    // (Looked up among the installed families: asking the font matcher for it costs milliseconds.)
    if (QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"), Qt::CaseInsensitive))
        PageControl1->setFont(QFont(QStringLiteral("MS Sans Serif"), 9));

    struct PageDef {
        const char *name;
        QString caption;
        void (TOppsettDialog::*build)(QWidget *);
    };
    const PageDef pages[] = {
        {"TabFirma", QStringLiteral("&Firma"), &TOppsettDialog::buildFirma},
        {"TabAvdeling", QStringLiteral("&Avdeling"), &TOppsettDialog::buildAvdeling},
        {"TabArbeid", QStringLiteral("Arbei&d"), &TOppsettDialog::buildArbeid},
        {"TabRegnskap", QStringLiteral("&Regnskap"), &TOppsettDialog::buildRegnskap},
        {"TabFaktura", QStringLiteral("Faktura"), &TOppsettDialog::buildFaktura},
        {"TabUtskrift", QStringLiteral("&Utskrift"), &TOppsettDialog::buildUtskrift},
        {"TabTekster", QStringLiteral("&Tekster"), &TOppsettDialog::buildTekster},
    };
    for (const PageDef &def : pages) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(def.name));
        PageControl1->addTab(page, def.caption);
        (this->*def.build)(page);
    }
    PageControl1->setCurrentIndex(0);

    buildButtons();
    Timesetu::installFieldHints(this);
    FormCreate();
}

TOppsettDialog::~TOppsettDialog() = default;

template <class W>
W *TOppsettDialog::add(W *widget, const QString &name)
{
    widget->setObjectName(name);
    controls_.insert(name, widget);
    return widget;
}

QLineEdit *TOppsettDialog::edit(QWidget *page, const char *name, int x, int y, int w)
{
    auto *e = add(new QLineEdit(page), QLatin1String(name));
    e->setGeometry(x, y, w, kEditHeight);
    return e;
}

QLabel *TOppsettDialog::label(QWidget *page, const QString &name, const QString &text, int x, int y, int w)
{
    auto *l = new QLabel(text, page);
    l->setObjectName(name);
    l->move(x, y);
    // Never resized, a caption is sized to its text when its page is first shown: measuring text is
    // slow, and most pages are not opened in a run. The same holds for the check boxes.
    if (w > 0) {
        l->adjustSize();
        l->resize(w, l->height());
    }
    return l;
}

void TOppsettDialog::buildFirma(QWidget *page)
{
    const int cx = 12, fx = 96, w = 260;
    auto row = [](int i) { return 12 + i * 28; };
    const char *captions[] = {"Firmanavn", "Postadresse", "Gateadresse", "Poststed", "E-post", "Internett",
                              "Org.nr.", "Kontonr."};
    const char *captioned[] = {"bNavn", "bPostAdr", "bGateAdr", "bPostNr", "bEmail", "internett", "bOrgnr", "bKontoNr"};
    for (int i = 0; i < 8; ++i)
        label(page, captionName(captioned[i]), QString::fromUtf8(captions[i]), cx, row(i) + 3);
    bNavn = edit(page, "bNavn", fx, row(0), w);
    bPostAdr = edit(page, "bPostAdr", fx, row(1), w);
    bGateAdr = edit(page, "bGateAdr", fx, row(2), w);
    bPostNr = edit(page, "bPostNr", fx, row(3), 50);
    bPostSted = edit(page, "bPostSted", fx + 56, row(3), w - 56);
    bEmail = edit(page, "bEmail", fx, row(4), w);
    internett = edit(page, "internett", fx, row(5), w);
    bOrgnr = edit(page, "bOrgnr", fx, row(6), 150);
    // Beside the number, before "Kontonr." in the tab order; only for a number that passes the check.
    OppslagBtn = new QPushButton(QStringLiteral("Slå &opp"), page);
    OppslagBtn->setObjectName(QStringLiteral("OppslagBtn"));
    OppslagBtn->setToolTip(QStringLiteral("Hent navn og adresse fra Enhetsregisteret"));
    OppslagBtn->setGeometry(fx + 156, row(6) - 1, 75, kEditHeight + 2);
    OppslagBtn->setEnabled(false);
    connect(bOrgnr, &QLineEdit::textChanged, OppslagBtn,
            [this](const QString &text) { OppslagBtn->setEnabled(!Timesetu::orgNrDigits(text).isEmpty()); });
    connect(OppslagBtn, &QPushButton::clicked, this, &TOppsettDialog::OppslagBtnClick);
    bKontoNr = edit(page, "bKontoNr", fx, row(7), 150);

    const int rx = 390, rf = 446;
    label(page, captionName("bTelefon"), QStringLiteral("Telefon"), rx, row(0) + 3);
    label(page, captionName("bTelefax"), QStringLiteral("Telefax"), rx, row(1) + 3);
    label(page, captionName("bMobil"), QStringLiteral("Mobil"), rx, row(2) + 3);
    bTelefon = edit(page, "bTelefon", rf, row(0), 150);
    bTelefax = edit(page, "bTelefax", rf, row(1), 150);
    bMobil = edit(page, "bMobil", rf, row(2), 150);
}

void TOppsettDialog::buildAvdeling(QWidget *page)
{
    QLabel *kontoHeading = label(page, captionName("Timekonto"), QStringLiteral("Time&konto"), 12, 8);
    QLabel *avdHeading = label(page, captionName("Avdeling"), QStringLiteral("&Avdeling"), 100, 8);
    auto row = [](int i) { return 26 + i * 24; };
    QLineEdit **konto[] = {&timekonto1, &timekonto2, &timekonto3, &timekonto4,
                           &Timekonto5, &Timekonto6, &Timekonto7, &Timekonto8};
    const char *kontoNames[] = {"timekonto1", "timekonto2", "timekonto3", "timekonto4",
                                "Timekonto5", "Timekonto6", "Timekonto7", "Timekonto8"};
    QLineEdit **avd[] = {&avdeling1, &avdeling2, &avdeling3, &avdeling4,
                         &avdeling5, &avdeling6, &avdeling7, &avdeling8};
    const char *avdNames[] = {"avdeling1", "avdeling2", "avdeling3", "avdeling4",
                              "avdeling5", "avdeling6", "avdeling7", "avdeling8"};
    // Created row by row, hour account before department: that is the tab order.
    for (int i = 0; i < 8; ++i) {
        *konto[i] = edit(page, kontoNames[i], 12, row(i), 80);
        *avd[i] = edit(page, avdNames[i], 100, row(i), 300);
    }
    Timekonto9 = edit(page, "Timekonto9", 12, row(8), 80);
    auto *syk = new QLabel(QStringLiteral("Sykelønn"), page);
    syk->setObjectName(captionName("Timekonto9"));
    syk->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    syk->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    syk->setIndent(4);
    syk->setGeometry(100, row(8), 120, kEditHeight);
    kontoHeading->setBuddy(timekonto1);
    avdHeading->setBuddy(avdeling1);
}

void TOppsettDialog::buildArbeid(QWidget *page)
{
    auto timeField = [&](QWidget *parent, const char *name, int x, int y) {
        auto *t = add(new MaskedTimeEdit(parent), QLatin1String(name));
        // Room for "07:30" beside the hint sign a partial or impossible time gets.
        t->setGeometry(x, y, kTimeWidth, kEditHeight);
        return t;
    };
    auto spinBox = [&](QWidget *parent, const char *name, int max, int step, int x, int y) {
        auto *s = add(new QSpinBox(parent), QLatin1String(name));
        s->setRange(0, max);
        s->setSingleStep(step);
        s->setGeometry(x, y, 60, 22);
        return s;
    };

    // Left: normal working time and the breaks.
    label(page, captionName("ArbeidStart"), QStringLiteral("Normalarbeidstid  start"), 8, 15);
    ArbeidStart = timeField(page, "ArbeidStart", 146, 12);
    label(page, captionName("ArbeidSlutt"), QStringLiteral("Normalarbeidstid slutt"), 8, 43);
    ArbeidSlutt = timeField(page, "ArbeidSlutt", 146, 40);

    auto *pauser = new QGroupBox(QStringLiteral("&Pauser"), page);
    pauser->setObjectName(QStringLiteral("GroupPauser"));
    pauser->setGeometry(8, 74, 200, 160);
    label(pauser, captionName("kl"), QStringLiteral("kl."), 16, 22);
    label(pauser, captionName("minutt"), QStringLiteral("minutt"), 100, 22);
    const char *timeNames[] = {"Pausetid1", "Pausetid2", "PauseTid3", "Pausetid4"};
    const char *lengthNames[] = {"PauseLengd1", "PauseLengd2", "PauseLengd3", "PauseLengd4"};
    MaskedTimeEdit **times[] = {&Pausetid1, &Pausetid2, &PauseTid3, &Pausetid4};
    QSpinBox **lengths[] = {&PauseLengd1, &PauseLengd2, &PauseLengd3, &PauseLengd4};
    for (int i = 0; i < 4; ++i) {
        const int y = 42 + i * 28;
        *times[i] = timeField(pauser, timeNames[i], 16, y);
        *lengths[i] = spinBox(pauser, lengthNames[i], 60, 5, 100, y);
    }

    // Middle: allowances and the away allowance.
    auto *godt = new QGroupBox(QStringLiteral("Godtgjersle:"), page);
    godt->setObjectName(QStringLiteral("GroupGodtgjersle"));
    godt->setGeometry(216, 4, 194, 230);
    const char *godtCaptions[] = {"personbil", "passasjer", "henger", "utstyr", "Diettpenger"};
    const char *godtNames[] = {"personbil", "passasjer", "henger", "utstyr", "Diett"};
    QLineEdit **godtFields[] = {&personbil, &passasjer, &henger, &utstyr, &Diett};
    for (int i = 0; i < 5; ++i) {
        const int y = 22 + i * 26;
        label(godt, captionName(godtNames[i]), QString::fromUtf8(godtCaptions[i]), 10, y + 3);
        *godtFields[i] = edit(godt, godtNames[i], 96, y, 88);
    }
    RadioGroupBorte = add(new QGroupBox(QStringLiteral("Bortetillegg"), godt), QStringLiteral("RadioGroupBorte"));
    RadioGroupBorte->setGeometry(8, 156, 178, 64);
    BorteKroner = new QRadioButton(QStringLiteral("Kroner"), RadioGroupBorte);
    BorteKroner->setObjectName(QStringLiteral("RadioGroupBorteKroner"));
    BorteKroner->setGeometry(10, 20, 90, 18);
    BorteProsent = new QRadioButton(QStringLiteral("Prosent"), RadioGroupBorte);
    BorteProsent->setObjectName(QStringLiteral("RadioGroupBorteProsent"));
    BorteProsent->setGeometry(10, 40, 90, 18);
    BorteKroner->setChecked(true);
    SpinEditBorte = spinBox(RadioGroupBorte, "SpinEditBorte", 100, 1, 100, 27);
    SpinEditBorte->resize(68, 22);

    // Right: hourly rates and mileage.
    auto *timepriser = new QGroupBox(QStringLiteral("Timepriser ut:"), page);
    timepriser->setObjectName(QStringLiteral("GroupTimepriser"));
    timepriser->setGeometry(416, 4, 190, 158);
    const char *prisCaptions[] = {"Kostpris", "Ordinær", "50%", "100%", "Reise"};
    const char *prisNames[] = {"atk", "ato", "at5", "at1", "atreise"};
    QLineEdit **prisFields[] = {&atk, &ato, &at5, &at1, &atreise};
    for (int i = 0; i < 5; ++i) {
        const int y = 22 + i * 26;
        label(timepriser, captionName(prisNames[i]), QString::fromUtf8(prisCaptions[i]), 10, y + 3);
        *prisFields[i] = edit(timepriser, prisNames[i], 90, y, 90);
    }
    auto *bil = new QGroupBox(QStringLiteral(" Biltakster ut: "), page);
    bil->setObjectName(QStringLiteral("GroupBiltakster"));
    bil->setGeometry(416, 168, 190, 56);
    label(bil, captionName("Kmpris"), QStringLiteral("Kmpris ut"), 10, 27);
    Kmpris = edit(bil, "Kmpris", 90, 24, 90);
}

void TOppsettDialog::buildRegnskap(QWidget *page)
{
    auto *kontoer = new QGroupBox(QStringLiteral(" Standard kontoer: "), page);
    kontoer->setObjectName(QStringLiteral("GroupKontoer"));
    kontoer->setGeometry(8, 8, 290, 190);
    const char *kontoCaptions[] = {"Faktura ut:", "Kundefordringer:", "Bankkonto:", "Oppgjørskonto MVA:",
                                   "Leverandørgjeld:", "Kassekonto:"};
    const char *kontoNames[] = {"Konto1", "Konto2", "Konto3", "Konto4", "Konto5", "Kasse"};
    QLineEdit **kontoFields[] = {&Konto1, &Konto2, &Konto3, &Konto4, &Konto5, &Kasse};
    for (int i = 0; i < 6; ++i) {
        const int y = 24 + i * 26;
        label(kontoer, captionName(kontoNames[i]), QString::fromUtf8(kontoCaptions[i]), 12, y + 3);
        *kontoFields[i] = edit(kontoer, kontoNames[i], 150, y, 120);
    }
    auto *avgifter = new QGroupBox(QStringLiteral(" Avgifter: "), page);
    avgifter->setObjectName(QStringLiteral("GroupAvgifter"));
    avgifter->setGeometry(310, 8, 290, 164);
    const char *avgCaptions[] = {"Merverdi avgift 1 %", "Merverdi avgift 2 %", "Merverdi avgift 3 %",
                                 "Merverdi avgift 4 %", "Arbeidgiveravgift %"};
    const char *avgNames[] = {"mva", "mva2", "mva3", "mva4", "Arbavg"};
    QLineEdit **avgFields[] = {&mva, &mva2, &mva3, &mva4, &Arbavg};
    for (int i = 0; i < 5; ++i) {
        const int y = 24 + i * 26;
        label(avgifter, captionName(avgNames[i]), QString::fromUtf8(avgCaptions[i]), 12, y + 3);
        *avgFields[i] = edit(avgifter, avgNames[i], 160, y, 80);
    }
}

void TOppsettDialog::buildFaktura(QWidget *page)
{
    auto row = [](int i) { return 10 + i * 28; };
    label(page, captionName("FakturaDager"), QStringLiteral("Antall dager til forfall"), 8, row(0) + 3);
    FakturaDager = add(new QComboBox(page), QStringLiteral("FakturaDager"));
    FakturaDager->setEditable(true);
    FakturaDager->setInsertPolicy(QComboBox::NoInsert);
    FakturaDager->addItems(Timesetu::paymentTermItems());
    FakturaDager->setEditText(QString());
    FakturaDager->setGeometry(150, row(0), 120, 22);
    label(page, captionName("FGebyr"), QStringLiteral("Fakturagebyr"), 8, row(1) + 3);
    FGebyr = edit(page, "FGebyr", 150, row(1), 120);
    label(page, captionName("FGebyrUnder"), QStringLiteral("Fakturagebyr under..."), 8, row(2) + 3);
    FGebyrUnder = edit(page, "FGebyrUnder", 150, row(2), 120);
    label(page, captionName("PGebyr"), QStringLiteral("Purregebyr"), 8, row(3) + 3);
    PGebyr = edit(page, "PGebyr", 150, row(3), 120);
    label(page, captionName("Fakturatekst1"), QStringLiteral("Tekst på faktura"), 8, row(4) + 3);
    Fakturatekst1 = edit(page, "Fakturatekst1", 150, row(4), 450);
    Fakturatekst2 = edit(page, "Fakturatekst2", 150, row(5), 450);
    label(page, captionName("Purretekst1"), QStringLiteral("Tekst på purring"), 8, row(6) + 3);
    Purretekst1 = edit(page, "Purretekst1", 150, row(6), 450);
    Purretekst2 = edit(page, "Purretekst2", 150, row(7), 450);

    SporGebyr = add(new QCheckBox(QStringLiteral("Spør etter gebyr"), page), QStringLiteral("SporGebyr"));
    SporGebyr->move(320, row(0) + 2);
    Kravrunding = add(new QCheckBox(QStringLiteral("Krone avrunding (opp)"), page), QStringLiteral("Kravrunding"));
    Kravrunding->move(320, row(1) + 2);
    Kr4Avrunding = add(new QCheckBox(QStringLiteral("Avrund 4 kroner"), page), QStringLiteral("Kr4Avrunding"));
    Kr4Avrunding->move(340, row(2) + 2);
    label(page, captionName("RentenotaPros"), QStringLiteral("Rentenota prosent"), 320, row(3) + 3);
    RentenotaPros = edit(page, "RentenotaPros", 440, row(3), 80);
    // Tab order: the left column from top to bottom, then the right.
    setTabOrder(PGebyr, Fakturatekst1);
    setTabOrder(Purretekst2, SporGebyr);
}

void TOppsettDialog::buildUtskrift(QWidget *page)
{
    auto bold = [&](const char *name, const QString &text, int x, int y) {
        QLabel *l = label(page, captionName(name), text, x, y);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        return l;
    };
    auto check = [&](const char *name, const QString &caption, int x, int y) {
        auto *c = add(new QCheckBox(caption, page), QLatin1String(name));
        c->move(x, y);
        return c;
    };

    bold("Skriver", QStringLiteral("Skriver:"), 8, 6);
    Skriver = add(new QComboBox(page), QStringLiteral("Skriver"));
    Skriver->setGeometry(8, 24, 400, 22);
    StandardSkriver = check("StandardSkriver", QStringLiteral("Bruk standardskriver"), 8, 54);
    Orientering = check("Orientering", QStringLiteral("Liggende ark"), 8, 74);
    FortryktBrev = check("FortryktBrev", QStringLiteral("Bruk fortrykte brevark"), 210, 54);
    BrevSidenummer = check("BrevSidenummer", QStringLiteral("Sidenummer på ark"), 210, 74);
    rule(page, 8, 98, 400);

    bold("SprakPaUtskrifter", QStringLiteral("Språk på utskrifter:"), 8, 106);
    UseLang = check("UseLang", QStringLiteral("Bruk oversetting"), 8, 126);
    label(page, captionName("LangExt"), QStringLiteral("Språk:"), 210, 106);
    LangExt = edit(page, "LangExt", 210, 123, 40);
    SpeedButton1 = new QToolButton(page);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setIcon(sheetIcon());
    SpeedButton1->setToolTip(QStringLiteral("Rediger språkfilen"));
    SpeedButton1->setGeometry(254, 122, 23, 23);
    rule(page, 8, 152, 400);

    VisSkriver = check("VisSkriver", QStringLiteral("Direkte utskrift"), 8, 160);
    VisSkriver->setToolTip(QStringLiteral("Bruker ikke skriver-dialogboks"));
    LHJH = check("LHJH", QStringLiteral("Høyrejuster header"), 8, 180);
    konvolutt = check("konvolutt", QStringLiteral("Mat inn konvolutt på langs"), 8, 200);
    label(page, captionName("FontHeader"), QStringLiteral("Headerfont:"), 210, 160);
    FontHeader = add(new QComboBox(page), QStringLiteral("FontHeader"));
    FontHeader->setEditable(true);
    FontHeader->setInsertPolicy(QComboBox::NoInsert);
    FontHeader->addItems(Timesetu::headerFontItems());  // the list is kept sorted
    FontHeader->setEditText(QString());
    FontHeader->setGeometry(210, 177, 190, 22);
    FontHeader->setToolTip(QStringLiteral("Dobbelklikk for å hent ny font"));
    FontHeader->installEventFilter(this);
    FontHeader->lineEdit()->installEventFilter(this);

    auto *marger = new QGroupBox(QStringLiteral(" Marger i millimeter: "), page);
    marger->setObjectName(QStringLiteral("GroupMarger"));
    marger->setGeometry(420, 6, 186, 196);
    const char *margCaptions[] = {"topp:", "bunn:", "venstre:", "høyre:", "giro:", "logojustering:"};
    const char *margNames[] = {"topp", "bunn", "venstre", "hoyre", "Giro", "LogoJust"};
    QLineEdit **margFields[] = {&topp, &bunn, &venstre, &hoyre, &Giro, &LogoJust};
    for (int i = 0; i < 6; ++i) {
        const int y = 24 + i * 27;
        label(marger, captionName(margNames[i]), QString::fromUtf8(margCaptions[i]), 10, y + 3);
        *margFields[i] = edit(marger, margNames[i], 110, y, 60);
    }
    setTabOrder(Skriver, StandardSkriver);
    setTabOrder(StandardSkriver, Orientering);
    setTabOrder(Orientering, FortryktBrev);

    connect(StandardSkriver, &QCheckBox::toggled, this, &TOppsettDialog::StandardSkriverClick);
    connect(Orientering, &QCheckBox::toggled, this, &TOppsettDialog::OrienteringClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TOppsettDialog::SpeedButton1Click);
}

void TOppsettDialog::buildTekster(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    PageControl2 = new QTabWidget(page);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    PageControl2->setTabPosition(QTabWidget::South);
    layout->addWidget(PageControl2);
    QPlainTextEdit **fields[] = {&Memo, &SdtTekst, &StdTekst2, &Bransjetekst, &Leveringstekst};
    const QList<Timesetu::SideFile> &files = Timesetu::sideFiles();
    for (qsizetype i = 0; i < files.size(); ++i) {
        auto *memo = add(new QPlainTextEdit, files[i].control);
        memo->setTabChangesFocus(true);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);  // one text per line, as in the file
        PageControl2->addTab(memo, files[i].tab);
        *fields[i] = memo;
    }
    PageControl2->setCurrentIndex(PageControl2->count() - 1);  // "Leveringsmåte"
}

void TOppsettDialog::buildButtons()
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, kPagesHeight, kClientWidth, kClientHeight - kPagesHeight);
    const int gap = 8, x0 = kClientWidth - 4 * 75 - 3 * gap - 12, y = 14;
    OKBtn = makeButton(Panel1, "OKBtn", QStringLiteral("O&k"), checkMarkIcon(), x0, y);
    CancelBtn = makeButton(Panel1, "CancelBtn", QStringLiteral("&Avbryt"), crossIcon(), x0 + 75 + gap, y);
    BitBtn1 = makeButton(Panel1, "BitBtn1", QStringLiteral("Bruk"), diskIcon(), x0 + 2 * (75 + gap), y);
    BitBtn3 = makeButton(Panel1, "BitBtn3", QStringLiteral("Hent"), reloadIcon(), x0 + 3 * (75 + gap), y);
    OKBtn->setDefault(true);
    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, BitBtn1);
    setTabOrder(BitBtn1, BitBtn3);
    connect(OKBtn, &QPushButton::clicked, this, &TOppsettDialog::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TOppsettDialog::CancelBtnClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TOppsettDialog::BitBtn1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TOppsettDialog::BitBtn3Click);
    // At the left end, clear of the four buttons at the right; after them in the tab order.
    HistorikkBtn = makeButton(Panel1, "HistorikkBtn", QStringLiteral("&Historikk"), historyIcon(), 12, y);
    setTabOrder(BitBtn3, HistorikkBtn);
    connect(HistorikkBtn, &QPushButton::clicked, this, &TOppsettDialog::HistorikkBtnClick);
    OKBtn->setFocus(Qt::OtherFocusReason);
}

// --- Events ---------------------------------------------------------------------------------------

void TOppsettDialog::FormCreate()
{
    Lagret = false;
}

void TOppsettDialog::FormShow()
{
    setWindowTitle(Timesetu::dialogTitle());
    Les();
}

void TOppsettDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (!shown_) {
        shown_ = true;
        // Centred on the screen, frame included.
        if (const QScreen *s = screen()) {
            const QSize outer = outerRect().size();
            const QPoint c = s->geometry().center();
            move(c.x() - outer.width() / 2, c.y() - outer.height() / 2);  // the frame's position
        }
    }
    FormShow();
}

QRect TOppsettDialog::outerRect()
{
    // The frame as the window system reports it, also before the first show.
    winId();
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    return QRect(pos(), size().grownBy(frame));
}

bool TOppsettDialog::FormClose()
{
    if (ArbeidStart->holdsTime())
        return true;
    // The question centres itself on the reference rectangle; left at 0 it would stand with its
    // centre on the screen's corner, the question itself off the screen. So this window is the
    // reference.
    const QRect outer = outerRect();
    hs_reg::Values &v = hs_reg::values();
    v.RefVenstre = outer.x();
    v.RefTopp = outer.y();
    v.RefBredde = outer.width();
    v.RefHoyde = outer.height();
    return !JaNei::JaNeiSvar(QStringLiteral("Arbeidstid er ikke innlagt, legge det inn nå ?"), true);
}

void TOppsettDialog::closeEvent(QCloseEvent *event)
{
    // Every way of closing (O&k, &Avbryt, Escape, the close box) comes here.
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

void TOppsettDialog::reject()
{
    // Escape acts as "&Avbryt".
    CancelBtnClick();
}

void TOppsettDialog::OKBtnClick()
{
    if (timesReadyToSave() && Skriv())
        close();
}

void TOppsettDialog::CancelBtnClick()
{
    close();
}

void TOppsettDialog::BitBtn1Click()
{
    if (timesReadyToSave())
        Skriv();
}

bool TOppsettDialog::timesReadyToSave()
{
    // The field the user is in has not been left yet: finish it as leaving would.
    for (const QString &name : Timesetu::timeFields())
        static_cast<MaskedTimeEdit *>(control(name))->finishEditing();
    for (const QString &name : Timesetu::timeFields()) {
        auto *field = static_cast<MaskedTimeEdit *>(control(name));
        if (!field->edited() || field->state() != MaskedTimeEdit::State::Partial)
            continue;
        // Nothing is saved: a partial time would be stored as it stands, or silently replaced.
        for (int i = 0; i < PageControl1->count(); ++i) {
            if (PageControl1->widget(i)->isAncestorOf(field))
                PageControl1->setCurrentIndex(i);  // "Arbei&d"
        }
        field->setFocus(Qt::OtherFocusReason);
        field->setCursorPosition(0);
        QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), Timesetu::timeFieldHint(*field), field);
        return false;
    }
    return true;
}

void TOppsettDialog::BitBtn3Click()
{
    Les();
}

void TOppsettDialog::StandardSkriverClick()
{
    if (StandardSkriver->isChecked())
        Skriver->setCurrentIndex(-1);
}

void TOppsettDialog::OrienteringClick()
{
    utskrift::values().landscape = Orientering->isChecked();
}

void TOppsettDialog::FontHeaderDblClick()
{
    QString family;
    if (HeaderFontDialog::choose(this, family))
        FontHeader->setEditText(family);
}

void TOppsettDialog::SpeedButton1Click()
{
    utskrift::values().languageCode = LangExt->text();
    const QString file = utskrift::languagefile();
    // A button that does nothing must not pass for one that worked: no editor is logged.
    const auto report = [file](const QString &reason) {
        textfil::WriteLog(QStringLiteral("FEIL: Kan ikke åpne språkfilen ") + file + QStringLiteral(" i en teksteditor: ")
                          + reason);
    };
    QString reason;
    if (!Felles::runprogram(QStringLiteral("notepad.exe"), file, QString(QLatin1String("")), &reason, report))
        report(reason);
}

void TOppsettDialog::HistorikkBtnClick()
{
    Timesetu::showHistory(this);
    // Back to this window for the keyboard also where no window manager hands it back.
    activateWindow();
}

void TOppsettDialog::OppslagBtnClick()
{
    enhetsregister::lookUp(this);
}

namespace {

// Puts a scratch document in the store's place for as long as it lives, so that the load and save
// of single fields can read and write values without touching the settings file.
class ScratchStore {
public:
    ScratchStore() : real_(std::exchange(hs_reg::values().settingsfile, std::make_unique<IniDocument>())) {}
    ~ScratchStore() { hs_reg::values().settingsfile = std::move(real_); }
    ScratchStore(const ScratchStore &) = delete;
    ScratchStore &operator=(const ScratchStore &) = delete;

private:
    std::unique_ptr<IniDocument> real_;
};

} // namespace

Timesetu::CompanySettings TOppsettDialog::storedSettings()
{
    Timesetu::CompanySettings out;
    {
        const ScratchStore scratch;
        for (const Setting &s : Timesetu::settings()) {
            saveSetting(s);
            out.values.insert(s.key, hs_reg::readstr(s.key));
        }
    }
    for (const Timesetu::SideFile &f : Timesetu::sideFiles())
        out.texts.insert(f.control, memoLines(static_cast<QPlainTextEdit *>(control(f.control))));
    return out;
}

void TOppsettDialog::showSettings(const Timesetu::CompanySettings &settings)
{
    {
        const ScratchStore scratch;
        for (const QString &key : Timesetu::loadOrder()) {
            if (!settings.values.contains(key))
                continue;
            hs_reg::writestr(key, settings.values.value(key));
            loadSetting(*Timesetu::findSetting(key));
        }
    }
    for (const Timesetu::SideFile &f : Timesetu::sideFiles()) {
        if (settings.texts.contains(f.control))
            setMemoLines(static_cast<QPlainTextEdit *>(control(f.control)), settings.texts.value(f.control));
    }
}

bool TOppsettDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && (watched == FontHeader || watched == FontHeader->lineEdit())) {
        FontHeaderDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// --- Load -----------------------------------------------------------------------------------------

void TOppsettDialog::loadSetting(const Setting &s)
{
    QWidget *w = control(s.control);
    switch (s.kind) {
    case Kind::Text: {
        const QString value = hs_reg::readstr(s.key);
        if (auto *e = qobject_cast<QLineEdit *>(w))
            e->setText(value);
        else if (auto *c = qobject_cast<QComboBox *>(w))
            c->setEditText(value);  // whether or not it is one of the list's entries
        break;
    }
    case Kind::Time:
        static_cast<MaskedTimeEdit *>(w)->load(hs_reg::readstr(s.key));
        break;
    case Kind::Number:
        static_cast<QSpinBox *>(w)->setValue(hs_reg::readint(s.key));  // pulled into the range
        break;
    case Kind::NumberAsText:
        static_cast<QLineEdit *>(w)->setText(QString::number(hs_reg::readint(s.key)));
        break;
    case Kind::Flag1:
        static_cast<QCheckBox *>(w)->setChecked(hs_reg::readint(s.key) == 1);
        break;
    case Kind::Flag:
        static_cast<QCheckBox *>(w)->setChecked(hs_reg::readbool(s.key));
        break;
    case Kind::JaNei:
        (hs_reg::readstr(s.key) == QLatin1String("JA") ? BorteProsent : BorteKroner)->setChecked(true);
        break;
    case Kind::PrinterIndex:
        loadPrinters(hs_reg::readint(s.key));
        break;
    }
}

void TOppsettDialog::loadPrinters(qint32 index)
{
    Skriver->clear();
    for (const std::u16string &name : platform::installedPrinters())
        Skriver->addItem(QString::fromStdU16String(name));
    Skriver->setCurrentIndex(index >= 0 && index < Skriver->count() ? index : -1);
    StandardSkriver->setChecked(Skriver->currentIndex() < 0);
}

QStringList TOppsettDialog::memoLines(const QPlainTextEdit *memo)
{
    // Raw text keeps non-breaking spaces; paragraph ends become line ends.
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    // As in the platform's memo: an empty last line is no line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void TOppsettDialog::setMemoLines(QPlainTextEdit *memo, const QStringList &lines)
{
    QString text;
    for (const QString &l : lines)
        text += l + QLatin1Char('\n');
    memo->setPlainText(text);
}

void TOppsettDialog::loadSideFiles()
{
    for (const Timesetu::SideFile &file : Timesetu::sideFiles()) {
        const QString path = Timesetu::sideFilePath(file);
        if (!QFileInfo::exists(path)) {
            unreadSideFiles_.remove(file.control);  // nothing there to lose
            continue;  // the field keeps what it holds
        }
        QByteArray bytes;
        QString reason;
        if (!textfile::readAll(path, bytes, &reason)) {
            unreadSideFiles_.insert(file.control, reason);
            textfil::WriteLog(QStringLiteral("FEIL: kan ikke lese filen ") + path + QStringLiteral(": ") + reason);
            // Only the standard texts are worth a message; the other lists are optional.
            if (file.naming == Timesetu::SideFileName::StandardText) {
                QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Feil"),
                                QStringLiteral("Feil under åpning av filen med standardtekster."), QMessageBox::Ok, this);
                box.exec();
            }
            continue;
        }
        unreadSideFiles_.remove(file.control);
        textfile::Encoding encoding = textfile::Encoding::Ansi;
        const QString text = textfile::decode(bytes, &encoding);
        sideFileEncodings_.insert(file.control, encoding);
        setMemoLines(static_cast<QPlainTextEdit *>(control(file.control)), textfile::splitLines(text));
    }
}

void TOppsettDialog::Les()
{
    for (const QString &key : Timesetu::loadOrder())
        loadSetting(*Timesetu::findSetting(key));
    loadSideFiles();
    Lagret = false;
}

// --- Save -----------------------------------------------------------------------------------------

void TOppsettDialog::saveSetting(const Setting &s)
{
    QWidget *w = control(s.control);
    switch (s.kind) {
    case Kind::Text:
        if (auto *e = qobject_cast<QLineEdit *>(w))
            hs_reg::writestr(s.key, e->text());
        else if (auto *c = qobject_cast<QComboBox *>(w))
            hs_reg::writestr(s.key, c->currentText());
        break;
    case Kind::Time:
        // The five characters; a stored text the field cannot show stays as it was until edited.
        hs_reg::writestr(s.key, static_cast<MaskedTimeEdit *>(w)->storedText());
        break;
    case Kind::Number:
        hs_reg::writeint(s.key, spinValue(static_cast<QSpinBox *>(w)));
        break;
    case Kind::NumberAsText: {
        qint32 n = 0;
        if (!IniDocument::parseInt(static_cast<QLineEdit *>(w)->text(), n))
            n = s.fallback;
        hs_reg::writeint(s.key, n);
        break;
    }
    case Kind::Flag1:
        hs_reg::writeint(s.key, static_cast<QCheckBox *>(w)->isChecked() ? 1 : 0);
        break;
    case Kind::Flag:
        hs_reg::writebool(s.key, static_cast<QCheckBox *>(w)->isChecked());
        break;
    case Kind::JaNei:
        hs_reg::writestr(s.key, BorteProsent->isChecked() ? QStringLiteral("JA") : QStringLiteral("NEI"));
        break;
    case Kind::PrinterIndex:
        hs_reg::writeint(s.key, Skriver->currentIndex());  // -1 when none is selected
        break;
    }
}

void TOppsettDialog::reportFailure(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Bruker oppsett"), text, QMessageBox::Ok, this);
    box.exec();
}

bool TOppsettDialog::saveSideFiles(QStringList &leftOut)
{
    for (const QString &name : Timesetu::sideFileSaveOrder()) {
        const Timesetu::SideFile *file = nullptr;
        for (const Timesetu::SideFile &f : Timesetu::sideFiles()) {
            if (f.control == name)
                file = &f;
        }
        const QString path = Timesetu::sideFilePath(*file);
        if (unreadSideFiles_.contains(name)) {
            leftOut << QStringLiteral("\"%1\" (%2)").arg(path, unreadSideFiles_.value(name));
            continue;
        }
        QString reason;
        if (hs_reg::isReadOnlyFile(path)) {
            // The mark is honoured even where the process could write anyway.
            reason = QStringLiteral("Filen er skrivebeskyttet.");
        } else {
            const textfile::Encoding readIn = sideFileEncodings_.value(name, textfile::Encoding::Ansi);
            textfile::Encoding encoding = textfile::writeBackEncoding(readIn);
            const QByteArray bytes =
                textfile::encode(textfile::joinLines(memoLines(static_cast<QPlainTextEdit *>(control(name)))), encoding);
            if (textfile::writeAtomically(path, bytes, &reason)) {
                if (const QString warning = textfile::formChangeWarning(path, readIn, encoding); !warning.isEmpty())
                    textfil::WriteLog(warning);
                sideFileEncodings_.insert(name, encoding);
                continue;
            }
        }
        reportFailure(QStringLiteral("Kan ikke lagre filen \"%1\". %2").arg(path, reason));
        return false;
    }
    return true;
}

bool TOppsettDialog::Skriv()
{
    // Copies of the files about to be replaced, as they are on disk; a failed backup is only logged.
    QStringList files{hs_reg::values().ininame};
    for (const Timesetu::SideFile &f : Timesetu::sideFiles())
        files << Timesetu::sideFilePath(f);
    Timesetu::backupFiles(files, &Timesetu::suiteBackupFolder);
    for (const QString &key : Timesetu::saveOrder())
        saveSetting(*Timesetu::findSetting(key));
    QStringList leftOut;
    if (!saveSideFiles(leftOut))
        return false;
    Lagret = true;
    QString error;
    const bool saved = hs_reg::openmainini(&error);
    QStringList messages;
    if (!saved)
        messages << QStringLiteral("Kan ikke lagre innstillingene: ") + error;
    if (!leftOut.isEmpty()) {
        QString text = leftOut.size() == 1
            ? QStringLiteral("denne filen er ikke lagret:\n%1\n\nDen kunne ikke leses da tekstene ble hentet, og ville "
                             "ellers blitt overskrevet med innhold du ikke har sett. Filen er uendret, og teksten står "
                             "fortsatt i feltet.")
            : QStringLiteral("disse filene er ikke lagret:\n%1\n\nDe kunne ikke leses da tekstene ble hentet, og ville "
                             "ellers blitt overskrevet med innhold du ikke har sett. Filene er uendret, og tekstene står "
                             "fortsatt i feltene.");
        text = text.arg(leftOut.join(QLatin1Char('\n'))) + QStringLiteral(" Trykk \"Hent\" når filen kan leses igjen.");
        if (saved)
            text.prepend(QStringLiteral("Innstillingene er lagret, men "));
        else
            text[0] = text[0].toUpper();
        messages << text;
    }
    if (!messages.isEmpty())
        reportFailure(messages.join(QStringLiteral("\n\n")));
    return messages.isEmpty();
}
