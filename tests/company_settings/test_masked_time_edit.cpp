// The masked time field alone: what it shows for a stored text and gives back to be saved, and what
// typing (real key events), pasting (keys and context menu) and dropping make of it.
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "company_settings/field_hints.h"
#include "company_settings/masked_time_edit.h"
#include "support/test_names.h"

using State = MaskedTimeEdit::State;

namespace {

// A field in a window of its own, active, the focus elsewhere until a test clicks into the field.
class TimeFieldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_.resize(200, 60);
        field_ = new MaskedTimeEdit(&window_);
        field_->setObjectName(QStringLiteral("ArbeidStart"));
        field_->setGeometry(10, 10, 62, 21);
        other_ = new QLineEdit(&window_);
        other_->setGeometry(90, 10, 80, 21);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
        other_->setFocus();
    }
    MaskedTimeEdit &field() { return *field_; }
    // Into the field as a user does it: a click at its middle.
    void clickIn()
    {
        QTest::mouseClick(field_, Qt::LeftButton, {}, field_->rect().center());
        ASSERT_TRUE(field_->hasFocus());
    }
    // Key by key; a character QTest has no key for goes as the text of a key of its own.
    void type(const QString &keys)
    {
        for (const QChar c : keys) {
            if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
                QTest::keyClick(field_, char(c.unicode()));
            else {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(field_, &press);
                QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(field_, &release);
            }
        }
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(field_, k, m); }
    // Out of the field with Tab.
    void leave()
    {
        QTest::keyClick(field_, Qt::Key_Tab);
        ASSERT_FALSE(field_->hasFocus());
    }
    void drop(const QString &text, QPoint at)
    {
        QMimeData data;
        data.setText(text);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(field_, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(field_, &move);
        QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(field_, &dropped);
        EXPECT_TRUE(dropped.isAccepted());
        EXPECT_EQ(dropped.dropAction(), Qt::CopyAction);  // the source keeps its text
    }

    QWidget window_;
    MaskedTimeEdit *field_ = nullptr;
    QLineEdit *other_ = nullptr;
};

} // namespace

// --- A stored text: shown, and given back to be saved ---------------------------------------------

struct StoredRow {
    const char16_t *stored;
    const char16_t *shown;
    bool fits;  // saved back as shown; otherwise saved back as it was, until the user edits the field
};

class StoredTime : public ::testing::TestWithParam<StoredRow> {};

