// The in-memory INI document: parsing, lookups, edits, write-back layout, number rules, encodings.
#include <QDir>
#include <QHash>
#include <gtest/gtest.h>
#include <random>

#include "environment/ini_document.h"
#include "environment/ini_index.h"
#include "support/test_env.h"
#include "support/test_names.h"

namespace {

QByteArray ansi(const QString &text)
{
    textfile::Encoding e = textfile::Encoding::Ansi;
    QByteArray b = textfile::encode(text, e);
    EXPECT_EQ(e, textfile::Encoding::Ansi);
    return b;
}

IniDocument parsed(const QString &text)
{
    IniDocument d;
    d.loadText(text);
    return d;
}

TEST(IniDocument, HandEditedFileIsReadAndNormalisedOnWriteBack)
{
    const IniDocument d = parsed(QStringLiteral(
        "stray=before any section\r\n"
        "; comment before\r\n"
        "  [Standard]  \r\n"
        "\r\n"
        "   LogToFile   =   1   \r\n"
        "; a comment\r\n"
        "   ;indented comment\r\n"
        "Firma_Navn = Hansen = Sønn AS\r\n"
        "   a line without equals   \r\n"
        "Empty=\n"
        "\n"
        "[Other]\r"
        "k=v\r"));
    EXPECT_EQ(d.sectionNames(), QStringList({"Standard", "Other"}));
    EXPECT_EQ(d.value("STANDARD", "logtofile"), "1");
    EXPECT_EQ(d.value("standard", "FIRMA_NAVN"), "Hansen = Sønn AS");
    EXPECT_TRUE(d.hasKey("Standard", "Empty"));
    EXPECT_EQ(d.value("Standard", "Empty", "fallback"), "");
    EXPECT_FALSE(d.hasKey("Standard", "stray"));
    EXPECT_EQ(d.value("Standard", "missing", "fb"), "fb");
    EXPECT_EQ(d.value("NoSuch", "k", "fb"), "fb");
    EXPECT_FALSE(d.hasSection("NoSuch"));
    EXPECT_TRUE(d.hasSection("oTHER"));
    EXPECT_EQ(d.toText(), QStringLiteral("[Standard]\r\n"
                                         "LogToFile=1\r\n"
                                         "Firma_Navn=Hansen = Sønn AS\r\n"
                                         "a line without equals\r\n"
                                         "Empty=\r\n"
                                         "\r\n"
                                         "[Other]\r\n"
                                         "k=v\r\n"
                                         "\r\n"));
}

TEST(IniDocument, EditsReplaceInPlaceAppendToSectionAndAddSectionsAtTheEnd)
{
    IniDocument d = parsed(QStringLiteral("[A]\r\na=1\r\nb=2\r\n[B]\r\nc=3\r\n[Empty]\r\n"));
    d.setValue("a", "A", "10");           // existing key, other case: in place
    d.setValue("A", "new", "x");          // new key: end of its own section, not of the document
    d.setValue("b", "c", "");             // empty value
    d.setValue("Fresh", "k", "v");        // new section at the end
    d.setValue("fresh", "k2", "v2");      // same section, other case
    EXPECT_EQ(d.sectionNames(), QStringList({"A", "B", "Empty", "Fresh"}));
    // The spelling of a replaced key is not fixed; everything else is.
    EXPECT_EQ(d.toText().toLower(), QStringLiteral("[a]\r\na=10\r\nb=2\r\nnew=x\r\n\r\n"
                                                   "[b]\r\nc=\r\n\r\n[empty]\r\n\r\n"
                                                   "[fresh]\r\nk=v\r\nk2=v2\r\n\r\n"));
    EXPECT_TRUE(d.toText().startsWith("[A]\r\n"));
    EXPECT_TRUE(d.toText().contains("[Fresh]\r\n"));
    EXPECT_EQ(d.keys("a").size(), 3);
}

TEST(IniDocument, DuplicateKeyReadsAndReplacesTheFirst)
{
    IniDocument d = parsed(QStringLiteral("[S]\r\nk=1\r\nK=2\r\n"));
    EXPECT_EQ(d.value("S", "k"), "1");
    d.setValue("S", "k", "9");
    EXPECT_EQ(d.value("S", "k"), "9");
    EXPECT_TRUE(d.toText().contains("=9\r\nK=2\r\n")) << qPrintable(d.toText());
}

TEST(IniDocument, FirstOfDuplicatesWinsAcrossSectionsTheLastLineAndTableGrowth)
{
    // The key on the file's very last line, a section given twice, and enough keys to grow the index.
    QString text = QStringLiteral("[S]\r\nk=1\r\n[T]\r\nk=2\r\n");
    for (int i = 0; i < 5000; ++i)
        text += QStringLiteral("n%1=%1\r\n").arg(i);
    text += QStringLiteral("[s]\r\nK=3\r\n[T]\r\nn4999=last");
    IniDocument d = parsed(text);
    EXPECT_EQ(d.value("S", "k"), "1");
    EXPECT_EQ(d.value("T", "k"), "2");
    EXPECT_EQ(d.value("T", "n0"), "0");
    EXPECT_EQ(d.value("T", "N4999"), "4999");
}

TEST(IniDocument, ValueWithLineBreaksCannotAddKeysOrSections)
{
    IniDocument d;
    d.setValue("STANDARD", "A", "first\r\n[EVIL]\r\nB=1\nC=2\rD=3");
    d.setValue("STANDARD", "Key\nX", "y");
    const QString inMemory = d.value("STANDARD", "A");
    EXPECT_FALSE(inMemory.contains('\r') || inMemory.contains('\n'));
    EXPECT_TRUE(inMemory.startsWith("first") && inMemory.endsWith("D=3"));

    IniDocument again;
    again.loadBytes(d.toBytes());
    EXPECT_EQ(again.sectionNames(), QStringList({"STANDARD"}));
    EXPECT_EQ(again.keys("STANDARD").size(), 2);
    EXPECT_FALSE(again.hasKey("STANDARD", "B"));
    EXPECT_EQ(again.value("STANDARD", "A"), inMemory);
}

struct IntCase {
    const char *text;
    bool ok;
    qint32 value;
};

class ParseInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(ParseInt, FollowsTheSuiteRules)
{
    const IntCase c = GetParam();
    qint32 v = 12345;
    EXPECT_EQ(IniDocument::parseInt(QString::fromUtf8(c.text), v), c.ok) << c.text;
    if (c.ok)
        EXPECT_EQ(v, c.value) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, ParseInt, ::testing::Values(
    IntCase{"0", true, 0}, IntCase{"2", true, 2}, IntCase{"-5", true, -5}, IntCase{"+7", true, 7},
    IntCase{"000123", true, 123}, IntCase{"   42", true, 42},
    IntCase{"0x10", true, 16}, IntCase{"0X10", true, 16}, IntCase{"$1F", true, 31}, IntCase{"$1f", true, 31},
    IntCase{"0xabcDEF", true, 0xabcdef}, IntCase{"$7FFFFFFF", true, 2147483647},
    IntCase{"$FFFFFFFF", true, -1}, IntCase{"0x80000000", true, INT32_MIN}, IntCase{"$000000001F", true, 31},
    IntCase{"2147483647", true, 2147483647}, IntCase{"-2147483648", true, INT32_MIN},
    IntCase{"2147483648", false, 0}, IntCase{"-2147483649", false, 0}, IntCase{"99999999999999999999", false, 0},
    IntCase{"$100000000", false, 0}, IntCase{"0x1FFFFFFFF", false, 0},
    IntCase{"True", false, 0}, IntCase{"", false, 0}, IntCase{"-", false, 0}, IntCase{"12a", false, 0},
    IntCase{"1 2", false, 0}, IntCase{"1.5", false, 0}, IntCase{"1e3", false, 0}, IntCase{"0x", false, 0},
    IntCase{"$", false, 0}, IntCase{"x10", false, 0}, IntCase{"$G", false, 0}, IntCase{"0x1G", false, 0},
    IntCase{"١٢", false, 0}),
    testnames::by([](const IntCase &c) { return c.text; }));

TEST(IniDocument, HandWrittenNumbersWithBlanksReadAfterLoading)
{
    const IniDocument d = parsed(QStringLiteral("[S]\r\nn =  12  \r\n"));
    qint32 v = 0;
    EXPECT_TRUE(IniDocument::parseInt(d.value("S", "n"), v));
    EXPECT_EQ(v, 12);
}

// Many sections and keys in mixed letter case, edited at random, against a plain model of the rules:
// the first line with a key is the one read and replaced, a new key goes to the end of its section.
TEST(IniDocument, LookupsAndEditsAgreeWithAPlainModelAtScale)
{
    std::mt19937 rng(4711);
    auto anyCase = [&](const QString &s) {
        QString out = s;
        for (QChar &c : out)
            c = (rng() & 1) ? c.toUpper() : c.toLower();
        return out;
    };
    QStringList sectionPool, keyPool;
    for (int i = 0; i < 40; ++i)
        sectionPool << QString("Seksjon%1").arg(i) << QString("ØVRIG-%1").arg(i);
    for (int i = 0; i < 400; ++i)
        keyPool << QString("Nøkkel_%1").arg(i) << QString("key%1").arg(i) << QString("Æ%1å").arg(i);

    struct ModelSection {
        QString name;
        std::vector<std::pair<QString, QString>> lines;  // key, value
        QHash<QString, size_t> first;                    // folded key -> its first line
        void add(const QString &key, const QString &value)
        {
            if (!first.contains(key.toLower()))
                first.insert(key.toLower(), lines.size());
            lines.emplace_back(key, value);
        }
    };
    std::vector<ModelSection> model;
    QHash<QString, size_t> sectionAt;
    auto modelSet = [&](const QString &section, const QString &key, const QString &value) {
        if (!sectionAt.contains(section.toLower())) {
            sectionAt.insert(section.toLower(), model.size());
            model.push_back({section, {}, {}});
        }
        ModelSection &m = model[sectionAt.value(section.toLower())];
        const auto it = m.first.constFind(key.toLower());
        if (it != m.first.constEnd())
            m.lines[*it].second = value;
        else
            m.add(key, value);
    };

    // A file with unique section names and some repeated keys.
    QString text;
    for (int s = 0; s < 30; ++s) {
        const QString name = sectionPool[s * 2 + (s % 2)];
        text += "[" + anyCase(name) + "]\r\n";
        sectionAt.insert(name.toLower(), model.size());
        model.push_back({anyCase(name), {}, {}});
        for (int l = 0; l < 60; ++l) {
            const QString key = anyCase(keyPool[rng() % 200]);
            const QString value = QString::number(rng() % 100000);
            text += key + "=" + value + "\r\n";
            model.back().add(key, value);  // a repeat stays as its own line
        }
    }
    IniDocument d;
    d.loadText(text);
    for (int op = 0; op < 20000; ++op) {
        const QString section = anyCase(sectionPool[rng() % sectionPool.size()]);
        const QString key = anyCase(keyPool[rng() % keyPool.size()]);
        const QString value = "v" + QString::number(op);
        d.setValue(section, key, value);
        modelSet(section, key, value);
    }

    auto check = [&](const IniDocument &doc) {
        ASSERT_EQ(qsizetype(doc.sectionNames().size()), qsizetype(model.size()));
        for (const ModelSection &m : model) {
            QStringList modelKeys, docKeys;
            for (const auto &kv : m.lines)
                modelKeys << kv.first.toLower();
            for (const QString &k : doc.keys(anyCase(m.name)))
                docKeys << k.toLower();
            ASSERT_EQ(docKeys, modelKeys) << qPrintable(m.name);
            for (const QString &key : keyPool) {
                const auto it = m.first.constFind(key.toLower());
                const QString expected = it == m.first.constEnd() ? QStringLiteral("<none>") : m.lines[*it].second;
                ASSERT_EQ(doc.value(anyCase(m.name), anyCase(key), "<none>"), expected) << qPrintable(key);
            }
        }
    };
    check(d);
    IniDocument again;
    again.loadBytes(d.toBytes());
    check(again);
}

// The index folds letter case with a table of its own; a unit it folds otherwise than Qt would make
// a name written in another case go missing.
TEST(IniDocument, IndexFoldsLetterCaseAsQtDoes)
{
    for (char32_t c = 0; c <= 0xFFFF; ++c)
        ASSERT_EQ(ini_index::fold(char16_t(c)), QChar(char16_t(c)).toLower().unicode()) << unsigned(c);
}

// --- Encodings --------------------------------------------------------------------------------------

TEST(IniDocument, WindowsCodePageFileRoundTripsByteForByte)
{
    const QString text = QStringLiteral(
        "[STANDARD]\r\nArbeid_Sykelønnskonto=5000\r\nPosteringKontoInnkjøp=4000\r\nSpørEtterGebyr=1\r\n"
        "Firma_Navn=Blåbær & Søn – “Æ” €\r\n\r\n");
    const QByteArray bytes = ansi(text);
    ASSERT_TRUE(bytes.contains('\xF8'));  // ø as one byte
    IniDocument d;
    d.loadBytes(bytes);
    EXPECT_EQ(d.encoding(), textfile::Encoding::Ansi);
    EXPECT_EQ(d.value("standard", "ARBEID_SYKELØNNSKONTO"), "5000");
    EXPECT_EQ(d.value("STANDARD", "sPØReTTERgEBYR"), "1");
    EXPECT_EQ(d.value("STANDARD", "Firma_Navn"), "Blåbær & Søn – “Æ” €");
    EXPECT_EQ(d.toBytes(), bytes);
}

TEST(IniDocument, EveryCodePageByteSurvivesAWriteBack)
{
    QByteArray value;
    for (int b = 0x21; b <= 0xFF; ++b)
        if (b != '=' && b != ';' && b != '[')
            value.append(char(b));
    const QByteArray bytes = "[S]\r\nk=" + value + "\r\n\r\n";
    IniDocument d;
    d.loadBytes(bytes);
    EXPECT_FALSE(d.value("S", "k").contains(QChar(0xFFFD)));
    EXPECT_EQ(d.toBytes(), bytes);
}

struct EncodingCase {
    const char *name;
    QByteArray bom;
    const char *codec;  // for QString conversion below
    textfile::Encoding encoding;
};

QByteArray encodeAs(const QString &text, const char *codec)
{
    if (!qstrcmp(codec, "utf8"))
        return text.toUtf8();
    QByteArray out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (!qstrcmp(codec, "le")) {
            out.append(char(u & 0xFF));
            out.append(char(u >> 8));
        } else {
            out.append(char(u >> 8));
            out.append(char(u & 0xFF));
        }
    }
    return out;
}

