#include "app/item_rights.h"

#include "platform/dialogs.h"

namespace {
ItemRights::Check &registered()
{
    static ItemRights::Check check;
    return check;
}
} // namespace

void ItemRights::install(Check check)
{
    registered() = std::move(check);
}

bool ItemRights::allows(const QString &item)
{
    return !registered().allows || registered().allows(item);
}

bool ItemRights::permit(const QString &item, QWidget *parent)
{
    if (allows(item))
        return true;
    Dialogs::message(refusal(registered().path ? registered().path(item) : item), parent);
    return false;
}

QString ItemRights::refusal(const QString &path)
{
    return QStringLiteral("Няма права за достъп до \"%1\".").arg(path);
}
