#pragma once
// A fresh world for the transfer unit: an open settings document in the test's own folder, the
// log on in memory, the unit's settings at their start values.
#include <QApplication>
#include <QDir>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "support/foundation_helpers.h"
#include "support/test_env.h"
#include "transfer/ftpunit.h"

// Texts and log lines in failure messages.
inline std::ostream &operator<<(std::ostream &os, const QString &s)
{
    return os << s.toStdString();
}
inline std::ostream &operator<<(std::ostream &os, const QStringList &l)
{
    PrintTo(l, &os);
    return os;
}

// Runs action on the next modal window as soon as it is open, from inside its own event loop.
inline void onNextModal(std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, action] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        } else if (++*tries > 2000) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal window opened";
        }
    });
    timer->start();
}

class TransferTest : public TempEnvTest {
protected:
    void SetUp() override
    {
        TempEnvTest::SetUp();
        QApplication::setQuitOnLastWindowClosed(false);
        ftpunit::reset();
        hs_reg::values().etcdir = dir() + QStringLiteral("/etc/");
        hs_reg::values().ininame = hs_reg::values().etcdir + QStringLiteral("veltrona.ini");
        QDir().mkpath(hs_reg::values().etcdir);
        hs_reg::openini(hs_reg::values().ininame);
        textfil::values().LogEnabled = true;
    }
    void TearDown() override
    {
        ftpunit::reset();
        TempEnvTest::TearDown();
    }

    static QString stored(const QString &key)
    {
        return hs_reg::settingsfile()->value(ftpunit::kSection, key, QStringLiteral("<absent>"));
    }
    static void store(const QString &key, const QString &value)
    {
        hs_reg::settingsfile()->setValue(ftpunit::kSection, key, value);
    }

    // The log lines of the transfer, without their date and time stamps.
    static QStringList ftpLog()
    {
        QStringList lines;
        for (const QString &line : textfil::values().LogLines.toStringList()) {
            const qsizetype at = line.indexOf(QStringLiteral("FTP: "));
            if (at >= 0)
                lines << line.mid(at);
        }
        return lines;
    }
};
