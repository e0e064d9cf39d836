#pragma once
// The widgets a window's code creates, by class, leaving out those that composite widgets make for
// themselves (the line edit of a combo box, the viewport and scroll bars of a text field, ...).
#include <QMap>
#include <QString>

class QWidget;

QMap<QString, int> widgetCensus(const QWidget *window);
