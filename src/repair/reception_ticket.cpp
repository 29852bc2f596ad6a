#include "repair/reception_ticket.h"

#include "common/cp1251.h"
#include "common/fiscal_device_types.h"
#include "common/reference_text.h"
#include "desk/device_file_writer.h"
#include "platform/db/database.h"
#include "platform/exception_log.h"
#include "platform/file_modes.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace ReceptionTicket {
namespace {
const QString kRule = QStringLiteral(":=======================");

// A line break inside a value would start a new line of the ticket.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}
} // namespace

QByteArray bytes(const Ticket &t)
{
    QStringList lines;
    if (t.deviceType == 1)
        lines << QStringLiteral("*");
    lines << kRule << QLatin1Char(':') + oneLine(t.department).toUpper() << kRule
          << QStringLiteral(":ПОС: ") + QString::number(t.terminal)
          << QStringLiteral(":Приет под N: ") + QString::number(t.line)
          << QStringLiteral(":Клиент: ") + oneLine(t.client) << QStringLiteral(":Клиент тел.: ") + oneLine(t.phone)
          << QStringLiteral(":Арт.: ") + oneLine(t.article) << QStringLiteral(":Причина: ") + oneLine(t.reason)
          << QStringLiteral(":Опер.: ") + oneLine(t.operatorName).leftJustified(16, QLatin1Char(' '), true) << kRule
          << QStringLiteral(":Цена ремонт: ") << kRule;
    QByteArray out;
    for (const QString &l : lines)
        out += Cp1251::encode(l) + "\r\n";
    return out;
}

Outcome send(long long department, const Line &line, int terminal, const QString &operatorName, QString *why)
{
    if (department <= 0)
        return Outcome::NoDepartment;
    Ticket t;
    QString folder;
    try {
        const auto dept = Db::firstRow(
            QStringLiteral("SELECT ID, Opisanie, Path, Vid_FU FROM Type_Prigotvq_Se WHERE ID = ?"), {department});
        if (!dept || dept->value(2).toString().trimmed().isEmpty())
            return Outcome::NoDepartment;
        folder = dept->value(2).toString();
        t.department = ReferenceText::make(department, dept->value(1).toString());
        t.deviceType = FiscalDeviceTypes::number(dept->value(3).toString());
        if (const auto firm = Db::firstRow(QStringLiteral("SELECT Ime_Firma, Telefon FROM Firmi WHERE ID = ?"),
                                           {line.client})) {
            t.client = firm->value(0).toString();
            t.phone = firm->value(1).toString();
        }
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        if (why)
            *why = e.message();
        return Outcome::Failed;
    }
    t.terminal = terminal;
    t.line = line.number;
    t.article = line.article;
    t.reason = line.reason;
    t.operatorName = operatorName;

    // One level only, as the department's folder always was; its driver reads it.
    if (!FileModes::makeDeviceFolder(folder)) {
        if (why)
            *why = QStringLiteral("Папката не съществува и не може да бъде създадена: ") + folder;
        return Outcome::Failed;
    }
    try {
        PendingFiles::queue({DeviceFile{int(department), folder, QString::fromLatin1(FileName), bytes(t)}});
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        if (why)
            *why = e.message();
        return Outcome::Failed;
    }
    return Outcome::Queued;
}
} // namespace ReceptionTicket
