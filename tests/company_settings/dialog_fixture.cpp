#include "dialog_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include "common/textfile.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "platform/printers.h"
#include "platform/system.h"

QStringList fixturePrinters()
{
    return {QStringLiteral("Kontor HP"), QStringLiteral("Lager Brother"), QStringLiteral("PDF")};
}

void OppsettTest::SetUp()
{
    TempEnvTest::SetUp();
    QDir().mkpath(etc());
    hs_reg::values().etcdir = etc();
    hs_reg::values().ininame = ini();
    platform::overrideProgramPath(u"/opt/suite.2/bin/bruker-oppsett");
    platform::overrideNow(platform::LocalTime{2026, 12, 7, 14, 5, 9});
    std::vector<std::u16string> printers;
    for (const QString &p : fixturePrinters())
        printers.push_back(p.toStdU16String());
    platform::overrideInstalledPrinters(printers);
}

void OppsettTest::TearDown()
{
    for (auto &t : timers_)
        t->stop();
    timers_.clear();
    dialog_.reset();
    platform::overrideInstalledPrinters(std::nullopt);
    TempEnvTest::TearDown();
}

void OppsettTest::openSettings(const QByteArray &bytes)
{
    if (!bytes.isNull()) {
        ASSERT_TRUE(testenv::writeFile(ini(), bytes));
    }
    hs_reg::openini(ini());
}

QByteArray OppsettTest::standard(const QStringList &lines)
{
    QString text = QStringLiteral("[STANDARD]\r\n");
    for (const QString &l : lines)
        text += l + QStringLiteral("\r\n");
    textfile::Encoding e = textfile::Encoding::Ansi;
    return textfile::encode(text, e);
}

TOppsettDialog &OppsettTest::dialog()
{
    if (!dialog_) {
        dialog_ = std::make_unique<TOppsettDialog>();
        dialog_->show();
    }
    return *dialog_;
}

QByteArray OppsettTest::sectionOnDisk(const QString &name) const
{
    const QByteArray bytes = testenv::readFile(ini());
    const QByteArray head = "[" + name.toLatin1() + "]\r\n";
    const qsizetype start = bytes.indexOf(head);
    if (start < 0)
        return {};
    qsizetype end = bytes.indexOf("\r\n[", start + head.size());
    end = end < 0 ? bytes.size() : end + 2;
    return bytes.mid(start, end - start);
}

QString OppsettTest::storedValue(const QString &key) const
{
    IniDocument doc(ini());
    doc.load();
    return doc.value(QStringLiteral("STANDARD"), key, QStringLiteral("<absent>"));
}

void OppsettTest::onNextModal(std::function<void(QWidget *)> act)
{
    modalSeen_ = false;
    auto timer = std::make_unique<QTimer>();
    QTimer *t = timer.get();
    t->setInterval(5);
    QObject::connect(t, &QTimer::timeout, [this, t, act] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || !w->isActiveWindow())
            return;  // not up yet, or not yet holding the keyboard
        t->stop();
        modalSeen_ = true;
        act(w);
    });
    t->start();
    timers_.push_back(std::move(timer));
}
