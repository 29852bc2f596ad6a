#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "catalogue_test_support.h"

#include "app/data_module.h"
#include "catalogue/article_groups.h"
#include "catalogue/article_list.h"
#include "catalogue/article_removal.h"
#include "catalogue/form_artikuli.h"
#include "catalogue/form_grupi.h"
#include "catalogue/form_new_artikul.h"
#include "catalogue/form_ob6ti_danni_artikuli.h"
#include "platform/db/database.h"
#include "platform/grid_selection.h"
#include "platform/script.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

using namespace CatalogueTest;

namespace {
const QString kRoot = QStringLiteral("Всички артикули");

QString path()
{
    return ArticleGroups::treeFilePath();
}

// The catalogue as the opener leaves it: tree loaded, first node listed.
void open(TForm_Artikuli &w)
{
    w.loadTree(ArticleGroups::loadTree(path()));
    w.TreeView1->setCurrentItem(w.TreeView1->topLevelItem(0));
    w.FormShow();
}

void click(TForm_Artikuli &w, const QString &text)
{
    QTreeWidgetItem *n = node(w.TreeView1, text);
    QVERIFY2(n, qPrintable(text));
    w.TreeView1->setCurrentItem(n);
    w.TreeView1Click();
}

void markRows(TForm_Artikuli &w, const QList<int> &rows)
{
    w.DBGrid_Articles->clearSelection();
    for (int r : rows)
        w.DBGrid_Articles->selectionModel()->select(w.list()->index(r, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

long long groupOf(long long article)
{
    return count(QStringLiteral("SELECT Nomer_Grupa FROM Produkti WHERE ID = ?"), {article});
}
} // namespace

class ArticleGroupsTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        PlatformScript::activate();
    }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        PlatformScript::deactivate();
    }

    void groupsSubgroupsAndNumbers()
    {
        TestProgram program;
        auto r = ArticleGroups::add(QStringLiteral("3"), QStringLiteral("Компютри"), {}, path());
        QVERIFY2(r.ok, qPrintable(r.message));
        r = ArticleGroups::add(QStringLiteral("12"), QStringLiteral("Лаптопи"), QStringLiteral("3:Компютри"), path());
        QVERIFY(r.ok);
        QCOMPARE(savedTree(), (QStringList{kRoot, "3:Компютри", "\t12:Лаптопи"}));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Grupi WHERE ID = 12")).toString(),
                 QStringLiteral("Лаптопи"));
        // New top-level groups go last.
        QVERIFY(ArticleGroups::add(QStringLiteral("1"), QStringLiteral("Храни"), {}, path()).ok);
        QCOMPARE(savedTree().last(), QStringLiteral("1:Храни"));
        QCOMPARE(ArticleGroups::proposedNumber(), 13LL);

