#pragma once
#include <QDialog>
#include <QList>

class QKeySequenceEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// "Настройка на бързи бутони": the current operator's keyboard shortcuts.
class TForm_Fast_Buttons : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Fast_Buttons(QWidget *parent = nullptr);

    QTreeWidget *TreeView_Fast_Butons;
    QKeySequenceEdit *HotKey1;
    QPushButton *BitBtn_Zapis;   // "ЗАПИС"
    QPushButton *BitBtn_Otkaz;   // "ОТКАЗ"
    QPushButton *BitBtn_Prilogi; // "ПРИЛОЖИ"

    void FormShow();
    void TreeView_Fast_ButonsChange(QTreeWidgetItem *item);
    void BitBtn_PrilogiClick();
    void BitBtn_ZapisClick();

    QTreeWidgetItem *node(int number) const { return m_nodes.value(number); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    int selectedNode() const;
    QList<QTreeWidgetItem *> m_nodes;
};
