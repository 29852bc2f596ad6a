#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "catalogue_data.h"
#include "app/app_state.h"
#include "app/form_koloni.h"
#include "offers/form_oferti.h"
#include "platform/db/paged_list_model.h"
#include "platform/script.h"
#include "shell/test_main_window_support.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>

namespace {
void catalogue()
{
    addSupplier(1, QStringLiteral("Алфа"), QStringLiteral("www.alfa.bg"));
    addSupplier(2, QStringLiteral("Бета"), QStringLiteral("www.beta.bg"));
    addGroup(1, 1, QStringLiteral("Мляко"));
    addGroup(1, 3, QStringLiteral("Сирена"));
    addGroup(2, 1, QStringLiteral("Напитки"));
    addGroup(2, 3, QStringLiteral("Разни"));
    addArticles(1, 1, {{QStringLiteral("МЛЯКО 1Л"), 2.5}, {QStringLiteral("Прясно Мляко"), 2.4},
                       {QStringLiteral("Айран"), 1.1}});
    addArticles(1, 3, {{QStringLiteral("Сирене"), 9.9}, {QStringLiteral("Кашкавал"), 14}});
    addArticles(2, 1, {{QStringLiteral("Вода"), 1.1}, {QStringLiteral("Бира"), 2.5}});
    addArticles(2, 3, {{QStringLiteral("Кафе"), 14}});
    writeTree({QStringLiteral("1:Алфа"), QStringLiteral("\t1:Мляко"), QStringLiteral("\t3:Сирена"),
               QStringLiteral("2:Бета"), QStringLiteral("\t1:Напитки"), QStringLiteral("\t3:Разни")});
}

QTreeWidgetItem *node(const TForm_Oferti &w, const QString &text)
{
    for (QTreeWidgetItemIterator it(w.TreeView1); *it; ++it)
        if ((*it)->text(0) == text)
            return *it;
    return nullptr;
}

void click(TForm_Oferti &w, const QString &text)
{
    w.TreeView1->setCurrentItem(node(w, text));
    w.TreeView1Click();
}

QStringList column(const TForm_Oferti &w, const QString &field)
{
    QStringList out;
    for (int r = 0; r < w.artList()->rowCount(); ++r)
        out << w.artList()->value(r, field).toString();
    return out;
}

void search(TForm_Oferti &w, const QString &text)
{
    w.Edit_Search->setText(text);
    w.Button_SearchClick();
}

// Hooks are program-wide: every test leaves them unset.
struct HookReset {
    ~HookReset()
    {
        TForm_Oferti::setShowHook({});
        TForm_Oferti::setCloseHook({});
        TForm_Oferti::setImportHooks({}, {});
        TForm_Oferti::setAddHook({});
    }
};
} // namespace

class OffersWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        SortDirection = 0;
        TForm_Oferti::setImportHooks({}, {}); // a main window of an earlier test set them
    }

    void opensFromHiddenOnlyAndKeepsExclusions()
    {
        TestProgram program;
        HookReset reset;
        QFile::remove(SupplierCatalogue::treeFilePath());
        int shows = 0;
        int closes = 0;
        TForm_Oferti::setShowHook([&](TForm_Oferti &) { ++shows; });
        TForm_Oferti::setCloseHook([&](TForm_Oferti &) { ++closes; });
        TForm_Oferti w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Оферти"));
        TForm_Oferti::open(&w);
        QVERIFY(QFile::exists(SupplierCatalogue::treeFilePath())); // made empty when missing
        QCOMPARE(w.TreeView1->topLevelItemCount(), 0);
        w.close();

        catalogue();
        TForm_Oferti::open(&w);
        QCOMPARE(shows, 2);
        QCOMPARE(closes, 1);
        QCOMPARE(w.TreeView1->topLevelItemCount(), 2);
        click(w, QStringLiteral("2:Бета"));
        QCOMPARE(TForm_Oferti::nodeImage(node(w, QStringLiteral("2:Бета"))), 1);
        QCOMPARE(w.searchSuppliers(), QList<long long>{1});

        // Another workstation's supplier arrives in the file meanwhile.
        writeTree(savedTree() + QStringList{QStringLiteral("3:Гама"), QStringLiteral("\t1:Чай")});
        const QByteArray file = [] {
            QFile f(SupplierCatalogue::treeFilePath());
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        w.showMinimized();
        QVERIFY(w.isMinimized());
        w.showNormal(); // a restore by the desktop
        TForm_Oferti::open(&w); // the menu raising the open window
        w.showMinimized();
        TForm_Oferti::open(&w); // the menu restoring it
        QVERIFY(!w.isMinimized());
        QCOMPARE(shows, 2);
        QCOMPARE(w.TreeView1->topLevelItemCount(), 2);
        QCOMPARE(TForm_Oferti::nodeImage(node(w, QStringLiteral("2:Бета"))), 1);

        // The close writes no tree; the next opening reads it afresh.
        w.close();
        QCOMPARE(closes, 2);
        QFile f(SupplierCatalogue::treeFilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), file);
        TForm_Oferti::open(&w);
        QCOMPARE(shows, 3);
        QCOMPARE(w.TreeView1->topLevelItemCount(), 3);
        QCOMPARE(TForm_Oferti::nodeImage(node(w, QStringLiteral("2:Бета"))), 0);
    }

    void ctrlClickOpensTheLinkOfTheSupplierUnderThePointer()
    {
        TestProgram program;
        catalogue();
        TForm_Oferti w;
        TForm_Oferti::open(&w);
        w.TreeView1->expandAll();
        w.TreeView1->setCurrentItem(node(w, QStringLiteral("1:Алфа")));
        auto ctrlClick = [&](const QString &text) {
            const QRect rect = w.TreeView1->visualItemRect(node(w, text));
            QTest::mouseClick(w.TreeView1->viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
        };
        ctrlClick(QStringLiteral("3:Разни"));
        QCOMPARE(PlatformScript::texts(QStringLiteral("openUrl.shell")), QStringList{QStringLiteral("http://www.beta.bg")});

        const struct {
            QString link;
            QString message;
        } refused[] = {
            {QString(), QStringLiteral("Не е посочен линк за фирма: 2:Бета")},
            {QStringLiteral("smb://h/x"), QStringLiteral("Линкът не може да бъде отворен: smb://h/x")},
            {QStringLiteral("/bin/sh"), QStringLiteral("Линкът не може да бъде отворен: /bin/sh")},
        };
        for (const auto &r : refused) {
            PlatformScript::clearEvents();
            Db::execute(QStringLiteral("UPDATE Firm_CL SET Link = ? WHERE ID = 2"), {r.link});
            ctrlClick(QStringLiteral("1:Напитки"));
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{r.message});
            QVERIFY(PlatformScript::texts(QStringLiteral("openUrl.shell")).isEmpty());
            QVERIFY(PlatformScript::texts(QStringLiteral("openFile.shell")).isEmpty());
        }
    }

    void groupClicksListAndSearchesTakeTheSuppliersThatTakePart()
    {
        TestProgram program;
        catalogue();
        TForm_Oferti w;
        TForm_Oferti::open(&w);
        click(w, QStringLiteral("1:Мляко"));
        QCOMPARE(w.Label_Count->text(), QStringLiteral("3"));
        QCOMPARE(w.DBGrid_Art->model()->columnCount(), 9);
        QCOMPARE(w.DBGrid_Art->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Доставчик"));
        QCOMPARE(column(w, QStringLiteral("Grupa")).first(), QStringLiteral("Мляко"));
        QCOMPARE(w.summary().minText, QStringLiteral("1.1000"));
        QCOMPARE(w.summary().maxText, QStringLiteral("2.5000"));

        // Criterion 2 with 3: group 3 of every supplier taking part.
        w.SpdBtn_Select_Search_KriteriaClick();
        QVERIFY(w.ListBox_Search_Kriterii->isVisible());
        w.ListBox_Search_Kriterii->setCurrentRow(2);
        QTest::keyClick(w.ListBox_Search_Kriterii, Qt::Key_Return);
        QVERIFY(!w.ListBox_Search_Kriterii->isVisible());
        QCOMPARE(w.SearchCriterion, 2);
        QCOMPARE(w.Label_Search_Kriteria->text(), QStringLiteral("Номер група"));
        search(w, QStringLiteral("3"));
        QCOMPARE(column(w, QStringLiteral("Opisanie")),
                 (QStringList{QStringLiteral("Сирене"), QStringLiteral("Кашкавал"), QStringLiteral("Кафе")}));
        // Escape leaves the criterion as it was.
        w.SpdBtn_Select_Search_KriteriaClick();
        w.ListBox_Search_Kriterii->setCurrentRow(7);
        QTest::keyClick(w.ListBox_Search_Kriterii, Qt::Key_Escape);
        QCOMPARE(w.SearchCriterion, 2);

        // Clicking a supplier leaves it out of searches.
        click(w, QStringLiteral("2:Бета"));
        QCOMPARE(w.Label_Count->text(), QStringLiteral("0"));
        search(w, QStringLiteral("3"));
        QCOMPARE(w.Label_Count->text(), QStringLiteral("2"));
        QCOMPARE(w.Edit_Search->text(), QStringLiteral("3"));

        PlatformScript::clearEvents();
        search(w, QStringLiteral("abc"));
        QCOMPARE(w.Label_Count->text(), QStringLiteral("0"));
        QCOMPARE(w.artList()->rowCount(), 0);
        click(w, QStringLiteral("1:Алфа"));
        search(w, QStringLiteral("3"));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 (QStringList{QStringLiteral("Некоректни данни за търсене"), QStringLiteral("Няма доставчици за търсене")}));
        QCOMPARE(w.artList()->rowCount(), 0);
        QCOMPARE(w.Label_Count->text(), QStringLiteral("0"));
    }

    void titleClickAndCombinedSorts()
    {
        TestProgram program;
        catalogue();
        TForm_Oferti w;
        TForm_Oferti::open(&w);
        search(w, QString()); // every article
        QCOMPARE(w.Label_Count->text(), QStringLiteral("8"));
        QStringList names = column(w, QStringLiteral("Opisanie"));

        w.DBGrid_ArtTitleClick(1); // "Описание"
        QCOMPARE(SortDirection, 1);
        std::sort(names.begin(), names.end(), std::greater<QString>());
        QCOMPARE(column(w, QStringLiteral("Opisanie")), names);

        // "Цена 1", then "Описание", then "Подреди": by both, the direction on the last.
        w.CheckBox2->click();
        w.CheckBox1->click();
        QCOMPARE(w.sortList(), (QStringList{QStringLiteral("Cena_1"), QStringLiteral("Opisanie")}));
        w.SpdBtn_Multi_Sort->click();
        QCOMPARE(SortDirection, 0);
        const QStringList byPriceThenName{QStringLiteral("Айран"), QStringLiteral("Вода"), QStringLiteral("Прясно Мляко"),
                                          QStringLiteral("Бира"), QStringLiteral("МЛЯКО 1Л"), QStringLiteral("Сирене"),
                                          QStringLiteral("Кафе"), QStringLiteral("Кашкавал")};
        QCOMPARE(column(w, QStringLiteral("Opisanie")), byPriceThenName);
        QVERIFY(!w.CheckBox1->isChecked() && !w.CheckBox2->isChecked());
        QVERIFY(w.sortList().isEmpty());
        w.CheckBox2->click();
        w.CheckBox1->click();
        w.SpdBtn_Multi_Sort->click();
        QCOMPARE(column(w, QStringLiteral("Opisanie")),
                 (QStringList{QStringLiteral("Вода"), QStringLiteral("Айран"), QStringLiteral("Прясно Мляко"),
                              QStringLiteral("МЛЯКО 1Л"), QStringLiteral("Бира"), QStringLiteral("Сирене"),
                              QStringLiteral("Кашкавал"), QStringLiteral("Кафе")}));
        // With no box ticked only the direction changes.
        w.SpdBtn_Multi_Sort->click();
        QCOMPARE(SortDirection, 0);
        QCOMPARE(column(w, QStringLiteral("Opisanie")).first(), QStringLiteral("Вода"));

        // A title click empties the list; the boxes keep their ticks.
        w.CheckBox3->click();
        w.DBGrid_ArtTitleClick(7); // "Доставчик", descending now
        QVERIFY(w.sortList().isEmpty());
        QVERIFY(w.CheckBox3->isChecked());
        QCOMPARE(column(w, QStringLiteral("Firma")).first(), QStringLiteral("Бета"));
        QCOMPARE(column(w, QStringLiteral("Firma")).last(), QStringLiteral("Алфа"));

        // Every row at the lowest price red, at the highest blue.
        for (int r = 0; r < w.artList()->rowCount(); ++r)
            if (w.artList()->value(r, QStringLiteral("Cena_1")).toDouble() == 1.1)
                QCOMPARE(w.DBGrid_ArtDrawColumnCell(r), CatalogueSearch::PriceMark::Lowest);
            else if (w.artList()->value(r, QStringLiteral("Cena_1")).toDouble() == 14)
                QCOMPARE(w.DBGrid_ArtDrawColumnCell(r), CatalogueSearch::PriceMark::Highest);
            else
                QCOMPARE(w.DBGrid_ArtDrawColumnCell(r), CatalogueSearch::PriceMark::Plain);
    }

    // A new order, or a new search, starts at its first row, as the
    // catalogue's does: not where the scroll bar left the old one. Nothing
    // is marked for the offer by it.
    void aNewOrderStartsAtItsFirstRow()
    {
        TestProgram program;
        addSupplier(1, QStringLiteral("Алфа"));
        addGroup(1, 1, QStringLiteral("Железария"));
        addArticles(1, 1, generated(QStringLiteral("Гайка"), 3000));
        writeTree({QStringLiteral("1:Алфа"), QStringLiteral("\t1:Железария")});
        TForm_Oferti w;
        TForm_Oferti::open(&w);
        w.resize(900, 600);
        search(w, QStringLiteral("гайка"));
        QCOMPARE(w.artList()->rowCount(), 3000);
        QScrollBar *bar = w.DBGrid_Art->verticalScrollBar();
        for (int step = 0; step < 3; ++step) {
            bar->setValue(bar->maximum() / 2);
            QVERIFY(w.DBGrid_Art->rowAt(0) > 0);
            if (step < 2)
                w.DBGrid_ArtTitleClick(1 + step); // "Описание", "Цена 1"
            else
                search(w, QStringLiteral("гайка"));
            QCOMPARE(w.DBGrid_Art->rowAt(0), 0);
            QVERIFY(w.markedRecords().isEmpty());
        }
    }

    void ctrlAMarksTheWholeResult()
    {
        TestProgram program;
        HookReset reset;
        addSupplier(1, QStringLiteral("Алфа"));
        addGroup(1, 1, QStringLiteral("Железария"));
        addArticles(1, 1, generated(QStringLiteral("Гайка"), 1500));
        addArticles(1, 1, namesakes(QStringLiteral("Болт М"), 1000, 9, 0.35));
        addArticles(1, 1, generated(QStringLiteral("Шайба"), 1500));
        writeTree({QStringLiteral("1:Алфа"), QStringLiteral("\t1:Железария")});
        QList<QSqlRecord> added;
        TForm_Oferti::setAddHook([&](TForm_Oferti &f) { added = f.markedRecords(); });

        TForm_Oferti w;
        TForm_Oferti::open(&w);
        search(w, QStringLiteral("болт"));
        QCOMPARE(w.Label_Count->text(), QStringLiteral("1000"));
        w.DBGrid_ArtTitleClick(2); // "Цена 1": every price equal
        QTest::keyClick(w.DBGrid_Art, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(w.artList()->statementsRun() <= 2); // the grid read what it shows, not the result
        const QList<QSqlRecord> marked = w.markedRecords();
        QCOMPARE(marked.size(), 1000);
        QSet<long long> ids;
        for (const QSqlRecord &r : marked) {
            QVERIFY(r.value(QStringLiteral("Opisanie")).toString().startsWith(QStringLiteral("Болт")));
            ids.insert(r.value(QStringLiteral("ID")).toLongLong());
        }
        QCOMPARE(ids.size(), 1000);
        emit w.DBGrid_Art->doubleClicked(w.artList()->index(0, 0));
        QCOMPARE(added.size(), 1000);
    }

    void deletesAskAndKeepOtherWorkstationsSuppliers()
    {
        TestProgram program;
        catalogue();
        TForm_Oferti w;
        TForm_Oferti::open(&w);
        click(w, QStringLiteral("2:Бета")); // left out of searches
        click(w, QStringLiteral("3:Сирена"));
        QCOMPARE(w.Label_Count->text(), QStringLiteral("2"));
        addSupplier(3, QStringLiteral("Гама"));
        addGroup(3, 1, QStringLiteral("Чай"));
        writeTree(savedTree() + QStringList{QStringLiteral("3:Гама"), QStringLiteral("\t1:Чай")});

        w.TreeView1->setCurrentItem(node(w, QStringLiteral("3:Сирена")));
        PlatformScript::answer(false);
        w.N_Delete_SelectedClick();
        QCOMPARE(rowCount(QStringLiteral("Art_CL")), 8LL);
        PlatformScript::answer(true);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.TreeView1, Qt::Key_Delete);
        QCOMPARE(rowCount(QStringLiteral("Art_CL")), 6LL);
        QCOMPARE(w.Label_Count->text(), QStringLiteral("0")); // the list shown is read again
        QCOMPARE(savedTree(), (QStringList{QStringLiteral("1:Алфа"), QStringLiteral("\t1:Мляко"),
                                           QStringLiteral("2:Бета"), QStringLiteral("\t1:Напитки"),
                                           QStringLiteral("\t3:Разни"), QStringLiteral("3:Гама"),
                                           QStringLiteral("\t1:Чай")}));
        QCOMPARE(w.TreeView1->topLevelItemCount(), 3);
        QCOMPARE(TForm_Oferti::nodeImage(node(w, QStringLiteral("2:Бета"))), 1);

        // A read-only tree file: nothing goes, and the user is told.
        PlatformScript::clearEvents();
        QFile::setPermissions(SupplierCatalogue::treeFilePath(), QFileDevice::ReadOwner);
        w.TreeView1->setCurrentItem(node(w, QStringLiteral("2:Бета")));
        PlatformScript::answer(true);
        w.N_Delete_SelectedClick();
        QCOMPARE(rowCount(QStringLiteral("Art_CL")), 6LL);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).first().startsWith(QStringLiteral("Нищо не беше")));
        QFile::setPermissions(SupplierCatalogue::treeFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        PlatformScript::clearEvents();
        w.TreeView1->setCurrentItem(nullptr);
        w.N_Delete_SelectedClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Необходимо е да изберете Фирма за актуализацията")});
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());

        PlatformScript::answer(true);
        w.N_Delete_AllClick();
        QCOMPARE(rowCount(QStringLiteral("Art_CL")) + rowCount(QStringLiteral("Firm_CL")), 0LL);
        QCOMPARE(w.TreeView1->topLevelItemCount(), 0);
        QVERIFY(savedTree().isEmpty());
    }

    void mainMenuOpensOneWindow()
    {
        TestProgram program;
        auto form = shelltest::startedWindow();
        QVERIFY(form);
        QAction *item = form->action(QStringLiteral("N_Oferti"));
        QVERIFY(item->isEnabled());
        QVERIFY(form->SpdBtn_Oferti->isEnabled());
        item->trigger();
        QPointer<TForm_Oferti> first = Form_Oferti;
        QVERIFY(first && first->isVisible());
        first->showMinimized();
        form->SpdBtn_Oferti->click(); // the toolbar shares the item

        QCOMPARE(Form_Oferti.data(), first.data());
        QVERIFY(!first->isMinimized());
        QCOMPARE(form->findChildren<TForm_Oferti *>().size(), 1);
    }

    void menusAndDeactivation()
    {
        TestProgram program;
        HookReset reset;
        catalogue();
        TForm_Oferti w;
        QVERIFY(!w.N_Import_CL->isEnabled() && !w.N_Actualizacia->isEnabled());
        int imports = 0;
        TForm_Oferti::setImportHooks([&](TForm_Oferti &) { ++imports; }, [&](TForm_Oferti &) { imports += 10; });
        QVERIFY(w.N_Import_CL->isEnabled() && w.N_Actualizacia->isEnabled());
        w.N_Import_CL->trigger();
        w.N_Actualizacia->trigger();
        QCOMPARE(imports, 11);
        QCOMPARE(w.N_Actualizacia->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Insert));
        QCOMPARE(w.N_Delete_All->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));

        TForm_Oferti::open(&w);
        // Not while the column chooser it opened is up.
        bool minimisedMeanwhile = true;
        PlatformScript::setModalHandler([&](QDialog *) {
            w.FormDeactivate();
            minimisedMeanwhile = w.isMinimized();
            return int(QDialog::Rejected);
        });
        w.N1->trigger();
        PlatformScript::setModalHandler({});
        QVERIFY(!minimisedMeanwhile);
        QVERIFY(!w.isMinimized());
        w.FormDeactivate();
        QVERIFY(w.isMinimized());

        // With nothing running the cancel button leaves no stop behind.
        w.BitBtn_Sel_Cancel->click();
        QCOMPARE(w.cancelTag(), 0);
    }
};
VTEST(OffersWindowTest)

#include "test_form_oferti.moc"