TEST_P(StoredTime, IsShownInFiveCharactersAndSavedBackUnlessItDoesNotFit)
{
    const QString stored = QString::fromUtf16(GetParam().stored);
    const QString shown = QString::fromUtf16(GetParam().shown);
    MaskedTimeEdit field;
    field.load(stored);
    EXPECT_EQ(field.time(), shown);
    EXPECT_EQ(field.QLineEdit::text(), shown);  // without the focus the line edit shows the value itself
    EXPECT_EQ(MaskedTimeEdit::normalized(stored), shown);
    EXPECT_EQ(MaskedTimeEdit::fitsMask(stored), GetParam().fits);
    EXPECT_FALSE(field.edited());
    EXPECT_EQ(field.storedText(), GetParam().fits ? shown : stored);
    // A text given to the line edit by any caller is taken the same way.
    MaskedTimeEdit viaBase;
    static_cast<QLineEdit &>(viaBase).setText(stored);
    EXPECT_EQ(viaBase.time(), shown);
    EXPECT_EQ(viaBase.storedText(), field.storedText());
    // What is saved reads back as the same.
    MaskedTimeEdit again;
    again.load(field.storedText().trimmed());
    EXPECT_EQ(again.time(), shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoredTime,
    ::testing::Values(StoredRow{u"", u"  :  ", true}, StoredRow{u":", u"  :  ", true},
                      StoredRow{u"  :  ", u"  :  ", true}, StoredRow{u"07:30", u"07:30", true},
                      StoredRow{u"7:30", u" 7:30", true}, StoredRow{u" 7:30", u" 7:30", true},
                      StoredRow{u"25:00", u"25:00", true},  // cannot exist, but fits: a hint, kept
                      StoredRow{u"7:", u" 7:  ", false}, StoredRow{u"7 :", u"7 :  ", false},
                      StoredRow{u":5", u"  :5 ", false}, StoredRow{u": 5", u"  : 5", false},
                      StoredRow{u"73:0", u"73:0 ", false},  // what the old field let through
                      StoredRow{u"730", u" 7:30", false}, StoredRow{u"0730", u"07:30", false},
                      StoredRow{u"123:456", u"23:45", false}, StoredRow{u"7:30:00", u" 7:30", false},
                      StoredRow{u"7.30", u" 7:30", false}, StoredRow{u"kl. 07.30", u"07:30", false},
                      StoredRow{u"\u0667:\u0663\u0660", u"  :  ", false},   // Arabic-Indic digits
                      StoredRow{u"\uFF10\uFF17:\uFF13\uFF10", u"  :  ", false},  // full-width digits
                      StoredRow{u"x", u"  :  ", false}),
    testnames::by([](const StoredRow &r) { return r.stored; }));

TEST(TimeFieldRules, StatesAndTimesThatCannotExist)
{
    EXPECT_EQ(MaskedTimeEdit::stateOf(QStringLiteral("  :  ")), State::Blank);
    EXPECT_EQ(MaskedTimeEdit::stateOf(QStringLiteral(" 7:30")), State::Whole);
    EXPECT_EQ(MaskedTimeEdit::stateOf(QStringLiteral("07:30")), State::Whole);
    for (const char *partial : {" 7:  ", " 7:3 ", " 7: 3", "7 :30", "  :30", "1 :  ", "  :3 "})
        EXPECT_EQ(MaskedTimeEdit::stateOf(QString::fromLatin1(partial)), State::Partial) << partial;
    for (const char *impossible : {"24:00", "99:99", "23:60", " 9:75"})
        EXPECT_TRUE(MaskedTimeEdit::cannotExist(QString::fromLatin1(impossible))) << impossible;
    for (const char *possible : {"23:59", "00:00", " 0:00", " 9:05", "7 :30", "  :  "})
        EXPECT_FALSE(MaskedTimeEdit::cannotExist(QString::fromLatin1(possible))) << possible;
}

TEST(TimeFieldRules, HintsSayWhatIsMissingOrWrongInNorwegian)
{
    EXPECT_EQ(Timesetu::timeHint(QStringLiteral("  :  ")), QString());
    EXPECT_EQ(Timesetu::timeHint(QStringLiteral("07:30")), QString());
    const QString tail = QStringLiteral(" Skriv for eksempel 07:30, eller tøm feltet.");
    EXPECT_EQ(Timesetu::timeHint(QStringLiteral(" 7:  ")),
              QStringLiteral("Klokkeslettet er ikke fullstendig: minuttene mangler.") + tail);
    EXPECT_EQ(Timesetu::timeHint(QStringLiteral("13:0 ")),
              QStringLiteral("Klokkeslettet er ikke fullstendig: ett siffer i minuttene mangler.") + tail);
    EXPECT_EQ(Timesetu::timeHint(QStringLiteral("  :30")),
              QStringLiteral("Klokkeslettet er ikke fullstendig: timetallet mangler.") + tail);
    EXPECT_EQ(Timesetu::timeHint(QStringLiteral("7 :  ")),
              QStringLiteral("Klokkeslettet er ikke fullstendig: ett siffer i timetallet og minuttene mangler.") + tail);
    EXPECT_EQ(Timesetu::timeHint(QStringLiteral("25:00")),
              QStringLiteral("Klokkeslettet finnes ikke: timene går fra 0 til 23 og minuttene fra 00 til 59."));
    MaskedTimeEdit field;
    field.load(QStringLiteral("7:30:00"));
    EXPECT_EQ(Timesetu::timeFieldHint(field),
              QStringLiteral("Innstillingsfilen har «7:30:00», som ikke er et klokkeslett feltet kan vise. Det blir "
                             "stående uendret til du endrer feltet."));
}

// --- Typing: real key events ----------------------------------------------------------------------

struct TypingRow {
    const char16_t *keys;  // typed one by one after a click into the empty field; "→" is the Right key
    const char16_t *shown;   // while still in the field
    const char16_t *left;    // after Tab out of it
};

class Typing : public TimeFieldTest, public ::testing::WithParamInterface<TypingRow> {};

TEST_P(Typing, IntoAnEmptyFieldReadsAsTimesAreTyped)
{
    field().load(QString());
    clickIn();
    for (const QChar c : QString::fromUtf16(GetParam().keys)) {
        if (c == QChar(0x2192))
            key(Qt::Key_Right);
        else
            type(QString(c));
    }
    EXPECT_EQ(field().time(), QString::fromUtf16(GetParam().shown));
    leave();
    EXPECT_EQ(field().time(), QString::fromUtf16(GetParam().left));
    // Refused keys are no edit.
    EXPECT_EQ(field().edited(), field().state() != State::Blank);
    if (MaskedTimeEdit::stateOf(field().time()) != State::Partial) {
        EXPECT_EQ(field().storedText(), field().time());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Typing,
    ::testing::Values(TypingRow{u"730", u" 7:30", u" 7:30"}, TypingRow{u"0730", u"07:30", u"07:30"},
                      TypingRow{u"1645", u"16:45", u"16:45"}, TypingRow{u"7:", u" 7:  ", u" 7:  "},
                      TypingRow{u"7", u" 7:  ", u" 7:  "}, TypingRow{u"1", u"1 :  ", u" 1:  "},
                      TypingRow{u"1:", u" 1:  ", u" 1:  "}, TypingRow{u"1:30", u" 1:30", u" 1:30"},
                      TypingRow{u"1\u219230", u" 1:30", u" 1:30"},  // moving on to the minutes with Right
                      TypingRow{u"7.30", u" 7:30", u" 7:30"}, TypingRow{u"2359", u"23:59", u"23:59"},
                      TypingRow{u"130", u"13:0 ", u"13:0 "}, TypingRow{u"156", u" 1:56", u" 1:56"},
                      TypingRow{u"2430", u"24:30", u"24:30"},  // four digits: hours and minutes, as typed
                      TypingRow{u"999", u" 9:99", u" 9:99"}, TypingRow{u"12345", u"12:34", u"12:34"},
                      TypingRow{u"a7b3c0", u" 7:30", u" 7:30"},  // letters never enter
                      TypingRow{u"\u0667\u0663\u0660", u"  :  ", u"  :  "},  // nor other scripts' digits
                      TypingRow{u"07:3", u"07:3 ", u"07:3 "}),
    testnames::by([](const TypingRow &r) { return r.keys; }));

TEST_F(TimeFieldTest, TabIntoAFullFieldSelectsItAndTypingReplacesIt)
{
    field().load(QStringLiteral("08:15"));
    other_->setFocus();
    QTest::keyClick(other_, Qt::Key_Backtab);
    ASSERT_TRUE(field().hasFocus());
    EXPECT_EQ(field().selectedText(), QStringLiteral("08:15"));
    type(QStringLiteral("930"));
    EXPECT_EQ(field().time(), QStringLiteral(" 9:30"));
}

TEST_F(TimeFieldTest, WhileEditingBlanksShowAsUnderscoresTheValueKeepsBlanks)
{
    field().load(QString());
    clickIn();
    type(QStringLiteral("0730"));
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    EXPECT_EQ(field().time(), QStringLiteral("07:  "));
    EXPECT_EQ(field().QLineEdit::text(), QStringLiteral("07:__"));
    leave();
    EXPECT_EQ(field().QLineEdit::text(), QStringLiteral("07:  "));
}

TEST_F(TimeFieldTest, OverwritingDeletingAndTheEndOfTheField)
{
    field().load(QStringLiteral("07:30"));
    clickIn();
    key(Qt::Key_Home);
    type(QStringLiteral("1"));
    EXPECT_EQ(field().time(), QStringLiteral("17:30"));
    key(Qt::Key_Delete);  // the position after the cursor
    EXPECT_EQ(field().time(), QStringLiteral("1 :30"));
    key(Qt::Key_End);
    type(QStringLiteral("5"));  // no position left at the end
    EXPECT_EQ(field().time(), QStringLiteral(" 1:30"));  // and moving on made the lone digit the hour
    key(Qt::Key_Backspace);
    EXPECT_EQ(field().time(), QStringLiteral(" 1:3 "));
    key(Qt::Key_Backspace, Qt::ControlModifier);  // everything before the cursor
    EXPECT_EQ(field().time(), QStringLiteral("  :  "));
    type(QStringLiteral(" 9"));  // a blank empties its position and moves on
    EXPECT_EQ(field().time(), QStringLiteral(" 9:  "));
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_Delete);
    EXPECT_EQ(field().time(), QStringLiteral("  :  "));
    EXPECT_EQ(field().state(), State::Blank);
}

TEST_F(TimeFieldTest, ClickingIntoTheMinutesAfterOneHourDigitMakesItTheHour)
{
    field().load(QString());
    clickIn();
    type(QStringLiteral("1"));
    EXPECT_EQ(field().time(), QStringLiteral("1 :  "));
    QTest::mouseClick(field_, Qt::LeftButton, {}, QPoint(field_->width() - 4, field_->height() / 2));
    EXPECT_EQ(field().time(), QStringLiteral(" 1:  "));
    type(QStringLiteral("45"));
    EXPECT_EQ(field().time(), QStringLiteral(" 1:45"));
}

TEST_F(TimeFieldTest, FocusGoingToAnotherWindowDoesNotEndTheTyping)
{
    field().load(QString());
    clickIn();
    type(QStringLiteral("1"));
    QWidget popup;
    popup.show();
    popup.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&popup));
    EXPECT_EQ(field().time(), QStringLiteral("1 :  "));
    popup.close();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    ASSERT_TRUE(field().hasFocus());
    type(QStringLiteral("6"));
    EXPECT_EQ(field().time(), QStringLiteral("16:  "));
}

