#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "common/ini_file.h"
#include "documents/form_free_tekst.h"
#include "documents/form_generalform_dokumentaciq.h"
#include "documents/form_nastrojki.h"
#include "documents/layout_canvas.h"
#include "documents/layout_document.h"
#include "documents/layout_file.h"
#include "documents/layout_report.h"
#include "documents/layout_save.h"
#include "documents/name_of_dokument.h"
#include "platform/script.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyleOptionComboBox>
#include <QTest>

using namespace Layout;

namespace {
void choose(QComboBox *box, const QString &text)
{
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    box->setCurrentIndex(i);
    Q_EMIT box->activated(i);
}

// Creates one element of the kind list's `kind` ("База данни" 0, "Етикет" 1, "Системни" 2).
void create(TForm_Nastrojki *e, int kind, int listIndex = 0)
{
    QRadioButton *radio = kind == 0 ? e->RadioButton_Baza : kind == 1 ? e->RadioButton_Etiket : e->RadioButton_Sistemni;
    if (!radio->isChecked())
        radio->click();
    if (kind != 0)
        e->ComboBox_Type->setCurrentIndex(listIndex);
    e->BitBtn1->click();
}

// Saves the current layout through the designer's dialog.
void saveThroughDialog(TForm_GeneralForm_Dokumentaciq &form, const QString &name, bool replace = false)
{
    if (replace)
        PlatformScript::answer(true);
    driveWindows<TName_Of_Dokument>([name](TName_Of_Dokument *d) {
        d->Edit_Name_Of_Dok->setText(name);
        d->OKBtn->click();
    });
    form.N2->trigger();
    PlatformScript::setModalHandler({});
}
} // namespace

