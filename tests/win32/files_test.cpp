// File operations on the real file system, each test in a fresh temporary folder.
#include "platform/files.h"
#include "tests/win32/win32_test_env.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

using namespace win32_test;
namespace files = platform::files;

class FilesTest : public TempFolderTest {
protected:
    std::map<std::u16string, files::Entry> listed(const std::u16string &at)
    {
        std::vector<files::Entry> entries;
        EXPECT_TRUE(files::listFolder(at, entries));
        std::map<std::u16string, files::Entry> byName;
        for (const files::Entry &e : entries) {
            EXPECT_TRUE(byName.emplace(e.name, e).second) << "listed twice";
        }
        return byName;
    }
    static DWORD attributes(const std::u16string &p) { return GetFileAttributesW(w(p)); }
};

TEST_F(FilesTest, RenameNeverReplaces)
{
    writeFile(path(u"from.ini"), "new");
    writeFile(path(u"to.ini"), "old");
    int error = 0;
    EXPECT_FALSE(files::renameNoReplace(path(u"from.ini"), path(u"to.ini"), &error));
    EXPECT_EQ(error, ERROR_ALREADY_EXISTS);
    EXPECT_EQ(readFile(path(u"from.ini")), "new");
    EXPECT_EQ(readFile(path(u"to.ini")), "old");

    EXPECT_TRUE(files::renameNoReplace(path(u"from.ini"), path(u"moved.ini")));
    EXPECT_FALSE(exists(path(u"from.ini")));
    EXPECT_EQ(readFile(path(u"moved.ini")), "new");
    // Folders too, and a missing source is a failure with its number.
    ASSERT_EQ(files::makeFolder(path(u"dir")), 0);
    EXPECT_TRUE(files::renameNoReplace(path(u"dir"), path(u"dir2")));
    EXPECT_FALSE(files::renameNoReplace(path(u"dir2"), path(u"moved.ini")));
    EXPECT_FALSE(files::renameNoReplace(path(u"gone"), path(u"x"), &error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

// As the clean-up meets it: a read-only hidden system file is listed, reset and deleted.
TEST_F(FilesTest, ReadOnlyHiddenFileIsFoundResetAndDeleted)
{
    const std::u16string file = path(u"locked.tmp");
    writeFile(file, "x");
    ASSERT_TRUE(SetFileAttributesW(w(file), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(files::isReadOnly(file));
    EXPECT_TRUE(files::fileExists(file));

    auto entries = listed(folder + u"\\");
    ASSERT_EQ(entries.count(u"locked.tmp"), 1u);
    EXPECT_TRUE(entries[u"locked.tmp"].readOnly);
    EXPECT_FALSE(entries[u"locked.tmp"].folder);
    EXPECT_FALSE(entries[u"locked.tmp"].link);

    int error = 0;
    EXPECT_FALSE(files::removeFile(file, &error)) << "a read-only file must refuse deletion";
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);

    EXPECT_TRUE(files::clearAttributes(file));
    EXPECT_EQ(attributes(file) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
    EXPECT_FALSE(files::isReadOnly(file));
    EXPECT_TRUE(files::removeFile(file));
    EXPECT_FALSE(exists(file));
    EXPECT_FALSE(files::clearAttributes(file));
}

TEST_F(FilesTest, ListingShowsEveryEntryWithItsKind)
{
    writeFile(path(u"plain.txt"), "1");
    writeFile(path(u"hidden.txt"), "2");
    writeFile(path(u"system.txt"), "3");
    writeFile(path(u"blåbær.txt"), "4");
    ASSERT_TRUE(SetFileAttributesW(w(path(u"hidden.txt")), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(w(path(u"system.txt")), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_EQ(files::makeFolder(path(u"sub")), 0);
    ASSERT_EQ(files::makeFolder(path(u"hidden dir")), 0);
    ASSERT_TRUE(SetFileAttributesW(w(path(u"hidden dir")), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));

    // With and without the trailing separator.
    for (const std::u16string &at : {folder, folder + u"\\"}) {
        auto entries = listed(at);
        EXPECT_EQ(entries.size(), 6u);
        EXPECT_EQ(entries.count(u"."), 0u);
        EXPECT_EQ(entries.count(u".."), 0u);
        for (const char16_t *name : {u"plain.txt", u"hidden.txt", u"system.txt", u"blåbær.txt"}) {
            ASSERT_EQ(entries.count(name), 1u);
            EXPECT_FALSE(entries[name].folder);
            EXPECT_FALSE(entries[name].readOnly);
        }
        for (const char16_t *name : {u"sub", u"hidden dir"}) {
            ASSERT_EQ(entries.count(name), 1u);
            EXPECT_TRUE(entries[name].folder);
            EXPECT_FALSE(entries[name].link);
        }
    }
    std::vector<files::Entry> none;
    EXPECT_TRUE(files::listFolder(path(u"sub"), none));
    EXPECT_TRUE(none.empty());
    EXPECT_FALSE(files::listFolder(path(u"missing"), none));
    EXPECT_FALSE(files::listFolder(path(u"plain.txt"), none));
}

// A symbolic link or junction to a folder outside is a link, never a folder to descend into, and is
// removed as a link: the folder it points at keeps its contents.
TEST_F(FilesTest, LinksAreReportedAndRemovedAsLinks)
{
    ASSERT_EQ(files::makeFolder(path(u"outside")), 0);
    writeFile(path(u"outside\\keep.txt"), "keep");
    ASSERT_EQ(files::makeFolder(path(u"root")), 0);
    const std::u16string link = path(u"root\\link");
    // Some systems answer success and make nothing.
    if (!CreateSymbolicLinkW(w(link), w(path(u"outside")), SYMBOLIC_LINK_FLAG_DIRECTORY) || !exists(link))
        GTEST_SKIP() << "symbolic links cannot be made here";

    auto entries = listed(path(u"root"));
    ASSERT_EQ(entries.count(u"link"), 1u);
    EXPECT_TRUE(entries[u"link"].link);
    EXPECT_FALSE(entries[u"link"].folder);
    EXPECT_TRUE(files::folderExists(link));
    EXPECT_TRUE(files::removeFile(link));
    EXPECT_FALSE(exists(link));
    EXPECT_EQ(readFile(path(u"outside\\keep.txt")), "keep");
}

TEST_F(FilesTest, JunctionIsALink)
{
    ASSERT_EQ(files::makeFolder(path(u"outside")), 0);
    writeFile(path(u"outside\\keep.txt"), "keep");
    const std::u16string junction = path(u"junction");
    ASSERT_EQ(files::makeFolder(junction), 0);
    // A mount-point reparse buffer: the target in its native form, then an empty print name.
    const std::wstring target = L"\\??\\" + wide(path(u"outside"));
    std::vector<BYTE> buffer(sizeof(REPARSE_GUID_DATA_BUFFER) + (target.size() + 2) * 2 + 16, 0);
    auto *r = reinterpret_cast<DWORD *>(buffer.data());
    r[0] = IO_REPARSE_TAG_MOUNT_POINT;
    auto *header = reinterpret_cast<WORD *>(buffer.data() + 4);
    auto *names = reinterpret_cast<WORD *>(buffer.data() + 8);
    const WORD targetBytes = WORD(target.size() * 2);
    names[0] = 0;                     // substitute name offset
    names[1] = targetBytes;           // substitute name length
    names[2] = WORD(targetBytes + 2); // print name offset
    names[3] = 0;                     // print name length
    std::memcpy(buffer.data() + 16, target.c_str(), targetBytes);
    header[0] = WORD(8 + targetBytes + 2 + 2);  // data length
    const DWORD total = 8 + header[0];
    const HANDLE h = CreateFileW(w(junction), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    const bool made = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), total, nullptr, 0, &returned, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(h);
    if (!made || !(GetFileAttributesW(w(junction)) & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "junctions cannot be made here (error " << error << ")";

    auto entries = listed(folder);
    ASSERT_EQ(entries.count(u"junction"), 1u);
    EXPECT_TRUE(entries[u"junction"].link);
    EXPECT_FALSE(entries[u"junction"].folder);
    EXPECT_TRUE(files::removeFolder(junction + u"\\"));
    EXPECT_FALSE(exists(junction));
    EXPECT_EQ(readFile(path(u"outside\\keep.txt")), "keep");
}

TEST_F(FilesTest, FoldersAreMadeAndRemoved)
{
    EXPECT_EQ(files::makeFolder(path(u"one")), 0);
    EXPECT_EQ(files::makeFolder(path(u"one")), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(files::makeFolder(path(u"no\\parent")), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(files::makePath(path(u"a\\b c\\d") + u"\\"));
    EXPECT_TRUE(files::makePath(path(u"a/b c/e")));  // either separator
    EXPECT_TRUE(files::folderExists(path(u"a\\b c\\d")));
    EXPECT_TRUE(files::folderExists(path(u"a\\b c\\e")));
    EXPECT_TRUE(files::makePath(path(u"a")));  // already there
    writeFile(path(u"file"), "");
    EXPECT_FALSE(files::makePath(path(u"file\\below")));

    int error = 0;
    EXPECT_FALSE(files::removeFolder(path(u"a\\b c"), &error));  // not empty
    EXPECT_EQ(error, ERROR_DIR_NOT_EMPTY);
    EXPECT_TRUE(files::removeFolder(path(u"a\\b c\\d\\")));
    EXPECT_FALSE(exists(path(u"a\\b c\\d")));
    EXPECT_FALSE(files::removeFile(path(u"a\\b c\\e")));  // a folder is no file

    EXPECT_TRUE(files::fileExists(path(u"file")));
    EXPECT_FALSE(files::folderExists(path(u"file")));
    EXPECT_FALSE(files::fileExists(path(u"one")));
    EXPECT_FALSE(files::fileExists(path(u"missing")));
    EXPECT_FALSE(files::fileExists(u""));
}

TEST_F(FilesTest, EmptyTreeRemovesReadOnlyFilesAndSubFoldersAndKeepsTheFolder)
{
    ASSERT_TRUE(files::makePath(path(u"t\\sub\\deeper")));
    writeFile(path(u"t\\a.tmp"), "a");
    writeFile(path(u"t\\sub\\deeper\\b.tmp"), "b");
    ASSERT_TRUE(SetFileAttributesW(w(path(u"t\\sub\\deeper\\b.tmp")), FILE_ATTRIBUTE_READONLY));
    std::vector<std::pair<files::TreeStep, std::u16string>> steps;
    files::emptyTree(path(u"t\\"), true, [&](files::TreeStep s, const std::u16string &p) { steps.emplace_back(s, p); });

    EXPECT_TRUE(files::folderExists(path(u"t")));
    EXPECT_TRUE(listed(path(u"t\\")).empty());
    using S = files::TreeStep;
    const auto has = [&](S s, const std::u16string &p) { return std::count(steps.begin(), steps.end(), std::make_pair(s, p)) == 1; };
    EXPECT_TRUE(has(S::Folder, u""));
    EXPECT_TRUE(has(S::Folder, u"sub\\"));
    EXPECT_TRUE(has(S::Folder, u"sub\\deeper\\"));
    EXPECT_TRUE(has(S::File, u"a.tmp"));
    EXPECT_TRUE(has(S::File, u"sub\\deeper\\b.tmp"));
    EXPECT_EQ(steps.size(), 5u);
}

TEST_F(FilesTest, SizeOfTheFirstMatch)
{
    writeFile(path(u"data.bin"), std::string(1234, 'x'));
    writeFile(path(u"empty.txt"), "");
    ASSERT_EQ(files::makeFolder(path(u"dir")), 0);
    const std::pair<std::u16string, std::int64_t> rows[] = {
        {path(u"data.bin"), 1234}, {path(u"empty.txt"), 0}, {path(u"dir"), 0}, {path(u"dir\\"), 0},
        {path(u"missing"), -1},    {path(u"*.bin"), 1234},  {path(u"da?a.*"), 1234},
        {u"data.bin", 1234},  // from the working folder
        {u".\\dir\\..\\data.bin", 1234},
    };
    for (const auto &[p, size] : rows)
        EXPECT_EQ(files::firstMatchSize(p), size) << std::string(p.begin(), p.end());
}

TEST_F(FilesTest, AbsolutePathsAndErrorTexts)
{
    EXPECT_EQ(files::absolutePath(u"x.ini"), folder + u"\\x.ini");
    EXPECT_EQ(files::absolutePath(u"a/../b/c.ini"), folder + u"\\b\\c.ini");
    EXPECT_EQ(files::absolutePath(u"sub\\"), folder + u"\\sub\\");
    EXPECT_EQ(files::absolutePath(u"C:\\x\\.\\y\\..\\z"), u"C:\\x\\z");
    const std::u16string deep = folder + u"\\" + std::u16string(300, u'd') + u"\\f";
    EXPECT_EQ(files::absolutePath(deep), deep);  // longer than MAX_PATH, nothing cut

    const std::u16string text = files::errorText(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), u'\n');
    EXPECT_NE(text.back(), u'\r');
}

// Why the log cannot be made anew, in the system's own numbers (shown by ClearLog's message box); the
// question changes nothing. (A read-only file is left out: Wine run by root opens it for writing.)
TEST_F(FilesTest, WriteOpenErrorGivesTheSystemsNumberAndChangesNothing)
{
    writeFile(path(u"log.txt"), "old lines");
    ASSERT_TRUE(CreateDirectoryW(w(path(u"folder")), nullptr));
    writeFile(path(u"held.txt"), "held");
    // Another program writing the file without sharing it.
    const HANDLE held = CreateFileW(w(path(u"held.txt")), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::pair<std::u16string, int> rows[] = {
        {u"log.txt", 0},
        {u"new.txt", 0},
        {u"missing\\log.txt", ERROR_PATH_NOT_FOUND},
        {u"folder", ERROR_ACCESS_DENIED},
        {u"held.txt", ERROR_SHARING_VIOLATION},
    };
    for (const auto &[name, error] : rows)
        EXPECT_EQ(files::writeOpenError(path(name)), error) << std::string(name.begin(), name.end());
    CloseHandle(held);
    EXPECT_EQ(readFile(path(u"log.txt")), "old lines");
    EXPECT_FALSE(exists(path(u"new.txt")));
}

} // namespace
