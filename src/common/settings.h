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
// Own company's data printed on documents
inline constexpr SettingKey Firm_Data_Name{"Firm_Data", "Name", ""};
inline constexpr SettingKey Firm_Data_EIK{"Firm_Data", "EIK", ""};
inline constexpr SettingKey Firm_Data_Mol{"Firm_Data", "Mol", ""};
inline constexpr SettingKey Firm_Data_Adress{"Firm_Data", "Adress", ""};
inline constexpr SettingKey Firm_Data_IBAN{"Firm_Data", "IBAN", ""};
inline constexpr SettingKey Firm_Data_BIC{"Firm_Data", "BIC", ""};
inline constexpr SettingKey Firm_Data_Bank{"Firm_Data", "Bank", ""};
inline constexpr SettingKey Firm_Data_Phone{"Firm_Data", "Phone", ""};
inline constexpr SettingKey Firm_Data_IBAN_DDS{"Firm_Data", "IBAN_DDS", ""};
inline constexpr SettingKey Firm_Data_BIC_DDS{"Firm_Data", "BIC_DDS", ""};
inline constexpr SettingKey Firm_Data_Bank_DDS{"Firm_Data", "Bank_DDS", ""};
inline constexpr SettingKey Firm_Data_Phone_DDS{"Firm_Data", "Phone_DDS", ""};
// VAT percent, stored with a point ("20", "20.5")
inline constexpr SettingKey Firm_Data_DDS{"Firm_Data", "DDS", "20"};
inline constexpr SettingKey Firm_Data_Phone_Ser{"Firm_Data", "Phone_Ser", ""};
// The service firm's responsible person, written into the tax-office file
inline constexpr SettingKey Firm_Data_Mol_Ser{"Firm_Data", "Mol_Ser", ""};
// Switches ("1"/"0")
inline constexpr SettingKey Tuning_1{"Tuning", "1", "0"};   // authorisation after a sale
inline constexpr SettingKey Tuning_2{"Tuning", "2", "0"};   // close other operators' bills
inline constexpr SettingKey Tuning_3{"Tuning", "3", "0"};   // warn of expiring goods
inline constexpr SettingKey Tuning_4{"Tuning", "4", "0"};   // order list on sale below minimum
inline constexpr SettingKey Tuning_5{"Tuning", "5", "0"};   // loss of idle goods on delivery
inline constexpr SettingKey Tuning_6{"Tuning", "6", "0"};   // no credit with unpaid instalments
inline constexpr SettingKey Tuning_7{"Tuning", "7", "0"};   // watch late instalments
inline constexpr SettingKey Tuning_8{"Tuning", "8", "0"};   // watch sales to late payers
inline constexpr SettingKey Tuning_10{"Tuning", "10", "0"}; // fixed length of the till name
inline constexpr SettingKey Tuning_11{"Tuning", "11", "0"}; // fixed length of the label name
inline constexpr SettingKey Tuning_12{"Tuning", "12", "0"}; // imports replace old data
inline constexpr SettingKey Tuning_13{"Tuning", "13", "0"}; // log off at exit
inline constexpr SettingKey Tuning_14{"Tuning", "14", "0"}; // ask shelf life at the desk
inline constexpr SettingKey Tuning_15{"Tuning", "15", "10"}; // digits of a contract number (1-10)
inline constexpr SettingKey Tuning_16{"Tuning", "16", "0"}; // 10-digit contract prefix
inline constexpr SettingKey Tuning_17{"Tuning", "17", "0"}; // contract number holds the date
inline constexpr SettingKey Tuning_18{"Tuning", "18", "0"}; // contract number: date + day's count
inline constexpr SettingKey Tuning_FormatDate{"Tuning", "FormatDate", "ddmmyyyy"}; // or "ddmmyy"
// Folder of the receipt command files, kept as typed. Default: Bon/ of the
// program folder, never the shared temporary folder, which any local user
// can take first and which is emptied at boot while a device still reads it.
// Read it through Settings::receiptFolder().
QString defaultReceiptFolder();
inline constexpr SettingKey Tuning_19{"Tuning", "19", "", &defaultReceiptFolder};
inline constexpr SettingKey Tuning_20{"Tuning", "20", "0"}; // kiosk mode
inline constexpr SettingKey Tuning_FB{"Tuning", "FB", "0"}; // receipt at a sale: 0 none, 1 service, 2 fiscal
inline constexpr SettingKey Tuning_21{"Tuning", "21", "0"}; // copies of the receipt (unused)
inline constexpr SettingKey Tuning_22{"Tuning", "22", "0"}; // number of copies (0-10, unused)
inline constexpr SettingKey Tuning_23{"Tuning", "23", "0"}; // ticket per preparation department
// Fiscal device type: "<n>: <device>"; readers use the number before ":"
inline constexpr SettingKey Tuning_24{"Tuning", "24", "0"};
// Numbers
inline constexpr SettingKey Values_9{"Values", "9", "2"};    // decimals of the desk totals (1-8)
inline constexpr SettingKey Values_10{"Values", "10", "20"}; // till name length
inline constexpr SettingKey Values_11{"Values", "11", "20"}; // label name length
} // namespace Keys

namespace Settings {
QString filePath(); // Firm_Data.ini in the program folder
QList<const SettingKey *> allKeys();

// Read from the file as last loaded; it is loaded again only when it has
// changed on disk since (written by anyone).
QString readString(const SettingKey &key);
long long readInteger(const SettingKey &key); // text that is no number: the default
bool readBool(const SettingKey &key);

// Each write opens the file, sets the key and replaces the file atomically;
// false with the reason when the file was not replaced (it stays as it was).
bool writeString(const SettingKey &key, const QString &value, QString *error = nullptr);
bool writeInteger(const SettingKey &key, long long value, QString *error = nullptr);
bool writeBool(const SettingKey &key, bool value, QString *error = nullptr);

// How often the file has been loaded for the readers above.
int fileLoads();

// The same, on a file the caller holds open (several keys, one save).
QString readString(const IniFile &ini, const SettingKey &key);
long long readInteger(const IniFile &ini, const SettingKey &key);
bool readBool(const IniFile &ini, const SettingKey &key);
void writeString(IniFile &ini, const SettingKey &key, const QString &value);
void writeInteger(IniFile &ini, const SettingKey &key, long long value);
void writeBool(IniFile &ini, const SettingKey &key, bool value);

// The receipt folder: [Tuning] 19, where a Windows path of the old program
// ("C:\Temp") or a missing key gives the default.
QString receiptFolder();
QString receiptFolder(const IniFile &ini);

// Per-operator shortcut section: "Оператор: " + name, keys "Counts" and "1".."n".
QString operatorSection(const QString &operatorName);
inline constexpr const char *ShortcutCountKey = "Counts";
} // namespace Settings
