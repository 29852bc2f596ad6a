#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// Preparation departments (Type_Prigotvq_Se): where articles are prepared
// and their order tickets printed. 0 stands for "Не се приготвя".
struct PreparationDepartment {
    long long id = 0;
    QString name;   // Opisanie
    QString path;   // Path: folder of the order tickets
    QString device; // Vid_FU: a fiscal device type text
};

namespace Departments {
QList<PreparationDepartment> all(); // by number; throws DbError
// "0:Не се приготвя" followed by "<ID>:<Opisanie>" of every department.
QStringList listItems(); // throws DbError

// A department number as typed: a whole number above 0 (0 is "Не се
// приготвя") up to the largest key a reference text carries; 0 otherwise.
long long parseNumber(const QString &typed);

// Each returns an empty text when done, else the Bulgarian refusal; a
// database failure writes nothing and is reported the same way.
QString add(const QString &number, const PreparationDepartment &fields, long long *id);
QString renumber(long long id, const QString &number);
QString setField(long long id, const QString &column, const QString &value); // Opisanie, Path or Vid_FU
QString remove(long long id);
} // namespace Departments