TEST_F(TimeFieldTest, LoadingEndsEditingStateAndOnlyUserEditsCount)
{
    field().load(QStringLiteral("7:30:00"));
    EXPECT_FALSE(field().edited());
    clickIn();
    key(Qt::Key_End);
    key(Qt::Key_Left);
    key(Qt::Key_End);
    type(QStringLiteral("5x"));  // no place left, and no digit
    key(Qt::Key_Home);
    type(QStringLiteral(" "));   // a blank where there is one already
    leave();
    EXPECT_FALSE(field().edited());  // looking, and keys that change nothing, are no edit
    EXPECT_EQ(field().storedText(), QStringLiteral("7:30:00"));
    clickIn();
    key(Qt::Key_End);
    key(Qt::Key_Backspace);
    type(QStringLiteral("5"));
    EXPECT_TRUE(field().edited());
    EXPECT_EQ(field().storedText(), QStringLiteral(" 7:35"));
    field().load(QStringLiteral("7:30:00"));
    EXPECT_FALSE(field().edited());
    EXPECT_EQ(field().storedText(), QStringLiteral("7:30:00"));
}

TEST_F(TimeFieldTest, APartialTimeIsNeverWhatIsStored)
{
    field().load(QStringLiteral("08:00"));
    clickIn();
    key(Qt::Key_End);
    key(Qt::Key_Backspace);
    leave();
    EXPECT_EQ(field().time(), QStringLiteral("08:0 "));
    EXPECT_EQ(field().state(), State::Partial);
    EXPECT_FALSE(field().holdsTime());
    // The dialog refuses to save it; a direct save keeps what was loaded.
    EXPECT_EQ(field().storedText(), QStringLiteral("08:00"));
}

