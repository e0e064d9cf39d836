#include "common/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

#include "platform/files.h"
#include "platform/system.h"
#include "platform/textcodec.h"

namespace textfile {

namespace {

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool validUtf8(const unsigned char *p, qsizetype n)
{
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        unsigned min;
        unsigned cp;
        if ((c & 0xE0) == 0xC0) {
            len = 2, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

QString fromUtf16(const QByteArray &bytes, qsizetype offset, bool bigEndian)
{
    const qsizetype units = (bytes.size() - offset) / 2;
    QString s(units, Qt::Uninitialized);
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData()) + offset;
    char16_t *out = reinterpret_cast<char16_t *>(s.data());
    for (qsizetype i = 0; i < units; ++i)
        out[i] = bigEndian ? char16_t(p[2 * i] << 8 | p[2 * i + 1]) : char16_t(p[2 * i + 1] << 8 | p[2 * i]);
    return s;
}

QByteArray toUtf16(const QString &text, bool bigEndian)
{
    QByteArray out(2 + text.size() * 2, Qt::Uninitialized);
    auto *p = reinterpret_cast<unsigned char *>(out.data());
    p[0] = bigEndian ? 0xFE : 0xFF;
    p[1] = bigEndian ? 0xFF : 0xFE;
    const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const unsigned hi = in[i] >> 8, lo = in[i] & 0xFF;
        p[2 + 2 * i] = bigEndian ? hi : lo;
        p[3 + 2 * i] = bigEndian ? lo : hi;
    }
    return out;
}

} // namespace

Encoding detect(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8Bom;
    if (bytes.startsWith("\xFF\xFE"))
        return Encoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return Encoding::Utf16BE;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    qsizetype firstHigh = 0;
    while (firstHigh < bytes.size() && p[firstHigh] < 0x80)
        ++firstHigh;
    if (firstHigh == bytes.size())
        return Encoding::Ansi;
    return validUtf8(p + firstHigh, bytes.size() - firstHigh) ? Encoding::Utf8 : Encoding::Ansi;
}

QString decodeAs(const QByteArray &bytes, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8Bom:
    case Encoding::Utf8:
        return QString::fromUtf8(bytes);
    case Encoding::Utf16LE:
        return fromUtf16(bytes, 0, false);
    case Encoding::Utf16BE:
        return fromUtf16(bytes, 0, true);
    case Encoding::Ansi:
        break;
    }
    QString text(bytes.size(), Qt::Uninitialized);
    platform::adviseLargeBuffer(text.data(), std::size_t(text.size()) * sizeof(QChar));
    platform::textcodec::decode8bit(bytes.constData(), std::size_t(bytes.size()), reinterpret_cast<char16_t *>(text.data()));
    return text;
}

QString decode(const QByteArray &bytes, Encoding *encoding)
{
    const Encoding e = detect(bytes);
    if (encoding)
        *encoding = e;
    const qsizetype bom = e == Encoding::Utf8Bom ? 3 : (e == Encoding::Utf16LE || e == Encoding::Utf16BE) ? 2 : 0;
    return decodeAs(bom ? bytes.mid(bom) : bytes, e);
}

Encoding writeBackEncoding(Encoding readIn)
{
    return readIn == Encoding::Utf8 ? Encoding::Ansi : readIn;
}

QString formChangeWarning(const QString &path, Encoding readIn, Encoding written)
{
    if (writeBackEncoding(readIn) == readIn)
        return QString(QLatin1String(""));
    // Notepad's names of the forms, with the byte-order mark spelt out.
    const auto name = [](Encoding e) {
        switch (e) {
        case Encoding::Ansi:
            return QStringLiteral("ANSI (8-biters tegntabell)");
        case Encoding::Utf8:
            return QStringLiteral("UTF-8 uten BOM");
        case Encoding::Utf8Bom:
            return QStringLiteral("UTF-8 med BOM");
        case Encoding::Utf16LE:
            return QStringLiteral("UTF-16 LE med BOM");
        case Encoding::Utf16BE:
            return QStringLiteral("UTF-16 BE med BOM");
        }
        return QString(QLatin1String(""));
    };
    return QStringLiteral("ADVARSEL: %1 var lagret som %2, som suitens Windows-programmer ikke leser riktig; "
                          "skrevet om til %3")
        .arg(path, name(readIn), name(written));
}

