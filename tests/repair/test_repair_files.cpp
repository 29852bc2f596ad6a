#include "app/app_state.h"
#include "app/list_export.h"
#include "app/mode_tab.h"
#include "common/cp1251.h"
#include "common/dates.h"
#include "common/settings.h"
#include "desk/device_file_writer.h"
#include "desk/text_viewer.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/script.h"
#include "repair/form_remont.h"
#include "repair/reception.h"
#include "repair/reception_ticket.h"
#include "repair/repair_protocol.h"
#include "repair/serial_lookup.h"
#include "repair/service_tab.h"
#include "test_registry.h"
#include "test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
QString iso(int daysFromToday)
{
    return Dates::toIso(QDate::currentDate().addDays(daysFromToday));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

RepairProtocol::Line repairLine(long long id, const QString &remont, double kol, double price,
                                std::optional<double> suma)
{
    RepairProtocol::Line l;
    l.id = id;
    l.warranty = QStringLiteral("05.03.2024");
    l.remont = remont;
    l.kol = kol;
    l.price = price;
    l.currency = QStringLiteral("EUR");
    l.suma = suma;
    return l;
}
} // namespace

class RepairProtocolTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layoutWithoutLines()
    {
        RepairProtocol::Protocol p;
        p.today = QDate(2024, 3, 5);
        p.client = QStringLiteral("Иванов ЕООД");
        p.article = QStringLiteral("Лаптоп");
        p.serial = QStringLiteral("AB12");
        p.reason = QStringLiteral("не светва");
        p.firm.name = QStringLiteral("Сервиз ООД");
        p.firm.mol = QStringLiteral("Петров");
        p.total = QStringLiteral("Обща сума на ремонта в лв : 0.00");
        p.operatorName = QStringLiteral("Ана");
        p.footer = QStringLiteral("край");
        const QStringList l = RepairProtocol::lines(p);
        QCOMPARE(l.size(), 39);
        QCOMPARE(l[1], QString(20, QLatin1Char(' ')) + QStringLiteral(" ПРОТОКОЛ ЗА РЕМОНТ "));
        QCOMPARE(l[4], QStringLiteral("Днес 05.03.2024 на клиент: Иванов ЕООД") + QString(24, QLatin1Char(' ')));
        QCOMPARE(l[6], QStringLiteral("SN:AB12"));
        QCOMPARE(l[9], QStringLiteral("представител на Сервиз ООД,"));
        QCOMPARE(l[10], QStringLiteral("представлявано от  Петров"));
        QCOMPARE(l[20], RepairProtocol::tableHead());
        QCOMPARE(l[21], RepairProtocol::tableFoot()); // the head directly followed by the foot
        QCOMPARE(l[26], p.total);
        QCOMPARE(l[31].size(), 60);
        QCOMPARE(l[33], QStringLiteral("      /               /              Ана"));
        QCOMPARE(l[38], QStringLiteral("край"));
        for (int i : {0, 2, 3, 8, 17, 19, 22, 25, 27, 30, 32, 34, 37})
            QVERIFY2(l[i].isEmpty(), qPrintable(QString::number(i)));
        // a long client is cut to 35
        p.client = QString(40, QLatin1Char('x'));
        QCOMPARE(RepairProtocol::lines(p)[4].size(), QStringLiteral("Днес 05.03.2024 на клиент: ").size() + 35);
    }

    void rows_data()
    {
        QTest::addColumn<RepairProtocol::Line>("line");
        QTest::addColumn<QString>("row");
        QTest::newRow("2 x 10 EUR") << repairLine(1, QStringLiteral("Смяна"), 2, 10, 2 * 10 * 1.95583)
                                    << QStringLiteral("|1    | 05.03.2024  | Смяна") + QString(52, QLatin1Char(' '))
                                           + QStringLiteral("| 2   | 10.0000    |  EUR     |39.1166   |");
        QTest::newRow("60 characters keep 57")
            << repairLine(2, QString(60, QLatin1Char('a')), 1, 5, 5.0)
            << QStringLiteral("|2    | 05.03.2024  | ") + QString(57, QLatin1Char('a'))
                   + QStringLiteral("| 1   | 5.0000     |  EUR     |5         |");
        QTest::newRow("no rate, tiny quantity")
            << repairLine(3, QStringLiteral("x"), 0.00001, 1, std::nullopt)
            << QStringLiteral("|3    | 05.03.2024  | x") + QString(56, QLatin1Char(' '))
                   + QStringLiteral("| 0.000| 1.0000     |  EUR     |          |");
    }
    void rows()
    {
        QFETCH(RepairProtocol::Line, line);
        QFETCH(QString, row);
        QCOMPARE(RepairProtocol::tableRow(line), row);
    }

    void barsUnderTheHead()
    {
        const QString head = RepairProtocol::tableHead();
        const QString foot = RepairProtocol::tableFoot();
        const QString row = RepairProtocol::tableRow(repairLine(1, QStringLiteral("Смяна"), 2, 10, 39.1166));
        QCOMPARE(head.size(), 121);
        QCOMPARE(foot.size(), 121);
        QCOMPARE(row.size(), 121);
        for (int i = 0; i < head.size(); ++i) {
            QCOMPARE(head[i] == QLatin1Char('+'), foot[i] == QLatin1Char('+'));
            QCOMPARE(head[i] == QLatin1Char('+'), row[i] == QLatin1Char('|'));
        }
    }

    void printFromTheWorkList()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (1, 'Без лице ООД', 99)"));
        Db::execute(QStringLiteral("INSERT INTO Status_Remont (ID, Opisanie, Color) VALUES (1, 'Приет', 2)"));
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('EUR', 1.95583, 'False')"));
        Db::execute(QStringLiteral("INSERT INTO Priem_Ser (N_Prodajba, Barkod, Opisanie, S_N, Pri4ina, ID_Kontrag, "
                                   "Data_Priem, Status, Krai_Data, Valuta) VALUES (10, -1, 'Лаптоп', 'SN9', 'шум', 1, "
                                   "?, 1, ?, 'BGN')"),
                    {iso(0), iso(0)});
        Db::execute(QStringLiteral("INSERT INTO Remont (N_Priem, Remont, Kol, Ed_Cena, Valuta, Garan_Remont, SN, "
                                   "Zamqna, Oper_Remont) VALUES (10, 'Смяна', 2, 10, 'EUR', '2024-03-05', '', "
                                   "'False', 'Ана')"));
        Settings::writeString(Keys::Firm_Data_Bank, QStringLiteral("Банка АД"));
        AppState::instance().setCurrentOperator(QStringLiteral("Ана"));
        QStringList shown;
        TextViewer::setViewer([&](const QString &path, QWidget *) { shown << path; });
        const QString file = QDir(program.file(QStringLiteral("TEMP"))).filePath(QStringLiteral("Remont.tmp"));
        {
            TForm_Remont w;
            w.show();
            // nothing listed: nothing written
            Db::execute(QStringLiteral("UPDATE Priem_Ser SET Opisanie = 'Лаптоп'"));
            w.Edit_Search_Text->setText(QStringLiteral("няма такова"));
            w.Button_SearchClick();
            QVERIFY(!w.Button_PrintClick());
            QVERIFY(!QFile::exists(file));
            w.Button_SearchClick(); // the emptied text lists all
            QCOMPARE(w.CurrentIntakeNumber, 10LL);
            QVERIFY(w.Button_Print->isEnabled());
            w.Button_Print->click();
            QCOMPARE(shown, QStringList{file});
            const QStringList lines = QString::fromUtf8(readFile(file)).split(QStringLiteral("\r\n"));
            QCOMPARE(lines.size(), 41); // 40 lines, each ended by CR LF
            QCOMPARE(lines[4].trimmed(), QStringLiteral("Днес ") + Dates::todayShort()
                                            + QStringLiteral(" на клиент: Без лице ООД"));
            QCOMPARE(lines[5], QStringLiteral("За стоката: Лаптоп"));
            QCOMPARE(lines[7], QStringLiteral("Причина за постъпване:шум"));
            QCOMPARE(lines[16], QStringLiteral("При банка: Банка АД"));
            QCOMPARE(lines[21], QStringLiteral("|1    | 05.03.2024  | Смяна") + QString(52, QLatin1Char(' '))
                                    + QStringLiteral("| 2   | 10.0000    |  EUR     |39.1166   |"));
            QCOMPARE(lines[27], w.Label_Ob6to_SUM->text());
            QCOMPARE(lines[39], ReportFooter);
            // printing again overwrites
            Db::execute(QStringLiteral("DELETE FROM Remont"));
            w.Button_SearchClick();
            QVERIFY(w.Button_PrintClick());
            QCOMPARE(QString::fromUtf8(readFile(file)).split(QStringLiteral("\r\n")).size(), 40);
        }
        TextViewer::setViewer({});
        AppState::instance().setCurrentOperator(QString());
    }
};

