#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/tree_file.h"
#include "counterparties/counterparty_groups.h"
#include "counterparties/counterparty_list.h"
#include "counterparties/counterparty_record.h"
#include "counterparties/form_grupi_kontrag.h"
#include "counterparties/form_kontrakents.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "app/data_module.h"

#include <QAction>
#include <QMimeData>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <functional>

namespace {
long long addCounterparty(const QString &name, long long group = 0)
{
    CounterpartyFields f;
    f.Ime_Firma = name;
    return CounterpartyRecord::insertPair(f, group).id;
}

long long groupCount()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Grupi_Kontrag")).toLongLong();
}

QStringList lines(const QList<TreeFileNode> &nodes)
{
    QStringList out;
    for (const TreeFileNode &n : nodes)
        out << QString(n.depth, QLatin1Char('\t')) + n.text;
    return out;
}

QStringList savedTree()
{
    return lines(TreeFile::read(CounterpartyGroups::treeFilePath()));
}

QTreeWidgetItem *node(QTreeWidget *tree, const QString &text)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0) == text)
            return *it;
    return nullptr;
}

void click(TForm_Kontrakents &w, const QString &text)
{
    w.TreeView_Kontrag->setCurrentItem(node(w.TreeView_Kontrag, text));
    w.TreeView_KontragClick();
}

// Runs the group dialog of the tree menu and fills it with `steps`.
void enterGroup(TForm_Kontrakents &w, bool subgroup, const std::function<void(TForm_Grupi_Kontrag *)> &steps)
{
    PlatformScript::setModalHandler([&](QDialog *d) {
        auto *dialog = qobject_cast<TForm_Grupi_Kontrag *>(d);
        if (!dialog)
            return int(QDialog::Rejected);
        dialog->show();
        steps(dialog);
        const int result = dialog->isVisible() ? int(QDialog::Rejected) : dialog->result();
        dialog->hide();
        return result;
    });
    if (subgroup)
        w.N_PodGrupa_KontragClick();
    else
        w.N_Grupa_KontragClick();
    PlatformScript::setModalHandler({});
}

CounterpartyGroups::NewGroup entry(const QString &number, const QString &name, bool subgroup = false,
                                   const QString &parent = {})
{
    return {number, name, subgroup, parent};
}

void save(TForm_Grupi_Kontrag *d, const QString &name, const QString &number = {})
{
    if (!number.isNull())
        d->Edit_Nomer_Grupa->setText(number);
    d->Edit_Ime_Grupa->setText(name);
    d->Button_SaveClick();
}
} // namespace

class CounterpartyGroupTree : public QObject
{
    Q_OBJECT
private slots:
    void groupsAndSubgroupsAreSavedAndReadBack()
    {
        TestProgram program;
        TForm_Kontrakents w;
        w.FormShow();
        QVERIFY(!QFile::exists(CounterpartyGroups::treeFilePath())); // none until the first group

        QString proposed;
        enterGroup(w, false, [&](TForm_Grupi_Kontrag *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Въвеждане на Група"));
            proposed = d->Edit_Nomer_Grupa->text();
            save(d, QStringLiteral("Доставчици"));
        });
        QCOMPARE(proposed, QStringLiteral("1"));
        QCOMPARE(w.GroupMode, 0);
        QVERIFY(w.N_Grupa_Kontrag->isChecked());
        QCOMPARE(w.TreeView_Kontrag->currentItem()->text(0), QStringLiteral("1:Доставчици"));
        QCOMPARE(w.lastTreeNode()->text(0), QStringLiteral("1:Доставчици"));

        enterGroup(w, true, [&](TForm_Grupi_Kontrag *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Въвеждане на Подгрупа"));
            save(d, QStringLiteral("Местни"));
        });
        QVERIFY(w.N_PodGrupa_Kontrag->isChecked());
        QVERIFY(!w.N_Grupa_Kontrag->isChecked());
        click(w, QStringLiteral("1:Доставчици"));
        enterGroup(w, true, [](TForm_Grupi_Kontrag *d) { save(d, QStringLiteral("Чужди")); });
        enterGroup(w, false, [](TForm_Grupi_Kontrag *d) { save(d, QStringLiteral("Клиенти")); });

        const QStringList expected{QStringLiteral("0:Всички контрагенти"), QStringLiteral("1:Доставчици"),
                                   QStringLiteral("\t2:Местни"), QStringLiteral("\t3:Чужди"),
                                   QStringLiteral("4:Клиенти")};
        QCOMPARE(savedTree(), expected);
        QCOMPARE(groupCount(), 4LL);

        // Another browser reads the same tree back from the file.
        TForm_Kontrakents again;
        again.FormShow();
        QCOMPARE(lines(TreeFile::fromTree(again.TreeView_Kontrag)), expected);
        QCOMPARE(again.TreeView_Kontrag->currentItem()->text(0), QStringLiteral("0:Всички контрагенти"));
        QVERIFY(!again.lastTreeNode());

        // With groups 1..4 stored the next proposal is 5.
        enterGroup(again, false, [](TForm_Grupi_Kontrag *d) {
            QCOMPARE(d->Edit_Nomer_Grupa->text(), QStringLiteral("5"));
            d->Button_CancelClick();
        });
        QCOMPARE(groupCount(), 4LL);
    }

