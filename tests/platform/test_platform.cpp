// The platform layer on this system: file operations, the code page, environment and program path,
// the machine's registry view, the regional date and time.
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "platform/datetimetext.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/textcodec.h"
#include "support/foundation_helpers.h"
#include "support/test_env.h"

namespace {

namespace pf = platform::files;
using fh::u;

class Files : public TempEnvTest {};

TEST_F(Files, ListingShowsHiddenEntriesAndTellsLinksFromFolders)
{
    const QString d = dir() + "/list";
    ASSERT_TRUE(testenv::writeFile(d + "/plain", "x"));
    ASSERT_TRUE(testenv::writeFile(d + "/.hidden", "x"));
    ASSERT_TRUE(testenv::writeFile(d + "/ro", "x"));
    fh::chmodPath(d + "/ro", 0444);
    QDir().mkpath(d + "/sub");
    QDir().mkpath(dir() + "/target");
    ASSERT_TRUE(QFile::link(dir() + "/target", d + "/link"));

    std::vector<pf::Entry> entries;
    ASSERT_TRUE(pf::listFolder(u(d), entries));
    std::map<std::u16string, pf::Entry> byName;
    for (const auto &e : entries)
        byName[e.name] = e;
    ASSERT_EQ(byName.size(), 5u);
    EXPECT_FALSE(byName.count(u".") || byName.count(u".."));
    EXPECT_TRUE(byName[u"sub"].folder);
    EXPECT_FALSE(byName[u"sub"].link);
    EXPECT_TRUE(byName[u"link"].link);
    EXPECT_FALSE(byName[u"link"].folder);
    EXPECT_TRUE(byName[u"ro"].readOnly);
    EXPECT_FALSE(byName[u"plain"].readOnly);
    EXPECT_TRUE(byName.count(u".hidden"));

    EXPECT_FALSE(pf::listFolder(u(dir() + "/nothing"), entries));
}

TEST_F(Files, ExistenceReadOnlyAndAttributes)
{
    const QString f = dir() + "/f";
    ASSERT_TRUE(testenv::writeFile(f, "x"));
    EXPECT_TRUE(pf::fileExists(u(f)));
    EXPECT_FALSE(pf::folderExists(u(f)));
    EXPECT_TRUE(pf::folderExists(u(dir())));
    EXPECT_FALSE(pf::fileExists(u(dir())));
    EXPECT_FALSE(pf::fileExists(u(dir() + "/missing")));
    fh::chmodPath(f, 0464);  // any write bit means writable
    EXPECT_FALSE(pf::isReadOnly(u(f)));
    fh::chmodPath(f, 0444);
    EXPECT_TRUE(pf::isReadOnly(u(f)));
    EXPECT_TRUE(pf::clearAttributes(u(f)));
    EXPECT_FALSE(pf::isReadOnly(u(f)));
    EXPECT_FALSE(pf::isReadOnly(u(dir() + "/missing")));
}

TEST_F(Files, MakeFolderGivesThePlatformErrorNumbers)
{
    EXPECT_EQ(pf::makeFolder(u(dir() + "/new")), 0);
    EXPECT_EQ(pf::makeFolder(u(dir() + "/new")), EEXIST);
    EXPECT_EQ(pf::makeFolder(u(dir() + "/no/parent")), ENOENT);
    EXPECT_TRUE(pf::makePath(u(dir() + "/a/b/c")));
    EXPECT_TRUE(pf::makePath(u(dir() + "/a/b/c")));
    EXPECT_TRUE(QFileInfo(dir() + "/a/b/c").isDir());
    ASSERT_TRUE(testenv::writeFile(dir() + "/plainfile", "x"));
    EXPECT_FALSE(pf::makePath(u(dir() + "/plainfile/sub")));
}

TEST_F(Files, RemovingALinkLeavesItsTarget)
{
    ASSERT_TRUE(testenv::writeFile(dir() + "/target/keep", "keep"));
    ASSERT_TRUE(QFile::link(dir() + "/target", dir() + "/dirlink"));
    ASSERT_TRUE(QFile::link(dir() + "/target/keep", dir() + "/filelink"));
    int error = -1;
    EXPECT_TRUE(pf::removeFolder(u(dir() + "/dirlink"), &error));
    EXPECT_TRUE(pf::removeFile(u(dir() + "/filelink"), &error));
    EXPECT_FALSE(QFileInfo(dir() + "/dirlink").isSymLink());
    EXPECT_FALSE(QFileInfo(dir() + "/filelink").isSymLink());
    EXPECT_EQ(testenv::readFile(dir() + "/target/keep"), "keep");
    EXPECT_FALSE(pf::removeFolder(u(dir() + "/target"), &error));  // not empty
    EXPECT_EQ(error, ENOTEMPTY);
    EXPECT_FALSE(pf::removeFile(u(dir() + "/missing"), &error));
    EXPECT_EQ(error, ENOENT);
}

TEST_F(Files, RenameNeverReplaces)
{
    ASSERT_TRUE(testenv::writeFile(dir() + "/a", "A"));
    ASSERT_TRUE(testenv::writeFile(dir() + "/b", "B"));
    int error = 0;
    EXPECT_FALSE(pf::renameNoReplace(u(dir() + "/a"), u(dir() + "/b"), &error));
    EXPECT_EQ(error, EEXIST);
    EXPECT_EQ(testenv::readFile(dir() + "/a"), "A");
    EXPECT_EQ(testenv::readFile(dir() + "/b"), "B");
    EXPECT_TRUE(pf::renameNoReplace(u(dir() + "/a"), u(dir() + "/c")));
    EXPECT_FALSE(QFileInfo::exists(dir() + "/a"));
    EXPECT_EQ(testenv::readFile(dir() + "/c"), "A");
}

TEST_F(Files, FirstMatchSizeAndAbsolutePaths)
{
    ASSERT_TRUE(testenv::writeFile(work() + "/w.dat", "1234"));
    EXPECT_EQ(pf::firstMatchSize(u"w.dat"), 4);
    EXPECT_EQ(pf::firstMatchSize(u(work() + "/*.dat")), 4);
    EXPECT_EQ(pf::firstMatchSize(u(work())), 0);
    EXPECT_EQ(pf::firstMatchSize(u(work() + "/*.none")), -1);
    EXPECT_EQ(pf::firstMatchSize(u(dir() + "/nofolder/*.dat")), -1);

    EXPECT_EQ(QString::fromStdU16String(pf::absolutePath(u"a/../b/./c")), work() + "/b/c");
    EXPECT_EQ(QString::fromStdU16String(pf::absolutePath(u"/x/y/../z")), "/x/z");
    QDir().mkpath(dir() + "/real/inner");
    ASSERT_TRUE(QFile::link(dir() + "/real/inner", dir() + "/ln"));
    EXPECT_EQ(QString::fromStdU16String(pf::absolutePath(u(dir() + "/ln/.."))), dir());  // the link is not followed
    EXPECT_FALSE(pf::errorText(ENOENT).empty());
}

TEST(TextCodec, AllBytesRoundTripAndTheEuroIsWhereItBelongs)
{
    char all[256];
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    char16_t text[256];
    platform::textcodec::decode8bit(all, 256, text);
    EXPECT_EQ(text[0x80], u'€');
    EXPECT_EQ(text[0xF8], u'ø');
    EXPECT_EQ(text[0x9F], u'Ÿ');
    EXPECT_EQ(text[0x41], u'A');
    EXPECT_EQ(std::count(text, text + 256, u'\uFFFD'), 0);
    // The same bytes at every offset, so each byte is met in every lane of a block and in the tail.
    for (int from = 1; from < 32; ++from) {
        char16_t shifted[256];
        platform::textcodec::decode8bit(all + from, std::size_t(256 - from), shifted);
        EXPECT_TRUE(std::equal(shifted, shifted + 256 - from, text + from)) << "from " << from;
    }
    char back[256];
    ASSERT_TRUE(platform::textcodec::encode8bit(text, 256, back));
    EXPECT_EQ(std::string(back, 256), std::string(all, 256));
    const char16_t omega[] = u"abΩ";
    EXPECT_FALSE(platform::textcodec::encode8bit(omega, 3, back));
    const char16_t emoji[] = u"😀";
    EXPECT_FALSE(platform::textcodec::encode8bit(emoji, 2, back));
}

class System : public TempEnvTest {};

TEST_F(System, ApplicationDataFolderFallsBackInOrder)
{
    EXPECT_EQ(platform::separator(), u'/');
    EXPECT_EQ(QString::fromStdU16String(platform::appDataFolder()), appdata());
    qunsetenv("APPDATA");
    EXPECT_EQ(QString::fromStdU16String(platform::appDataFolder()), dir() + "/xdg-data");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(QString::fromStdU16String(platform::appDataFolder()), dir() + "/home/.local/share");
    qputenv("BO_SOME_VAR", "værdi");
    EXPECT_EQ(QString::fromStdU16String(platform::environmentVariable(u"BO_SOME_VAR")), "værdi");
    EXPECT_TRUE(platform::environmentVariable(u"BO_NOT_SET_AT_ALL").empty());
}

TEST_F(System, ProgramPathAndClockCanBeFixed)
{
    const std::u16string real = platform::programPath();
    EXPECT_TRUE(QFileInfo(QString::fromStdU16String(real)).isExecutable());
    platform::overrideProgramPath(u"/opt/x/prog");
    EXPECT_EQ(platform::programPath(), u"/opt/x/prog");
    platform::overrideProgramPath({});
    EXPECT_EQ(platform::programPath(), real);

    platform::overrideNow(platform::LocalTime{2001, 2, 3, 4, 5, 6});
    const platform::LocalTime t = platform::now();
    EXPECT_EQ(std::tie(t.year, t.month, t.day, t.hour, t.minute, t.second), std::make_tuple(2001, 2, 3, 4, 5, 6));
    platform::overrideNow(std::nullopt);
    EXPECT_GE(platform::now().year, 2024);
}

TEST(DateTimeText, FollowsTheRegionalFormsWithoutTimeZone)
{
    const platform::LocalTime t{2026, 12, 7, 14, 5, 9};
    const QString date = QString::fromStdU16String(platform::shortDateText(t));
    const QString time = QString::fromStdU16String(platform::longTimeText(t));
    EXPECT_EQ(date, QLocale::system().toString(QDate(2026, 12, 7), QLocale::ShortFormat));
    EXPECT_TRUE(time.contains("14") && time.contains("05") && time.contains("09")) << qPrintable(time);
    EXPECT_EQ(time, time.trimmed());
    for (const char *zone : {"UTC", "GMT", "CET", "CEST", "+0"})
        EXPECT_FALSE(time.contains(zone)) << qPrintable(time);
}

TEST(MachineRegistry, IsAReadOnlyViewOfThisMachine)
{
    auto reg = platform::makeMachineRegistry();
    const auto name = reg->readValue(fh::kComputerKey, u"ComputerName");
    EXPECT_EQ(name.kind, platform::RegistryValue::Kind::Text);
    EXPECT_EQ(QString::fromStdU16String(name.text), QSysInfo::machineHostName().section('.', 0, 0));
    EXPECT_TRUE(reg->readValue(fh::kTcpKey, u"DhcpDomain").text.empty());
    EXPECT_TRUE(reg->readValue(fh::kPrintersKey, u"DefaultSpoolDirectory").text.empty());

    ASSERT_TRUE(reg->openKey(fh::kLogonKey));
    const passwd *pw = ::getpwuid(::geteuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(QString::fromStdU16String(reg->readValue(fh::kLogonKey, u"Username").text), QString::fromLocal8Bit(pw->pw_name));

    for (const auto &sub : reg->subKeys(fh::kInterfacesKey)) {
        EXPECT_NE(sub, u"lo");
        const auto ip = reg->readValue(fh::kInterfacesKey + u"\\" + sub, u"IPAddress");
        if (ip.kind == platform::RegistryValue::Kind::Text && !ip.text.empty())
            EXPECT_EQ(std::count(ip.text.begin(), ip.text.end(), u'.'), 3) << QString::fromStdU16String(ip.text).toStdString();
        EXPECT_EQ(reg->readValue(fh::kInterfacesKey + u"\\" + sub, u"DhcpIPAddress").kind,
                  platform::RegistryValue::Kind::Missing);
    }
}

TEST(MachineRegistry, FakeCanBeInstalledAndRemoved)
{
    FakeRegistry fake;
    fake.setText(fh::kComputerKey, u"ComputerName", u"fake-box");
    platform::installRegistry(&fake);
    EXPECT_EQ(platform::registry().readValue(fh::kComputerKey, u"ComputerName").text, u"fake-box");
    platform::installRegistry(nullptr);
    EXPECT_NE(platform::registry().readValue(fh::kComputerKey, u"ComputerName").text, u"fake-box");
}

} // namespace
