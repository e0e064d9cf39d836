#include "census_walk.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

namespace {

// A composite that makes all the widgets inside it itself.
bool composite(const QWidget *w)
{
    return qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w)
        || qobject_cast<const QAbstractScrollArea *>(w) || qobject_cast<const QTabBar *>(w);
}

// The tab bar and page stack of a tab widget are its own; the pages in the stack are not.
bool partOfTabWidget(const QWidget *w)
{
    return qobject_cast<const QTabWidget *>(w->parentWidget())
        && (qobject_cast<const QTabBar *>(w) || qobject_cast<const QStackedWidget *>(w));
}

} // namespace

QMap<QString, int> widgetCensus(const QWidget *window)
{
    QMap<QString, int> census;
    for (const QWidget *w : window->findChildren<QWidget *>()) {
        bool internal = partOfTabWidget(w);
        for (const QWidget *a = w->parentWidget(); !internal && a && a != window; a = a->parentWidget())
            internal = composite(a);
        if (!internal)
            ++census[QString::fromLatin1(w->metaObject()->className())];
    }
    return census;
}
