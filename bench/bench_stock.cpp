// The delivery window's "Запис", the article and counterparty imports of the
// menu and the suppliers' catalogue import, against the same writes as raw
// statements.
#include "bench_roads.h"
#include "bench_shop.h"
#include "bench_support.h"
#include "bench_window.h"

#include "catalogue/article_groups.h"
#include "catalogue/deliveries.h"
#include "catalogue/form_dostavki.h"
#include "common/cp1251.h"
#include "offers/form_oferti.h"
#include "offers/supplier_catalogue.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "shell/general_form.h"
#include "shell/imports/counterparty_import.h"
#include "shell/imports/imports.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace Bench {
namespace {
constexpr int ImportLines = 100000;

long long deliveryArticle(int i)
{
    return 1 + (2000 + i * 313) % options().articles;
}

// This workstation's delivery lines: 10 articles, 12 each.
void addTenDeliveryLines()
{
    Deliveries::removeAll();
    for (int i = 0; i < 10; ++i) {
        Deliveries::LineInput line;
        line.article = deliveryArticle(i);
        line.deliveryPrice = Decimal::fromParts(12, 1);
        line.deliveryCurrency = line.saleCurrency = QStringLiteral("BGL");
        line.salePrice = Decimal::fromParts(25, 1);
        line.quantity = 12;
        line.unit = QStringLiteral("бр.");
        if (Deliveries::addLine(line, 0) == 0)
            fail(QStringLiteral("a delivery line was not added"));
    }
}

void pickStartingWith(QComboBox *box, const QString &start)
{
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).startsWith(start)) {
            box->setCurrentIndex(i);
            return;
        }
    fail(QStringLiteral("%1 has no item %2").arg(box->objectName(), start));
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        fail(QStringLiteral("%1 was not written").arg(path));
}
} // namespace

