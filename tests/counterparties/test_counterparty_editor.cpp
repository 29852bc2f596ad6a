#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "counterparties/counterparty_editor.h"
#include "counterparties/counterparty_record.h"
#include "counterparties/form_grad.h"
#include "counterparties/form_klienti.h"
#include "counterparties/form_kontrag_sklad.h"
#include "counterparties/form_kontrag_smetki.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/script.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlField>
#include <QTest>

namespace {
const QString kValidEik = QStringLiteral("831641791");
const QString kValidEgn = QStringLiteral("0010100100");

void type(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    Q_EMIT edit->textEdited(text);
}

// Fills a new counterparty's edits as a user would.
void fillNew(TForm_Klienti *w, const QString &name, const QString &eik = kValidEik, const QString &egn = kValidEgn)
{
    type(w->Edit_Ime_Firma, name);
    w->EditGrad_Firma->setText(QStringLiteral("София"));
    type(w->Edit_Telefoni_Firma, QStringLiteral("02 987 654"));
    w->Edit_EIK->setText(eik);
    w->Edit_EGN_Mol->setText(egn);
    w->Edit_Otsapka->setText(QStringLiteral("3,5"));
    w->Memo_Zabel->setPlainText(QStringLiteral("бележка"));
}

QSqlRecord browserRow(long long id)
{
    QSqlRecord r;
    r.append(QSqlField(QStringLiteral("ID"), QMetaType(QMetaType::LongLong)));
    r.setValue(0, id);
    return r;
}

long long count(const char *table)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(table)).toLongLong();
}

// Runs the editor as the browser does and drives it with `steps` while it is shown.
long long openEditor(int mode, long long group, long long id, QWidget *browser,
                     const std::function<void(TForm_Klienti *)> &steps)
{
    driveWindows<TForm_Klienti>(steps);
    const long long saved = CounterpartyEditor::open(mode, group, browserRow(id), browser);
    PlatformScript::setModalHandler({});
    return saved;
}
} // namespace

