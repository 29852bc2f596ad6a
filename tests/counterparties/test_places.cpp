#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "counterparties/form_grad.h"
#include "counterparties/form_klienti.h"
#include "counterparties/place_list.h"
#include "counterparties/places.h"
#include "platform/db/database.h"
#include "platform/script.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {
void addPlaces()
{
    const char *rows[][3] = {{"София", "1000", "02"},      {"Пловдив", "4000", "032"},
                             {"Асеновград", "4230", "0331"}, {"Перник", "2300", "076"},
                             {"Сливен", "8800", "044"},      {"100% Град_1", "9999", ""}};
    for (const auto &r : rows)
        Places::insert({0, QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2])});
}

void type(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    Q_EMIT edit->textEdited(text);
}

QStringList items(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}
} // namespace

class PlaceLookup : public QObject
{
    Q_OBJECT
private slots:
    void searchesByNameAndCode()
    {
        TestProgram program;
        addPlaces();
        QCOMPARE(Places::byName(QStringLiteral("СЛ")), QStringList{QStringLiteral("Сливен")});
        QCOMPARE(Places::byName(QStringLiteral("в")),
                 (QStringList{QStringLiteral("Асеновград"), QStringLiteral("Пловдив"), QStringLiteral("Сливен")}));
        // "%" and "_" are searched as themselves.
        QCOMPARE(Places::byName(QStringLiteral("0% г")), QStringList{QStringLiteral("100% Град_1")});
        QVERIFY(Places::byName(QStringLiteral("_")).size() == 1);
        QCOMPARE(*Places::byCode(QStringLiteral("+3")),
                 (QStringList{QStringLiteral("Асеновград"), QStringLiteral("Пловдив")}));
        QCOMPARE(*Places::byCode(QStringLiteral("-230")),
                 (QStringList{QStringLiteral("Асеновград"), QStringLiteral("Перник")}));
        QVERIFY(Places::byCode(QStringLiteral("+555"))->isEmpty());
        QVERIFY(!Places::byCode(QStringLiteral("32")));
        // Codes are text: a leading zero is kept and found.
        QCOMPARE(Places::read(1)->TK, QStringLiteral("02"));
        QCOMPARE(*Places::byCode(QStringLiteral("+02")), QStringList{QStringLiteral("София")});
    }

    void enterTakesThePlaceByCode()
    {
        TestProgram program;
        addPlaces();
        TForm_Klienti w;
        w.openNew(0);
        PlaceList *places = w.placeList();

        // One place with "076" in its telephone code: taken at once, and copied to the person.
        w.EditGrad_Firma->setText(QStringLiteral("+76"));
        places->enterIn(w.EditGrad_Firma);
        QCOMPARE(w.EditGrad_Firma->text(), QStringLiteral("Перник"));
        QCOMPARE(w.EditGrad_Mol->text(), QStringLiteral("Перник"));
        QVERIFY(w.ListBox_Grad->isHidden());

        // Several: the first in alphabetical order.
        w.EditGrad_Mol->setText(QStringLiteral("+3"));
        places->enterIn(w.EditGrad_Mol);
        QCOMPARE(w.EditGrad_Mol->text(), QStringLiteral("Асеновград"));
        QCOMPARE(w.EditGrad_Firma->text(), QStringLiteral("Перник"));

        // By postal code; none found empties the edit.
        w.EditGrad_Firma->setText(QStringLiteral("-8800"));
        places->enterIn(w.EditGrad_Firma);
        QCOMPARE(w.EditGrad_Firma->text(), QStringLiteral("Сливен"));
        w.EditGrad_Firma->setText(QStringLiteral("-5555"));
        places->enterIn(w.EditGrad_Firma);
        QVERIFY(w.EditGrad_Firma->text().isEmpty());
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty());
    }

    void typingListsMatchesAndEnterTakesTheFirst()
    {
        TestProgram program;
        addPlaces();
        TForm_Klienti w;
        w.openNew(0);
        w.show();
        type(w.EditGrad_Firma, QStringLiteral("пл"));
        QCOMPARE(items(w.ListBox_Grad), QStringList{QStringLiteral("Пловдив")});
        QVERIFY(!w.ListBox_Grad->isHidden());
        QCOMPARE(w.placeList()->owner(), w.EditGrad_Firma);
        QTest::keyClick(w.EditGrad_Firma, Qt::Key_Return);
        QCOMPARE(w.EditGrad_Firma->text(), QStringLiteral("Пловдив"));
        QVERIFY(w.ListBox_Grad->isHidden());

        // The other edit never takes what was listed for this one.
        type(w.EditGrad_Firma, QStringLiteral("со"));
        QCOMPARE(items(w.ListBox_Grad), QStringList{QStringLiteral("София")});
        w.EditGrad_Mol->setText(QStringLiteral("Неизвестно"));
        QTest::keyClick(w.EditGrad_Mol, Qt::Key_Return);
        QCOMPARE(w.EditGrad_Mol->text(), QStringLiteral("Неизвестно"));

        // A blank lists every place; a double click takes one into the list's owner.
        QTest::keyClick(w.EditGrad_Mol, Qt::Key_Space);
        QCOMPARE(w.EditGrad_Mol->text(), QStringLiteral("Неизвестно "));
        QCOMPARE(w.ListBox_Grad->count(), 6);
        QCOMPARE(w.ListBox_Grad->currentItem()->text(), QStringLiteral("100% Град_1"));
        w.ListBox_Grad->setCurrentRow(4);
        Q_EMIT w.ListBox_Grad->itemDoubleClicked(w.ListBox_Grad->currentItem());
        QCOMPARE(w.EditGrad_Mol->text(), QStringLiteral("Сливен"));
        QVERIFY(w.ListBox_Grad->isHidden());

        // Escape in the list leaves the edit as it was.
        type(w.EditGrad_Mol, QStringLiteral("пер"));
        QTest::keyClick(w.ListBox_Grad, Qt::Key_Escape);
        QVERIFY(w.ListBox_Grad->isHidden());
        QCOMPARE(w.EditGrad_Mol->text(), QStringLiteral("пер"));
    }
};
VTEST(PlaceLookup)

