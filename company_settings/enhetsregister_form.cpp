#include "company_settings/enhetsregister_form.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

#include "common/plugins.h"
#include "company_settings/field_hints.h"
#include "company_settings/oppsett_dialog.h"
#include "company_settings/register_plugin.h"
#include "log/textfil.h"

namespace {

// While the register is asked: the busy pointer, and a window whose "&Avbryt", Escape or close box
// stops the request. Modal, so that nothing in the dialog changes under the look-up.
class TVentForm final : public QDialog {
public:
    TVentForm(QWidget *parent, const QString &digits, RegisterClient &client) : QDialog(parent), client_(client)
    {
        setObjectName(QStringLiteral("VentForm"));
        setWindowTitle(QStringLiteral("Slår opp i Enhetsregisteret"));
        setWindowModality(Qt::ApplicationModal);
        auto *layout = new QVBoxLayout(this);
        auto *text = new QLabel(QStringLiteral("Spør Enhetsregisteret om organisasjonsnummer %1 ...")
                                    .arg(enhetsregister::shown(digits)),
                                this);
        auto *bar = new QProgressBar(this);
        bar->setRange(0, 0);  // no measure of how far it has come: just that it is under way
        bar->setTextVisible(false);
        auto *stop = new QPushButton(QStringLiteral("&Avbryt"), this);
        stop->setObjectName(QStringLiteral("StoppBtn"));
        auto *buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(stop);
        layout->addWidget(text);
        layout->addWidget(bar);
        layout->addLayout(buttons);
        connect(stop, &QPushButton::clicked, this, &QDialog::reject);
        bar->setMinimumWidth(340);
        layout->setSizeConstraint(QLayout::SetFixedSize);  // as large as its text, no larger
    }

