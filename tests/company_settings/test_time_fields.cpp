// The six time fields of "Arbei&d" in the dialog, driven by real key and mouse events: what is typed is
// what is stored, a partial time is never saved, and the hint sign tells what is missing or wrong.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <gtest/gtest.h>

#include "company_settings/field_hints.h"
#include "company_settings/masked_time_edit.h"
#include "dialog_fixture.h"
#include "dialogs/janei.h"
#include "environment/hs_reg.h"
#include "support/test_names.h"

namespace {

struct Field {
    const char *control;
    const char16_t *key;
};

const Field kFields[] = {{"ArbeidStart", u"Arbeid_ArbeidstidStart"}, {"ArbeidSlutt", u"Arbeid_ArbeidstidSlutt"},
                         {"Pausetid1", u"Arbeid_PauseTid1"},         {"Pausetid2", u"Arbeid_PauseTid2"},
                         {"PauseTid3", u"Arbeid_PauseTid3"},         {"Pausetid4", u"Arbeid_PauseTid4"}};

// The sign as the user sees it: a button inside the field, shown.
bool signShown(QLineEdit *e)
{
    for (QToolButton *b : e->findChildren<QToolButton *>())
        if (b->isVisible())
            return true;
    return false;
}

bool marked(QLineEdit *e)
{
    for (QAction *a : e->actions())
        if (a->objectName() == Timesetu::hintActionName(e->objectName()))
            return true;
    return false;
}

class TimeFieldsTest : public OppsettTest {
protected:
    MaskedTimeEdit *time(const char *control) { return static_cast<MaskedTimeEdit *>(dialog().control(QLatin1String(control))); }
    // The page "Arbei&d" by a click on its tab, then a click into the field, as a user does it.
    void clickInto(MaskedTimeEdit *field)
    {
        TOppsettDialog &d = dialog();
        QTabBar *tabs = d.PageControl1->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        ASSERT_EQ(d.PageControl1->currentIndex(), 2);
        QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
        ASSERT_TRUE(field->hasFocus());
    }
    void type(MaskedTimeEdit *field, const QString &keys) { QTest::keyClicks(field, keys); }
    // The key's line as it is in the file on disk, "<absent>" when it is not there.
    QByteArray lineOnDisk(const QString &key)
    {
        const QByteArray section = sectionOnDisk(QStringLiteral("STANDARD"));
        const QByteArray start = "\r\n" + key.toLatin1() + "=";
        const qsizetype at = section.indexOf(start);
        if (at < 0)
            return "<absent>";
        return section.mid(at + 2, section.indexOf("\r\n", at + 2) - at - 2);
    }
};

} // namespace

TEST_F(TimeFieldsTest, SevenThreeZeroTypedIntoTheStartTimeIsStoredAsSevenThirtyAndOkClosesWithoutAsking)
{
    openSettings(QByteArray());
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    clickInto(d.ArbeidStart);
    type(d.ArbeidStart, QStringLiteral("730"));
    onNextModal([](QWidget *w) { w->close(); });
    QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    EXPECT_FALSE(modalSeen());  // a whole time: no question
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_ArbeidstidStart")), QByteArray("Arbeid_ArbeidstidStart= 7:30"));
}

// --- Every field, typed rows -----------------------------------------------------------------------

struct TypedRow {
    const char *keys;
    const char *stored;  // the value after "Bruk", blanks included
    bool sign;           // a time that cannot exist: marked, saved all the same
};

class TimeFieldTyping : public TimeFieldsTest, public ::testing::WithParamInterface<std::tuple<Field, TypedRow>> {};

