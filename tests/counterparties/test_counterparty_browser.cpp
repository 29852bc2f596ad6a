#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "counterparties/counterparty_editor.h"
#include "counterparties/counterparty_list.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/counterparty_record.h"
#include "counterparties/counterparty_search.h"
#include "counterparties/form_klienti.h"
#include "counterparties/form_kontrakents.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/script.h"
#include "app/app_state.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <functional>

namespace {
long long addCounterparty(const QString &name, double discount = 0, long long group = 0,
                          const QString &note = {})
{
    CounterpartyFields f;
    f.Ime_Firma = name;
    f.Ime_Klient = name;
    f.T_O = discount;
    f.Zabel = note;
    return CounterpartyRecord::insertPair(f, group).id;
}

template <class List>
QStringList names(const List &list)
{
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.value(r, QStringLiteral("Ime_Firma")).toString();
    return out;
}

// The names a search statement finds.
QStringList found(int column, int comparison, const QString &from, const QString &to = {})
{
    const auto q = CounterpartySearch::search(column, comparison, from, to);
    if (!q)
        return {QStringLiteral("<refused>")};
    SqlListModel list;
    list.setQuery(q->sql(), q->params);
    QStringList out = names(list);
    out.sort();
    return out;
}

// Opens the browser as the main window does and drives it while it is shown.
int runBrowser(const std::function<void(TForm_Kontrakents *)> &steps)
{
    driveWindows<TForm_Kontrakents>(steps);
    TForm_Kontrakents::N_KlientiClick(nullptr);
    PlatformScript::setModalHandler({});
    return Form_Kontrakents->result();
}

void type(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    Q_EMIT edit->textEdited(text);
}
} // namespace

class CounterpartySearchStatements : public QObject
{
    Q_OBJECT
private slots:
    void textColumnsFindCyrillicCaseInsensitively()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Алфа ООД"));
        addCounterparty(QStringLiteral("БЕТА ЕТ"));
        addCounterparty(QStringLiteral("Зелено алфабет"));
        QCOMPARE(found(1, 0, QStringLiteral("АЛФ")), (QStringList{QStringLiteral("Алфа ООД"), QStringLiteral("Зелено алфабет")}));
        QCOMPARE(found(1, 0, QStringLiteral("бета")), QStringList{QStringLiteral("БЕТА ЕТ")});
        // The comparison combo plays no part in a text search.
        QCOMPARE(found(1, CounterpartySearch::Between, QStringLiteral("ет"), QStringLiteral("x")).size(), 2);
    }

    void wildcardsAndQuotesAreSearchedLiterally()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("50% отстъпка"));
        addCounterparty(QStringLiteral("500 грама"));
        addCounterparty(QStringLiteral("А_Б"));
        addCounterparty(QStringLiteral("АВБ"));
        addCounterparty(QStringLiteral("Фирма \"Изток\""));
        addCounterparty(QStringLiteral("Back\\slash"));
        QCOMPARE(found(1, 0, QStringLiteral("0%")), QStringList{QStringLiteral("50% отстъпка")});
        QCOMPARE(found(1, 0, QStringLiteral("а_б")), QStringList{QStringLiteral("А_Б")});
        QCOMPARE(found(1, 0, QStringLiteral("\"изток\"")), QStringList{QStringLiteral("Фирма \"Изток\"")});
        QCOMPARE(found(1, 0, QStringLiteral("k\\s")), QStringList{QStringLiteral("Back\\slash")});
    }

    void numberColumnsCompareAndRanges()
    {
        TestProgram program;
        for (int i = 1; i <= 5; ++i)
            addCounterparty(QStringLiteral("Ф%1").arg(i), i * 1.5);
        using S = CounterpartySearch::Comparison;
        QCOMPARE(found(0, S::Equal, QStringLiteral("3")), QStringList{QStringLiteral("Ф3")});
        QCOMPARE(found(0, S::AtMost, QStringLiteral("2")), (QStringList{QStringLiteral("Ф1"), QStringLiteral("Ф2")}));
        QCOMPARE(found(0, S::AtLeast, QStringLiteral(" 4 ")), (QStringList{QStringLiteral("Ф4"), QStringLiteral("Ф5")}));
        QCOMPARE(found(0, S::Between, QStringLiteral("2"), QStringLiteral("4")),
                 (QStringList{QStringLiteral("Ф2"), QStringLiteral("Ф3"), QStringLiteral("Ф4")}));
        // T_O with a comma as the separator.
        QCOMPARE(found(10, S::Between, QStringLiteral("2,9"), QStringLiteral("6")),
                 (QStringList{QStringLiteral("Ф2"), QStringLiteral("Ф3"), QStringLiteral("Ф4")}));
        QCOMPARE(found(10, S::Equal, QStringLiteral("4.5")), QStringList{QStringLiteral("Ф3")});
    }

    void aNumberColumnRefusesAText()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Ф"));
        QString message;
        for (const auto &[from, to, comparison] :
             {std::tuple{QStringLiteral("abc"), QString(), 0}, std::tuple{QString(), QString(), 0},
              std::tuple{QStringLiteral("1\" OR \"1\"=\"1"), QString(), 0},
              std::tuple{QStringLiteral("1"), QStringLiteral("две"), 3}, std::tuple{QStringLiteral("1"), QString(), 3}}) {
            message.clear();
            QVERIFY(!CounterpartySearch::search(0, comparison, from, to, &message));
            QCOMPARE(message, QStringLiteral("Некоректен критерии за търсене!"));
            QVERIFY(!CounterpartySearch::search(10, comparison, from, to));
        }
        QVERIFY(!CounterpartySearch::search(11, 0, QStringLiteral("1"), {}));
        QVERIFY(!CounterpartySearch::search(-1, 0, QStringLiteral("1"), {}));
    }

    void groupListsOnlyTheNodesOwnGroup()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Б"), 0, 2);
        addCounterparty(QStringLiteral("А"), 0, 2);
        addCounterparty(QStringLiteral("В"), 0, 3);
        addCounterparty(QStringLiteral("Г"), 0, 0);
        SqlListModel list;
        auto q = CounterpartySearch::groupList(QStringLiteral("2:Доставчици"));
        list.setQuery(q.sql(), q.params);
        QCOMPARE(names(list), (QStringList{QStringLiteral("А"), QStringLiteral("Б")}));
        q = CounterpartySearch::groupList(QStringLiteral("0:Всички контрагенти"));
        list.setQuery(q.sql(), q.params);
        QCOMPARE(names(list), (QStringList{QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В"),
                                           QStringLiteral("Г")}));
    }
};
VTEST(CounterpartySearchStatements)

