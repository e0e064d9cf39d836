// Machine and user identity on a fake registry: fallbacks, the domain gate, the DHCP preference,
// values of the wrong type, the overrides and the kept user name.
#include <functional>
#include <gtest/gtest.h>

#include "environment/hs_reg.h"
#include "support/foundation_helpers.h"
#include "support/test_env.h"

namespace {

using fh::kInterfacesKey;

class Identity : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        platform::installRegistry(&reg);
    }
    FakeRegistry reg;
};

TEST_F(Identity, SingleReads)
{
    fh::standardMachine(reg);
    reg.setText(fh::kPrintersKey, u"DefaultSpoolDirectory", u"C:\\Windows\\spool\\PRINTERS");
    EXPECT_EQ(hs_reg::computername(), "box");
    EXPECT_EQ(hs_reg::domainname(), "example.org");
    EXPECT_EQ(hs_reg::spooldirectory(), "C:\\Windows\\spool\\PRINTERS");
    EXPECT_EQ(hs_reg::logonname(), "kari");
    EXPECT_EQ(hs_reg::ipaddress(), "10.1.2.3");
    EXPECT_EQ(hs_reg::logintext(), fh::kStandardLogin);
}

TEST_F(Identity, EmptyRegistryGivesEmptyTextsAndAnonymous)
{
    qunsetenv("USERNAME");
    EXPECT_EQ(hs_reg::computername(), "");
    EXPECT_FALSE(hs_reg::computername().isNull());
    EXPECT_EQ(hs_reg::domainname(), "");
    EXPECT_EQ(hs_reg::spooldirectory(), "");
    EXPECT_EQ(hs_reg::ipaddress(), "");
    EXPECT_EQ(hs_reg::logonname(), "");  // the logon key is created on opening, so the environment is not asked
    EXPECT_EQ(hs_reg::username(), "anonymous");
    EXPECT_EQ(hs_reg::logintext(), "LOGIN:   node: . IP:");
}

TEST_F(Identity, ValuesOfTheWrongTypeReadAsEmpty)
{
    reg.setOther(fh::kComputerKey, u"ComputerName")
        .setOther(fh::kTcpKey, u"Domain")
        .setText(fh::kTcpKey, u"DhcpDomain", u"dhcp.lan")
        .setOther(fh::kPrintersKey, u"DefaultSpoolDirectory")
        .setOther(fh::kLogonKey, u"Username");
    qputenv("USERNAME", "env-user");
    EXPECT_EQ(hs_reg::computername(), "");
    EXPECT_EQ(hs_reg::domainname(), "dhcp.lan");
    EXPECT_EQ(hs_reg::spooldirectory(), "");
    EXPECT_EQ(hs_reg::logonname(), "");
    EXPECT_EQ(hs_reg::username(), "anonymous");
}

TEST_F(Identity, DomainFallsBackToDhcpDomain)
{
    reg.setText(fh::kTcpKey, u"Domain", u"").setText(fh::kTcpKey, u"DhcpDomain", u"dhcp.lan");
    EXPECT_EQ(hs_reg::domainname(), "dhcp.lan");
    reg.setText(fh::kTcpKey, u"Domain", u"fixed.lan");
    EXPECT_EQ(hs_reg::domainname(), "fixed.lan");
}

TEST_F(Identity, NoDomainMeansNoAddressWhateverTheInterfacesHold)
{
    reg.setText(kInterfacesKey + u"\\{A}", u"DhcpIPAddress", u"10.0.0.5");
    EXPECT_EQ(hs_reg::ipaddress(), "");
    EXPECT_EQ(reg.reads, 2);  // Domain and DhcpDomain, no interface
}

TEST_F(Identity, OverrideIsReturnedAsTypedWithoutReadingTheRegistry)
{
    hs_reg::values().ipoverride = "not an address";
    EXPECT_EQ(hs_reg::ipaddress(), "not an address");
    EXPECT_EQ(reg.reads, 0);
}

struct AddressCase {
    const char *name;
    std::function<void(FakeRegistry &)> interfaces;
    const char *expected;
};

class Addresses : public Identity, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(Addresses, FirstQualifyingInterfaceWins)
{
    reg.setText(fh::kTcpKey, u"Domain", u"example.org");
    GetParam().interfaces(reg);
    EXPECT_EQ(hs_reg::ipaddress(), GetParam().expected);
}

const std::u16string A = kInterfacesKey + u"\\{Z-first}";
const std::u16string B = kInterfacesKey + u"\\{A-second}";

