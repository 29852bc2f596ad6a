#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "catalogue_test_support.h"

#include "app/app_state.h"
#include "app/form_get_kol.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_projzvodstvo.h"
#include "catalogue/recipes.h"
#include "platform/db/list_model.h"
#include "platform/db/work_tables.h"
#include "platform/script.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace CatalogueTest;

namespace {
// Base article 10 Торта; elements 11 Брашно, 12 Захар, 13 Яйца.
void articles()
{
    addGroup(1, QStringLiteral("Сладкарски"));
    addArticle(10, QStringLiteral("Торта"), 1, 20);
    addArticle(11, QStringLiteral("Брашно"), 1, 2);
    addArticle(12, QStringLiteral("Захар"), 1, 3);
    addArticle(13, QStringLiteral("Яйца"), 1, 0.4);
}

QString work()
{
    return WorkTables::qualified(QStringLiteral("Rezept_TMP"));
}

// "element:quantity" of a stored variant, by element.
QStringList stored(long long variant)
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID_El, Kol_El FROM Rezept_El WHERE ID_R = ? ORDER BY ID_El"),
                                        {variant}))
        out << r.value(0).toString() + QLatin1Char(':') + QString::number(r.value(1).toDouble());
    return out;
}

// "element:mark" of the work rows of a name.
QStringList marks(const QString &name)
{
    QStringList out;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT ID_El, Changed FROM %1 WHERE Name_R = ? ORDER BY ID_El").arg(work()), {name}))
        out << r.value(0).toString() + QLatin1Char(':') + r.value(1).toString();
    return out;
}

void variant(long long id, long long article, const QString &name, double quantity, QList<std::pair<int, double>> els)
{
    Db::execute(QStringLiteral("INSERT INTO Rezept_Art (ID, ID_Art, Kol_Art, Vid_R, Name_R) VALUES (?, ?, ?, 0, ?)"),
                {id, article, quantity, name});
    for (const auto &[el, q] : els)
        Db::execute(QStringLiteral("INSERT INTO Rezept_El (ID_R, ID_El, Kol_El) VALUES (?, ?, ?)"), {id, el, q});
}

ArticlePick::Picked pickOf(QList<long long> ids)
{
    ArticlePick::Picked p;
    for (long long id : ids)
        p.marked << *Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = ?"), {id});
    p.current = p.marked.first();
    return p;
}

QString lastMessage()
{
    const QStringList m = PlatformScript::texts(QStringLiteral("message"));
    return m.isEmpty() ? QString() : m.last();
}
} // namespace

class RecipesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void namesInTextOrder()
    {
        TestProgram program;
        articles();
        variant(1, 10, QStringLiteral("Алфа"), 1, {});
        variant(2, 10, QStringLiteral("Стандарт"), 1, {});
        variant(3, 11, QStringLiteral("Друго"), 1, {});
        QCOMPARE(Recipes::names(10), (QStringList{QStringLiteral("Алфа"), QStringLiteral("Максимум"),
                                                  QStringLiteral("Минимум"), QStringLiteral("Стандарт")}));
        QCOMPARE(Recipes::names(12), (QStringList{QStringLiteral("Максимум"), QStringLiteral("Минимум"),
                                                  QStringLiteral("Стандарт")}));
    }

    void newAndStoredVariant()
    {
        TestProgram program;
        articles();
        variant(5, 11, QStringLiteral("Вариант"), 1, {}); // another article may use the name
        Recipes::emptyWorkTable();
        const QString name = QStringLiteral("Вариант");
        Recipes::addElement(0, name, 11, 2);
        Recipes::addElement(0, name, 12, 1);
        Recipes::addElement(0, QStringLiteral("вариант"), 11, 0.5); // the same variant: the quantity adds up
        QCOMPARE(marks(name), (QStringList{"11:1", "12:1"}));

        Recipes::SaveResult r = Recipes::saveNew(10, 1, 2, name);
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(r.id, 6LL);
        QCOMPARE(stored(6), (QStringList{"11:2.5", "12:1"}));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Vid_R FROM Rezept_Art WHERE ID = 6")).toInt(), 2);
        QCOMPARE(marks(name), (QStringList{"11:0", "12:0"}));
        // The name is stored once per base article, in any case.
        r = Recipes::saveNew(10, 1, 0, QStringLiteral("ВАРИАНТ"));
        QVERIFY(!r.ok);
        QCOMPARE(r.message, QStringLiteral("Операция със име: ВАРИАНТ вече съществува."));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Rezept_Art")), 2LL);

        // Editing the stored variant: marks 2, 1 and 3.
        Recipes::changeQuantity(name, 12, 4);
        Recipes::addElement(6, name, 13, 3);
        Recipes::removeElement(name, 11, true);
        QCOMPARE(marks(name), (QStringList{"11:3", "12:2", "13:1"}));
        SqlListModel shown;
        shown.setQuery(Recipes::shownSql(), {name});
        QCOMPARE(shown.rowCount(), 2); // the removed element is not listed
        r = Recipes::saveStored(6, 10, 10, 2, 1, name);
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(stored(6), (QStringList{"12:4", "13:3"}));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol_Art FROM Rezept_Art WHERE ID = 6")).toDouble(), 2.0);
        QCOMPARE(marks(name), (QStringList{"12:0", "13:0"}));
        // A quantity changed on an element added in this editing keeps it "added".
        Recipes::addElement(6, name, 11, 1);
        Recipes::changeQuantity(name, 11, 7);
        QCOMPARE(marks(name), (QStringList{"11:1", "12:0", "13:0"}));
        Recipes::removeElement(name, 11, true); // never stored: it goes at once
        QCOMPARE(marks(name), (QStringList{"12:0", "13:0"}));
        // Quantities must be numbers above 0.
        QVERIFY(!Recipes::saveStored(6, 10, 10, 0, 1, name).ok);
        Recipes::addElement(6, name, 11, -1);
        QVERIFY(!Recipes::saveStored(6, 10, 10, 1, 1, name).ok);
        QCOMPARE(stored(6), (QStringList{"12:4", "13:3"}));
    }

    void failureHalfWayKeepsTheStoredRecipes()
    {
        TestProgram program;
        articles();
        variant(1, 10, QStringLiteral("Стандарт"), 1, {{11, 1}, {12, 2}});
        Recipes::loadWorkTable(10);
        refuseWrites(QStringLiteral("CREATE TRIGGER Rezept_El_Fail BEFORE INSERT ON Rezept_El WHEN NEW.ID_El = 13 "
                                   "BEGIN SELECT RAISE(ABORT, 'отказано'); END"));
        Recipes::changeQuantity(QStringLiteral("Стандарт"), 12, 9);
        Recipes::addElement(1, QStringLiteral("Стандарт"), 13, 1);
        QVERIFY_THROWS_EXCEPTION(DbError, Recipes::saveStored(1, 10, 10, 5, 0, QStringLiteral("Стандарт")));
        QCOMPARE(stored(1), (QStringList{"11:1", "12:2"}));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol_Art FROM Rezept_Art WHERE ID = 1")).toDouble(), 1.0);
        QCOMPARE(marks(QStringLiteral("Стандарт")), (QStringList{"11:0", "12:2", "13:1"}));
        // A new variant that fails leaves no variant row either.
        Recipes::addElement(0, QStringLiteral("Нова"), 13, 1);
        QVERIFY_THROWS_EXCEPTION(DbError, Recipes::saveNew(10, 1, 0, QStringLiteral("Нова")));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Rezept_Art")), 1LL);
    }

    void exactNamesAndUniqueKeys()
    {
        TestProgram program;
        articles();
        variant(1, 10, QStringLiteral("Стандарт"), 1, {{11, 1}});
        variant(2, 10, QStringLiteral("Стандарт 2"), 1, {{12, 1}});
        Recipes::loadWorkTable(10);
        const auto standard = Recipes::saleElements(QStringLiteral("стандарт"));
        QCOMPARE(standard.size(), 1);
        QCOMPARE(standard.first().article, 11LL);
        QCOMPARE(Recipes::saleElements(QStringLiteral("Стандарт 2")).first().article, 12LL);
        QCOMPARE(Recipes::find(10, QStringLiteral("СТАНДАРТ"))->id, 1LL);
        QVERIFY(!Recipes::find(11, QStringLiteral("Стандарт")));
        // A used number and a second row of one element are refused.
        QVERIFY_THROWS_EXCEPTION(DbError, variant(1, 12, QStringLiteral("Друга"), 1, {}));
        QVERIFY_THROWS_EXCEPTION(
            DbError, Db::execute(QStringLiteral("INSERT INTO Rezept_El (ID_R, ID_El, Kol_El) VALUES (1, 11, 5)")));
    }

    void windowComposesAndSaves()
    {
        TestProgram program;
        articles();
        variant(1, 10, QStringLiteral("Стандарт"), 1, {{11, 1}});
        PromptMode = 0;
        TForm_Projzvodstvo *w = recipeWindow();
        w->FormShow();
        QCOMPARE(w->Label_Osn_Art->text(), QStringLiteral("0:Няма избран артикул"));
        QVERIFY(!w->Button_Add->isEnabled());
        QVERIFY(!w->Button_Priem->isVisibleTo(w));
        QCOMPARE(w->kind(), -1);
        w->BitBtn_SaveClick();
        QCOMPARE(lastMessage(), QStringLiteral("Не е избран вид на операцията"));

        // Mode 12: the base article and its names; the stored "Стандарт" is shown.
        QVERIFY(ArticlePick::deliver(12, pickOf({10})));
        QCOMPARE(w->Label_Osn_Art->text(), QStringLiteral("10:Торта"));
        QCOMPARE(w->ComboBox_Name->currentText(), QStringLiteral("Максимум"));
        w->ComboBox_Name->setCurrentText(QStringLiteral("Стандарт"));
        w->ComboBox_NameChange();
        QCOMPARE(w->elements()->rowCount(), 1);
        QVERIFY(w->BitBtn_OnRedaktion->isVisibleTo(w));
        QCOMPARE(w->Label_Oper_ID->text(), QStringLiteral("1"));

        // A new variant: kind, then elements through mode 13 with their quantities.
        w->ComboBox_Name->setCurrentText(QStringLiteral("Нова"));
        w->ComboBox_NameChange();
        QCOMPARE(w->elements()->rowCount(), 0);
        w->RadioGroup1Buttons->button(2)->click();
        QVERIFY(w->Button_Add->isEnabled());
        QCOMPARE(w->Label_Oper_ID->text(), QStringLiteral("2"));
        QCOMPARE(w->windowTitle(), QStringLiteral("ОПЕРАЦИЯ - Пройзводство"));
        QStringList answers{QStringLiteral("2"), QStringLiteral("0,5")};
        PlatformScript::setModalHandler([&answers](QDialog *d) {
            auto *prompt = qobject_cast<TForm_Get_Kol *>(d);
            if (!prompt || answers.isEmpty())
                return int(TForm_Get_Kol::ResultCancel);
            prompt->Edit_Kol->setText(answers.takeFirst());
            return TForm_Get_Kol::ResultOk;
        });
        QVERIFY(ArticlePick::deliver(13, pickOf({12, 13})));
        QCOMPARE(w->elements()->rowCount(), 2);
        w->Edit_Kol_Art->setText(QStringLiteral("4"));
        w->BitBtn_SaveClick();
        QCOMPARE(stored(2), (QStringList{"12:2", "13:0.5"}));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol_Art FROM Rezept_Art WHERE ID = 2")).toDouble(), 4.0);
        QCOMPARE(w->editingState(), 1);
        QVERIFY(w->ComboBox_Name->findText(QStringLiteral("Нова")) >= 0);

        // In the editing state a quantity changes and an element goes; the save stores both.
        answers = {QStringLiteral("6")};
        w->DBGrid2->selectRow(0);
        w->Button_EditClick();
        w->DBGrid2->selectRow(1);
        w->Button_DeleteClick();
        w->RadioGroup1Buttons->button(1)->click();
        QCOMPARE(w->Label_Oper_ID->text(), QStringLiteral("2")); // the edited variant's number stays
        w->BitBtn_SaveClick();
        QCOMPARE(stored(2), (QStringList{"12:6"}));
        QCOMPARE(w->editingState(), 0);

        // A name the article has: asked before anything is written; Yes edits the stored variant.
        w->ComboBox_Name->setCurrentText(QStringLiteral("нова"));
        w->RadioGroup1Buttons->button(0)->click();
        PlatformScript::answer(false);
        w->BitBtn_SaveClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).last(),
                 QStringLiteral("Операция със име:нова вече съществува.\n Желаете ли редакция?"));
        QCOMPARE(w->editingState(), 0);
        PlatformScript::answer(true);
        w->BitBtn_SaveClick();
        QCOMPARE(w->editingState(), 1);
        QCOMPARE(w->Label_Oper_ID->text(), QStringLiteral("2"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Rezept_Art")), 2LL);

        // Closing drops the work table.
        w->FormClose();
        QVERIFY(!Db::tableExists(QStringLiteral("Rezept_TMP")));
        QCOMPARE(workTableExists(QStringLiteral("Rezept_TMP")), false);
        PlatformScript::setModalHandler({});
    }
};

VTEST(RecipesTest)
#include "test_recipes.moc"
