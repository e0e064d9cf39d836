// The INI document's rules: how a file is read (trimming, comments, sections, the first "="), how
// names are matched (letter case folded), where a write goes (in place, end of section, end of
// document), how it is written back (layout, form, other programs' changes kept). The fast paths
// they rest on sit beside this file: ini_scan.h (line breaks), ini_index.h (the index of names),
// ini_bytes.cpp (code-page bytes straight from the pieces).
#include "environment/ini_document.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "environment/ini_scan.h"

namespace {

// How long before it was seen a file must have been changed last for its size and time to vouch for
// its bytes; more than the coarsest file-system clock tick (FAT: 2 s).
constexpr qint64 kSettledMs = 3000;

// A file changed by another program that cannot be read again is tried this often, this far apart.
constexpr int kRereadAttempts = 5;
constexpr unsigned long kRereadPauseMs = 100;

bool blank(QChar c)
{
    return c.unicode() <= 0x20;
}

// Trims every control character and blank at both ends, as the suite's programs do.
void trim(const QChar *p, qsizetype &b, qsizetype &e)
{
    while (b < e && blank(p[b]))
        ++b;
    while (e > b && blank(p[e - 1]))
        --e;
}

QString foldedText(QString s)
{
    for (QChar &c : s)
        c = QChar(ini_index::fold(c.unicode()));
    return s;
}

QString singleLine(QString s)
{
    for (QChar &c : s)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return s;
}

} // namespace

// --- loading -------------------------------------------------------------------------------------

bool IniDocument::load(QString *error)
{
    clear();
    encoding_ = textfile::Encoding::Ansi;
    readFailed_ = false;
    disk_ = DiskState();
    disk_.known = true;
    if (!QFile::exists(path_))
        return true;
    QByteArray bytes;
    if (!textfile::readAll(path_, bytes, error)) {
        readFailed_ = true;
        return false;
    }
    loadBytes(bytes);
    remember(bytes);
    return true;
}

void IniDocument::loadBytes(const QByteArray &bytes)
{
    textfile::Encoding e;
    loadText(textfile::decode(bytes, &e));
    encoding_ = e;
}

void IniDocument::loadText(const QString &text)
{
    clear();
    text_ = text;
    // Sized for a typical file up front, so the index rarely grows while loading.
    keyTable_.reserve(text_.size() / 48 + 1);
    const QChar *p = text_.constData();
    const auto *units = reinterpret_cast<const char16_t *>(p);
    const qsizetype n = text_.size();
    qint32 current = -1;
    ini_index::AddOneBehind keys;
    // The first of duplicate keys is the one read and written.
    const auto indexKey = [this](const ini_index::Slot &s) { indexLine(s.section, s.line, true, s.hash); };
    for (qsizetype start = 0; start < n;) {
        // CR LF, a lone CR and a lone LF all end a line.
        qsizetype b = start, e = ini_scan::findLineBreak(units + start, units + n) - units;
        start = (e < n && p[e] == QLatin1Char('\r') && e + 1 < n && p[e + 1] == QLatin1Char('\n')) ? e + 2 : e + 1;
        trim(p, b, e);
        if (b == e || p[b] == QLatin1Char(';'))
            continue;
        if (p[b] == QLatin1Char('[') && p[e - 1] == QLatin1Char(']') && e - b >= 2) {
            qsizetype nb = b + 1, ne = e - 1;
            trim(p, nb, ne);
            current = findSection(QStringView(p + nb, ne - nb));
            if (current < 0) {
                // Sections of one file tend to be alike: room for as many lines as the one before,
                // so a long section is not copied again and again as it grows. What this leaves
                // unused is never more than the section before holds.
                const std::size_t expected = sections_.empty() ? 0 : sections_.back().lines.size();
                current = addSection(Ref{nb, ne - nb});
                sections_.back().lines.reserve(expected);
            }
            continue;
        }
        if (current < 0)
            continue;  // lines before the first section
        Line line;
        const qsizetype found = QStringView(p + b, e - b).indexOf(QLatin1Char('='));
        if (found < 0) {
            line.value = Ref{b, e - b};
        } else {
            qsizetype kb = b, ke = b + found, vb = b + found + 1, ve = e;
            trim(p, kb, ke);
            trim(p, vb, ve);
            line.key = Ref{kb, ke - kb};
            line.value = Ref{vb, ve - vb};
            line.hasEquals = true;
        }
        auto &lines = sections_[std::size_t(current)].lines;
        lines.push_back(line);
        if (line.hasEquals)
            keys.push(keyTable_, ini_index::Slot{keyHash(current, view(line.key)), current, qint32(lines.size() - 1)}, indexKey);
    }
    keys.finish(indexKey);
}

// --- names, matched with letter case folded ----------------------------------------------------------

qint32 IniDocument::findSection(QStringView name) const
{
    const ini_index::Slot *s = sectionTable_.find(ini_index::foldedHash(name, 0), [&](const ini_index::Slot &slot) {
        return ini_index::sameFolded(view(sections_[std::size_t(slot.section)].name), name);
    });
    return s ? s->section : -1;
}

