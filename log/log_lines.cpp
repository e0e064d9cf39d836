#include "log/log_lines.h"

#include <QFileInfo>
#include <cstring>

namespace textfil {

namespace {

bool wideEncoding(textfile::Encoding e)
{
    return e == textfile::Encoding::Utf16LE || e == textfile::Encoding::Utf16BE;
}

QByteArray byteOrderMark(textfile::Encoding e)
{
    return e == textfile::Encoding::Utf8Bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
}

// Start and length of every line; CR LF, a lone CR and a lone LF all end a line.
template <typename Unit>
void splitInto(const Unit *p, qsizetype n, std::vector<std::pair<qsizetype, qsizetype>> &lines, bool *allCrLf)
{
    bool crlf = true;
    qsizetype start = 0;
    while (start < n) {
        qsizetype i = start;
        if constexpr (sizeof(Unit) == 1) {
            const void *lf = std::memchr(p + start, '\n', std::size_t(n - start));
            i = lf ? static_cast<const Unit *>(lf) - p : n;
            const void *cr = std::memchr(p + start, '\r', std::size_t(i - start));
            if (cr)
                i = static_cast<const Unit *>(cr) - p;
        } else {
            while (i < n && p[i] != Unit('\n') && p[i] != Unit('\r'))
                ++i;
        }
        lines.emplace_back(start, i - start);
        const bool pair = i + 1 < n && p[i] == Unit('\r') && p[i + 1] == Unit('\n');
        crlf = crlf && pair;
        start = pair ? i + 2 : i + 1;
    }
    if (allCrLf)
        *allCrLf = crlf;
}

} // namespace

void LogList::append(const QString &line)
{
    added_.append(line);
}

void LogList::clear()
{
    raw_.clear();
    wide_.clear();
    baseLines_.clear();
    rawIsWritable_ = true;
    added_.clear();
    loaded_ = false;
}

qsizetype LogList::size() const
{
    return qsizetype(baseLines_.size()) + added_.size();
}

QString LogList::baseLine(qsizetype i) const
{
    const auto [start, length] = baseLines_[std::size_t(i)];
    if (wideEncoding(encoding_))
        return wide_.mid(start, length);
    return textfile::decodeAs(raw_.mid(start, length), encoding_);
}

QString LogList::at(qsizetype i) const
{
    if (i < qsizetype(baseLines_.size()))
        return baseLine(i);
    return added_.at(i - qsizetype(baseLines_.size()));
}

QStringList LogList::toStringList() const
{
    QStringList all;
    all.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        all.append(at(i));
    return all;
}

bool LogList::loadFile(const QString &path, QString *error)
{
    QByteArray bytes;
    if (!textfile::readAll(path, bytes, error))
        return false;
    clear();
    loaded_ = true;
    encoding_ = textfile::detect(bytes);
    if (wideEncoding(encoding_)) {
        wide_ = textfile::decode(bytes);
        splitInto(reinterpret_cast<const char16_t *>(wide_.constData()), wide_.size(), baseLines_, nullptr);
        return true;
    }
    raw_ = encoding_ == textfile::Encoding::Utf8Bom ? bytes.mid(3) : bytes;
    splitInto(raw_.constData(), raw_.size(), baseLines_, &rawIsWritable_);
    return true;
}

QString LogList::wholeText() const
{
    QStringList lines = toStringList();
    return textfile::joinLines(lines);
}

bool LogList::saveFile(const QString &path, QString *error) const
{
    textfile::Encoding encoding = encoding_;
    if (!wideEncoding(encoding)) {
        const QByteArray added = textfile::encode(textfile::joinLines(added_), encoding);
        if (encoding == encoding_) {
            // The lines read keep their bytes; only the lines of this run are encoded.
            const QByteArray mark = byteOrderMark(encoding);
            if (rawIsWritable_)  // straight from the bytes read, without a copy of the whole log
                return textfile::writeAtomically(path, {QByteArrayView(mark), QByteArrayView(raw_), QByteArrayView(added)}, error);
            // Lines ended by a lone CR or LF are written with CR LF.
            QByteArray out = mark;
            for (const auto &[start, length] : baseLines_) {
                out.append(raw_.constData() + start, length);
                out.append("\r\n", 2);
            }
            out += added;
            return textfile::writeAtomically(path, out, error);
        }
        // A line of this run that the code page cannot hold turns the whole log into UTF-16.
    }
    return textfile::writeAtomically(path, textfile::encode(wholeText(), encoding), error);
}

bool LogList::matchesFile(const QString &path) const
{
    // Only bytes written straight from the buffer read can be the file's; a UTF-16 log is re-encoded.
    if (!loaded_ || !added_.isEmpty() || wideEncoding(encoding_) || !rawIsWritable_)
        return false;
    const QByteArray mark = byteOrderMark(encoding_);
    if (QFileInfo(path).size() != mark.size() + raw_.size())
        return false;
    QByteArray bytes;
    return textfile::readAll(path, bytes) && bytes.size() == mark.size() + raw_.size() && bytes.startsWith(mark)
        && std::memcmp(bytes.constData() + mark.size(), raw_.constData(), std::size_t(raw_.size())) == 0;
}

} // namespace textfil