class CounterpartyBrowserWindow : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete Form_Kontrakents;
        CounterpartyPickMode = -1;
    }

    void gridShowsElevenColumnsAndKeepsTheRestReadable()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Алфа"), 2, 0, QStringLiteral("бележка"));
        TForm_Kontrakents w;
        w.FormShow();
        w.FormShow();
        QCOMPARE(w.ComboBox_Kriteria_Kontrag->count(), 11); // however often it is shown
        QCOMPARE(w.list()->columnCount(), 11);
        QCOMPARE(w.list()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("ЗДДС N"));
        QCOMPARE(w.list()->data(w.list()->index(0, 1)).toString(), QStringLiteral("Алфа"));
        QCOMPARE(w.currentRecord().value(QStringLiteral("Zabel")).toString(), QStringLiteral("бележка"));
        QCOMPARE(w.TreeView_Kontrag->topLevelItemCount(), 1);
        QCOMPARE(w.TreeView_Kontrag->currentItem()->text(0), QStringLiteral("0:Всички контрагенти"));
        QVERIFY(!w.Panel_IZberi->isVisibleTo(&w));
        QVERIFY(!w.N_Vnoski->isEnabled());
        QVERIFY(!w.N_Dlajnici->isEnabled());
    }

    void criterionFollowsTheClickedColumn()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Алфа"));
        TForm_Kontrakents w;
        w.FormShow();
        w.show();
        w.DBGrid_KontragentiCellClick(1);
        QCOMPARE(w.Label_Search_Kriteria->text(), QStringLiteral("Търсене по: Наименование"));
        QVERIFY(!w.ComboBox1->isEnabled());
        QCOMPARE(w.list()->headerData(1, Qt::Horizontal, Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
        QVERIFY(!w.list()->headerData(0, Qt::Horizontal, Qt::BackgroundRole).isValid());

        w.ComboBox_Kriteria_Kontrag->setCurrentIndex(10);
        w.Edit_Ot->setText(QStringLiteral("старо"));
        w.ComboBox_Kriteria_KontragChange();
        QCOMPARE(w.selectedColumn(), 10);
        QVERIFY(w.Edit_Ot->text().isEmpty());
        QVERIFY(w.ComboBox1->isEnabled());
        QCOMPARE(w.Edit_Ot->width(), 121);
        QVERIFY(!w.Edit_Do->isVisible());

        w.ComboBox1->setCurrentIndex(3);
        w.ComboBox1Change();
        QVERIFY(w.Edit_Do->isVisible());
        QVERIFY(w.Label_Do->isVisible());
        w.ComboBox1->setCurrentIndex(1);
        w.ComboBox1Change();
        QVERIFY(!w.Edit_Do->isVisible());
        QCOMPARE(w.Edit_Ot->width(), 265);
    }

    void searchListsMatchesOrTheWholeRegisterOnASingleOne()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Вега"));
        const long long alfa = addCounterparty(QStringLiteral("Алфа"));
        addCounterparty(QStringLiteral("Алфабет"));
        addCounterparty(QStringLiteral("Бета"));
        TForm_Kontrakents w;
        w.FormShow();
        w.DBGrid_KontragentiCellClick(1);

        w.Edit_Ot->setText(QStringLiteral("алфа"));
        w.BitBtn_Tarsi_KontragentiClick();
        QCOMPARE(w.list()->rowCount(), 2);

        w.Edit_Ot->setText(QStringLiteral("лфаб"));
        w.BitBtn_Tarsi_KontragentiClick();
        QCOMPARE(w.list()->rowCount(), 4); // one match: everybody, positioned on it
        QCOMPARE(w.currentRecord().value(QStringLiteral("Ime_Firma")).toString(), QStringLiteral("Алфабет"));

        w.DBGrid_KontragentiCellClick(0);
        w.Edit_Ot->setText(QString::number(alfa));
        w.BitBtn_Tarsi_KontragentiClick();
        QCOMPARE(w.currentRecord().value(QStringLiteral("ID")).toLongLong(), alfa);

        // A text on a number column runs nothing and keeps the list.
        const QString before = w.list()->sql();
        w.Edit_Ot->setText(QStringLiteral("x"));
        w.BitBtn_Tarsi_KontragentiClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Некоректен критерии за търсене!")});
        QCOMPARE(w.list()->sql(), before);
        QCOMPARE(w.list()->rowCount(), 4);
    }

    void titleClickSortsBothWays()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Б"));
        addCounterparty(QStringLiteral("А"));
        addCounterparty(QStringLiteral("В"));
        TForm_Kontrakents w;
        w.FormShow();
        SortDirection = 1;
        w.DBGrid_KontragentiTitleClick(1);
        QCOMPARE(names(*w.list()), (QStringList{QStringLiteral("В"), QStringLiteral("Б"), QStringLiteral("А")}));
        QCOMPARE(SortDirection, 0);
        w.DBGrid_KontragentiTitleClick(1);
        QCOMPARE(names(*w.list()), (QStringList{QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")}));
        QCOMPARE(SortDirection, 1);
        QCOMPARE(w.list()->sql().count(QStringLiteral("ORDER BY")), 1);
    }

    void exportWritesTheListOrSaysThereIsNone()
    {
        TestProgram program;
        TForm_Kontrakents w;
        w.FormShow();
        QVERIFY(!w.Button_Print_KontragClick());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Няма данни за печат")});

        addCounterparty(QStringLiteral("Алфа"));
        w.TreeView_KontragClick();
        QVERIFY(w.Button_Print_KontragClick());
        const QStringList opened = PlatformScript::texts(QStringLiteral("openFile.shell"));
        QCOMPARE(opened.size(), 1);
        QVERIFY(QFileInfo(opened.first()).fileName().startsWith(QStringLiteral("Export_Articles")));
        QFile file(opened.first());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(QStringLiteral("\tЕкспорт контрагенти ")));
        QVERIFY(text.contains(QStringLiteral("Наименование")));
        QVERIFY(text.contains(QStringLiteral("Алфа")));
    }

    void savedCounterpartyIsListedAndCurrent()
    {
        TestProgram program;
        for (int i = 0; i < 3; ++i)
            addCounterparty(QStringLiteral("Стар %1").arg(i));
        TForm_Kontrakents w;
        w.FormShow();
        w.DBGrid_KontragentiCellClick(1);
        w.Edit_Ot->setText(QStringLiteral("стар"));
        w.BitBtn_Tarsi_KontragentiClick(); // a search list the new one is not part of
        PlatformScript::setModalHandler([](QDialog *d) {
            auto *editor = qobject_cast<TForm_Klienti *>(d);
            if (!editor)
                return int(QDialog::Rejected);
            editor->show();
            type(editor->Edit_Ime_Firma, QStringLiteral("Нов клиент"));
            editor->Edit_EIK->setText(QStringLiteral("831641791"));
            editor->Edit_EGN_Mol->setText(QStringLiteral("0010100100"));
            editor->Button_InsertClick();
            editor->hide();
            return editor->result();
        });
        w.BitBtn1Click();
        PlatformScript::setModalHandler({});
        QCOMPARE(w.currentRecord().value(QStringLiteral("Ime_Firma")).toString(), QStringLiteral("Нов клиент"));
        QCOMPARE(w.currentRecord().value(QStringLiteral("Nomer_Grupa")).toLongLong(), 0LL);
    }
};
VTEST(CounterpartyBrowserWindow)

