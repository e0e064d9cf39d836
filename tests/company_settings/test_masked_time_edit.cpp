#include <QTest>
#include <gtest/gtest.h>

#include "company_settings/masked_time_edit.h"

struct TimeRow {
    const char *stored;
    const char *shown;
};

class TimeFieldText : public ::testing::TestWithParam<TimeRow> {};

TEST_P(TimeFieldText, StoredTextComesBackInFiveCharacters)
{
    MaskedTimeEdit field;
    field.setText(QString::fromLatin1(GetParam().stored));
    EXPECT_EQ(field.text(), QString::fromLatin1(GetParam().shown));
    // What the field shows is a fixed point: the saved text reads back as the same.
    MaskedTimeEdit again;
    again.setText(field.text().trimmed());
    EXPECT_EQ(again.text(), field.text());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TimeFieldText,
    ::testing::Values(TimeRow{"", "  :  "}, TimeRow{":", "  :  "}, TimeRow{"  :  ", "  :  "},
                      TimeRow{"07:30", "07:30"}, TimeRow{"7:30", " 7:30"}, TimeRow{" 7:30", " 7:30"},
                      TimeRow{"7:", " 7:  "}, TimeRow{"7 :", "7 :  "}, TimeRow{":5", "  :5 "},
                      TimeRow{": 5", "  : 5"}, TimeRow{"730", " 7:30"}, TimeRow{"0730", "07:30"},
                      TimeRow{"123:456", "23:45"}));

TEST(TimeField, TypingFillsThePositionsAndStepsOverTheColon)
{
    MaskedTimeEdit field;
    field.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field));
    field.setFocus();
    field.selectAll();
    QTest::keyClicks(&field, QStringLiteral("0730"));
    EXPECT_EQ(field.text(), QStringLiteral("07:30"));
    EXPECT_TRUE(field.holdsTime());
    // Letters are refused; Backspace blanks the position before the cursor.
    QTest::keyClicks(&field, QStringLiteral("x"));
    EXPECT_EQ(field.text(), QStringLiteral("07:30"));
    QTest::keyClick(&field, Qt::Key_Backspace);
    QTest::keyClick(&field, Qt::Key_Backspace);
    EXPECT_EQ(field.text(), QStringLiteral("07:  "));
    // While the field has the focus the blanks show as "_"; its text keeps blanks.
    EXPECT_EQ(field.QLineEdit::text(), QStringLiteral("07:__"));
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Delete);
    EXPECT_EQ(field.text(), QStringLiteral("  :  "));
    EXPECT_FALSE(field.holdsTime());
    QTest::keyClicks(&field, QStringLiteral(" 9"));
    QTest::keyClick(&field, Qt::Key_End);
    QTest::keyClicks(&field, QStringLiteral("5"));
    EXPECT_EQ(field.text(), QStringLiteral(" 9:  "));  // no position left at the end
}
