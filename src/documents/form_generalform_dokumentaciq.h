#pragma once
#include <QDialog>
#include <QPointer>

class LayoutCanvas;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenuBar;
class QScrollArea;
class QToolButton;
#include "documents/form_nastrojki.h"
class TName_Of_Dokument;

// "ДОКУМЕНТАЦИЯ": the designer of printed documents. It shows the current
// layout, opens the element editor beside itself, loads the header and footer
// texts, reopens registered documents and saves the layout. Made once and
// shown modally; closing it empties the current layout and the editor.
class TForm_GeneralForm_Dokumentaciq : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_GeneralForm_Dokumentaciq(QWidget *parent = nullptr);
    ~TForm_GeneralForm_Dokumentaciq() override;

    QMenuBar *MainMenu1;
    QAction *N_Open_File;
    QAction *N_otvori_gore;
    QAction *N_otvori_otdolu;
    QAction *N2;
    QAction *N_Pregled;
    QAction *N_Pe4at;
    QAction *N_Etiket;
    QAction *N_Kartinka;
    QAction *N4;
    QToolButton *ToolButton_Bold;
    QToolButton *ToolButton_Italic;
    QToolButton *ToolButton_Underline;
    QComboBox *ComboBox_WinFonts;
    QComboBox *ComboBox_Size;
    QCheckBox *CheckBox_Magazin;
    QCheckBox *CheckBox_Serviz;
    QCheckBox *CheckBox_Fisk_Centar;
    QLabel *Label2;
    QComboBox *ComboBox_Dokumenti;
    QScrollArea *ScrollBox1;
    LayoutCanvas *QuickRep1;

    void N_Open_FileClick();
    void ComboBox_DokumentiChange(int index);
    void N_otvori_goreClick();
    void N_otvori_otdoluClick();
    void N2Click();
    void N_EtiketClick();
    void N_KartinkaClick();
    void N4Click();
    // "Преглед": the current layout with the data of the active tab's rules.
    void N_PregledClick();
    // Makes the element editor when missing, places it at the screen's right
    // edge, applies its band heights, refills its field list and shows it.
    void CreateForm_Nastrojki();

    TForm_Nastrojki *editor() const { return m_editor; }
    TName_Of_Dokument *saveDialog() const { return m_saveDialog; }
    void refresh(); // repaint after the layout changed

    // Closing ends the design: the layout empties and the editor goes.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void openEditorPage(int page);
    bool loadText(bool header);
    QPointer<TForm_Nastrojki> m_editor;
    TName_Of_Dokument *m_saveDialog = nullptr;
    // The document shown: the one reopened or last saved (its preview's and PDF's name).
    QString m_documentName;
};
