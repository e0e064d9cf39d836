#include <QSet>
#include <gtest/gtest.h>

#include "company_settings/catalogue.h"
#include "support/test_names.h"

using namespace Timesetu;

namespace {

QSet<QString> asSet(const QStringList &l)
{
    return QSet<QString>(l.begin(), l.end());
}

} // namespace

TEST(Catalogue, NinetyOneDistinctKeysEachWithItsOwnControl)
{
    QStringList keys, controls;
    for (const Setting &s : settings()) {
        keys << s.key;
        controls << s.control;
        EXPECT_EQ(findSetting(s.key), &s) << s.key.toStdString();
    }
    EXPECT_EQ(keys.size(), 91);
    EXPECT_EQ(asSet(keys).size(), 91);
    EXPECT_EQ(asSet(controls).size(), 91);
    EXPECT_EQ(findSetting(QStringLiteral("Firma_Navn"))->control, QStringLiteral("bNavn"));
    EXPECT_EQ(findSetting(QStringLiteral("firma_navn")), nullptr);  // keys are written exactly
}

TEST(Catalogue, LoadAndSaveOrdersAreEachEveryKeyOnce)
{
    QStringList keys;
    for (const Setting &s : settings())
        keys << s.key;
    for (const QStringList *order : {&loadOrder(), &saveOrder()}) {
        EXPECT_EQ(order->size(), 91);
        EXPECT_EQ(asSet(*order), asSet(keys));
    }
    // The two orders differ: loading starts with the company, saving with the departments.
    EXPECT_EQ(loadOrder().first(), QStringLiteral("Firma_Navn"));
    EXPECT_EQ(saveOrder().first(), QStringLiteral("Avdeling1"));
    EXPECT_EQ(saveOrder().last(), QStringLiteral("TranselateLang"));
}

TEST(Catalogue, KeysWithLettersOutsideAsciiAndOddSpellings)
{
    for (const char16_t *key : {u"Arbeid_Sykelønnskonto", u"PosteringKontoInnkjøp", u"SpørEtterGebyr", u"Satser_MVA12",
                                u"UseTranselate", u"TranselateLang", u"Girojustering", u"PrnLHJH", u"RotatedView"})
        EXPECT_NE(findSetting(QString::fromUtf16(key)), nullptr) << QString::fromUtf16(key).toStdString();
}

struct KindRow {
    const char16_t *key;
    Kind kind;
    int fallback, maximum, step;
};

class CatalogueKinds : public ::testing::TestWithParam<KindRow> {};

TEST_P(CatalogueKinds, KindRangeAndFallback)
{
    const KindRow &row = GetParam();
    const Setting *s = findSetting(QString::fromUtf16(row.key));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->kind, row.kind);
    if (row.kind == Kind::NumberAsText) {
        EXPECT_EQ(s->fallback, row.fallback);
    }
    if (row.kind == Kind::Number) {
        EXPECT_EQ(s->minimum, 0);
        EXPECT_EQ(s->maximum, row.maximum);
        EXPECT_EQ(s->step, row.step);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CatalogueKinds,
    ::testing::Values(KindRow{u"Skriver_ToppMarg", Kind::NumberAsText, 25, 0, 0},
                      KindRow{u"Skriver_HoyreMarg", Kind::NumberAsText, 25, 0, 0},
                      KindRow{u"Girojustering", Kind::NumberAsText, -4, 0, 0},
                      KindRow{u"Skriver_Logojustering", Kind::Text, 0, 0, 0},
                      KindRow{u"Arbeid_PauseLengd3", Kind::Number, 0, 60, 5},
                      KindRow{u"Arbeid_Bortetillegg", Kind::Number, 0, 100, 1},
                      KindRow{u"Arbeid_ArbeidstidStart", Kind::Time, 0, 0, 0},
                      KindRow{u"Arbeid_PauseTid3", Kind::Time, 0, 0, 0},
                      KindRow{u"SpørEtterGebyr", Kind::Flag1, 0, 0, 0},
                      KindRow{u"Skriver_VisDialog", Kind::Flag1, 0, 0, 0},
                      KindRow{u"RotatedView", Kind::Flag, 0, 0, 0},
                      KindRow{u"Krone4Avrunding", Kind::Flag, 0, 0, 0},
                      KindRow{u"Arbeid_BorteProsent", Kind::JaNei, 0, 0, 0},
                      KindRow{u"Skriver_Index", Kind::PrinterIndex, 0, 0, 0}),
    testnames::by([](const KindRow &r) { return r.key; }));

TEST(Catalogue, SideFilesWrittenWithTheSalesTextsBeforeTheGoodsTexts)
{
    QStringList tabs, controls;
    for (const SideFile &f : sideFiles()) {
        tabs << f.tab;
        controls << f.control;
    }
    EXPECT_EQ(tabs, (QStringList{QStringLiteral("Standardtekster"), QStringLiteral("Tekst for henting av vare"),
                                 QStringLiteral("Salgstekster"), QStringLiteral("Bransjer"), QStringLiteral("Leveringsmåte")}));
    EXPECT_EQ(asSet(sideFileSaveOrder()), asSet(controls));
    EXPECT_LT(sideFileSaveOrder().indexOf(QStringLiteral("StdTekst2")), sideFileSaveOrder().indexOf(QStringLiteral("SdtTekst")));
}