    void subgroupWithoutAClickedGroupGoesToTheTopLevel()
    {
        TestProgram program;
        TForm_Kontrakents w;
        w.FormShow();
        enterGroup(w, false, [](TForm_Grupi_Kontrag *d) { save(d, QStringLiteral("А")); });
        TForm_Kontrakents fresh;
        fresh.FormShow();
        click(fresh, QStringLiteral("0:Всички контрагенти")); // the root is no group node
        enterGroup(fresh, true, [](TForm_Grupi_Kontrag *d) { save(d, QStringLiteral("Б")); });
        QCOMPARE(savedTree(), (QStringList{QStringLiteral("0:Всички контрагенти"), QStringLiteral("1:А"),
                                           QStringLiteral("2:Б")}));
    }

    void badNumbersAndRepeatedNumbersAreRefused()
    {
        TestProgram program;
        const QString path = CounterpartyGroups::treeFilePath();
        QVERIFY(CounterpartyGroups::add(entry(QStringLiteral("7"), QStringLiteral("Седма")), path).ok);
        for (const QString &bad : {QStringLiteral("0"), QStringLiteral("-3"), QStringLiteral("абв"),
                                   QStringLiteral("2.5"), QString()}) {
            const auto r = CounterpartyGroups::add(entry(bad, QStringLiteral("Х")), path);
            QVERIFY(!r.ok);
            QCOMPARE(r.message, QStringLiteral("Номерът на групата трябва да бъде цяло число, по-голямо от 0!"));
        }
        auto r = CounterpartyGroups::add(entry(QStringLiteral(" 7 "), QStringLiteral("Друга")), path);
        QCOMPARE(r.message, QStringLiteral("Въведеният номер за група вече съществува!"));
        r = CounterpartyGroups::add(entry(QStringLiteral("8"), QStringLiteral("  ")), path);
        QVERIFY(!r.ok);
        QCOMPARE(groupCount(), 1LL);
        QCOMPARE(savedTree(), (QStringList{QStringLiteral("0:Всички контрагенти"), QStringLiteral("7:Седма")}));

        // The dialog keeps the entry on screen after a refusal.
        TForm_Kontrakents w;
        w.FormShow();
        enterGroup(w, false, [](TForm_Grupi_Kontrag *d) {
            save(d, QStringLiteral("Повтор \"кавички\""), QStringLiteral("7"));
            QVERIFY(d->isVisible());
            QCOMPARE(d->Edit_Ime_Grupa->text(), QStringLiteral("Повтор \"кавички\""));
            save(d, QStringLiteral("Повтор \"кавички\""), QStringLiteral("9"));
        });
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Въведеният номер за група вече съществува!")});
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Grupi_Kontrag WHERE ID = 9")).toString(),
                 QStringLiteral("Повтор \"кавички\""));
    }

    void aTreeFileThatCannotBeWrittenRollsTheGroupBack()
    {
        TestProgram program;
        // The read finds no file (so it succeeds), the write cannot create one:
        // the folder it should go into is a regular file.
        const QString blocker = program.file(QStringLiteral("blocker"));
        QFile plain(blocker);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QString unwritable = QDir(blocker).filePath(QString::fromLatin1(CounterpartyGroups::TreeFileName));
        bool readable = false;
        CounterpartyGroups::loadTree(unwritable, &readable);
        QVERIFY(readable);
        const auto r = CounterpartyGroups::add(entry(QStringLiteral("1"), QStringLiteral("Група")), unwritable);
        QVERIFY(!r.ok);
        QVERIFY2(r.message.startsWith(QStringLiteral("Групата не беше записана: файлът с дървото на групите не "
                                                     "може да бъде записан.")),
                 qPrintable(r.message));
        QCOMPARE(groupCount(), 0LL);
        QVERIFY(r.tree.isEmpty());

        const QString path = CounterpartyGroups::treeFilePath();
        QVERIFY(CounterpartyGroups::add(entry(QStringLiteral("1"), QStringLiteral("Група")), path).ok);
        QCOMPARE(groupCount(), 1LL);
    }

    // A folder in the file's place cannot be read by anyone, root included.
    void aTreeFileThatCannotBeReadIsNeitherOverwrittenNorHidden()
    {
        TestProgram program;
        const QString path = CounterpartyGroups::treeFilePath();
        QVERIFY(QDir().mkpath(path));
        const auto refused = CounterpartyGroups::add(entry(QStringLiteral("2"), QStringLiteral("Друга")), path);
        QVERIFY(!refused.ok);
        QVERIFY2(refused.message.contains(QStringLiteral("не може да бъде прочетен")), qPrintable(refused.message));
        QCOMPARE(groupCount(), 0LL);
        QVERIFY(QFileInfo(path).isDir());

        // The browser says so, naming the file, instead of showing the root as if there were no groups.
        TForm_Kontrakents w;
        w.FormShow();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Файлът с дървото на групите не може да бъде прочетен:\n") + path});
        QCOMPARE(w.TreeView_Kontrag->topLevelItemCount(), 1);

        // A missing file is no error: the root alone, nothing said.
        QVERIFY(QDir().rmdir(path));
        PlatformScript::clearEvents();
        w.FormShow();
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
    }

    void twoWorkstationsKeepEachOthersGroups()
    {
        TestProgram program;
        const QString path = CounterpartyGroups::treeFilePath();
        QString error;
        QVERIFY2(Db::openFolder(QStringLiteral("second-workstation"), DataModule1->databaseFolder(), &error),
                 qPrintable(error));
        {
            const QSqlDatabase other = QSqlDatabase::database(QStringLiteral("second-workstation"));

            // This workstation's browser shows the tree; its dialog proposes 1.
            TForm_Kontrakents w;
            w.FormShow();
            enterGroup(w, false, [&](TForm_Grupi_Kontrag *d) {
                QCOMPARE(d->Edit_Nomer_Grupa->text(), QStringLiteral("1"));
                // Meanwhile the other workstation stores group 1 and its node.
                const auto theirs =
                    CounterpartyGroups::add(entry(QStringLiteral("1"), QStringLiteral("Тяхна")), path, other);
                QVERIFY(theirs.ok);
                save(d, QStringLiteral("Наша"));
                QVERIFY(d->isVisible()); // the number is taken now
                save(d, QStringLiteral("Наша"), QStringLiteral("2"));
            });
            QCOMPARE(savedTree(), (QStringList{QStringLiteral("0:Всички контрагенти"), QStringLiteral("1:Тяхна"),
                                               QStringLiteral("2:Наша")}));
            QCOMPARE(lines(TreeFile::fromTree(w.TreeView_Kontrag)), savedTree());

            // The other side, still holding its old view, adds a subgroup of its group.
            const auto sub = CounterpartyGroups::add(
                entry(QStringLiteral("3"), QStringLiteral("Под"), true, QStringLiteral("1:Тяхна")), path, other);
            QVERIFY(sub.ok);
            QCOMPARE(savedTree(), (QStringList{QStringLiteral("0:Всички контрагенти"), QStringLiteral("1:Тяхна"),
                                               QStringLiteral("\t3:Под"), QStringLiteral("2:Наша")}));
            QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Grupi_Kontrag"), {}, other).toLongLong(), 3LL);
        }
        Db::close(QStringLiteral("second-workstation"));
    }

    void placeNodeFindsTheParentByTextThenByKey()
    {
        QList<TreeFileNode> tree{{QStringLiteral("0:Всички контрагенти"), 0},
                                 {QStringLiteral("1:А"), 0},
                                 {QStringLiteral("2:Б"), 1},
                                 {QStringLiteral("4:Г"), 2},
                                 {QStringLiteral("3:В"), 0}};
        QCOMPARE(CounterpartyGroups::placeNode(tree, QStringLiteral("5:Д"), QStringLiteral("1:А")), 4);
        QCOMPARE(tree.at(4).depth, 1);
        // Renamed in the file meanwhile: found by its number.
        QCOMPARE(CounterpartyGroups::placeNode(tree, QStringLiteral("6:Е"), QStringLiteral("3:старо име")), 6);
        QCOMPARE(tree.at(6).depth, 1);
        QCOMPARE(CounterpartyGroups::placeNode(tree, QStringLiteral("7:Ж"), QStringLiteral("99:няма")), 7);
        QCOMPARE(tree.at(7).depth, 0);
    }
};
VTEST(CounterpartyGroupTree)