class CounterpartyPickProtocol : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        for (int mode = 0; mode < CounterpartyPick::ModeCount; ++mode)
            CounterpartyPick::unregisterTarget(mode);
        delete Form_Kontrakents;
        CounterpartyPickMode = -1;
    }

    void pickHandsOverTheCurrentRowAndEndsTheMode()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Алфа"));
        const long long beta = addCounterparty(QStringLiteral("Бета"), 0, 0, QStringLiteral("скрита бележка"));
        QLabel articleLabel(QStringLiteral("0: Няма избран контрагент"));
        QLabel other(QStringLiteral("непроменен"));
        CounterpartyPick::Picked received;
        int calls = 0;
        CounterpartyPick::registerTarget(14, [&](const CounterpartyPick::Picked &p) {
            articleLabel.setText(p.referenceText());
            received = p;
            ++calls;
        });
        CounterpartyPick::registerTarget(5, [&](const CounterpartyPick::Picked &p) { other.setText(p.referenceText()); });

        CounterpartyPickMode = 14;
        const int result = runBrowser([&](TForm_Kontrakents *w) {
            QVERIFY(w->Panel_IZberi->isVisible());
            QCOMPARE(CounterpartyPickMode, 14);
            QVERIFY(w->positionOn(beta));
            w->BitBtn_Izberi_Kontragent->click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(calls, 1);
        QCOMPARE(articleLabel.text(), QStringLiteral("%1:Бета").arg(beta));
        QCOMPARE(other.text(), QStringLiteral("непроменен"));
        QCOMPARE(received.id(), beta);
        // Columns the grid does not show are read by field name.
        QCOMPARE(received.current.value(QStringLiteral("Zabel")).toString(), QStringLiteral("скрита бележка"));
        QVERIFY(received.current.value(QStringLiteral("ID_Mol")).toLongLong() > 0);
        QCOMPARE(CounterpartyPickMode, -1);
    }

    void cancelAndCloseWriteNothingAndEndTheMode()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Алфа"));
        int calls = 0;
        CounterpartyPick::registerTarget(3, [&](const CounterpartyPick::Picked &) { ++calls; });

        CounterpartyPickMode = 3;
        runBrowser([](TForm_Kontrakents *w) { w->BitBtn_Otkaji_Kontragent->click(); });
        QCOMPARE(CounterpartyPickMode, -1);

        CounterpartyPickMode = 3;
        runBrowser([](TForm_Kontrakents *w) { w->close(); });
        QCOMPARE(CounterpartyPickMode, -1);

        CounterpartyPickMode = 3;
        runBrowser([](TForm_Kontrakents *w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(CounterpartyPickMode, -1);

        // Not even shown (the platform refused the window).
        CounterpartyPickMode = 3;
        TForm_Kontrakents::N_KlientiClick(nullptr);
        QCOMPARE(CounterpartyPickMode, -1);
        QCOMPARE(calls, 0);

        // Browsing shows no pick panel.
        runBrowser([](TForm_Kontrakents *w) { QVERIFY(!w->Panel_IZberi->isVisible()); });
    }

    void markedRowsComeInGridOrderAndModesOutsideTheTableWriteNothing()
    {
        TestProgram program;
        for (const char *n : {"А", "Б", "В", "Г"})
            addCounterparty(QString::fromUtf8(n));
        QStringList marked;
        CounterpartyPick::registerTarget(9, [&](const CounterpartyPick::Picked &p) {
            for (const QSqlRecord &r : p.marked)
                marked << r.value(QStringLiteral("Ime_Firma")).toString();
        });
        CounterpartyPickMode = 9;
        runBrowser([](TForm_Kontrakents *w) {
            auto *sel = w->DBGrid_Kontragenti->selectionModel();
            const auto rows = QItemSelectionModel::Select | QItemSelectionModel::Rows;
            sel->clearSelection();
            sel->select(w->list()->index(3, 0), rows);
            sel->select(w->list()->index(0, 0), rows);
            sel->select(w->list()->index(2, 0), rows);
            w->BitBtn_Izberi_Kontragent->click();
        });
        QCOMPARE(marked, (QStringList{QStringLiteral("А"), QStringLiteral("В"), QStringLiteral("Г")}));

        CounterpartyPick::registerTarget(18, [](const CounterpartyPick::Picked &) { QFAIL("mode 18 has no target"); });
        QVERIFY(!CounterpartyPick::hasTarget(18));
        // A mode that no window receives offers no pick, and "ИЗБЕРИ" does not
        // close the browser as if it had picked.
        for (int mode : {18, 4}) {
            PlatformScript::clearEvents();
            CounterpartyPickMode = mode;
            bool stayedOpen = false;
            runBrowser([&](TForm_Kontrakents *w) {
                QVERIFY(!w->Panel_IZberi->isVisible());
                w->BitBtn_Izberi_Kontragent->click();
                stayedOpen = w->isVisible();
            });
            QVERIFY(stayedOpen);
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
            QCOMPARE(CounterpartyPickMode, -1);
        }
    }

    void aFailedDeliveryKeepsThePickerOpen()
    {
        TestProgram program;
        addCounterparty(QStringLiteral("Алфа"));
        int calls = 0;
        CounterpartyPick::registerTarget(0, [&](const CounterpartyPick::Picked &) {
            if (++calls == 1)
                throw DbError(QStringLiteral("database is locked"));
        });
        CounterpartyPickMode = 0;
        runBrowser([&](TForm_Kontrakents *w) {
            w->BitBtn_Izberi_Kontragent->click();
            QVERIFY(w->isVisible());
            QCOMPARE(CounterpartyPickMode, 0);
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
            w->BitBtn_Izberi_Kontragent->click(); // the retry goes through
        });
        QCOMPARE(calls, 2);
        QCOMPARE(CounterpartyPickMode, -1);
    }

    // Each window that asks while browsers show gets one of its own, in its
    // mode; closing it gives the browser beneath its mode back.
    void requestsOverShowingBrowsersGetTheirOwn()
    {
        TestProgram program;
        const long long alfa = addCounterparty(QStringLiteral("Алфа"));
        const long long beta = addCounterparty(QStringLiteral("Бета"));
        QStringList got;
        for (int mode : {1, 3})
            CounterpartyPick::registerTarget(mode, [&got, mode](const CounterpartyPick::Picked &p) {
                got << QString::number(mode) + QLatin1Char('=') + p.name();
            });
        QList<TForm_Kontrakents *> shown;
        QList<int> modesAfter;
        driveWindows<TForm_Kontrakents>([&](TForm_Kontrakents *w) {
            shown << w;
            switch (shown.size()) {
            case 1: // the register, browsing
                QVERIFY(!w->Panel_IZberi->isVisible());
                CounterpartyPickMode = 1;
                TForm_Kontrakents::N_KlientiClick(w);
                modesAfter << CounterpartyPickMode;
                w->close();
                break;
            case 2: // mode 1, and over it mode 3
                QVERIFY(w->Panel_IZberi->isVisible());
                CounterpartyPickMode = 3;
                TForm_Kontrakents::N_KlientiClick(w);
                modesAfter << CounterpartyPickMode;
                QVERIFY(w->positionOn(alfa));
                w->BitBtn_Izberi_Kontragent->click();
                break;
            default:
                QCOMPARE(CounterpartyPickMode, 3);
                QVERIFY(w->Panel_IZberi->isVisible());
                QVERIFY(w->positionOn(beta));
                w->BitBtn_Izberi_Kontragent->click();
            }
        });
        TForm_Kontrakents::N_KlientiClick(nullptr);
        PlatformScript::setModalHandler({});
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.first(), Form_Kontrakents.data());
        QCOMPARE(QSet<TForm_Kontrakents *>(shown.begin(), shown.end()).size(), 3);
        QCOMPARE(got, (QStringList{QStringLiteral("3=Бета"), QStringLiteral("1=Алфа")}));
        QCOMPARE(modesAfter, (QList<int>{1, -1}));
        QCOMPARE(CounterpartyPickMode, -1);
    }

    void anEmptyListHasNothingToPick()
    {
        TestProgram program;
        int calls = 0;
        CounterpartyPick::registerTarget(2, [&](const CounterpartyPick::Picked &) { ++calls; });
        CounterpartyPickMode = 2;
        runBrowser([](TForm_Kontrakents *w) {
            w->BitBtn_Izberi_Kontragent->click();
            QVERIFY(w->isVisible());
            w->BitBtn_Otkaji_Kontragent->click();
        });
        QCOMPARE(calls, 0);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Няма избран контрагент")});
        QCOMPARE(CounterpartyPickMode, -1);
    }
};
VTEST(CounterpartyPickProtocol)

#include "test_counterparty_browser.moc"