class UnicodeFiles : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(UnicodeFiles, AreReadAndWrittenBackInTheirOwnEncoding)
{
    const EncodingCase c = GetParam();
    const QString text = QStringLiteral("[STANDARD]\r\nSpørEtterGebyr=1\r\nNavn=Ωmega ł 日本\r\n\r\n");
    const QByteArray bytes = c.bom + encodeAs(text, c.codec);
    IniDocument d;
    d.loadBytes(bytes);
    EXPECT_EQ(d.encoding(), c.encoding) << c.name;
    EXPECT_EQ(d.value("standard", "spøretTERGEBYR"), "1") << c.name;
    EXPECT_EQ(d.value("STANDARD", "Navn"), "Ωmega ł 日本") << c.name;
    EXPECT_EQ(d.toBytes(), bytes) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, UnicodeFiles, ::testing::Values(
    EncodingCase{"utf8", QByteArray(), "utf8", textfile::Encoding::Utf8},
    EncodingCase{"utf8bom", QByteArray("\xEF\xBB\xBF"), "utf8", textfile::Encoding::Utf8Bom},
    EncodingCase{"utf16le", QByteArray("\xFF\xFE"), "le", textfile::Encoding::Utf16LE},
    EncodingCase{"utf16be", QByteArray("\xFE\xFF"), "be", textfile::Encoding::Utf16BE}),
    testnames::by([](const EncodingCase &c) { return c.name; }));

