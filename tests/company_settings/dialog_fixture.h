#pragma once
// A settings dialog over a settings file and side files in a fresh temporary settings folder, and
// helpers to answer the modal windows it opens.
#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "company_settings/oppsett_dialog.h"
#include "support/test_env.h"

class OppsettTest : public TempEnvTest {
protected:
    void SetUp() override;
    void TearDown() override;

    QString etc() const { return dir() + QStringLiteral("/etc/"); }
    QString ini() const { return etc() + QStringLiteral("veltrona.ini"); }
    // The side files of the program "bruker-oppsett".
    QString standardTexts() const { return etc() + QStringLiteral("bruker-oppsett.txt"); }
    QString deliveryTexts() const { return etc() + QStringLiteral("bruker-oppsett.txl"); }

    // Writes the settings file (nothing written when bytes is null) and opens it as the store.
    void openSettings(const QByteArray &bytes);
    // [STANDARD] with the lines given, CR LF line ends, Windows-1252.
    static QByteArray standard(const QStringList &lines);
    // The dialog, shown (which loads it).
    TOppsettDialog &dialog();
    // The raw bytes of one section of the settings file on disk, from "[name]" to the next section.
    QByteArray sectionOnDisk(const QString &name) const;
    // The value of a key of "STANDARD" as it stands in the file on disk.
    QString storedValue(const QString &key) const;

    // Runs act on the next modal window once it is up (polling the event loop).
    void onNextModal(std::function<void(QWidget *)> act);
    // Whether a modal window came up for onNextModal.
    bool modalSeen() const { return modalSeen_; }

    std::unique_ptr<TOppsettDialog> dialog_;

private:
    std::vector<std::unique_ptr<QTimer>> timers_;
    bool modalSeen_ = false;
};

// The three printers the fixture installs.
QStringList fixturePrinters();
