// The FTP server settings: section "SERVER-SETTING-FTP" of the open settings document.
#include "common/felles.h"
#include "environment/hs_reg.h"
#include "transfer/ftpunit.h"
#include "transfer/serveroppsett.h"

namespace ftpunit {

Values &values()
{
    static Values v;
    return v;
}

void reset()
{
    values() = Values();
}

void finish()
{
    Values &v = values();
    v.FTPServer.clear();
    v.FTPMappe.clear();
    v.FTPBruker.clear();
    v.FTPPassord.clear();
}

void LesFTPOppsett()
{
    Values &v = values();
    hs_reg::setsection(kSection);
    v.FTPServer = hs_reg::readstr(QStringLiteral("server"));
    v.FTPBruker = hs_reg::readstr(QStringLiteral("username"));
    v.FTPPassord = Felles::unscrambletext(hs_reg::readstr(QStringLiteral("password")));
    v.FTPPort = hs_reg::readint(QStringLiteral("port"));
    v.FTPSSL = hs_reg::readbool(QStringLiteral("ssl"));
    hs_reg::standardsection();
}

void SkrivStandardFTPOppsett()
{
    hs_reg::setsection(kSection);
    hs_reg::writestr(QStringLiteral("name"), QStringLiteral("Veltrona FTP-server"));
    hs_reg::writestr(QStringLiteral("server"), kDefaultHost);
    hs_reg::writestr(QStringLiteral("folder"), QString(QLatin1String("")));
    hs_reg::writestr(QStringLiteral("username"), kDefaultUser);
    hs_reg::writestr(QStringLiteral("password"), Felles::scrambletext(kDefaultPassword));
    hs_reg::writeint(QStringLiteral("port"), 21);
    hs_reg::standardsection();
}

void HentFTPOppsett()
{
    LesFTPOppsett();
    Values &v = values();
    if (v.FTPServer.isEmpty()) {
        SkrivStandardFTPOppsett();
        serveroppsett::VisServerOppsett(QStringLiteral("Oppsett FTP-server"), QStringLiteral("FTP"));
        LesFTPOppsett();
    }
    // In memory only; the section keeps what it has.
    if (v.FTPBruker.isEmpty())
        v.FTPBruker = kDefaultUser;
    if (v.FTPPassord.isEmpty())
        v.FTPPassord = kDefaultPassword;
}

} // namespace ftpunit