qint32 IniDocument::findLine(qint32 section, QStringView key) const
{
    const auto &lines = sections_[std::size_t(section)].lines;
    const ini_index::Slot *s = keyTable_.find(keyHash(section, key), [&](const ini_index::Slot &slot) {
        return slot.section == section && ini_index::sameFolded(view(lines[std::size_t(slot.line)].key), key);
    });
    return s ? s->line : -1;
}

qint32 IniDocument::addSection(const Ref &name)
{
    const qint32 index = qint32(sections_.size());
    sections_.push_back(Section{name, {}});
    sectionTable_.add(ini_index::Slot{ini_index::foldedHash(view(name), 0), index, -1}, false, [](const ini_index::Slot &) {
        return false;
    });
    return index;
}

void IniDocument::indexLine(qint32 section, qint32 line, bool keepFirst, quint32 hash)
{
    const auto &lines = sections_[std::size_t(section)].lines;
    const QStringView key = view(lines[std::size_t(line)].key);
    keyTable_.add(ini_index::Slot{hash, section, line}, keepFirst, [&](const ini_index::Slot &slot) {
        return slot.section == section && ini_index::sameFolded(view(lines[std::size_t(slot.line)].key), key);
    });
}

// --- access --------------------------------------------------------------------------------------

bool IniDocument::hasSection(const QString &section) const
{
    return findSection(section) >= 0;
}

bool IniDocument::hasKey(const QString &section, const QString &key) const
{
    const qint32 s = findSection(section);
    return s >= 0 && findLine(s, key) >= 0;
}

QString IniDocument::value(const QString &section, const QString &key, const QString &fallback) const
{
    const qint32 s = findSection(section);
    if (s < 0)
        return fallback;
    const qint32 l = findLine(s, key);
    if (l < 0)
        return fallback;
    return view(sections_[std::size_t(s)].lines[std::size_t(l)].value).toString();
}

void IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    // Stored as it will be read back: one line each, so no value can add keys or sections.
    const QString sectionName = singleLine(section);
    qint32 s = findSection(sectionName);
    if (s < 0)
        s = addSection(own(sectionName));
    const QString k = singleLine(key);
    const QString journalKey = foldedText(sectionName) + QChar(0) + foldedText(k);
    if (!journalled_.contains(journalKey)) {
        journalled_.insert(journalKey);
        journal_.emplace_back(sectionName, k);
    }
    const QString v = singleLine(value);
    const qint32 l = findLine(s, k);
    if (l >= 0) {
        // Replaced in place, under the name as the writer spells it.
        Line &line = sections_[std::size_t(s)].lines[std::size_t(l)];
        if (view(line.key) == k && view(line.value) == v)
            return;  // the very line it is
        line.key = own(k);
        line.value = own(v);
        savedAsIs_ = false;
        return;
    }
    auto &lines = sections_[std::size_t(s)].lines;
    lines.push_back(Line{own(k), own(v), true});
    indexLine(s, qint32(lines.size() - 1), false, keyHash(s, k));
    savedAsIs_ = false;
}

QStringList IniDocument::sectionNames() const
{
    QStringList names;
    names.reserve(qsizetype(sections_.size()));
    for (const Section &s : sections_)
        names.append(view(s.name).toString());
    return names;
}

QStringList IniDocument::keys(const QString &section) const
{
    QStringList names;
    const qint32 s = findSection(section);
    if (s >= 0)
        for (const Line &l : sections_[std::size_t(s)].lines)
            if (l.hasEquals)
                names.append(view(l.key).toString());
    return names;
}

// --- writing -------------------------------------------------------------------------------------

QString IniDocument::toText() const
{
    qsizetype size = 0;
    for (const Section &s : sections_) {
        size += view(s.name).size() + 6;
        for (const Line &l : s.lines)
            size += view(l.key).size() + view(l.value).size() + 3;
    }
    QString out;
    out.reserve(size);
    const QLatin1String crlf("\r\n");
    for (const Section &s : sections_) {
        out += QLatin1Char('[');
        out += view(s.name);
        out += QLatin1Char(']');
        out += crlf;
        for (const Line &l : s.lines) {
            if (l.hasEquals) {
                out += view(l.key);
                out += QLatin1Char('=');
            }
            out += view(l.value);
            out += crlf;
        }
        out += crlf;
    }
    return out;
}

QByteArray IniDocument::toBytes() const
{
    textfile::Encoding e = encoding_;
    return bytesIn(e);
}

QByteArray IniDocument::bytesIn(textfile::Encoding &encoding) const
{
    QByteArray out;
    if (encoding == textfile::Encoding::Ansi && codePageBytes(out))
        return out;
    return textfile::encode(toText(), encoding);
}

void IniDocument::remember(const QByteArray &bytes)
{
    const QFileInfo info(path_);
    disk_.known = true;
    disk_.exists = info.exists();
    disk_.size = bytes.size();
    disk_.modified = info.lastModified().toMSecsSinceEpoch();
    disk_.seenAt = QDateTime::currentMSecsSinceEpoch();
    disk_.hash = qHashBits(bytes.constData(), std::size_t(bytes.size()), 0);
}

