#include "documents/print_fixture.h"
#include "shell/test_main_window_support.h"
#include "test_registry.h"
#include "test_support.h"

#include "catalogue/article_pick.h"
#include "counterparties/counterparty_pick.h"
#include "documents/document_print_road.h"
#include "documents/issued_documents.h"
#include "documents/tab_print_panel.h"
#include "platform/db/column_registry.h"
#include "platform/db/list_model.h"
#include "platform/printer_check_list.h"
#include "platform/printers.h"
#include "platform/report/report_preview.h"
#include "repair/reception.h"
#include "repair/service_tab.h"

#include <QStyledItemDelegate>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlField>
#include <QTableView>
#include <QTest>

namespace {
const QString Admin = QStringLiteral("Администратор");

void firms()
{
    Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (7, 'Фирма ООД', 0), "
                               "(8, 'Друга ООД', 0)"));
}

Reception::Line line(long long client, const QString &op = Admin)
{
    Reception::Line l;
    l.description = QStringLiteral("Лаптоп");
    l.client = client;
    l.operatorName = op;
    l.currency = QStringLiteral("BGN");
    l.taken = QDate(2026, 3, 1);
    l.repairBy = QDate(2026, 3, 9);
    return l;
}

QString column(const char *sql)
{
    return Db::scalar(QString::fromUtf8(sql)).toString();
}

std::unique_ptr<TGeneral_Form> serviceWindow()
{
    auto form = shelltest::startedWindow();
    if (!form)
        return nullptr;
    shelltest::loginAs(Admin, QStringLiteral("admin"));
    form->PageControl1->setCurrentWidget(form->TabSheet_Servis);
    PlatformScript::setModalHandler({});
    PlatformScript::clearEvents();
    return form;
}

