#include "fiscal_tab_fixture.h"
#include "tax_file_fixture.h"
#include "test_registry.h"
#include "test_support.h"
#include "documents/print_fixture.h"

#include "app/mode_tab.h"
#include "documents/document_print_road.h"
#include "documents/form_generalform_dokumentaciq.h"
#include "documents/form_nastrojki.h"
#include "documents/layout_document.h"
#include "documents/name_of_dokument.h"
#include "documents/tab_print_panel.h"
#include "fiscal_service/fiscal_tab.h"
#include "platform/printer_check_list.h"
#include "platform/printers.h"
#include "platform/report/report_preview.h"
#include "platform/script.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace taxfixture;
using fiscaltest::Tab;

namespace {
long long count(const QString &sql)
{
    return Db::scalar(sql).toLongLong();
}

void choose(QComboBox *box, const QString &text)
{
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    box->setCurrentIndex(i);
    Q_EMIT box->activated(i);
}

// The texts of every page of a preview.
QStringList previewTexts(const ReportPreview *preview)
{
    QStringList texts;
    for (const Report::Page &page : preview->document().pages)
        for (const Report::PageItem &item : page.items)
            for (const Report::TextLine &line : item.lines)
                texts << line.text;
    return texts;
}
} // namespace

class FiscalPrintingTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        PlatformScript::clearEvents();
        DefaultPrinterName.clear();
        Printers::setInstalledForTests(QStringList{QStringLiteral("Kyocera"), QStringLiteral("HP")},
                                       QStringLiteral("HP"));
    }
    void cleanup() { Printers::setInstalledForTests(std::nullopt); }

    void documentsOfTheDeviceShown()
    {
        TestProgram program;
        firms();
        registration(7, QStringLiteral("DT123456"), QStringLiteral("2025-05-06"));
        contract(QStringLiteral("DT123456"), QStringLiteral("0000000002"), QStringLiteral("2026-01-31"));
        registration(8, QStringLiteral("OTHER1"), QStringLiteral("2025-05-07"));
        exec(QStringLiteral("UPDATE Reg_EKA SET ID_Serv = 4 WHERE EKA = 'OTHER1'"));
        const QString fiscal = QStringLiteral("МАГАЗИН ,СЕРВИЗ ,Фискален сервиз");
        QVERIFY(PrintFixture::save(QStringLiteral("Акт"),
                                   PrintFixture::layout({{"Serv", "Serv_Ime"}, {"TDD", "TDD_Ime"}}),
                                   QStringLiteral("0000000005"), fiscal));
        QVERIFY(PrintFixture::save(QStringLiteral("Договор"),
                                   PrintFixture::layout({{"Plomb", "Plomb_Ime"}, {"Dogovor", "Dog_ID"},
                                                         {"Dogovor", "Valid_Do"}}),
                                   QStringLiteral("0000000009"), fiscal));
        QVERIFY(PrintFixture::save(QStringLiteral("Протокол"), PrintFixture::layout({{"Serv", "Serv_Ime"}}),
                                   QStringLiteral("0"), QStringLiteral(" ,СЕРВИЗ ,")));

        Tab tab;
        FiscalTab *t = tab.t;
        QVERIFY(t->Panel26->isHidden());
        // No device shown: nothing printed.
        PrintFixture::Recorder recorder;
        t->Button9->click();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{FiscalTab::noDeviceMessage()});
        QVERIFY(recorder.device.jobs().isEmpty());

        tab.lookup(QStringLiteral("DT123456"));
        t->Edit_ID_EKA->setText(QStringLiteral("OTHER1")); // typed, not looked up
        t->SpdBtn_Pokaji_Dokuments_FC->click();
        QVERIFY(t->Panel26->isVisible());
        QVERIFY(t->Panel_Printers_FC->isVisible());
        QCOMPARE(tab.documents(), (QStringList{"Акт", "Договор"}));
        QCOMPARE(t->CheckListBox_Printers_FC->checkedPrinters(), QStringList{"HP"});
        // "Всички" and "Нищо", and a click on a document toggles it.
        tab.button("Button_Vsichki_Dok_FC")->click();
        QCOMPARE(t->printPanel()->tickedDocuments(), (QStringList{"Акт", "Договор"}));
        tab.button("Button_Nishto_Dok_FC")->click();
        QVERIFY(t->printPanel()->tickedDocuments().isEmpty());
        QListWidget *list = t->ChkListBox_Pokaj_Dokum_FC;
        for (int i = 0; i < 2; ++i) {
            const QRect r = list->visualItemRect(list->item(i));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 5, r.center().y()));
        }
        QCOMPARE(t->printPanel()->tickedDocuments(), (QStringList{"Акт", "Договор"}));
        QCOMPARE(list->toolTip(), QStringLiteral("Договор"));
        t->CheckListBox_Printers_FC->setChecked(QStringLiteral("Kyocera"), true);
        SET_SELECTED_PRINTER(QStringLiteral("Kyocera"));

        t->Button9->click();
        QCOMPARE(recorder.printers, (QStringList{"Kyocera", "HP", "Kyocera", "HP"}));
        QStringList titles;
        for (const RecordingPaintDevice::Job &j : recorder.device.jobs())
            titles << j.title;
        QCOMPARE(titles, (QStringList{"Акт", "Акт", "Договор", "Договор"}));
        const QList<QStringList> texts = recorder.sentTexts();
        QCOMPARE(texts.size(), 4);
        QVERIFY(texts[0].contains(QStringLiteral("Сервиз Фиск ООД"))); // the device shown, not the one typed
        QVERIFY(texts[0].contains(QStringLiteral("НАП София")));
        QVERIFY(texts[2].contains(QStringLiteral("Пломба ЕАД")));
        QVERIFY(texts[2].contains(QStringLiteral("0000000002")));
        QVERIFY(texts[2].contains(QStringLiteral("31.01.2026")));
        QCOMPARE(texts[1], texts[0]);
        // Never logged or numbered.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok")), 0LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT N_Dok FROM Dokumenti WHERE Opisanie = 'Акт'")).toString(),
                 QStringLiteral("0000000005"));
        // The end: toggles up, panels hidden, the printer of the list's opening current again.
        QVERIFY(!t->SpdBtn_Pokaji_Dokuments_FC->isChecked());
        QVERIFY(!t->SpdBtn_Pokaji_Printers_FC->isChecked());
        QVERIFY(t->Panel26->isHidden());
        QVERIFY(t->Panel_Dokumets_FC->isHidden());
        QVERIFY(t->Panel_Printers_FC->isHidden());
        QCOMPARE(Printers::selected(), QStringLiteral("HP"));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).size() == 1);

        // A printer gone meanwhile ends the road with a message.
        Printers::setInstalledForTests(QStringList{QStringLiteral("HP")}, QStringLiteral("HP"));
        recorder.printers.clear();
        t->Button9->click();
        QVERIFY(recorder.printers.isEmpty());
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 2);
    }

    // The designer previews a fiscal-centre layout as the fiscal tab prints
    // it: from the device query of the device the tab shows; with none shown,
    // the layout with its fields empty.
    void designerPreviewsAFiscalLayoutFromTheDeviceShown()
    {
        TestProgram program;
        firms();
        registration(7, QStringLiteral("DT123456"), QStringLiteral("2025-05-06"));
        QVERIFY(PrintFixture::save(QStringLiteral("Акт"),
                                   PrintFixture::layout({{"Serv", "Serv_Ime"}, {"TDD", "TDD_Ime"}}),
                                   QStringLiteral("0000000005"), QStringLiteral(" , ,Фискален сервиз")));
        QList<QStringList> previews;
        driveWindows<ReportPreview>([&previews](ReportPreview *p) {
            previews << previewTexts(p);
            QTest::mouseClick(p->Button_Close, Qt::LeftButton);
        });
        TForm_GeneralForm_Dokumentaciq designer;
        designer.show();
        designer.N_Open_File->trigger();
        choose(designer.ComboBox_Dokumenti, QStringLiteral("Акт"));
        QVERIFY(designer.CheckBox_Fisk_Centar->isChecked());
        designer.N_Pregled->trigger(); // a program without the fiscal service says where it prints
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Документът се печата от раздел \"Фискален сервиз\".")});
        PlatformScript::clearEvents();

        Tab tab;
        designer.N_Pregled->trigger();
        tab.lookup(QStringLiteral("DT123456"));
        designer.N_Pregled->trigger();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList());
        QCOMPARE(previews.size(), 2);
        QVERIFY(!previews[0].contains(QStringLiteral("Сервиз Фиск ООД")));
        QVERIFY(previews[0].filter(QStringLiteral("кумент е издаден")).size() == 1); // the page is there
        QVERIFY2(previews[1].contains(QStringLiteral("Сервиз Фиск ООД")), qPrintable(previews[1].join('|')));
        QVERIFY(previews[1].contains(QStringLiteral("НАП София")));
        // Never logged or numbered.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Printed_Dok")), 0LL);
        PlatformScript::setModalHandler({});
        designer.done(QDialog::Rejected);
    }

    // A layout marked "Фискален сервиз" is designed from the device query's
    // result names, and the fiscal tab prints them.
    void fiscalLayoutDesignedFromTheDeviceQuery()
    {
        TestProgram program;
        firms();
        registration(7, QStringLiteral("DT123456"), QStringLiteral("2025-05-06"));
        Tab tab; // the fiscal service is part of the program
        FiscalTab *t = tab.t;

        TForm_GeneralForm_Dokumentaciq designer;
        designer.show();
        designer.N_Etiket->trigger();
        TForm_Nastrojki *e = designer.editor();
        const auto offered = [e](const char *entry) { return e->ComboBox_Poleta->findText(QString::fromLatin1(entry)) >= 0; };
        QVERIFY(!offered("Serv-Serv_Ime")); // a shop document
        designer.CheckBox_Magazin->setChecked(false);
        designer.CheckBox_Fisk_Centar->setChecked(true);
        for (const char *entry : {"Serv-Serv_Ime", "TDD-TDD_Ime", "Plomb-Plomb_Ime", "Dogovor-Dog_ID",
                                  "Reg_EKA-Dosie_ID", "SV_BIM-Model_Opis", "Produkti-Opisanie"})
            QVERIFY2(offered(entry), entry);
        // each result name once: the first of two of one name is the one printed
        QCOMPARE(e->ComboBox_Poleta->findText(QStringLiteral("Serv-T_O")), -1);
        e->SpinEdit_GroupHeaderBand1_Height->setValue(20);
        e->SpinEdit_QRSubDetail1_Height->setValue(60);
        e->SpinEdit_Width->setValue(300);
        e->RadioButton_Baza->click();
        e->BitBtn1->click();
        choose(e->ComboBox_Poleta, QStringLiteral("Serv-Serv_Ime"));
        QCOMPARE(Layout::current().elements.last().table, QStringLiteral("Serv"));
        QCOMPARE(Layout::current().elements.last().field, QStringLiteral("Serv_Ime"));
        e->BitBtn1->click();
        e->SpinEdit_Top->setValue(30);
        choose(e->ComboBox_Poleta, QStringLiteral("TDD-TDD_Ime"));
        driveWindows<TName_Of_Dokument>([](TName_Of_Dokument *d) {
            d->Edit_Name_Of_Dok->setText(QStringLiteral("Протокол ФУ"));
            d->OKBtn->click();
        });
        designer.N2->trigger();
        PlatformScript::setModalHandler({});
        designer.done(QDialog::Rejected);

        PrintFixture::Recorder recorder;
        tab.lookup(QStringLiteral("DT123456"));
        t->SpdBtn_Pokaji_Dokuments_FC->click();
        QCOMPARE(tab.documents(), QStringList{QStringLiteral("Протокол ФУ")});
        t->ChkListBox_Pokaj_Dokum_FC->item(0)->setCheckState(Qt::Checked);
        t->Button9->click();
        const QList<QStringList> texts = recorder.sentTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].contains(QStringLiteral("Сервиз Фиск ООД")), qPrintable(texts[0].join('|')));
        QVERIFY(texts[0].contains(QStringLiteral("НАП София")));
    }
};

VTEST(FiscalPrintingTest)
#include "test_fiscal_printing.moc"
