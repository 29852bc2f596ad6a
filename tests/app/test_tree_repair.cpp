// Tree files that a crash left out of step with their tables (written before
// a commit that never came, or committed before the file was written) agree
// with them again once the database opens, and before a tree change.
#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/data_module.h"
#include "app/tree_file_update.h"
#include "common/text_file.h"
#include "common/tree_file.h"
#include "platform/db/database.h"
#include "platform/exception_log.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

QString logText()
{
    return TextFile::read(ExceptionLog::filePath());
}
} // namespace

class TreeRepairTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openRepairsTheTree_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("rows");   // statements that fill the tables
        QTest::addColumn<QByteArray>("before");  // the file a crash left
        QTest::addColumn<QByteArray>("after");   // the file after the open
        QTest::addColumn<QStringList>("logged"); // nodes the log names

        // A node without its group goes, its children move up to its place; a
        // second node of a group goes; a stale name follows the table; a group
        // without a node comes at the top level.
        QTest::newRow("article groups")
            << "Opis.pdt"
            << QStringList{"INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Млечни'), (2, 'Хляб'), (3, 'Напитки'), "
                           "(4, 'Без възел'), (5, 'Сокове')"}
            << QByteArray("Всички артикули\n1:Млечни\n\t14:Изгубена\n\t\t5:Сокове\n\t\t\t15:Друга\n2:Хляб\n"
                          "1:Млечни\n\t3:Стара\n")
            << QByteArray("Всички артикули\n1:Млечни\n\t5:Сокове\n2:Хляб\n3:Напитки\n4:Без възел\n")
            << QStringList{"14:Изгубена", "15:Друга", "1:Млечни", "3:Стара", "4:Без възел"};
        QTest::newRow("counterparty groups")
            << "Opis_Kontrag.pdt"
            << QStringList{"INSERT INTO Grupi_Kontrag (ID, Opisanie) VALUES (1, 'Клиенти'), (2, 'Доставчици')"}
            << QByteArray("0:Всички контрагенти\n1:Клиенти\n\t7:Изтрита\n1:Клиенти\n")
            << QByteArray("0:Всички контрагенти\n1:Клиенти\n2:Доставчици\n")
            << QStringList{"7:Изтрита", "1:Клиенти", "2:Доставчици"};
        // Groups belong to their supplier: a supplier the table lacks goes with
        // them; a missing group comes under its supplier; staged rows (a
        // negative supplier) are no one's yet; a supplier whose catalogue was
        // deleted keeps its row and has no node.
        QTest::newRow("supplier catalogues")
            << "CL.pdt"
            << QStringList{"INSERT INTO Firm_CL (ID, Opisanie) VALUES (1, 'Алфа'), (2, 'Бета'), (3, 'Гама'), (4, 'Без каталог')",
                           "INSERT INTO Grupi_CL (ID, Opisanie, ID_F) VALUES (1, 'Лаптопи', 1), (2, 'Монитори', 1), "
                           "(1, 'Кабели', 2), (1, 'Гама група', 3), (5, 'Скрита', -1)"}
            << QByteArray("1:Алфа\r\n\t1:Лаптопи\r\n\t9:Изгубена\r\n\t1:Лаптопи\r\n7:Изчезнал\r\n\t1:Група\r\n"
                          "2:Бета\r\n 1:Кабели\r\n")
            << QByteArray("1:Алфа\r\n\t1:Лаптопи\r\n\t2:Монитори\r\n2:Бета\r\n\t1:Кабели\r\n3:Гама\r\n"
                          "\t1:Гама група\r\n")
            << QStringList{"9:Изгубена", "7:Изчезнал", "2:Монитори", "3:Гама"};
    }

    void openRepairsTheTree()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, rows);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QStringList, logged);
        TestProgram program;
        for (const QString &sql : rows)
            Db::execute(sql);
        const QString folder = program.file(QStringLiteral("Data"));
        const QString path = QDir(folder).filePath(file);
        QVERIFY(TextFile::writeAtomic(path, before));
        QVERIFY(DataModule1->SET_NEW_DATABASE(folder));
        QCOMPARE(QString::fromUtf8(bytesOf(path)), QString::fromUtf8(after));
        const QString log = logText();
        QVERIFY2(log.contains(path), qPrintable(log));
        for (const QString &node : logged)
            QVERIFY2(log.contains(node), qPrintable(node + QStringLiteral(" not in ") + log));

        // Agreeing, it is left as it is.
        QVERIFY(DataModule1->SET_NEW_DATABASE(folder));
        QCOMPARE(bytesOf(path), after);
        QCOMPARE(logText(), log);
    }

    // A change by node key is applied to the tree as the table has it: a node
    // that a crash left for the same key is not a second one.
    void changeAppliesToTheRepairedTree()
    {
        TestProgram program;
        const QString path = QDir(program.file(QStringLiteral("Data"))).filePath(QStringLiteral("Opis.pdt"));
        QVERIFY(TextFile::writeAtomic(path, "Всички артикули\n14:Изгубена\n\t15:Под нея\n"));
        TreeFileUpdate::Change change;
        change.path = path;
        change.statements = [] {
            Db::execute(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (14, 'Нова')"));
            return QString();
        };
        change.edit = [](QList<TreeFileNode> &tree) {
            tree.append({QStringLiteral("14:Нова"), 0});
            return QString();
        };
        QVERIFY(TreeFileUpdate::apply(change).ok());
        QCOMPARE(bytesOf(path), QByteArray("Всички артикули\n14:Нова\n"));
    }
};

VTEST(TreeRepairTest)
#include "test_tree_repair.moc"
