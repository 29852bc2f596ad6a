#include "documents/tab_print_panel.h"

#include "documents/layout_save.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/printer_check_list.h"
#include "platform/tick_list.h"

#include <QAbstractButton>
#include <QCollator>
#include <QListWidget>

#include <QHash>

#include <algorithm>

namespace {
QHash<int, TabPrintPanel *> &panels()
{
    static QHash<int, TabPrintPanel *> p;
    return p;
}
} // namespace

TabPrintPanel::TabPrintPanel(const Controls &controls, Tab tab, QObject *parent)
    : QObject(parent)
    , c(controls)
    , m_tab(std::move(tab))
{
    c.SpdBtn_Pokaji_Dokuments->setCheckable(true);
    c.SpdBtn_Pokaji_Dokuments->setToolTip(QStringLiteral("Изберете документи за разпечатка"));
    c.SpdBtn_Pokaji_Printers->setCheckable(true);
    c.SpdBtn_Pokaji_Printers->setToolTip(QStringLiteral("Изберете принтери на който да се разпечата"));
    c.Panel_Dokumets->hide();
    c.Panel_Printers->hide();
    connect(c.SpdBtn_Pokaji_Dokuments, &QAbstractButton::clicked, this, &TabPrintPanel::SpdBtn_Pokaji_DokumentsClick);
    connect(c.SpdBtn_Pokaji_Printers, &QAbstractButton::clicked, this, &TabPrintPanel::SpdBtn_Pokaji_PrintersClick);
    panels().insert(m_tab.callerCode, this);
}

TabPrintPanel::~TabPrintPanel()
{
    if (panels().value(m_tab.callerCode) == this)
        panels().remove(m_tab.callerCode);
}

TabPrintPanel *TabPrintPanel::forCaller(int callerCode)
{
    return panels().value(callerCode);
}

QStringList TabPrintPanel::documentsFor(const QString &mark)
{
    QStringList names;
    for (const LayoutSave::Row &row : LayoutSave::documents())
        if (row.kadeSeIzpolzva.contains(mark, Qt::CaseSensitive))
            names.append(row.opisanie);
    QCollator collator;
    std::sort(names.begin(), names.end(), [&collator](const QString &a, const QString &b) {
        return collator.compare(a, b) < 0;
    });
    return names;
}

QStringList TabPrintPanel::tickedDocuments() const
{
    return TickList::tickedTexts(c.ChkListBox_Pokaj_Dokum);
}

long long TabPrintPanel::counterparty() const
{
    return m_tab.counterparty ? m_tab.counterparty() : 0;
}

void TabPrintPanel::SpdBtn_Pokaji_DokumentsClick()
{
    const bool down = c.SpdBtn_Pokaji_Dokuments->isChecked();
    c.SpdBtn_Pokaji_Printers->setChecked(down);
    SpdBtn_Pokaji_PrintersClick();
    if (!down) {
        c.Panel_Dokumets->hide();
        return;
    }
    c.ChkListBox_Pokaj_Dokum->clear();
    QStringList names;
    try {
        names = documentsFor(m_tab.mark);
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Списъкът с документи не може да бъде прочетен:\n") + e.message(),
                         c.Panel_Dokumets);
    }
    for (const QString &name : names)
        TickList::addItem(c.ChkListBox_Pokaj_Dokum, name);
    c.Panel_Dokumets->show();
}

void TabPrintPanel::SpdBtn_Pokaji_PrintersClick()
{
    if (!c.SpdBtn_Pokaji_Printers->isChecked()) {
        c.Panel_Printers->hide();
        return;
    }
    DefaultPrinterName = c.Printers->reload(true);
    c.Panel_Printers->show();
}

void TabPrintPanel::N_DokumentiClick()
{
    c.SpdBtn_Pokaji_Dokuments->setChecked(true);
    SpdBtn_Pokaji_DokumentsClick();
}

void TabPrintPanel::endRoad()
{
    c.SpdBtn_Pokaji_Dokuments->setChecked(false);
    c.SpdBtn_Pokaji_Printers->setChecked(false);
    c.Panel_Dokumets->hide();
    c.Panel_Printers->hide();
    for (QWidget *w : c.hiddenAtEnd)
        if (w)
            w->hide();
}

void TabPrintPanel::Button_Pe4at_DokumentiClick()
{
    PrintRoadRequest r;
    r.callerCode = m_tab.callerCode;
    r.documents = tickedDocuments();
    r.printers = c.Printers->checkedPrinters();
    r.direct = m_tab.direct;
    r.stopAtError = m_tab.stopAtError;
    r.query = m_tab.query;
    r.parent = c.Panel_Dokumets->window();
    r.atEnd = [this] { endRoad(); };
    try {
        if (m_tab.lines)
            r.lines = m_tab.lines();
        if (m_tab.counterparty)
            r.counterparty = m_tab.counterparty();
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
    if (m_tab.totals) {
        ExactSum total;
        for (const PrintedLine &l : r.lines)
            total += l.amount;
        try {
            r.total = total.rounded(2); // the bill as it is charged
        } catch (const DecimalOverflow &e) {
            ExceptionLog::write(e);
        }
    }
    DocumentPrintRoad(r).run();
}
