#include "dialogs/input.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <limits>

#include "environment/hs_reg.h"
#include "log/textfil.h"
#include "platform/window_caption.h"

TInputForm::TInputForm(QWidget *parent)
    // A title bar, so that the window can be moved, with no caption text, system menu or close box.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("InputForm"));
    setWindowTitle(QString(QLatin1String("")));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(396, 113);

    Label1 = new QLabel(QStringLiteral("Label"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);  // the prompt as written, never as markup
    Label1->move(32, 24);
    Label1->adjustSize();

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(32, 40, 337, 21);
    Edit1->setMaxLength(std::numeric_limits<int>::max());  // no length limit (Qt's default cuts at 32,767)

    BitBtn1 = new QPushButton(QStringLiteral("O&k"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(88, 80, 75, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    BitBtn2 = new QPushButton(QStringLiteral("&Avbryt"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(216, 80, 75, 25);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, Edit1);
}

void TInputForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Qt would put the application's name into a caption left empty; this window has none.
    platform::clearWindowCaption(windowHandle());
    FormShow();
}

void TInputForm::FormShow()
{
    const hs_reg::Values &v = hs_reg::values();
    const QRect outer = frameGeometry();
    // Whole-number halves truncated toward zero, as C++ division does; not clipped to the screen.
    move(v.RefVenstre + v.RefBredde / 2 - outer.width() / 2, v.RefTopp + v.RefHoyde / 2 - outer.height() / 2);
    Edit1->setFocus(Qt::OtherFocusReason);
}

namespace input {

namespace {

void logFailure(const QString &what, const QString &error)
{
    textfil::WriteLog(QStringLiteral("FEIL: ") + what + QStringLiteral(": ") + error);
    // Once a run: the same failure at every question would only be in the way.
    bool &shown = values().switchFailureShown;
    if (shown)
        return;
    shown = true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Bruker oppsett"),
                    QStringLiteral("Det som skrives her, blir ikke husket til neste gang: ") + what + QStringLiteral(".\n\n")
                        + error,
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("SwitchFailure"));
    box.exec();
}

} // namespace

Values &values()
{
    static Values v;
    return v;
}

void reset()
{
    values() = Values{};
}

bool ertall(const QString &text)
{
    for (const QChar c : text) {
        if (!(c >= u'0' && c <= u'9') && c != u',' && c != u'.')
            return false;
    }
    return true;
}

bool openpersonal()
{
    QString error;
    if (hs_reg::openuserini(&error))
        return true;
    logFailure(QStringLiteral("kan ikke åpne den personlige innstillingsfilen"), error);
    return false;
}

void closepersonal()
{
    QString error;
    if (hs_reg::openmainini(&error))
        return;
    logFailure(QStringLiteral("kan ikke lagre den personlige innstillingsfilen"), error);
    hs_reg::openini(hs_reg::values().ininame);
}

QString HentInput(const QString &prompt, const QString &start)
{
    const QString lastInputKey = QString::fromUtf16(LastInputKey);
    // A password is neither offered again nor stored in plain text.
    const bool password = prompt == QString::fromUtf16(PasswordPrompt);

    auto *form = new TInputForm;
    QString text = start;
    if (text.isEmpty() && !password && openpersonal()) {
        text = hs_reg::readstr(lastInputKey);
        closepersonal();
    }
    form->Edit1->setText(text);
    form->Edit1->selectAll();
    form->Label1->setText(prompt);
    form->Label1->adjustSize();
    if (password) {
        form->Edit1->setEchoMode(QLineEdit::Password);
        // "*" for each character, whatever bullet the style would draw.
        form->Edit1->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    }

    Values &v = values();
    if (form->exec() == QDialog::Accepted) {
        v.SisteInput = form->Edit1->text();
        if (!password && openpersonal()) {
            hs_reg::writestr(lastInputKey, v.SisteInput);
            closepersonal();
        }
    } else {
        v.SisteInput = QString(QLatin1String(""));
    }
    v.InputErTall = ertall(v.SisteInput);
    form->deleteLater();
    return v.SisteInput;
}

} // namespace input