class CounterpartyMoves : public QObject
{
    Q_OBJECT
private slots:
    void markedCounterpartiesMoveTogether()
    {
        TestProgram program;
        QVERIFY(CounterpartyGroups::add(entry(QStringLiteral("4"), QStringLiteral("Доставчици")),
                                        CounterpartyGroups::treeFilePath())
                    .ok);
        QList<long long> ids;
        for (const char *n : {"А", "Б", "В", "Г"})
            ids << addCounterparty(QString::fromUtf8(n), 2);
        TForm_Kontrakents w;
        w.FormShow();
        auto *sel = w.DBGrid_Kontragenti->selectionModel();
        const auto rows = QItemSelectionModel::Select | QItemSelectionModel::Rows;
        sel->clearSelection();
        for (int r : {0, 1, 3})
            sel->select(w.list()->index(r, 0), rows);

        // No: nothing moves.
        QTreeWidgetItem *group = node(w.TreeView_Kontrag, QStringLiteral("4:Доставчици"));
        PlatformScript::answer(false);
        QVERIFY(!w.TreeView_KontragDragDrop(group));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Firmi WHERE Nomer_Grupa = 2")).toLongLong(), 4LL);
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 QStringList{QStringLiteral("Желаете ли да преместите избраните контрагенти в група:\n4:Доставчици")});

