#include "common/settings.h"

#include "common/dates.h"
#include "common/ini_file.h"
#include "common/program_folder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

QString SettingKey::defaultText() const
{
    return dynamicDefault ? dynamicDefault() : QString::fromUtf8(defaultValue);
}

QString Keys::todayText()
{
    return Dates::toShort(QDate::currentDate());
}

namespace {
QString sec(const SettingKey &k) { return QString::fromUtf8(k.section); }
QString key(const SettingKey &k) { return QString::fromUtf8(k.key); }
} // namespace

QString Settings::filePath()
{
    return ProgramFolder::file(QStringLiteral("Firm_Data.ini"));
}

QList<const SettingKey *> Settings::allKeys()
{
    using namespace Keys;
    return {&DBVer_Ver,          &DBVer_Date,         &DBVer_DBPath,       &DBVer_Term,
            &TIME_Last,          &Store_Active,       &Store_ActiveOper,   &Firm_Data_Name,
            &Firm_Data_EIK,      &Firm_Data_Mol,      &Firm_Data_Adress,   &Firm_Data_IBAN,
            &Firm_Data_BIC,      &Firm_Data_Bank,     &Firm_Data_Phone,    &Firm_Data_IBAN_DDS,
            &Firm_Data_BIC_DDS,  &Firm_Data_Bank_DDS, &Firm_Data_Phone_DDS, &Firm_Data_DDS,
            &Firm_Data_Phone_Ser, &Tuning_1,          &Tuning_2,           &Tuning_3,
            &Tuning_4,           &Tuning_5,           &Tuning_6,           &Tuning_7,
            &Tuning_8,           &Tuning_10,          &Tuning_11,          &Tuning_12,
            &Tuning_13,          &Tuning_14,          &Tuning_15,          &Tuning_16,
            &Tuning_17,          &Tuning_18,          &Tuning_FormatDate,  &Tuning_19,
            &Tuning_20,          &Tuning_FB,          &Tuning_21,          &Tuning_22,
            &Tuning_23,          &Tuning_24,          &Values_9,           &Values_10,
            &Values_11,          &Firm_Data_Mol_Ser};
}

QString Settings::readString(const IniFile &ini, const SettingKey &k)
{
    return ini.readString(sec(k), key(k), k.defaultText());
}

long long Settings::readInteger(const IniFile &ini, const SettingKey &k)
{
    bool ok = false;
    const long long def = k.defaultText().toLongLong(&ok);
    return ini.readInteger(sec(k), key(k), ok ? def : 0);
}

bool Settings::readBool(const IniFile &ini, const SettingKey &k)
{
    return ini.readBool(sec(k), key(k), k.defaultText() == QLatin1String("1"));
}

void Settings::writeString(IniFile &ini, const SettingKey &k, const QString &value)
{
    ini.writeString(sec(k), key(k), value);
}

void Settings::writeInteger(IniFile &ini, const SettingKey &k, long long value)
{
    ini.writeInteger(sec(k), key(k), value);
}

void Settings::writeBool(IniFile &ini, const SettingKey &k, bool value)
{
    ini.writeBool(sec(k), key(k), value);
}

QString Settings::readString(const SettingKey &k)
{
    return readString(IniFile(filePath()), k);
}

long long Settings::readInteger(const SettingKey &k)
{
    return readInteger(IniFile(filePath()), k);
}

bool Settings::readBool(const SettingKey &k)
{
    return readBool(IniFile(filePath()), k);
}

bool Settings::writeString(const SettingKey &k, const QString &value, QString *error)
{
    IniFile ini(filePath());
    writeString(ini, k, value);
    return ini.save(error);
}

bool Settings::writeInteger(const SettingKey &k, long long value, QString *error)
{
    IniFile ini(filePath());
    writeInteger(ini, k, value);
    return ini.save(error);
}

bool Settings::writeBool(const SettingKey &k, bool value, QString *error)
{
    IniFile ini(filePath());
    writeBool(ini, k, value);
    return ini.save(error);
}

QString Keys::defaultReceiptFolder()
{
    return ProgramFolder::file(QStringLiteral("Bon"));
}

QString Settings::receiptFolder(const IniFile &ini)
{
    const QString stored = readString(ini, Keys::Tuning_19).trimmed();
    static const QRegularExpression windowsPath(QStringLiteral("^[A-Za-z]:([\\\\/]|$)"));
    if (stored.isEmpty() || windowsPath.match(stored).hasMatch() || stored.contains(QLatin1Char('\\')))
        return Keys::defaultReceiptFolder();
    return stored;
}

QString Settings::receiptFolder()
{
    return receiptFolder(IniFile(filePath()));
}

bool Settings::makeReceiptFolder(const QString &folder, QString *error)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return true;
    if (info.exists() || !QDir().mkdir(folder)) {
        if (error)
            *error = QStringLiteral("Папката за фискалните бонове не може да бъде създадена:\n") + folder;
        return false;
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                      | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                      | QFileDevice::ReadOther | QFileDevice::ExeOther);
    return true;
}

QString Settings::operatorSection(const QString &operatorName)
{
    return QStringLiteral("Оператор: ") + operatorName;
}
