// The catalogue's group tree: its nodes, a node's list, the drops on it,
// the group search and the group commands.
#include "catalogue/form_artikuli.h"

#include "app/app_state.h"
#include "catalogue/article_groups.h"
#include "catalogue/article_list.h"
#include "catalogue/form_dostavki.h"
#include "catalogue/form_grupi.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

// ---- showing and the tree ---------------------------------------------------------

QString TForm_Artikuli::treePath() const
{
    return ArticleGroups::treeFilePath();
}

void TForm_Artikuli::loadTree(const QList<TreeFileNode> &tree)
{
    TreeFile::loadInto(TreeView1, tree);
    TreeView1->expandAll();
}

QTreeWidgetItem *TForm_Artikuli::nodeOfKey(long long key) const
{
    if (key <= 0)
        return nullptr;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        if (GetID_MFromTreeNodeName((*it)->text(0)) == key)
            return *it;
    return nullptr;
}

QTreeWidgetItem *TForm_Artikuli::rootNode() const
{
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        if (ArticleSearch::isRoot((*it)->text(0)))
            return *it;
    return nullptr;
}

QString TForm_Artikuli::selectedNodeText() const
{
    const QTreeWidgetItem *node = TreeView1->currentItem();
    return node ? node->text(0) : QString();
}

void TForm_Artikuli::selectNode(QTreeWidgetItem *node)
{
    if (!node)
        return;
    TreeView1->setCurrentItem(node);
    TreeView1->scrollToItem(node);
    TreeView1Click();
}

void TForm_Artikuli::listNode(QTreeWidgetItem *node)
{
    if (!node)
        return;
    if (runList(ArticleSearch::nodeList(node->text(0))))
        showFirstRow();
}

void TForm_Artikuli::TreeView1Click()
{
    QTreeWidgetItem *node = TreeView1->currentItem();
    if (!node)
        return;
    const QString text = node->text(0);
    if (!ArticleSearch::isRoot(text))
        m_currentGroupKey = qMax(0, GetID_MFromTreeNodeName(text));
    listNode(node);
}

void TForm_Artikuli::afterTreeChange(const QList<TreeFileNode> &tree, long long selectKey)
{
    loadTree(tree);
    QTreeWidgetItem *node = nodeOfKey(selectKey);
    if (!node)
        node = TreeView1->topLevelItem(0);
    selectNode(node);
}

bool TForm_Artikuli::TreeView1DragDrop(QTreeWidgetItem *node, bool groupDragged)
{
    if (!node)
        return false;
    const QString target = node->text(0);
    if (groupDragged) {
        const QTreeWidgetItem *source = TreeView1->currentItem();
        const long long key = source ? GetID_MFromTreeNodeName(source->text(0)) : 0;
        if (key <= 0)
            return false;
        if (ArticleGroups::dropsIntoItself(TreeFile::fromTree(TreeView1), key, target)) {
            Dialogs::message(QStringLiteral("Групата не може да бъде преместена в себе си или в своя подгрупа!"),
                             this);
            return false;
        }
        if (!Dialogs::yesNo(QStringLiteral("Желаете ли да преместите група:") + target, this))
            return false;
        const ArticleGroups::Result r = ArticleGroups::moveGroup(key, target, treePath());
        if (!r.ok) {
            Dialogs::message(r.message, this);
            return false;
        }
        afterTreeChange(r.tree, key);
        return true;
    }
    const QList<long long> ids = markedIds();
    if (ids.isEmpty())
        return false;
    if (GetID_MFromTreeNodeName(target) <= 0) {
        Dialogs::message(QString::fromUtf8(ArticleGroups::InvalidGroup), this);
        return false;
    }
    if (!Dialogs::yesNo(QStringLiteral("Желаете ли да преместите избраните артикули в група:\n") + target, this))
        return false;
    const QString failure = ArticleGroups::moveArticles(ids, target);
    if (!failure.isEmpty()) {
        Dialogs::message(failure, this);
        return false;
    }
    listNode(TreeView1->currentItem());
    ComboBox2->setCurrentIndex(0);
    return true;
}

// ---- group search -------------------------------------------------------------------

bool TForm_Artikuli::selectSearchText(const QString &nodeText)
{
    const int at = GroupSearchTexts.indexOf(nodeText);
    if (at < 0)
        return false;
    QTreeWidgetItemIterator it(TreeView1);
    for (int i = 0; i < at && *it; ++i)
        ++it;
    selectNode(*it);
    return true;
}

void TForm_Artikuli::Button_Tarsi_GrupaClick()
{
    GroupSearchTexts.clear();
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        GroupSearchTexts << (*it)->text(0);
    const QString typed = Edit_Tarsi_grupa->text();
    try {
        if (ComboBox2->currentIndex() == 0) {
            const std::optional<QString> text = ArticleGroups::nodeTextOfCode(typed);
            if (!text || !selectSearchText(*text)) {
                Dialogs::message(QStringLiteral("Не е открит търсеният код"), this);
                Edit_Tarsi_grupa->setFocus();
            }
            return;
        }
        const QStringList found = ArticleGroups::nodeTextsOfName(typed);
        if (found.size() >= 2) {
            ListBox_All_Grupi->clear();
            for (const QString &text : found)
                ListBox_All_Grupi->addItem(text.section(QLatin1Char(':'), 1));
            ListBox_All_Grupi->setCurrentRow(0);
            ListBox_All_Grupi->show();
            ListBox_All_Grupi->setFocus();
            return;
        }
        ListBox_All_Grupi->hide();
        if (found.isEmpty()) {
            Dialogs::message(QStringLiteral("Не е открита търсената група"), this);
            Edit_Tarsi_grupa->setFocus();
            return;
        }
        FoundGroupName = found.first().section(QLatin1Char(':'), 1);
        selectSearchText(found.first());
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Грешка при търсене на групата:\n") + e.message(), this);
    }
}

