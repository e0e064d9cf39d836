// File operations on the Win32 API. Links (symbolic links and junctions) are never followed by the
// listing or the removals: they are reported and removed as links, so a walk stays inside its root.
#include "platform/win32/wide.h"

#include "platform/files.h"

namespace platform::files {

namespace {

using win32::isSeparator;
using win32::u16;
using win32::wide;

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

DWORD attributesOf(const std::wstring &path)
{
    return path.empty() ? kNoAttributes : GetFileAttributesW(path.c_str());
}

// A reparse point whose tag says it stands for another name: a symbolic link or a junction. Other
// reparse points (placeholders of cloud files, deduplicated files) hold their own data.
bool isLinkTag(DWORD attributes, DWORD tag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(tag);
}

// Attributes of what the path finally names: a link's target, not the link.
DWORD targetAttributes(const std::wstring &path)
{
    const DWORD own = attributesOf(path);
    if (own == kNoAttributes || !(own & FILE_ATTRIBUTE_REPARSE_POINT))
        return own;
    const HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return kNoAttributes;  // a dangling link
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok ? info.dwFileAttributes : kNoAttributes;
}

std::wstring withoutTrailingSeparator(std::wstring path)
{
    while (path.size() > 1 && isSeparator(path.back()) && !(path.size() == 3 && path[1] == L':'))
        path.pop_back();
    return path;
}

bool fail(int *error)
{
    if (error)
        *error = int(GetLastError());
    return false;
}

} // namespace

bool listFolder(const std::u16string &folder, std::vector<Entry> &entries)
{
    entries.clear();
    std::wstring pattern = wide(folder);
    if (pattern.empty())
        return false;
    if (!isSeparator(pattern.back()))
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND && folderExists(folder);  // an empty drive
    do {
        const std::wstring_view name(data.cFileName);
        if (name == L"." || name == L"..")
            continue;
        Entry e;
        e.name = u16(name);
        e.link = isLinkTag(data.dwFileAttributes, data.dwReserved0);
        e.folder = !e.link && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        entries.push_back(std::move(e));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

bool fileExists(const std::u16string &path)
{
    const DWORD a = targetAttributes(wide(path));
    return a != kNoAttributes && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::u16string &path)
{
    const DWORD a = targetAttributes(wide(path));
    return a != kNoAttributes && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool isReadOnly(const std::u16string &path)
{
    const DWORD a = attributesOf(wide(path));
    return a != kNoAttributes && (a & FILE_ATTRIBUTE_READONLY);
}

bool clearAttributes(const std::u16string &path)
{
    const std::wstring p = wide(path);
    const DWORD a = attributesOf(p);
    if (a == kNoAttributes)
        return false;
    if (!(a & FILE_ATTRIBUTE_REPARSE_POINT))
        return SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
    // A link's own attributes, never its target's.
    const HANDLE h = CreateFileW(p.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FILE_BASIC_INFO info{};
    info.FileAttributes = FILE_ATTRIBUTE_NORMAL;  // zero times leave the times as they are
    const bool ok = SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info) != 0;
    CloseHandle(h);
    return ok;
}

bool removeFile(const std::u16string &path, int *error)
{
    const std::wstring p = wide(path);
    const DWORD a = attributesOf(p);
    // A link to a folder is itself a directory entry: removing it removes the link, not the contents.
    if (a != kNoAttributes && (a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_REPARSE_POINT))
        return RemoveDirectoryW(p.c_str()) != 0 || fail(error);
    return DeleteFileW(p.c_str()) != 0 || fail(error);
}

bool removeFolder(const std::u16string &path, int *error)
{
    const std::wstring p = withoutTrailingSeparator(wide(path));
    const DWORD a = attributesOf(p);
    if (a != kNoAttributes && (a & FILE_ATTRIBUTE_REPARSE_POINT) && !(a & FILE_ATTRIBUTE_DIRECTORY))
        return DeleteFileW(p.c_str()) != 0 || fail(error);  // a link to a file
    return RemoveDirectoryW(p.c_str()) != 0 || fail(error);
}

namespace {

void emptyBelow(const std::u16string &root, const std::u16string &relative, bool each, const TreeReport &report)
{
    std::vector<Entry> entries;
    listFolder(root + relative, entries);
    for (const Entry &e : entries) {
        if (e.folder) {
            const std::u16string sub = relative + e.name + u'\\';
            if (each)
                report(TreeStep::Folder, sub);
            emptyBelow(root, sub, each, report);
            if (!removeFolder(root + sub))
                report(TreeStep::FolderFailed, sub);
            continue;
        }
        const std::u16string file = relative + e.name;
        if (e.readOnly)
            clearAttributes(root + file);
        if (each)
            report(TreeStep::File, file);
        if (!removeFile(root + file))
            report(TreeStep::FileFailed, file);
    }
}

} // namespace

void emptyTree(const std::u16string &folder, bool each, const TreeReport &report)
{
    if (each)
        report(TreeStep::Folder, {});
    emptyBelow(folder, {}, each, report);
}

int makeFolder(const std::u16string &path)
{
    return CreateDirectoryW(wide(path).c_str(), nullptr) ? 0 : int(GetLastError());
}

bool makePath(const std::u16string &path)
{
    const std::wstring p = withoutTrailingSeparator(wide(path));
    if (p.empty())
        return false;
    // Each missing level in turn; a level that cannot be made (a drive, a share) fails harmlessly
    // and the final test decides.
    for (std::size_t i = 1; i <= p.size(); ++i) {
        if (i < p.size() && !isSeparator(p[i]))
            continue;
        const std::wstring level = p.substr(0, i);
        if (isSeparator(level.back()) || level.back() == L':')
            continue;
        if (!folderExists(u16(level)))
            CreateDirectoryW(level.c_str(), nullptr);
    }
    return folderExists(u16(p));
}

bool keepOwnerAndMode(const std::u16string &, int)
{
    return true;
}

bool renameNoReplace(const std::u16string &from, const std::u16string &to, int *error)
{
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes the move fail.
    return MoveFileW(wide(from).c_str(), wide(to).c_str()) != 0 || fail(error);
}

std::int64_t firstMatchSize(const std::u16string &path)
{
    // A folder named with its trailing separator is still the folder's own entry.
    const std::wstring p = withoutTrailingSeparator(wide(absolutePath(path)));
    WIN32_FIND_DATAW data{};
    const HANDLE find = FindFirstFileExW(p.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return -1;
    FindClose(find);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    return std::int64_t((std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

std::u16string absolutePath(const std::u16string &path)
{
    const std::wstring p = path.empty() ? std::wstring(L".") : wide(path);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(p.c_str(), DWORD(full.size()), full.data(), nullptr);
        if (length == 0)
            return path;
        if (length < full.size()) {
            full.resize(length);
            return u16(full);
        }
        full.resize(length);  // length is the size needed, terminating zero included
    }
}

int writeOpenError(const std::u16string &path)
{
    const std::wstring p = wide(path);
    // Shared for reading only, as a writer of the file opens it: a file another program writes
    // without sharing is a sharing violation here too.
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return 0;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND)
        return int(error);
    h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE,
                    nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return int(GetLastError());
    CloseHandle(h);
    return 0;
}

int lastError()
{
    return int(GetLastError());
}

std::u16string errorText(int error)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, DWORD(error), 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::wstring text;
    if (length && buffer)
        text.assign(buffer, length);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        text = L"error " + std::to_wstring(error);
    return u16(text);
}

} // namespace platform::files