namespace {
struct TicketFixture {
    TicketFixture()
    {
        DeviceFileWriter::instance().resetForTest();
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, Telefon, ID_Mol) VALUES "
                                   "(7, 'Иванов ЕООД', NULL, 0)"));
        AppState::instance().setCurrentOperator(QStringLiteral("Ана"));
        AppState::instance().setTerminal(1);
        PlatformScript::clearEvents();
    }
    ~TicketFixture()
    {
        AppState::instance().setCurrentOperator(QString());
        DeviceFileWriter::instance().resetForTest();
    }
    void department(int id, const QString &name, const QString &folder, const QString &type)
    {
        Db::execute(QStringLiteral("INSERT INTO Type_Prigotvq_Se (ID, Opisanie, Path, Vid_FU) VALUES (?, ?, ?, ?)"),
                    {id, name, folder, type});
    }
    long long add(const QString &article, const QString &reason)
    {
        Reception::Line l;
        l.description = article;
        l.reason = reason;
        l.client = 7;
        l.operatorName = QStringLiteral("Ана");
        l.currency = QStringLiteral("BGN");
        l.taken = QDate::currentDate();
        l.repairBy = QDate::currentDate();
        return Reception::add(l);
    }
    TestProgram program;
};

QByteArray expectedTicket(bool star, long long line)
{
    QString text = star ? QStringLiteral("*\r\n") : QString();
    text += QStringLiteral(":=======================\r\n:3:КУХНЯ\r\n:=======================\r\n:ПОС: 1\r\n"
                           ":Приет под N: %1\r\n:Клиент: Иванов ЕООД\r\n:Клиент тел.: \r\n:Арт.: Лаптоп\r\n"
                           ":Причина: не светва\r\n:Опер.: Ана             \r\n:=======================\r\n"
                           ":Цена ремонт: \r\n:=======================\r\n")
                .arg(line);
    return Cp1251::encode(text);
}

