#pragma once
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

// The fixed-width report of the registered cash registers that the tax
// office reads: FISKAL.SER in the program folder, code page 1251, CR LF.
namespace TaxOfficeFile {
inline constexpr const char *FileName = "FISKAL.SER";

// The own firm's data of the header and of line 10, from the program's own settings.
struct Company {
    QString eik;
    QString name;
    QString adress;
    QString phoneSer;
    QString molSer;
};
Company companyFromSettings();

// The text cut or padded with blanks to `width` characters, each of which is
// one byte in code page 1251: a character outside the page becomes "?", a
// control character (TAB, CR, LF) a blank.
QString field(const QString &text, int width);
// The count in four characters: zero-padded, or its first four digits.
QString countText(long long count);

// One row per registration whose Data_Reg lies in the period (both ends
// included), in dossier order; every related record left-joined. Throws DbError.
QList<QSqlRecord> registrations(const QDate &from, const QDate &to);

// The file's lines: the header "00", lines "01" to "11" per row, the trailer "99".
QStringList GET_DATA_TO_SPR_TDD(const Company &company, const QDate &from, const QDate &to,
                                const QList<QSqlRecord> &rows);
// The lines in code page 1251, each ended by CR LF.
QByteArray bytes(const QStringList &lines);

QString path(); // FISKAL.SER in the program folder
// Replaces FISKAL.SER in `folder` atomically.
bool writeTo(const QString &folder, const QByteArray &bytes, QString *error = nullptr);

QString countMessage(long long count);
QString reversedPeriodMessage();
QString writeFailedMessage();
QString copyQuestion();
} // namespace TaxOfficeFile
