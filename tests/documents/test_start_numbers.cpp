#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "documents/form_na4_n_dok.h"
#include "platform/db/database.h"
#include "platform/script.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {
void registerDocuments()
{
    Db::execute(QStringLiteral("INSERT INTO Dokumenti (Opisanie, Kade_se_izpolzva, N_Dok) VALUES "
                               "('Фактура', 'МАГАЗИН ,,', '007'), ('Протокол', ',СЕРВИЗ ,', '0')"));
}

QString column(const char *column, const char *name)
{
    return Db::scalar(QStringLiteral("SELECT %1 FROM Dokumenti WHERE Opisanie = ?").arg(QLatin1String(column)),
                      {QString::fromUtf8(name)})
        .toString();
}
} // namespace

class TestStartNumbers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { PlatformScript::clearEvents(); }
    void cleanup() { PlatformScript::setModalHandler({}); }

    void typedNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("refused");
        QTest::newRow("letters") << "12a" << "007" << true;
        QTest::newRow("leading zeros kept") << "0012" << "0012" << false;
        QTest::newRow("stops numbering") << "0" << "0" << false;
        QTest::newRow("empty") << "" << "007" << true;
        QTest::newRow("negative") << "-5" << "007" << true;
        QTest::newRow("decimal") << "1.5" << "007" << true;
        QTest::newRow("twelve digits") << "123456789012" << "123456789012" << false;
        QTest::newRow("thirteen digits") << "1234567890123" << "007" << true;
        QTest::newRow("Arabic-Indic digits") << "١٢" << "007" << true;
    }
    void typedNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, refused);
        TestProgram program;
        registerDocuments();
        TForm_Na4_N_Dok form;
        form.show();
        DocumentNumbersModel *m = form.model();
        QCOMPARE(m->rowCount(), 2);
        const QModelIndex cell = m->index(0, DocumentNumbersModel::N_Dok);
        QCOMPARE(m->setData(cell, typed), !refused);
        QCOMPARE(column("N_Dok", "Фактура"), stored);
        QCOMPARE(m->data(cell).toString(), stored);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), refused ? 1 : 0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Dokumenti")).toInt(), 2);
        QCOMPARE(column("N_Dok", "Протокол"), QStringLiteral("0"));
    }

    // The window, opened by N64: three centred columns; the name cannot be edited.
    void windowShowsTheDocuments()
    {
        TestProgram program;
        registerDocuments();
        bool checked = false;
        driveWindows<TForm_Na4_N_Dok>([&](TForm_Na4_N_Dok *w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Установяване на начален номер за документ"));
            DocumentNumbersModel *m = w->model();
            QCOMPARE(m->rowCount(), 2);
            QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Описание"));
            QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Текущ номер"));
            QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Къде се използва"));
            QCOMPARE(w->DBGrid1->columnWidth(0), 200);
            QCOMPARE(m->data(m->index(1, 0), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
            QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
            QVERIFY(!m->setData(m->index(0, 0), QStringLiteral("Преименувана")));
            // Through the grid's own editor.
            const QModelIndex cell = m->index(1, DocumentNumbersModel::N_Dok);
            w->DBGrid1->setCurrentIndex(cell);
            w->DBGrid1->edit(cell);
            auto *editor = w->DBGrid1->findChild<QLineEdit *>();
            QVERIFY(editor);
            editor->setText(QStringLiteral("25"));
            w->DBGrid1->itemDelegate()->setModelData(editor, m, cell);
            checked = true;
            w->reject();
        });
        TForm_Na4_N_Dok::N64Click(nullptr);
        QVERIFY(checked);
        QCOMPARE(column("N_Dok", "Протокол"), QStringLiteral("25"));
        QCOMPARE(column("Opisanie", "Протокол"), QStringLiteral("Протокол"));
    }

    // An edit writes its own column by the document's ID: what a printout
    // changed meanwhile stays; a document gone meanwhile is not made again.
    void anEditWritesOnlyItsColumn()
    {
        TestProgram program;
        registerDocuments();
        TForm_Na4_N_Dok form;
        form.show();
        DocumentNumbersModel *m = form.model();
        Db::execute(QStringLiteral("UPDATE Dokumenti SET N_Dok = '008' WHERE Opisanie = 'Фактура'"));
        QVERIFY(m->setData(m->index(0, DocumentNumbersModel::Kade_se_izpolzva), QStringLiteral("МАГАЗИН ,СЕРВИЗ ,")));
        QCOMPARE(column("N_Dok", "Фактура"), QStringLiteral("008"));
        QCOMPARE(column("Kade_se_izpolzva", "Фактура"), QStringLiteral("МАГАЗИН ,СЕРВИЗ ,"));
        Db::execute(QStringLiteral("DELETE FROM Dokumenti WHERE Opisanie = 'Протокол'"));
        QVERIFY(!m->setData(m->index(1, DocumentNumbersModel::N_Dok), QStringLiteral("3")));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Dokumenti")).toInt(), 1);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList({"Документът вече не съществува."}));
        form.reject();
        QCOMPARE(m->rowCount(), 0);
    }
};

VTEST(TestStartNumbers)
#include "test_start_numbers.moc"