void markRows(ServiceTab &s, const QList<int> &rows, int current)
{
    s.DBGrid_Ser->clearSelection();
    if (current >= 0)
        s.DBGrid_Ser->selectionModel()->setCurrentIndex(s.lines()->index(current, 0), QItemSelectionModel::NoUpdate);
    for (int r : rows)
        s.DBGrid_Ser->selectionModel()->select(s.lines()->index(r, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
}
} // namespace

class ReceptionTicketTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void exactBytes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("star");
        QTest::newRow("1") << QStringLiteral("1: ЕЛТРЕЙД - Фискален принтер") << true;
        QTest::newRow("0") << QStringLiteral("0: Няма") << false;
        QTest::newRow("14") << QStringLiteral("14: Друг") << false;
    }
    void exactBytes()
    {
        QFETCH(QString, type);
        QFETCH(bool, star);
        TicketFixture f;
        const QString folder = f.program.file(QStringLiteral("Kitchen"));
        f.department(3, QStringLiteral("Кухня"), folder, type);
        const long long n = f.add(QStringLiteral("Лаптоп"), QStringLiteral("не светва"));
        QCOMPARE(ReceptionTicket::send(3, {n, 7, QStringLiteral("Лаптоп"), QStringLiteral("не светва")}, 1,
                                       QStringLiteral("Ана")),
                 ReceptionTicket::Outcome::Queued);
        QVERIFY(QFileInfo(folder).isDir()); // a missing folder is made
        QCOMPARE(DeviceFileWriter::instance().flush(), 0);
        QCOMPARE(readFile(QDir(folder).filePath(QStringLiteral("ToPrepare_Ser.bon"))), expectedTicket(star, n));
    }

    void operatorCutTo16()
    {
        ReceptionTicket::Ticket t;
        t.operatorName = QString(20, QLatin1Char('o'));
        t.reason = QStringLiteral("a\r\nb");
        const QStringList lines = Cp1251::decode(ReceptionTicket::bytes(t)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines[9], QStringLiteral(":Опер.: ") + QString(16, QLatin1Char('o')));
        QCOMPARE(lines[8], QStringLiteral(":Причина: a b")); // a line break never splits the ticket
        QCOMPARE(lines.size(), 14); // 13 lines, each ended by CR LF
    }

    void fromTheServiceTab()
    {
        TicketFixture f;
        const QString folder = f.program.file(QStringLiteral("Kitchen"));
        f.department(3, QStringLiteral("Кухня"), folder, QStringLiteral("3: ДАТЕКС"));
        f.department(4, QStringLiteral("Склад"), QString(), QStringLiteral("3: ДАТЕКС"));
        f.department(5, QStringLiteral("Далеч"), f.program.file(QStringLiteral("no/such")), QStringLiteral("3: ДАТЕКС"));
        const long long first = f.add(QStringLiteral("Телефон"), QStringLiteral("друго"));
        const long long second = f.add(QStringLiteral("Лаптоп"), QStringLiteral("не светва"));
        ModeTab tab(QStringLiteral("TabSheet_Servis"), QStringLiteral("СЕРВИЗ"));
        ServiceTab s(&tab);
        s.tabActivated();
        QCOMPARE(s.lines()->rowCount(), 2);
        const QString ticket = QDir(folder).filePath(QStringLiteral("ToPrepare_Ser.bon"));
        auto lastMessage = [] {
            const QStringList texts = PlatformScript::texts(QStringLiteral("message"));
            return texts.isEmpty() ? QString() : texts.last();
        };
        auto choose = [&](const QString &text) { s.ComboBox_Otdel->setCurrentIndex(s.ComboBox_Otdel->findText(text)); };

        // none marked
        markRows(s, {}, 1);
        s.Button1->click();
        QCOMPARE(lastMessage(), QStringLiteral("Необходимо е да се изберат данни за издаване на служебен бон"));
        // "0:Не се приготвя" and a department without a folder: nothing is written
        markRows(s, {0, 1}, 1);
        choose(QStringLiteral("0:Не се приготвя"));
        s.Button1->click();
        QCOMPARE(lastMessage(), QStringLiteral("Изберете отдел, за който е зададена папка"));
        choose(QStringLiteral("4:Склад"));
        s.Button1->click();
        QCOMPARE(lastMessage(), QStringLiteral("Изберете отдел, за който е зададена папка"));
        // a folder that cannot be made (its parent is missing)
        choose(QStringLiteral("5:Далеч"));
        s.Button1->click();
        QVERIFY2(lastMessage().startsWith(QStringLiteral("Неуспешен печат на бон\nПапката не съществува и не може да "
                                                         "бъде създадена: ")),
                 qPrintable(lastMessage()));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Pending_Files")).toInt(), 0);

        // several marked: only the current line
        choose(QStringLiteral("3:Кухня"));
        PlatformScript::clearEvents();
        s.Button1->click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 0);
        QCOMPARE(DeviceFileWriter::instance().flush(), 0);
        QCOMPARE(readFile(ticket), expectedTicket(false, second));

        // the driver has not taken it: the next one waits, then follows
        markRows(s, {0, 1}, 0);
        s.Button1->click();
        QCOMPARE(DeviceFileWriter::instance().flush(), 1);
        QCOMPARE(readFile(ticket), expectedTicket(false, second));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QVERIFY(lastMessage().startsWith(QStringLiteral("Бонът за отдел 3 чака")));
        QFile::remove(ticket);
        QCOMPARE(DeviceFileWriter::instance().flush(), 0);
        QVERIFY(readFile(ticket).contains(Cp1251::encode(QStringLiteral(":Приет под N: %1\r\n").arg(first))));
    }
};