void mark(ServiceTab *s, const QList<int> &rows)
{
    s->DBGrid_Ser->clearSelection();
    for (int r : rows)
        s->DBGrid_Ser->selectionModel()->select(s->lines()->index(r, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
}
} // namespace

class ReceptionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linesBelongToTheirOperatorExactly()
    {
        TestProgram program;
        firms();
        const long long ivan = Reception::add(line(7, QStringLiteral("Иван")));
        const Reception::ListQuery mine = Reception::pending(QStringLiteral("Ива_"));
        QCOMPARE(Db::rows(mine.sql, mine.params).size(), 0);
        QVERIFY(!Reception::accept({ivan}, QStringLiteral("Ива_")).isEmpty());
        Reception::cancel({ivan}, QStringLiteral("Ива_"));
        QCOMPARE(column("SELECT COUNT(*) FROM Priem_Ser_Vremen"), QStringLiteral("1"));
        QCOMPARE(column("SELECT COUNT(*) FROM Priem_Ser"), QStringLiteral("0"));
        // an operator with pending lines is named by them
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Operators"), QStringLiteral("Ime"), QStringLiteral("Иван")),
                 QStringLiteral("Priem_Ser_Vremen"));
    }

    void acceptIsOneTransaction()
    {
        TestProgram program;
        firms();
        const long long a = Reception::add(line(7));
        const long long b = Reception::add(line(7));
        // the first marked line, accepted last, collides: nothing moves
        Db::execute(QStringLiteral("INSERT INTO Priem_Ser (N_Prodajba, Status) VALUES (?, 1)"), {a});
        QVERIFY(!Reception::accept({a, b}, Admin).isEmpty());
        QCOMPARE(joinedRows(QStringLiteral("SELECT N_Prodajba FROM Priem_Ser_Vremen ORDER BY N_Prodajba")), QStringLiteral("%1,%2").arg(a).arg(b));
        QCOMPARE(column("SELECT COUNT(*) FROM Priem_Ser"), QStringLiteral("1"));
        Db::execute(QStringLiteral("DELETE FROM Priem_Ser"));
        QCOMPARE(Reception::accept({a, b}, Admin), QString());
        QCOMPARE(joinedRows(QStringLiteral("SELECT N_Prodajba || ':' || Status || ':' || Opisanie || "
                                   "':' || Krai_Data || ':' || ID_Kontrag AS x FROM Priem_Ser ORDER BY N_Prodajba"),
                            QStringLiteral(" ")),
                 QStringLiteral("%1:1:Лаптоп:2026-03-09:7 %2:1:Лаптоп:2026-03-09:7").arg(a).arg(b));
        QCOMPARE(column("SELECT COUNT(*) FROM Priem_Ser_Vremen"), QStringLiteral("0"));
        // numbers are never handed out again
        QVERIFY(Reception::add(line(7)) > b);
        // a line accepted meanwhile rolls the rest back
        const long long c = Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Priem_Ser_Vremen")).toLongLong();
        QVERIFY(!Reception::accept({c, b}, Admin).isEmpty());
        QCOMPARE(column("SELECT COUNT(*) FROM Priem_Ser_Vremen"), QStringLiteral("1"));
    }

    void cancelRemovesTheServiceLogOnly()
    {
        TestProgram program;
        firms();
        const long long n = Reception::add(line(7));
        Db::execute(QStringLiteral("INSERT INTO Printed_Dok (ID_Prod, ID_Dok, Ot_Kade_Prod) VALUES (?, 1, 2), (?, 1, 1)"),
                    {n, n});
        Reception::cancel({n}, Admin);
        QCOMPARE(column("SELECT COUNT(*) FROM Priem_Ser_Vremen"), QStringLiteral("0"));
        QCOMPARE(joinedRows(QStringLiteral("SELECT Ot_Kade_Prod FROM Printed_Dok ORDER BY rowid")), QStringLiteral("1"));
    }

    void pricesAndReasons()
    {
        double p = 0;
        QVERIFY(Reception::parsePrice(QStringLiteral("12,5"), 2, &p));
        QCOMPARE(p, 12.5);
        QVERIFY(Reception::parsePrice(QStringLiteral("1.005"), 2, &p));
        QCOMPARE(p, 1.01);
        QVERIFY(!Reception::parsePrice(QStringLiteral("12a"), 2, &p));
        QVERIFY(!Reception::parsePrice(QString(), 2, &p));
        QCOMPARE(Reception::joinReason(QStringLiteral("a\nb")), QStringLiteral("ab"));
        QCOMPARE(Reception::joinReason(QString(300, QLatin1Char('x'))).size(), 255);
    }

    void loggedLineFromEachStage()
    {
        TestProgram program;
        firms();
        Reception::Line l = line(7);
        l.article = 12;
        l.price = 30;
        l.serial = QStringLiteral("SN1");
        const long long pending = Reception::add(l);
        const long long accepted = Reception::add(l);
        QCOMPARE(Reception::accept({accepted}, Admin), QString());
        Db::execute(QStringLiteral("INSERT INTO R_Priem (N_Priem, Barkod, Opisanie, Pred_Cena_Remont, Valuta, S_N) "
                                   "VALUES (900, -1, 'Телефон', 5, 'EUR', 'X')"));
        for (long long n : {pending, accepted}) {
            const auto found = Reception::loggedLine(n);
            QVERIFY(found);
            QCOMPARE(found->article, 12LL);
            QCOMPARE(found->quantity, 1.0);
            QCOMPARE(found->price, 30.0);
            QCOMPARE(found->serial, QStringLiteral("SN1"));
        }
        const auto archived = Reception::loggedLine(900);
        QVERIFY(archived);
        QCOMPARE(archived->description, QStringLiteral("Телефон"));
        QCOMPARE(archived->currency, QStringLiteral("EUR"));
        QVERIFY(!Reception::loggedLine(901));
    }

    void issuedServiceDocumentReadsItsLines()
    {
        TestProgram program;
        firms();
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('EUR', 2, 'False')"));
        QVERIFY(PrintFixture::save(QStringLiteral("Протокол"), PrintFixture::layout({}), QStringLiteral("0005"),
                                   QStringLiteral("СЕРВИЗ")));
        const long long kind = Db::scalar(QStringLiteral("SELECT ID_Dokument FROM Dokumenti WHERE Opisanie = 'Протокол'"))
                                   .toLongLong();
        Reception::Line l = line(7);
        l.price = 30;
        l.currency = QStringLiteral("EUR");
        l.serial = QStringLiteral("SN1");
        const long long n = Reception::add(l);
        Db::execute(QStringLiteral("INSERT INTO Printed_Dok (ID_Prod, ID_Dok, ID_Kontrag, ID_Art, N_Dok, Operator, Data, "
                                   "fTime, Ot_Kade_Prod) VALUES (?, ?, 7, -1, '0004', ?, '2026-03-01', '11:00:00', 2)"),
                    {n, kind, Admin});
        const IssuedDocuments::Issued doc{kind, QStringLiteral("0004"), QStringLiteral("Протокол"), OriginService, 7};
        IssuedDocuments::setServiceLines({});
        QVERIFY(!IssuedDocuments::hasLines(doc));
        IssuedDocuments::setServiceLines(Reception::loggedLinesSql());
        QVERIFY(IssuedDocuments::hasLines(doc));
        for (int stage = 0; stage < 2; ++stage) { // pending, then accepted
            Report::Data data;
            QString error;
            QVERIFY2(IssuedDocuments::lines(doc, &data, &error), qPrintable(error));
            QCOMPARE(data.rowCount(), 1);
            QCOMPARE(data.value(0, data.columnNamed(QStringLiteral("Opisanie"))).toString(), QStringLiteral("Лаптоп"));
            QCOMPARE(data.value(0, data.columnNamed(QStringLiteral("Kol"))).toDouble(), 1.0);
            QCOMPARE(data.value(0, data.columnNamed(QStringLiteral("Pored_Ot"))).toString(), QStringLiteral("SN1"));
            QCOMPARE(data.value(0, data.columnNamed(QStringLiteral("Ime_Firma"))).toString(), QStringLiteral("Фирма ООД"));
            QCOMPARE(IssuedDocuments::total(data), Decimal(60));
            if (stage == 0)
                QCOMPARE(Reception::accept({n}, Admin), QString());
        }
        IssuedDocuments::setServiceLines({});
    }
};

class ServiceTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        Printers::setInstalledForTests(std::nullopt);
        PriceDecimals = 4;
    }

    void addingLines()
    {
        TestProgram program;
        firms();
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P) VALUES (12, 'Принтер', 30.5, 'EUR')"));
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('EUR', 1.95583, 'False')"));
        auto form = serviceWindow();
        QVERIFY(form);
        ServiceTab *s = ServiceTab::instance();
        QVERIFY(s);
        QCOMPARE(s->ComboBox_Valuta->count(), 2);
        s->tabActivated(); // switching again lists each currency once
        QCOMPARE(s->ComboBox_Valuta->count(), 2);
        QCOMPARE(s->ComboBox_Otdel->count(), 1);
        QVERIFY(!s->ComboBox_Valuta->isEditable());
        QCOMPARE(s->ComboBox_Otdel->itemText(0), QStringLiteral("0:Не се приготвя"));
        QVERIFY(s->Button_Remont->isEnabled()); // the work list exists
        QCOMPARE(s->Label_Dost_Dok_ID->text(), QStringLiteral("0000000000"));
        QCOMPARE(s->Label_Art_Partida->text(), QStringLiteral("Няма партида"));

        // no client: the message and the picker in mode 9
        QSignalSpy pickers(s, &ServiceTab::counterpartiesRequested);
        s->Button2->click();
        QCOMPARE(pickers.size(), 1);
        QCOMPARE(pickers.at(0).at(0).toInt(), 9);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                 QStringLiteral("Необходимо е да се посочи Контрагент"));
        s->Label_Selected_Kontragent_Ser->setText(QStringLiteral("99:Няма я"));
        s->Button2->click(); // a counterparty that does not exist is refused alike
        QCOMPARE(pickers.size(), 2);
        QCOMPARE(column("SELECT COUNT(*) FROM Priem_Ser_Vremen"), QStringLiteral("0"));

        // the client by a pick in mode 9, free text, two reason lines
        CounterpartyPick::Picked firm;
        firm.current.append(QSqlField(QStringLiteral("ID")));
        firm.current.append(QSqlField(QStringLiteral("Ime_Firma")));
        firm.current.setValue(0, 7);
        firm.current.setValue(1, QStringLiteral("Фирма ООД"));
        QVERIFY(CounterpartyPick::deliver(9, firm));
        QCOMPARE(s->Label_Selected_Kontragent_Ser->text(), QStringLiteral("7:Фирма ООД"));
        QVERIFY(CounterpartyPick::deliver(10, firm));
        QCOMPARE(s->Label_Ime_Dost->text(), QStringLiteral("7:Фирма ООД"));
        s->ChkBox_Free_Tekst->click();
        QVERIFY(s->Edit_Art->isEnabled());
        QVERIFY(!s->Label_Sel_Art->isEnabled());
        QVERIFY(s->ChkBox_Gar->isVisibleTo(form->TabSheet_Servis));
        s->Edit_Art->setText(QStringLiteral("Лаптоп"));
        QCOMPARE(s->Label_Opis_art->text(), QStringLiteral("-1:Лаптоп"));
        s->Memo1->setPlainText(QStringLiteral("a\nb"));
        s->ChkBox_Gar->click();
        QVERIFY(s->Edit_Gar_Dok_N->isVisibleTo(form->TabSheet_Servis));
        s->Edit_Gar_Dok_N->setText(QStringLiteral("0042"));
        PriceDecimals = 2;
        s->Edit_Pred_Cena_Priem->setText(QStringLiteral("abc"));
        s->Button2->click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Цената трябва да е число"));
        QCOMPARE(column("SELECT COUNT(*) FROM Priem_Ser_Vremen"), QStringLiteral("0"));
        s->Edit_Pred_Cena_Priem->setText(QStringLiteral("12.5"));
        s->Button2->click();
        QCOMPARE(column("SELECT Barkod || '|' || Opisanie || '|' || Pri4ina || '|' || Gar || '|' || Gar_Dok_N || '|' || "
                        "ID_Kontrag || '|' || Operator || '|' || Pred_Cena_Remont || '|' || Valuta || '|' || "
                        "ID_Dostav4ik FROM Priem_Ser_Vremen"),
                 QStringLiteral("-1|Лаптоп|ab|True|0042|7|Администратор|12.5|BGN|7"));
        QCOMPARE(s->lines()->rowCount(), 1);
        const int price = s->lines()->fieldIndex(QStringLiteral("Pred_Cena_Remont"));
        QCOMPARE(qobject_cast<QStyledItemDelegate *>(s->DBGrid_Ser->itemDelegateForColumn(price))->displayText(s->lines()->data(s->lines()->index(0, price)),
                                                                          QLocale::c()),
                 QStringLiteral("12.50"));
        // the reset: the client stays
        QVERIFY(!s->ChkBox_Free_Tekst->isChecked());
        QVERIFY(!s->ChkBox_Gar->isChecked());
        QVERIFY(!s->Edit_Gar_Dok_N->isVisibleTo(form->TabSheet_Servis));
        QCOMPARE(s->Edit_Art->text(), QString());
        QCOMPARE(s->Memo1->toPlainText(), QString());
        QCOMPARE(s->Edit_Pred_Cena_Priem->text(), QStringLiteral("0.0000"));
        QCOMPARE(s->Label_Ime_Dost->text(), QStringLiteral("0: Няма избран контрагент"));
        QCOMPARE(s->Label_Selected_Kontragent_Ser->text(), QStringLiteral("7:Фирма ООД"));

        // an article picked in mode 8
        ArticlePick::Picked art;
        for (const char *f : {"ID", "Opisanie", "Ed_Cena", "Valuta_P"})
            art.current.append(QSqlField(QString::fromLatin1(f)));
        art.current.setValue(0, 12);
        art.current.setValue(1, QStringLiteral("Принтер"));
        art.current.setValue(2, 30.5);
        art.current.setValue(3, QStringLiteral("EUR"));
        QVERIFY(ArticlePick::deliver(8, art));
        QCOMPARE(s->Edit_Art->text(), QStringLiteral("12:Принтер"));
        QCOMPARE(s->Edit_Pred_Cena_Priem->text(), QStringLiteral("30.50"));
        QCOMPARE(s->ComboBox_Valuta->currentText(), QStringLiteral("EUR"));
        s->Button2->click();
        QCOMPARE(column("SELECT Barkod || '|' || Opisanie || '|' || Valuta FROM Priem_Ser_Vremen WHERE Barkod = 12"),
                 QStringLiteral("12|12:Принтер|EUR"));
    }

    void acceptingAndCancelling()
    {
        TestProgram program;
        firms();
        const long long a = Reception::add(line(7));
        const long long b = Reception::add(line(7));
        const long long c = Reception::add(line(7));
        Reception::add(line(7, QStringLiteral("Иван")));
        auto form = serviceWindow();
        QVERIFY(form);
        ServiceTab *s = ServiceTab::instance();
        QCOMPARE(s->lines()->rowCount(), 3); // Иван's line is not listed
        s->Label_Selected_Kontragent_Ser->setText(QStringLiteral("7:Фирма ООД"));

        // a failure: nothing moves, the client stays, no new login
        Db::execute(QStringLiteral("INSERT INTO Priem_Ser (N_Prodajba, Status) VALUES (?, 1)"), {a});
        auto logins = shelltest::loginAs(Admin, QStringLiteral("admin"));
        mark(s, {0, 1});
        s->Button4->click();
        QCOMPARE(logins->logins, 0);
        QCOMPARE(s->lines()->rowCount(), 3);
        QCOMPARE(s->Label_Selected_Kontragent_Ser->text(), QStringLiteral("7:Фирма ООД"));
        QCOMPARE(column("SELECT COUNT(*) FROM Priem_Ser"), QStringLiteral("1"));
        Db::execute(QStringLiteral("DELETE FROM Priem_Ser"));

        mark(s, {0, 1});
        s->Button4->click();
        QCOMPARE(logins->logins, 1);
        QCOMPARE(joinedRows(QStringLiteral("SELECT N_Prodajba || ':' || Status FROM Priem_Ser")),
                 QStringLiteral("%1:1,%2:1").arg(b).arg(a)); // last marked first
        QCOMPARE(s->lines()->rowCount(), 1);
        QCOMPARE(s->Label_Selected_Kontragent_Ser->text(), QStringLiteral("0: Няма избран Контрагент"));

        // cancel: asked first; No keeps the line
        Db::execute(QStringLiteral("INSERT INTO Printed_Dok (ID_Prod, ID_Dok, Ot_Kade_Prod) VALUES (?, 1, 2), (?, 1, 1)"),
                    {c, c});
        s->Button8->click();
        PlatformScript::answer(false);
        s->Button_Cancel->click();
        QCOMPARE(s->lines()->rowCount(), 1);
        s->Button8->click();
        PlatformScript::answer(true);
        s->Button_Cancel->click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).last(),
                 QStringLiteral("Наистина ли желаете да откажете избраните артикули"));
        QCOMPARE(s->lines()->rowCount(), 0);
        QCOMPARE(joinedRows(QStringLiteral("SELECT Ot_Kade_Prod FROM Printed_Dok ORDER BY rowid")), QStringLiteral("1"));
        QCOMPARE(column("SELECT Operator FROM Priem_Ser_Vremen"), QStringLiteral("Иван"));

        // F12 on this tab refreshes the reception list
        Reception::add(line(7));
        form->action(QStringLiteral("N_Refresh"))->trigger();
        QCOMPARE(s->lines()->rowCount(), 1);
    }

    void documentsTakeTheLinesClient()
    {
        TestProgram program;
        firms();
        Layout::Document d = PrintFixture::layout({{QStringLiteral("Priem_Ser_Vremen"), QStringLiteral("Opisanie")},
                                                   {QStringLiteral("Firmi"), QStringLiteral("Ime_Firma")}});
        QVERIFY(PrintFixture::save(QStringLiteral("Протокол"), d, QStringLiteral("5"), QStringLiteral(",СЕРВИЗ ,")));
        QVERIFY(PrintFixture::save(QStringLiteral("Фискален"), d, QStringLiteral("0"),
                                   QStringLiteral(",Фискален сервиз ,")));
        QCOMPARE(TabPrintPanel::documentsFor(QStringLiteral("СЕРВИЗ")), QStringList{QStringLiteral("Протокол")});
        const long long a = Reception::add(line(7));
        Reception::add(line(8));
        Printers::setInstalledForTests(QStringList{QStringLiteral("Kyocera")}, QStringLiteral("Kyocera"));
        auto form = serviceWindow();
        QVERIFY(form);
        ServiceTab *s = ServiceTab::instance();
        s->SpdBtn_Pokaji_Dokuments_Ser->click();
        QCOMPARE(s->ChkListBox_Pokaj_Dokum_Ser->count(), 1);
        s->ChkListBox_Pokaj_Dokum_Ser->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(s->Printers->CheckListBox_Printers->objectName(), QStringLiteral("CheckListBox_Printers_Ser"));
        QCOMPARE(s->Printers->checkedPrinters(), QStringList({"Kyocera"}));

        // the client edit names another client: the log keeps the line's own
        s->Label_Selected_Kontragent_Ser->setText(QStringLiteral("8:Друга ООД"));
        mark(s, {0});
        PrintFixture::Recorder recorder;
        int previews = 0;
        driveWindows<ReportPreview>([&](ReportPreview *w) {
            ++previews;
            QTest::mouseClick(w->Button_Print, Qt::LeftButton);
            w->Button_Close->click();
        });
        s->Button3->click();
        QCOMPARE(previews, 1);
        const QList<QStringList> pages = recorder.sentTexts();
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].contains(QStringLiteral("Фирма ООД")), qPrintable(pages[0].join('|')));
        QCOMPARE(joinedRows(QStringLiteral("SELECT ID_Prod || ':' || ID_Kontrag || ':' || Ot_Kade_Prod FROM Printed_Dok ORDER BY rowid")),
                 QStringLiteral("%1:7:2").arg(a));

        // two clients: the message, nothing printed
        s->SpdBtn_Pokaji_Dokuments_Ser->click();
        s->ChkListBox_Pokaj_Dokum_Ser->item(0)->setCheckState(Qt::Checked);
        mark(s, {0, 1});
        previews = 0;
        s->Button3->click();
        QCOMPARE(previews, 0);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                 QStringLiteral("Маркираните редове са на различни клиенти"));
        QCOMPARE(column("SELECT COUNT(*) FROM Printed_Dok"), QStringLiteral("1"));
    }
};

VTEST(ReceptionTest)
VTEST(ServiceTabTest)
#include "test_service_tab.moc"
