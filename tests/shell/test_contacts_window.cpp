#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "counterparties/form_kontakti.h"

#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace shelltest;

// "Контакти...": a hidden item of "Номенклатури" that opens the contacts window.
class ContactsWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theWindowShowsItsFieldsAndDoesNothing()
    {
        TestProgram program;
        TForm_Kontakti w;
        QCOMPARE(w.objectName(), QStringLiteral("Form_Kontakti"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Контакти"));
        for (QLineEdit *edit : {w.Edit_Ime, w.Edit_Adres, w.Edit_Telefon, w.Edit_Tarsi})
            QVERIFY(edit);
        QVERIFY(w.Memo_Zabelejka);
        QVERIFY(w.Image_Vizitka);
        QCOMPARE(w.TreeView_Kontakti->topLevelItemCount(), 0);
        // Its buttons have no actions: they are off, and the window only closes.
        for (QPushButton *b : {w.Button_Nov, w.Button_Zapis, w.Button_Iztrii, w.Button_Tarsi})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.width() <= 1280 && w.height() <= 800);
        w.Button_Zatvori->click();
        QVERIFY(!w.isVisible());
        QVERIFY(PlatformScript::events().isEmpty());
    }

    // Its rights and its shortcut work like every hidden item's.
    void hiddenItemWithRightsAndShortcut()
    {
        TestProgram program;
        resetProgramState();
        TGeneral_Form form;
        loginDeniedOne(form, QStringLiteral("N45"), QStringLiteral("Ctrl+Shift+J"));
        QAction *item = form.action(QStringLiteral("N45"));
        QVERIFY(form.actions().contains(item));
        QVERIFY(!form.menu().menu(QStringLiteral("N_Nomenklaturi"))->actions().contains(item)); // hidden
        const auto reach = [&form, item] {
            item->trigger();
            QTest::keyClick(&form, Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier);
        };
        reach();
        QCOMPARE(modalCount(QStringLiteral("Form_Kontakti")), 0);
        QVERIFY(!item->isEnabled());

        loginAdministrator(form);
        QVERIFY(item->isEnabled());
        QCOMPARE(item->text(), QStringLiteral("Контакти..."));
        reach();
        QCOMPARE(modalCount(QStringLiteral("Form_Kontakti")), 2);
        form.Timer1->stop();
        form.Timer2->stop();
    }
};
VTEST(ContactsWindow)

#include "test_contacts_window.moc"
