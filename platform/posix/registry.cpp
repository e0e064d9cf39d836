// A read-only view of this machine in the shape of the registry keys the identity operations read.
#include "platform/registry.h"

#include <QString>
#include <algorithm>
#include <optional>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {

const std::u16string kComputerName = u"system\\currentcontrolset\\control\\computername\\computername";
const std::u16string kTcpip = u"system\\currentcontrolset\\services\\tcpip\\parameters";
const std::u16string kInterfaces = u"system\\currentcontrolset\\services\\tcpip\\parameters\\interfaces";
const std::u16string kPrinters = u"system\\currentcontrolset\\control\\print\\printers";
const std::u16string kLogon = u"network\\logon";

std::u16string fold(const std::u16string &s)
{
    return QString::fromStdU16String(s).toLower().toStdU16String();
}

std::u16string fromLocal(const char *s)
{
    return QString::fromLocal8Bit(s).toStdU16String();
}

std::u16string shortHostName()
{
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0)
        return {};
    std::string name(buf);
    return fromLocal(name.substr(0, name.find('.')).c_str());
}

// The host's DNS domain, as "hostname -d" gives it. Resolving can be slow, so once per process.
std::u16string dnsDomain()
{
    static const std::u16string domain = [] {
        char buf[256] = {};
        if (gethostname(buf, sizeof buf - 1) != 0)
            return std::u16string();
        std::string fqdn = buf;
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_flags = AI_CANONNAME;
        addrinfo *info = nullptr;
        if (fqdn.find('.') == std::string::npos && getaddrinfo(buf, nullptr, &hints, &info) == 0) {
            if (info && info->ai_canonname)
                fqdn = info->ai_canonname;
            freeaddrinfo(info);
        }
        const auto dot = fqdn.find('.');
        return dot == std::string::npos ? std::u16string() : fromLocal(fqdn.substr(dot + 1).c_str());
    }();
    return domain;
}

// Network interfaces other than loopback, in the system's order, each with its first IPv4 address.
std::vector<std::pair<std::u16string, std::u16string>> interfaces()
{
    std::vector<std::pair<std::u16string, std::u16string>> result;
    if (struct if_nameindex *names = ::if_nameindex()) {
        for (struct if_nameindex *n = names; n->if_index != 0 && n->if_name; ++n)
            result.emplace_back(fromLocal(n->if_name), std::u16string());
        if_freenameindex(names);
    }
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (ifaddrs *a = list; a; a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
                continue;
            const std::u16string name = fromLocal(a->ifa_name);
            auto it = std::find_if(result.begin(), result.end(), [&](const auto &p) { return p.first == name; });
            if (it == result.end())
                it = result.insert(result.end(), {name, {}});
            if (!it->second.empty())
                continue;
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in *>(a->ifa_addr)->sin_addr, text, sizeof text);
            it->second = fromLocal(text);
        }
        freeifaddrs(list);
    }
    std::erase_if(result, [](const auto &p) { return p.first == u"lo"; });
    return result;
}

std::u16string loginName()
{
    if (const passwd *pw = getpwuid(geteuid()))
        return fromLocal(pw->pw_name);
    return {};
}

RegistryValue text(std::u16string s)
{
    return {RegistryValue::Kind::Text, std::move(s)};
}

class MachineView : public Registry {
public:
    bool openKey(const std::u16string &key) override
    {
        const std::u16string k = fold(key);
        if (k == kComputerName || k == kTcpip || k == kInterfaces || k == kPrinters || k == kLogon)
            return true;
        return interfaceOf(k).has_value();
    }

    RegistryValue readValue(const std::u16string &key, const std::u16string &name) override
    {
        const std::u16string k = fold(key);
        const std::u16string n = fold(name);
        if (k == kComputerName && n == u"computername")
            return text(shortHostName());
        if (k == kTcpip && n == u"domain")
            return text(dnsDomain());
        if (k == kTcpip && n == u"dhcpdomain")
            return text({});
        if (k == kLogon && n == u"username")
            return text(loginName());
        if (n == u"ipaddress")
            if (auto address = interfaceOf(k))
                return text(*address);
        return {};
    }

    std::vector<std::u16string> subKeys(const std::u16string &key) override
    {
        std::vector<std::u16string> names;
        if (fold(key) == kInterfaces)
            for (const auto &i : interfaces())
                names.push_back(i.first);
        return names;
    }

private:
    // The address of the interface the key names, when it is one.
    static std::optional<std::u16string> interfaceOf(const std::u16string &foldedKey)
    {
        const std::u16string prefix = kInterfaces + u"\\";
        if (foldedKey.rfind(prefix, 0) != 0)
            return std::nullopt;
        const std::u16string name = foldedKey.substr(prefix.size());
        for (const auto &i : interfaces())
            if (fold(i.first) == name)
                return i.second;
        return std::nullopt;
    }
};

} // namespace

std::unique_ptr<Registry> makeMachineRegistry()
{
    return std::make_unique<MachineView>();
}

} // namespace platform
