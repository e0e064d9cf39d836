#include "support/test_names.h"

#include <QList>
#include <cstdio>

namespace testnames {

std::string rowName(std::size_t index, const std::string &text)
{
    char number[24];
    std::snprintf(number, sizeof number, "%02zu_", index);
    std::string name = number;
    const std::size_t start = name.size();
    auto add = [&](const std::string &s) {
        if (name.size() - start < 48)
            name += s;
    };
    const QList<uint> points = QString::fromStdString(text).toUcs4();
    for (qsizetype i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        const bool digitNext = i + 1 < points.size() && points[i + 1] >= '0' && points[i + 1] <= '9';
        if ((c == '-' || c == '+') && digitNext && (i == 0 || points[i - 1] == ' ')) {
            // A sign tells rows apart ("-5" and "5"): spelled out.
            if (name.back() != '_')
                add("_");
            add(c == '-' ? "minus" : "plus");
        } else if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            add(std::string(1, char(c)));
        } else if (c == U'æ' || c == U'Æ') {
            add(c == U'æ' ? "ae" : "AE");
        } else if (c == U'ø' || c == U'Ø' || c == U'å' || c == U'Å') {
            add(c == U'ø' ? "o" : c == U'Ø' ? "O" : c == U'å' ? "a" : "A");
        } else if (c > 0x7F) {
            // Another script's letter or digit keeps its code point, so that rows stay told apart.
            char code[16];
            std::snprintf(code, sizeof code, "u%04X", unsigned(c));
            add(code);
        } else if (name.back() != '_') {
            add("_");
        }
    }
    while (name.size() > start && name.back() == '_')
        name.pop_back();
    if (name.size() == start)
        name += "empty";
    return name;
}

} // namespace testnames
