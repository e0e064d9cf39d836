// Text files: decoding arbitrary bytes, and every text surviving encode then decode in the encoding
// that encode() reports it used.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "common/textfile.h"
#include "fuzz_check.h"

namespace {

using textfile::Encoding;

constexpr Encoding kAll[] = {Encoding::Ansi, Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE,
                             Encoding::Utf16BE};

void checkRoundTrip(const QString &text)
{
    for (const Encoding wanted : kAll) {
        Encoding used = wanted;
        const QByteArray bytes = textfile::encode(text, used);
        // Only the 8-bit code page and UTF-8 may give way, and only to a form that keeps everything.
        FUZZ_CHECK(used == wanted || used == Encoding::Utf16LE);
        FUZZ_CHECK(used == wanted || wanted == Encoding::Ansi || wanted == Encoding::Utf8 || wanted == Encoding::Utf8Bom);
        Encoding read;
        const QString back = textfile::decode(bytes, &read);
        if (back != text) {
            std::fprintf(stderr, "wanted %d used %d read %d\n text %s\n back %s\n", int(wanted), int(used),
                         int(read), fuzzShow(text).constData(), fuzzShow(back).constData());
        }
        FUZZ_CHECK(back == text);
        // Written again in the encoding it was read in, the file keeps its bytes.
        Encoding again = read;
        if (read == used)
            FUZZ_CHECK(textfile::encode(back, again) == bytes);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    Encoding e;
    const QString text = textfile::decode(bytes, &e);
    FUZZ_CHECK(e == textfile::detect(bytes));
    for (const Encoding as : kAll)
        textfile::decodeAs(bytes, as);

    checkRoundTrip(text);
    // The bytes as UTF-16 code units as they come, unpaired surrogates and all.
    checkRoundTrip(QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2));

    // Lines: split, joined with CR LF and split again give the same lines.
    const QStringList lines = textfile::splitLines(text);
    for (const QString &line : lines)
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
    FUZZ_CHECK(textfile::splitLines(textfile::joinLines(lines)) == lines);
    return 0;
}
