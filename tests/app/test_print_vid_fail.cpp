#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/export_kinds.h"
#include "app/form_print_vid_fail.h"
#include "platform/script.h"
#include "app/window_owner.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class TestPrintVidFail : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        delete Form_Print_Vid_Fail;
        ExportKinds::resetToStart();
        PlatformScript::setModalHandler({});
        WindowOwner::setMainWindow(nullptr);
    }

    void startOfRunValues()
    {
        // Before any chooser was shown, an export is a text file with "|".
        QCOMPARE(ExportExtension, QStringLiteral(".txt"));
        QCOMPARE(ExportSeparator, QStringLiteral("|"));
        QCOMPARE(ExportViewer, QStringLiteral("Notepad.exe"));
        TForm_Print_Vid_Fail *chooser = exportChooser();
        QCOMPARE(chooser->itemIndex(), 0);
        QCOMPARE(chooser->items.at(0)->text(), QStringLiteral("Текстов файл"));
        QVERIFY(!chooser->Button_Cancel->isVisibleTo(chooser));
        QVERIFY(chooser->windowFlags() & Qt::FramelessWindowHint);
    }

    void valuesPerKind_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("viewer");
        QTest::newRow("text") << 0 << "Текстов файл" << ".txt" << "|" << "Notepad.exe";
        QTest::newRow("excel") << 1 << "Excel" << ".xls" << "\t" << "Excel.exe";
        QTest::newRow("word") << 2 << "Word" << ".rtf" << "\t" << "Word.exe";
        QTest::newRow("html") << 3 << "HTML" << ".html" << "\t" << "";
    }

    void valuesPerKind()
    {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(QString, extension);
        QFETCH(QString, separator);
        QFETCH(QString, viewer);
        TestProgram program(false);
        // Start from another kind so every value really changes.
        ExportKinds::apply(index == 3 ? 0 : 3);
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Print_Vid_Fail *>(d);
            f->show();
            f->items.at(index)->click();
            QTest::keyClick(f, Qt::Key_Return); // Enter presses "ПРИЕМИ"
            return f->result();
        });
        showExportChooser();
        QCOMPARE(exportChooser()->items.at(index)->text(), caption);
        QCOMPARE(ExportExtension, extension);
        QCOMPARE(ExportSeparator, separator);
        QCOMPARE(ExportViewer, viewer);
        QVERIFY(!exportChooser()->isVisible());
    }

    void closingKeepsTheOldValuesAndTheNextShowingOffersTheLastChoice()
    {
        TestProgram program(false);
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Print_Vid_Fail *>(d);
            f->show();
            f->items.at(3)->click();
            f->Button_PriemiClick();
            return f->result();
        });
        showExportChooser();
        QCOMPARE(ExportExtension, QStringLiteral(".html"));

        int offered = -1;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Print_Vid_Fail *>(d);
            f->show();
            offered = f->itemIndex();
            f->items.at(1)->click();
            QTest::keyClick(f, Qt::Key_Escape);
            return f->result();
        });
        showExportChooser();
        QCOMPARE(offered, 3);
        QCOMPARE(ExportExtension, QStringLiteral(".html"));
        QCOMPARE(ExportSeparator, QStringLiteral("\t"));

        // The hidden cancel button only closes, too.
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Print_Vid_Fail *>(d);
            f->show();
            offered = f->itemIndex(); // the kind in force, not the one clicked before Esc
            f->items.at(0)->click();
            f->Button_CancelClick();
            return f->result();
        });
        showExportChooser();
        QCOMPARE(offered, 3);
        QCOMPARE(ExportExtension, QStringLiteral(".html"));

        // No item chosen: "ПРИЕМИ" leaves the values.
        exportChooser()->setItemIndex(-1);
        QCOMPARE(exportChooser()->itemIndex(), -1);
        exportChooser()->Button_PriemiClick();
        QCOMPARE(ExportExtension, QStringLiteral(".html"));
    }

    void chooserOutlivesTheWindowOfTheFirstExport()
    {
        TestProgram program(false);
        QWidget mainWindow;
        WindowOwner::setMainWindow(&mainWindow);
        auto *listWindow = new QWidget;
        PlatformScript::setModalHandler([](QDialog *d) { return d->result(); });
        showExportChooser(); // the first export, from listWindow
        TForm_Print_Vid_Fail *chooser = Form_Print_Vid_Fail;
        delete listWindow;
        QVERIFY(Form_Print_Vid_Fail);
        QCOMPARE(chooser->parentWidget(), &mainWindow);
        showExportChooser();
        QCOMPARE(Form_Print_Vid_Fail.data(), chooser);
    }
};
VTEST(TestPrintVidFail)

#include "test_print_vid_fail.moc"