void TForm_Artikuli::ListBox_All_GrupiDblClick()
{
    const QListWidgetItem *item = ListBox_All_Grupi->currentItem();
    if (!item)
        return;
    FoundGroupName = item->text();
    std::optional<QString> text;
    try {
        text = ArticleGroups::nodeTextOfName(FoundGroupName);
    } catch (const DbError &) {
    }
    if (text && selectSearchText(*text))
        ListBox_All_Grupi->hide();
}

void TForm_Artikuli::ComboBox2Change()
{
    Edit_Tarsi_grupa->setText(QStringLiteral("0"));
    Edit_Tarsi_grupa->setFocus();
    ListBox_All_Grupi->hide();
}

// ---- group commands -----------------------------------------------------------------

void TForm_Artikuli::openGroupDialog(int mode)
{
    N_Dobavi_Grupa->setChecked(mode == 0);
    N_Dobavi_PodGrupa->setChecked(mode == 1);
    GroupEditMode = mode;
    TForm_Grupi dialog(this);
    const QTreeWidgetItem *current = nodeOfKey(m_currentGroupKey);
    dialog.prepare(mode, mode == 1 && current ? current->text(0) : QString(), 0, treePath());
    dialog.setWindowTitle(QStringLiteral("Въвеждане на ") + (mode == 0 ? N_Dobavi_Grupa : N_Dobavi_PodGrupa)->text());
    const long long proposed = ArticleGroups::proposedNumber();
    dialog.Edit_Nomer_Grupa->setText(proposed > 0 ? QString::number(proposed) : QString());
    if (Dialogs::exec(&dialog) != QDialog::Accepted || !dialog.saved().ok)
        return;
    afterTreeChange(dialog.saved().tree, GetID_MFromTreeNodeName(dialog.saved().nodeText));
}

void TForm_Artikuli::N_GrupaClick()
{
    openGroupDialog(0);
}

void TForm_Artikuli::N_PodGrupaClick()
{
    openGroupDialog(1);
}

void TForm_Artikuli::PopupMenu_TreePopup()
{
    // No delivery while a pick is pending or while the catalogue is the delivery's picker.
    N_Dostavka_Grupa->setEnabled(ArticlePickMode < 0 && !TForm_Dostavki::isOpen());
}

void TForm_Artikuli::N_Dostavka_GrupaClick()
{
    PopupMenu_TreePopup();
    if (!N_Dostavka_Grupa->isEnabled())
        return;
    const QString text = selectedNodeText();
    const long long key = GetID_MFromTreeNodeName(text);
    if (ArticleSearch::isRoot(text) || key <= 0) {
        Dialogs::message(QStringLiteral("Необходимо е да изберете валидна група"), this);
        return;
    }
    TForm_Dostavki::openForGroup(key, this);
}

void TForm_Artikuli::N_Redaktiraj_GrupaClick()
{
    const QString text = selectedNodeText();
    const long long key = GetID_MFromTreeNodeName(text);
    if (ArticleSearch::isRoot(text) || key <= 0)
        return;
    std::optional<QString> name;
    try {
        name = ArticleGroups::name(key);
    } catch (const DbError &) {
    }
    if (!name) {
        Dialogs::message(QStringLiteral("Групата ") + text + QStringLiteral(" не е намерена в базата данни."), this);
        return;
    }
    GroupEditMode = 2;
    EditedGroupID = key;
    TForm_Grupi dialog(this);
    dialog.prepare(2, QString(), key, treePath());
    dialog.Edit_Nomer_Grupa->setText(QString::number(key));
    dialog.Edit_Opisanie->setText(*name);
    dialog.setWindowTitle(QStringLiteral("Редакция на: ") + *name);
    if (Dialogs::exec(&dialog) != QDialog::Accepted || !dialog.saved().ok)
        return;
    afterTreeChange(dialog.saved().tree, GetID_MFromTreeNodeName(dialog.saved().nodeText));
}

void TForm_Artikuli::N_Iztrii_GrupaClick()
{
    const QTreeWidgetItem *node = nodeOfKey(m_currentGroupKey);
    if (!node)
        return;
    const long long key = m_currentGroupKey;
    const bool subtree = node->childCount() > 0;
    if (subtree
        && !Dialogs::yesNo(QStringLiteral("Избраната група съдържа подгрупи.\nНеобходимо е да бъдат премахнати първо "
                                          "те!\nЖелаете ли да бъдат премахнати всички подгрупи на избраната?"),
                           this))
        return;
    long long articles = 0;
    try {
        articles = ArticleGroups::articleCount(
            ArticleGroups::removalOrder(TreeFile::fromTree(TreeView1), key, subtree));
    } catch (const DbError &e) {
        Dialogs::message(QStringLiteral("Грешка при четене на артикулите:\n") + e.message(), this);
        return;
    }
    if (articles > 0
        && !Dialogs::yesNo(QStringLiteral("Избраната група съдържа артикули!\nНеобходимо е да бъдат премахнати първо "
                                          "те!Желаете ли да бъдат изтрити?"),
                           this))
        return;
    const ArticleGroups::Result r = ArticleGroups::remove(key, subtree, articles > 0, treePath());
    if (!r.ok) {
        Dialogs::message(r.message, this);
        return;
    }
    m_currentGroupKey = 0;
    afterTreeChange(r.tree, 0);
}