class CounterpartyEditorWindow : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { CounterpartyEditor::setSpecialDiscountsOpener({}); }

    void newCounterpartyIsSavedIntoTheBrowsersGroup()
    {
        TestProgram program;
        QWidget browser;
        TForm_Klienti *seen = nullptr;
        const long long saved = openEditor(CounterpartyEditor::NewCounterparty, 3, 0, &browser, [&](TForm_Klienti *w) {
            seen = w;
            QCOMPARE(w->mode(), 1);
            QCOMPARE(w->Button_Insert->text(), QStringLiteral("ВЪВЕДИ"));
            QVERIFY(w->Button_Cancel->isEnabled());
            for (QLineEdit *e : {w->Edit_EIK, w->Edit_Dan_N, w->Edit_Otsapka, w->Edit_EGN_Mol})
                QCOMPARE(e->text(), QStringLiteral("0"));
            for (QPushButton *b : {w->Button_Klient_Karti, w->Button_Sklad, w->Button_Bank_Sm, w->Button_Sp_TO})
                QVERIFY(!b->isEnabled());
            fillNew(w, QStringLiteral("Алфа ООД"));
            w->Button_Insert->click();
        });
        QCOMPARE(saved, 1LL);
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
        const auto firm = Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = 1"));
        QVERIFY(firm);
        QCOMPARE(firm->value("Nomer_Grupa").toLongLong(), 3LL);
        QCOMPARE(firm->value("T_O").toDouble(), 3.5);
        QCOMPARE(firm->value("Zabel").toString(), QStringLiteral("бележка"));
        // The person's name and telephone were copied while the company's were typed.
        const auto person = Db::firstRow(QStringLiteral("SELECT * FROM Klienti WHERE ID = ?"), {firm->value("ID_Mol")});
        QCOMPARE(person->value("Ime_Klient").toString(), QStringLiteral("Алфа ООД"));
        QCOMPARE(person->value("Telefon_Klient").toString(), QStringLiteral("02 987 654"));
        QCOMPARE(person->value("EGN").toString(), kValidEgn);
        QCOMPARE(seen->mode(), 0);
        QCOMPARE(seen->Button_Insert->text(), QStringLiteral("НОВ"));

        // The same editor is reused, and the next "Нов" starts clean.
        TForm_Klienti *again = nullptr;
        openEditor(CounterpartyEditor::NewCounterparty, 0, 0, &browser, [&](TForm_Klienti *w) {
            again = w;
            QVERIFY(w->Edit_Ime_Firma->text().isEmpty());
            QVERIFY(w->Memo_Zabel->toPlainText().isEmpty());
            w->Button_CancelClick(); // and leaves without saving
        });
        QCOMPARE(again, seen);
        QCOMPARE(count("Firmi"), 1LL);
    }

    void invalidCodesAreAskedAbout()
    {
        TestProgram program;
        TForm_Klienti w;
        w.openNew(0);
        fillNew(&w, QStringLiteral("Бета"), QStringLiteral("123456789"), kValidEgn);
        PlatformScript::answer(false);
        w.Button_InsertClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 QStringList{QStringLiteral("Въведени са невалидни ЕИК или ЕГН!.Желаете ли да продължите?")});
        QCOMPARE(count("Firmi"), 0LL);
        QCOMPARE(w.mode(), 1);
        QCOMPARE(w.Edit_Ime_Firma->text(), QStringLiteral("Бета"));

        PlatformScript::answer(true);
        w.Button_InsertClick();
        QCOMPARE(count("Firmi"), 1LL);
        QCOMPARE(count("Klienti"), 1LL);
        QCOMPARE(w.savedId(), 1LL);

        // A bad EGN alone asks as well.
        PlatformScript::clearEvents();
        w.openNew(0);
        fillNew(&w, QStringLiteral("Гама"), kValidEik, QStringLiteral("0010100101"));
        PlatformScript::answer(false);
        w.Button_InsertClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 1);
        QCOMPARE(count("Firmi"), 1LL);
    }

    void leavingTheCodeEditsAsks()
    {
        TestProgram program;
        TForm_Klienti w;
        w.openNew(0);
        w.Edit_EIK->setText(kValidEik);
        w.Edit_EIKExit();
        w.Edit_EGN_Mol->setText(kValidEgn);
        w.Edit_EGN_MolExit();
        QVERIFY(PlatformScript::events().isEmpty());

        w.Edit_EIK->setText(QStringLiteral("0")); // the default is checked like any text
        PlatformScript::answer(true);
        w.Edit_EIKExit();
        w.Edit_EGN_Mol->setText(QStringLiteral("12345"));
        PlatformScript::answer(false);
        w.Edit_EGN_MolExit();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 (QStringList{QStringLiteral("Невалиден ЕИК, желаете ли да продължите"),
                              QStringLiteral("Невалидно ЕГН, желаете ли да продължите")}));

        // A letter among the weighted digits is named before the question.
        PlatformScript::clearEvents();
        w.Edit_EIK->setText(QStringLiteral("12A456789"));
        w.Edit_EIKExit();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Невалиден ЕИК")});
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 1);
    }

    void badDiscountOrFailedSaveKeepsWhatWasTyped()
    {
        TestProgram program;
        TForm_Klienti w;
        w.openNew(0);
        fillNew(&w, QStringLiteral("Делта"));
        // One rule for the discount: a number no higher than 100; nothing is stored otherwise.
        for (const char *bad : {"пет", "101", "100,01", "nan", "inf", "-inf", "1e3", ""}) {
            PlatformScript::clearEvents();
            w.Edit_Otsapka->setText(QString::fromUtf8(bad));
            w.Button_InsertClick();
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                     QStringList{CounterpartyRecord::discountRefusal()});
            QCOMPARE(count("Firmi"), 0LL);
            QCOMPARE(w.mode(), 1);
            QCOMPARE(w.Edit_Otsapka->text(), QString::fromUtf8(bad));
        }

        // A statement refused half way: nothing stays written, the window keeps its text and mode.
        PlatformScript::clearEvents();
        w.Edit_Otsapka->setText(QStringLiteral("0"));
        refuseWrites(QStringLiteral("CREATE TRIGGER no_person BEFORE INSERT ON Klienti "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        w.Button_InsertClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Некоректни или непълни данни")});
        QCOMPARE(count("Firmi"), 0LL);
        QCOMPARE(count("Klienti"), 0LL);
        QCOMPARE(w.mode(), 1);
        QCOMPARE(w.Edit_Ime_Firma->text(), QStringLiteral("Делта"));
        QCOMPARE(w.savedId(), 0LL);

        // The retry after the cause is gone stores the pair once.
        dropTrigger(QStringLiteral("no_person"));
        w.Button_InsertClick();
        QCOMPARE(count("Firmi"), 1LL);
        QCOMPARE(count("Klienti"), 1LL);
    }

    void editOpensTheStoredPairAndSavesWithoutCodeCheck()
    {
        TestProgram program;
        CounterpartyFields f;
        f.Ime_Firma = QStringLiteral("Епсилон");
        f.EIK = QStringLiteral("1"); // invalid, yet an edit asks nothing
        f.Telefon = QStringLiteral("032 111");
        f.T_O = 7.25;
        f.Zabel = QStringLiteral("стара бележка");
        f.Ime_Klient = QStringLiteral("Стоян");
        f.EGN = QStringLiteral("0041010018");
        const CounterpartyKeys keys = CounterpartyRecord::insertPair(f, 2);
        QWidget browser;
        const long long saved = openEditor(CounterpartyEditor::EditCounterparty, 9, keys.id, &browser,
                                           [&](TForm_Klienti *w) {
            QCOMPARE(w->mode(), 2);
            QCOMPARE(w->Label_ID_Klient->text(), QString::number(keys.id));
            QCOMPARE(w->Edit_Ime_Firma->text(), QStringLiteral("Епсилон"));
            QCOMPARE(w->Edit_Otsapka->text(), QStringLiteral("7.25"));
            QCOMPARE(w->Edit_Ime_Mol->text(), QStringLiteral("Стоян"));
            QCOMPARE(w->Edit_EGN_Mol->text(), QStringLiteral("0041010018"));
            QCOMPARE(w->Memo_Zabel->toPlainText(), QStringLiteral("стара бележка"));
            QVERIFY(w->Button_Sklad->isEnabled());
            QVERIFY(w->Button_Bank_Sm->isEnabled());
            QVERIFY(!w->Button_Sp_TO->isEnabled()); // no discount-rule window yet
            w->Edit1->setText(QStringLiteral("a@b.bg"));
            w->Edit_Ime_Firma->setText(QStringLiteral("Епсилон ЕООД"));
            w->Edit_Telefon_Mol->setText(QStringLiteral("0877 000"));
            w->Button_Insert->click();
        });
        QCOMPARE(saved, keys.id);
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
        const auto firm = Db::firstRow(QStringLiteral("SELECT * FROM Firmi"));
        QCOMPARE(firm->value("Ime_Firma").toString(), QStringLiteral("Епсилон ЕООД"));
        QCOMPARE(firm->value("ID_Mol").toLongLong(), keys.idMol);
        QCOMPARE(firm->value("Nomer_Grupa").toLongLong(), 2LL); // the browser's group is not applied to an edit
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Telefon_Klient FROM Klienti")).toString(), QStringLiteral("0877 000"));
        QCOMPARE(count("Firmi"), 1LL);
        QCOMPARE(count("Klienti"), 1LL);

        // An ID the browser no longer finds opens nothing.
        QCOMPARE(CounterpartyEditor::open(CounterpartyEditor::EditCounterparty, 0, browserRow(77), &browser), 0LL);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Няма избран контрагент"));
    }

    void editedDiscountFollowsTheSameRule()
    {
        TestProgram program;
        const CounterpartyKeys keys = CounterpartyRecord::insertPair(CounterpartyFields{}, 0);
        TForm_Klienti w;
        QVERIFY(w.openEdit(keys.id));
        w.Edit_Otsapka->setText(QStringLiteral("150"));
        w.Button_InsertClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{CounterpartyRecord::discountRefusal()});
        QCOMPARE(w.mode(), 2);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT T_O FROM Firmi")).toDouble(), 0.0);
        // a surcharge is a negative discount and is stored
        w.Edit_Otsapka->setText(QStringLiteral("-5000"));
        w.Button_InsertClick();
        QCOMPARE(Db::scalar(QStringLiteral("SELECT T_O FROM Firmi")).toDouble(), -5000.0);
    }

    void failedEditStaysInEditMode()
    {
        TestProgram program;
        const CounterpartyKeys keys = CounterpartyRecord::insertPair(CounterpartyFields{}, 0);
        TForm_Klienti w;
        QVERIFY(w.openEdit(keys.id));
        refuseWrites(QStringLiteral("CREATE TRIGGER no_person BEFORE UPDATE ON Klienti "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        w.Edit_Ime_Firma->setText(QStringLiteral("Ново"));
        w.Button_InsertClick();
        QCOMPARE(w.mode(), 2);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).constFirst().contains(QStringLiteral("refused")));
        QVERIFY(Db::scalar(QStringLiteral("SELECT Ime_Firma FROM Firmi")).toString().isEmpty());
        QCOMPARE(w.savedId(), 0LL);
    }

    void typingMirrorsAndReplacesQuotes()
    {
        TestProgram program(false);
        TForm_Klienti w;
        w.openNew(0);
        type(w.Edit_Ime_Firma, QStringLiteral("ЕТ \"Слънце\""));
        QCOMPARE(w.Edit_Ime_Firma->text(), QStringLiteral("ЕТ 'Слънце'"));
        QCOMPARE(w.Edit_Ime_Mol->text(), QStringLiteral("ЕТ 'Слънце'"));
        type(w.Edit_Adres_Firma, QStringLiteral("ул. \"Роза\""));
        QCOMPARE(w.EditAdres_Mol->text(), QStringLiteral("ул. 'Роза'"));
        type(w.Edit_Telefoni_Firma, QStringLiteral("0700 1"));
        QCOMPARE(w.Edit_Telefon_Mol->text(), QStringLiteral("0700 1"));
        type(w.Edit_BankaIme, QStringLiteral("\"ОББ\""));
        QCOMPARE(w.Edit_BankaIme->text(), QStringLiteral("'ОББ'"));
        // The person's edits can then be overwritten.
        type(w.Edit_Ime_Mol, QStringLiteral("Анна \"А\""));
        QCOMPARE(w.Edit_Ime_Mol->text(), QStringLiteral("Анна \"А\""));
        QCOMPARE(w.Edit_Ime_Firma->text(), QStringLiteral("ЕТ 'Слънце'"));
    }

    void cancelThenNoLeavesTheWindowOnNew()
    {
        TestProgram program;
        QWidget browser;
        openEditor(CounterpartyEditor::NewCounterparty, 0, 0, &browser, [&](TForm_Klienti *w) {
            fillNew(w, QStringLiteral("Зета"));
            PlatformScript::answer(false);
            w->Button_Cancel->click();
            QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                     QStringList{QStringLiteral("Желаете ли да приключите работа с модул Контрагенти")});
            QVERIFY(w->isVisible());
            QCOMPARE(w->mode(), 0);
            QCOMPARE(w->Button_Insert->text(), QStringLiteral("НОВ"));
            QVERIFY(!w->Button_Cancel->isEnabled());
            QVERIFY(w->Edit_EIK->text().isEmpty());
            QCOMPARE(w->Edit_Otsapka->text(), QStringLiteral("0"));
            w->Button_Insert->click(); // "НОВ" only closes
            QVERIFY(!w->isVisible());
        });
        QCOMPARE(count("Firmi"), 0LL);
    }

    void recordButtonsOpenTheirWindows()
    {
        TestProgram program;
        CounterpartyFields f;
        f.Ime_Firma = QStringLiteral("Ета");
        const CounterpartyKeys keys = CounterpartyRecord::insertPair(f, 0);
        Db::execute(QStringLiteral("INSERT INTO Kontrag_Sklad (ID_SK, Opisanie_SK, ID_Kontrag) VALUES (1, 'Магазин', ?)"),
                    {keys.id});
        TForm_Klienti w;
        QVERIFY(w.openEdit(keys.id));
        QStringList shown;
        PlatformScript::setModalHandler([&](QDialog *d) {
            if (auto *sites = qobject_cast<TForm_Kontrag_Sklad *>(d))
                shown << sites->Label_Kontrag_ID->text() + QStringLiteral(" rows %1").arg(sites->list()->rowCount());
            else if (auto *accounts = qobject_cast<TForm_Kontrag_Smetki *>(d))
                shown << accounts->Label_Kontrag_ID->text() + QStringLiteral(" rows %1").arg(accounts->list()->rowCount());
            else if (auto *places = qobject_cast<TForm_Grad *>(d))
                shown << places->windowTitle() + (places->state() == TForm_Grad::State::Insert ? " new" : "");
            return int(QDialog::Rejected);
        });
        w.Button_SkladClick();
        w.Button_Bank_SmClick();
        w.Button1Click();
        w.Button_SkladClick();
        PlatformScript::setModalHandler({});
        QCOMPARE(shown, (QStringList{QStringLiteral("1:Ета rows 1"), QStringLiteral("1:Ета rows 0"),
                                     QStringLiteral("Населени места new"), QStringLiteral("1:Ета rows 1")}));
        QCOMPARE(w.findChildren<TForm_Kontrag_Sklad *>().size(), 1); // made once, kept

        // The discount-rule window is reached once it is registered.
        int opened = 0;
        CounterpartyEditor::setSpecialDiscountsOpener([&](QWidget *) { ++opened; });
        QVERIFY(w.openEdit(keys.id));
        QVERIFY(w.Button_Sp_TO->isEnabled());
        w.Button_Sp_TO->click();
        QCOMPARE(opened, 1);
        w.openNew(0);
        QVERIFY(!w.Button_Sp_TO->isEnabled());
    }
};
VTEST(CounterpartyEditorWindow)

#include "test_counterparty_editor.moc"
