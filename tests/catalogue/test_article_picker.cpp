#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "catalogue_test_support.h"

#include "app/app_state.h"
#include "app/form_get_kol.h"
#include "catalogue/article_list.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "platform/script.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTest>

using namespace CatalogueTest;

namespace {
// The prompt answers, in order: a quantity text, or "" for "ОТКАЖИ".
struct PromptScript {
    QStringList answers;
    int asked = 0;
    QStringList labels;
};

// Runs the catalogue as a caller does; `steps` drive it while it shows.
// Quantity prompts opened meanwhile take their answers from `prompts`.
int runCatalogue(int mode, const std::function<void(TForm_Artikuli *)> &steps, PromptScript *prompts = nullptr,
                 int *catalogueOpenings = nullptr)
{
    PlatformScript::setModalHandler([&](QDialog *d) {
        if (auto *prompt = qobject_cast<TForm_Get_Kol *>(d)) {
            prompt->show();
            const QString answer = prompts && prompts->asked < prompts->answers.size()
                                       ? prompts->answers.at(prompts->asked)
                                       : QString();
            if (prompts) {
                ++prompts->asked;
                prompts->labels << prompt->Label_Opis->text();
            }
            prompt->hide();
            if (answer.isEmpty())
                return TForm_Get_Kol::ResultCancel;
            prompt->Edit_Kol->setText(answer);
            return TForm_Get_Kol::ResultOk;
        }
        auto *w = qobject_cast<TForm_Artikuli *>(d);
        if (!w)
            return int(QDialog::Rejected);
        if (catalogueOpenings)
            ++*catalogueOpenings;
        w->setResult(0);
        w->show();
        steps(w);
        const int result = w->isVisible() ? int(QDialog::Rejected) : w->result();
        if (w->isVisible())
            w->done(QDialog::Rejected); // closed by its title bar
        w->hide();
        return result;
    });
    ArticlePickMode = mode;
    TForm_Artikuli::N_ArtikuliClick(nullptr);
    PlatformScript::setModalHandler({});
    return Form_Artikuli->result();
}

void markRows(TForm_Artikuli *w, const QList<int> &rows)
{
    w->DBGrid_Articles->clearSelection();
    for (int r : rows)
        w->DBGrid_Articles->selectionModel()->select(w->list()->index(r, 0),
                                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void catalogue()
{
    writeTree({QStringLiteral("Всички артикули"), QStringLiteral("3:Стоки")});
    addGroup(3, QStringLiteral("Стоки"));
    addArticle(7, QStringLiteral("Мляко"), 3, 2.5);
    addArticle(12, QStringLiteral("Хляб"), 3, 1.2);
    addArticle(15, QStringLiteral("Сирене"), 3, 8.5);
}

QStringList ids(const QList<QSqlRecord> &rows)
{
    QStringList out;
    for (const QSqlRecord &r : rows)
        out << r.value(QStringLiteral("ID")).toString();
    return out;
}
} // namespace

class ArticlePickerTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        PlatformScript::activate();
        ArticlePickMode = -1;
        CounterpartyPickMode = -1;
    }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        PlatformScript::deactivate();
        for (int mode : {4, 11, 15, 20})
            ArticlePick::unregisterTarget(mode);
        delete Form_Artikuli;
        delete Form_Kontrakents;
    }

    void browsingPickingCancellingClosing()
    {
        TestProgram program;
        catalogue();
        QList<ArticlePick::Picked> delivered;
        ArticlePick::registerTarget(20, [&delivered](const ArticlePick::Picked &p) { delivered << p; });

        runCatalogue(-1, [](TForm_Artikuli *w) {
            QVERIFY(!w->Panel_Izberi->isVisible());
            QCOMPARE(w->list()->rowCount(), 3); // the first node: every article
            QCOMPARE(w->criterion(), 4);        // "Описание"
        });
        QCOMPARE(ArticlePickMode, -1);

        // A mode above 16; rows marked bottom-up arrive top-down.
        QCOMPARE(runCatalogue(20,
                              [](TForm_Artikuli *w) {
                                  QVERIFY(w->Panel_Izberi->isVisible());
                                  markRows(w, {2});
                                  w->DBGrid_Articles->selectionModel()->select(
                                      w->list()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
                                  w->BitBtn1Click();
                              }),
                 1);
        QCOMPARE(ArticlePickMode, -1);
        QCOMPARE(delivered.size(), 1);
        QCOMPARE(ids(delivered.first().marked), (QStringList{"7", "15"}));
        QCOMPARE(delivered.first().node, QStringLiteral("Всички артикули"));

        // "ОТКАЖИ" and the title bar deliver nothing and end the mode.
        QCOMPARE(runCatalogue(20, [](TForm_Artikuli *w) { w->BitBtn2Click(); }), 2);
        QCOMPARE(ArticlePickMode, -1);
        runCatalogue(20, [](TForm_Artikuli *) {});
        QCOMPARE(ArticlePickMode, -1);
        QCOMPARE(delivered.size(), 1);
        // A mode nobody receives writes nothing and still closes.
        QCOMPARE(runCatalogue(16, [](TForm_Artikuli *w) { w->BitBtn1Click(); }), 1);
        QCOMPARE(ArticlePickMode, -1);
    }

    void quantityWalkSkipsCancelledRows()
    {
        TestProgram program;
        catalogue();
        QStringList taken;
        ArticlePick::registerTarget(11, [&taken](const ArticlePick::Picked &p) {
            ArticlePick::quantityWalk(11, p.marked, [&taken](const QSqlRecord &row, Decimal q, const QString &typed) {
                taken << row.value(QStringLiteral("ID")).toString() + QLatin1Char('=') + q.toString() + '/' + typed;
            });
        });
        PromptScript prompts{{QString(), QStringLiteral("2,5")}};
        PromptMode = 3;
        runCatalogue(
            11,
            [](TForm_Artikuli *w) {
                markRows(w, {2, 0});
                w->BitBtn1Click();
            },
            &prompts);
        QCOMPARE(prompts.labels, (QStringList{"7:Мляко", "15:Сирене"}));
        QCOMPARE(taken, QStringList{"15=2.5/2,5"});
        QCOMPARE(PromptMode, 0);

        // A quantity that is no number skips its row with a message.
        taken.clear();
        PromptScript words{{QStringLiteral("много"), QStringLiteral("3")}};
        runCatalogue(
            11,
            [](TForm_Artikuli *w) {
                markRows(w, {0, 1});
                w->BitBtn1Click();
            },
            &words);
        QCOMPARE(taken, QStringList{"12=3/3"});
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);

        // Mode 15 asks once, for the current row.
        taken.clear();
        ArticlePick::registerTarget(15, [&taken](const ArticlePick::Picked &p) {
            ArticlePick::quantityWalk(15, ArticlePick::quantityRows(15, p),
                                      [&taken](const QSqlRecord &row, Decimal q, const QString &) {
                                          taken << row.value(QStringLiteral("ID")).toString() + '=' + q.toString();
                                      });
        });
        PromptScript once{{QStringLiteral("4"), QStringLiteral("5")}};
        runCatalogue(
            15,
            [](TForm_Artikuli *w) {
                markRows(w, {0, 2});
                w->DBGrid_Articles->selectionModel()->setCurrentIndex(w->list()->index(2, 0),
                                                                      QItemSelectionModel::NoUpdate);
                w->BitBtn1Click();
            },
            &once);
        QCOMPARE(once.asked, 1);
        QCOMPARE(taken, QStringList{"15=4"});
    }

    void multiPickText()
    {
        TestProgram program;
        catalogue();
        QString label;
        ArticlePick::registerTarget(4, [&label](const ArticlePick::Picked &p) { label = ArticlePick::multiPick(p); });
        runCatalogue(4, [](TForm_Artikuli *w) {
            markRows(w, {0, 1, 2});
            w->BitBtn1Click();
        });
        QCOMPARE(label, QStringLiteral("7;12;15;"));
        QCOMPARE(PickList, (QStringList{"7", "12", "15"}));
        runCatalogue(4, [](TForm_Artikuli *w) {
            w->DBGrid_Articles->selectionModel()->setCurrentIndex(
                w->list()->index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            w->BitBtn1Click();
        });
        QCOMPARE(label, QStringLiteral("12:Хляб"));
    }

    // Asked again by a window over it, the catalogue shows a second one in
    // the mode asked; the one beneath serves its own mode on.
    void openersCalledWhileTheirWindowShows()
    {
        TestProgram program;
        catalogue();
        QList<int> picks;
        ArticlePick::registerTarget(15, [&picks](const ArticlePick::Picked &) { picks << 15; });
        ArticlePick::registerTarget(4, [&picks](const ArticlePick::Picked &p) { picks << 4 << p.id(); });
        int openings = 0;
        runCatalogue(
            15,
            [&picks](TForm_Artikuli *w) {
                if (w != Form_Artikuli) { // the second catalogue
                    QCOMPARE(ArticlePickMode, 4);
                    QVERIFY(w->Panel_Izberi->isVisible());
                    QVERIFY(w->positionOn(12));
                    w->BitBtn1Click();
                    return;
                }
                ArticlePickMode = 4; // another caller
                TForm_Artikuli::N_ArtikuliClick(w);
                QCOMPARE(ArticlePickMode, 15);
                QCOMPARE(picks, (QList<int>{4, 12}));
                w->BitBtn1Click();
                QCOMPARE(picks, (QList<int>{4, 12, 15}));
            },
            nullptr, &openings);
        QCOMPARE(openings, 2);
        QCOMPARE(ArticlePickMode, -1);

        // The counterparty browser opened from the catalogue (Ctrl+K), and again while it shows.
        QList<int> modesShown;
        int modeAfter = -2;
        PlatformScript::setModalHandler([&](QDialog *d) {
            if (auto *b = qobject_cast<TForm_Kontrakents *>(d)) {
                modesShown << CounterpartyPickMode;
                b->show();
                if (b == Form_Kontrakents) {
                    CounterpartyPickMode = 3;
                    TForm_Kontrakents::N_KlientiClick(b);
                    modeAfter = CounterpartyPickMode;
                }
                b->hide();
                return int(QDialog::Rejected);
            }
            return int(QDialog::Rejected);
        });
        TForm_Artikuli w;
        CounterpartyPickMode = 5;
        w.N_KontragentiClick();
        QCOMPARE(modesShown, (QList<int>{5, 3}));
        QCOMPARE(modeAfter, 5);
        QCOMPARE(CounterpartyPickMode, -1);
    }

    // The grid's widths follow the font in use: seven digits fit "Арт. №",
    // and a larger font gives wider columns.
    void columnWidthsFollowTheFont()
    {
        TestProgram program;
        catalogue();
        addArticle(1234567, QStringLiteral("Голям номер"), 3);
        TForm_Artikuli w;
        w.loadTree(ArticleGroups::loadTree(ArticleGroups::treeFilePath()));
        w.TreeView1->setCurrentItem(w.TreeView1->topLevelItem(0));
        QList<int> before;
        for (int pointSize : {9, 16}) {
            QFont font = w.font();
            font.setPointSize(pointSize);
            w.setFont(font);
            w.FormShow();
            QTableView *grid = w.DBGrid_Articles;
            const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
            const int digits = grid->fontMetrics().horizontalAdvance(QStringLiteral("1234567"));
            QVERIFY2(grid->columnWidth(0) >= digits + margins,
                     qPrintable(QStringLiteral("%1 pt: %2 < %3").arg(pointSize).arg(grid->columnWidth(0)).arg(digits + margins)));
            QList<int> widths;
            for (int c = 0; c < 8; ++c)
                widths << grid->columnWidth(c);
            if (!before.isEmpty())
                for (int c = 0; c < 8; ++c)
                    QVERIFY2(widths.at(c) > before.at(c), qPrintable(QString::number(c)));
            before = widths;
        }
    }

    void ctrlAInTheListMarksEveryRow()
    {
        TestProgram program;
        catalogue();
        TForm_Artikuli w;
        w.loadTree(ArticleGroups::loadTree(ArticleGroups::treeFilePath()));
        w.TreeView1->setCurrentItem(w.TreeView1->topLevelItem(0));
        w.FormShow();
        w.show();
        int editorCalls = 0;
        driveWindows<QDialog>([&editorCalls](QDialog *) { ++editorCalls; });
        w.DBGrid_Articles->setFocus();
        QTest::keyClick(w.DBGrid_Articles, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.markedIds(), (QList<long long>{7, 12, 15}));
        QCOMPARE(editorCalls, 0);
    }
};

VTEST(ArticlePickerTest)

#include "test_article_picker.moc"
