#pragma once
// The log's lines in memory, as a byte buffer: the lines read from the log file stay in the file's
// own bytes, with the start and length of each, until a line is asked for; this run's lines follow
// them as texts. So a large log is read and written back without turning every line into a text.
// Guarantee: each line reads back, and is written, as splitting the decoded file at CR LF, CR or LF
// and writing every line followed by CR LF would give it.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "common/textfile.h"

namespace textfil {

class LogList {
public:
    void append(const QString &line);
    void clear();
    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    QString at(qsizetype i) const;
    QStringList toStringList() const;
    // The lines appended since the content was last loaded from a file.
    const QStringList &appended() const { return added_; }

    // Replaces the content with the lines of the file. False, content unchanged, when it cannot be read.
    bool loadFile(const QString &path, QString *error = nullptr);
    // Writes every line followed by CR LF, in the encoding the file was read in (a new log in the
    // 8-bit code page, or UTF-16 when that cannot hold a character).
    bool saveFile(const QString &path, QString *error = nullptr) const;
    // The file at path holds exactly the bytes saveFile() would write: those the lines were loaded
    // from, with nothing appended since. The file is read only when its size already agrees.
    bool matchesFile(const QString &path) const;

private:
    QString baseLine(qsizetype i) const;
    QString wholeText() const;

    // Lines read from the file stay in the file's own bytes (one buffer and line offsets) until a
    // line is asked for; only a UTF-16 file is decoded as a whole.
    QByteArray raw_;                                        // the file's bytes after any byte-order mark
    QString wide_;                                          // a UTF-16 file's text
    std::vector<std::pair<qsizetype, qsizetype>> baseLines_; // start and length in raw_ or wide_
    bool rawIsWritable_ = true;                             // raw_ is already lines ended by CR LF
    QStringList added_;
    textfile::Encoding encoding_ = textfile::Encoding::Ansi;
    bool loaded_ = false;  // the lines come from a file
};

} // namespace textfil
