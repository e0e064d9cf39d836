#pragma once
// Isolation of tests from the user's own folders, and a fixture with a fresh temporary world.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace testenv {

// Points HOME, APPDATA, XDG_* folders and TEMP below base and makes base/work the working folder.
void isolateProcess(const QString &base);

// Resets every unit's process-wide values and the platform overrides.
void resetUnits();

QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace testenv

// A fresh temporary folder per test: dir()/appdata is APPDATA, dir()/home is HOME, dir()/work the
// working folder, dir()/temp TEMP. Units are reset before and after.
class TempEnvTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    QString dir() const { return tmp_->path(); }
    QString appdata() const { return dir() + QStringLiteral("/appdata"); }
    QString work() const { return dir() + QStringLiteral("/work"); }
    // APPDATA + "/Veltrona/"
    QString suite() const { return appdata() + QStringLiteral("/Veltrona/"); }

private:
    std::unique_ptr<QTemporaryDir> tmp_;
    QString oldCwd_;
};
