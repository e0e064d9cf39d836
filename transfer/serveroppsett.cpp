#include "transfer/serveroppsett.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>

#include "common/felles.h"
#include "environment/hs_reg.h"

namespace {

QLineEdit *addField(QWidget *parent, const char *name, const QString &caption, int top, int width)
{
    auto *label = new QLabel(caption, parent);
    label->setGeometry(16, top + 3, 84, 17);
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(104, top, width, 23);
    label->setBuddy(edit);
    return edit;
}

} // namespace

TServerOppsettForm::TServerOppsettForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ServerOppsettForm"));
    setWindowTitle(QStringLiteral("Oppsett på server"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(449, 283);

    navn = addField(this, "navn", QStringLiteral("Navn:"), 16, 329);
    server = addField(this, "server", QStringLiteral("Server:"), 48, 329);
    mappe = addField(this, "mappe", QStringLiteral("Mappe:"), 80, 329);
    brukernavn = addField(this, "brukernavn", QStringLiteral("Brukernavn:"), 112, 97);
    passord = addField(this, "passord", QStringLiteral("Passord:"), 144, 97);
    passord->setEchoMode(QLineEdit::Password);
    passord->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // "*"
    passord->setToolTip(QStringLiteral("Dobbelklikk for å skjule/vise passord i klartekst"));
    passord->installEventFilter(this);
    port = addField(this, "port", QStringLiteral("Port:"), 176, 57);

    SSLL = new QCheckBox(QStringLiteral("SSL"), this);
    SSLL->setObjectName(QStringLiteral("SSLL"));
    SSLL->setGeometry(104, 208, 97, 19);
    SSLL->setToolTip(QStringLiteral("Krev kryptert forbindelse (TLS) for pålogging og data"));

    OKBtn = new QPushButton(QStringLiteral("O&k"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(270, 243, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("&Avbryt"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(358, 243, 75, 25);

    connect(OKBtn, &QPushButton::clicked, this, &TServerOppsettForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TServerOppsettForm::setServerKind(const QString &kind)
{
    kind_ = kind;
}

QString TServerOppsettForm::section() const
{
    return QStringLiteral("SERVER-SETTING-") + kind_;
}

void TServerOppsettForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TServerOppsettForm::FormShow()
{
    hs_reg::setsection(section());
    navn->setText(hs_reg::readstr(QStringLiteral("name")));
    server->setText(hs_reg::readstr(QStringLiteral("server")));
    mappe->setText(hs_reg::readstr(QStringLiteral("folder")));
    brukernavn->setText(hs_reg::readstr(QStringLiteral("username")));
    passord->setText(Felles::unscrambletext(hs_reg::readstr(QStringLiteral("password"))));
    port->setText(QString::number(hs_reg::readint(QStringLiteral("port"))));
    SSLL->setChecked(hs_reg::readbool(QStringLiteral("ssl")));
    hs_reg::standardsection();
    passord->setEchoMode(QLineEdit::Password);
    navn->setFocus();
}

void TServerOppsettForm::OKBtnClick()
{
    bool ok = false;
    const int portNumber = port->text().trimmed().toInt(&ok);
    if (!ok || portNumber < 1 || portNumber > 65535) {
        QMessageBox::warning(this, QStringLiteral("Feil"), QStringLiteral("Porten må være et tall fra 1 til 65535."));
        port->setFocus();
        port->selectAll();
        return;
    }
    hs_reg::setsection(section());
    hs_reg::writestr(QStringLiteral("name"), navn->text().trimmed());
    hs_reg::writestr(QStringLiteral("server"), server->text().trimmed());
    hs_reg::writestr(QStringLiteral("folder"), mappe->text().trimmed());
    hs_reg::writestr(QStringLiteral("username"), brukernavn->text().trimmed());
    hs_reg::writestr(QStringLiteral("password"), Felles::scrambletext(passord->text()));
    hs_reg::writeint(QStringLiteral("port"), portNumber);
    hs_reg::writebool(QStringLiteral("ssl"), SSLL->isChecked());
    hs_reg::standardsection();
    accept();
}

void TServerOppsettForm::passordDblClick()
{
    passord->setEchoMode(passord->echoMode() == QLineEdit::Password ? QLineEdit::Normal : QLineEdit::Password);
}

bool TServerOppsettForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == passord && event->type() == QEvent::MouseButtonDblClick) {
        passordDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

namespace serveroppsett {

void VisServerOppsett(const QString &caption, const QString &kind)
{
    TServerOppsettForm form(QApplication::activeWindow());
    form.setWindowTitle(caption);
    form.setServerKind(kind);
    form.exec();
}

} // namespace serveroppsett
