#include "common/settings.h"

#include "common/dates.h"
#include "common/ini_file.h"
#include "common/program_folder.h"

#include <QDate>

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
    return {&Keys::DBVer_Ver,   &Keys::DBVer_Date,       &Keys::DBVer_DBPath, &Keys::DBVer_Term,
            &Keys::TIME_Last,   &Keys::Store_Active,     &Keys::Store_ActiveOper,
            &Keys::Tuning_13,   &Keys::Tuning_20};
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

bool Settings::writeString(const SettingKey &k, const QString &value)
{
    IniFile ini(filePath());
    writeString(ini, k, value);
    return ini.save();
}

bool Settings::writeInteger(const SettingKey &k, long long value)
{
    IniFile ini(filePath());
    writeInteger(ini, k, value);
    return ini.save();
}

bool Settings::writeBool(const SettingKey &k, bool value)
{
    IniFile ini(filePath());
    writeBool(ini, k, value);
    return ini.save();
}

QString Settings::operatorSection(const QString &operatorName)
{
    return QStringLiteral("Оператор: ") + operatorName;
}