        // Rename with the same number; a taken number is refused.
        r = ArticleGroups::edit(3, QStringLiteral("3"), QStringLiteral("PC"), path());
        QVERIFY(r.ok);
        QCOMPARE(savedTree().at(1), QStringLiteral("3:PC"));
        QCOMPARE(ArticleGroups::name(3), std::optional<QString>(QStringLiteral("PC")));
        QVERIFY(!ArticleGroups::name(4));
        for (const auto &refused : {ArticleGroups::edit(3, QStringLiteral("12"), QStringLiteral("PC"), path()),
                                    ArticleGroups::add(QStringLiteral("12"), QStringLiteral("Друга"), {}, path())})
            QCOMPARE(refused.message, QStringLiteral("Въведеният номер за група вече съществува!"));
        for (const char *bad : {"0", "-4", "2.5", "x", ""})
            QVERIFY(!ArticleGroups::add(QString::fromLatin1(bad), QStringLiteral("Х"), {}, path()).ok);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 3LL);
    }

    void renumberMovesArticlesAndConditionalReferences()
    {
        TestProgram program;
        QVERIFY(ArticleGroups::add(QStringLiteral("3"), QStringLiteral("Компютри"), {}, path()).ok);
        addArticle(1, QStringLiteral("Мишка"), 3);
        addArticle(3, QStringLiteral("Клавиатура"), 3);
        Db::execute(QStringLiteral("INSERT INTO SP_otstapka (ID_Klient, Otnasq_se_za, ID_Art_Gr, T_O) "
                                   "VALUES (1, 'G', '3', 5), (1, 'A', '3', 7)"));
        const auto r = ArticleGroups::edit(3, QStringLiteral("30"), QStringLiteral("PC"), path());
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(groupOf(1), 30LL);
        QCOMPARE(groupOf(3), 30LL);
        QCOMPARE(savedTree(), (QStringList{kRoot, "30:PC"}));
        // The group rule follows; the rule of article 3 does not.
        QCOMPARE(count(QStringLiteral("SELECT ID_Art_Gr FROM SP_otstapka WHERE Otnasq_se_za = 'G'")), 30LL);
        QCOMPARE(count(QStringLiteral("SELECT ID_Art_Gr FROM SP_otstapka WHERE Otnasq_se_za = 'A'")), 3LL);
        // A rule that names the group (or the article) refuses their delete.
        auto refused = ArticleGroups::remove(30, false, true, path());
        QVERIFY(!refused.ok);
        QVERIFY2(refused.message.contains(QStringLiteral("SP_otstapka")), qPrintable(refused.message));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 2LL);
        Db::execute(QStringLiteral("DELETE FROM SP_otstapka WHERE Otnasq_se_za = 'G'"));
        refused = ArticleGroups::remove(30, false, true, path());
        QVERIFY(refused.message.contains(QStringLiteral("3:Клавиатура")));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 2LL);
        QCOMPARE(ArticleRemoval::remove(3), refused.message.section(QLatin1Char('\n'), 0, 0));
    }

    void deleteAGroupWithItsArticles()
    {
        TestProgram program;
        QVERIFY(ArticleGroups::add(QStringLiteral("5"), QStringLiteral("Млечни"), {}, path()).ok);
        QVERIFY(ArticleGroups::add(QStringLiteral("6"), QStringLiteral("Хлебни"), {}, path()).ok);
        addArticle(1, QStringLiteral("Мляко"), 5);
        addArticle(2, QStringLiteral("Сирене"), 5);
        addArticle(3, QStringLiteral("Хляб"), 6);
        for (long long id : {1, 2, 3}) {
            addBarcode(id, QStringLiteral("380%1").arg(id));
            addCatalogueNumber(id, QStringLiteral("N%1").arg(id), 1);
        }
        // Articles found without the question's Yes: nothing goes.
        QVERIFY(!ArticleGroups::remove(5, false, false, path()).ok);
        // One article with a stock row keeps the whole group.
        Db::execute(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (2, 1, 0)"));
        auto r = ArticleGroups::remove(5, false, true, path());
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(QStringLiteral("2:Сирене")), qPrintable(r.message));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE Nomer_Grupa = 5")), 2LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Barkodes")), 3LL);
        QCOMPARE(savedTree().size(), 3);
        Db::execute(QStringLiteral("DELETE FROM Store_Kol"));
        r = ArticleGroups::remove(5, false, true, path());
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Barkodes")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi WHERE ID = 5")), 0LL);
        QCOMPARE(savedTree(), (QStringList{kRoot, "6:Хлебни"}));
    }

    void subtreeRemovalDeepestFirst()
    {
        TestProgram program;
        QVERIFY(ArticleGroups::add(QStringLiteral("3"), QStringLiteral("Компютри"), {}, path()).ok);
        QVERIFY(ArticleGroups::add(QStringLiteral("12"), QStringLiteral("Лаптопи"), QStringLiteral("3:Компютри"), path()).ok);
        QVERIFY(ArticleGroups::add(QStringLiteral("13"), QStringLiteral("Чанти"), QStringLiteral("12:Лаптопи"), path()).ok);
        QVERIFY(ArticleGroups::add(QStringLiteral("14"), QStringLiteral("Монитори"), QStringLiteral("3:Компютри"), path()).ok);
        QVERIFY(ArticleGroups::add(QStringLiteral("1"), QStringLiteral("Храни"), {}, path()).ok);
        addArticle(1, QStringLiteral("Чанта"), 13);
        addArticle(2, QStringLiteral("Хляб"), 1);
        const auto tree = ArticleGroups::loadTree(path());
        QCOMPARE(ArticleGroups::removalOrder(tree, 3, true), (QList<long long>{13, 14, 12, 3}));
        QCOMPARE(ArticleGroups::articleCount(ArticleGroups::removalOrder(tree, 3, true)), 1LL);
        // The leaf rule alone refuses a node that has subgroups in the file.
        QVERIFY(!ArticleGroups::remove(3, false, true, path()).ok);
        const auto r = ArticleGroups::remove(3, true, true, path());
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(savedTree(), (QStringList{kRoot, "1:Храни"}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 1LL);
    }

    void aFailedTreeWriteChangesNothing()
    {
        TestProgram program;
        QFile blocker(program.file(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString unwritable = program.file(QStringLiteral("not-a-folder/Opis.pdt"));
        auto r = ArticleGroups::add(QStringLiteral("3"), QStringLiteral("Компютри"), {}, unwritable);
        QVERIFY(!r.ok);
        QVERIFY(r.message.startsWith(QStringLiteral("Групата не беше записана")));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 0LL);

        QVERIFY(ArticleGroups::add(QStringLiteral("3"), QStringLiteral("Компютри"), {}, path()).ok);
        addArticle(1, QStringLiteral("Мишка"), 3);
        r = ArticleGroups::edit(3, QStringLiteral("4"), QStringLiteral("PC"), unwritable);
        QVERIFY(!r.ok);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Opisanie FROM Grupi WHERE ID = 3")).toString(),
                 QStringLiteral("Компютри"));
        QCOMPARE(groupOf(1), 3LL);
        QVERIFY(!ArticleGroups::remove(3, false, true, unwritable).ok);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 1LL);
    }

    void movingGroupsAndArticles()
    {
        TestProgram program;
        writeTree({kRoot, "3:Компютри", "\t12:Лаптопи", "5:Млечни"});
        addGroup(3, QStringLiteral("Компютри"));
        addGroup(12, QStringLiteral("Лаптопи"));
        addGroup(5, QStringLiteral("Млечни"));
        auto r = ArticleGroups::moveGroup(3, QStringLiteral("12:Лаптопи"), path());
        QVERIFY(!r.ok);
        QVERIFY(ArticleGroups::dropsIntoItself(ArticleGroups::loadTree(path()), 3, QStringLiteral("3:Компютри")));
        r = ArticleGroups::moveGroup(3, QStringLiteral("5:Млечни"), path());
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(savedTree(), (QStringList{kRoot, "5:Млечни", "\t3:Компютри", "\t\t12:Лаптопи"}));

        addArticle(1, QStringLiteral("Мишка"), 3);
        addArticle(2, QStringLiteral("Лаптоп"), 12);
        for (const char *target : {"Всички артикули", "7:Няма я", "Изтрити артикули"})
            QCOMPARE(ArticleGroups::moveArticles({1, 2}, QString::fromUtf8(target)),
                     QString::fromUtf8(ArticleGroups::InvalidGroup));
        QCOMPARE(groupOf(1), 3LL);
        QCOMPARE(ArticleGroups::moveArticles({1, 2}, QStringLiteral("5:Млечни")), QString());
        QCOMPARE(groupOf(1), 5LL);
        QCOMPARE(groupOf(2), 5LL);
    }
};

