#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "platform/dialogs.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "app/form_get_kol.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
struct Layout {
    QString label;
    QString edit;
    bool opis, kol, sn;
};

Layout layoutOf(const TForm_Get_Kol *f)
{
    return {f->Label_Kol->text(), f->Edit_Kol->text(), f->Label_Opis->isVisible(),
            f->Edit_Kol->isVisible() && f->Label_Kol->isVisible(),
            f->Edit_SN->isVisible() && f->Edit_Garanc->isVisible() && f->Label_SN->isVisible()
                && f->Label_Garanc->isVisible()};
}

// Opens the prompt in `mode` the way callers do and returns what it showed.
Layout showIn(int mode, const std::function<int(TForm_Get_Kol *)> &drive = {})
{
    Layout seen{};
    PromptMode = mode;
    PlatformScript::setModalHandler([&](QDialog *d) {
        auto *f = qobject_cast<TForm_Get_Kol *>(d);
        f->show();
        seen = layoutOf(f);
        int result = 0;
        if (drive)
            result = drive(f);
        f->hide();
        return result;
    });
    Dialogs::exec(promptDialog());
    PlatformScript::setModalHandler({});
    return seen;
}
} // namespace

class TestPrompt : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { CurrentBill = 0; }
    void cleanup()
    {
        delete Form_Get_Kol;
        PromptMode = 0;
    }

    void layoutFollowsTheMode()
    {
        TestProgram program(false);
        Layout l = showIn(0);
        QCOMPARE(l.label, QStringLiteral("Количество"));
        QCOMPARE(l.edit, QStringLiteral("1"));
        QVERIFY(l.opis && l.kol && !l.sn);
        QCOMPARE(Form_Get_Kol->Edit_Kol->selectedText(), QStringLiteral("1"));

        Form_Get_Kol->Edit_SN->setText(QStringLiteral("SN-001"));
        l = showIn(1);
        QVERIFY(l.opis && !l.kol && l.sn);
        QCOMPARE(Form_Get_Kol->Edit_SN->text(), QStringLiteral("SN-001")); // as the caller set it
        QCOMPARE(Form_Get_Kol->focusWidget(), Form_Get_Kol->Edit_SN);
        // The description stands over the serial edit in mode 1, over the quantity label in mode 0.
        QCOMPARE(Form_Get_Kol->Label_Opis->x(), Form_Get_Kol->Edit_SN->x());

        l = showIn(2);
        QCOMPARE(l.label, QStringLiteral("Номер на открита сметка"));
        QCOMPARE(l.edit, QStringLiteral("1"));
        QVERIFY(!l.opis && l.kol && !l.sn);

        l = showIn(3);
        QCOMPARE(l.label, QStringLiteral("Посочете основание за анулиране"));
        QCOMPARE(l.edit, QStringLiteral("Върната стока"));
        QVERIFY(!l.opis && l.kol && !l.sn);

        l = showIn(4);
        QCOMPARE(l.label, QStringLiteral("Въведете име на справката"));
        QCOMPARE(l.edit, QStringLiteral("1"));
        QVERIFY(!l.opis && l.kol && !l.sn);

        l = showIn(0);
        QCOMPARE(Form_Get_Kol->Label_Opis->x(), Form_Get_Kol->Label_Kol->x());

        // Another value keeps the previous layout, with the quantity text reset.
        showIn(1);
        l = showIn(7);
        QCOMPARE(l.label, QStringLiteral("Количество"));
        QVERIFY(l.opis && !l.kol && l.sn);
    }

    void okAndCancelResults()
    {
        TestProgram program(false);
        int result = -1;
        PromptMode = 0;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Get_Kol *>(d);
            f->show();
            f->Edit_Kol->setText(QStringLiteral("2,5"));
            QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
            return f->result();
        });
        result = Dialogs::exec(promptDialog());
        QCOMPARE(result, TForm_Get_Kol::ResultOk);
        QCOMPARE(Form_Get_Kol->Edit_Kol->text(), QStringLiteral("2,5"));

        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Get_Kol *>(d);
            f->show();
            QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
            return f->result();
        });
        QCOMPARE(Dialogs::exec(promptDialog()), TForm_Get_Kol::ResultCancel);

        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Get_Kol *>(d);
            f->show();
            QTest::keyClick(f->Edit_Kol, Qt::Key_Escape);
            return f->result();
        });
        QCOMPARE(Dialogs::exec(promptDialog()), TForm_Get_Kol::ResultCancel);
        PlatformScript::setModalHandler({});
    }

    void billParsing()
    {
        int bill = -1;
        QVERIFY(TForm_Get_Kol::parseBillNumber(QStringLiteral("1"), &bill));
        QCOMPARE(bill, 1);
        QVERIFY(TForm_Get_Kol::parseBillNumber(QStringLiteral(" 12 "), &bill));
        QCOMPARE(bill, 12);
        for (const char *bad : {"0", "-3", "", "  ", "2.5", "2,5", "12а", "abc", "99999999999"})
            QVERIFY2(!TForm_Get_Kol::parseBillNumber(QString::fromUtf8(bad), &bill), bad);
        QCOMPARE(bill, 12);
    }

    void wrongBillKeepsThePromptOpen()
    {
        TestProgram program(false);
        CurrentBill = 3;
        bool stillOpen = false;
        showIn(2, [&](TForm_Get_Kol *f) {
            f->Edit_Kol->setText(QStringLiteral("0"));
            QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
            stillOpen = f->result() == 0 && f->isVisible();
            f->Edit_Kol->setText(QStringLiteral("abc"));
            QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
            stillOpen = stillOpen && f->result() == 0;
            return 0;
        });
        QVERIFY(stillOpen);
        QCOMPARE(CurrentBill, 3);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 2);

        int result = -1;
        showIn(2, [&](TForm_Get_Kol *f) {
            f->Edit_Kol->setText(QStringLiteral("7"));
            QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
            result = f->result();
            return result;
        });
        QCOMPARE(result, TForm_Get_Kol::ResultOk);
        QCOMPARE(CurrentBill, 7);

        // Cancel leaves the bill as it was.
        showIn(2, [&](TForm_Get_Kol *f) {
            f->Edit_Kol->setText(QStringLiteral("9"));
            QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
            return f->result();
        });
        QCOMPARE(CurrentBill, 7);

        // Other modes do not touch the bill, whatever is typed.
        showIn(0, [&](TForm_Get_Kol *f) {
            f->Edit_Kol->setText(QStringLiteral("11"));
            QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
            return f->result();
        });
        QCOMPARE(CurrentBill, 7);
    }
};
VTEST(TestPrompt)

#include "test_prompt.moc"