        PlatformScript::answer(true);
        QVERIFY(w.TreeView_KontragDragDrop(group));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT ID FROM Firmi WHERE Nomer_Grupa = 2")).toLongLong(), ids.at(2));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Firmi WHERE Nomer_Grupa = 4")).toLongLong(), 3LL);
        // The list is that of the selected node (the root) again.
        QCOMPARE(w.list()->rowCount(), 4);

        // Three rows dropped on the root leave every group.
        sel->clearSelection();
        for (int r : {0, 1, 2})
            sel->select(w.list()->index(r, 0), rows);
        PlatformScript::answer(true);
        QVERIFY(w.TreeView_KontragDragDrop(node(w.TreeView_Kontrag, QStringLiteral("0:Всички контрагенти"))));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Firmi WHERE Nomer_Grupa = 0")).toLongLong(), 3LL);

        // Hovering during a drag makes the node the parent of the next subgroup.
        w.TreeView_KontragDragOver(group);
        QCOMPARE(w.lastTreeNode(), group);
    }

    void droppingOnATreeNodeMovesTheDraggedRows()
    {
        TestProgram program;
        QVERIFY(CounterpartyGroups::add(entry(QStringLiteral("3"), QStringLiteral("Трета")),
                                        CounterpartyGroups::treeFilePath())
                    .ok);
        for (const char *n : {"А", "Б", "В"})
            addCounterparty(QString::fromUtf8(n));
        TForm_Kontrakents w;
        w.FormShow();
        w.resize(900, 500);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *sel = w.DBGrid_Kontragenti->selectionModel();
        sel->clearSelection();
        for (int r : {0, 2})
            sel->select(w.list()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        std::unique_ptr<QMimeData> mime(w.list()->mimeData(sel->selectedIndexes()));

        QWidget *viewport = w.TreeView_Kontrag->viewport();
        QTreeWidgetItem *target = node(w.TreeView_Kontrag, QStringLiteral("3:Трета"));
        const QPoint at = w.TreeView_Kontrag->visualItemRect(target).center();
        QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
        QVERIFY(move.isAccepted());
        QCOMPARE(w.lastTreeNode(), target);

        PlatformScript::answer(true);
        QDropEvent drop(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Firmi WHERE Nomer_Grupa = 3")).toLongLong(), 2LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Ime_Firma FROM Firmi WHERE Nomer_Grupa = 0")).toString(),
                 QStringLiteral("Б"));

        // Other data is refused.
        QMimeData text;
        text.setText(QStringLiteral("1"));
        QDragEnterEvent other(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &other);
        QVERIFY(!other.isAccepted());
    }

    void aFailedMoveMovesNobody()
    {
        TestProgram program;
        QList<long long> ids;
        for (const char *n : {"А", "Б", "В"})
            ids << addCounterparty(QString::fromUtf8(n), 1);
        refuseWrites(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Firmi WHEN OLD.ID = %1 "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                        .arg(ids.at(2)));
        QVERIFY_THROWS_EXCEPTION(DbError, CounterpartyGroups::moveCounterparties(ids, 5));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Firmi WHERE Nomer_Grupa = 1")).toLongLong(), 3LL);

        TForm_Kontrakents w;
        w.FormShow();
        w.DBGrid_Kontragenti->selectAll();
        PlatformScript::answer(true);
        auto *target = new QTreeWidgetItem(w.TreeView_Kontrag, {QStringLiteral("5:Нова")});
        QVERIFY(!w.TreeView_KontragDragDrop(target));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).first().startsWith(
            QStringLiteral("Контрагентите не бяха преместени")));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Firmi WHERE Nomer_Grupa = 1")).toLongLong(), 3LL);
    }
};
VTEST(CounterpartyMoves)

#include "test_counterparty_groups.moc"
