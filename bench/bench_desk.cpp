// The shop desk of the main window as a cashier works it: keys typed into
// the entry row, the handlers they run and the repaint, against the same
// database work as raw prepared statements.
#include "bench_roads.h"
#include "bench_shop.h"
#include "bench_support.h"
#include "bench_window.h"

#include "app/app_state.h"
#include "common/settings.h"
#include "desk/desk_lines.h"
#include "desk/desk_search.h"
#include "desk/desk_state.h"
#include "desk/device_file_writer.h"
#include "desk/form_pay_type.h"
#include "desk/shop_desk.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "shell/form_dostap_operators.h"
#include "shell/general_form.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>
#include <unistd.h>

namespace Bench {
namespace {
constexpr int SaleBill = 7;

long long maxOpenLine()
{
    return Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong();
}

using Window = MainWindow;

// A key to whatever has the focus, as the keyboard would send it.
void key(Qt::Key k, QWidget *expected)
{
    QWidget *focus = QApplication::focusWidget();
    if (focus != expected)
        fail(QStringLiteral("the focus is on %1, not on %2")
                 .arg(focus ? focus->objectName() : QStringLiteral("nothing"), expected->objectName()));
    QTest::keyClick(focus, k);
}

void type(ShopDesk *desk, const QString &text)
{
    // A baseline's own window may have taken the activation; a cashier's
    // keys go to the main window.
    if (!desk->Edit_Barkod->isActiveWindow()) {
        QApplication::setActiveWindow(desk->Edit_Barkod->window());
        settle();
    }
    desk->Edit_Barkod->setFocus();
    if (QApplication::focusWidget() != desk->Edit_Barkod)
        fail(QStringLiteral("the search edit takes no focus"));
    // As a keyboard or scanner sends them: a press and a release with the
    // character's text (QTest maps only ASCII characters to keys).
    for (const QChar c : text) {
        const int code = c.unicode() < 0x80 ? QKeySequence(QString(c)).count() ? QKeySequence(QString(c))[0].key()
                                                                                : Qt::Key_unknown
                                            : Qt::Key_unknown;
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, QString(c));
        QApplication::sendEvent(desk->Edit_Barkod, &press);
        QApplication::sendEvent(desk->Edit_Barkod, &release);
    }
}

void setPrefix(ShopDesk *desk, const char *prefix)
{
    desk->Label_Search_In->setText(QString::fromLatin1(prefix));
}


// A barcode the window scans up to the line in the bill and its total.
void scanKnown(Window &w)
{
    ShopDesk *desk = w.desk;
    setPrefix(desk, "b.");
    long long before = maxOpenLine();
    int scan = 0;
    const auto code = [&] { return barcodeOf(1 + (1000 + scan * 7919) % barcodeCount()); };
    const auto reset = [&] {
        Db::execute(QStringLiteral("DELETE FROM Prodajbi_Vremenni WHERE N_Prodajba > ?"), {before});
        desk->Get_All_Smetki();
        ++scan;
        settle();
    };
    reset();
    const int paintsBefore = w.gridPaints->paints;
    const Timing time = measure(
        [&] {
            type(desk, code());
            key(Qt::Key_Return, desk->Edit_Barkod);
            key(Qt::Key_Return, desk->c.Edit_Broj);
            key(Qt::Key_Return, desk->Edit_Cena_Nula);
            settle();
            if (maxOpenLine() <= before)
                fail(QStringLiteral("the scan wrote no line: ") + lastMessage());
        },
        reset);
    if (w.gridPaints->paints < paintsBefore + options().runs)
        fail(QStringLiteral("the bill was not repainted after each scan"));

    Raw lookup(QStringLiteral("SELECT ID FROM Barkodes WHERE Barkode = ?"));
    Raw read(QStringLiteral("SELECT ID, Opisanie, Mqrka, Valuta_P, Max_TO, Ed_Cena, Dan_Grup, Prigotvq_Se FROM Produkti "
                            "WHERE ID = ?"));
    Raw insert(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Ed_Cena, Valuta, Operator, T_O, Sm_N, "
                              "Term_N, Dan_Grup, Prigotvq_Se) VALUES (?, 'x', 1, 2.5, 'BGL', ?, 0, ?, 1, 2, 0)"));
    // The bill read again and shown as Qt shows rows: a plain grid as large
    // as the desk's, its total summed from the rows read.
    Raw bill(DeskLines::billSql());
    bill.keepRows();
    QList<int> shown;
    for (int c = 0; c < desk->DBGrid1->model()->columnCount(); ++c)
        if (!desk->DBGrid1->isColumnHidden(c))
            shown << c;
    RawGrid::shapeLike(desk->DBGrid1);
    const QByteArray name = op().toUtf8();
    const auto statements = [&] {
        rawExec("BEGIN IMMEDIATE");
        const long long id = lookup.bind(1, code().toUtf8()).run();
        read.bind(1, id).run();
        insert.bind(1, id).bind(2, name).bind(3, (long long)CurrentBill).run();
        rawExec("COMMIT");
        bill.bind(1, name).bind(2, (long long)CurrentBill).run();
        double total = 0;
        for (const QList<QByteArray> &r : bill.allRows())
            total += r.value(8).toDouble(); // Suma: the amount comes before the operator
        if (bill.allRows().isEmpty() || total <= 0)
            fail(QStringLiteral("the raw bill is empty"));
    };
    const Timing alone = measure(statements, reset);
    const Timing base = measure(
        [&] {
            statements();
            RawGrid::show(bill.allRows(), shown);
        },
        reset);
    RawGrid::hide();
    reset();
    report({QStringLiteral("scan"), QStringLiteral("каса: баркод до ред и сума"), time, base, 3,
            QStringLiteral("база: същите заявки и сметката в таблица на Qt; само заявките %1 ms (%2 пъти)")
                .arg(alone.median, 0, 'f', 3)
                .arg(time.median / alone.median, 0, 'f', 2)});
}

