#pragma once
#include "documents/document_print_road.h"

#include <QObject>
#include <QPointer>

#include <functional>

class PrinterCheckList;
class QAbstractButton;
class QListWidget;

// The print panel of a working tab: the button that shows the tab's
// documents, the button that shows the printers, and the print button that
// runs the road for the tab's marked lines. The shop, service and fiscal tabs
// each make one on their own controls.
class TabPrintPanel : public QObject
{
    Q_OBJECT
public:
    struct Controls {
        QAbstractButton *SpdBtn_Pokaji_Dokuments = nullptr; // toggle
        QWidget *Panel_Dokumets = nullptr;
        QListWidget *ChkListBox_Pokaj_Dokum = nullptr;
        QAbstractButton *SpdBtn_Pokaji_Printers = nullptr; // toggle
        QWidget *Panel_Printers = nullptr;
        PrinterCheckList *Printers = nullptr;
        QList<QWidget *> hiddenAtEnd; // further panels the road hides
    };
    struct Tab {
        QString mark;                 // the where-used mark: "МАГАЗИН", "СЕРВИЗ", "Фискален сервиз"
        int callerCode = CallerShop;
        bool totals = true;           // the amounts from the lines' total
        bool direct = false;
        bool stopAtError = false;
        std::function<QList<PrintedLine>()> lines; // the marked lines in grid order
        std::function<long long()> counterparty;
        // the tab's own query (fiscal tab); none: the road's default
        decltype(PrintRoadRequest::query) query;
    };

    TabPrintPanel(const Controls &controls, Tab tab, QObject *parent = nullptr);
    ~TabPrintPanel() override;
    // The panel of a caller's tab (CallerShop ...), nullptr until the tab made it.
    static TabPrintPanel *forCaller(int callerCode);

    Controls c;

    void SpdBtn_Pokaji_DokumentsClick();
    void SpdBtn_Pokaji_PrintersClick();
    void Button_Pe4at_DokumentiClick();
    // "Печат на документи" (Ctrl+P): shows the document list.
    void N_DokumentiClick();

    // The documents whose where-used text holds the mark (case-sensitive),
    // sorted. Throws DbError.
    static QStringList documentsFor(const QString &mark);
    QStringList tickedDocuments() const;
    long long counterparty() const; // the tab's, 0 when none

private:
    void endRoad();
    Tab m_tab;
};
