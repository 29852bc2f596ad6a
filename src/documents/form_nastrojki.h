#pragma once
#include "documents/layout_document.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

// "Добавяне на елементи": the tool window beside the designer in which the
// elements of the current layout are made, bound to a table field, placed and
// formatted, and the band heights set. Handlers react to the user's edits
// only: loading an element into the controls changes nothing.
class TForm_Nastrojki : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Nastrojki(QWidget *parent = nullptr);

    QSpinBox *SpinEdit_GroupHeaderBand1_Height;
    QSpinBox *SpinEdit_QRSubDetail1_Height;
    QSpinBox *SpinEdit_GroupFooterBand1_Height;
    QComboBox *ComboBox_Sobstvenik_na_Obekt;
    QTabWidget *PageControl1;
    QGroupBox *RadioGroup1;
    QRadioButton *RadioButton_Baza;
    QRadioButton *RadioButton_Etiket;
    QRadioButton *RadioButton_Sistemni;
    QComboBox *ComboBox_Type;
    QComboBox *ComboBox_Poleta;
    QCheckBox *CheckBox_AutoSize;
    QComboBox *ComboBox_podravnqvane;
    QCheckBox *CheckBox_Style_Bold;
    QCheckBox *CheckBox_Style_Italic;
    QCheckBox *CheckBox_Style_Underline;
    QCheckBox *CheckBox_Style_StrikeOut;
    QPushButton *Button2;
    QSpinBox *SpinEdit_Font_Size;
    QCheckBox *CheckBox_Frame_Left;
    QCheckBox *CheckBox_Frame_Right;
    QCheckBox *CheckBox_Frame_Up;
    QCheckBox *CheckBox_Frame_Down;
    QComboBox *ComboBox_Frame_Style;
    QSpinBox *SpinEdit_Frame_Width;
    QPushButton *Button1;
    QSpinBox *SpinEdit_Height;
    QSpinBox *SpinEdit_Width;
    QSpinBox *SpinEdit_Left;
    QSpinBox *SpinEdit_Top;
    QComboBox *ComboBox2;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QPushButton *Button_Izberi;
    QPushButton *Button_Iztrii_Kartinka;
    QCheckBox *CheckBox_Pokaji_Header;
    QSpinBox *SpinEdit_PageHeader_Heigth;
    QCheckBox *CheckBox_Pokaji_Footer;
    QSpinBox *SpinEdit_PageFooter_Heigth;

    void BitBtn1Click();
    void ComboBox_Sobstvenik_na_ObektChange();
    void ComboBox2Click();
    void RadioGroup1Click();
    void ComboBox_PoletaClick();
    void CheckBox_Pokaji_HeaderClick();
    void CheckBox_Pokaji_FooterClick();
    void Button1Click();
    void Button2Click();

    // The element list and band heights anew from the current layout, the
    // last element selected (after a build).
    void reloadFromLayout();
    // "Table-Field" of every data-module table that exists, without the
    // operators' passwords and rights; for a fiscal-service layout also the
    // device query's result names not offered already.
    void fillFieldList(bool fiscalService = false);
    static QStringList fieldEntries(bool fiscalService = false);
    // The device query's entries not among `offered`.
    static QStringList deviceQueryEntries(const QStringList &offered);

    std::optional<Layout::Band> targetBand() const { return m_targetBand; }
    void setTargetBand(Layout::Band band) { m_targetBand = band; }

Q_SIGNALS:
    void layoutChanged();

private:
    Layout::Element *selected();
    void loadSelection();
    // Applies `change` to the selected data field or system data; labels and
    // pictures keep their settings.
    void changeFormatted(const std::function<void(Layout::Element &)> &change);
    void pickColour(QColor Layout::Element::*colour); // "Цвят": frame or font
    void bandHeightChanged(Layout::Band band, int value);
    void pageBandHeightChanged(bool header, int value);

    std::optional<Layout::Band> m_targetBand;
    bool m_loading = false;
    QStringList m_queryEntries; // offered fields that are the device query's, no table's
};