TEST(IniDocument, NewDocumentIsCodePageUnlessThatWouldLoseACharacter)
{
    IniDocument plain;
    plain.setValue("STANDARD", "PosteringKontoInnkjøp", "4000");
    EXPECT_EQ(plain.toBytes(), QByteArray("[STANDARD]\r\nPosteringKontoInnkj\xF8p=4000\r\n\r\n"));

    IniDocument wide;
    wide.setValue("STANDARD", "Navn", "Łódź Ω");
    const QByteArray bytes = wide.toBytes();
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE")) << bytes.toHex().constData();
    IniDocument back;
    back.loadBytes(bytes);
    EXPECT_EQ(back.value("STANDARD", "Navn"), "Łódź Ω");
}

// --- Bad input -------------------------------------------------------------------------------------

// Loading, writing back and loading again must settle at once: nothing more is lost on later rounds.
void expectStable(const QByteArray &input)
{
    IniDocument first;
    first.loadBytes(input);
    const QByteArray once = first.toBytes();
    IniDocument second;
    second.loadBytes(once);
    EXPECT_EQ(second.sectionNames(), first.sectionNames());
    for (const QString &s : first.sectionNames()) {
        EXPECT_EQ(second.keys(s), first.keys(s));
        for (const QString &k : first.keys(s))
            EXPECT_EQ(second.value(s, k), first.value(s, k)) << qPrintable(s) << "/" << qPrintable(k);
    }
    EXPECT_EQ(second.toBytes(), once);
}

