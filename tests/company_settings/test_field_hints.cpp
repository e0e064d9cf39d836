// Hints on numbers that money depends on: the checks themselves, and the warning sign and tooltip
// they put on the dialog's fields while typing and after loading, without touching what is saved.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "company_settings/field_hints.h"
#include "dialog_fixture.h"
#include "environment/hs_reg.h"
#include "support/test_names.h"

using Timesetu::HintRule;

namespace {

struct Row {
    HintRule rule;
    const char *text;
    bool right;
};

std::ostream &operator<<(std::ostream &os, const Row &r)
{
    static const char *const rules[] = {"orgnr", "account", "postnr", "email", "rate"};
    return os << rules[int(r.rule)] << " \"" << r.text << '"' << (r.right ? " may be right" : " is wrong");
}

// Every single-digit change of a valid number, at every position, breaks its check digit.
void expectEveryDigitChangeBreaksIt(HintRule rule, const QString &valid)
{
    ASSERT_TRUE(Timesetu::looksRight(rule, valid));
    for (qsizetype i = 0; i < valid.size(); ++i) {
        for (char c = '0'; c <= '9'; ++c) {
            if (valid[i] == QLatin1Char(c))
                continue;
            QString changed = valid;
            changed[i] = QLatin1Char(c);
            EXPECT_FALSE(Timesetu::looksRight(rule, changed)) << changed.toStdString();
        }
    }
}

} // namespace

class HintChecks : public ::testing::TestWithParam<Row> {};

TEST_P(HintChecks, Table)
{
    EXPECT_EQ(Timesetu::looksRight(GetParam().rule, QString::fromUtf8(GetParam().text)), GetParam().right);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HintChecks,
    ::testing::Values(
        // Organisation number.
        Row{HintRule::OrgNr, "123456785", true}, Row{HintRule::OrgNr, "123 456 785", true},
        Row{HintRule::OrgNr, "NO 123 456 785 MVA", true}, Row{HintRule::OrgNr, "NO123456785MVA", true},
        Row{HintRule::OrgNr, "", true}, Row{HintRule::OrgNr, "   ", true},
        Row{HintRule::OrgNr, "987654090", true},   // remainder 0: the check digit is 0, not 11
        Row{HintRule::OrgNr, "12345678", false}, Row{HintRule::OrgNr, "1234567850", false},
        Row{HintRule::OrgNr, "123.456.785", false}, Row{HintRule::OrgNr, "12345678x", false},
        Row{HintRule::OrgNr, "MVA", false}, Row{HintRule::OrgNr, "SE 123456785", false},
        Row{HintRule::OrgNr, "000000000", true},   // sum 0: remainder 0, check digit 0
        Row{HintRule::OrgNr, "123456700", false},  // check digit would be 10: no such number
        // Bank account.
        Row{HintRule::AccountNr, "12345678903", true}, Row{HintRule::AccountNr, "1234 56 78903", true},
        Row{HintRule::AccountNr, "1234.56.78903", true},
        Row{HintRule::AccountNr, "1234567890", false}, Row{HintRule::AccountNr, "123456789030", false},
        Row{HintRule::AccountNr, "1234-56-78903", false}, Row{HintRule::AccountNr, "", true},
        Row{HintRule::AccountNr, "12345678040", true},   // remainder 0: the check digit is 0
        Row{HintRule::AccountNr, "90000000000", false},  // check digit would be 10
        // Postal code.
        Row{HintRule::PostNr, "0150", true}, Row{HintRule::PostNr, " 6800 ", true}, Row{HintRule::PostNr, "", true},
        Row{HintRule::PostNr, "680", false}, Row{HintRule::PostNr, "68000", false}, Row{HintRule::PostNr, "68 00", false},
        Row{HintRule::PostNr, "N-6800", false}, Row{HintRule::PostNr, "６８００", false},
        // E-mail.
        Row{HintRule::Email, "post@fjordtre.no", true}, Row{HintRule::Email, "ola.nordmann@post.firma.no", true},
        Row{HintRule::Email, " post@firma.no ", true}, Row{HintRule::Email, "", true},
        Row{HintRule::Email, "post@firma", false}, Row{HintRule::Email, "post.firma.no", false},
        Row{HintRule::Email, "@firma.no", false}, Row{HintRule::Email, "post@", false},
        Row{HintRule::Email, "post@@firma.no", false}, Row{HintRule::Email, "a@b@firma.no", false},
        Row{HintRule::Email, "post@.no", false}, Row{HintRule::Email, "post@firma.", false},
        Row{HintRule::Email, "post@firma..no", false}, Row{HintRule::Email, "ola nordmann@firma.no", false},
        // Rates.
        Row{HintRule::Rate, "100", true}, Row{HintRule::Rate, "0", true}, Row{HintRule::Rate, "25,5", true},
        Row{HintRule::Rate, "12.5", true}, Row{HintRule::Rate, "100,00", true}, Row{HintRule::Rate, "", true},
        Row{HintRule::Rate, "100,01", false}, Row{HintRule::Rate, "-1", false}, Row{HintRule::Rate, "abc", false},
        Row{HintRule::Rate, "1,2,3", false}, Row{HintRule::Rate, "25 %", false}, Row{HintRule::Rate, "1e2", false}),
    testnames::printed());

TEST(HintChecks, AnyOneDigitChangedBreaksTheCheckDigit)
{
    expectEveryDigitChangeBreaksIt(HintRule::OrgNr, QStringLiteral("123456785"));
    expectEveryDigitChangeBreaksIt(HintRule::AccountNr, QStringLiteral("12345678903"));
}

