#include "dialogs/janei.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QWindow>

#include "environment/hs_reg.h"

namespace {

constexpr int kClientWidth = 464;
constexpr int kClientHeight = 116;

} // namespace

TJaNeiForm::TJaNeiForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("JaNeiForm"));
    setWindowTitle(QStringLiteral("?"));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    f.setBold(true);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    setPalette(pal);
    setFixedSize(kClientWidth, kClientHeight);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));

    Label1 = new QLabel(QStringLiteral("Spørsmålet er ?"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);  // the question is shown as written, never as markup
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette lp = Label1->palette();
    lp.setColor(QPalette::WindowText, QColor(0, 0, 128));  // navy
    Label1->setPalette(lp);

    NeiKnapp = new QPushButton(QStringLiteral("&Nei"), this);
    NeiKnapp->setObjectName(QStringLiteral("NeiKnapp"));
    NeiKnapp->setGeometry(256, 72, 137, 25);
    JaKnapp = new QPushButton(QStringLiteral("&Ja"), this);
    JaKnapp->setObjectName(QStringLiteral("JaKnapp"));
    JaKnapp->setGeometry(80, 72, 137, 25);
    JaKnapp->setDefault(true);
    setTabOrder(NeiKnapp, JaKnapp);

    layoutParts();

    connect(JaKnapp, &QPushButton::clicked, this, &TJaNeiForm::JaKnappClick);
    connect(NeiKnapp, &QPushButton::clicked, this, &TJaNeiForm::NeiKnappClick);
}

QMargins TJaNeiForm::frameMargins()
{
    // Asked of the window system before the first show too, so the outer size is right from the start.
    winId();
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

void TJaNeiForm::fitQuestion()
{
    const int needed = QFontMetrics(Label1->font()).horizontalAdvance(Label1->text()) + 50;
    const QMargins frame = frameMargins();
    const int outerWidth = width() + frame.left() + frame.right();
    if (outerWidth < needed)
        setFixedWidth(needed - frame.left() - frame.right());
}

void TJaNeiForm::layoutParts()
{
    // Docked to the top, the full width of the window.
    Panel1->setGeometry(0, 0, width(), 25);
    Label1->setGeometry(0, 25, width(), 25);
}

void TJaNeiForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layoutParts();
}

void TJaNeiForm::FormShow()
{
    (InnBo ? JaKnapp : NeiKnapp)->setFocus(Qt::OtherFocusReason);
    const hs_reg::Values &v = hs_reg::values();
    const QSize outer = size().grownBy(frameMargins());
    // C++ division truncates toward zero, as the suite's other programs compute it.
    const int top = v.RefTopp + v.RefHoyde / 2 - outer.height() / 2;
    const int left = v.RefVenstre + v.RefBredde / 2 - outer.width() / 2;
    move(left, top);  // a window's position is that of its frame
}

void TJaNeiForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TJaNeiForm::JaKnappClick()
{
    InnBo = true;
    done(QDialog::Accepted);
}

void TJaNeiForm::NeiKnappClick()
{
    InnBo = false;
    done(QDialog::Rejected);
}

void TJaNeiForm::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        NeiKnapp->click();  // Esc answers no; only the close box leaves the offered answer
        return;
    }
    // As in the platform's message boxes, the access letters work without Alt as well.
    if (mods == Qt::NoModifier && event->key() == Qt::Key_J) {
        JaKnapp->click();
        return;
    }
    if (mods == Qt::NoModifier && event->key() == Qt::Key_N) {
        NeiKnapp->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

namespace JaNei {

bool JaNeiSvar(const QString &question, bool initial)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    auto *form = new TJaNeiForm;
    QGuiApplication::restoreOverrideCursor();
    form->InnBo = initial;
    form->Label1->setText(question);
    form->fitQuestion();
    form->exec();
    const bool answer = form->InnBo;
    form->deleteLater();
    return answer;
}

} // namespace JaNei
