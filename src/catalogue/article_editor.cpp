#include "catalogue/article_editor.h"

#include "catalogue/article_record.h"
#include "catalogue/departments.h"
#include "catalogue/form_new_artikul.h"
#include "catalogue/warehouses.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSqlRecord>
#include <QVariant>

namespace {
QString groupName(long long group)
{
    return Db::scalar(QStringLiteral("SELECT Opisanie FROM Grupi WHERE ID = ?"), {group}).toString();
}

void fillLists(TForm_NewArtikul &form)
{
    form.ComBox_Mqrka->clear();
    form.ComBox_Mqrka->addItems(ArticleRecord::unitList());
    form.ComBox_Mqrka->setCurrentIndex(0);
    form.ComBox_Valuta->clear();
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Opisanie FROM Valuti ORDER BY ID")))
        form.ComBox_Valuta->addItem(r.value(0).toString());
    form.ComBox_Valuta->setCurrentIndex(0);
    form.ComboBox_Sklad->clear();
    form.ComboBox_Sklad->addItems(Warehouses::referenceTexts());
    form.ComboBox_Dan_Grupa->setCurrentIndex(ArticleRecord::DefaultTaxGroup);
    form.ComboBox_Prigotvq_Se->clear();
    form.ComboBox_Prigotvq_Se->addItems(Departments::listItems());
    form.ComboBox_Prigotvq_Se->setCurrentIndex(0);
}

std::optional<long long> show(TForm_NewArtikul &form)
{
    form.FormShow();
    Dialogs::exec(&form);
    return form.savedId();
}

void failed(const DbError &e, QWidget *parent)
{
    Dialogs::message(QStringLiteral("Редакцията на артикула не може да бъде подготвена:\n") + e.message(), parent);
}
} // namespace

void ArticleEditor::prepareNew(TForm_NewArtikul &form, long long group)
{
    form.GroupBox_Snimka->setEnabled(false);
    fillLists(form);
    form.Edit_Art_N->setText(QString::number(ArticleRecord::proposedNumber()));
    form.Edit_Art_NChange(); // the scale code defaults to the number
    form.ArticleEditMode = 0;
    form.setGroup(group, groupName(group));
}

bool ArticleEditor::prepareEdit(TForm_NewArtikul &form, long long id)
{
    const std::optional<Article> article = ArticleRecord::read(id);
    if (!article)
        return false;
    fillLists(form);
    form.ArticleEditMode = 1;
    form.setGroup(article->Nomer_Grupa, groupName(article->Nomer_Grupa));
    form.loadArticle(*article);
    return true;
}

std::optional<long long> ArticleEditor::openNew(long long group, QWidget *parent)
{
    TForm_NewArtikul form(parent);
    try {
        prepareNew(form, group);
    } catch (const DbError &e) {
        failed(e, parent);
        return std::nullopt;
    }
    return show(form);
}

std::optional<long long> ArticleEditor::openEdit(long long id, QWidget *parent)
{
    TForm_NewArtikul form(parent);
    try {
        if (!prepareEdit(form, id)) {
            Dialogs::message(QStringLiteral("Артикул с номер ") + QString::number(id)
                                 + QStringLiteral(" не съществува!"),
                             parent);
            return std::nullopt;
        }
    } catch (const DbError &e) {
        failed(e, parent);
        return std::nullopt;
    }
    return show(form);
}