// --- Paste and drop -------------------------------------------------------------------------------

struct PasteRow {
    const char16_t *before;  // the field's time; its cursor at its start
    const char16_t *pasted;
    const char16_t *after;
};

class Pasting : public TimeFieldTest, public ::testing::WithParamInterface<PasteRow> {};

TEST_P(Pasting, TakesDigitsOnlyAndAWholeTimeIntoAnEmptyField)
{
    field().load(QString::fromUtf16(GetParam().before));
    clickIn();
    key(Qt::Key_Home);
    QGuiApplication::clipboard()->setText(QString::fromUtf16(GetParam().pasted));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field().time(), QString::fromUtf16(GetParam().after));
    // Only a change is an edit: nothing usable pasted leaves a loaded text as it was.
    EXPECT_EQ(field().edited(), GetParam().after != std::u16string_view(GetParam().before));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Pasting,
    ::testing::Values(PasteRow{u"  :  ", u"7:30", u" 7:30"}, PasteRow{u"  :  ", u"07:30", u"07:30"},
                      PasteRow{u"  :  ", u"730", u" 7:30"}, PasteRow{u"  :  ", u"kl. 16.45", u"16:45"},
                      PasteRow{u"  :  ", u"7:30:00", u" 7:30"}, PasteRow{u"  :  ", u"abc", u"  :  "},
                      PasteRow{u"  :  ", u"\u0667:\u0663\u0660", u"  :  "},
                      PasteRow{u"  :  ", u"<b>8</b>:15", u" 8:15"},
                      PasteRow{u"12:00", u"09", u"09:00"},  // at the cursor, position by position
                      PasteRow{u"12:00", u"x1y5", u"15:00"}),
    testnames::by([](const PasteRow &r) { return std::u16string(r.before) + u" " + r.pasted; }));