// Closes each message box the program shows with its OK once it has been
// painted, keeping its text.
class MessageCloser : public QObject
{
public:
    MessageCloser() { qApp->installEventFilter(this); }
    ~MessageCloser() override { qApp->removeEventFilter(this); }
    QStringList texts;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = event->type() == QEvent::Paint ? qobject_cast<QMessageBox *>(watched) : nullptr;
        if (box && !m_closing.contains(box)) {
            m_closing << box;
            texts << box->text();
            QTimer::singleShot(0, box, [this, box] {
                m_closing.removeOne(box);
                if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                    ok->click();
            });
        }
        return false;
    }

private:
    QList<QMessageBox *> m_closing;
};

// A code nobody has: the search, the message shown as the program shows it
// and closed, the emptied edit.
void scanUnknown(Window &w)
{
    ShopDesk *desk = w.desk;
    setPrefix(desk, "b.");
    const QString code = QStringLiteral("3809999999999");
    PlatformScript::deactivate();
    Timing time;
    {
        MessageCloser closer;
        // The window system gives the main window back its activation
        // when the box closes; the offscreen platform needs telling.
        const auto reactivate = [&] {
            QApplication::setActiveWindow(w.form);
            settle();
        };
        time = measure(
            [&] {
                type(desk, code);
                key(Qt::Key_Return, desk->Edit_Barkod);
                settle();
            },
            reactivate);
        reactivate();
        if (closer.texts.size() != options().runs
            || closer.texts.last() != QStringLiteral("Не са открити данни"))
            fail(QStringLiteral("an unknown barcode was not told: ") + closer.texts.join(QLatin1Char('|')));
    }
    PlatformScript::activate();
    if (!desk->Edit_Barkod->text().isEmpty())
        fail(QStringLiteral("the search edit was not emptied"));
    Raw lookup(QStringLiteral("SELECT ID FROM Barkodes WHERE Barkode = ?"));
    const QByteArray text = code.toUtf8();
    const Timing base = measure([&] { lookup.bind(1, text).run(); });
    report({QStringLiteral("unknown"), QStringLiteral("каса: непознат баркод"), time, base, 0,
            QStringLiteral("с показано съобщение; база: търсене по индекс")});
    // The look-up itself: the exact code, then the code in any case, each by
    // its index; the baseline runs the desk's two statements raw.
    const DeskSearch::Statement exact = DeskSearch::statement(QLatin1Char('b'), code);
    const DeskSearch::Statement folded = DeskSearch::statement(QLatin1Char('b'), code, true);
    Raw exactRaw(exact.sql), foldedRaw(folded.sql);
    const Timing both = measure([&] {
        exactRaw.bindAll(exact.params);
        exactRaw.run();
        foldedRaw.bindAll(folded.params);
        foldedRaw.run();
    });
    const Timing find = measure([&] {
        const auto hits = DeskSearch::find(QLatin1Char('b'), code);
        if (!hits || !hits->isEmpty())
            fail(QStringLiteral("an unknown barcode was found"));
    });
    report({QStringLiteral("unknown.lookup"), QStringLiteral("търсене: непознат баркод"), find, both, 3,
            QStringLiteral("база: точният и сгънатият код")});
}

