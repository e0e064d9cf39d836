// The registry accessor on the real registry: test keys live below a root of their own in the
// machine-wide hive and are removed afterwards.
#include "platform/registry.h"
#include "tests/win32/win32_test_env.h"

#include <aclapi.h>

#include <algorithm>
#include <vector>

namespace {

using platform::RegistryValue;
using Kind = platform::RegistryValue::Kind;
using namespace win32_test;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        root = u"SOFTWARE\\BoWin32Tests\\" + std::u16string(name.begin(), name.end()) + u"-"
               + u16(std::to_wstring(GetCurrentProcessId()));
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, w(root));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, w(root)); }

    void setValue(const std::u16string &key, const std::u16string &name, DWORD type, const void *data, DWORD size)
    {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, w(key), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(h, w(name), 0, type, static_cast<const BYTE *>(data), size), ERROR_SUCCESS);
        RegCloseKey(h);
    }
    // A string value the usual way: with its terminating zero.
    void setText(const std::u16string &key, const std::u16string &name, const std::u16string &text, DWORD type = REG_SZ)
    {
        setValue(key, name, type, text.c_str(), DWORD((text.size() + 1) * sizeof(char16_t)));
    }
    static bool keyExists(const std::u16string &key)
    {
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, w(key), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return false;
        RegCloseKey(h);
        return true;
    }

    std::u16string root;
    std::unique_ptr<platform::Registry> registry = platform::makeMachineRegistry();
};

TEST_F(RegistryTest, ComputerNameIsTheMachinesName)
{
    const std::u16string key = u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
    const RegistryValue v = registry->readValue(key, u"ComputerName");
    ASSERT_EQ(v.kind, Kind::Text);
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(name, &size));
    EXPECT_FALSE(v.text.empty());
    EXPECT_EQ(v.text, u16(std::wstring(name, size)));
    // The process-wide accessor is the machine's unless a test installs another.
    platform::installRegistry(nullptr);
    EXPECT_EQ(platform::registry().readValue(key, u"ComputerName").text, v.text);
}

// Two interfaces as the address search meets them: the first with a DHCP address of "0.0.0.0" and a
// fixed address stored as a list, the second with an expandable DHCP address and a plain fixed one.
TEST_F(RegistryTest, InterfaceAddressesOfBothTypes)
{
    const std::u16string interfaces = root + u"\\Tcpip\\Parameters\\Interfaces";
    const std::u16string first = interfaces + u"\\{0A1B}", second = interfaces + u"\\{9F00}";
    // Created in the other order: the enumeration order is the registry's, not the creation order.
    setText(second, u"DhcpIPAddress", u"10.0.0.5", REG_EXPAND_SZ);
    setText(second, u"IPAddress", u"192.168.1.20");
    setText(first, u"DhcpIPAddress", u"0.0.0.0");
    const char16_t list[] = u"10.9.9.9\0" u"10.9.9.10\0";
    setValue(first, u"IPAddress", REG_MULTI_SZ, list, sizeof list);

    EXPECT_EQ(registry->subKeys(interfaces), (std::vector<std::u16string>{u"{0A1B}", u"{9F00}"}));
    struct Row {
        std::u16string key, name;
        Kind kind;
        std::u16string text;
    };
    const Row rows[] = {
        {first, u"DhcpIPAddress", Kind::Text, u"0.0.0.0"},
        {first, u"IPAddress", Kind::Other, u""},
        {second, u"DhcpIPAddress", Kind::Text, u"10.0.0.5"},
        {second, u"IPAddress", Kind::Text, u"192.168.1.20"},
        {second, u"DhcpDomain", Kind::Missing, u""},
        {interfaces + u"\\{absent}", u"IPAddress", Kind::Missing, u""},
    };
    for (const Row &row : rows) {
        const RegistryValue v = registry->readValue(row.key, row.name);
        EXPECT_EQ(v.kind, row.kind) << std::string(row.name.begin(), row.name.end());
        EXPECT_EQ(v.text, row.text) << std::string(row.name.begin(), row.name.end());
    }
}

TEST_F(RegistryTest, OnlyPlainAndExpandableStringsAreText)
{
    const DWORD dword = 7;
    const unsigned long long qword = 7;
    const BYTE binary[] = {'1', 0, '0', 0};
    const char16_t multi[] = u"a\0b\0";
    setValue(root, u"dword", REG_DWORD, &dword, sizeof dword);
    setValue(root, u"qword", REG_QWORD, &qword, sizeof qword);
    setValue(root, u"binary", REG_BINARY, binary, sizeof binary);
    setValue(root, u"multi", REG_MULTI_SZ, multi, sizeof multi);
    setValue(root, u"none", REG_NONE, binary, sizeof binary);
    setText(root, u"expand", u"%SystemRoot%\\spool", REG_EXPAND_SZ);
    for (const char16_t *name : {u"dword", u"qword", u"binary", u"multi", u"none"})
        EXPECT_EQ(registry->readValue(root, name).kind, Kind::Other) << std::u16string(name).size();
    // Read as stored: an expandable string is not expanded.
    const RegistryValue v = registry->readValue(root, u"expand");
    EXPECT_EQ(v.kind, Kind::Text);
    EXPECT_EQ(v.text, u"%SystemRoot%\\spool");
}