// A delivery of 10 lines saved from its window: head, lines, stock and
// prices in one commit.
void deliveryRoad()
{
    const auto tenLines = [](TForm_Dostavki *w) {
        addTenDeliveryLines();
        if (w->state() == 0)
            w->Btn_NovClick();
        w->Edit_Dostav4ik->setText(QStringLiteral("1:") + word(1) + QStringLiteral(" 1 ООД"));
        pickStartingWith(w->ComboBox_Dok_Vid, QStringLiteral("1:"));
        pickStartingWith(w->ComboBox_Sklad, QStringLiteral("1:"));
        w->Button_Calculate_SUMsClick();
        settle();
    };
    Timing time;
    driveWindows<TForm_Dostavki>({1100, 800}, [&](TForm_Dostavki *w) {
        time = measure(
            [&] {
                const long long before = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Dostavki")).toLongLong();
                w->Btn_Nov->click();
                settle();
                if (Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Dostavki")).toLongLong() != before + 1)
                    fail(QStringLiteral("the delivery was not saved: ") + lastMessage());
            },
            [&] { tenLines(w); });
        Deliveries::removeAll();
    });
    QWidget owner;
    TForm_Dostavki::open(&owner);
    PlatformScript::setModalHandler({});

    Raw number(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Dostavki"));
    Raw lines(QStringLiteral("SELECT Nomer_Produkt, Kolitchestvo FROM DostavkiTMP WHERE Rab_Mqsto = ? ORDER BY N"));
    Raw line(QStringLiteral("INSERT INTO Dostavka_art (ID_Dostavka, Nomer_Produkt, Dostavna_Cena, Valuta_D, Prodajna_Cena, "
                            "Valuta_P, Kolitchestvo, Mqrka) VALUES (?, ?, 1.2, 'BGL', 2.5, 'BGL', 12, 'бр.')"));
    Raw stock(QStringLiteral("UPDATE Store_Kol SET Kol = Kol + 12 WHERE Art_ID = ? AND Sklad_ID = 1"));
    Raw price(QStringLiteral("UPDATE Produkti SET Ed_Cena = 2.5, Dostavna_Cena = 1.2 WHERE ID = ?"));
    Raw head(QStringLiteral("INSERT INTO Dostavki (ID, Data_Dostavka, Nomer_Dostav4ik, Vid_Dokument, ID_Sklad) "
                            "VALUES (?, '2026-01-01', 1, 1, 1)"));
    Raw clear(QStringLiteral("DELETE FROM DostavkiTMP WHERE Rab_Mqsto = ?"));
    const QByteArray station = Deliveries::workstation().toUtf8();
    const Timing base = measure(
        [&] {
            rawExec("BEGIN IMMEDIATE");
            const long long id = number.run();
            lines.bind(1, station).run();
            for (int i = 0; i < 10; ++i) {
                line.bind(1, id).bind(2, deliveryArticle(i)).run();
                stock.bind(1, deliveryArticle(i)).run();
                price.bind(1, deliveryArticle(i)).run();
            }
            head.bind(1, id).run();
            clear.bind(1, station).run();
            rawExec("COMMIT");
        },
        addTenDeliveryLines);
    Deliveries::removeAll();
    report({QStringLiteral("delivery"), QStringLiteral("доставка: запис на 10 реда"), time, base, 3, {}});
}

// "Импорт на данни" → articles: a tagged file of 100 000 new articles in
// 10 new groups, chosen and run as from the menu.
void articleImportRoad(const QString &home)
{
    const Db::BulkWait bulk; // its reset deletes 100 000 articles: on a server longer than a window's wait
    const QString path = QDir(home).filePath(QStringLiteral("import.txt"));
    {
        QByteArray text;
        text.reserve(ImportLines * 140);
        for (int i = 1; i <= ImportLines; ++i)
            text += QStringLiteral("1:[%1]2:[N-%1]3:[%2]4:[12.50]5:[BGL]6:[бр.]7:[%3]8:[1]9:[1]10:[Доставчик ООД]11:[2]"
                                   "12:[False]13:[True]\r\n")
                        .arg(ImportBase + i)
                        .arg(articleName(i), word(i % 10) + QStringLiteral(" внос %1").arg(i % 10))
                        .toUtf8();
        writeFile(path, text);
    }
    const QString tree = ArticleGroups::treeFilePath();
    const QByteArray treeBytes = fileBytes(tree);
    // Only what the import wrote goes: the generated shop stays whatever its size.
    const auto reset = [&] {
        Db::execute(QStringLiteral("DELETE FROM Produkti WHERE ID > ?"), {ImportBase});
        Db::execute(QStringLiteral("DELETE FROM Grupi WHERE ID > ?"), {GroupCount});
        writeFile(tree, treeBytes);
    };
    QWidget owner;
    const Timing time = measure(
        [&] {
            PlatformScript::answer(path);
            Imports::N_Import_artClick(&owner);
            if (Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Produkti WHERE ID > ?"), {ImportBase}).toInt()
                != ImportLines)
                fail(QStringLiteral("the import did not add every article: ") + lastMessage());
        },
        reset);
    reset();
    Raw insert(QStringLiteral("INSERT INTO Produkti (ID, Nomenkl_N, Nomer_Grupa, Opisanie, Dostavna_Cena, Valuta_D, "
                              "Ed_Cena, Valuta_P, Mqrka, Garancionen, Kasovo_Ime, Etiketno_Ime, Dostav4ik, Min_Kol, "
                              "Poredica) VALUES (?, ?, ?, ?, 0, 'BGL', 12.5, 'BGL', 'бр.', 'False', ?, ?, "
                              "'Доставчик ООД', 2, 'True')"));
    const Timing base = measure(
        [&] {
            rawExec("BEGIN IMMEDIATE");
            for (int i = 1; i <= ImportLines; ++i) {
                const QByteArray name = articleName(i).toUtf8();
                insert.bind(1, ImportBase + i)
                    .bind(2, QStringLiteral("N-%1").arg(ImportBase + i).toUtf8())
                    .bind(3, (long long)GroupCount + 1 + i % 10)
                    .bind(4, name)
                    .bind(5, name)
                    .bind(6, name)
                    .run();
            }
            rawExec("COMMIT");
        },
        reset);
    reset();
    report({QStringLiteral("import"), QStringLiteral("импорт на 100 000 артикула"), time, base, 10, {}});
}

// "Оферти" → "Добави" in the offers window opened from the main window's
// menu: a supplier's catalogue of 100 000 lines in 200 groups, chosen in the
// file dialog and read in the command's short chunks, with its input block
// and both progress bars; a 100 ms timer keeps running while it is read.
void catalogueImportRoad(const QString &home)
{
    const Db::BulkWait bulk; // as the article import's
    constexpr int groups = 200;
    const QString path = QDir(home).filePath(QStringLiteral("catalogue.txt"));
    {
        QString text = QStringLiteral("16:[Доставчик ООД]17:[www.d.bg]18:[София]19:[бележка]\r\n");
        for (int i = 0; i < ImportLines; ++i) {
            if (i % (ImportLines / groups) == 0)
                text += QStringLiteral("11:[Група %1]\r\n").arg(i / (ImportLines / groups) + 1);
            text += QStringLiteral("1:[%1]2:[%2.50]3:[%3.10]4:[%4]5:[BGN]6:[наличен]7:[КН-%5]\r\n")
                        .arg(articleName(i))
                        .arg(i % 90 + 1)
                        .arg(i % 80 + 1)
                        .arg(i % 70 + 1)
                        .arg(i);
        }
        writeFile(path, Cp1251::encode(text));
    }
    const QString tree = SupplierCatalogue::treeFilePath();
    const auto reset = [&] {
        Db::execute(QStringLiteral("DELETE FROM Art_CL"));
        Db::execute(QStringLiteral("DELETE FROM Grupi_CL"));
        Db::execute(QStringLiteral("DELETE FROM Firm_CL"));
        writeFile(tree, {});
    };
    MainWindow &main = mainWindow();
    main.form->show();
    QAction *openOffers = main.form->findChild<QAction *>(QStringLiteral("N_Oferti"));
    if (!openOffers)
        fail(QStringLiteral("the main window has no \"Оферти\""));
    double longestPause = 0;
    const Timing time = measureTimed(
        [&] {
            openOffers->trigger();
            settle();
            auto *offers = main.form->findChild<TForm_Oferti *>();
            if (!offers || !offers->isVisible())
                fail(QStringLiteral("the offers window did not open"));
            long long last = nowNs();
            double pause = 0;
            QTimer timer;
            timer.setInterval(100);
            QObject::connect(&timer, &QTimer::timeout, [&] {
                pause = qMax(pause, msSince(last));
                last = nowNs();
            });
            PlatformScript::answer(path);
            const qsizetype messages = PlatformScript::texts(QStringLiteral("message")).size();
            const long long start = nowNs();
            timer.start();
            offers->N_Import_CL->trigger();
            settle();
            const double ms = msSince(start);
            pause = qMax(pause, msSince(last));
            longestPause = longestPause == 0 ? pause : qMin(longestPause, pause);
            if (PlatformScript::texts(QStringLiteral("message")).size() != messages + 1
                || Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Art_CL")).toInt() != ImportLines)
                fail(QStringLiteral("the catalogue import ended with: ") + lastMessage());
            offers->close();
            settle();
            return ms;
        },
        reset);
    openOffers->trigger();
    settle();
    auto *offers = main.form->findChild<TForm_Oferti *>();
    offerListRoads(offers, ImportLines);
    offers->close();
    settle();
    reset();
    Raw insert(QStringLiteral("INSERT INTO Art_CL (ID, Opisanie, Cena_1, Cena_2, Cena_3, Valuta, Status, ID_G, ID_F, "
                              "Kat_N) VALUES (?, ?, ?, ?, ?, 'BGN', 'наличен', ?, 1, ?)"));
    const Timing base = measure(
        [&] {
            rawExec("BEGIN IMMEDIATE");
            for (int i = 0; i < ImportLines; ++i)
                insert.bind(1, i + 1LL)
                    .bind(2, articleName(i).toUtf8())
                    .bind(3, i % 90 + 1.5)
                    .bind(4, i % 80 + 1.1)
                    .bind(5, i % 70 + 1.0)
                    .bind(6, (long long)(i / (ImportLines / groups) + 1))
                    .bind(7, QStringLiteral("КН-%1").arg(i).toUtf8())
                    .run();
            rawExec("COMMIT");
        },
        reset);
    reset();
    Figure f{QStringLiteral("offers.import"), QStringLiteral("оферти: каталог от 100 000 реда"), time, base, 10,
             QStringLiteral("„Оферти“ → „Добави“; най-дълга пауза на таймер 100 ms: %1 ms (до 250)")
                 .arg(longestPause, 0, 'f', 0)};
    f.failed = longestPause > 250;
    report(f);
}
} // namespace Bench

namespace Bench {
// "Импорт на данни" → counterparties: 100 000 lines without EIK naming
// 20 000 companies with their persons, each five times: the first line of
// each adds it, the other four find it by name and the person's EGN.
void counterpartyImportRoad(const QString &home)
{
    constexpr int Distinct = 20000;
    const QString path = QDir(home).filePath(QStringLiteral("counterparties.txt"));
    const auto company = [](int k) { return QStringLiteral("Внос %1 ЕООД").arg(k); };
    const auto person = [](int k) { return QStringLiteral("Лице %1").arg(k); };
    const auto egn = [](int k) { return QString::number(8000000000LL + k); };
    {
        QByteArray text;
        text.reserve(ImportLines * 80);
        for (int i = 0; i < ImportLines; ++i) {
            const int k = i % Distinct;
            text += QStringLiteral("3:[%1]4:[София]11:[%2]15:[%3]\r\n").arg(company(k), person(k), egn(k)).toUtf8();
        }
        writeFile(path, text);
    }
    // Only what the import wrote goes: the generated register stays.
    const auto reset = [&] {
        Db::execute(QStringLiteral("DELETE FROM Klienti WHERE ID IN (SELECT ID_Mol FROM Firmi WHERE ID > ?)"),
                    {CounterpartyCount});
        Db::execute(QStringLiteral("DELETE FROM Firmi WHERE ID > ?"), {CounterpartyCount});
    };
    const auto added = [] {
        return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Firmi WHERE ID > ?"), {CounterpartyCount}).toInt();
    };
    QWidget owner;
    reset();
    const Timing time = measure(
        [&] {
            PlatformScript::answer(path);
            Imports::N_Import_KontragentsClick(&owner);
            if (added() != Distinct)
                fail(QStringLiteral("the import added %1 counterparties: ").arg(added()) + lastMessage());
        },
        reset);
    reset();
    const CounterpartyImport::Lookup lookup = CounterpartyImport::lookups({}, {}, {}).value(1);
    Raw find(lookup.sql);
    Raw person_(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient, Grad, EGN) VALUES (?, ?, 'София', ?)"));
    Raw firm(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, Grad, ID_Mol) VALUES (?, ?, 'София', ?)"));
    Raw nextPerson(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Klienti"));
    Raw nextFirm(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Firmi"));
    const Timing base = measure(
        [&] {
            rawExec("BEGIN IMMEDIATE");
            for (int i = 0; i < ImportLines; ++i) {
                const int k = i % Distinct;
                const QByteArray name = company(k).toUtf8(), code = egn(k).toUtf8();
                find.bind(1, name).bind(2, code).run();
                if (find.rows() > 0)
                    continue;
                const long long p = nextPerson.run(), f = nextFirm.run();
                person_.bind(1, p).bind(2, person(k).toUtf8()).bind(3, code).run();
                firm.bind(1, f).bind(2, name).bind(3, p).run();
            }
            rawExec("COMMIT");
        },
        reset);
    reset();
    report({QStringLiteral("counterparties.import"), QStringLiteral("импорт на 100 000 контрагента без ЕИК"), time,
            base, 10, QStringLiteral("20 000 нови, 80 000 повторени; база: търсенето и записът в една транзакция")});
}
} // namespace Bench
