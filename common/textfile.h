#pragma once
// Text files shared with the suite's Windows programs: encoding detection, encoding for writing,
// line splitting and atomic whole-file writes.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace textfile {

enum class Encoding {
    Ansi,     // the platform's 8-bit code page, no byte-order mark
    Utf8,     // valid UTF-8 with non-ASCII bytes, no byte-order mark
    Utf8Bom,
    Utf16LE,  // with byte-order mark
    Utf16BE,  // with byte-order mark
};

// A byte-order mark selects UTF-8 or UTF-16; otherwise valid UTF-8 holding non-ASCII is UTF-8; else Ansi.
Encoding detect(const QByteArray &bytes);
// Decodes the bytes (byte-order mark dropped) and tells which encoding they were in.
QString decode(const QByteArray &bytes, Encoding *encoding = nullptr);
// Decodes bytes known to be in the encoding, without a byte-order mark.
QString decodeAs(const QByteArray &bytes, Encoding encoding);
// Encodes text, with a byte-order mark where the encoding has one. Ansi text holding a character the
// code page lacks is written as UTF-16 LE instead, so nothing is lost; encoding tells what was used.
QByteArray encode(const QString &text, Encoding &encoding);

// Splits at CR LF, CR or LF; a final line end does not add an empty line.
QStringList splitLines(const QString &text);
// Each line followed by CR LF.
QString joinLines(const QStringList &lines);

// Reads the whole file. False with error set when it exists but cannot be read.
bool readAll(const QString &path, QByteArray &bytes, QString *error = nullptr);
// Replaces the file's content through a temporary file beside it, so a crash or a full disk never
// leaves a half-written file. False with a readable reason on failure.
bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

} // namespace textfile
