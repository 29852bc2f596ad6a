#include "repair/repair_protocol.h"

#include "common/dates.h"
#include "common/money.h"
#include "common/settings.h"
#include "platform/db/database.h"

namespace RepairProtocol {
namespace {
// printf's "%-w.cs" on characters: padded to `width`, cut to `cut` (0: never cut).
QString cell(const QString &text, int width, int cut = 0)
{
    const QString t = cut > 0 ? text.left(cut) : text;
    return t.leftJustified(width, QLatin1Char(' '));
}
} // namespace

Firm Firm::read()
{
    Firm f;
    f.name = Settings::readString(Keys::Firm_Data_Name);
    f.mol = Settings::readString(Keys::Firm_Data_Mol);
    f.address = Settings::readString(Keys::Firm_Data_Adress);
    f.phone = Settings::readString(Keys::Firm_Data_Phone);
    f.eik = Settings::readString(Keys::Firm_Data_EIK);
    f.iban = Settings::readString(Keys::Firm_Data_IBAN);
    f.bic = Settings::readString(Keys::Firm_Data_BIC);
    f.bank = Settings::readString(Keys::Firm_Data_Bank);
    return f;
}

QString tableHead()
{
    return QStringLiteral("+--N--+-Гаранция до-+--------------------Описание на ремонта-------------------+-Кол-+--"
                          "Ед цена---+--Валута--+----Общо--+");
}

QString tableFoot()
{
    QString out = QStringLiteral("+");
    for (int w : {5, 13, 58, 5, 12, 10, 10})
        out += QString(w, QLatin1Char('-')) + QLatin1Char('+');
    return out;
}

QString tableRow(const Line &l)
{
    const QString bar = QStringLiteral("|");
    return bar + cell(QString::number(l.id), 5, 5) + cell(bar, 2) + cell(l.warranty, 12, 12) + cell(bar, 2)
           + cell(l.remont, 57, 57) + cell(bar, 2) + cell(Numbers::toText(l.kol), 4, 5) + cell(bar, 2)
           + cell(Money::fixed(l.price, 4), 11) + cell(bar, 3) + cell(l.currency, 8, 8) + bar
           + cell(l.suma ? Numbers::toText(*l.suma) : QString(), 10, 10) + bar;
}

QStringList lines(const Protocol &p)
{
    const QString blank;
    QStringList out{blank, QStringLiteral(" ПРОТОКОЛ ЗА РЕМОНТ ").rightJustified(40, QLatin1Char(' ')), blank, blank};
    out << QStringLiteral("Днес ") + Dates::toShort(p.today) + QStringLiteral(" на клиент: ")
               + cell(p.client, 35, 35);
    out << QStringLiteral("За стоката: ") + p.article << QStringLiteral("SN:") + p.serial
        << QStringLiteral("Причина за постъпване:") + p.reason << blank;
    out << QStringLiteral("представител на ") + p.firm.name + QLatin1Char(',')
        << QStringLiteral("представлявано от  ") + p.firm.mol
        << QStringLiteral("със седалище и адрес на управление ") + p.firm.address
        << QStringLiteral("Телефон: ") + p.firm.phone << QStringLiteral("Булстат: ") + p.firm.eik
        << QStringLiteral("Сметка: ") + p.firm.iban << QStringLiteral("Код: ") + p.firm.bic
        << QStringLiteral("При банка: ") + p.firm.bank << blank << QStringLiteral("Извърши следният ремонт: ") << blank;
    out << tableHead();
    for (const Line &l : p.lines)
        out << tableRow(l);
    out << tableFoot();
    const QStringList four{blank, blank, blank, blank};
    out << four << p.total << four;
    out << QStringLiteral("      Приел:...........             Предал:..............   ") << blank
        << QStringLiteral("      /               /              ") + p.operatorName;
    out << four << p.footer;
    return out;
}

QString clientName(long long firm)
{
    return Db::scalar(QStringLiteral("SELECT Ime_Firma FROM Firmi WHERE ID = ?"), {firm}).toString();
}
} // namespace RepairProtocol