bool IniDocument::diskChanged() const
{
    if (!disk_.known)
        return false;  // a document not read from its path has nothing to compare with
    const QFileInfo info(path_);
    if (!info.exists())
        return false;  // gone: written whole, as it stands here
    if (!disk_.exists || info.size() != disk_.size || info.lastModified().toMSecsSinceEpoch() != disk_.modified)
        return true;
    // A file last changed well before it was seen gets a later time from any write since: the same
    // size and time then mean the same file. Only a change close to that moment may hide within one
    // tick of the file system's clock, and only then are the bytes compared.
    if (disk_.modified < disk_.seenAt - kSettledMs)
        return false;
    QByteArray bytes;
    return !textfile::readAll(path_, bytes) || qHashBits(bytes.constData(), std::size_t(bytes.size()), 0) != disk_.hash;
}

bool IniDocument::save(QString *error, bool *merged, QString *formWarning)
{
    if (merged)
        *merged = false;
    if (formWarning)
        *formWarning = QString(QLatin1String(""));
    if (readFailed_) {
        if (error)
            *error = QStringLiteral("filen kunne ikke leses og blir ikke overskrevet");
        return false;
    }
    const bool diskChangedSince = diskChanged();
    if (diskChangedSince) {
        // Another program wrote the file. Its keys must survive, so what it wrote has to be read; a
        // file it still holds locked gets a moment, and one that cannot be read is left alone.
        IniDocument fresh(path_);
        QString reason;
        bool read = fresh.load(&reason);
        for (int attempt = 1; !read && attempt < kRereadAttempts; ++attempt) {
            QThread::msleep(kRereadPauseMs);
            read = fresh.load(&reason);
        }
        if (!read) {
            if (error)
                *error = QStringLiteral("filen er endret av et annet program og kan ikke leses igjen (%1); den blir ikke overskrevet")
                             .arg(reason);
            return false;
        }
        // A file gone again since the look above is written whole, as it stands here.
        if (fresh.disk_.exists) {
            for (const auto &[section, key] : journal_)
                fresh.setValue(section, key, value(section, key));
            const std::vector<std::pair<QString, QString>> journal = std::move(journal_);
            *this = std::move(fresh);
            journal_ = journal;  // kept until the write succeeds
            if (merged)
                *merged = true;
        }
    }
    // The very bytes already on disk are not written again (the start-up records the same folders
    // one by one, each followed by a write-back): the file and its time stay as they are. A document
    // unchanged since a save found them on disk need not be turned into bytes to know it.
    const bool diskAsSeen = disk_.known && disk_.exists && !diskChangedSince && QFileInfo::exists(path_);
    if (!(diskAsSeen && savedAsIs_)) {
        // The form the file is in now (after a merge, the form the other program left it in) decides
        // the form it is written in.
        const textfile::Encoding readIn = encoding_;
        textfile::Encoding written = textfile::writeBackEncoding(readIn);
        const QByteArray bytes = bytesIn(written);
        const bool same = diskAsSeen && bytes.size() == disk_.size
                          && qHashBits(bytes.constData(), std::size_t(bytes.size()), 0) == disk_.hash;
        if (!same) {
            if (!textfile::writeAtomically(path_, bytes, error))
                return false;
            remember(bytes);
            if (formWarning)
                *formWarning = textfile::formChangeWarning(path_, readIn, written);
            encoding_ = textfile::writeBackEncoding(readIn);
        }
        savedAsIs_ = true;
    }
    journal_.clear();
    journalled_.clear();
    return true;
}

bool IniDocument::parseInt(const QString &text, qint32 &result)
{
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && p[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (p[i] == QLatin1Char('+') || p[i] == QLatin1Char('-'))) {
        negative = p[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && p[i] == QLatin1Char('$')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && p[i] == QLatin1Char('0') && (p[i + 1] == QLatin1Char('x') || p[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return false;
    quint64 value = 0;
    for (; i < n; ++i) {
        const char16_t c = p[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return false;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0xFFFFFFFFull)
            return false;
    }
    if (hex) {
        // 32 hex bits read as a signed number, as the suite's programs do ($FFFFFFFF is -1).
        const qint32 v = qint32(quint32(value));
        result = negative ? qint32(0u - quint32(v)) : v;
        return true;
    }
    if (value > (negative ? 0x80000000ull : 0x7FFFFFFFull))
        return false;
    result = negative ? qint32(0u - quint32(value)) : qint32(value);
    return true;
}

// --- storage -------------------------------------------------------------------------------------

QStringView IniDocument::view(const Ref &r) const
{
    if (r.pos < 0)
        return owned_[std::size_t(-r.pos - 1)];
    return QStringView(text_.constData() + r.pos, r.len);
}

IniDocument::Ref IniDocument::own(const QString &text)
{
    owned_.push_back(text);
    return Ref{-qsizetype(owned_.size()), text.size()};
}

void IniDocument::clear()
{
    savedAsIs_ = false;
    journal_.clear();
    journalled_.clear();
    text_.clear();
    owned_.clear();
    sections_.clear();
    sectionTable_.clear();
    keyTable_.clear();
}