// --- On the dialog --------------------------------------------------------------------------------

namespace {

QAction *hintOf(QLineEdit *e)
{
    for (QAction *a : e->actions())
        if (a->objectName() == Timesetu::hintActionName(e->objectName()))
            return a;
    return nullptr;
}

// The sign as the user sees it: a button inside the field, shown.
bool signShown(QLineEdit *e)
{
    for (QToolButton *b : e->findChildren<QToolButton *>())
        if (b->isVisible())
            return true;
    return false;
}

} // namespace

TEST_F(OppsettTest, TypingMarksAWrongNumberFixingItClearsTheMarkAndTheTextIsSavedAsTyped)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    QLineEdit *orgnr = d.bOrgnr;
    EXPECT_FALSE(signShown(orgnr));

    orgnr->setFocus();
    QTest::keyClicks(orgnr, QStringLiteral("123 456 784"));
    ASSERT_NE(hintOf(orgnr), nullptr);
    EXPECT_TRUE(signShown(orgnr));
    EXPECT_EQ(orgnr->toolTip(), QStringLiteral("Organisasjonsnummeret er ikke gyldig (kontrollsifferet stemmer ikke)."));
    EXPECT_EQ(hintOf(orgnr)->toolTip(), orgnr->toolTip());

    QTest::keyClick(orgnr, Qt::Key_Backspace);
    QTest::keyClicks(orgnr, QStringLiteral("5"));
    EXPECT_EQ(hintOf(orgnr), nullptr);
    EXPECT_FALSE(signShown(orgnr));
    EXPECT_EQ(orgnr->toolTip(), QString());

    // Wrong again, and saved exactly as typed, blanks included.
    QTest::keyClick(orgnr, Qt::Key_Backspace);
    QTest::keyClicks(orgnr, QStringLiteral("6 "));
    EXPECT_TRUE(signShown(orgnr));
    d.bKontoNr->setFocus();
    QTest::keyClicks(d.bKontoNr, QStringLiteral("1234.56.78903"));
    EXPECT_FALSE(signShown(d.bKontoNr));
    d.mva->setText(QStringLiteral("125,5"));
    EXPECT_NE(hintOf(d.mva), nullptr);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    ASSERT_TRUE(d.Lagret);
    // The trailing blank is in the file (a read of the key trims it, as the suite's programs do).
    EXPECT_TRUE(sectionOnDisk(QStringLiteral("STANDARD")).contains("\r\nFirma_OrgNr=123 456 786 \r\n"));
    EXPECT_EQ(storedValue(QStringLiteral("Firma_KontoNr")), QStringLiteral("1234.56.78903"));
    EXPECT_EQ(storedValue(QStringLiteral("Satser_MVA")), QStringLiteral("125,5"));
    EXPECT_EQ(orgnr->text(), QStringLiteral("123 456 786 "));  // nothing changed in the field either
}

TEST_F(OppsettTest, LoadingMarksWrongValuesAndHentClearsMarksOfFixedOnes)
{
    openSettings(standard({"Arbeid_ArbeidstidStart=08:00", "Firma_OrgNr=NO 987 654 321 MVA", "Firma_KontoNr=3700.12.34567",
                           "Firma_PostNr=680", "Firma_Epost=post@fjordtre", "Satser_MVA=25", "Satser_MVA12=15,0",
                           "Satser_MVA3=12.5", "Satser_MVA4=-1", "Satser_ARBAVG=14,1,1"}));
    TOppsettDialog &d = dialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    const struct {
        QLineEdit *field;
        bool marked;
    } expected[] = {{d.bOrgnr, true}, {d.bKontoNr, true}, {d.bPostNr, true}, {d.bEmail, true}, {d.mva, false},
                    {d.mva2, false},  {d.mva3, false},    {d.mva4, true},    {d.Arbavg, true}};
    for (const auto &e : expected) {
        EXPECT_EQ(hintOf(e.field) != nullptr, e.marked) << e.field->objectName().toStdString();
        EXPECT_EQ(!e.field->toolTip().isEmpty(), e.marked) << e.field->objectName().toStdString();
    }
    EXPECT_TRUE(signShown(d.bOrgnr));  // on the page shown
    EXPECT_EQ(d.bPostNr->toolTip(), QStringLiteral("Postnummeret skal ha fire sifre."));
    EXPECT_EQ(d.bEmail->toolTip(), QStringLiteral("E-postadressen ser ikke riktig ut."));
    EXPECT_EQ(d.mva4->toolTip(), QStringLiteral("Satsen skal være et tall mellom 0 og 100."));
    EXPECT_EQ(d.bKontoNr->toolTip(), QStringLiteral("Kontonummeret er ikke gyldig (kontrollsifferet stemmer ikke)."));
    EXPECT_EQ(d.bOrgnr->text(), QStringLiteral("NO 987 654 321 MVA"));

    // Another program corrected the file meanwhile: "Hent" takes the marks away.
    hs_reg::writestr(QStringLiteral("Firma_OrgNr"), QStringLiteral("NO 123 456 785 MVA"));
    hs_reg::writestr(QStringLiteral("Satser_MVA4"), QString());
    QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(hintOf(d.bOrgnr), nullptr);
    EXPECT_FALSE(signShown(d.bOrgnr));
    EXPECT_EQ(hintOf(d.mva4), nullptr);
    EXPECT_NE(hintOf(d.bKontoNr), nullptr);
}
