#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "shell/test_main_window_support.h"

#include "documents/form_generalform_dokumentaciq.h"
#include "documents/layout_document.h"

#include <QAction>
#include <QTest>

using namespace shelltest;

class DesignerOpenerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ctrlDOpensTheOneDesigner()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        QAction *item = form->action(QStringLiteral("N_Dokumentacia"));
        QVERIFY(item && item->isEnabled());
        QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
        QList<TForm_GeneralForm_Dokumentaciq *> seen;
        driveWindows<TForm_GeneralForm_Dokumentaciq>([&seen](TForm_GeneralForm_Dokumentaciq *w) {
            seen.append(w);
            w->N_Etiket->trigger();
            QVERIFY(w->editor()->isVisible());
            Layout::current().headerHeight = 5;
            w->N4->trigger();
        });
        QVERIFY(form->triggerItem(QStringLiteral("N_Dokumentacia")));
        QVERIFY(form->triggerItem(QStringLiteral("N_Dokumentacia")));
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(0), seen.at(1));
        QVERIFY(!seen.at(0)->editor());
        QCOMPARE(Layout::current().headerHeight, 1009); // closing emptied the layout
        PlatformScript::setModalHandler({});
    }
};
VTEST(DesignerOpenerTest)

#include "test_designer_opener.moc"
