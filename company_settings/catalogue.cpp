#include "company_settings/catalogue.h"

#include <QHash>

#include "environment/hs_reg.h"

namespace Timesetu {

namespace {

Setting text(const char16_t *key, const char *control, const QString &caption, Page page)
{
    return Setting{QString::fromUtf16(key), Kind::Text, QLatin1String(control), caption, page};
}

Setting of(const char16_t *key, Kind kind, const char *control, const QString &caption, Page page)
{
    return Setting{QString::fromUtf16(key), kind, QLatin1String(control), caption, page};
}

Setting spin(const char16_t *key, const char *control, const QString &caption, int max, int step)
{
    Setting s{QString::fromUtf16(key), Kind::Number, QLatin1String(control), caption, Page::Arbeid};
    s.minimum = 0;
    s.maximum = max;
    s.step = step;
    return s;
}

Setting margin(const char16_t *key, const char *control, const QString &caption, int fallback)
{
    Setting s{QString::fromUtf16(key), Kind::NumberAsText, QLatin1String(control), caption, Page::Utskrift};
    s.fallback = fallback;
    return s;
}

QList<Setting> buildSettings()
{
    using P = Page;
    using K = Kind;
    const QString pauser = QStringLiteral("&Pauser");
    return {
        // Page "&Firma"
        text(u"Firma_Navn", "bNavn", QStringLiteral("Firmanavn"), P::Firma),
        text(u"Firma_PostAdresse", "bPostAdr", QStringLiteral("Postadresse"), P::Firma),
        text(u"Firma_GateAdresse", "bGateAdr", QStringLiteral("Gateadresse"), P::Firma),
        text(u"Firma_PostNr", "bPostNr", QStringLiteral("Poststed"), P::Firma),
        text(u"Firma_PostSted", "bPostSted", QStringLiteral("Poststed"), P::Firma),
        text(u"Firma_Epost", "bEmail", QStringLiteral("E-post"), P::Firma),
        text(u"Firma_Telefon", "bTelefon", QStringLiteral("Telefon"), P::Firma),
        text(u"Firma_Telefax", "bTelefax", QStringLiteral("Telefax"), P::Firma),
        text(u"Firma_Mobil", "bMobil", QStringLiteral("Mobil"), P::Firma),
        text(u"Firma_OrgNr", "bOrgnr", QStringLiteral("Org.nr."), P::Firma),
        text(u"Firma_KontoNr", "bKontoNr", QStringLiteral("Kontonr."), P::Firma),
        text(u"HTML_HomePage", "internett", QStringLiteral("Internett"), P::Firma),
        // Page "&Avdeling"
        text(u"Avdeling1", "avdeling1", QStringLiteral("&Avdeling"), P::Avdeling),
        text(u"Avdeling2", "avdeling2", QStringLiteral("&Avdeling"), P::Avdeling),
        text(u"Avdeling3", "avdeling3", QStringLiteral("&Avdeling"), P::Avdeling),
        text(u"Avdeling4", "avdeling4", QStringLiteral("&Avdeling"), P::Avdeling),
        text(u"Avdeling5", "avdeling5", QStringLiteral("&Avdeling"), P::Avdeling),
        text(u"Avdeling6", "avdeling6", QStringLiteral("&Avdeling"), P::Avdeling),
        text(u"Avdeling7", "avdeling7", QStringLiteral("&Avdeling"), P::Avdeling),
        text(u"Avdeling8", "avdeling8", QStringLiteral("&Avdeling"), P::Avdeling),
        text(u"Arbeid_Timekonto1", "timekonto1", QStringLiteral("Time&konto"), P::Avdeling),
        text(u"Arbeid_Timekonto2", "timekonto2", QStringLiteral("Time&konto"), P::Avdeling),
        text(u"Arbeid_Timekonto3", "timekonto3", QStringLiteral("Time&konto"), P::Avdeling),
        text(u"Arbeid_Timekonto4", "timekonto4", QStringLiteral("Time&konto"), P::Avdeling),
        text(u"Arbeid_Timekonto5", "Timekonto5", QStringLiteral("Time&konto"), P::Avdeling),
        text(u"Arbeid_Timekonto6", "Timekonto6", QStringLiteral("Time&konto"), P::Avdeling),
        text(u"Arbeid_Timekonto7", "Timekonto7", QStringLiteral("Time&konto"), P::Avdeling),
        text(u"Arbeid_Timekonto8", "Timekonto8", QStringLiteral("Time&konto"), P::Avdeling),
        text(u"Arbeid_Sykelønnskonto", "Timekonto9", QStringLiteral("Sykelønn"), P::Avdeling),
        // Page "Arbei&d"
        of(u"Arbeid_ArbeidstidStart", K::Time, "ArbeidStart", QStringLiteral("Normalarbeidstid  start"), P::Arbeid),
        of(u"Arbeid_ArbeidstidSlutt", K::Time, "ArbeidSlutt", QStringLiteral("Normalarbeidstid slutt"), P::Arbeid),
        of(u"Arbeid_PauseTid1", K::Time, "Pausetid1", pauser, P::Arbeid),
        of(u"Arbeid_PauseTid2", K::Time, "Pausetid2", pauser, P::Arbeid),
        of(u"Arbeid_PauseTid3", K::Time, "PauseTid3", pauser, P::Arbeid),
        of(u"Arbeid_PauseTid4", K::Time, "Pausetid4", pauser, P::Arbeid),
        spin(u"Arbeid_PauseLengd1", "PauseLengd1", pauser, 60, 5),
        spin(u"Arbeid_PauseLengd2", "PauseLengd2", pauser, 60, 5),
        spin(u"Arbeid_PauseLengd3", "PauseLengd3", pauser, 60, 5),
        spin(u"Arbeid_PauseLengd4", "PauseLengd4", pauser, 60, 5),
        text(u"Arbeid_Kostpris", "atk", QStringLiteral("Kostpris"), P::Arbeid),
        text(u"Arbeid_Timepris", "ato", QStringLiteral("Ordinær"), P::Arbeid),
        text(u"Arbeid_Timepris_50", "at5", QStringLiteral("50%"), P::Arbeid),
        text(u"Arbeid_Timepris_100", "at1", QStringLiteral("100%"), P::Arbeid),
        text(u"Arbeid_Reise", "atreise", QStringLiteral("Reise"), P::Arbeid),
        text(u"Arbeid_KmUtpris", "Kmpris", QStringLiteral("Kmpris ut"), P::Arbeid),
        text(u"Arbeid_KmSumBil", "personbil", QStringLiteral("personbil"), P::Arbeid),
        text(u"Arbeid_KmSumPassasjer", "passasjer", QStringLiteral("passasjer"), P::Arbeid),
        text(u"Arbeid_KmSumHenger", "henger", QStringLiteral("henger"), P::Arbeid),
        text(u"Arbeid_KmSumUtstyr", "utstyr", QStringLiteral("utstyr"), P::Arbeid),
        text(u"Arbeid_Diettpenger", "Diett", QStringLiteral("Diettpenger"), P::Arbeid),
        of(u"Arbeid_BorteProsent", K::JaNei, "RadioGroupBorte", QStringLiteral("Bortetillegg"), P::Arbeid),
        spin(u"Arbeid_Bortetillegg", "SpinEditBorte", QStringLiteral("Bortetillegg"), 100, 1),
        // Page "&Regnskap"
        text(u"PosteringKontoFaktura", "Konto1", QStringLiteral("Faktura ut:"), P::Regnskap),
        text(u"PosteringKontoFordring", "Konto2", QStringLiteral("Kundefordringer:"), P::Regnskap),
        text(u"PosteringKontoBank", "Konto3", QStringLiteral("Bankkonto:"), P::Regnskap),
        text(u"PosteringKontoMVA", "Konto4", QStringLiteral("Oppgjørskonto MVA:"), P::Regnskap),
        text(u"PosteringKontoInnkjøp", "Konto5", QStringLiteral("Leverandørgjeld:"), P::Regnskap),
        text(u"PosteringKontoKasse", "Kasse", QStringLiteral("Kassekonto:"), P::Regnskap),
        text(u"Satser_MVA", "mva", QStringLiteral("Merverdi avgift 1 %"), P::Regnskap),
        text(u"Satser_MVA12", "mva2", QStringLiteral("Merverdi avgift 2 %"), P::Regnskap),
        text(u"Satser_MVA3", "mva3", QStringLiteral("Merverdi avgift 3 %"), P::Regnskap),
        text(u"Satser_MVA4", "mva4", QStringLiteral("Merverdi avgift 4 %"), P::Regnskap),
        text(u"Satser_ARBAVG", "Arbavg", QStringLiteral("Arbeidgiveravgift %"), P::Regnskap),
        // Page "Faktura"
        text(u"FakturaDager", "FakturaDager", QStringLiteral("Antall dager til forfall"), P::Faktura),
        text(u"FakturaGebyr", "FGebyr", QStringLiteral("Fakturagebyr"), P::Faktura),
        text(u"FakturaGebyrUnder", "FGebyrUnder", QStringLiteral("Fakturagebyr under..."), P::Faktura),
        text(u"PurreGebyr", "PGebyr", QStringLiteral("Purregebyr"), P::Faktura),
        text(u"FakturaTekst1", "Fakturatekst1", QStringLiteral("Tekst på faktura"), P::Faktura),
        text(u"FakturaTekst2", "Fakturatekst2", QStringLiteral("Tekst på faktura"), P::Faktura),
        text(u"PurreTekst1", "Purretekst1", QStringLiteral("Tekst på purring"), P::Faktura),
        text(u"PurreTekst2", "Purretekst2", QStringLiteral("Tekst på purring"), P::Faktura),
        text(u"RentenotaProsent", "RentenotaPros", QStringLiteral("Rentenota prosent"), P::Faktura),
        of(u"SpørEtterGebyr", K::Flag1, "SporGebyr", QStringLiteral("Spør etter gebyr"), P::Faktura),
        of(u"KroneAvrunding", K::Flag, "Kravrunding", QStringLiteral("Krone avrunding (opp)"), P::Faktura),
        of(u"Krone4Avrunding", K::Flag, "Kr4Avrunding", QStringLiteral("Avrund 4 kroner"), P::Faktura),
        // Page "&Utskrift"
        of(u"Skriver_Index", K::PrinterIndex, "Skriver", QStringLiteral("Skriver:"), P::Utskrift),
        of(u"RotatedView", K::Flag, "Orientering", QStringLiteral("Liggende ark"), P::Utskrift),
        of(u"Skriver_BrevSidenummer", K::Flag1, "BrevSidenummer", QStringLiteral("Sidenummer på ark"), P::Utskrift),
        of(u"Skriver_FortryktHeader", K::Flag1, "FortryktBrev", QStringLiteral("Bruk fortrykte brevark"), P::Utskrift),
        of(u"UseTranselate", K::Flag, "UseLang", QStringLiteral("Bruk oversetting"), P::Utskrift),
        text(u"TranselateLang", "LangExt", QStringLiteral("Språk:"), P::Utskrift),
        of(u"Skriver_VisDialog", K::Flag1, "VisSkriver", QStringLiteral("Direkte utskrift"), P::Utskrift),
        of(u"PrnLHJH", K::Flag1, "LHJH", QStringLiteral("Høyrejuster header"), P::Utskrift),
        of(u"Skriver_Konvolutt", K::Flag1, "konvolutt", QStringLiteral("Mat inn konvolutt på langs"), P::Utskrift),
        text(u"Skriver_HeaderFont", "FontHeader", QStringLiteral("Headerfont:"), P::Utskrift),
        margin(u"Skriver_ToppMarg", "topp", QStringLiteral("topp:"), 25),
        margin(u"Skriver_BunnMarg", "bunn", QStringLiteral("bunn:"), 25),
        margin(u"Skriver_VenstreMarg", "venstre", QStringLiteral("venstre:"), 25),
        margin(u"Skriver_HoyreMarg", "hoyre", QStringLiteral("høyre:"), 25),
        margin(u"Girojustering", "Giro", QStringLiteral("giro:"), -4),
        text(u"Skriver_Logojustering", "LogoJust", QStringLiteral("logojustering:"), P::Utskrift),
    };
}

QStringList keys(std::initializer_list<const char16_t *> list)
{
    QStringList out;
    out.reserve(qsizetype(list.size()));
    for (const char16_t *k : list)
        out << QString::fromUtf16(k);
    return out;
}

} // namespace

const QList<Setting> &settings()
{
    static const QList<Setting> all = buildSettings();
    return all;
}

const Setting *findSetting(const QString &key)
{
    static const QHash<QString, qsizetype> index = [] {
        QHash<QString, qsizetype> h;
        for (qsizetype i = 0; i < settings().size(); ++i)
            h.insert(settings()[i].key, i);
        return h;
    }();
    const auto it = index.constFind(key);
    return it == index.cend() ? nullptr : &settings()[*it];
}

const QStringList &loadOrder()
{
    static const QStringList order = keys({
        u"Firma_Navn", u"Firma_PostAdresse", u"Firma_GateAdresse", u"Firma_PostNr", u"Firma_PostSted",
        u"Firma_Epost", u"Firma_Telefon", u"Firma_Telefax", u"Firma_Mobil", u"Firma_OrgNr", u"Firma_KontoNr",
        u"Avdeling1", u"Avdeling2", u"Avdeling3", u"Avdeling4", u"Avdeling5", u"Avdeling6", u"Avdeling7",
        u"Avdeling8",
        u"Arbeid_Timekonto1", u"Arbeid_Timekonto2", u"Arbeid_Timekonto3", u"Arbeid_Timekonto4",
        u"Arbeid_Timekonto5", u"Arbeid_Timekonto6", u"Arbeid_Timekonto7", u"Arbeid_Timekonto8",
        u"Arbeid_Sykelønnskonto",
        u"Arbeid_KmSumBil", u"Arbeid_KmSumHenger", u"Arbeid_KmSumUtstyr", u"Arbeid_KmSumPassasjer",
        u"Arbeid_ArbeidstidStart", u"Arbeid_ArbeidstidSlutt",
        u"Arbeid_PauseLengd1", u"Arbeid_PauseLengd2", u"Arbeid_PauseLengd3", u"Arbeid_PauseLengd4",
        u"Arbeid_PauseTid1", u"Arbeid_PauseTid2", u"Arbeid_PauseTid3", u"Arbeid_PauseTid4",
        u"Arbeid_Bortetillegg", u"Arbeid_BorteProsent", u"Arbeid_Diettpenger",
        u"Arbeid_Kostpris", u"Arbeid_Timepris", u"Arbeid_Timepris_50", u"Arbeid_Timepris_100", u"Arbeid_Reise",
        u"Arbeid_KmUtpris",
        u"RotatedView", u"Skriver_VisDialog", u"Skriver_Index", u"Skriver_FortryktHeader",
        u"Skriver_ToppMarg", u"Skriver_BunnMarg", u"Skriver_VenstreMarg", u"Skriver_HoyreMarg", u"Girojustering",
        u"Skriver_BrevSidenummer", u"Skriver_Konvolutt", u"Skriver_Logojustering", u"PrnLHJH",
        u"Skriver_HeaderFont", u"HTML_HomePage",
        u"PosteringKontoFordring", u"PosteringKontoFaktura", u"PosteringKontoBank", u"PosteringKontoMVA",
        u"PosteringKontoInnkjøp", u"PosteringKontoKasse",
        u"Satser_MVA", u"Satser_MVA12", u"Satser_MVA3", u"Satser_MVA4", u"Satser_ARBAVG",
        u"KroneAvrunding", u"Krone4Avrunding",
        u"FakturaGebyr", u"FakturaGebyrUnder", u"PurreGebyr", u"RentenotaProsent",
        u"SpørEtterGebyr", u"FakturaDager",
        u"FakturaTekst1", u"FakturaTekst2", u"PurreTekst1", u"PurreTekst2",
        u"UseTranselate", u"TranselateLang",
    });
    return order;
}

const QStringList &saveOrder()
{
    static const QStringList order = keys({
        u"Avdeling1", u"Avdeling2", u"Avdeling3", u"Avdeling4", u"Avdeling5", u"Avdeling6", u"Avdeling7",
        u"Avdeling8",
        u"Arbeid_Timekonto1", u"Arbeid_Timekonto2", u"Arbeid_Timekonto3", u"Arbeid_Timekonto4",
        u"Arbeid_Timekonto5", u"Arbeid_Timekonto6", u"Arbeid_Timekonto7", u"Arbeid_Timekonto8",
        u"Arbeid_Sykelønnskonto",
        u"Arbeid_KmSumBil", u"Arbeid_KmSumHenger", u"Arbeid_KmSumUtstyr", u"Arbeid_KmSumPassasjer",
        u"Arbeid_ArbeidstidStart", u"Arbeid_ArbeidstidSlutt",
        u"Arbeid_PauseLengd1", u"Arbeid_PauseLengd2", u"Arbeid_PauseLengd3", u"Arbeid_PauseLengd4",
        u"Arbeid_PauseTid1", u"Arbeid_PauseTid2", u"Arbeid_PauseTid3", u"Arbeid_PauseTid4",
        u"Arbeid_Kostpris", u"Arbeid_Timepris", u"Arbeid_Timepris_50", u"Arbeid_Timepris_100", u"Arbeid_Reise",
        u"Arbeid_KmUtpris",
        u"Arbeid_BorteProsent", u"Arbeid_Bortetillegg", u"Arbeid_Diettpenger",
        u"Firma_Navn", u"Firma_PostAdresse", u"Firma_GateAdresse", u"Firma_PostNr", u"Firma_PostSted",
        u"Firma_Epost", u"Firma_Telefon", u"Firma_Telefax", u"Firma_Mobil", u"Firma_OrgNr", u"Firma_KontoNr",
        u"Skriver_Index", u"RotatedView", u"Skriver_VisDialog", u"Skriver_FortryktHeader",
        u"Skriver_ToppMarg", u"Skriver_BunnMarg", u"Skriver_VenstreMarg", u"Skriver_HoyreMarg", u"Girojustering",
        u"Skriver_BrevSidenummer", u"Skriver_Konvolutt", u"Skriver_Logojustering", u"PrnLHJH",
        u"Skriver_HeaderFont", u"HTML_HomePage",
        u"PosteringKontoFordring", u"PosteringKontoFaktura", u"PosteringKontoBank", u"PosteringKontoMVA",
        u"PosteringKontoInnkjøp", u"PosteringKontoKasse",
        u"Satser_MVA", u"Satser_MVA12", u"Satser_MVA3", u"Satser_MVA4", u"Satser_ARBAVG",
        u"KroneAvrunding", u"Krone4Avrunding",
        u"FakturaDager",
        u"FakturaTekst1", u"FakturaTekst2", u"PurreTekst1", u"PurreTekst2",
        u"SpørEtterGebyr",
        u"FakturaGebyr", u"FakturaGebyrUnder", u"PurreGebyr", u"RentenotaProsent",
        u"UseTranselate", u"TranselateLang",
    });
    return order;
}

const QList<SideFile> &sideFiles()
{
    static const QList<SideFile> files = {
        {QStringLiteral("Standardtekster"), QStringLiteral("Memo"), SideFileName::StandardText, {}},
        {QStringLiteral("Tekst for henting av vare"), QStringLiteral("SdtTekst"), SideFileName::Fixed,
         QStringLiteral("FIRMA.TXV")},
        {QStringLiteral("Salgstekster"), QStringLiteral("StdTekst2"), SideFileName::Fixed, QStringLiteral("FIRMA.TXP")},
        {QStringLiteral("Bransjer"), QStringLiteral("Bransjetekst"), SideFileName::Fixed, QStringLiteral("FIRMA.TXB")},
        {QStringLiteral("Leveringsmåte"), QStringLiteral("Leveringstekst"), SideFileName::DeliveryText, {}},
    };
    return files;
}

const QStringList &sideFileSaveOrder()
{
    static const QStringList order = {QStringLiteral("Memo"), QStringLiteral("StdTekst2"), QStringLiteral("SdtTekst"),
                                      QStringLiteral("Bransjetekst"), QStringLiteral("Leveringstekst")};
    return order;
}

QString sideFilePath(const SideFile &file)
{
    switch (file.naming) {
    case SideFileName::StandardText:
        return hs_reg::standardtextfile();
    case SideFileName::DeliveryText:
        return hs_reg::deliverytextfile();
    case SideFileName::Fixed:
        break;
    }
    return hs_reg::values().etcdir + file.fileName;
}

const QStringList &derivedControls()
{
    static const QStringList names = {QStringLiteral("StandardSkriver")};
    return names;
}

const QStringList &paymentTermItems()
{
    static const QStringList items = {QStringLiteral("Omgående"), QStringLiteral("7 dager"), QStringLiteral("10 dager"),
                                      QStringLiteral("14 dager"), QStringLiteral("30 dager"), QStringLiteral("60 dager"),
                                      QStringLiteral("90 dager")};
    return items;
}

const QStringList &headerFontItems()
{
    static const QStringList items = {QStringLiteral("Arial"), QStringLiteral("Arial Black"),
                                      QStringLiteral("Comic Sans MS"), QStringLiteral("Courier"),
                                      QStringLiteral("Courier New"), QStringLiteral("Times New Roman"),
                                      QStringLiteral("Verdana")};
    return items;
}

QString dialogTitle()
{
    return QStringLiteral("Oppsett Verkstolpen SQL versjon 6.11-728 02.10.2012 (init 5.52)");
}

} // namespace Timesetu
