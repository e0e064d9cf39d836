#pragma once
// Text files shared with the suite's Windows programs: encoding detection, encoding for writing,
// line splitting and atomic whole-file writes.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <initializer_list>
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
// Decodes the bytes (byte-order mark dropped) and tells which encoding they were in. In UTF-8 a second
// mark right after the first is dropped too, so such a file still starts with its first line.
QString decode(const QByteArray &bytes, Encoding *encoding = nullptr);
// Decodes bytes known to be in the encoding, without a byte-order mark.
QString decodeAs(const QByteArray &bytes, Encoding encoding);
// The encoding to write a file back in, given the one it was read in. UTF-8 without a byte-order mark
// (as Notepad saves) becomes the form of a new file, Ansi (encode() turns to UTF-16 LE where the code
// page lacks a character): the suite's Windows programs read these files through the Windows profile
// functions, which take a file without a mark as 8-bit text. Every other form stays.
Encoding writeBackEncoding(Encoding readIn);
// The "ADVARSEL: " log line for the file at path, read in readIn and written in written, when
// writeBackEncoding() changed its form; empty otherwise.
QString formChangeWarning(const QString &path, Encoding readIn, Encoding written);

// Encodes text, with a byte-order mark where the encoding has one. Whatever would not read back as the
// same text is written in another form, so nothing is lost; encoding tells what was used:
// - Ansi text holding a character the code page lacks, or whose bytes would be taken for UTF-8 or a
//   byte-order mark on reading, as UTF-16 LE;
// - UTF-8 text holding an unpaired surrogate or starting with U+FEFF, as UTF-16 LE.
QByteArray encode(const QString &text, Encoding &encoding);

// Splits at CR LF, CR or LF; a final line end does not add an empty line.
QStringList splitLines(const QString &text);
// Each line followed by CR LF.
QString joinLines(const QStringList &lines);

// Reads the whole file. False with error set when it exists but cannot be read.
bool readAll(const QString &path, QByteArray &bytes, QString *error = nullptr);
// Replaces the file's content through a temporary file beside it, so a crash or a full disk never
// leaves a half-written file; the new file keeps the owner, group and mode of the old one where the
// platform allows. Where no temporary file can be made or put in place (a shared folder that lets
// the user write the file but not create one) or the file's group could not be kept, the file is
// written in place instead: its old bytes are read first and put back when the write fails, and the
// warning handler is told why. False with a readable reason on failure.
bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// The same for content made of pieces written one after another, without joining them first.
bool writeAtomically(const QString &path, std::initializer_list<QByteArrayView> pieces, QString *error = nullptr);
// Adds the pieces at the end of the file, creating it when missing. False with a reason on failure.
bool append(const QString &path, std::initializer_list<QByteArrayView> pieces, QString *error = nullptr);

// Who hears of a write that could not be atomic ("ADVARSEL: ..." lines); the log installs itself.
// Without a handler the text goes to standard error.
void setWarningHandler(std::function<void(const QString &)> handler);

} // namespace textfile