TEST_P(TimeFieldTyping, WhatIsTypedIsWhatIsStored)
{
    const Field field = std::get<0>(GetParam());
    const TypedRow row = std::get<1>(GetParam());
    // A start time, so that nothing asks; the field itself holds a time to be replaced.
    QStringList lines{QString::fromUtf16(field.key) + "=12:00"};
    if (QLatin1String(field.control) != QLatin1String("ArbeidStart"))
        lines << QStringLiteral("Arbeid_ArbeidstidStart=06:00");
    openSettings(standard(lines));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    MaskedTimeEdit *t = time(field.control);
    clickInto(t);
    QTest::keyClick(t, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(t, Qt::Key_Delete);
    type(t, QString::fromLatin1(row.keys));
    QTest::keyClick(t, Qt::Key_Tab);
    EXPECT_EQ(marked(t), row.sign);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);  // "Bruk"
    ASSERT_TRUE(d.Lagret);
    EXPECT_EQ(lineOnDisk(QString::fromUtf16(field.key)), QString::fromUtf16(field.key).toLatin1() + "=" + row.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TimeFieldTyping,
    ::testing::Combine(::testing::ValuesIn(kFields),
                       ::testing::Values(TypedRow{"730", " 7:30", false}, TypedRow{"0730", "07:30", false},
                                         TypedRow{"1645", "16:45", false}, TypedRow{"7:05", " 7:05", false},
                                         TypedRow{"2575", "25:75", true})),
    testnames::by([](const std::tuple<Field, TypedRow> &p) {
        return std::string(std::get<0>(p).control) + "_" + std::get<1>(p).keys;
    }));

// --- A partial time ----------------------------------------------------------------------------------

TEST_F(TimeFieldsTest, PartialTimeLeftIsNotSavedTheFieldSaysWhatIsMissingAndEmptyingItSavesTheTemplate)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=06:00", "Arbeid_ArbeidstidSlutt=14:00", "Firma_Navn=Gammelt"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    const QByteArray before = testenv::readFile(ini());
    d.bNavn->setText(QStringLiteral("Nytt"));
    clickInto(d.ArbeidSlutt);
    QTest::keyClick(d.ArbeidSlutt, Qt::Key_A, Qt::ControlModifier);
    type(d.ArbeidSlutt, QStringLiteral("7:"));
    QTest::keyClick(d.ArbeidSlutt, Qt::Key_Tab);
    EXPECT_EQ(d.ArbeidSlutt->time(), QStringLiteral(" 7:  "));
    EXPECT_TRUE(marked(d.ArbeidSlutt));
    EXPECT_TRUE(signShown(d.ArbeidSlutt));
    const QString missing = QStringLiteral(
        "Klokkeslettet er ikke fullstendig: minuttene mangler. Skriv for eksempel 07:30, eller tøm feltet.");
    EXPECT_EQ(d.ArbeidSlutt->toolTip(), missing);

    // "Bruk" from another page: nothing is saved; the user is taken to the field and told.
    d.PageControl1->setCurrentIndex(0);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(d.Lagret);
    EXPECT_EQ(testenv::readFile(ini()), before);
    EXPECT_EQ(d.PageControl1->currentIndex(), 2);
    EXPECT_TRUE(d.ArbeidSlutt->hasFocus());
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), missing);

    // The user can always empty the field.
    QTest::keyClick(d.ArbeidSlutt, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(d.ArbeidSlutt, Qt::Key_Backspace);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(d.Lagret);
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_ArbeidstidSlutt")), QByteArray("Arbeid_ArbeidstidSlutt=  :  "));
    EXPECT_EQ(lineOnDisk(QStringLiteral("Firma_Navn")), QByteArray("Firma_Navn=Nytt"));
    EXPECT_FALSE(marked(d.ArbeidSlutt));
}

TEST_F(TimeFieldsTest, OkWithAPartialStartTimeInTheFieldSavesNothingAndAsksNothing)
{
    openSettings(standard({"Firma_Navn=Gammelt"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    const QByteArray before = testenv::readFile(ini());
    clickInto(d.ArbeidStart);
    type(d.ArbeidStart, QStringLiteral("73"));  // " 7:3": one minute digit short
    onNextModal([](QWidget *w) { w->close(); });
    QTest::keyClick(d.ArbeidStart, Qt::Key_Return);  // Enter presses "O&k"
    EXPECT_FALSE(modalSeen());
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.Lagret);
    EXPECT_EQ(testenv::readFile(ini()), before);
    EXPECT_TRUE(d.ArbeidStart->hasFocus());
    EXPECT_EQ(QToolTip::text(), Timesetu::timeHint(QStringLiteral(" 7:3 ")));
}

TEST_F(TimeFieldsTest, APartialStartTimeIsNoWorkingTimeForTheClosingQuestion)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=06:00"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    clickInto(d.ArbeidStart);
    QTest::keyClick(d.ArbeidStart, Qt::Key_End);
    QTest::keyClick(d.ArbeidStart, Qt::Key_Backspace);
    EXPECT_EQ(d.ArbeidStart->time(), QStringLiteral("06:0 "));
    QString question;
    onNextModal([&](QWidget *w) {
        question = static_cast<TJaNeiForm *>(w)->Label1->text();
        static_cast<TJaNeiForm *>(w)->NeiKnappClick();
    });
    QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    EXPECT_EQ(question, QStringLiteral("Arbeidstid er ikke innlagt, legge det inn nå ?"));
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(storedValue(QStringLiteral("Arbeid_ArbeidstidStart")), QStringLiteral("06:00"));
}

// --- Hints and stored texts the field cannot show ----------------------------------------------------

TEST_F(TimeFieldsTest, ATimeThatCannotExistIsMarkedAndSavedAsTyped)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=06:00"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    clickInto(d.Pausetid2);
    type(d.Pausetid2, QStringLiteral("2400"));
    EXPECT_TRUE(signShown(d.Pausetid2));
    EXPECT_EQ(d.Pausetid2->toolTip(),
              QStringLiteral("Klokkeslettet finnes ikke: timene går fra 0 til 23 og minuttene fra 00 til 59."));
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(d.Lagret);
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_PauseTid2")), QByteArray("Arbeid_PauseTid2=24:00"));
    // Fixed: the sign goes.
    QTest::keyClick(d.Pausetid2, Qt::Key_Home);
    type(d.Pausetid2, QStringLiteral("2"));
    QTest::keyClick(d.Pausetid2, Qt::Key_Delete);
    EXPECT_EQ(d.Pausetid2->time(), QStringLiteral("2 :00"));
    type(d.Pausetid2, QStringLiteral("3"));
    EXPECT_EQ(d.Pausetid2->time(), QStringLiteral("23:00"));
    EXPECT_FALSE(marked(d.Pausetid2));
}

