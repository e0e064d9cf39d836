// The Yes/No question: answers by every key and button, the width it grows to, its placement on
// the reference rectangle.
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "dialogs/janei.h"
#include "environment/hs_reg.h"
#include "support/test_env.h"

namespace {

// Runs act on the question window once it is up and holds the keyboard.
class Answer {
public:
    explicit Answer(std::function<void(TJaNeiForm *)> act)
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this, act] {
            auto *form = qobject_cast<TJaNeiForm *>(QApplication::activeModalWidget());
            if (!form || !form->isVisible() || !form->isActiveWindow())
                return;
            timer_.stop();
            seen = form;
            act(form);
        });
        timer_.start();
    }
    QPointer<TJaNeiForm> seen;

private:
    QTimer timer_;
};

enum class Act { Enter, Escape, CloseBox, ClickJa, ClickNei, KeyJ, KeyN, AltN };

struct AnswerRow {
    const char *name;
    bool initial;
    Act act;
    bool expected;
};

void perform(TJaNeiForm *f, Act act)
{
    QWidget *focus = QApplication::focusWidget();
    switch (act) {
    case Act::Enter: QTest::keyClick(focus, Qt::Key_Return); break;
    case Act::Escape: QTest::keyClick(focus, Qt::Key_Escape); break;
    case Act::CloseBox: f->close(); break;
    case Act::ClickJa: QTest::mouseClick(f->JaKnapp, Qt::LeftButton); break;
    case Act::ClickNei: QTest::mouseClick(f->NeiKnapp, Qt::LeftButton); break;
    case Act::KeyJ: QTest::keyClick(focus, Qt::Key_J); break;
    case Act::KeyN: QTest::keyClick(focus, Qt::Key_N); break;
    case Act::AltN: QTest::keyClick(focus, Qt::Key_N, Qt::AltModifier); break;
    }
}

} // namespace

class JaNeiAnswer : public TempEnvTest, public ::testing::WithParamInterface<AnswerRow> {};

TEST_P(JaNeiAnswer, GivesTheAnswer)
{
    const AnswerRow &row = GetParam();
    QWidget *focusAtStart = nullptr;
    Answer answer([&](TJaNeiForm *f) {
        focusAtStart = QApplication::focusWidget();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the busy pointer only while building
        perform(f, row.act);
    });
    EXPECT_EQ(JaNei::JaNeiSvar(QStringLiteral("Lagre endringene ?"), row.initial), row.expected);
    ASSERT_TRUE(answer.seen);
    EXPECT_EQ(focusAtStart, row.initial ? static_cast<QWidget *>(answer.seen->JaKnapp) : answer.seen->NeiKnapp);
    // The window is released after the answer.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(answer.seen.isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JaNeiAnswer,
    ::testing::Values(AnswerRow{"EnterOnYes", true, Act::Enter, true}, AnswerRow{"EnterOnNo", false, Act::Enter, false},
                      AnswerRow{"EscapeOnYes", true, Act::Escape, false}, AnswerRow{"EscapeOnNo", false, Act::Escape, false},
                      AnswerRow{"CloseBoxYes", true, Act::CloseBox, true}, AnswerRow{"CloseBoxNo", false, Act::CloseBox, false},
                      AnswerRow{"ClickJa", false, Act::ClickJa, true}, AnswerRow{"ClickNei", true, Act::ClickNei, false},
                      AnswerRow{"LetterJ", false, Act::KeyJ, true}, AnswerRow{"LetterN", true, Act::KeyN, false},
                      AnswerRow{"AltN", true, Act::AltN, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(JaNeiForm, PartsAndTabOrder)
{
    TJaNeiForm f;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("?"));
    EXPECT_EQ(f.size(), QSize(464, 116));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Spørsmålet er ?"));
    EXPECT_EQ(f.JaKnapp->geometry(), QRect(80, 72, 137, 25));
    EXPECT_EQ(f.NeiKnapp->geometry(), QRect(256, 72, 137, 25));
    EXPECT_EQ(f.JaKnapp->text(), QStringLiteral("&Ja"));
    EXPECT_EQ(f.NeiKnapp->text(), QStringLiteral("&Nei"));
    EXPECT_TRUE(f.JaKnapp->isDefault());
    EXPECT_EQ(f.NeiKnapp->nextInFocusChain(), f.JaKnapp);
    EXPECT_TRUE(f.font().bold());
    EXPECT_EQ(f.font().pixelSize(), 13);
    EXPECT_EQ(f.Label1->geometry(), QRect(0, 25, 464, 25));
}

struct WidthRow {
    const char *name;
    int characters;
};

class JaNeiWidth : public TempEnvTest, public ::testing::WithParamInterface<WidthRow> {};

TEST_P(JaNeiWidth, GrowsToTheQuestionPlusFiftyNeverShrinks)
{
    const QString question(GetParam().characters, QLatin1Char('W'));
    int width = 0, labelWidth = 0, clientWidth = 0;
    QPoint buttons;
    Answer answer([&](TJaNeiForm *f) {
        width = f->frameGeometry().width();
        clientWidth = f->width();
        labelWidth = f->Label1->width();
        buttons = f->JaKnapp->pos();
        f->NeiKnappClick();
    });
    JaNei::JaNeiSvar(question, true);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setBold(true);
    const int needed = QFontMetrics(font).horizontalAdvance(question) + 50;
    // Outer width: the designed client area and the frame, or exactly the measured width + 50.
    EXPECT_EQ(width, qMax(464 + (width - clientWidth), needed));
    EXPECT_EQ(labelWidth, clientWidth);
    EXPECT_EQ(buttons, QPoint(80, 72));
}

INSTANTIATE_TEST_SUITE_P(Rows, JaNeiWidth,
                         ::testing::Values(WidthRow{"Empty", 0}, WidthRow{"Short", 10}, WidthRow{"Long", 60}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(TempEnvTest, JaNeiCentresOnTheReferenceRectangle)
{
    QRect at;
    Answer first([&](TJaNeiForm *f) {
        at = f->frameGeometry();
        f->JaKnappClick();
    });
    JaNei::JaNeiSvar(QStringLiteral("Spørsmål"), true);
    // All four at 0: the centre on the screen's corner, only the lower right quarter visible. (The
    // offscreen test platform nudges a window whose client area starts off the screen by its frame.)
    EXPECT_LE(qAbs(at.left() + at.width() / 2), 2);
    EXPECT_LE(qAbs(at.top() + at.height() / 2), 2);

    hs_reg::Values &v = hs_reg::values();
    v.RefVenstre = 101;
    v.RefTopp = 50;
    v.RefBredde = 619;
    v.RefHoyde = 377;
    Answer second([&](TJaNeiForm *f) {
        at = f->frameGeometry();
        f->JaKnappClick();
    });
    JaNei::JaNeiSvar(QStringLiteral("Spørsmål"), false);
    EXPECT_EQ(at.left(), 101 + 619 / 2 - at.width() / 2);
    EXPECT_EQ(at.top(), 50 + 377 / 2 - at.height() / 2);
}
