// The loader of the program's modules: a module is found in the program's folder for them, and one
// that cannot be used is told why.
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <gtest/gtest.h>

#include "common/plugins.h"
#include "support/test_env.h"
#include "transfer/ftp_plugin.h"

class UnrelatedInterface {
public:
    virtual ~UnrelatedInterface() = default;
};
Q_DECLARE_INTERFACE(UnrelatedInterface, "no.veltrona.BrukerOppsett.Unrelated/1")

namespace {

enum class Put { Nothing, Text, QtCore, FtpModule };
struct Case {
    const char *name;
    Put put;         // what lies in the folder under the module's name
    bool unrelated;  // asked for another interface than the module's
    const char *said;  // after "tilleggsmodulen <file>"; empty when it loads
};

void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

class PluginsTest : public TempEnvTest, public ::testing::WithParamInterface<Case> {};

TEST_P(PluginsTest, ModuleIsLoadedOrTheReasonGiven)
{
    const Case &c = GetParam();
    const QString real = plugins::filePath(QStringLiteral("ftp"));
    ASSERT_TRUE(QFile::exists(real)) << "the FTP module is not built: " << real.toStdString();
    const QString folder = dir() + QStringLiteral("/moduler");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/ftp.so");
    switch (c.put) {
    case Put::Nothing:
        break;
    case Put::Text:
        ASSERT_TRUE(testenv::writeFile(file, "ikke et bibliotek\n"));
        break;
    case Put::QtCore:  // a library, but no module
        ASSERT_TRUE(QFile::copy(QLibraryInfo::path(QLibraryInfo::LibrariesPath) + QStringLiteral("/libQt6Core.so.6"), file));
        break;
    case Put::FtpModule:
        ASSERT_TRUE(QFile::copy(real, file));
        break;
    }
    plugins::setFolder(folder);
    QString error = QStringLiteral("unchanged");
    const bool loaded = c.unrelated ? plugins::load<UnrelatedInterface>(QStringLiteral("ftp"), &error) != nullptr
                                    : plugins::load<FtpPlugin>(QStringLiteral("ftp"), &error) != nullptr;
    if (*c.said == 0) {
        EXPECT_TRUE(loaded);
        EXPECT_EQ(error, QStringLiteral("unchanged"));
        return;
    }
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(error.startsWith(QStringLiteral("tilleggsmodulen ") + file + QString::fromUtf8(c.said))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Modules, PluginsTest,
    ::testing::Values(Case{"Loads", Put::FtpModule, false, ""},
                      Case{"Missing", Put::Nothing, false, " finnes ikke"},
                      Case{"NotALibrary", Put::Text, false, " kan ikke lastes: "},
                      Case{"LibraryWithoutModule", Put::QtCore, false, " kan ikke lastes: "},
                      Case{"AnotherInterface", Put::FtpModule, true, " hører ikke til denne utgaven av programmet"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
