#include "bench_shop.h"

#include "bench_support.h"

#include "catalogue/article_groups.h"
#include "common/settings.h"
#include "common/tree_file.h"
#include "desk/desk_lines.h"
#include "platform/db/database.h"

#include <QDate>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>

#include <vector>

namespace Bench {
namespace {
const QStringList &words()
{
    static const QStringList w = QStringLiteral(
        "Мляко Сирене Кашкавал Хляб Масло Олио Захар Брашно Ориз Боб Леща Кафе Чай Шоколад Бисквити Вафла Сок Вода "
        "Бира Вино Ракия Салам Наденица Шунка Пиле Свинско Телешко Риба Яйца Домати Краставици Чушки Картофи Лук "
        "Чесън Ябълки Круши Банани Портокали Лимони Грозде Ягоди Праскови Кисело Прясно Бяло Червено Зелено Голямо "
        "Малко Пакет Кутия Бутилка Буркан Винтове Гайки Кабел Контакт Крушка Батерия Зарядно Слушалки Мишка Клавиатура")
                                     .split(QLatin1Char(' '));
    return w;
}
} // namespace

const QString &op()
{
    static const QString name = QStringLiteral("Администратор");
    return name;
}

const QString &word(int i)
{
    return words().at(i % words().size());
}

QString articleName(int i)
{
    const QStringList &w = words();
    return w.at(i % w.size()) + QLatin1Char(' ') + w.at((i / w.size()) % w.size()).toLower() + QLatin1Char(' ')
           + QString::number(100 + i % 900) + QStringLiteral(" гр.");
}

QString barcodeOf(int i)
{
    return QStringLiteral("380%1").arg(i, 10, 10, QLatin1Char('0'));
}

int barcodeCount()
{
    return options().articles + options().articles / 2;
}

QString groupName(int g)
{
    return word(g) + QStringLiteral(" %1").arg(g);
}

Generation generateShop(const Contents &what)
{
    Generation timings;
    QElapsedTimer clock;
    clock.start();
    const int articles = options().articles;
    QRandomGenerator rng(23);
    std::vector<int> cents; // each article's price
    cents.reserve(articles);
    rawExec("BEGIN IMMEDIATE");
    rawExec("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('BGL', 1, 'True')");
    QList<TreeFileNode> tree{{QStringLiteral("Всички артикули"), 0}};
    {
        Raw group(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (?, ?)"));
        for (int g = 1; g <= GroupCount; ++g) {
            group.bind(1, (long long)g).bind(2, groupName(g).toUtf8()).run();
            tree << TreeFileNode{QString::number(g) + QLatin1Char(':') + groupName(g), 1};
        }
    }
    {
        Raw article(QStringLiteral(
            "INSERT INTO Produkti (ID, Nomenkl_N, Nomer_Grupa, Opisanie, Dostavna_Cena, Valuta_D, Ed_Cena, Valuta_P, "
            "Mqrka, Garancionen, Kasovo_Ime, Poredica, Min_Kol, Max_TO, Dan_Grup, Prigotvq_Se) "
            "VALUES (?, ?, ?, ?, ?, 'BGL', ?, 'BGL', 'бр.', 'False', ?, 'False', 0, 0, 2, 0)"));
        for (int i = 1; i <= articles; ++i) {
            // A server keeps every version of a group's count row that one
            // transaction writes, and each insert walks them: commit in parts.
            if (i % 20000 == 0) {
                rawExec("COMMIT");
                rawExec("BEGIN IMMEDIATE");
            }
            cents.push_back(50 + int(rng.bounded(5000)));
            const double price = cents.back() / 100.0;
            const QString name = articleName(i);
            article.bind(1, (long long)i)
                .bind(2, QStringLiteral("N-%1").arg(i).toUtf8())
                .bind(3, 1LL + i % GroupCount)
                .bind(4, name.toUtf8())
                .bind(5, price * 0.7)
                .bind(6, price)
                .bind(7, name.left(20).toUtf8())
                .run();
        }
    }
    {
        Raw barcode(QStringLiteral("INSERT INTO Barkodes (ID, Barkode) VALUES (?, ?)"));
        for (int b = 1; b <= barcodeCount(); ++b)
            barcode.bind(1, 1LL + (b - 1) % articles).bind(2, barcodeOf(b).toUtf8()).run();
    }
    {
        Raw firm(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, Grad, ID_Mol) VALUES (?, ?, 'София', 0)"));
        for (int f = 1; f <= CounterpartyCount; ++f)
            firm.bind(1, (long long)f).bind(2, QStringLiteral("%1 %2 ООД").arg(word(f)).arg(f).toUtf8()).run();
    }
    {
        // Every article in the first warehouse, a tenth of them in each other one.
        Raw warehouse(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (?, ?)"));
        Raw store(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (?, ?, 1000000)"));
        for (int w = 1; w <= WarehouseCount; ++w) {
            warehouse.bind(1, (long long)w).bind(2, QStringLiteral("Склад %1").arg(w).toUtf8()).run();
            for (int i = w == 1 ? 1 : w; i <= articles; i += w == 1 ? 1 : 10)
                store.bind(1, (long long)i).bind(2, (long long)w).run();
        }
    }
    rawExec("INSERT INTO Rab_Dokumenti (ID, Opisanie) VALUES (1, 'Фактура')");
    {
        Raw rule(QStringLiteral(
            "INSERT INTO SP_otstapka (ID_Klient, Otnasq_se_za, ID_Art_Gr, T_O, Suma_Up) VALUES (?, ?, ?, 5, 0)"));
        for (int r = 1; r <= DiscountRules; ++r)
            rule.bind(1, (long long)r).bind(2, QByteArray(r % 2 ? "G" : "A")).bind(3, r % 2 ? r : r * 1000LL).run();
    }
    if (what.history) {
        // The rest of the history that names articles.
        Raw delivery(QStringLiteral("INSERT INTO Dostavki (ID, Data_Dostavka, Nomer_Dostav4ik, Vid_Dokument, ID_Sklad) "
                                    "VALUES (?, '2025-01-01', 1, 1, 1)"));
        Raw delivered(QStringLiteral("INSERT INTO Dostavka_art (ID_Dostavka, Nomer_Produkt, Dostavna_Cena, Valuta_D, "
                                     "Prodajna_Cena, Valuta_P, Kolitchestvo, Mqrka) "
                                     "VALUES (?, ?, 1.2, 'BGL', 2.5, 'BGL', 12, 'бр.')"));
        for (int d = 1; d <= DeliveredLines / 100; ++d)
            delivery.bind(1, (long long)d).run();
        for (int l = 0; l < DeliveredLines; ++l)
            delivered.bind(1, 1LL + l / 100).bind(2, 1LL + rng.bounded(articles)).run();
        Raw count(QStringLiteral("INSERT INTO Revision (ID, Date_Rev, Time_Rev, Osnovanie, Sklad_ID) "
                                 "VALUES (?, '2025-06-01', '12:00:00', 'Проверка наличности', 1)"));
        Raw counted(QStringLiteral("INSERT INTO Revision_Art (ID_Rev, Art_ID, Nal_Kol, Otkr_Kol, Mqrka, Ed_Cena, Valuta) "
                                   "VALUES (?, ?, 10, 9, 'бр.', 2.5, 'BGL')"));
        for (int r = 1; r <= CountedRows / 1000; ++r)
            count.bind(1, (long long)r).run();
        for (int l = 0; l < CountedRows; ++l)
            counted.bind(1, 1LL + l / 1000).bind(2, 1LL + rng.bounded(articles)).run();
        Raw cancelled(QStringLiteral(
            "INSERT INTO Invalidate_Sales (ID_Prodajba, ID_Art, Operator, D_Prodajba, T_Prodajba, Kol, Ed_Cena, Valuta, "
            "ID_Klient, T_O, Konsign_N, Type_pay, Term_N, Osnovanie, Anuliral, Date_Invalidate, Time_Invalidate) "
            "VALUES (?, ?, ?, '2025-03-01', '12:00:00', 1, 2.5, 'BGL', 0, 0, 0, 'в брой', 1, 'грешка', ?, "
            "'2025-03-01', '12:05:00')"));
        const QByteArray name = op().toUtf8();
        for (int c = 1; c <= CancelledSales; ++c)
            cancelled.bind(1, (long long)c).bind(2, 1LL + rng.bounded(articles)).bind(3, name)
                .bind(4, name)
                .run();
        Raw documented(QStringLiteral("INSERT INTO Printed_Dok (ID_Prod, ID_Dok, N_Dok, ID_Kontrag, ID_Art, Data, fTime, "
                                      "Operator, Ot_Kade_Prod) VALUES (?, 1, ?, ?, ?, '2025-04-01', '12:00:00', ?, 1)"));
        for (int l = 0; l < DocumentLines; ++l)
            documented.bind(1, 1LL + l * 7)
                .bind(2, QByteArray::number(1 + l / 5))
                .bind(3, 1LL + l % CounterpartyCount)
                .bind(4, 1LL + rng.bounded(articles))
                .bind(5, name)
                .run();
    }
    // The desk numbers its lines after the cancelled ones, which were sold first.
    if (onServer()) {
        Raw(QStringLiteral("SELECT setval(pg_get_serial_sequence('prodajbi_vremenni', 'n_prodajba'), ?)"))
            .bind(1, (long long)CancelledSales)
            .run();
    } else {
        rawExec("DELETE FROM sqlite_sequence WHERE name = 'Prodajbi_Vremenni'");
        Raw(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('Prodajbi_Vremenni', ?)"))
            .bind(1, (long long)CancelledSales)
            .run();
    }
    rawExec("COMMIT");
    timings.rest = clock.elapsed() / 1000.0;
    // No receipt file nor department ticket for the history, nor for the
    // desk's roads whether or not the history was sold.
    Settings::writeInteger(Keys::Tuning_FB, 0);
    Settings::writeInteger(Keys::Tuning_23, 0);
    if (what.sales)
        timings.sales = sellThroughTheDesk(cents);
    clock.restart();
    if (!TreeFile::write(ArticleGroups::treeFilePath(), tree))
        fail(QStringLiteral("the group tree file was not written"));
    for (int l = 1; l <= OpenLines; ++l) {
        DeskLines::NewLine line;
        line.article = 1 + (l * 37) % articles;
        line.quantityText = QStringLiteral("1");
        line.priceText = QStringLiteral("1");
        line.listPrice = 1;
        line.op = op();
        if (DeskLines::insertLine(line).outcome != DeskLines::InsertResult::Written)
            fail(QStringLiteral("an open line was not written"));
    }
    Settings::writeInteger(Keys::Tuning_FB, 2);
    timings.rest += clock.elapsed() / 1000.0;
    clock.restart();
    checkKeptCounts(what);
    timings.check = clock.elapsed() / 1000.0;
    // A shop's statistics as bulk work and each session's close leave them.
    clock.restart();
    Db::afterBulkWork();
    timings.statistics = clock.elapsed() / 1000.0;
    return timings;
}
} // namespace Bench
