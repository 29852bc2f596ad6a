#include "test_main_window_support.h"

#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/settings.h"
#include "platform/long_texts.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

using namespace shelltest;

namespace {
int screenWidth()
{
    return QGuiApplication::primaryScreen()->availableGeometry().width();
}
} // namespace

// Texts of any length from the database never widen a window past the screen.
class WindowSizes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void longNamesLeaveTheMainWindowOnTheScreen()
    {
        TestProgram program;
        const QString name = QStringLiteral("Оператор с много дълго име ").repeated(12);
        addOperator(name, QStringLiteral("p"));
        auto form = startedWindow(name, QStringLiteral("p"));
        QVERIFY(form);
        AppState::instance().setActiveWarehouseText(QStringLiteral("1:") + QStringLiteral("Склад ").repeated(80));
        form->showMaximized(); // as the program shows it
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY2(form->minimumSizeHint().width() <= screenWidth(),
                 qPrintable(QString::number(form->minimumSizeHint().width())));
        QVERIFY2(form->frameGeometry().width() <= screenWidth(), qPrintable(QString::number(form->width())));

        // What other code reads back stays whole; only the painting is cut.
        QCOMPARE(form->Panel_Operator->text(), QStringLiteral("Оператор: ") + name);
        QVERIFY(form->Panel_Operator->shownText().endsWith(QChar(0x2026)));
        QVERIFY(form->Panel_Operator->shownText().size() < form->Panel_Operator->text().size());
        QVERIFY(form->Panel_Sklad->text().endsWith(QStringLiteral("Склад ")));

        // A short text is painted whole.
        form->Panel_Operator->setText(QStringLiteral("Оператор: Ана"));
        QCOMPARE(form->Panel_Operator->shownText(), QStringLiteral("Оператор: Ана"));
        form->Timer1->stop();
        form->hide();
    }

    void aLongOperatorNameLeavesTheLoginNarrow()
    {
        TestProgram program;
        const QString name = QStringLiteral("Касиер на първата каса в магазина ").repeated(6);
        addOperator(name, QStringLiteral("p"));
        Settings::writeString(Keys::Store_ActiveOper, name);
        TForm_Dostap_Operators login;
        QVERIFY(login.FormShow(true));
        login.show();
        QVERIFY(QTest::qWaitForWindowExposed(&login));
        QCOMPARE(login.ComboBox_Operators->currentText(), name);
        QVERIFY2(login.width() <= LongTextStyle::comboWidthCap(login.ComboBox_Operators) + 200,
                 qPrintable(QString::number(login.width())));
        QVERIFY(login.width() <= screenWidth());
        login.hide();
    }

    // The desktop adds the application's display name to every title when
    // one is set; the captions already carry the program's name.
    void titlesDoNotRepeatTheProgramName()
    {
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("проба"));
        const QString display = QGuiApplication::applicationDisplayName();
        QCoreApplication::setApplicationName(name);
        QCOMPARE(display, QStringLiteral("проба")); // no display name of its own

        TestProgram program;
        auto form = startedWindow();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("ВЕНТАРОС - МАГАЗИН"));
        form->Timer1->stop();
    }
};
VTEST(WindowSizes)

#include "test_window_sizes.moc"
