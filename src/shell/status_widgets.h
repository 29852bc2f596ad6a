#pragma once
#include "platform/long_texts.h"

#include <QWidget>

class QSqlRecord;

// A status panel that reacts to a click. A long text (an operator's or a
// warehouse's name) is painted elided and never widens the window; text()
// keeps it whole for the code that reads it back.
class ClickPanel : public ElidedLabel
{
    Q_OBJECT
public:
    explicit ClickPanel(const QString &name, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// The rates ticker Image_Show_Valuta_Kurs: the text of every currency and its
// rate, scrolled from right to left.
class RatesTicker : public QWidget
{
    Q_OBJECT
public:
    explicit RatesTicker(QWidget *parent = nullptr);

    // Each currency of Valuti: its name, " - ", the rate ("%*.*f", width 4,
    // PriceDecimals decimals) and ten blanks. Throws DbError.
    static QString readText();

    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }
    int position() const { return m_position; }
    void setPosition(int x);
    int textWidth() const; // pixels of the text in the ticker's font

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_text;
    int m_position = 0;
};