TEST(IniDocument, RandomBytesLoadWithoutHarmAndSettle)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes;
        const int n = 1 + int(rng() % 4000);
        for (int i = 0; i < n; ++i)
            bytes.append(char(rng() & 0xFF));
        if (round % 2)
            bytes.prepend("[STANDARD]\r\n");
        SCOPED_TRACE(round);
        expectStable(bytes);
    }
}

// A code-page file whose only non-UTF-8 bytes are in a comment: once the comment is gone, "Ã¦" in
// code-page bytes is valid UTF-8 and would read back as "æ".
TEST(IniDocument, CodePageTextThatLooksLikeUtf8AfterWriteBackKeepsItsValue)
{
    const QByteArray bytes("; \xFF\r\n[S]\r\nk=\xC3\xA6\r\n");
    IniDocument d;
    d.loadBytes(bytes);
    ASSERT_EQ(d.value("S", "k"), "Ã¦");
    expectStable(bytes);

    IniDocument fresh;
    fresh.setValue("S", "k", "Ã¦");
    IniDocument back;
    back.loadBytes(fresh.toBytes());
    EXPECT_EQ(back.value("S", "k"), "Ã¦");
}

TEST(IniDocument, NulBytesDoNotCutTheFile)
{
    static const char raw[] = "[STANDARD]\r\nA=1\r\nB=x\0y\r\n\0\0\0\r\nC=3\r\n";
    const QByteArray bytes(raw, sizeof raw - 1);
    IniDocument d;
    d.loadBytes(bytes);
    EXPECT_EQ(d.value("STANDARD", "A"), "1");
    EXPECT_EQ(d.value("STANDARD", "C"), "3");
    expectStable(bytes);
}

