#include "documents/form_rab_dokumenti.h"

#include "documents/rab_dokumenti.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "app/window_owner.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {
// Reports the cell a user's edit was committed to; code that fills the
// model never passes here.
class CommitDelegate : public QStyledItemDelegate
{
public:
    CommitDelegate(std::function<void(int)> onCommit, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_onCommit(std::move(onCommit))
    {
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        QStyledItemDelegate::setModelData(editor, model, index);
        m_onCommit(index.row());
    }

private:
    std::function<void(int)> m_onCommit;
};
} // namespace

TForm_Rab_Dokumenti::TForm_Rab_Dokumenti(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Form_Rab_Dokumenti"));
    setWindowTitle(QStringLiteral("Видове документи"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_model = new QStandardItemModel(0, 1, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Описание")});
    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_model);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed);
    DBGrid1->verticalHeader()->setDefaultSectionSize(22);
    DBGrid1->setColumnWidth(0, 202);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->setItemDelegate(new CommitDelegate([this](int row) { rowCommitted(row); }, this));

    Action_Insert = new QAction(QStringLiteral("Нов вид документ"), this);
    Action_Insert->setObjectName(QStringLiteral("Action_Insert"));
    Action_Insert->setShortcut(QKeySequence(Qt::Key_Insert));
    Action_Insert->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    Action_Delete = new QAction(QStringLiteral("Изтрий вида документ"), this);
    Action_Delete->setObjectName(QStringLiteral("Action_Delete"));
    Action_Delete->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    Action_Delete->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    DBGrid1->addAction(Action_Insert);
    DBGrid1->addAction(Action_Delete);
    DBGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(Action_Insert, &QAction::triggered, this, &TForm_Rab_Dokumenti::Action_InsertExecute);
    connect(Action_Delete, &QAction::triggered, this, &TForm_Rab_Dokumenti::Action_DeleteExecute);

    // Editing runs on keys, as in any data grid; say which ones.
    auto *hint = new QLabel(QStringLiteral("Insert – нов ред, Ctrl+Del – изтриване"), this);
    hint->setEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(DBGrid1);
    layout->addWidget(hint);
    resize(260, 320);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    reload();
}

bool TForm_Rab_Dokumenti::reload()
{
    m_model->removeRows(0, m_model->rowCount());
    QList<DocumentKind> kinds;
    try {
        kinds = RabDokumenti::all();
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Видовете документи не могат да бъдат прочетени от базата данни."),
                         this);
        return false;
    }
    for (const DocumentKind &k : kinds) {
        auto *item = new QStandardItem(k.opisanie);
        item->setData(k.id, IdRole);
        item->setData(k.opisanie, SavedRole);
        m_model->appendRow(item);
    }
    return true;
}

void TForm_Rab_Dokumenti::rowCommitted(int row)
{
    // Saved once the editor has closed: saving may show a message or drop the row.
    m_pending.insert(row);
    QMetaObject::invokeMethod(this, &TForm_Rab_Dokumenti::flushPending, Qt::QueuedConnection);
}

void TForm_Rab_Dokumenti::flushPending()
{
    QList<int> rows(m_pending.begin(), m_pending.end());
    m_pending.clear();
    std::sort(rows.begin(), rows.end(), std::greater<int>()); // a dropped row moves no other
    for (int row : rows)
        saveRow(row);
}

void TForm_Rab_Dokumenti::done(int result)
{
    // A cell still being edited is committed and saved, never lost on close.
    DBGrid1->setCurrentIndex(QModelIndex());
    flushPending();
    QDialog::done(result);
}

void TForm_Rab_Dokumenti::Action_InsertExecute()
{
    auto *item = new QStandardItem;
    item->setData(0, IdRole);
    m_model->appendRow(item);
    const QModelIndex index = m_model->indexFromItem(item);
    DBGrid1->setCurrentIndex(index);
    DBGrid1->edit(index);
}

void TForm_Rab_Dokumenti::saveRow(int row)
{
    QStandardItem *item = m_model->item(row);
    if (!item)
        return;
    const qint64 id = item->data(IdRole).toLongLong();
    const QString text = item->text().trimmed();
    const QString saved = item->data(SavedRole).toString();
    if (id <= 0) {
        // A new row left empty is dropped, as if it had never been added.
        if (text.isEmpty()) {
            m_model->removeRow(row);
            return;
        }
        try {
            const qint64 newId = RabDokumenti::add(text);
            item->setData(newId, IdRole);
            item->setData(text, SavedRole);
            item->setText(text);
        } catch (const DbError &) {
            Dialogs::message(QStringLiteral("Новият вид документ не беше записан."), this);
        }
        return;
    }
    if (text.isEmpty()) {
        Dialogs::message(QStringLiteral("Описанието на вида документ не може да бъде празно."), this);
        item->setText(saved);
        return;
    }
    if (text == saved) {
        item->setText(saved);
        return;
    }
    try {
        RabDokumenti::rename(id, text);
        item->setData(text, SavedRole);
        item->setText(text);
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Промяната на вида документ не беше записана."), this);
        item->setText(saved);
    }
}

void TForm_Rab_Dokumenti::Action_DeleteExecute()
{
    const int row = DBGrid1->currentIndex().row();
    QStandardItem *item = m_model->item(row);
    if (!item)
        return;
    const qint64 id = item->data(IdRole).toLongLong();
    if (id <= 0) {
        m_model->removeRow(row);
        return;
    }
    const QString name = item->data(SavedRole).toString();
    if (!Dialogs::yesNo(QStringLiteral("Да бъде ли изтрит видът документ \"") + name
                            + QStringLiteral("\"?"),
                        this))
        return;
    try {
        QString usedBy;
        if (!RabDokumenti::remove(id, &usedBy)) {
            Dialogs::message(QStringLiteral("Видът документ \"") + name
                                 + QStringLiteral("\" се използва (таблица ") + usedBy
                                 + QStringLiteral(") и не може да бъде изтрит."),
                             this);
            return;
        }
        m_model->removeRow(row);
    } catch (const DbError &) {
        Dialogs::message(QStringLiteral("Видът документ не беше изтрит."), this);
    }
}

void TForm_Rab_Dokumenti::open(QWidget *owner)
{
    TForm_Rab_Dokumenti form(owner ? owner : WindowOwner::mainWindow());
    Dialogs::exec(&form);
}
