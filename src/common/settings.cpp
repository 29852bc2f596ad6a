#include "common/settings.h"

#include "common/dates.h"
#include "common/ini_file.h"
#include "common/program_folder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>

#include <memory>

#include <sys/stat.h>

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

// The file as last read, kept while it stays the same file: a write
// replaces it (a new inode) or changes its time or size, whoever writes it
// (this program, the settings window, another workstation).
struct FileState {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{}, changed{};
    bool operator==(const FileState &o) const
    {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size
               && modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec
               && changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

FileState stateOf(const QString &path)
{
    FileState f;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return f;
    f.exists = true;
    f.device = st.st_dev;
    f.inode = st.st_ino;
    f.size = st.st_size;
    f.modified = st.st_mtim;
    f.changed = st.st_ctim;
    return f;
}

struct Cache {
    QMutex mutex;
    QString path;
    FileState state;
    std::shared_ptr<const IniFile> ini;
    int loads = 0;
};

Cache &cache()
{
    static Cache c;
    return c;
}

std::shared_ptr<const IniFile> currentFile()
{
    Cache &c = cache();
    const QString path = Settings::filePath();
    const FileState now = stateOf(path);
    QMutexLocker lock(&c.mutex);
    if (!c.ini || c.path != path || !(c.state == now)) {
        c.ini = std::make_shared<const IniFile>(path);
        c.path = path;
        c.state = now;
        ++c.loads;
    }
    return c.ini;
}

void forgetFile()
{
    Cache &c = cache();
    QMutexLocker lock(&c.mutex);
    c.ini.reset();
}
} // namespace

int Settings::fileLoads()
{
    Cache &c = cache();
    QMutexLocker lock(&c.mutex);
    return c.loads;
}

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
    return readString(*currentFile(), k);
}

long long Settings::readInteger(const SettingKey &k)
{
    return readInteger(*currentFile(), k);
}

bool Settings::readBool(const SettingKey &k)
{
    return readBool(*currentFile(), k);
}

bool Settings::writeString(const SettingKey &k, const QString &value, QString *error)
{
    IniFile ini(filePath());
    writeString(ini, k, value);
    const bool saved = ini.save(error);
    forgetFile();
    return saved;
}

bool Settings::writeInteger(const SettingKey &k, long long value, QString *error)
{
    IniFile ini(filePath());
    writeInteger(ini, k, value);
    const bool saved = ini.save(error);
    forgetFile();
    return saved;
}

bool Settings::writeBool(const SettingKey &k, bool value, QString *error)
{
    IniFile ini(filePath());
    writeBool(ini, k, value);
    const bool saved = ini.save(error);
    forgetFile();
    return saved;
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
    return receiptFolder(*currentFile());
}

QString Settings::operatorSection(const QString &operatorName)
{
    return QStringLiteral("Оператор: ") + operatorName;
}
