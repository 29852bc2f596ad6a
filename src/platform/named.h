#pragma once
#include <QObject>
#include <QString>

class QLineEdit;
class QPushButton;
class QWidget;

// Gives a control its name (the objectName that handlers and tests find it by).
template <class W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A named edit.
QLineEdit *namedEdit(const QString &name, QWidget *parent);
// A named button that Enter in an edit does not press: windows choose their
// one default button themselves.
QPushButton *namedButton(const QString &name, const QString &caption, QWidget *parent);
