#include "documents/print_fixture.h"
#include "test_main_window_support.h"
#include "test_registry.h"
#include "test_support.h"

#include "desk/shop_desk.h"
#include "platform/db/list_model.h"
#include "documents/document_print_road.h"
#include "documents/tab_print_panel.h"
#include "platform/printer_check_list.h"
#include "platform/printers.h"
#include "platform/report/report_preview.h"
#include "shell/shop_tab.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QTableView>
#include <QTest>

// The shop tab prints the documents of its marked lines.
class ShopPrinting : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        Printers::setInstalledForTests(std::nullopt);
    }

    void markedLinesPrintFromTheShopTab()
    {
        TestProgram program;
        PrintFixture::fill();
        Db::execute(QStringLiteral("UPDATE Prodajbi_Vremenni SET Operator = 'Администратор' WHERE N_Prodajba IN (1, 2)"));
        Layout::Document d = PrintFixture::layout({{QStringLiteral("Prodajbi_vremenni"), QStringLiteral("Kol")},
                                                   {QStringLiteral("Firmi"), QStringLiteral("Ime_Firma")}});
        QVERIFY(PrintFixture::save(QStringLiteral("Фактура"), d, QStringLiteral("41")));
        QVERIFY(PrintFixture::save(QStringLiteral("Протокол"), d, QStringLiteral("1"), QStringLiteral(",СЕРВИЗ ,")));
        Printers::setInstalledForTests(QStringList{QStringLiteral("Kyocera")}, QStringLiteral("Kyocera"));
        auto form = shelltest::startedWindow();
        QVERIFY(form);
        ShopDesk *desk = ShopDesk::instance();
        QVERIFY(desk);
        ShopTab *tab = form->TabSheet_Magazin;
        QAction *item = form->action(QStringLiteral("N_Dokumenti"));
        QVERIFY(item->isEnabled());
        QVERIFY(tab->Button_Pe4at_Dokumenti->isEnabled());
        QCOMPARE(tab->Button_Pe4at_Dokumenti->text(), QStringLiteral("Печат документи"));
        QVERIFY(form->action(QStringLiteral("N64"))->isEnabled());
        // The button follows the item's enabled state only.
        item->setEnabled(false);
        QVERIFY(!tab->Button_Pe4at_Dokumenti->isEnabled());
        item->setEnabled(true);

        desk->takeCounterparty(QStringLiteral("7:Фирма ООД"));
        desk->Calculate_SUM();
        QCOMPARE(desk->lines()->rowCount(), 2);
        // Ctrl+P shows the shop's documents and the printers.
        item->trigger();
        QVERIFY(desk->Panel_Dokumets->isVisibleTo(tab));
        QVERIFY(desk->Panel_Printers->isVisibleTo(tab));
        QCOMPARE(desk->ChkListBox_Pokaj_Dokum->count(), 1);
        desk->ChkListBox_Pokaj_Dokum->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(desk->Printers->checkedPrinters(), QStringList({"Kyocera"}));

        desk->DBGrid1->selectRow(1);
        desk->DBGrid1->selectionModel()->select(desk->DBGrid1->model()->index(0, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        PrintFixture::Recorder recorder;
        int previews = 0;
        driveWindows<ReportPreview>([&](ReportPreview *w) {
            ++previews;
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
            w->Button_Close->click();
        });
        tab->Button_Pe4at_Dokumenti->click();
        QCOMPARE(previews, 1);
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].contains(QStringLiteral("Фирма ООД")), qPrintable(pages[0].join('|')));
        QVERIFY(pages[0].contains(QStringLiteral("2.00")));
        QCOMPARE(joinedRows(QStringLiteral("SELECT ID_Prod || ':' || ID_Art || ':' || ID_Kontrag || ':' || "
                                           "N_Dok || ':' || Operator || ':' || Ot_Kade_Prod FROM Printed_Dok ORDER BY rowid"),
                                    QStringLiteral(" ")),
                 QStringLiteral("1:12:7:41:Администратор:1 2:40:7:41:Администратор:1"));
        QVERIFY(!desk->Panel_Dokumets->isVisibleTo(tab));
        QVERIFY(!desk->SpdBtn_Pokaji_Dokuments->isChecked());
        QVERIFY(DocumentLineList.isEmpty());

        // Nothing marked: the message, no preview.
        desk->DBGrid1->clearSelection();
        previews = 0;
        tab->Button_Pe4at_Dokumenti->click();
        QCOMPARE(previews, 0);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), DocumentPrintRoad::noLinesMessage());
    }
};

VTEST(ShopPrinting)
#include "test_shop_printing.moc"
