#pragma once
// The company settings dialog, the tool's main window: seven pages of the settings of section
// "STANDARD" and the five side files of standard texts, loaded on show and on "Hent", saved on
// "O&k" and "Bruk".
#include <QDialog>
#include <QHash>
#include <QString>

#include "common/textfile.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QToolButton;
class MaskedTimeEdit;

namespace Timesetu {
struct Setting;
struct CompanySettings;
}

class TOppsettDialog : public QDialog {
    Q_OBJECT
public:
    explicit TOppsettDialog(QWidget *parent = nullptr);
    ~TOppsettDialog() override;

    // False after creation and after every load, true after a save.
    bool Lagret = false;

    void FormShow();
    void StandardSkriverClick();
    // The working-time question; false when the window is to stay open.
    bool FormClose();
    void FormCreate();
    // Fills every field from the settings store and the side files.
    void Les();
    // Stores every field and the side files, then writes the settings file. False when the save
    // stopped on a failure, or left out a side file whose last load failed, which has been shown to
    // the user (the window then stays open with the text in its field).
    bool Skriv();
    void OKBtnClick();
    void CancelBtnClick();
    void BitBtn1Click();
    void BitBtn3Click();
    void FontHeaderDblClick();
    void OrienteringClick();
    void SpeedButton1Click();
    // "&Historikk": the earlier versions, to compare and bring back.
    void HistorikkBtnClick();
    // "Slå &opp": name and addresses from the register, by the number in "Org.nr.".
    void OppslagBtnClick();

    // The company settings as a save would store them now.
    Timesetu::CompanySettings storedSettings();
    // Puts stored values into their fields as loading them would; only the keys and lists given.
    void showSettings(const Timesetu::CompanySettings &settings);

    // The control bound to a designer name.
    QWidget *control(const QString &name) const { return controls_.value(name); }

    // Window parts.
    QTabWidget *PageControl1 = nullptr;
    QTabWidget *PageControl2 = nullptr;  // the inner tabs of "&Tekster"
    QWidget *Panel1 = nullptr;
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr, *BitBtn1 = nullptr, *BitBtn3 = nullptr;
    QPushButton *HistorikkBtn = nullptr;

    // "&Firma"
    QLineEdit *bNavn = nullptr, *bPostAdr = nullptr, *bGateAdr = nullptr, *bPostNr = nullptr, *bPostSted = nullptr,
              *bEmail = nullptr, *bTelefon = nullptr, *bTelefax = nullptr, *bMobil = nullptr, *bOrgnr = nullptr,
              *bKontoNr = nullptr, *internett = nullptr;
    QPushButton *OppslagBtn = nullptr;
    // "&Avdeling"
    QLineEdit *avdeling1 = nullptr, *avdeling2 = nullptr, *avdeling3 = nullptr, *avdeling4 = nullptr,
              *avdeling5 = nullptr, *avdeling6 = nullptr, *avdeling7 = nullptr, *avdeling8 = nullptr;
    QLineEdit *timekonto1 = nullptr, *timekonto2 = nullptr, *timekonto3 = nullptr, *timekonto4 = nullptr,
              *Timekonto5 = nullptr, *Timekonto6 = nullptr, *Timekonto7 = nullptr, *Timekonto8 = nullptr,
              *Timekonto9 = nullptr;
    // "Arbei&d"
    MaskedTimeEdit *ArbeidStart = nullptr, *ArbeidSlutt = nullptr, *Pausetid1 = nullptr, *Pausetid2 = nullptr,
                   *PauseTid3 = nullptr, *Pausetid4 = nullptr;
    QSpinBox *PauseLengd1 = nullptr, *PauseLengd2 = nullptr, *PauseLengd3 = nullptr, *PauseLengd4 = nullptr;
    QLineEdit *atk = nullptr, *ato = nullptr, *at5 = nullptr, *at1 = nullptr, *atreise = nullptr, *Kmpris = nullptr;
    QLineEdit *personbil = nullptr, *passasjer = nullptr, *henger = nullptr, *utstyr = nullptr, *Diett = nullptr;
    QGroupBox *RadioGroupBorte = nullptr;
    QRadioButton *BorteKroner = nullptr, *BorteProsent = nullptr;
    QSpinBox *SpinEditBorte = nullptr;
    // "&Regnskap"
    QLineEdit *Konto1 = nullptr, *Konto2 = nullptr, *Konto3 = nullptr, *Konto4 = nullptr, *Konto5 = nullptr,
              *Kasse = nullptr;
    QLineEdit *mva = nullptr, *mva2 = nullptr, *mva3 = nullptr, *mva4 = nullptr, *Arbavg = nullptr;
    // "Faktura"
    QComboBox *FakturaDager = nullptr;
    QLineEdit *FGebyr = nullptr, *FGebyrUnder = nullptr, *PGebyr = nullptr, *Fakturatekst1 = nullptr,
              *Fakturatekst2 = nullptr, *Purretekst1 = nullptr, *Purretekst2 = nullptr, *RentenotaPros = nullptr;
    QCheckBox *SporGebyr = nullptr, *Kravrunding = nullptr, *Kr4Avrunding = nullptr;
    // "&Utskrift"
    QComboBox *Skriver = nullptr;
    QCheckBox *StandardSkriver = nullptr, *Orientering = nullptr, *BrevSidenummer = nullptr, *FortryktBrev = nullptr,
              *UseLang = nullptr, *VisSkriver = nullptr, *LHJH = nullptr, *konvolutt = nullptr;
    QLineEdit *LangExt = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QComboBox *FontHeader = nullptr;
    QLineEdit *topp = nullptr, *bunn = nullptr, *venstre = nullptr, *hoyre = nullptr, *Giro = nullptr,
              *LogoJust = nullptr;
    // "&Tekster"
    QPlainTextEdit *Memo = nullptr, *SdtTekst = nullptr, *StdTekst2 = nullptr, *Bransjetekst = nullptr,
                   *Leveringstekst = nullptr;

    // A multi-line field's lines, as they are written to its file, and the other way round.
    static QStringList memoLines(const QPlainTextEdit *memo);
    static void setMemoLines(QPlainTextEdit *memo, const QStringList &lines);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFirma(QWidget *page);
    void buildAvdeling(QWidget *page);
    void buildArbeid(QWidget *page);
    void buildRegnskap(QWidget *page);
    void buildFaktura(QWidget *page);
    void buildUtskrift(QWidget *page);
    void buildTekster(QWidget *page);
    void buildButtons();

    template <class W>
    W *add(W *widget, const QString &name);
    QLineEdit *edit(QWidget *page, const char *name, int x, int y, int w);
    QLabel *label(QWidget *page, const QString &name, const QString &text, int x, int y, int w = -1);
    // Before a save: every time field the user left with a partial time is named at the field (its
    // page shown, the focus in it, what is missing in its tooltip); false when there is one.
    bool timesReadyToSave();

    void loadSetting(const Timesetu::Setting &s);
    void saveSetting(const Timesetu::Setting &s);
    void loadPrinters(qint32 index);
    void loadSideFiles();
    // Side files whose last load failed are not written; leftOut names them with the reason.
    bool saveSideFiles(QStringList &leftOut);
    void reportFailure(const QString &text);
    // Position and size of the window with its frame.
    QRect outerRect();

    QHash<QString, QWidget *> controls_;
    QHash<QString, textfile::Encoding> sideFileEncodings_;
    // Side files whose last load failed, by control, with the reason: writing the field over such a
    // file would destroy texts nobody has seen, so saves leave it alone until a load succeeds.
    QHash<QString, QString> unreadSideFiles_;
    bool shown_ = false;
};
