#include "../shell/test_main_window_support.h"
#include "fiscal_service/fiscal_tab.h"
#include "fiscal_service/form_sv_bim.h"
#include "test_registry.h"
#include "test_support.h"

#include <QDateEdit>
#include <QTest>

// The fiscal tab and the certificates window as the main window installs them.
class FiscalMainWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void installedOnTheMainWindow()
    {
        TestProgram program;
        auto form = shelltest::startedWindow();
        QVERIFY(form);
        auto *tab = dynamic_cast<FiscalTab *>(form->TabSheet_Fisk_Ser->handler());
        QVERIFY(tab);
        QCOMPARE(tab->Edit_ID_EKA->window(), form.get());
        tab->Edit_ID_EKA->setText(QStringLiteral("X"));
        form->TabSheet_Fisk_Ser->tabActivated();
        QVERIFY(tab->Edit_ID_EKA->text().isEmpty());

        QVERIFY(form->action(QStringLiteral("N_SV_BIM"))->isEnabled());
        int shown = 0;
        driveWindows<TForm_Sv_BIM>([&](TForm_Sv_BIM *w) {
            ++shown;
            QCOMPARE(w->DateTimePicker1->date(), QDate::currentDate());
        });
        QVERIFY(form->triggerItem(QStringLiteral("N_SV_BIM")));
        QVERIFY(form->triggerItem(QStringLiteral("N_SV_BIM")));
        PlatformScript::setModalHandler({});
        QCOMPARE(shown, 2);
        QCOMPARE(form->findChildren<TForm_Sv_BIM *>().size(), 1); // made once
    }
};

VTEST(FiscalMainWindowTest)
#include "test_fiscal_main_window.moc"