// The name search: "i.", the text, Enter, up to the list of names shown.
// The first run after the database left the OS cache.
void nameSearch(Window &w, const QString &key, const QString &typed, const QString &share)
{
    ShopDesk *desk = w.desk;
    setPrefix(desk, "i.");
    const auto reset = [&] {
        desk->ListBox_Opisanie_Artikuli->hide();
        desk->Edit_Barkod->clear();
        settle();
    };
    const Timing time = measure(
        [&] {
            type(desk, typed);
            Bench::key(Qt::Key_Return, desk->Edit_Barkod);
            settle();
        },
        reset, First::Cold);
    const int found = desk->ListBox_Opisanie_Artikuli->count();
    if (found < 2 || !desk->ListBox_Opisanie_Artikuli->isVisible())
        fail(QStringLiteral("the name search listed %1 articles").arg(found));
    const QString folded = typed.toUpper();
    for (int i = 0; i < found; ++i)
        if (!desk->ListBox_Opisanie_Artikuli->item(i)->text().toUpper().contains(folded)
            || (i > 0 && desk->ListBox_Opisanie_Artikuli->item(i - 1)->text() > desk->ListBox_Opisanie_Artikuli->item(i)->text()))
            fail(QStringLiteral("the name search listed %1 out of its order").arg(desk->ListBox_Opisanie_Artikuli->item(i)->text()));
    reset();
    // The same list raw: the first names in name order that hold the text.
    Raw raw(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE UPPER(Opisanie) LIKE UPPER(?) ESCAPE '\\' "
                           "ORDER BY Opisanie, ID LIMIT %1")
                .arg(DeskSearch::PageHits));
    raw.keepRows();
    const QByteArray pattern = Db::likeContains(typed).toUtf8();
    // Shown as Qt itself shows names: a plain list as large as the desk's.
    QListWidget plain;
    plain.resize(desk->ListBox_Opisanie_Artikuli->size());
    plain.show();
    const Timing base = measure([&] {
        raw.bind(1, pattern);
        raw.run();
        plain.clear();
        for (const QList<QByteArray> &r : raw.allRows())
            plain.addItem(QString::fromUtf8(r.value(1)));
        plain.setCurrentRow(0);
        plain.viewport()->repaint();
        settle();
    });
    report({key, QStringLiteral("каса: търсене по име „%1“ (%2)").arg(typed, share), time, base, 3,
            QStringLiteral("%1 показани; база: индексът на имената с условието и списък на Qt").arg(found)});
    setPrefix(desk, "b.");
}

