// The write-back in the code page, straight from the document's pieces into one buffer.
// Guarantee: the very bytes textfile::encode(toText(), Ansi) gives, without building the text; false
// where encode() would not keep the code page (a character it lacks, or bytes read back as UTF-8).
#include "environment/ini_document.h"

#include "platform/system.h"
#include "platform/textcodec.h"

bool IniDocument::codePageBytes(QByteArray &out) const
{
    qsizetype size = 0;
    for (const Section &s : sections_) {
        size += view(s.name).size() + 6;
        for (const Line &l : s.lines)
            size += view(l.key).size() + view(l.value).size() + (l.hasEquals ? 3 : 2);
    }
    out = QByteArray(size, Qt::Uninitialized);
    platform::adviseLargeBuffer(out.data(), std::size_t(size));
    char *o = out.data();
    const auto put = [&](QStringView piece) {
        if (!platform::textcodec::encode8bit(reinterpret_cast<const char16_t *>(piece.data()), std::size_t(piece.size()), o))
            return false;
        o += piece.size();
        return true;
    };
    const auto crlf = [&] {
        *o++ = '\r';
        *o++ = '\n';
    };
    for (const Section &s : sections_) {
        *o++ = '[';
        if (!put(view(s.name)))
            return false;
        *o++ = ']';
        crlf();
        for (const Line &l : s.lines) {
            if (l.hasEquals) {
                if (!put(view(l.key)))
                    return false;
                *o++ = '=';
            }
            if (!put(view(l.value)))
                return false;
            crlf();
        }
        crlf();
    }
    return textfile::detect(out) == textfile::Encoding::Ansi;
}
