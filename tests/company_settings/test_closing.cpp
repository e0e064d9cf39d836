// Closing the dialog: the working-time question on every path, and Enter acting as "O&k".
#include <QApplication>
#include <QComboBox>
#include <QSpinBox>
#include <QTabWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "company_settings/masked_time_edit.h"
#include "dialog_fixture.h"
#include "dialogs/janei.h"
#include "environment/hs_reg.h"

namespace {

enum class Path { Avbryt, Escape, CloseBox, Ok };

void closeBy(TOppsettDialog &d, Path path)
{
    switch (path) {
    case Path::Avbryt: QTest::mouseClick(d.CancelBtn, Qt::LeftButton); break;
    case Path::Escape: QTest::keyClick(d.bNavn, Qt::Key_Escape); break;
    case Path::CloseBox: d.close(); break;  // what the window system's close box asks for
    case Path::Ok: QTest::mouseClick(d.OKBtn, Qt::LeftButton); break;
    }
}

struct CloseRow {
    const char *name;
    Path path;
    bool answerJa;
};

} // namespace

class ClosingWithoutWorkingTime : public OppsettTest, public ::testing::WithParamInterface<CloseRow> {};

TEST_P(ClosingWithoutWorkingTime, AsksAndJaKeepsTheWindowOpenNeiCloses)
{
    const CloseRow &row = GetParam();
    openSettings(standard({"Firma_Navn=Firma"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.bNavn->setFocus();
    d.bNavn->setText(QStringLiteral("Endret"));
    QString question;
    onNextModal([&](QWidget *w) {
        auto *q = qobject_cast<TJaNeiForm *>(w);
        ASSERT_NE(q, nullptr);
        question = q->Label1->text();
        EXPECT_EQ(QApplication::focusWidget(), q->JaKnapp);  // yes offered first
        QTest::mouseClick(row.answerJa ? q->JaKnapp : q->NeiKnapp, Qt::LeftButton);
    });
    closeBy(d, row.path);
    EXPECT_EQ(question, QStringLiteral("Arbeidstid er ikke innlagt, legge det inn nå ?"));
    EXPECT_EQ(d.isVisible(), row.answerJa);
    // Only "O&k" saved; the question comes after the save.
    EXPECT_EQ(storedValue(QStringLiteral("Firma_Navn")), row.path == Path::Ok ? QStringLiteral("Endret") : QStringLiteral("Firma"));
    EXPECT_EQ(d.Lagret, row.path == Path::Ok);
    if (row.answerJa) {
        EXPECT_EQ(d.bNavn->text(), QStringLiteral("Endret"));  // content as it was
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, ClosingWithoutWorkingTime,
                         ::testing::Values(CloseRow{"AvbrytJa", Path::Avbryt, true}, CloseRow{"AvbrytNei", Path::Avbryt, false},
                                           CloseRow{"EscapeJa", Path::Escape, true}, CloseRow{"EscapeNei", Path::Escape, false},
                                           CloseRow{"CloseBoxJa", Path::CloseBox, true},
                                           CloseRow{"CloseBoxNei", Path::CloseBox, false},
                                           CloseRow{"OkJa", Path::Ok, true}, CloseRow{"OkNei", Path::Ok, false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(OppsettTest, WithAStartTimeAvbrytClosesAtOnceWithoutSaving)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=07:30", "Firma_Navn=Firma"}));
    TOppsettDialog &d = dialog();
    d.bNavn->setText(QStringLiteral("Endret"));
    onNextModal([](QWidget *w) { w->close(); });
    QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    EXPECT_FALSE(modalSeen());
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(storedValue(QStringLiteral("Firma_Navn")), QStringLiteral("Firma"));
}

TEST_F(OppsettTest, QuestionClosedWithoutAnAnswerKeepsTheWindowOpen)
{
    openSettings(standard({}));
    TOppsettDialog &d = dialog();
    onNextModal([](QWidget *w) { w->close(); });  // the close box: the offered answer, yes
    QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    EXPECT_TRUE(modalSeen());
    EXPECT_TRUE(d.isVisible());
}

TEST_F(OppsettTest, QuestionStandsOnTheDialogNotOnTheScreenCorner)
{
    openSettings(standard({}));
    TOppsettDialog &d = dialog();
    QRect questionFrame;
    onNextModal([&](QWidget *w) {
        questionFrame = w->frameGeometry();
        static_cast<TJaNeiForm *>(w)->NeiKnappClick();
    });
    QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    const QRect outer = d.frameGeometry();
    EXPECT_EQ(hs_reg::values().RefVenstre, outer.x());
    EXPECT_EQ(hs_reg::values().RefBredde, outer.width());
    EXPECT_LE(qAbs(questionFrame.center().x() - outer.center().x()), 1);
    EXPECT_LE(qAbs(questionFrame.center().y() - outer.center().y()), 1);
}

TEST_F(OppsettTest, EnterInAOneLineFieldActsAsOk)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=07:30"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.PageControl1->setCurrentIndex(3);
    d.Konto1->setFocus();
    QTest::keyClicks(d.Konto1, QStringLiteral("3000"));
    QTest::keyClick(d.Konto1, Qt::Key_Return);
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(d.Lagret);
    EXPECT_EQ(storedValue(QStringLiteral("PosteringKontoFaktura")), QStringLiteral("3000"));
}

TEST_F(OppsettTest, EnterInTheTimeFieldAndInTheListsActsAsOkToo)
{
    for (int which = 0; which < 3; ++which) {
        openSettings(standard({"Arbeid_ArbeidstidStart=07:30"}));
        dialog_.reset();
        TOppsettDialog &d = dialog();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        QWidget *field = which == 0 ? static_cast<QWidget *>(d.ArbeidStart)
            : which == 1            ? static_cast<QWidget *>(d.FakturaDager->lineEdit())
                                    : static_cast<QWidget *>(d.PauseLengd1);
        d.PageControl1->setCurrentIndex(which == 1 ? 4 : 2);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible()) << which;
        EXPECT_TRUE(d.Lagret) << which;
    }
}
