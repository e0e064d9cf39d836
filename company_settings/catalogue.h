#pragma once
// The company settings: every key of section "STANDARD" the settings dialog edits, its kind, the
// control that shows it and its caption, the five side files of standard texts, and the load and
// save orders. Data only; the dialog walks these tables.
#include <QList>
#include <QString>
#include <QStringList>

namespace Timesetu {

enum class Kind {
    Text,          // the field's text as it is
    Time,          // the masked time field's five characters, colon included
    Number,        // a spin box's value, kept within its range
    NumberAsText,  // whole number shown as decimal text; saved text that is no number gives fallback
    Flag1,         // 1 or 0; only exactly 1 loads as checked
    Flag,          // "1" or "0"; any whole number but 0 loads as checked
    JaNei,         // "JA" or "NEI"; only exactly "JA" selects the second radio item
    PrinterIndex,  // 0-based position in the printer list, -1 for none
};

enum class Page { Firma, Avdeling, Arbeid, Regnskap, Faktura, Utskrift, Tekster };

struct Setting {
    QString key;
    Kind kind;
    QString control;  // the designer name, also the widget's objectName
    QString caption;  // the text beside or on the control
    Page page;
    int fallback = 0;           // NumberAsText: what a text that is no whole number is saved as
    int minimum = 0, maximum = 0, step = 1;  // Number: the spin box's range and step
};

enum class SideFileName { StandardText, DeliveryText, Fixed };

struct SideFile {
    QString tab;      // caption of the inner tab on page "&Tekster"
    QString control;  // the multi-line field
    SideFileName naming;
    QString fileName;  // Fixed: the name in the settings folder
};

// The 91 settings, in the order of the pages.
const QList<Setting> &settings();
// The setting with this key, or nullptr.
const Setting *findSetting(const QString &key);

// The keys in the order the dialog reads them and the order it writes them (a new file gets its
// keys of "STANDARD" in the write order).
const QStringList &loadOrder();
const QStringList &saveOrder();

// The five side files in the order of the inner tabs; also the order they are read in.
const QList<SideFile> &sideFiles();
// The order they are written in (by control name): the sales texts go before the goods texts.
const QStringList &sideFileSaveOrder();
// Full path of a side file: etcdir + its name.
QString sideFilePath(const SideFile &file);

// Controls bound to no key: "Bruk standardskriver" is derived from the printer selection.
const QStringList &derivedControls();

// Lists offered by the two editable combo boxes.
const QStringList &paymentTermItems();
const QStringList &headerFontItems();

// The dialog's caption once shown.
QString dialogTitle();

} // namespace Timesetu