// Strings written by other programs need not end in a zero, may have an odd size, or be empty.
TEST_F(RegistryTest, StoredStringsOfEveryShape)
{
    const std::u16string abc = u"abc", embedded = std::u16string(u"ab\0cd", 5);
    const std::u16string longText(40000, u'x');
    setValue(root, u"noZero", REG_SZ, abc.data(), 6);
    setValue(root, u"oddSize", REG_SZ, abc.data(), 7);
    setValue(root, u"empty", REG_SZ, nullptr, 0);
    setValue(root, u"embedded", REG_SZ, embedded.data(), DWORD(embedded.size() * 2));
    setText(root, u"long", longText);
    setText(root, u"norsk", u"Blåbærsyltetøy");
    const std::pair<const char16_t *, std::u16string> rows[] = {
        {u"noZero", u"abc"}, {u"oddSize", u"abc"},    {u"empty", u""},
        {u"embedded", u"ab"}, {u"long", longText}, {u"norsk", u"Blåbærsyltetøy"},
    };
    for (const auto &[name, text] : rows) {
        const RegistryValue v = registry->readValue(root, name);
        EXPECT_EQ(v.kind, Kind::Text);
        EXPECT_EQ(v.text.size(), text.size()) << std::u16string(name).size();
        EXPECT_TRUE(v.text == text);
    }
}

TEST_F(RegistryTest, MissingKeysAreCreatedWhenOpened)
{
    const std::u16string key = root + u"\\Not\\There\\Yet";
    ASSERT_FALSE(keyExists(key));
    EXPECT_TRUE(registry->openKey(key));
    EXPECT_TRUE(keyExists(key));
    // Reading and listing open the same way: the key is there afterwards, the value is not.
    const std::u16string other = root + u"\\Read\\First";
    EXPECT_EQ(registry->readValue(other, u"Anything").kind, Kind::Missing);
    EXPECT_TRUE(keyExists(other));
    EXPECT_TRUE(registry->subKeys(root + u"\\Listed").empty());
    EXPECT_TRUE(keyExists(root + u"\\Listed"));
    // A leading separator names the same key below the root.
    setText(key, u"Value", u"here");
    EXPECT_EQ(registry->readValue(u"\\" + key, u"Value").text, u"here");
}

TEST_F(RegistryTest, NetworkLogonWithoutUsername)
{
    const std::u16string key = u"Network\\Logon";
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, w(key), 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS) {
        RegDeleteValueW(h, L"Username");
        RegCloseKey(h);
    }
    EXPECT_TRUE(registry->openKey(key));
    EXPECT_TRUE(keyExists(key));
    const RegistryValue v = registry->readValue(key, u"Username");
    EXPECT_EQ(v.kind, Kind::Missing);
    EXPECT_TRUE(v.text.empty());
}

TEST_F(RegistryTest, SubKeysComeWholeInTheRegistrysOrder)
{
    const std::u16string longName(255, u'k');  // the longest name a key may have
    for (const std::u16string &name : {std::u16string(u"Zeta"), std::u16string(u"alpha"), longName,
                                       std::u16string(u"Mid"), std::u16string(u"Ærlig")})
        ASSERT_TRUE(registry->openKey(root + u"\\" + name));
    // What the registry itself enumerates, index by index.
    std::vector<std::u16string> raw;
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, w(root), 0, KEY_READ, &h), ERROR_SUCCESS);
    wchar_t buffer[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(h, i, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        raw.push_back(u16(std::wstring(buffer, length)));
    }
    RegCloseKey(h);
    const std::vector<std::u16string> names = registry->subKeys(root);
    EXPECT_EQ(names, raw);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_NE(std::find(names.begin(), names.end(), longName), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), u"Ærlig"), names.end());
}

// Without full access (a user who is no administrator) an existing key counts as not opened, so that
// logonname turns to the environment, and its values are still read.
TEST_F(RegistryTest, KeyWithoutFullAccessIsNotOpenedButStillRead)
{
    const std::u16string key = root + u"\\ReadOnly";
    setText(key, u"Domain", u"example.lan");
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, w(key), 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    // Everyone may read, nobody may write.
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = KEY_READ;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = const_cast<wchar_t *>(L"EVERYONE");
    PACL acl = nullptr;
    ASSERT_EQ(SetEntriesInAclW(1, &access, nullptr, &acl), ERROR_SUCCESS);
    const DWORD rc = SetSecurityInfo(h, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                     nullptr, nullptr, acl, nullptr);
    RegCloseKey(h);
    ASSERT_EQ(rc, ERROR_SUCCESS);
    const bool enforced = RegOpenKeyExW(HKEY_LOCAL_MACHINE, w(key), 0, KEY_ALL_ACCESS, &h) == ERROR_ACCESS_DENIED;
    if (!enforced)
        RegCloseKey(h);

    if (enforced) {
        EXPECT_FALSE(registry->openKey(key));
        EXPECT_EQ(registry->readValue(key, u"Domain").text, u"example.lan");
        EXPECT_EQ(registry->readValue(key, u"Other").kind, Kind::Missing);
    }
    // Give the key back so that it can be removed.
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, w(key), 0, WRITE_DAC, &h), ERROR_SUCCESS);
    access.grfAccessPermissions = KEY_ALL_ACCESS;
    LocalFree(acl);
    acl = nullptr;
    ASSERT_EQ(SetEntriesInAclW(1, &access, nullptr, &acl), ERROR_SUCCESS);
    SetSecurityInfo(h, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr);
    RegCloseKey(h);
    LocalFree(acl);
    if (!enforced)
        GTEST_SKIP() << "this registry does not enforce key permissions";
}

} // namespace
