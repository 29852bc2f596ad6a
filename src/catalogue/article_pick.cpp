#include "catalogue/article_pick.h"

#include "app/app_state.h"
#include "app/form_get_kol.h"
#include "app/pick_targets.h"
#include "catalogue/stock_writer.h"
#include "common/money.h"
#include "common/reference_text.h"
#include "platform/dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QVariant>

QStringList PickList;
QStringList &PickedArticleList = PickList;

namespace {
PickTargets<ArticlePick::Picked> &targets()
{
    static PickTargets<ArticlePick::Picked> t; // any mode from 0 up
    return t;
}
} // namespace

long long ArticlePick::Picked::id() const
{
    return current.value(QStringLiteral("ID")).toLongLong();
}

QString ArticlePick::Picked::referenceText() const
{
    return ArticlePick::referenceText(current);
}

void ArticlePick::registerTarget(int mode, Receiver receiver)
{
    targets().registerTarget(mode, std::move(receiver));
}

void ArticlePick::unregisterTarget(int mode)
{
    registerTarget(mode, {});
}

bool ArticlePick::hasTarget(int mode)
{
    return targets().hasTarget(mode);
}

bool ArticlePick::deliver(int mode, const Picked &picked)
{
    return targets().deliver(mode, picked);
}

QString ArticlePick::referenceText(const QSqlRecord &row)
{
    return ReferenceText::make(row.value(QStringLiteral("ID")).toLongLong(),
                               row.value(QStringLiteral("Opisanie")).toString());
}

QList<QSqlRecord> ArticlePick::quantityRows(int mode, const Picked &picked)
{
    if (mode == 15)
        return picked.current.isEmpty() ? QList<QSqlRecord>{} : QList<QSqlRecord>{picked.current};
    return picked.marked;
}

int ArticlePick::quantityWalk(int mode, const QList<QSqlRecord> &rows, const TakeQuantity &take, QWidget *parent,
                              bool aboveZero)
{
    int taken = 0;
    for (const QSqlRecord &row : rows) {
        if (mode != 13)
            PromptMode = 0;
        TForm_Get_Kol *prompt = promptDialog();
        prompt->Label_Opis->setText(referenceText(row));
        if (Dialogs::exec(prompt) != TForm_Get_Kol::ResultOk)
            continue;
        const QString typed = prompt->Edit_Kol->text();
        QString error;
        const std::optional<Decimal> quantity = StockQuantity::parse(typed, &error, aboveZero);
        if (!quantity) {
            Dialogs::message(error + QStringLiteral("\nАртикулът ") + referenceText(row)
                                 + QStringLiteral(" е пропуснат."),
                             parent);
            continue;
        }
        take(row, *quantity, typed.trimmed());
        ++taken;
    }
    return taken;
}

QString ArticlePick::multiPick(const Picked &picked)
{
    PickList.clear();
    for (const QSqlRecord &row : picked.marked)
        PickList << row.value(QStringLiteral("ID")).toString();
    if (PickList.size() >= 2) {
        QString text;
        for (const QString &id : PickList)
            text += id + QLatin1Char(';');
        return text;
    }
    return picked.referenceText();
}
