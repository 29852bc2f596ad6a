#pragma once
// The shop tab's controls around a desk, as the main window makes them.
#include "desk/shop_desk.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

inline DeskControls deskControls(QWidget *tab)
{
    DeskControls c;
    auto *top = new QVBoxLayout(tab);
    c.Label_Selected_Kontragent = new QLineEdit(tab);
    c.Panel_Smetki = new QWidget(tab);
    c.ComboBox_Smetka = new QComboBox(c.Panel_Smetki);
    c.Edit_Broj = new QLineEdit(QStringLiteral("1"), tab);
    c.Button_Insert_in_List = new QPushButton(tab);
    c.Button_Prodajba = new QPushButton(tab);
    c.DeskArea = new QWidget(tab);
    c.DeskAreaLayout = new QVBoxLayout(c.DeskArea);
    top->addWidget(c.DeskArea);
    top->addWidget(c.Edit_Broj);
    return c;
}
