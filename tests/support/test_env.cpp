#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/plugins.h"
#include "common/ui_hooks.h"
#include "common/utskrift.h"
#include "environment/hs_reg.h"
#include "log/textfil.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace testenv {

void isolateProcess(const QString &base)
{
    for (const char *sub : {"home", "appdata", "work", "temp", "xdg-data", "xdg-config", "xdg-cache"})
        QDir().mkpath(base + QLatin1Char('/') + QLatin1String(sub));
    qputenv("HOME", (base + QStringLiteral("/home")).toLocal8Bit());
    qputenv("APPDATA", (base + QStringLiteral("/appdata")).toLocal8Bit());
    qputenv("TEMP", (base + QStringLiteral("/temp")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (base + QStringLiteral("/xdg-data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (base + QStringLiteral("/xdg-config")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (base + QStringLiteral("/xdg-cache")).toLocal8Bit());
    QDir::setCurrent(base + QStringLiteral("/work"));
}

void resetUnits()
{
    hs_reg::reset();
    textfil::reset();
    utskrift::reset();
    ui_hooks::uninstall();
    platform::installRegistry(nullptr);
    platform::overrideProgramPath({});
    platform::overrideNow(std::nullopt);
    // The modules of the built program, found as the program finds them from its own folder.
    const QString program = qEnvironmentVariable("BO_PROGRAM", QStringLiteral(BO_BUILT_PROGRAM));
    plugins::setFolder(plugins::folderOf(QFileInfo(program).absolutePath()));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace testenv

void TempEnvTest::SetUp()
{
    oldCwd_ = QDir::currentPath();
    tmp_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/bo-case-XXXXXX"));
    ASSERT_TRUE(tmp_->isValid());
    testenv::isolateProcess(tmp_->path());
    testenv::resetUnits();
}

void TempEnvTest::TearDown()
{
    testenv::resetUnits();
    QDir::setCurrent(oldCwd_);
    tmp_.reset();
}
