#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "shell/test_main_window_support.h"

#include "catalogue/form_artikuli.h"
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

    void theCatalogueOpensItMaximised()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        QList<TForm_GeneralForm_Dokumentaciq *> designers;
        bool hiddenItemWorks = false;
        bool maximised = false;
        PlatformScript::setModalHandler([&](QDialog *d) -> int {
            if (auto *catalogue = qobject_cast<TForm_Artikuli *>(d)) {
                hiddenItemWorks = catalogue->N_Dokumentacia->associatedObjects().size() == 1
                                  && catalogue->N_Dokumentacia->isEnabled();
                catalogue->N_Dokumentacia->trigger();
            } else if (auto *designer = qobject_cast<TForm_GeneralForm_Dokumentaciq *>(d)) {
                designers.append(designer);
                maximised = designer->windowState() & Qt::WindowMaximized;
            }
            return int(QDialog::Rejected);
        });
        QVERIFY(form->triggerItem(QStringLiteral("N_Artikuli")));
        QVERIFY(hiddenItemWorks);
        QVERIFY(maximised);
        QCOMPARE(designers.size(), 1);
        // The same designer as the main menu's.
        QVERIFY(form->triggerItem(QStringLiteral("N_Dokumentacia")));
        QCOMPARE(designers.size(), 2);
        QCOMPARE(designers.at(0), designers.at(1));
        PlatformScript::setModalHandler({});
    }
};
VTEST(DesignerOpenerTest)

#include "test_designer_opener.moc"
