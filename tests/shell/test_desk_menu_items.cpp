#include "desk/cash_calculator.h"
#include "shell/shop_tab.h"
#include "test_main_window_support.h"
#include "test_registry.h"
#include "test_support.h"

#include <QAction>
#include <QTest>
#include <QToolButton>

using namespace shelltest;

class DeskMenuItemsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void itemsOpenTheirWindows()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        for (const char *item : {"N5", "N_Kasa", "N39", "N_Masa_And_Places", "N_Spravka_Prodajba", "N_Invalidate_Sales",
                                 "N_Spr_Invalidate_Sales"})
            QVERIFY2(form->action(QString::fromLatin1(item))->isEnabled(), item);

        // The cash button and "Паричен калкулатор" are one toggle.
        auto *kasa = form->findChild<CashCalculator *>(QStringLiteral("GroupBox_Kasa"));
        QVERIFY(kasa && kasa->isHidden());
        form->TabSheet_Magazin->SpdBtn_Kasa->click();
        QVERIFY(!kasa->isHidden());
        QVERIFY(form->action(QStringLiteral("N_Kasa"))->isChecked());
        form->action(QStringLiteral("N_Kasa"))->trigger();
        QVERIFY(kasa->isHidden());

        // Cancelling without the sales report open does nothing.
        form->action(QStringLiteral("N_Invalidate_Sales"))->trigger();
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
        form->action(QStringLiteral("N5"))->trigger();
        QCOMPARE(modalCount(QStringLiteral("Form_Vnoski_Kredit")), 1);
        form->action(QStringLiteral("N_Spravka_Prodajba"))->trigger();
        QCOMPARE(modalCount(QStringLiteral("Form_Spravka_prodajba")), 1);
        form->action(QStringLiteral("N_Spr_Invalidate_Sales"))->trigger();
        QCOMPARE(modalCount(QStringLiteral("Form_Spr_Invalidate_Sales")), 1);
        form->action(QStringLiteral("N_Masa_And_Places"))->trigger();
        QCOMPARE(modalCount(QStringLiteral("Form_Smetki")), 1);
        form->Timer1->stop();
    }
};
VTEST(DeskMenuItemsTest)

#include "test_desk_menu_items.moc"