QByteArray encode(const QString &text, Encoding &encoding)
{
    // UTF-8 cannot carry an unpaired surrogate (one may come from a UTF-16 file), and a leading U+FEFF
    // would be read back as a byte-order mark and dropped: UTF-16 LE keeps both.
    if ((encoding == Encoding::Utf8 || encoding == Encoding::Utf8Bom)
        && (!text.isValidUtf16() || text.startsWith(QChar(0xFEFF))))
        encoding = Encoding::Utf16LE;
    switch (encoding) {
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LE:
        return toUtf16(text, false);
    case Encoding::Utf16BE:
        return toUtf16(text, true);
    case Encoding::Ansi:
        break;
    }
    QByteArray bytes(text.size(), Qt::Uninitialized);
    // Bytes that would be read back as another encoding (a byte-order mark at the start, or valid UTF-8
    // such as "Ã¦") do not keep the text either.
    if (platform::textcodec::encode8bit(reinterpret_cast<const char16_t *>(text.constData()), std::size_t(text.size()), bytes.data())
        && detect(bytes) == Encoding::Ansi)
        return bytes;
    encoding = Encoding::Utf16LE;
    return toUtf16(text, false);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && p[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString joinLines(const QStringList &lines)
{
    qsizetype size = 0;
    for (const QString &l : lines)
        size += l.size() + 2;
    QString out;
    out.reserve(size);
    for (const QString &l : lines) {
        out += l;
        out += QLatin1String("\r\n");
    }
    return out;
}

bool readAll(const QString &path, QByteArray &bytes, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    // Read into one buffer of the file's size, advised for large pages before it is filled.
    const qint64 size = f.size();
    bytes = QByteArray(qsizetype(size > 0 ? size : 0), Qt::Uninitialized);
    platform::adviseLargeBuffer(bytes.data(), std::size_t(bytes.size()));
    qint64 got = 0;
    while (got < size) {
        const qint64 n = f.read(bytes.data() + got, size - got);
        if (n <= 0)
            break;
        got += n;
    }
    bytes.truncate(qsizetype(got));
    // What a growing file gained meanwhile, or all of one that reports no size.
    if (f.error() == QFile::NoError)
        bytes += f.readAll();
    if (f.error() != QFile::NoError) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    return writeAtomically(path, {QByteArrayView(bytes)}, error);
}

namespace {

std::function<void(const QString &)> &warningHandler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}

void warn(const QString &text)
{
    if (warningHandler())
        warningHandler()(text);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

// Writes every byte, a short write followed by another, so the reason reported is the system's own.
bool writeAll(QFileDevice &f, std::initializer_list<QByteArrayView> pieces)
{
    for (const QByteArrayView bytes : pieces) {
        for (qsizetype done = 0; done < bytes.size();) {
            const qint64 n = f.write(bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return false;
            done += qsizetype(n);
        }
    }
    return true;
}

// The data on the disk before the call returns; a failed sync is a failed write.
bool sync(QFileDevice &f, QString *reason)
{
#ifndef Q_OS_WIN
    if (::fsync(f.handle()) != 0) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
#else
    Q_UNUSED(f);
    Q_UNUSED(reason);
#endif
    return true;
}

// The file's own bytes replaced where they stand, the old ones kept to be put back on failure.
bool writeInPlace(const QString &path, std::initializer_list<QByteArrayView> pieces, const QString &whyNotAtomic,
                  QString *error)
{
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return fail(whyNotAtomic);
    const QByteArray old = f.readAll();
    if (f.error() != QFile::NoError || old.size() != f.size())
        return fail(whyNotAtomic + QStringLiteral("; filen kan heller ikke leses, så den kan ikke skrives direkte uten fare for å miste innholdet"));
    qint64 size = 0;
    for (const QByteArrayView bytes : pieces)
        size += bytes.size();
    QString reason;
    if (f.seek(0) && writeAll(f, pieces) && f.resize(size) && sync(f, &reason)) {
        warn(QStringLiteral("ADVARSEL: ") + path + QStringLiteral(" ble skrevet direkte i filen, ikke gjennom en midlertidig fil: ")
             + whyNotAtomic);
        return true;
    }
    if (reason.isEmpty())
        reason = f.errorString();
    // The old bytes back; what is beyond them goes.
    f.unsetError();
    const bool restored = f.seek(0) && writeAll(f, {QByteArrayView(old)}) && f.resize(old.size()) && sync(f, &reason);
    return fail(restored ? reason : reason + QStringLiteral("; det gamle innholdet kunne ikke settes tilbake"));
}

} // namespace

void setWarningHandler(std::function<void(const QString &)> handler)
{
    warningHandler() = std::move(handler);
}

bool writeAtomically(const QString &path, std::initializer_list<QByteArrayView> pieces, QString *error)
{
    QSaveFile f(path);
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = reason;
        f.cancelWriting();
        return false;
    };
    // A shared folder may let the user write the file but not create one beside it.
    const auto inPlace = [&](const QString &why) {
        f.cancelWriting();
        if (!QFileInfo::exists(path))
            return fail(why);
        return writeInPlace(path, pieces, why, error);
    };
    // Unbuffered, so that a full disk shows in write() here: a write buffer would be flushed by
    // commit(), which goes on to replace the old file with the short one when that flush fails.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return inPlace(f.errorString());
    if (!platform::files::keepOwnerAndMode(path.toStdU16String(), f.handle()))
        return inPlace(QStringLiteral("en ny fil kan ikke få gruppen til den gamle"));
    if (!writeAll(f, pieces))
        return fail(f.errorString());
    // commit() ignores a failed sync, and the rename would then put a file whose data may never
    // reach the disk in place of the old one.
    QString reason;
    if (!sync(f, &reason))
        return fail(reason);
    if (!f.commit()) {
        if (f.error() == QFileDevice::RenameError)
            return inPlace(f.errorString());
        return fail(f.errorString());
    }
    return true;
}

bool append(const QString &path, std::initializer_list<QByteArrayView> pieces, QString *error)
{
    QFile f(path);
    QString reason;
    if (f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered) && writeAll(f, pieces) && sync(f, &reason))
        return true;
    if (error)
        *error = reason.isEmpty() ? f.errorString() : reason;
    return false;
}

} // namespace textfile