class TestDesigner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        current().clear();
        PlatformScript::setModalHandler({});
    }

    void elementsAreNamedInCreationOrder()
    {
        TestProgram program;
        TForm_GeneralForm_Dokumentaciq form;
        form.show();
        QVERIFY(!form.N_Pe4at->isEnabled());
        form.N_Etiket->trigger();
        TForm_Nastrojki *e = form.editor();
        QVERIFY(e && e->isVisible());
        QVERIFY(e->windowFlags() & Qt::Tool);
        QCOMPARE(e->ComboBox_Sobstvenik_na_Obekt->currentText(), QStringLiteral(" текст в среда"));
        create(e, 1, NetAmount);
        create(e, 0);
        create(e, 2, PageNumber);
        const Document &d = current();
        QCOMPARE(d.elements.size(), 3);
        QCOMPARE(d.elements.at(0).name, QStringLiteral("QRLabel1"));
        QCOMPARE(d.elements.at(0).caption, QStringLiteral("0:Цена без ДДС"));
        QCOMPARE(d.elements.at(1).name, QStringLiteral("QRDBText2"));
        QCOMPARE(d.elements.at(2).name, QStringLiteral("QRSysData3"));
        QCOMPARE(d.elements.at(2).code, int(PageNumber));
        QCOMPARE(e->ComboBox2->currentText(), QStringLiteral("QRSysData3"));
        QCOMPARE(d.ElementBandList(), QStringList(3, QStringLiteral("QRSubDetail1")));

        // A system-data element made while the label list shows takes the kind at the same position.
        e->RadioButton_Etiket->click();
        e->ComboBox_Type->setCurrentIndex(2);
        e->RadioButton_Sistemni->setChecked(true);
        e->BitBtn1->click();
        QCOMPARE(current().elements.last().code, int(RecordCount));
        // Selecting another system-data element never changes its kind.
        e->ComboBox_Type->setCurrentIndex(0);
        choose(e->ComboBox2, QStringLiteral("QRSysData3"));
        QCOMPARE(current().elements.at(2).code, int(PageNumber));
        e->SpinEdit_QRSubDetail1_Height->setValue(60);
        e->SpinEdit_GroupHeaderBand1_Height->setValue(100);
        current().headerText = QStringLiteral("<b>Фирма</b> Вентарос");
        current().elements[1].table = QStringLiteral("Produkti");
        current().elements[1].field = QStringLiteral("Opisanie");
        current().elements[1].left = 120;
        current().elements[2].left = 300;
        current().elements[2].frameBottom = true;
        form.refresh();
        form.grab().save(QStringLiteral("/tmp/designer-25.png"));
        e->grab().save(QStringLiteral("/tmp/editor-25.png"));
    }

    void positionAndLabelSettings()
    {
        TestProgram program;
        TForm_GeneralForm_Dokumentaciq form;
        form.show();
        form.N_Etiket->trigger();
        TForm_Nastrojki *e = form.editor();
        create(e, 2, Date);
        e->SpinEdit_Left->setValue(40);
        e->SpinEdit_Top->setValue(25);
        QCOMPARE(current().elements.at(0).left, 40);
        QCOMPARE(current().elements.at(0).top, 25);
        // "От горе" 0 moves it to the top, as "От ляво" 0 moves it to the left.
        e->SpinEdit_Top->setValue(0);
        e->SpinEdit_Left->setValue(0);
        QCOMPARE(current().elements.at(0).top, 0);
        QCOMPARE(current().elements.at(0).left, 0);
        e->CheckBox_Style_Bold->click();
        e->CheckBox_Frame_Left->click();
        e->SpinEdit_Font_Size->setValue(16);
        QVERIFY(current().elements.at(0).bold);
        QVERIFY(current().elements.at(0).frameLeft);
        QCOMPARE(current().elements.at(0).fontSize, 16);
        driveWindows<QColorDialog>([](QColorDialog *c) {
            c->setCurrentColor(Qt::red);
            c->accept();
        });
        e->Button2->click();
        QCOMPARE(current().elements.at(0).fontColour, QColor(Qt::red));
        QCOMPARE(current().elements.at(0).frameColour, QColor(Qt::black));

        // A label: selecting loads its settings and changes nothing; format edits leave it alone.
        create(e, 1, VatAmount);
        Element &label = current().elements[1];
        label.fontSize = 12;
        label.top = 7;
        const Element before = label;
        choose(e->ComboBox2, QStringLiteral("QRLabel2"));
        QCOMPARE(e->SpinEdit_Font_Size->value(), 12);
        QCOMPARE(e->SpinEdit_Top->value(), 7);
        e->CheckBox_Style_Italic->click();
        e->CheckBox_Frame_Up->click();
        e->SpinEdit_Font_Size->setValue(30);
        e->SpinEdit_Frame_Width->setValue(5);
        const Element &after = current().elements.at(1);
        QCOMPARE(after.italic, before.italic);
        QCOMPARE(after.frameTop, before.frameTop);
        QCOMPARE(after.fontSize, 12);
        QCOMPARE(after.frameWidth, before.frameWidth);
        e->Button1->click();
        QCOMPARE(after.frameColour, before.frameColour);
        // Loading the first element back changes neither.
        choose(e->ComboBox2, QStringLiteral("QRSysData1"));
        QCOMPARE(current().elements.at(0).fontSize, 16);
        QCOMPARE(current().elements.at(1).fontSize, 12);
    }

    void bandsAndPageBands()
    {
        TestProgram program;
        TForm_GeneralForm_Dokumentaciq form;
        form.show();
        form.N_Etiket->trigger();
        TForm_Nastrojki *e = form.editor();
        // " футър" before any band: the detail band.
        form.editor()->setTargetBand(Band::Detail);
        TForm_GeneralForm_Dokumentaciq fresh;
        fresh.N_Kartinka->trigger();
        TForm_Nastrojki *f = fresh.editor();
        choose(f->ComboBox_Sobstvenik_na_Obekt, QStringLiteral(" футър"));
        create(f, 1, AmountWords);
        QCOMPARE(current().elements.last().band, Band::Detail);
        current().clear();

        choose(e->ComboBox_Sobstvenik_na_Obekt, QStringLiteral(" текст отдолу"));
        create(e, 2, Time);
        QCOMPARE(current().elements.last().band, Band::Footer);
        e->SpinEdit_GroupFooterBand1_Height->setValue(77);
        QCOMPARE(current().footerHeight, 77);
        // The footer text follows its band as the header's does.
        QCOMPARE(LayoutReport::model(current()).element(QStringLiteral("QRRichText_Footer"))->height, 76.0);
        e->SpinEdit_GroupHeaderBand1_Height->setValue(120);
        QCOMPARE(current().headerHeight, 120);
        QCOMPARE(LayoutReport::model(current()).element(QStringLiteral("QRRichText_Header"))->height, 119.0);
        e->CheckBox_Pokaji_Header->click();
        QVERIFY(current().pageHeaderOn);
        QCOMPARE(current().pageHeaderHeight, 40);
        QCOMPARE(e->SpinEdit_PageHeader_Heigth->value(), 40);
        e->CheckBox_Pokaji_Header->click();
        QCOMPARE(current().pageHeaderHeight, 0);
        // The canvas grows with the bands.
        const int h = form.QuickRep1->sizeHint().height();
        e->SpinEdit_GroupFooterBand1_Height->setValue(177);
        QCOMPARE(form.QuickRep1->sizeHint().height(), h + 100);
    }

    void fieldListAndBinding()
    {
        TestProgram program;
        const QStringList entries = TForm_Nastrojki::fieldEntries();
        QVERIFY(entries.contains(QStringLiteral("Produkti-Opisanie")));
        QVERIFY(entries.contains(QStringLiteral("Operators-Ime")));
        QVERIFY(!entries.contains(QStringLiteral("Operators-Par")));
        QVERIFY(!entries.contains(QStringLiteral("Operators-Prava")));
        QVERIFY(!entries.contains(QStringLiteral("Kodove_za_Dokumenti-Nomer_na_Dokument")));

        TForm_GeneralForm_Dokumentaciq form;
        form.show();
        form.N_Etiket->trigger();
        TForm_Nastrojki *e = form.editor();
        QCOMPARE(e->ComboBox_Poleta->count(), entries.size());
        // The box and its drop-down are wide enough to read the longest field name.
        QString longest;
        for (const QString &entry : entries)
            if (entry.size() > longest.size())
                longest = entry;
        e->show();
        QCoreApplication::processEvents();
        QComboBox *fields = e->ComboBox_Poleta;
        const int text = fields->fontMetrics().horizontalAdvance(longest);
        QStyleOptionComboBox box;
        box.initFrom(fields);
        const int room = fields->style()->subControlRect(QStyle::CC_ComboBox, &box, QStyle::SC_ComboBoxEditField, fields).width();
        QVERIFY2(room >= text, qPrintable(QStringLiteral("%1 < %2").arg(room).arg(text)));
        fields->showPopup();
        QVERIFY(fields->view()->viewport()->width() >= text);
        fields->hidePopup();
        QVERIFY(e->width() <= 1280);
        create(e, 1, NetAmount);
        create(e, 1, VatAmount);
        create(e, 0);
        // Binding a label does nothing; the third element, a data field, is bound.
        choose(e->ComboBox2, QStringLiteral("QRLabel1"));
        choose(e->ComboBox_Poleta, QStringLiteral("Firmi-Ime_Firma"));
        QVERIFY(current().elements.at(0).table.isEmpty());
        choose(e->ComboBox2, QStringLiteral("QRDBText3"));
        choose(e->ComboBox_Poleta, QStringLiteral("Firmi-Ime_Firma"));
        QCOMPARE(current().elements.at(2).table, QStringLiteral("Firmi"));
        QCOMPARE(current().elements.at(2).field, QStringLiteral("Ime_Firma"));
        QCOMPARE(current().LayoutTableList(), QStringList{QStringLiteral("Firmi")});
        QCOMPARE(LayoutCanvas::elementText(2), QStringLiteral("Firmi.Ime_Firma"));
    }

    void freeTextLabelAndTakenName()
    {
        TestProgram program;
        TForm_GeneralForm_Dokumentaciq form;
        form.show();
        form.N_Etiket->trigger();
        TForm_Nastrojki *e = form.editor();
        // A layout built from a file whose names follow another numbering.
        current().elements.append(Element());
        current().elements.last().name = QStringLiteral("QRLabel1");
        driveWindows<TForm_Free_Tekst>([](TForm_Free_Tekst *w) {
            QCOMPARE(w->Edit1->text(), QStringLiteral("Въведете заглавие на етикета"));
            w->Edit1->setText(QStringLiteral("Основание"));
            w->Button1->click();
        });
        create(e, 1, FreeText);
        QCOMPARE(current().elements.size(), 2);
        QCOMPARE(current().elements.last().name, QStringLiteral("QRLabel2"));
        QCOMPARE(current().elements.last().caption, QStringLiteral("4:Основание"));
        QCOMPARE(current().elements.last().code, int(FreeText));
        // A closed prompt makes no element.
        driveWindows<TForm_Free_Tekst>([](TForm_Free_Tekst *) {});
        create(e, 1, FreeText);
        QCOMPARE(current().elements.size(), 2);
    }

    void reopenedDocumentKeepsItsWhereUsed()
    {
        TestProgram program;
        TForm_GeneralForm_Dokumentaciq form;
        form.show();
        form.N_Etiket->trigger();
        create(form.editor(), 1, TotalAmount);
        form.CheckBox_Magazin->setChecked(false);
        form.CheckBox_Serviz->setChecked(true);
        saveThroughDialog(form, QStringLiteral("Сервизен"));
        QCOMPARE(LayoutSave::document(QStringLiteral("Сервизен"))->kadeSeIzpolzva, QStringLiteral(" ,СЕРВИЗ ,"));

        // Another design with the shop mark, then the service document reopened and saved.
        form.done(QDialog::Rejected);
        QVERIFY(current().elements.isEmpty());
        QVERIFY(!form.editor());
        form.show();
        QVERIFY(form.CheckBox_Serviz->isChecked());
        form.CheckBox_Magazin->setChecked(true);
        form.CheckBox_Serviz->setChecked(false);
        form.N_Open_File->trigger();
        QVERIFY(form.ComboBox_Dokumenti->isVisibleTo(&form));
        QCOMPARE(form.ComboBox_Dokumenti->count(), 1);
        form.N_Open_File->trigger();
        QCOMPARE(form.ComboBox_Dokumenti->count(), 1);
        choose(form.ComboBox_Dokumenti, QStringLiteral("Сервизен"));
        QVERIFY(!form.CheckBox_Magazin->isChecked());
        QVERIFY(form.CheckBox_Serviz->isChecked());
        QCOMPARE(current().elements.size(), 1);
        QCOMPARE(form.editor()->ComboBox2->currentText(), QStringLiteral("QRLabel1"));
        saveThroughDialog(form, QStringLiteral("Сервизен"), true);
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 1);
        const QList<LayoutSave::Row> rows = LayoutSave::documents();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().kadeSeIzpolzva, QStringLiteral(" ,СЕРВИЗ ,"));
        QCOMPARE(LayoutFile::basePath(QStringLiteral("Сервизен")), program.file(QStringLiteral("Documentations/Сервизен")));
    }

    void saveDialogRefusesAndKeepsOpen()
    {
        TestProgram program;
        TForm_GeneralForm_Dokumentaciq form;
        TName_Of_Dokument *dialog = form.saveDialog();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Dialog"));
        QCOMPARE(dialog->Label_Formated_Nom->text(), QStringLiteral("0"));
        dialog->SpinEdit_Format_Dok->setValue(5);
        dialog->SpinEdit_Nomer_Dok->setValue(12);
        QCOMPARE(dialog->Label_Formated_Nom->text(), QStringLiteral("00012"));
        dialog->SpinEdit_Nomer_Dok->setValue(-5);
        QCOMPARE(dialog->SpinEdit_Nomer_Dok->value(), 0);
        int result = -1;
        driveWindows<TName_Of_Dokument>([&result](TName_Of_Dokument *d) {
            d->Edit_Name_Of_Dok->setText(QStringLiteral("a/b"));
            d->OKBtn->click();
            result = d->isVisible() ? 1 : 0;
        });
        form.N2->trigger();
        QCOMPARE(result, 1);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QVERIFY(LayoutSave::documents().isEmpty());
        // No to the replace question writes nothing.
        saveThroughDialog(form, QStringLiteral("Бон"));
        const QString psc = LayoutFile::basePath(QStringLiteral("Бон")) + QStringLiteral(".psc");
        PlatformScript::answer(false);
        driveWindows<TName_Of_Dokument>([](TName_Of_Dokument *d) { d->OKBtn->click(); });
        current().elements.append(Element());
        current().elements.last().name = QStringLiteral("QRLabel1");
        form.N2->trigger();
        QCOMPARE(IniFile(psc).readInteger(QStringLiteral("Object_Counts"), QStringLiteral("Max")), 0LL);
    }
};

VTEST(TestDesigner)
#include "test_designer.moc"