class PlacesWindow : public QObject
{
    Q_OBJECT
private slots:
    void editChangesOnlyTheShownOfTwoEqualRows()
    {
        TestProgram program;
        const long long first = Places::insert({0, QStringLiteral("Ловеч"), QStringLiteral("5500"), QStringLiteral("068")});
        TForm_Grad w;
        w.startNewRecord();
        QCOMPARE(w.state(), TForm_Grad::State::Insert);
        w.DBEdit_Opisanie->setText(QStringLiteral("Ловеч"));
        w.DBEdit_PK->setText(QStringLiteral("5500"));
        w.DBEdit_TK->setText(QStringLiteral("068"));
        QVERIFY(w.Nav_PostClick());
        const long long second = w.currentId();
        QVERIFY(second != first);
        QCOMPARE(w.state(), TForm_Grad::State::Browse);

        // Typing into the shown record edits it; the post changes that row only.
        type(w.DBEdit_TK, QStringLiteral("0680"));
        QCOMPARE(w.state(), TForm_Grad::State::Edit);
        QVERIFY(w.Nav_PostClick());
        QCOMPARE(Places::read(first)->TK, QStringLiteral("068"));
        QCOMPARE(Places::read(second)->TK, QStringLiteral("0680"));

        // Cancel restores the stored values.
        w.Nav_EditClick();
        w.DBEdit_Opisanie->setText(QStringLiteral("Друго"));
        w.Nav_CancelClick();
        QCOMPARE(w.DBEdit_Opisanie->text(), QStringLiteral("Ловеч"));
        QCOMPARE(Places::read(second)->Opisanie, QStringLiteral("Ловеч"));

        // Delete asks nothing and shows the neighbouring row.
        w.Nav_DeleteClick();
        QVERIFY(!Places::read(second));
        QCOMPARE(w.currentId(), first);
        QVERIFY(PlatformScript::events().isEmpty());
    }

    void anUnpostedRecordIsDroppedAndAnEmptyNameRefused()
    {
        TestProgram program;
        {
            TForm_Grad w;
            w.startNewRecord();
            QVERIFY(!w.Nav_PostClick());
            QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                     QStringList{QStringLiteral("Въведете име на населено място!")});
            QCOMPARE(w.state(), TForm_Grad::State::Insert);
            w.DBEdit_Opisanie->setText(QStringLiteral("Видин"));
            w.show();
            w.close();
            QCOMPARE(w.state(), TForm_Grad::State::Browse);
        }
        QVERIFY(Places::all().isEmpty());
    }
};
VTEST(PlacesWindow)

#include "test_places.moc"
