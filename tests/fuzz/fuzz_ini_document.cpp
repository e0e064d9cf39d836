// The settings document: any bytes load without harm, and writing a document and reading it again
// gives the same sections, keys and values. Input after a line ";;edits" is not part of the document
// but a list of writes, one "section|key|value" a line, applied before the document is written.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "environment/ini_document.h"
#include "fuzz_check.h"

namespace {

const QByteArray kEditsMarker = "\n;;edits\n";

// Same sections in the same order, same keys in each, same values.
void checkSame(const IniDocument &a, const IniDocument &b)
{
    const QStringList sections = a.sectionNames();
    if (sections != b.sectionNames()) {
        std::fprintf(stderr, "sections %s\n     vs %s\n", fuzzShow(sections.join(u'|')).constData(),
                     fuzzShow(b.sectionNames().join(u'|')).constData());
    }
    FUZZ_CHECK(sections == b.sectionNames());
    for (const QString &s : sections) {
        FUZZ_CHECK(b.hasSection(s));
        const QStringList keys = a.keys(s);
        if (keys != b.keys(s)) {
            std::fprintf(stderr, "[%s] keys %s\n     vs %s\n", fuzzShow(s).constData(),
                         fuzzShow(keys.join(u'|')).constData(), fuzzShow(b.keys(s).join(u'|')).constData());
        }
        FUZZ_CHECK(keys == b.keys(s));
        for (const QString &k : keys) {
            FUZZ_CHECK(b.hasKey(s, k));
            if (a.value(s, k) != b.value(s, k)) {
                std::fprintf(stderr, "[%s] %s: %s\n     vs %s\n", fuzzShow(s).constData(), fuzzShow(k).constData(),
                             fuzzShow(a.value(s, k)).constData(), fuzzShow(b.value(s, k)).constData());
            }
            FUZZ_CHECK(a.value(s, k) == b.value(s, k));
        }
    }
}

bool blank(QChar c)
{
    return c.unicode() <= 0x20;
}

// The loader trims names and values, so writes are made in the form a file can carry.
QString trimmed(QString s)
{
    s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    qsizetype b = 0, e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

QString foldedKey(const QString &section, const QString &key)
{
    // Names match regardless of case, code unit by code unit.
    QString folded = section + QChar(0) + key;
    for (QChar &c : folded)
        c = c.toLower();
    return folded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype marker = input.indexOf(kEditsMarker);
    const QByteArray bytes = marker < 0 ? input : input.left(marker);

    IniDocument doc;
    doc.loadBytes(bytes);
    for (const QString &s : doc.sectionNames())
        for (const QString &k : doc.keys(s))
            doc.value(s, k);

    if (marker >= 0) {
        QHash<QString, QString> written;  // folded section and key -> value
        const QList<QByteArray> edits = input.mid(marker + kEditsMarker.size()).split('\n');
        for (qsizetype i = 0; i < edits.size() && i < 200; ++i) {
            const QStringList parts = QString::fromUtf8(edits[i]).split(QLatin1Char('|'));
            const QString section = trimmed(parts.value(0));
            // A key cannot hold "=" nor start like a comment or a section and be read back as a key.
            QString key = trimmed(parts.value(1).remove(QLatin1Char('=')));
            while (!key.isEmpty() && (key[0] == QLatin1Char(';') || key[0] == QLatin1Char('[') || blank(key[0])))
                key.remove(0, 1);
            const QString value = trimmed(parts.mid(2).join(QLatin1Char('|')));
            doc.setValue(section, key, value);
            FUZZ_CHECK(doc.hasKey(section, key));
            FUZZ_CHECK(doc.value(section, key) == value);
            written.insert(foldedKey(section, key), value);
        }
        for (const QString &s : doc.sectionNames())
            for (const QString &k : doc.keys(s))
                if (written.contains(foldedKey(s, k)))
                    FUZZ_CHECK(doc.value(s, k) == written.value(foldedKey(s, k)));
    }

    // Writes as they come, line breaks and all, on a copy: a name with a leading blank may read back
    // as another one, so only the writing itself is checked there.
    if (marker >= 0) {
        IniDocument raw = doc;
        const QList<QByteArray> edits = input.mid(marker + kEditsMarker.size()).split('\n');
        for (qsizetype i = 0; i < edits.size() && i < 200; ++i) {
            const QStringList parts = QString::fromUtf8(edits[i]).split(QLatin1Char('|'));
            const QString section = parts.value(0), key = parts.value(1), value = parts.value(2);
            raw.setValue(section, key, value);
            const auto oneLine = [](QString s) {
                return s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            };
            FUZZ_CHECK(raw.value(oneLine(section), oneLine(key), QStringLiteral("-")) == oneLine(value));
        }
        IniDocument rawAgain;
        rawAgain.loadBytes(raw.toBytes());
    }

    // Written and read again: the same document, and written again the same bytes.
    const QByteArray out = doc.toBytes();
    IniDocument again;
    again.loadBytes(out);
    checkSame(doc, again);
    FUZZ_CHECK(again.toBytes() == out);

    IniDocument fromText;
    fromText.loadText(doc.toText());
    checkSame(doc, fromText);
    return 0;
}
