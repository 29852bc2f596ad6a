#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "documents/form_rab_dokumenti.h"
#include "documents/rab_dokumenti.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "app/data_module.h"
#include "app/program_version.h"
#include "app/schema_columns.h"
#include "app/statement_file.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QRegularExpression>
#include <QTest>

namespace {
QStringList gridTexts(const TForm_Rab_Dokumenti &form)
{
    QStringList texts;
    for (int r = 0; r < form.model()->rowCount(); ++r)
        texts.append(form.model()->item(r)->text());
    return texts;
}

QLineEdit *openEditor(const TForm_Rab_Dokumenti &form)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QLineEdit *e : form.DBGrid1->findChildren<QLineEdit *>())
        if (e->isVisible())
            return e;
    return nullptr;
}
} // namespace

class TestRabDokumenti : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        // Back to the program's own registrations.
        ColumnRegistry::clearReferences();
        registerSchemaColumns();
    }

    void kindsAreNumberedByTheTable()
    {
        TestProgram program;
        const qint64 a = RabDokumenti::add(QStringLiteral("Фактура"));
        const qint64 b = RabDokumenti::add(QStringLiteral("Стокова разписка"));
        QVERIFY(a > 0);
        QCOMPARE(b, a + 1);
        QVERIFY(RabDokumenti::remove(b));
        // A deleted number is never handed out again.
        const qint64 c = RabDokumenti::add(QStringLiteral("Протокол"));
        QCOMPARE(c, b + 1);
        RabDokumenti::rename(a, QStringLiteral("Фактура \"оригинал\""));
        QCOMPARE(RabDokumenti::referenceTexts(),
                 QStringList({QStringLiteral("%1:Фактура \"оригинал\"").arg(a),
                              QStringLiteral("%1:Протокол").arg(c)}));
    }

    void aKindInUseIsNotDeleted()
    {
        TestProgram program;
        const qint64 used = RabDokumenti::add(QStringLiteral("Фактура"));
        const qint64 free = RabDokumenti::add(QStringLiteral("Бележка"));
        createTestTable(QStringLiteral("Dostavki_T"), QStringLiteral("ID INTEGER, Vid_Dokument INTEGER"));
        Db::execute(QStringLiteral("INSERT INTO Dostavki_T (ID, Vid_Dokument) VALUES (1, ?)"), {used});
        ColumnRegistry::registerReference(QStringLiteral("Rab_Dokumenti"), QStringLiteral("ID"),
                                          QStringLiteral("Dostavki_T"), QStringLiteral("Vid_Dokument"));
        QString usedBy;
        QVERIFY(!RabDokumenti::remove(used, &usedBy));
        QCOMPARE(usedBy, QStringLiteral("Dostavki_T"));
        QVERIFY(RabDokumenti::remove(free));
        QCOMPARE(RabDokumenti::all().size(), 1);

        // The window says why and keeps the row.
        TForm_Rab_Dokumenti form;
        QCOMPARE(gridTexts(form), QStringList{QStringLiteral("Фактура")});
        form.DBGrid1->setCurrentIndex(form.model()->index(0, 0));
        PlatformScript::answer(true);
        form.Action_DeleteExecute();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 1);
        const QStringList messages = PlatformScript::texts(QStringLiteral("message"));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().contains(QStringLiteral("не може да бъде изтрит")));
        QCOMPARE(gridTexts(form), QStringList{QStringLiteral("Фактура")});
        QCOMPARE(RabDokumenti::all().size(), 1);
    }

    void editingInTheGrid()
    {
        TestProgram program;
        RabDokumenti::add(QStringLiteral("Фактура"));
        TForm_Rab_Dokumenti form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Видове документи"));
        QCOMPARE(form.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Описание"));
        QCOMPARE(form.DBGrid1->columnWidth(0), 202);
        form.show();

        // A new row typed and committed with Enter is saved.
        form.Action_Insert->trigger();
        QCOMPARE(form.model()->rowCount(), 2);
        QLineEdit *editor = openEditor(form);
        QVERIFY(editor);
        editor->insert(QStringLiteral("Протокол"));
        QTest::keyClick(editor, Qt::Key_Return);
        // Enter commits through a queued call, and the save waits for the editor to close.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(RabDokumenti::referenceTexts().size(), 2);
        QVERIFY(form.model()->item(1)->data(TForm_Rab_Dokumenti::IdRole).toLongLong() > 0);

        // A new row left empty is dropped; an existing one cannot be emptied.
        form.Action_InsertExecute();
        form.model()->item(2)->setText(QStringLiteral("   "));
        form.saveRow(2);
        QCOMPARE(form.model()->rowCount(), 2);
        form.model()->item(0)->setText(QString());
        form.saveRow(0);
        QCOMPARE(form.model()->item(0)->text(), QStringLiteral("Фактура"));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);

        // A rename keeps the number.
        const qint64 id = form.model()->item(0)->data(TForm_Rab_Dokumenti::IdRole).toLongLong();
        form.model()->item(0)->setText(QStringLiteral(" Фактура-оригинал "));
        form.saveRow(0);
        QCOMPARE(RabDokumenti::referenceTexts().first(), QStringLiteral("%1:Фактура-оригинал").arg(id));

        // An edit still open when the window closes is saved, not lost.
        form.Action_InsertExecute();
        editor = openEditor(form);
        QVERIFY(editor);
        editor->setText(QStringLiteral("Касова бележка"));
        form.done(QDialog::Rejected);
        QCOMPARE(RabDokumenti::all().size(), 3);

        // Deleting a kind no one names, after Yes.
        TForm_Rab_Dokumenti again;
        again.DBGrid1->setCurrentIndex(again.model()->index(2, 0));
        PlatformScript::answer(false);
        again.Action_DeleteExecute();
        QCOMPARE(again.model()->rowCount(), 3);
        PlatformScript::answer(true);
        again.Action_DeleteExecute();
        QCOMPARE(gridTexts(again),
                 QStringList({QStringLiteral("Фактура-оригинал"), QStringLiteral("Протокол")}));
        QCOMPARE(RabDokumenti::all().size(), 2);
    }

    void openingMakesANewWindowEachTime()
    {
        TestProgram program;
        QList<QDialog *> opened;
        PlatformScript::setModalHandler([&](QDialog *d) {
            opened.append(d);
            return 0;
        });
        QWidget owner;
        TForm_Rab_Dokumenti::open(&owner);
        QCOMPARE(PlatformScript::texts(QStringLiteral("modal")), QStringList{QStringLiteral("Form_Rab_Dokumenti")});
        QCOMPARE(opened.size(), 1);
        QVERIFY(owner.findChildren<TForm_Rab_Dokumenti *>().isEmpty()); // gone after closing
        PlatformScript::setModalHandler({});
    }
};
VTEST(TestRabDokumenti)

#include "test_rab_dokumenti.moc"