    // The request ends at once, and the look-up takes the window away.
    void reject() override { client_.abort(); }

private:
    RegisterClient &client_;
};

class BusyPointer {
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

} // namespace

TEnhetsregisterForm::TEnhetsregisterForm(TOppsettDialog *dialog, const QString &digits, const enhetsregister::Unit &unit)
    : QDialog(dialog)
{
    setObjectName(QStringLiteral("EnhetsregisterForm"));
    setWindowTitle(QStringLiteral("Enhetsregisteret"));
    resize(620, 260);

    auto *layout = new QVBoxLayout(this);
    Overskrift = new QLabel(this);
    Overskrift->setObjectName(QStringLiteral("Overskrift"));
    Overskrift->setTextFormat(Qt::PlainText);  // the register's text, never markup
    Overskrift->setWordWrap(true);
    Overskrift->setText(QStringLiteral("%1\nOrganisasjonsnummer %2%3")
                            .arg(unit.navn, enhetsregister::shown(digits),
                                 unit.subUnit ? QStringLiteral(" (underenhet)") : QString()));

    Opplysninger = new QTreeWidget(this);
    Opplysninger->setObjectName(QStringLiteral("Opplysninger"));
    Opplysninger->setHeaderLabels({QStringLiteral("Felt"), QStringLiteral("I Enhetsregisteret"), QStringLiteral("I feltet nå")});
    Opplysninger->setRootIsDecorated(false);
    Opplysninger->setUniformRowHeights(true);
    Opplysninger->setAllColumnsShowFocus(true);
    Opplysninger->setColumnWidth(0, 130);
    Opplysninger->setColumnWidth(1, 230);

    rows_ = {
        {QStringLiteral("Firmanavn"), {dialog->bNavn}, {unit.navn}},
        {QStringLiteral("Postadresse"), {dialog->bPostAdr}, {unit.postadresse}},
        {QStringLiteral("Gateadresse"), {dialog->bGateAdr}, {unit.gateadresse}},
        {QStringLiteral("Poststed"), {dialog->bPostNr, dialog->bPostSted}, {unit.postnummer, unit.poststed}},
        {QStringLiteral("Internett"), {dialog->internett}, {unit.hjemmeside}},
    };
    bool anyDiffers = false;
    for (const Row &row : rows_) {
        QStringList said, holds;
        bool differs = false;
        for (qsizetype i = 0; i < row.fields.size(); ++i) {
            if (!row.fields[i]->text().isEmpty())
                holds << row.fields[i]->text();
            if (row.values[i].isEmpty())
                continue;  // the register says nothing: the field keeps what it has
            said << row.values[i];
            differs = differs || row.fields[i]->text() != row.values[i];
        }
        const bool offered = !said.isEmpty();
        auto *item = new QTreeWidgetItem(Opplysninger, {row.caption, offered ? said.join(QLatin1Char(' '))
                                                                             : QStringLiteral("(ikke registrert)"),
                                                        holds.join(QLatin1Char(' '))});
        item->setToolTip(1, item->text(1));
        item->setToolTip(2, item->text(2));
        item->setCheckState(0, differs ? Qt::Checked : Qt::Unchecked);
        item->setFlags(offered ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable : Qt::NoItemFlags);
        anyDiffers = anyDiffers || differs;
    }
    Opplysninger->setCurrentItem(Opplysninger->topLevelItem(0));

    Merknad = new QLabel(this);
    Merknad->setObjectName(QStringLiteral("Merknad"));
    Merknad->setWordWrap(true);
    Merknad->setText(anyDiffers ? QStringLiteral("Det som er krysset av, er forskjellig fra feltene. Trykk \"Bruk "
                                                 "opplysningene\" for å sette det inn. Ingenting lagres før du trykker "
                                                 "\"Ok\" eller \"Bruk\".")
                                : QStringLiteral("Feltene har allerede det Enhetsregisteret sier."));

    BrukBtn = new QPushButton(QStringLiteral("Bruk opplysningene"), this);
    BrukBtn->setObjectName(QStringLiteral("BrukBtn"));
    AvbrytBtn = new QPushButton(QStringLiteral("&Avbryt"), this);
    AvbrytBtn->setObjectName(QStringLiteral("AvbrytBtn"));
    // Enter in the list takes what is checked; only a button with the focus takes it over.
    BrukBtn->setDefault(true);
    connect(BrukBtn, &QPushButton::clicked, this, &TEnhetsregisterForm::BrukBtnClick);
    connect(AvbrytBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BrukBtn);
    buttons->addWidget(AvbrytBtn);

    layout->addWidget(Overskrift);
    layout->addWidget(Opplysninger, 1);
    layout->addWidget(Merknad);
    layout->addLayout(buttons);
    Opplysninger->setFocus();
}

TEnhetsregisterForm::~TEnhetsregisterForm() = default;

void TEnhetsregisterForm::BrukBtnClick()
{
    for (int r = 0; r < rows_.size(); ++r) {
        const QTreeWidgetItem *item = Opplysninger->topLevelItem(r);
        if (!(item->flags() & Qt::ItemIsUserCheckable) || item->checkState(0) != Qt::Checked)
            continue;
        const Row &row = rows_[r];
        for (qsizetype i = 0; i < row.fields.size(); ++i) {
            QLineEdit *field = row.fields[i];
            if (row.values[i].isEmpty() || field->text() == row.values[i])
                continue;
            // As typed: the field's own undo takes it back, and its hint and history see an edit.
            field->selectAll();
            field->insert(row.values[i]);
        }
    }
    accept();
}

namespace enhetsregister {

void lookUp(TOppsettDialog *dialog)
{
    const QString digits = Timesetu::orgNrDigits(dialog->bOrgnr->text());
    if (digits.isEmpty())
        return;  // the button is not enabled for such a number
    Unit unit;
    QString message;
    Result result = Result::Failed;
    {
        QString error;
        auto *plugin = plugins::load<RegisterPlugin>(QStringLiteral("enhetsregister"), &error);
        if (!plugin) {
            message = QStringLiteral("Oppslaget i Enhetsregisteret kan ikke gjøres: %1\n\nFeltene er ikke endret.").arg(error);
        } else {
            const std::unique_ptr<RegisterClient> client(plugin->createClient());
            TVentForm wait(dialog, digits, *client);
            const BusyPointer busy;
            wait.show();
            result = fetch(*client, digits, unit, &message);
        }
    }
    switch (result) {
    case Result::Stopped:
        break;
    case Result::Failed:
        textfil::WriteLog(QStringLiteral("FEIL: oppslag i Enhetsregisteret for %1: ").arg(digits)
                          + QString(message).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified());
        [[fallthrough]];
    case Result::NotFound: {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Enhetsregisteret"), message, QMessageBox::Ok, dialog);
        box.exec();
        break;
    }
    case Result::Found: {
        TEnhetsregisterForm form(dialog, digits, unit);
        form.exec();
        break;
    }
    }
    // Back to the dialog for the keyboard also where no window manager hands it back.
    dialog->activateWindow();
}

} // namespace enhetsregister
