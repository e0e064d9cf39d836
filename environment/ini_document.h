#pragma once
// An INI document held in memory, kept to the text rules the suite's programs share:
// - a line "[name]" starts a section; "key=value" lines belong to the section above;
// - section and key names match without regard to letter case;
// - on loading, lines are trimmed; empty lines, ";" comments and lines before the first section are
//   dropped; blanks around the first "=" are removed; a line without "=" is kept as it is;
// - writing an existing key replaces its line in place; a new key goes to the end of its section,
//   a new section to the end of the document;
// - written back as, per section, "[name]", its lines, one empty line; every line ended by CR LF.
// Lookups go through hash indexes, never a scan of the file.
#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

#include "common/textfile.h"
#include "environment/ini_index.h"

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(const QString &path) : path_(path) {}

    // Loads the file at path(). A missing file gives an empty document and true; a file that exists
    // but cannot be read gives an empty document, false and the reason.
    bool load(QString *error = nullptr);
    // Parses bytes in any of the encodings of textfile.
    void loadBytes(const QByteArray &bytes);
    void loadText(const QString &text);

    // The file exists but could not be read: saving would destroy what it holds, so save() refuses.
    bool readFailed() const { return readFailed_; }
    const QString &path() const { return path_; }
    void setPath(const QString &path)
    {
        path_ = path;
        disk_ = DiskState();
        savedAsIs_ = false;
    }
    textfile::Encoding encoding() const { return encoding_; }
    void setEncoding(textfile::Encoding e)
    {
        encoding_ = e;
        savedAsIs_ = false;
    }

    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;
    // The value, or fallback when the section or key is missing.
    QString value(const QString &section, const QString &key, const QString &fallback = QString()) const;
    // Replaces the value in place or adds the key at the end of its section (added at the end of the
    // document when new). Line breaks in key or value become blanks, so no value can add lines.
    void setValue(const QString &section, const QString &key, const QString &value);

    QStringList sectionNames() const;
    QStringList keys(const QString &section) const;

    // The write-back text and its bytes in the document's encoding (an Ansi document whose text the
    // code page cannot hold is written as UTF-16 LE); save() writes a document read as UTF-8 without a
    // byte-order mark in another form (below).
    QString toText() const;
    QByteArray toBytes() const;
    // Writes the whole document to path() atomically. False with a readable reason on failure.
    // When the file on disk is no longer what load() read (another program wrote it meanwhile), it is
    // read again and the keys written here since the last load or save are applied on top of it,
    // so the other program's keys survive; merged then tells so.
    // A file read as UTF-8 without a byte-order mark is written in the form of a new file
    // (textfile::writeBackEncoding), and the document is held as a new one from then on; formWarning
    // then gets the "ADVARSEL: " line for the log (textfile::formChangeWarning), else it is empty.
    bool save(QString *error = nullptr, bool *merged = nullptr, QString *formWarning = nullptr);

    // The whole-number reading rules of the suite: optional blanks, optional sign, then decimal digits,
    // or "$" / "0x" / "0X" and hex digits (up to 32 bits, taken as signed); nothing may follow.
    // False when the text is not such a number or does not fit 32 bits.
    static bool parseInt(const QString &text, qint32 &result);

private:
    // A piece of text: a slice of the loaded text, or (pos < 0) the owned text at -pos - 1.
    struct Ref {
        qsizetype pos = 0;
        qsizetype len = 0;
    };
    struct Line {
        Ref key;    // empty for a line without "="
        Ref value;  // the value, or the whole line when it has no "="
        bool hasEquals = false;
    };
    struct Section {
        Ref name;
        std::vector<Line> lines;
    };

    // The bytes in encoding, which is set to the one used (UTF-16 LE where it would lose text).
    QByteArray bytesIn(textfile::Encoding &encoding) const;
    // The write-back in the code page (ini_bytes.cpp); false where it cannot be that.
    bool codePageBytes(QByteArray &out) const;
    QStringView view(const Ref &r) const;
    Ref own(const QString &text);
    qint32 findSection(QStringView name) const;
    qint32 findLine(qint32 section, QStringView key) const;
    qint32 addSection(const Ref &name);
    // keepFirst: an earlier line of the same key stays the one found. hash: keyHash of the line's key.
    void indexLine(qint32 section, qint32 line, bool keepFirst, quint32 hash);
    static quint32 keyHash(qint32 section, QStringView key)
    {
        return ini_index::foldedHash(key, quint32(section) * 0x9E3779B9u);
    }
    void clear();
    bool diskChanged() const;
    void remember(const QByteArray &bytes);

    // What the file held when it was last loaded or saved, to notice another program's write.
    struct DiskState {
        bool known = false;   // load() or save() saw the file at path_
        bool exists = false;
        qint64 size = -1;
        qint64 modified = 0;  // ms since the epoch
        qint64 seenAt = 0;    // ms since the epoch, when the size, time and hash were taken
        size_t hash = 0;
    };
    DiskState disk_;
    // Nothing changed since the last save found the file holding the document's bytes.
    bool savedAsIs_ = false;
    // Keys written since the last load or save, in the order of their first write.
    std::vector<std::pair<QString, QString>> journal_;
    QSet<QString> journalled_;

    QString path_;
    bool readFailed_ = false;
    textfile::Encoding encoding_ = textfile::Encoding::Ansi;
    QString text_;                 // the loaded text; lines refer into it
    std::vector<QString> owned_;   // texts written since
    std::vector<Section> sections_;
    ini_index::Table sectionTable_;  // folded section names
    ini_index::Table keyTable_;      // (section, folded key)
};
