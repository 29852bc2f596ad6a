#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "shell/test_main_window_support.h"

#include "repair/form_remont.h"
#include "repair/work_list_link.h"

#include <QTest>

using namespace shelltest;

class RepairOpenerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void serviceOpensOneWorkList()
    {
        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        QVERIFY(WorkListLink::available());
        QList<TForm_Remont *> seen;
        driveWindows<TForm_Remont>([&seen](TForm_Remont *w) {
            seen.append(w);
            QCOMPARE(w->windowTitle(), QStringLiteral("РЕМОНТ"));
            QCOMPARE(w->ComboBox_Select_Kriteria->count(), 14);
            w->Button_CancelClick();
        });
        WorkListLink::open(form.get());
        WorkListLink::open(form.get());
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(0), seen.at(1));
        QCOMPARE(seen.at(0)->parentWidget(), form.get());
        PlatformScript::setModalHandler({});
    }
};

VTEST(RepairOpenerTest)
#include "test_repair_opener.moc"