TEST_F(TimeFieldsTest, StoredTextsTheFieldCannotShowStayAsTheyAreUntilEdited)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=73:0", "Arbeid_ArbeidstidSlutt=7:30:00", "Arbeid_PauseTid1=9:00",
                           "Arbeid_PauseTid2=  :  ", "Arbeid_PauseTid3=kl. 12.00"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    EXPECT_EQ(d.ArbeidStart->time(), QStringLiteral("73:0 "));
    EXPECT_EQ(d.ArbeidSlutt->time(), QStringLiteral(" 7:30"));
    EXPECT_EQ(d.PauseTid3->time(), QStringLiteral("12:00"));
    for (MaskedTimeEdit *t : {d.ArbeidStart, d.ArbeidSlutt, d.PauseTid3})
        EXPECT_TRUE(marked(t)) << t->objectName().toStdString();
    for (MaskedTimeEdit *t : {d.Pausetid1, d.Pausetid2, d.Pausetid4})
        EXPECT_FALSE(marked(t)) << t->objectName().toStdString();
    EXPECT_EQ(d.ArbeidSlutt->toolTip(), QStringLiteral("Innstillingsfilen har «7:30:00», som ikke er et klokkeslett "
                                                       "feltet kan vise. Det blir stående uendret til du endrer feltet."));
    // Saving without touching them: byte for byte as they were (a trimmed time comes back whole).
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(d.Lagret);
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_ArbeidstidStart")), QByteArray("Arbeid_ArbeidstidStart=73:0"));
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_ArbeidstidSlutt")), QByteArray("Arbeid_ArbeidstidSlutt=7:30:00"));
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_PauseTid1")), QByteArray("Arbeid_PauseTid1= 9:00"));
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_PauseTid2")), QByteArray("Arbeid_PauseTid2=  :  "));
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_PauseTid3")), QByteArray("Arbeid_PauseTid3=kl. 12.00"));
    // Edited: the five characters.
    clickInto(d.ArbeidSlutt);
    QTest::keyClick(d.ArbeidSlutt, Qt::Key_End);
    QTest::keyClick(d.ArbeidSlutt, Qt::Key_Backspace);
    type(d.ArbeidSlutt, QStringLiteral("5"));
    EXPECT_FALSE(marked(d.ArbeidSlutt));
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_ArbeidstidSlutt")), QByteArray("Arbeid_ArbeidstidSlutt= 7:35"));
    // A start time the field shows as partial is no working time.
    onNextModal([](QWidget *w) { static_cast<TJaNeiForm *>(w)->JaKnappClick(); });
    QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    EXPECT_TRUE(modalSeen());
    EXPECT_TRUE(d.isVisible());
}

TEST_F(TimeFieldsTest, PastedTimeInTheDialogGoesThroughTheMask)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=06:00"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    clickInto(d.PauseTid3);
    QGuiApplication::clipboard()->setText(QStringLiteral("kl. 11.30\n"));
    QTest::keyClick(d.PauseTid3, Qt::Key_V, Qt::ControlModifier);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(lineOnDisk(QStringLiteral("Arbeid_PauseTid3")), QByteArray("Arbeid_PauseTid3=11:30"));
}
