#include "catalogue/form_free_art_id.h"

#include "catalogue/free_article_numbers.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/work_tables.h"
#include "platform/dialogs.h"
#include "platform/named.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TForm_Free_Art_ID::TForm_Free_Art_ID(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Free_Art_ID"));
    setWindowTitle(QStringLiteral("Свободни артикулни номера"));
    m_list = new SqlListModel(this);
    DBGrid1 = named(new QTableView(this), "DBGrid1");
    DBGrid1->setModel(m_list);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    BitBtn1 = namedButton(QStringLiteral("BitBtn1"), QStringLiteral("ИЗБЕРИ"), this);
    BitBtn1->setDefault(true);
    BitBtn2 = namedButton(QStringLiteral("BitBtn2"), QStringLiteral("ОТКАЖИ"), this);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Free_Art_ID::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(DBGrid1, &QTableView::doubleClicked, this, &TForm_Free_Art_ID::BitBtn1Click);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(buttons);
    resize(380, 420);
}

bool TForm_Free_Art_ID::reload()
{
    try {
        m_list->setQuery(QStringLiteral("SELECT Grupi.Opisanie AS Grupa_Ime, f.Art_ID FROM ")
                         + WorkTables::qualified(QString::fromLatin1(FreeArticleNumbers::WorkTable))
                         + QStringLiteral(" f LEFT JOIN Grupi ON Grupi.ID = f.Grupa_ID ORDER BY f.Art_ID"));
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Свободните номера не могат да бъдат прочетени:\n") + e.message(), this);
        return false;
    }
    m_list->setHeaderTitle(QStringLiteral("Grupa_Ime"), QStringLiteral("Група"));
    m_list->setHeaderTitle(QStringLiteral("Art_ID"), QStringLiteral("Свободен номер"));
    if (m_list->rowCount() > 0)
        DBGrid1->setCurrentIndex(m_list->index(0, 1));
    return true;
}

void TForm_Free_Art_ID::BitBtn1Click()
{
    const int row = DBGrid1->currentIndex().row();
    if (row < 0 || row >= m_list->rowCount())
        return;
    m_chosen = m_list->value(row, QStringLiteral("Art_ID")).toLongLong();
    accept();
}