INSTANTIATE_TEST_SUITE_P(Table, Addresses, ::testing::Values(
    AddressCase{"no interfaces key", [](FakeRegistry &) {}, "0.0.0.0"},
    AddressCase{"no interfaces", [](FakeRegistry &r) { r.addKey(kInterfacesKey); }, "0.0.0.0"},
    AddressCase{"dhcp zero then dhcp",
                [](FakeRegistry &r) {
                    r.setText(A, u"DhcpIPAddress", u"0.0.0.0").setText(B, u"DhcpIPAddress", u"10.0.0.5");
                },
                "10.0.0.5"},
    AddressCase{"dhcp preferred to fixed",
                [](FakeRegistry &r) {
                    r.setText(A, u"DhcpIPAddress", u"10.0.0.7").setText(A, u"IPAddress", u"10.0.0.8");
                },
                "10.0.0.7"},
    AddressCase{"fixed when dhcp empty",
                [](FakeRegistry &r) { r.setText(A, u"DhcpIPAddress", u"").setText(A, u"IPAddress", u"10.0.0.8"); },
                "10.0.0.8"},
    AddressCase{"list of texts skipped",
                [](FakeRegistry &r) {
                    r.setText(A, u"DhcpIPAddress", u"0.0.0.0").setOther(A, u"IPAddress");
                    r.setText(B, u"IPAddress", u"192.168.1.9");
                },
                "192.168.1.9"},
    AddressCase{"wrong-typed dhcp falls to fixed",
                [](FakeRegistry &r) { r.setOther(A, u"DhcpIPAddress").setText(A, u"IPAddress", u"5.6.7.8"); },
                "5.6.7.8"},
    AddressCase{"enumeration order, not sorted",
                [](FakeRegistry &r) { r.setText(A, u"IPAddress", u"1.1.1.1").setText(B, u"IPAddress", u"2.2.2.2"); },
                "1.1.1.1"},
    AddressCase{"zero is exact text",
                [](FakeRegistry &r) { r.setText(A, u"IPAddress", u"0.0.0.00"); }, "0.0.0.00"},
    AddressCase{"denied interface skipped",
                [](FakeRegistry &r) { r.deny(A).setText(B, u"IPAddress", u"3.3.3.3"); }, "3.3.3.3"},
    AddressCase{"nothing anywhere",
                [](FakeRegistry &r) { r.setText(A, u"IPAddress", u"0.0.0.0").addKey(B); }, "0.0.0.0"}),
    [](const auto &info) {
        std::string n = info.param.name;
        for (char &c : n)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

TEST_F(Identity, LogonKeyThatCannotBeOpenedFallsBackToTheEnvironment)
{
    reg.deny(fh::kLogonKey);
    qputenv("USERNAME", "olav");
    EXPECT_EQ(hs_reg::logonname(), "olav");
    qunsetenv("USERNAME");
    EXPECT_EQ(hs_reg::logonname(), "");
    EXPECT_EQ(hs_reg::username(), "anonymous");
}

TEST_F(Identity, MissingLogonKeyThatCannotBeCreatedFallsBackToTheEnvironment)
{
    reg.setCreateOnOpen(false);
    qputenv("USERNAME", "olav");
    EXPECT_EQ(hs_reg::logonname(), "olav");
}

TEST_F(Identity, LogonKeyWithoutUsernameGivesAnonymous)
{
    reg.addKey(fh::kLogonKey);
    qputenv("USERNAME", "olav");
    EXPECT_EQ(hs_reg::logonname(), "");
    EXPECT_EQ(hs_reg::username(), "anonymous");
}

TEST_F(Identity, UserOverrideWinsAndLogonNameIsUnaffected)
{
    fh::standardMachine(reg);
    hs_reg::scanCommandLine({"--user", "per"});
    EXPECT_EQ(hs_reg::username(), "per");
    EXPECT_EQ(hs_reg::logonname(), "kari");
}

TEST_F(Identity, EmptyOverrideCountsAsAbsent)
{
    fh::standardMachine(reg);
    hs_reg::scanCommandLine({"--user"});
    EXPECT_EQ(hs_reg::username(), "kari");
}

TEST_F(Identity, EffectiveUserIsKeptForTheRun)
{
    reg.deny(fh::kLogonKey);
    qputenv("USERNAME", "first");
    EXPECT_EQ(hs_reg::username(), "first");
    qputenv("USERNAME", "second");
    hs_reg::values().useroverride = "third";
    EXPECT_EQ(hs_reg::logonname(), "second");
    EXPECT_EQ(hs_reg::username(), "first");
}

TEST_F(Identity, TempDirectoryIsTheVariableAsItIs)
{
    qputenv("TEMP", "/var/scratch/temp");
    EXPECT_EQ(hs_reg::tempdirectory(), "/var/scratch/temp");
    qunsetenv("TEMP");
    EXPECT_EQ(hs_reg::tempdirectory(), "");
    EXPECT_FALSE(hs_reg::tempdirectory().isNull());
}

} // namespace
