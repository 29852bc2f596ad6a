#pragma once
#include <QObject>
#include <QString>

// Gives a control its name (the objectName that handlers and tests find it by).
template <class W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