TEST_F(TimeFieldTest, ContextMenuPasteCutAndCopyGoThroughTheMask)
{
    field().load(QString());
    clickIn();
    QGuiApplication::clipboard()->setText(QStringLiteral("Møtet 07:45, ikke før"));
    QStringList names;
    auto useMenu = [&](const QString &command) {
        QTimer::singleShot(0, [&, command] {
            QMenu *menu = nullptr;
            const bool up = QTest::qWaitFor(
                [&] { return (menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) != nullptr; });
            ASSERT_TRUE(up);
            names.clear();
            for (QAction *a : menu->actions())
                names << a->objectName();
            for (QAction *a : menu->actions()) {
                if (a->objectName() == command) {
                    EXPECT_TRUE(a->isEnabled()) << command.toStdString();
                    a->trigger();
                }
            }
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, field_->rect().center(), field_->mapToGlobal(field_->rect().center()));
        QApplication::sendEvent(field_, &event);
    };
    useMenu(QStringLiteral("edit-paste"));
    EXPECT_TRUE(names.contains(QStringLiteral("edit-paste"))) << names.join(' ').toStdString();
    EXPECT_EQ(field().time(), QStringLiteral("07:45"));

    field().setFocus();
    field().setSelection(0, 2);
    useMenu(QStringLiteral("edit-copy"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("07"));
    field().setFocus();
    field().setSelection(3, 2);
    useMenu(QStringLiteral("edit-cut"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("45"));
    EXPECT_EQ(field().time(), QStringLiteral("07:  "));
    field().setFocus();
    field().setSelection(0, 5);
    useMenu(QStringLiteral("edit-delete"));
    EXPECT_EQ(field().time(), QStringLiteral("  :  "));
}

TEST_F(TimeFieldTest, CopyGivesBlanksNotTheUnderscoresShown)
{
    field().load(QStringLiteral(" 7:3"));
    clickIn();
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral(" 7:3 "));
}

TEST_F(TimeFieldTest, DropTakesDigitsOnly)
{
    field().load(QString());
    drop(QStringLiteral("16:45"), field_->rect().center());
    EXPECT_EQ(field().time(), QStringLiteral("16:45"));
    EXPECT_TRUE(field().edited());
    field().load(QString());
    drop(QStringLiteral("kl. \u0667\u0663 ab"), field_->rect().center());
    EXPECT_EQ(field().time(), QStringLiteral("  :  "));
    // Into a time: position by position from where it lands (the start of the field).
    field().load(QStringLiteral("12:00"));
    drop(QStringLiteral("x0y9"), QPoint(3, field_->height() / 2));
    EXPECT_EQ(field().time(), QStringLiteral("09:00"));
}
