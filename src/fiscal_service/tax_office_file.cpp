#include "fiscal_service/tax_office_file.h"

#include "common/cp1251.h"
#include "common/dates.h"
#include "common/program_folder.h"
#include "common/settings.h"
#include "common/text_file.h"
#include "fiscal_service/device_register.h"
#include "platform/db/database.h"
#include "platform/file_modes.h"

#include <QDir>

namespace {
QString text(const QSqlRecord &row, const char *name)
{
    return row.value(QString::fromLatin1(name)).toString();
}

QString date(const QSqlRecord &row, const char *name)
{
    return Dates::isoToShort(text(row, name));
}

QString blanks(int width)
{
    return QString(width, QLatin1Char(' '));
}

bool inCodePage(char32_t c)
{
    if (c > 0xFFFF)
        return false;
    const QChar ch(static_cast<char16_t>(c));
    return c < 0x80 || Cp1251::encode(QString(ch)) != "?";
}
} // namespace

TaxOfficeFile::Company TaxOfficeFile::companyFromSettings()
{
    Company c;
    c.eik = Settings::readString(Keys::Firm_Data_EIK);
    c.name = Settings::readString(Keys::Firm_Data_Name);
    c.adress = Settings::readString(Keys::Firm_Data_Adress);
    c.phoneSer = Settings::readString(Keys::Firm_Data_Phone_Ser);
    c.molSer = Settings::readString(Keys::Firm_Data_Mol_Ser);
    return c;
}

QString TaxOfficeFile::field(const QString &value, int width)
{
    QString out;
    out.reserve(width);
    for (char32_t c : value.toUcs4()) {
        if (out.size() >= width)
            break;
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
            out.append(QLatin1Char(' ')); // a control character would break the line
        else if (!inCodePage(c))
            out.append(QLatin1Char('?'));
        else
            out.append(QChar(static_cast<char16_t>(c)));
    }
    return out + blanks(width - int(out.size()));
}

QString TaxOfficeFile::countText(long long count)
{
    const QString digits = QString::number(count < 0 ? 0 : count);
    return digits.size() >= 4 ? digits.left(4) : digits.rightJustified(4, QLatin1Char('0'));
}

QList<QSqlRecord> TaxOfficeFile::registrations(const QDate &from, const QDate &to)
{
    // The joins are on unique keys and leave out the contracts: one row per registration.
    return Db::rows(QStringLiteral("SELECT ") + DeviceRegister::selectList(false) + QStringLiteral(" FROM ")
                        + DeviceRegister::joins(false)
                        + QStringLiteral(" WHERE Reg_EKA.Data_Reg BETWEEN ? AND ? ORDER BY Reg_EKA.Dosie_ID"),
                    {Dates::toIso(from), Dates::toIso(to)});
}

QStringList TaxOfficeFile::GET_DATA_TO_SPR_TDD(const Company &company, const QDate &from, const QDate &to,
                                               const QList<QSqlRecord> &rows)
{
    QStringList lines;
    lines << QStringLiteral("00") + blanks(10) + field(company.eik, 9) + field(company.name, 50)
                 + field(company.adress, 80) + field(company.phoneSer, 15) + field(company.phoneSer, 30)
                 + field(Dates::toShort(from), 10) + field(Dates::toShort(to), 10) + countText(rows.size());
    for (const QSqlRecord &r : rows) {
        lines << QStringLiteral("01") + blanks(10) + field(text(r, "EGN"), 10) + field(text(r, "EIK"), 9);
        // The first "Grad" is the owner's; the person's comes after it.
        lines << QStringLiteral("02") + field(text(r, "Ime_Firma"), 50) + field(text(r, "Grad"), 25)
                     + field(text(r, "Adres_firma"), 50) + field(text(r, "Ime_Klient"), 50);
        lines << QStringLiteral("03") + field(text(r, "Opisanie_Sk"), 50) + field(text(r, "Grad_SK"), 25)
                     + field(text(r, "Adres_SK"), 50) + field(text(r, "Tel_SK"), 15);
        lines << QStringLiteral("04") + field(text(r, "TDD_Ime"), 25);
        lines << QStringLiteral("05") + field(text(r, "Model_Opis"), 30) + blanks(30);
        lines << QStringLiteral("06") + blanks(240);
        lines << QStringLiteral("07") + field(text(r, "SV_ID"), 6) + field(date(r, "SV_Data"), 10);
        lines << QStringLiteral("08") + field(text(r, "EKA"), 8) + field(text(r, "MFP"), 8);
        lines << QStringLiteral("09") + field(text(r, "Serv_Ime"), 50) + field(text(r, "Serv_grad"), 25)
                     + field(text(r, "Adres_Serv"), 50) + field(text(r, "Serv_Tel"), 15);
        lines << QStringLiteral("10") + field(company.molSer, 50);
        lines << QStringLiteral("11") + field(date(r, "Data_Reg"), 10) + blanks(20) + QStringLiteral("0");
    }
    lines << QStringLiteral("99");
    return lines;
}

QByteArray TaxOfficeFile::bytes(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += Cp1251::encode(line) + "\r\n";
    return out;
}

QString TaxOfficeFile::path()
{
    return ProgramFolder::file(QString::fromLatin1(FileName));
}

bool TaxOfficeFile::writeTo(const QString &folder, const QByteArray &data, QString *error)
{
    // A copy is for the person who takes it to the tax office.
    const QString path = QDir(folder).filePath(QString::fromLatin1(FileName));
    return TextFile::writeAtomic(path, data, error, FileModes::forOthers(path));
}

QString TaxOfficeFile::countMessage(long long count)
{
    return QStringLiteral("Открити са :") + QString::number(count) + QStringLiteral(" записа.\nГенериране на справка!");
}

QString TaxOfficeFile::reversedPeriodMessage()
{
    return QStringLiteral("Началната дата е след крайната");
}

QString TaxOfficeFile::writeFailedMessage()
{
    return QStringLiteral("Неуспешен запис на данни!\nПрепоръчва се повторно генериране на файл.");
}

QString TaxOfficeFile::copyQuestion()
{
    return QStringLiteral("Желаете ли данните да бъдат копирани в избрана папка");
}
