// Reads a settings file through the Windows profile functions, as the suite's Windows programs do.
//   profile_read.exe INI QUERIES ANSWERS
// QUERIES: UTF-8 lines "section<TAB>key". ANSWERS, UTF-8 lines:
//   "=<TAB>section<TAB>key<TAB>value"  a queried key and the value read
//   "!<TAB>section<TAB>key"            a queried key the functions do not find
//   "K<TAB>section<TAB>key"            every key the functions list, section by section
//   "A<TAB>number"                     first, the ANSI code page the functions read 8-bit text in
// Exit code 0, or 2 when a file cannot be read or written.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring fromUtf8(const std::string &s)
{
    if (s.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

std::string toUtf8(const std::wstring &w)
{
    if (w.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

// The value of a key, or a null-terminated list when key is null; the buffer grows until it holds all.
// A list comes back as the texts between its terminating zeros.
std::wstring profileString(const wchar_t *section, const wchar_t *key, const wchar_t *fallback, const std::wstring &file)
{
    for (DWORD size = 4096;; size *= 2) {
        std::vector<wchar_t> buffer(size);
        const DWORD n = GetPrivateProfileStringW(section, key, fallback, buffer.data(), size, file.c_str());
        // Cut short: size - 1 for a value, size - 2 for a list.
        if (n + 2 < size || size >= (1u << 26))
            return std::wstring(buffer.data(), n);
    }
}

std::vector<std::wstring> zeroSeparated(const std::wstring &list)
{
    std::vector<std::wstring> items;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(L'\0', start);
        if (end == std::wstring::npos)
            end = list.size();
        items.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

std::vector<std::wstring> sectionNames(const std::wstring &file)
{
    for (DWORD size = 4096;; size *= 2) {
        std::vector<wchar_t> buffer(size);
        const DWORD n = GetPrivateProfileSectionNamesW(buffer.data(), size, file.c_str());
        if (n + 2 < size || size >= (1u << 26))
            return zeroSeparated(std::wstring(buffer.data(), n));
    }
}

bool readAll(const wchar_t *path, std::string &bytes)
{
    FILE *f = _wfopen(path, L"rb");
    if (!f)
        return false;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    std::fclose(f);
    return true;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: profile_read INI QUERIES ANSWERS\n");
        return 2;
    }
    const std::wstring file = argv[1];
    std::string queries;
    if (!readAll(argv[2], queries)) {
        std::fprintf(stderr, "cannot read the queries\n");
        return 2;
    }
    std::string out = "A\t" + std::to_string(GetACP()) + "\n";
    std::size_t start = 0;
    while (start < queries.size()) {
        std::size_t end = queries.find('\n', start);
        if (end == std::string::npos)
            end = queries.size();
        const std::string line = queries.substr(start, end - start);
        start = end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        const std::wstring section = fromUtf8(line.substr(0, tab)), key = fromUtf8(line.substr(tab + 1));
        // Two different fallbacks: a key whose value equals one of them is still found by the other.
        const std::wstring a = profileString(section.c_str(), key.c_str(), L"\x01" L"a", file);
        const std::wstring b = profileString(section.c_str(), key.c_str(), L"\x01" L"b", file);
        if (a != b)
            out += "!\t" + line + "\n";
        else
            out += "=\t" + line + "\t" + toUtf8(a) + "\n";
    }
    for (const std::wstring &section : sectionNames(file))
        for (const std::wstring &key : zeroSeparated(profileString(section.c_str(), nullptr, L"", file)))
            out += "K\t" + toUtf8(section) + "\t" + toUtf8(key) + "\n";

    FILE *f = _wfopen(argv[3], L"wb");
    const bool written = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (f && std::fclose(f) != 0)
        return 2;
    if (!written) {
        std::fprintf(stderr, "cannot write the answers\n");
        return 2;
    }
    return 0;
}
