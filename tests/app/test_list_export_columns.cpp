#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "platform/printer_check_list.h"
#include "platform/printers.h"
#include "platform/script.h"
#include "app/form_koloni.h"
#include "app/general_popup_menu.h"
#include "app/window_owner.h"

#include <QAction>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

namespace {
struct Grid {
    QStandardItemModel model{0, 4};
    QTableView view;
    Grid()
    {
        model.setHorizontalHeaderLabels({QStringLiteral("Номер"), QStringLiteral("Име"),
                                         QStringLiteral("Цена"), QStringLiteral("Мярка")});
        view.setModel(&model);
        view.setColumnHidden(2, true);
        view.horizontalHeader()->moveSection(3, 0); // screen order: Мярка, Номер, Име, Цена
    }
};

QStringList itemTexts(const QListWidget *list, bool checkedOnly = false)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        if (!checkedOnly || list->item(i)->checkState() == Qt::Checked)
            texts.append(list->item(i)->text());
    return texts;
}
} // namespace

class TestListExportColumns : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        delete Form_Koloni;
        PlatformScript::setModalHandler({});
    }

    void chooserListsColumnsInScreenOrderAndAppliesOnOk()
    {
        TestProgram program(false);
        Grid grid;
        QStringList shown, ticked;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *form = qobject_cast<TForm_Koloni *>(d);
            shown = itemTexts(form->CheckListBox_Koloni);
            ticked = itemTexts(form->CheckListBox_Koloni, true);
            form->CheckListBox_Koloni->item(0)->setCheckState(Qt::Unchecked); // Мярка
            form->CheckListBox_Koloni->item(3)->setCheckState(Qt::Checked);   // Цена
            QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
            return form->result();
        });
        Nastr_Koloni_Grid(&grid.view);
        QCOMPARE(shown, QStringList({QStringLiteral("Мярка"), QStringLiteral("Номер"),
                                     QStringLiteral("Име"), QStringLiteral("Цена")}));
        QCOMPARE(ticked, QStringList({QStringLiteral("Мярка"), QStringLiteral("Номер"), QStringLiteral("Име")}));
        QVERIFY(grid.view.isColumnHidden(3));
        QVERIFY(!grid.view.isColumnHidden(2));
        QVERIFY(!grid.view.isColumnHidden(0));
        QCOMPARE(Form_Koloni->windowTitle(), QStringLiteral("Колони"));
    }

    void cancelAndTheMarkButtons()
    {
        TestProgram program(false);
        Grid grid;
        QStringList afterAll, afterNothing;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *form = qobject_cast<TForm_Koloni *>(d);
            QTest::mouseClick(form->BitBtn_All, Qt::LeftButton);
            afterAll = itemTexts(form->CheckListBox_Koloni, true);
            QTest::mouseClick(form->BitBtn_Notingh, Qt::LeftButton);
            afterNothing = itemTexts(form->CheckListBox_Koloni, true);
            QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
            return form->result();
        });
        Nastr_Koloni_Grid(&grid.view);
        QCOMPARE(afterAll.size(), 4);
        QVERIFY(afterNothing.isEmpty());
        // "Откажи" changes nothing.
        QVERIFY(grid.view.isColumnHidden(2));
        for (int c : {0, 1, 3})
            QVERIFY(!grid.view.isColumnHidden(c));
    }

    void chooserBelongsToTheMainWindowAndIsReused()
    {
        TestProgram program(false);
        QWidget mainWindow;
        WindowOwner::setMainWindow(&mainWindow);
        QList<QDialog *> seen;
        PlatformScript::setModalHandler([&](QDialog *d) {
            seen.append(d);
            return int(QDialog::Rejected);
        });
        {
            Grid first;
            Nastr_Koloni_Grid(&first.view);
        }
        Grid second;
        Nastr_Koloni_Grid(&second.view);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(0), seen.at(1));
        QCOMPARE(Form_Koloni->parentWidget(), &mainWindow);
        WindowOwner::setMainWindow(nullptr);
    }

    void popupMenuRunsTheChooserOnItsGrid()
    {
        TestProgram program(false);
        Grid grid;
        GeneralPopupMenu *menu = General_PopupMenu();
        QCOMPARE(menu, General_PopupMenu());
        QCOMPARE(menu->N_Nastr_Koloni->text(), QStringLiteral("Настроика колони ..."));
        QVERIFY(!menu->N_Sort_ByColumns->isVisible());
        menu->attach(&grid.view);
        QCOMPARE(grid.view.contextMenuPolicy(), Qt::CustomContextMenu);

        int items = -1;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *form = qobject_cast<TForm_Koloni *>(d);
            items = form ? form->CheckListBox_Koloni->count() : -2;
            return int(QDialog::Rejected);
        });
        Q_EMIT grid.view.customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(menu->grid(), &grid.view);
        menu->hide();
        menu->N_Nastr_Koloni->trigger();
        QCOMPARE(items, 4);
        QCOMPARE(PlatformScript::texts(QStringLiteral("modal")), QStringList{QStringLiteral("Form_Koloni")});
    }

    void selectedPrinterIsAnExactNameMatch()
    {
        Printers::setInstalledForTests(QStringList{QStringLiteral("Kyocera FS-1040"), QStringLiteral("Етикети")},
                                       QStringLiteral("Kyocera FS-1040"));
        QCOMPARE(Printers::selected(), QStringLiteral("Kyocera FS-1040"));
        QVERIFY(SET_SELECTED_PRINTER(QStringLiteral("Етикети")));
        QCOMPARE(Printers::selected(), QStringLiteral("Етикети"));
        // Not installed (or not the same case): nothing changes, the caller is told.
        QVERIFY(!SET_SELECTED_PRINTER(QStringLiteral("kyocera fs-1040")));
        QVERIFY(!SET_SELECTED_PRINTER(QStringLiteral("Липсващ")));
        QVERIFY(!SET_SELECTED_PRINTER(QString()));
        QCOMPARE(Printers::selected(), QStringLiteral("Етикети"));
        QVERIFY(Printers::notFoundMessage(QStringLiteral("Липсващ")).contains(QStringLiteral("\"Липсващ\"")));
        Printers::setInstalledForTests(std::nullopt);
    }

    void printerCheckList()
    {
        Printers::setInstalledForTests(
            QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, QStringLiteral("B"));
        PrinterCheckList list(QStringLiteral("CheckListBox_Printers_Ser"));
        QCOMPARE(list.CheckListBox_Printers->objectName(), QStringLiteral("CheckListBox_Printers_Ser"));
        QCOMPARE(list.reload(), QStringLiteral("B"));
        QCOMPARE(list.checkedPrinters(), QStringList{QStringLiteral("B")});
        QCOMPARE(list.BitBtn5->text(), QStringLiteral("Всички"));
        QTest::mouseClick(list.BitBtn5, Qt::LeftButton);
        QCOMPARE(list.checkedPrinters(), QStringList({QStringLiteral("A"), QStringLiteral("B"),
                                                      QStringLiteral("C"), QStringLiteral("PDF файл")}));
        QCOMPARE(list.BitBtn4->text(), QStringLiteral("Нищо"));
        QTest::mouseClick(list.BitBtn4, Qt::LeftButton);
        QVERIFY(list.checkedPrinters().isEmpty());
        list.setChecked(QStringLiteral("C"), true);
        list.setChecked(QStringLiteral("A"), true);
        QCOMPARE(list.checkedPrinters(), QStringList({QStringLiteral("A"), QStringLiteral("C")}));
        Printers::setInstalledForTests(std::nullopt);
    }
};
VTEST(TestListExportColumns)

#include "test_list_export_columns.moc"
