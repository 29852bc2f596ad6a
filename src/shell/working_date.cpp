#include "shell/working_date.h"

#include "common/dates.h"

bool WorkingDate::lastIsLater(const QString &last, const QDate &today)
{
    const QDate d = Dates::fromShort(last.trimmed());
    return d.isValid() && d > today;
}

QString WorkingDate::startupQuestion(const QString &today, const QString &last)
{
    return QStringLiteral("Настоящата дата ") + today
           + QStringLiteral(" е по стара от последната дата с която e работено:") + last
           + QStringLiteral("\nЖелаете ли да продължите?");
}

QString WorkingDate::changeQuestion(const QString &today, const QString &last)
{
    return QStringLiteral("Извършена е промяна на работната дата !\nАктивна дата :") + today
           + QStringLiteral("\nПоследна дата с която e работено:") + last
           + QStringLiteral("\nЖелаете ли да продължите?");
}
