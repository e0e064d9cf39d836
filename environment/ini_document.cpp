#include "environment/ini_document.h"

#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QThread>

#include "platform/system.h"
#include "platform/textcodec.h"
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Letter case folded one code unit at a time, as the suite's programs compare names.
const std::array<char16_t, 256> kFoldLatin1 = [] {
    std::array<char16_t, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[c] = QChar(c).toLower().unicode();
    return t;
}();

inline char16_t foldUnit(char16_t c)
{
    return c < 256 ? kFoldLatin1[c] : QChar(c).toLower().unicode();
}

// The first CR or LF in [p, end), or end.
const char16_t *findLineBreak(const char16_t *p, const char16_t *end)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi16('\n');
    const __m128i cr = _mm_set1_epi16('\r');
    while (end - p >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(units, lf), _mm_cmpeq_epi16(units, cr)));
        if (mask)
            return p + __builtin_ctz(unsigned(mask)) / 2;
        p += 8;
    }
#endif
    while (p < end && *p != u'\n' && *p != u'\r')
        ++p;
    return p;
}

QString foldedText(QString s)
{
    for (QChar &c : s)
        c = QChar(foldUnit(c.unicode()));
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

// --- text and index ----------------------------------------------------------------------------------

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

quint32 IniDocument::foldedHash(QStringView s, quint32 seed)
{
    quint32 h = 2166136261u ^ seed;  // FNV-1a over folded code units
    for (QChar c : s) {
        h ^= foldUnit(c.unicode());
        h *= 16777619u;
    }
    return h ? h : 1;
}

bool IniDocument::sameFolded(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && foldUnit(a[i].unicode()) != foldUnit(b[i].unicode()))
            return false;
    return true;
}

void IniDocument::grow(std::vector<Slot> &table, qsizetype used)
{
    if (qsizetype(table.size()) >= 2 * (used + 1))
        return;
    std::size_t size = table.empty() ? 16 : table.size() * 2;
    while (size < std::size_t(2 * (used + 1)))
        size *= 2;
    std::vector<Slot> old = std::move(table);
    table = std::vector<Slot>();
    table.reserve(size);
    platform::adviseLargeBuffer(table.data(), size * sizeof(Slot));
    table.assign(size, Slot{});
    for (const Slot &s : old) {
        if (s.section < 0)
            continue;
        std::size_t i = s.hash & (size - 1);
        while (table[i].section >= 0)
            i = (i + 1) & (size - 1);
        table[i] = s;
    }
}

qint32 IniDocument::findSection(QStringView name) const
{
    if (sectionTable_.empty())
        return -1;
    const quint32 h = foldedHash(name, 0);
    const std::size_t mask = sectionTable_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
        const Slot &s = sectionTable_[i];
        if (s.section < 0)
            return -1;
        if (s.hash == h && sameFolded(view(sections_[std::size_t(s.section)].name), name))
            return s.section;
    }
}

qint32 IniDocument::findLine(qint32 section, QStringView key) const
{
    if (keyTable_.empty())
        return -1;
    const quint32 h = keyHash(section, key);
    const std::size_t mask = keyTable_.size() - 1;
    const auto &lines = sections_[std::size_t(section)].lines;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
        const Slot &s = keyTable_[i];
        if (s.section < 0)
            return -1;
        if (s.hash == h && s.section == section && sameFolded(view(lines[std::size_t(s.line)].key), key))
            return s.line;
    }
}

qint32 IniDocument::addSection(const Ref &name)
{
    grow(sectionTable_, qsizetype(sections_.size()));
    const qint32 index = qint32(sections_.size());
    sections_.push_back(Section{name, {}});
    const quint32 h = foldedHash(view(name), 0);
    const std::size_t mask = sectionTable_.size() - 1;
    std::size_t i = h & mask;
    while (sectionTable_[i].section >= 0)
        i = (i + 1) & mask;
    sectionTable_[i] = Slot{h, index, -1};
    return index;
}

void IniDocument::indexLine(qint32 section, qint32 line, bool keepFirst, quint32 h)
{
    const auto &lines = sections_[std::size_t(section)].lines;
    const QStringView key = view(lines[std::size_t(line)].key);
    grow(keyTable_, keyCount_);
    // One walk: the same walk that looks for an earlier line of the key ends at the free slot.
    const std::size_t mask = keyTable_.size() - 1;
    std::size_t i = h & mask;
    for (; keyTable_[i].section >= 0; i = (i + 1) & mask) {
        const Slot &s = keyTable_[i];
        if (keepFirst && s.hash == h && s.section == section && sameFolded(view(lines[std::size_t(s.line)].key), key))
            return;  // the first of duplicate keys is the one read and written
    }
    keyTable_[i] = Slot{h, section, line};
    ++keyCount_;
}

