#pragma once
// Between the web reader and its browser module (browser_plugin/, which links the web engine): the
// module is loaded when the reader is first shown, so that a start never loads the engine.
#include <QString>
#include <QtPlugin>

class QWidget;

// The module's root object.
class BrowserPlugin {
public:
    virtual ~BrowserPlugin() = default;
    // The browser control as a child of parent; nullptr with the reason in error when the engine
    // cannot start in this process. Reached through its meta-object: the property "url" (a QUrl:
    // setting it opens the address, reading it gives the current location), the property "title",
    // and the signals loadStarted() and loadFinished(bool).
    virtual QWidget *createView(QWidget *parent, QString *error) = 0;
};

#define BrowserPlugin_iid "no.veltrona.BrukerOppsett.BrowserPlugin/1"
Q_DECLARE_INTERFACE(BrowserPlugin, BrowserPlugin_iid)
