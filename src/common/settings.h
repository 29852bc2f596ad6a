#pragma once
#include <QString>
#include <QList>

class IniFile;

// The keys of Firm_Data.ini, each with its one default. Every reader and the
// settings window go through this table, so a key never has two defaults.
struct SettingKey {
    const char *section;
    const char *key;
    const char *defaultValue;           // the default as the file would hold it
    QString (*dynamicDefault)() = nullptr; // for defaults that depend on the day
    QString defaultText() const;
};

namespace Keys {
// Database version and terminal
inline constexpr SettingKey DBVer_Ver{"DBVer", "Ver", "0"};
inline constexpr SettingKey DBVer_Date{"DBVer", "Date", "0"};
inline constexpr SettingKey DBVer_DBPath{"DBVer", "DBPath", ""};
inline constexpr SettingKey DBVer_Term{"DBVer", "Term", "1"};
// Last working date (default: today's short date)
QString todayText();
inline constexpr SettingKey TIME_Last{"TIME", "Last", "", &todayText};
// Active warehouse and the last operator
inline constexpr SettingKey Store_Active{"Store", "Active", "0"};
inline constexpr SettingKey Store_ActiveOper{"Store", "ActiveOper", ""};
// Switches
inline constexpr SettingKey Tuning_13{"Tuning", "13", "0"}; // log off at exit
inline constexpr SettingKey Tuning_20{"Tuning", "20", "0"}; // kiosk mode
} // namespace Keys

namespace Settings {
QString filePath(); // Firm_Data.ini in the program folder
QList<const SettingKey *> allKeys();

QString readString(const SettingKey &key);
long long readInteger(const SettingKey &key); // text that is no number: the default
bool readBool(const SettingKey &key);

// Each write opens the file, sets the key and replaces the file atomically.
bool writeString(const SettingKey &key, const QString &value);
bool writeInteger(const SettingKey &key, long long value);
bool writeBool(const SettingKey &key, bool value);

// The same, on a file the caller holds open (several keys, one save).
QString readString(const IniFile &ini, const SettingKey &key);
long long readInteger(const IniFile &ini, const SettingKey &key);
bool readBool(const IniFile &ini, const SettingKey &key);
void writeString(IniFile &ini, const SettingKey &key, const QString &value);
void writeInteger(IniFile &ini, const SettingKey &key, long long value);
void writeBool(IniFile &ini, const SettingKey &key, bool value);

// Per-operator shortcut section: "Оператор: " + name, keys "Counts" and "1".."n".
QString operatorSection(const QString &operatorName);
inline constexpr const char *ShortcutCountKey = "Counts";
} // namespace Settings