void IniDocument::clear()
{
    journal_.clear();
    journalled_.clear();
    text_.clear();
    owned_.clear();
    sections_.clear();
    sectionTable_.clear();
    keyTable_.clear();
    keyCount_ = 0;
}

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
    // Sized for a typical file up front, so the tables rarely grow while loading.
    grow(keyTable_, text_.size() / 48);
    const QChar *p = text_.constData();
    const qsizetype n = text_.size();
    qint32 current = -1;
    Slot pending;
    for (qsizetype start = 0; start < n;) {
        // CR LF, a lone CR and a lone LF all end a line.
        const auto *units = reinterpret_cast<const char16_t *>(p);
        qsizetype b = start, e = findLineBreak(units + start, units + n) - units;
        start = (e < n && p[e] == QLatin1Char('\r') && e + 1 < n && p[e + 1] == QLatin1Char('\n')) ? e + 2 : e + 1;
        trim(p, b, e);
        if (b == e || p[b] == QLatin1Char(';'))
            continue;
        if (p[b] == QLatin1Char('[') && p[e - 1] == QLatin1Char(']') && e - b >= 2) {
            qsizetype nb = b + 1, ne = e - 1;
            trim(p, nb, ne);
            const QStringView name(p + nb, ne - nb);
            current = findSection(name);
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
        const qsizetype eq = found < 0 ? e : b + found;
        if (eq == e) {
            line.value = Ref{b, e - b};
        } else {
            qsizetype kb = b, ke = eq, vb = eq + 1, ve = e;
            trim(p, kb, ke);
            trim(p, vb, ve);
            line.key = Ref{kb, ke - kb};
            line.value = Ref{vb, ve - vb};
            line.hasEquals = true;
        }
        auto &lines = sections_[std::size_t(current)].lines;
        lines.push_back(line);
        if (line.hasEquals) {
            // The key's slot is fetched while the next line is read, and indexed one line late: the
            // table is far larger than the cache, so each key would otherwise wait for memory.
            const quint32 h = keyHash(current, view(line.key));
#if defined(__GNUC__)
            __builtin_prefetch(keyTable_.data() + (h & (keyTable_.size() - 1)));
#endif
            if (pending.line >= 0)
                indexLine(pending.section, pending.line, true, pending.hash);
            pending = Slot{h, current, qint32(lines.size() - 1)};
        }
    }
    if (pending.line >= 0)
        indexLine(pending.section, pending.line, true, pending.hash);
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
    const qint32 l = findLine(s, k);
    if (l >= 0) {
        // Replaced in place, under the name as the writer spells it.
        Line &line = sections_[std::size_t(s)].lines[std::size_t(l)];
        line.key = own(k);
        line.value = own(singleLine(value));
        return;
    }
    auto &lines = sections_[std::size_t(s)].lines;
    lines.push_back(Line{own(k), own(singleLine(value)), true});
    indexLine(s, qint32(lines.size() - 1), false, keyHash(s, k));
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
    if (encoding == textfile::Encoding::Ansi) {
        // Straight into the code page, piece by piece, without building the text first.
        qsizetype size = 0;
        for (const Section &s : sections_) {
            size += view(s.name).size() + 6;
            for (const Line &l : s.lines)
                size += view(l.key).size() + view(l.value).size() + (l.hasEquals ? 3 : 2);
        }
        QByteArray out(size, Qt::Uninitialized);
        platform::adviseLargeBuffer(out.data(), std::size_t(size));
        char *o = out.data();
        const auto put = [&](QStringView piece) {
            if (!platform::textcodec::encode8bit(reinterpret_cast<const char16_t *>(piece.data()), std::size_t(piece.size()), o))
                return false;
            o += piece.size();
            return true;
        };
        const auto crlf = [&] { *o++ = '\r'; *o++ = '\n'; };
        bool fits = true;
        for (const Section &s : sections_) {
            if (!fits)
                break;
            *o++ = '[';
            fits = put(view(s.name));
            *o++ = ']';
            crlf();
            for (const Line &l : s.lines) {
                if (l.hasEquals) {
                    fits = fits && put(view(l.key));
                    *o++ = '=';
                }
                fits = fits && put(view(l.value));
                crlf();
            }
            crlf();
        }
        // Code-page bytes that happen to be valid UTF-8 would read back as other text.
        if (fits && textfile::detect(out) == textfile::Encoding::Ansi)
            return out;
    }
    return textfile::encode(toText(), encoding);
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
    // The form the file is in now (after a merge, the form the other program left it in) decides the
    // form it is written in.
    const textfile::Encoding readIn = encoding_;
    textfile::Encoding written = textfile::writeBackEncoding(readIn);
    const QByteArray bytes = bytesIn(written);
    // The very bytes already on disk are not written again (the start-up records the same folders
    // one by one, each followed by a write-back): the file and its time stay as they are.
    const bool same = disk_.known && disk_.exists && !diskChangedSince && bytes.size() == disk_.size
                      && QFileInfo::exists(path_) && qHashBits(bytes.constData(), std::size_t(bytes.size()), 0) == disk_.hash;
    if (!same) {
        if (!textfile::writeAtomically(path_, bytes, error))
            return false;
        remember(bytes);
        if (formWarning)
            *formWarning = textfile::formChangeWarning(path_, readIn, written);
        encoding_ = textfile::writeBackEncoding(readIn);
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
