#include "environment/ini_document.h"

#include <QFile>

namespace {

bool blank(QChar c)
{
    return c.unicode() <= 0x20;
}

// Trims every control character and blank at both ends, as the suite's programs do.
QStringView trimmed(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

QString singleLine(QString s)
{
    for (QChar &c : s)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return s;
}

} // namespace

bool IniDocument::load(QString *error)
{
    sections_.clear();
    sectionIndex_.clear();
    encoding_ = textfile::Encoding::Ansi;
    readFailed_ = false;
    QFile f(path_);
    if (!f.exists())
        return true;
    QByteArray bytes;
    if (!textfile::readAll(path_, bytes, error)) {
        readFailed_ = true;
        return false;
    }
    loadBytes(bytes);
    return true;
}

void IniDocument::loadBytes(const QByteArray &bytes)
{
    textfile::Encoding e;
    const QString text = textfile::decode(bytes, &e);
    loadText(text);
    encoding_ = e;
}

void IniDocument::loadText(const QString &text)
{
    sections_.clear();
    sectionIndex_.clear();
    Section *current = nullptr;
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && p[i] != QLatin1Char('\r') && p[i] != QLatin1Char('\n'))
            continue;
        const QStringView line = trimmed(QStringView(p + start, i - start));
        if (i < n && p[i] == QLatin1Char('\r') && i + 1 < n && p[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
        if (line.isEmpty() || line.front() == QLatin1Char(';'))
            continue;
        if (line.front() == QLatin1Char('[') && line.back() == QLatin1Char(']')) {
            current = &sectionFor(trimmed(line.mid(1, line.size() - 2)).toString());
            continue;
        }
        if (!current)
            continue;  // lines before the first section
        Line l;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            l.value = line.toString();
        } else {
            l.hasEquals = true;
            l.key = trimmed(line.left(eq)).toString();
            l.value = trimmed(line.mid(eq + 1)).toString();
            const QString folded = fold(l.key);
            if (!current->index.contains(folded))  // the first of duplicate keys is the one read
                current->index.insert(folded, qsizetype(current->lines.size()));
        }
        current->lines.push_back(std::move(l));
    }
}

IniDocument::Section *IniDocument::findSection(const QString &name)
{
    const auto it = sectionIndex_.constFind(fold(name));
    return it == sectionIndex_.cend() ? nullptr : &sections_[*it];
}

const IniDocument::Section *IniDocument::findSection(const QString &name) const
{
    const auto it = sectionIndex_.constFind(fold(name));
    return it == sectionIndex_.cend() ? nullptr : &sections_[*it];
}

IniDocument::Section &IniDocument::sectionFor(const QString &name)
{
    if (Section *s = findSection(name))
        return *s;
    sectionIndex_.insert(fold(name), qsizetype(sections_.size()));
    sections_.push_back(Section{name, {}, {}});
    return sections_.back();
}

bool IniDocument::hasSection(const QString &section) const
{
    return findSection(section) != nullptr;
}

bool IniDocument::hasKey(const QString &section, const QString &key) const
{
    const Section *s = findSection(section);
    return s && s->index.contains(fold(key));
}

QString IniDocument::value(const QString &section, const QString &key, const QString &fallback) const
{
    if (const Section *s = findSection(section)) {
        const auto it = s->index.constFind(fold(key));
        if (it != s->index.cend())
            return s->lines[*it].value;
    }
    return fallback;
}

void IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    // Stored as it will be read back: one line, blanks around the key and value trimmed off on load.
    const QString k = singleLine(key);
    const QString v = singleLine(value);
    Section &s = sectionFor(singleLine(section));
    const QString folded = fold(k);
    const auto it = s.index.constFind(folded);
    if (it != s.index.cend()) {
        Line &l = s.lines[*it];
        l.key = k;
        l.value = v;
        return;
    }
    s.index.insert(folded, qsizetype(s.lines.size()));
    s.lines.push_back(Line{k, v, true});
}

QStringList IniDocument::sectionNames() const
{
    QStringList names;
    for (const Section &s : sections_)
        names.append(s.name);
    return names;
}

QStringList IniDocument::keys(const QString &section) const
{
    QStringList names;
    if (const Section *s = findSection(section))
        for (const Line &l : s->lines)
            if (l.hasEquals)
                names.append(l.key);
    return names;
}

QString IniDocument::toText() const
{
    qsizetype size = 0;
    for (const Section &s : sections_) {
        size += s.name.size() + 6;
        for (const Line &l : s.lines)
            size += l.key.size() + l.value.size() + 3;
    }
    QString out;
    out.reserve(size);
    const QLatin1String crlf("\r\n");
    for (const Section &s : sections_) {
        out += QLatin1Char('[');
        out += s.name;
        out += QLatin1Char(']');
        out += crlf;
        for (const Line &l : s.lines) {
            if (l.hasEquals) {
                out += l.key;
                out += QLatin1Char('=');
            }
            out += l.value;
            out += crlf;
        }
        out += crlf;
    }
    return out;
}

QByteArray IniDocument::toBytes() const
{
    textfile::Encoding e = encoding_;
    return textfile::encode(toText(), e);
}

bool IniDocument::save(QString *error) const
{
    if (readFailed_) {
        if (error)
            *error = QStringLiteral("filen kunne ikke leses og blir ikke overskrevet");
        return false;
    }
    return textfile::writeAtomically(path_, toBytes(), error);
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