TEST(IniDocument, TenMegabyteLineIsKeptWhole)
{
    const QByteArray big(10 * 1024 * 1024, 'x');
    const QByteArray bytes = "[STANDARD]\r\n" + big + "\r\nBig=" + big + "\r\nAfter=1\r\n";
    IniDocument d;
    d.loadBytes(bytes);
    EXPECT_EQ(d.value("STANDARD", "Big").size(), big.size());
    EXPECT_EQ(d.value("STANDARD", "After"), "1");
    const QByteArray out = d.toBytes();
    EXPECT_EQ(out.size(), bytes.size() + 2);  // the empty line after the section
    IniDocument back;
    back.loadBytes(out);
    EXPECT_EQ(back.value("STANDARD", "Big").size(), big.size());
}

// --- Files -----------------------------------------------------------------------------------------

class IniFile : public TempEnvTest {};

TEST_F(IniFile, SaveWritesAtomicallyAndLoadReadsBack)
{
    const QString path = dir() + "/etc/a.ini";
    QDir().mkpath(dir() + "/etc");
    IniDocument d(path);
    EXPECT_TRUE(d.load());  // missing file: empty document
    EXPECT_TRUE(d.sectionNames().isEmpty());
    d.setValue("STANDARD", "Satser_MVA12", "15");
    QString error;
    ASSERT_TRUE(d.save(&error)) << qPrintable(error);
    EXPECT_EQ(QDir(dir() + "/etc").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"a.ini"}));
    EXPECT_EQ(testenv::readFile(path), QByteArray("[STANDARD]\r\nSatser_MVA12=15\r\n\r\n"));

    IniDocument back(path);
    ASSERT_TRUE(back.load());
    EXPECT_EQ(back.value("standard", "satser_mva12"), "15");
}

TEST_F(IniFile, FailuresAreReportedNotHidden)
{
    IniDocument d(dir() + "/missing-folder/a.ini");
    d.setValue("S", "k", "v");
    QString error;
    EXPECT_FALSE(d.save(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir() + "/missing-folder"));

    QDir().mkpath(dir() + "/afolder");
    IniDocument folder(dir() + "/afolder");
    error.clear();
    EXPECT_FALSE(folder.load(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(folder.sectionNames().isEmpty());
}

} // namespace
