// Machine and user identity, read from the registry's machine-wide root (or this machine's view of it).
#include "common/qtstring.h"
#include "environment/hs_reg.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace hs_reg {

namespace {

const std::u16string kTcpip = u"System\\CurrentControlSet\\Services\\TCPIP\\Parameters";
const std::u16string kInterfaces = u"System\\CurrentControlSet\\Services\\TCPIP\\Parameters\\Interfaces";
const QString kNoAddress = QStringLiteral("0.0.0.0");

// Open (created when missing), read one text. A missing value, an unopened key and a value of
// another type than text all give the empty text.
QString readText(const std::u16string &key, const std::u16string &name, bool *wrongType = nullptr)
{
    platform::Registry &r = platform::registry();
    r.openKey(key);
    const platform::RegistryValue v = r.readValue(key, name);
    if (wrongType)
        *wrongType = v.kind == platform::RegistryValue::Kind::Other;
    return v.kind == platform::RegistryValue::Kind::Text ? qs(v.text) : QString(QLatin1String(""));
}

// An interface's address: its DHCP address, else its fixed one; a read failure counts as "0.0.0.0".
QString interfaceAddress(const std::u16string &key)
{
    bool wrongType = false;
    QString a = readText(key, u"DhcpIPAddress", &wrongType);
    if (wrongType)
        a = kNoAddress;
    if (a.isEmpty() || a == kNoAddress) {
        a = readText(key, u"IPAddress", &wrongType);
        if (wrongType)
            a = kNoAddress;
    }
    return a;
}

} // namespace

QString computername()
{
    return readText(u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", u"ComputerName");
}

QString domainname()
{
    const QString domain = readText(kTcpip, u"Domain");
    return domain.isEmpty() ? readText(kTcpip, u"DhcpDomain") : domain;
}

QString ipaddress()
{
    if (!values().ipoverride.isEmpty())
        return values().ipoverride;
    if (domainname().isEmpty())
        return QString(QLatin1String(""));
    platform::Registry &r = platform::registry();
    r.openKey(kInterfaces);
    for (const std::u16string &name : r.subKeys(kInterfaces)) {
        const QString a = interfaceAddress(kInterfaces + u"\\" + name);
        if (!a.isEmpty() && a != kNoAddress)
            return a;
    }
    return kNoAddress;
}

QString spooldirectory()
{
    return readText(u"System\\CurrentControlSet\\Control\\Print\\Printers", u"DefaultSpoolDirectory");
}

QString logonname()
{
    const std::u16string key = u"Network\\Logon";
    if (platform::registry().openKey(key))
        return readText(key, u"Username");
    return qs(platform::environmentVariable(u"USERNAME"));
}

QString username()
{
    QString &kept = values().effectiveUser;
    if (kept.isEmpty())
        kept = values().useroverride.isEmpty() ? logonname() : values().useroverride;
    if (kept.isEmpty())
        kept = QStringLiteral("anonymous");
    return kept;
}

QString tempdirectory()
{
    return qs(platform::environmentVariable(u"TEMP"));
}

} // namespace hs_reg