class CatalogueGroupCommands : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        PlatformScript::activate();
    }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        PlatformScript::deactivate();
    }

    void dialogAddsSubgroupsAndAnotherWorkstationsNodeSurvives()
    {
        TestProgram program;
        writeTree({kRoot, "3:Компютри"});
        addGroup(3, QStringLiteral("Компютри"));
        TForm_Artikuli w;
        open(w);
        click(w, QStringLiteral("3:Компютри"));
        driveWindows<TForm_Grupi>([](TForm_Grupi *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Въвеждане на Подгрупа"));
            QCOMPARE(d->Edit_Nomer_Grupa->text(), QStringLiteral("4"));
        });
        w.N_PodGrupaClick();
        // The group's documentation lists the registered documents and stores nothing.
        Db::execute(QStringLiteral("INSERT INTO Dokumenti (Opisanie, Kade_se_izpolzva, N_Dok) VALUES (?, ?, ?)"),
                    {QStringLiteral("Гаранционна карта"), QStringLiteral("МАГАЗИН , ,"), QStringLiteral("0")});
        QStringList documents;
        driveWindows<TForm_Grupi>([&documents](TForm_Grupi *d) {
            for (int i = 0; i < d->DBLookupComboBox1->count(); ++i)
                documents.append(d->DBLookupComboBox1->itemText(i));
            d->DBLookupComboBox1->setCurrentIndex(0);
            d->Edit_Nomer_Grupa->setText(QStringLiteral("12"));
            d->Edit_Opisanie->setText(QStringLiteral("Лаптопи"));
            d->BitBtn_PriemiClick();
        });
        w.N_PodGrupaClick();
        QCOMPARE(documents, QStringList{QStringLiteral("Гаранционна карта")});
        QCOMPARE(savedTree(), (QStringList{kRoot, "3:Компютри", "\t12:Лаптопи"}));
        QCOMPARE(w.currentGroupKey(), 12LL);
        QCOMPARE(w.TreeView1->currentItem()->text(0), QStringLiteral("12:Лаптопи"));

        // Meanwhile another workstation adds its group to the file.
        writeTree({kRoot, "3:Компютри", "\t12:Лаптопи", "7:Чужда"});
        addGroup(7, QStringLiteral("Чужда"));
        click(w, QStringLiteral("3:Компютри"));
        driveWindows<TForm_Grupi>([](TForm_Grupi *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Редакция на: Компютри"));
            d->Edit_Nomer_Grupa->setText(QStringLiteral("12")); // taken: the dialog stays
            d->Edit_Opisanie->setText(QStringLiteral("PC"));
            d->BitBtn_PriemiClick();
            QVERIFY(d->isVisible());
            d->Edit_Nomer_Grupa->setText(QStringLiteral("3"));
            d->BitBtn_PriemiClick();
        });
        w.N_Redaktiraj_GrupaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Въведеният номер за група вече съществува!")});
        QCOMPARE(savedTree(), (QStringList{kRoot, "3:PC", "\t12:Лаптопи", "7:Чужда"}));
        QVERIFY(node(w.TreeView1, QStringLiteral("7:Чужда")));
    }

    void deleteAsksOnceAndCountsInTheDatabase()
    {
        TestProgram program;
        writeTree({kRoot, "3:Компютри", "\t12:Лаптопи", "5:Млечни"});
        addGroup(3, QStringLiteral("Компютри"));
        addGroup(12, QStringLiteral("Лаптопи"));
        addGroup(5, QStringLiteral("Млечни"));
        addArticle(1, QStringLiteral("Лаптоп"), 12);
        TForm_Artikuli w;
        open(w);
        // No current group: nothing happens.
        w.N_Iztrii_GrupaClick();
        QVERIFY(PlatformScript::events().isEmpty());

        // Group 5 has no articles in its list, yet one arrives from elsewhere: still asked.
        click(w, QStringLiteral("5:Млечни"));
        addArticle(2, QStringLiteral("Мляко"), 5);
        PlatformScript::answer(false);
        w.N_Iztrii_GrupaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Grupi")), 3LL);

        // Subgroups: one subgroup question, one articles question, all removed.
        PlatformScript::clearEvents();
        click(w, QStringLiteral("3:Компютри"));
        PlatformScript::answer(true);
        PlatformScript::answer(true);
        w.N_Iztrii_GrupaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 2);
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).first().startsWith(
            QStringLiteral("Избраната група съдържа подгрупи.")));
        QCOMPARE(savedTree(), (QStringList{kRoot, "5:Млечни"}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti")), 1LL);
        QCOMPARE(w.currentGroupKey(), 0LL);
    }

    void deletedGroupAndArticleCommands()
    {
        TestProgram program;
        writeTree({kRoot, "5:Изтрити артикули", "6:Стоки"});
        addGroup(5, QStringLiteral("Изтрити артикули"));
        addGroup(6, QStringLiteral("Стоки"));
        addArticle(1, QStringLiteral("Стар"), 5);
        addArticle(2, QStringLiteral("Нов"), 6);
        addArticle(3, QStringLiteral("Друг"), 6);
        addBarcode(2, QStringLiteral("111"));
        addCatalogueNumber(2, QStringLiteral("K-2"), 1);
        int edits = 0;
        driveWindows<TForm_NewArtikul>([&edits](TForm_NewArtikul *) { ++edits; });
        TForm_Artikuli w;
        open(w);
        click(w, QStringLiteral("5:Изтрити артикули"));
        w.PopupMenu_ArticlesPopup();
        QVERIFY(!w.N_Nov->isEnabled());
        QVERIFY(!w.N_Redaktiraj->isEnabled());
        QVERIFY(!w.N_Iztrii->isEnabled());
        w.N_NovClick();
        QCOMPARE(edits, 0);

        click(w, QStringLiteral("Всички артикули"));
        w.N_NovClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Необходимо е да изберете група за артикула")});
        click(w, QStringLiteral("6:Стоки"));
        w.PopupMenu_ArticlesPopup();
        QVERIFY(w.N_Nov->isEnabled() && w.N_Iztrii->isEnabled());
        w.N_NovClick();
        QCOMPARE(edits, 1);
        // A save re-runs the list on the saved article.
        driveWindows<TForm_NewArtikul>([](TForm_NewArtikul *e) {
            QCOMPARE(e->Label_Grupa_name->text(), QStringLiteral("Група: 6:Стоки"));
            e->Edit_Opisanie->setText(QStringLiteral("Току-що"));
            e->BitBtn_OK->click();
        });
        w.N_NovClick();
        QCOMPARE(w.currentRecord().value(QStringLiteral("Opisanie")).toString(), QStringLiteral("Току-що"));
        QCOMPARE(w.list()->rowCount(), 3);
        driveWindows<TForm_NewArtikul>([](TForm_NewArtikul *e) {
            QCOMPARE(e->Edit_Opisanie->text(), QStringLiteral("Нов"));
            e->BitBtn_Cancel->click();
        });
        w.DBGrid_Articles->selectionModel()->setCurrentIndex(w.list()->index(0, 0),
                                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        w.DBGrid_ArticlesDblClick();
        PlatformScript::setModalHandler({});

        // Del asks first; No keeps everything.
        QCOMPARE(w.currentRecord().value(QStringLiteral("ID")).toLongLong(), 2LL);
        PlatformScript::answer(false);
        w.N_IztriiClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).last(),
                 QStringLiteral("Наистина ли желаете да изтриете артикул 2:Нов?"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE ID = 2")), 1LL);
        PlatformScript::answer(true);
        w.N_IztriiClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE ID = 2")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Barkodes")), 0LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Nomenklatures")), 0LL);
        QCOMPARE(w.list()->rowCount(), 2);
    }

    void groupSearchByCodeAndName()
    {
        TestProgram program;
        writeTree({kRoot, "3:Компютри", "\t12:Лаптопи", "14:Лаптоп чанти", "20:Без възел"});
        addGroup(3, QStringLiteral("Компютри"));
        addGroup(12, QStringLiteral("Лаптопи"));
        addGroup(14, QStringLiteral("Лаптоп чанти"));
        addGroup(15, QStringLiteral("Само в таблицата"));
        addArticle(1, QStringLiteral("Лаптоп"), 12);
        TForm_Artikuli w;
        open(w);
        w.Edit_Tarsi_grupa->setText(QStringLiteral("12"));
        w.Button_Tarsi_GrupaClick();
        QCOMPARE(w.TreeView1->currentItem()->text(0), QStringLiteral("12:Лаптопи"));
        QCOMPARE(w.list()->rowCount(), 1);
        QCOMPARE(w.currentGroupKey(), 12LL);
        for (const char *missing : {"15", "99", "x"}) {
            w.Edit_Tarsi_grupa->setText(QString::fromLatin1(missing));
            w.Button_Tarsi_GrupaClick();
        }
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList(3, QStringLiteral("Не е открит търсеният код")));

        PlatformScript::clearEvents();
        w.ComboBox2->setCurrentIndex(1);
        w.ComboBox2Change();
        w.Edit_Tarsi_grupa->setText(QStringLiteral("ЛАПТОП"));
        w.Button_Tarsi_GrupaClick();
        QVERIFY(w.ListBox_All_Grupi->isVisibleTo(&w));
        QCOMPARE(w.ListBox_All_Grupi->count(), 2);
        w.ListBox_All_Grupi->setCurrentRow(1);
        w.ListBox_All_GrupiDblClick();
        QCOMPARE(w.TreeView1->currentItem()->text(0), QStringLiteral("14:Лаптоп чанти"));
        QVERIFY(!w.ListBox_All_Grupi->isVisibleTo(&w));
        w.Edit_Tarsi_grupa->setText(QStringLiteral("компю"));
        w.Button_Tarsi_GrupaClick();
        QCOMPARE(w.TreeView1->currentItem()->text(0), QStringLiteral("3:Компютри"));
        w.Edit_Tarsi_grupa->setText(QStringLiteral("няма"));
        w.Button_Tarsi_GrupaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Не е открита търсената група")});
    }

    void commonDataForMarkedRows()
    {
        TestProgram program;
        writeTree({kRoot, "6:Стоки"});
        addGroup(6, QStringLiteral("Стоки"));
        for (long long id : {1, 2, 3})
            addArticle(id, QStringLiteral("Артикул %1").arg(id), 6);
        TForm_Artikuli w;
        open(w);
        markRows(w, {2, 0});
        QList<long long> handed;
        driveWindows<TForm_Ob6ti_Danni_artikuli>([&handed](TForm_Ob6ti_Danni_artikuli *d) {
            d->ChkBox_Min_Kol->setChecked(true);
            d->ChkBox_Click(d->ChkBox_Min_Kol);
            d->SpinEdit_Min_Kol->setValue(7);
            d->BitBtn1Click();
        });
        w.N_Ob6ti_DanniClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE Min_Kol = 7")), 2LL);
        QVERIFY(count(QStringLiteral("SELECT Min_Kol FROM Produkti WHERE ID = 2")) != 7);
        // The list was read again.
        QCOMPARE(w.list()->value(0, QStringLiteral("Min_Kol")).toDouble(), 7.0);
    }

    void aTitleClickShowsTheStartOfTheSortedList()
    {
        TestProgram program;
        writeTree({kRoot, "6:Стоки"});
        addGroup(6, QStringLiteral("Стоки"));
        for (long long id = 1; id <= 300; ++id)
            addArticle(id, QStringLiteral("Артикул %1").arg(1000 - id), 6);
        TForm_Artikuli w;
        w.resize(800, 400);
        open(w);
        QVERIFY(w.positionOn(250));
        QVERIFY(w.DBGrid_Articles->verticalScrollBar()->value() > 0);
        // The re-sorted list is opened anew: its first row current, its start shown, whatever was current.
        for (int column : {2, 0}) {
            w.DBGrid_ArticlesTitleClick(column);
            QCOMPARE(w.DBGrid_Articles->currentIndex().row(), 0);
            QCOMPARE(w.DBGrid_Articles->verticalScrollBar()->value(), 0);
            QCOMPARE(w.currentRecord().value(QStringLiteral("ID")), w.list()->value(0, QStringLiteral("ID")));
        }
        // Back from the editor the grid still finds the saved article.
        QVERIFY(w.positionOn(250));
        QCOMPARE(w.currentRecord().value(QStringLiteral("ID")).toLongLong(), 250LL);
    }

    void draggingArticlesAndGroups()
    {
        TestProgram program;
        writeTree({kRoot, "3:Компютри", "\t12:Лаптопи", "5:Млечни"});
        addGroup(3, QStringLiteral("Компютри"));
        addGroup(12, QStringLiteral("Лаптопи"));
        addGroup(5, QStringLiteral("Млечни"));
        addArticle(1, QStringLiteral("Мишка"), 3);
        addArticle(2, QStringLiteral("Клавиатура"), 3);
        addArticle(3, QStringLiteral("Екран"), 3);
        TForm_Artikuli w;
        open(w);
        click(w, QStringLiteral("3:Компютри"));
        markRows(w, {0, 2});
        QVERIFY(!w.TreeView1DragDrop(node(w.TreeView1, kRoot), false));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QString::fromUtf8(ArticleGroups::InvalidGroup)});
        PlatformScript::answer(true);
        QVERIFY(w.TreeView1DragDrop(node(w.TreeView1, QStringLiteral("5:Млечни")), false));
        QCOMPARE(groupOf(1), 5LL);
        QCOMPARE(groupOf(3), 5LL);
        QCOMPARE(groupOf(2), 3LL);
        QCOMPARE(w.list()->rowCount(), 1);

        // A group dropped into its own subtree is refused; elsewhere it moves.
        PlatformScript::clearEvents();
        QVERIFY(!w.TreeView1DragDrop(node(w.TreeView1, QStringLiteral("12:Лаптопи")), true));
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 0);
        PlatformScript::answer(true);
        QVERIFY(w.TreeView1DragDrop(node(w.TreeView1, QStringLiteral("5:Млечни")), true));
        QCOMPARE(savedTree(), (QStringList{kRoot, "5:Млечни", "\t3:Компютри", "\t\t12:Лаптопи"}));
    }
};

VTEST(ArticleGroupsTest)
VTEST(CatalogueGroupCommands)

#include "test_article_groups.moc"