namespace {
struct LookupFixture {
    LookupFixture()
    {
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (5, 'Доставчик АД', 0), "
                                   "(7, 'Купувач ООД', 0)"));
        Db::execute(QStringLiteral("INSERT INTO Rab_Dokumenti (ID, Opisanie) VALUES (1, 'Фактура')"));
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie) VALUES (12, 'Принтер'), (13, 'Скенер')"));
        PlatformScript::clearEvents();
    }
    void card(long long id, const QString &serial, const QString &validUntil, const QString &model = QStringLiteral("M1"),
              const QString &date = QStringLiteral("2024-01-10"))
    {
        Db::execute(QStringLiteral("INSERT INTO Garancia_dostavtchik (ID, ID_Kontrag, Vid_Dok, ID_Dok, Data, Zabel) "
                                   "VALUES (?, 5, 1, ?, ?, 'бележка')"),
                    {id, QStringLiteral("D%1").arg(id), date});
        Db::execute(QStringLiteral("INSERT INTO Serials (ID_Karta, ID, Model, Partida, Serial_ID, Data) VALUES "
                                   "(?, 12, ?, 'P1', ?, ?)"),
                    {id, model, serial, validUntil});
    }
    void sale(const QString &serial, long long article, long long client, const QString &day,
              const QString &warranty = QStringLiteral("12 месеца"))
    {
        Db::execute(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, D_Prodajba, T_Prodajba, ID_Klient, "
                                   "Pored_Ot, Pored_Do) VALUES ((SELECT COALESCE(MAX(ID_Prodajba), 0) + 1 FROM "
                                   "Prodajbi), ?, ?, '10:00:00', ?, ?, ?)"),
                    {article, day, client, serial, warranty});
    }
    TestProgram program;
};
} // namespace

class SerialLookupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookups()
    {
        LookupFixture f;
        f.card(1, QStringLiteral("ab12x"), iso(10), QStringLiteral("стар"));
        f.card(2, QStringLiteral("ab12x"), iso(20), QStringLiteral("нов"));
        f.sale(QStringLiteral("AB12X"), 12, 7, QStringLiteral("2024-01-01"));
        f.sale(QStringLiteral("AB12X"), 13, 0, QStringLiteral("2024-02-01"));
        f.sale(QStringLiteral("ZZ123"), 12, 7, QStringLiteral("2024-01-01"));

        QVERIFY(!SerialLookup::find(QStringLiteral("  "), false));
        QVERIFY(!SerialLookup::find(QString(), true));

        // the card by the upper-cased comparison; the sale by the exact text; the highest card and latest sale
        auto r = SerialLookup::find(QStringLiteral("AB12X"), false);
        QVERIFY(r && r->card.found && r->sale.found);
        QCOMPARE(r->card.id, 2LL);
        QCOMPARE(r->card.kind, QStringLiteral("Фактура"));
        QCOMPARE(r->card.supplierName, QStringLiteral("Доставчик АД"));
        QCOMPARE(r->piece.model, QStringLiteral("нов"));
        QCOMPARE(r->sale.article, 13LL);
        QVERIFY(!r->sale.hasClient); // a sale without a counterparty is found

        // a part: the first serial in serial order, looked up exactly
        r = SerialLookup::find(QStringLiteral("12"), true);
        QCOMPARE(r->serial, QStringLiteral("ab12x"));
        QVERIFY(r->card.found);
        QVERIFY(!r->sale.found); // "AB12X" is another text
        // a part found only among the sales
        r = SerialLookup::find(QStringLiteral("z1"), true);
        QCOMPARE(r->serial, QStringLiteral("ZZ123"));
        QVERIFY(!r->card.found && !r->piece.found);
        QCOMPARE(r->sale.clientName, QStringLiteral("Купувач ООД"));
        // a part with LIKE's own characters matches them literally
        r = SerialLookup::find(QStringLiteral("%"), true);
        QCOMPARE(r->serial, QString());
        QVERIFY(!r->card.found && !r->sale.found && !r->piece.found);
    }

    void prefill_data()
    {
        QTest::addColumn<int>("validDays");
        QTest::addColumn<bool>("prefilled");
        QTest::newRow("valid until today") << 0 << false;
        QTest::newRow("valid until tomorrow") << 1 << true;
    }
    void prefill()
    {
        QFETCH(int, validDays);
        QFETCH(bool, prefilled);
        LookupFixture f;
        f.card(3, QStringLiteral("SN-1"), iso(validDays));
        ModeTab tab(QStringLiteral("TabSheet_Servis"), QStringLiteral("СЕРВИЗ"));
        ServiceTab s(&tab);
        s.tabActivated();
        s.Edit_SN->setText(QStringLiteral("sn-1"));
        QTest::keyClick(s.Edit_SN, Qt::Key_Return);
        QCOMPARE(s.Label_Dost->text(), QStringLiteral("5:Доставчик АД"));
        QCOMPARE(s.Label_Dost_Dok_ID->text(), QStringLiteral("D3"));
        QCOMPARE(s.Label_Dost_Data->text(), QStringLiteral("10.01.2024"));
        QCOMPARE(s.Label_Dost_Garanc->text(), Dates::toShort(QDate::currentDate().addDays(validDays)));
        QCOMPARE(s.Label_Dost_zabel->text(), QStringLiteral("бележка"));
        QCOMPARE(s.Label_Art_Model->text(), QStringLiteral("M1"));
        QCOMPARE(s.Label_Art_Partida->text(), QStringLiteral("P1"));
        // never sold: the free-text article and no client
        QVERIFY(s.ChkBox_Free_Tekst->isChecked());
        QCOMPARE(s.Edit_Art->text(), QStringLiteral("Не е посочено описание на стока"));
        QCOMPARE(s.Label_Selected_Kontragent_Ser->text(), QStringLiteral("0: Няма избран Контрагент"));
        QCOMPARE(s.ChkBox_Gar->isChecked(), prefilled);
        QCOMPARE(s.Edit_Model->text(), prefilled ? QStringLiteral("M1") : QString());
        QCOMPARE(s.Edit_Gar_Dok_N->text(), prefilled ? QStringLiteral("D3") : QString());
        QCOMPARE(s.Label_Ime_Dost->text(),
                 prefilled ? QStringLiteral("5:Доставчик АД") : QStringLiteral("0: Няма избран контрагент"));
        if (prefilled) {
            QCOMPARE(s.DateTimePicker_Data_Dok->date(), QDate(2024, 1, 10));
            QCOMPARE(s.DateTimePicker_Krai_Data->date(), QDate::currentDate().addDays(1));
        }
    }

    void onTheTab()
    {
        LookupFixture f;
        f.card(4, QStringLiteral("CARD-ONLY"), iso(-5));
        f.sale(QStringLiteral("X-120"), 12, 7, QStringLiteral("2024-02-03"), QStringLiteral("24 м."));
        ModeTab tab(QStringLiteral("TabSheet_Servis"), QStringLiteral("СЕРВИЗ"));
        ServiceTab s(&tab);
        s.tabActivated();
        auto lookUp = [&](const QString &serial, bool part) {
            s.CheckBox_Select_Chast->setChecked(part);
            s.Edit_SN->setText(serial);
            s.Edit_SNKeyPress();
        };

        // a blank serial changes nothing
        s.Label_Art_Model->setText(QStringLiteral("Няма модел"));
        lookUp(QStringLiteral(" "), true);
        QCOMPARE(s.Label_Art_Model->text(), QStringLiteral("Няма модел"));
        QCOMPARE(s.Label_Dost->text(), QStringLiteral("0: Няма Доставчик"));
        QCOMPARE(s.Edit_Art->text(), QString());

        // a part matching only a sale fills the sale's data; sold on no card
        lookUp(QStringLiteral("12"), true);
        QVERIFY(!s.ChkBox_Free_Tekst->isChecked());
        QCOMPARE(s.Edit_Art->text(), QStringLiteral("12:Принтер"));
        QCOMPARE(s.Label_Opis_art->text(), QStringLiteral("12:Принтер"));
        QCOMPARE(s.Label_Selected_Kontragent_Ser->text(), QStringLiteral("7:Купувач ООД"));
        QVERIFY(s.ListBox_Selected_Kontrag_Ser->isHidden());
        QCOMPARE(s.Label_Garanc_art->text(), QStringLiteral("24 м."));
        QCOMPARE(s.Label_Art_Data_Prod->text(), QStringLiteral("03.02.2024"));
        QCOMPARE(s.Label_Dost->text(), QStringLiteral(":"));
        QCOMPARE(s.Label_Art_Model->text(), QString());
        QVERIFY(!s.ChkBox_Gar->isChecked());

        // on a card, never sold: what was typed stays
        lookUp(QStringLiteral("card-only"), false);
        QCOMPARE(s.Edit_Art->text(), QStringLiteral("12:Принтер"));
        QCOMPARE(s.Label_Selected_Kontragent_Ser->text(), QStringLiteral("7:Купувач ООД"));
        QCOMPARE(s.Label_Garanc_art->text(), QString());
        QCOMPARE(s.Label_Dost->text(), QStringLiteral("5:Доставчик АД"));
        QVERIFY(!s.ChkBox_Gar->isChecked()); // expired five days ago
    }
};

VTEST(RepairProtocolTest)
VTEST(ReceptionTicketTest)
VTEST(SerialLookupTest)
#include "test_repair_files.moc"