// Ten lines of a bill sold in cash from the window: the lines marked, the
// sale key, the payment window accepted, the receipt file written.
void cashSale(Window &w)
{
    ShopDesk *desk = w.desk;
    QAction *sell = w.form->findChild<QAction *>(QStringLiteral("N_Prodajba"));
    QAction *markAll = w.form->findChild<QAction *>(QStringLiteral("N_Select_All"));
    if (!sell || !markAll)
        fail(QStringLiteral("the sale actions are missing"));
    const QString folder = Settings::receiptFolder();
    const int articles = options().articles;
    QList<long long> lines;
    const auto openTen = [&] {
        lines.clear();
        for (int i = 0; i < 10; ++i) {
            DeskLines::NewLine line;
            line.article = 1 + (500 + i * 101) % articles;
            line.quantityText = QStringLiteral("2");
            line.priceText = QStringLiteral("3.4");
            line.listPrice = Decimal::fromParts(34, 1);
            line.op = op();
            line.bill = SaleBill;
            DeskLines::insertLine(line);
            lines << maxOpenLine();
        }
        CurrentBill = SaleBill;
        desk->Get_All_Smetki();
        settle();
    };
    PlatformScript::setModalHandler([](QDialog *d) {
        auto *pay = qobject_cast<TForm_Pay_Type *>(d);
        if (!pay)
            return int(QDialog::Rejected);
        pay->show();
        pay->BitBtn_Priemi->click();
        return pay->result();
    });
    const Timing time = measure(
        [&] {
            markAll->trigger();
            sell->trigger();
            if (DeviceFileWriter::instance().flush() != 0)
                fail(QStringLiteral("the receipt file was not written"));
            settle();
            if (Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni WHERE Sm_N = ?"), {SaleBill}).toInt())
                fail(QStringLiteral("the sale left lines open: ") + lastMessage());
        },
        openTen);
    PlatformScript::setModalHandler({});

    Raw remove(QStringLiteral("DELETE FROM Prodajbi_Vremenni WHERE N_Prodajba = ?"));
    Raw record(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, ED_Cena, "
                              "Valuta, ID_Klient, T_O, Konsign_N, Type_Pay, Term_N, Sklad_ID) "
                              "VALUES (?, ?, ?, '2026-01-01', '12:00:00', 2, 3.4, 'BGL', 0, 0, 0, 'в брой', 1, 1)"));
    Raw stock(QStringLiteral("UPDATE Store_Kol SET Kol = Kol - 2 WHERE Art_ID = ? AND Sklad_ID = 1"));
    Raw pending(QStringLiteral("INSERT INTO Pending_Files (Workstation, Dept, Folder, File_Name, Bytes, Temp_Name) "
                               "VALUES ('bench', 0, ?, '', ?, '') RETURNING ID"));
    Raw done(QStringLiteral("DELETE FROM Pending_Files WHERE ID = ?"));
    const QByteArray name = op().toUtf8();
    const QByteArray bytes(600, 'x');
    int n = 0;
    const Timing base = measure(
        [&] {
            rawExec("BEGIN IMMEDIATE");
            for (int i = 0; i < lines.size(); ++i) {
                const long long article = 1 + (500 + i * 101) % articles;
                remove.bind(1, lines.at(i)).run();
                record.bind(1, lines.at(i)).bind(2, article).bind(3, name).run();
                stock.bind(1, article).run();
            }
            const long long row = pending.bind(1, folder.toUtf8()).blob(2, bytes).run();
            rawExec("COMMIT");
            const QString temp = QDir(folder).filePath(QStringLiteral("bench.tmp"));
            QFile f(temp);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
                fail(QStringLiteral("the baseline file was not written"));
            ::fsync(f.handle());
            f.close();
            if (::rename(QFile::encodeName(temp).constData(),
                         QFile::encodeName(QDir(folder).filePath(QStringLiteral("bench%1.bon").arg(++n))).constData())
                != 0)
                fail(QStringLiteral("the baseline file was not renamed"));
            rawExec("BEGIN IMMEDIATE");
            done.bind(1, row).run();
            rawExec("COMMIT");
        },
        openTen);
    Db::execute(QStringLiteral("DELETE FROM Prodajbi_Vremenni WHERE Sm_N = ?"), {SaleBill});
    CurrentBill = 0;
    desk->Get_All_Smetki();
    report({QStringLiteral("sale"), QStringLiteral("каса: продажба в брой, 10 реда"), time, base, 3, {}});
}
} // namespace

void deskRoads()
{
    Window &w = mainWindow();
    w.form->show();
    scanKnown(w);
    scanUnknown(w);
    nameSearch(w, QStringLiteral("name"), QStringLiteral("кисело"), QStringLiteral("3 % от имената"));
    nameSearch(w, QStringLiteral("name.all"), QStringLiteral("гр."), QStringLiteral("всички имена"));
    cashSale(w);
    w.form->hide();
}
} // namespace Bench
