#include "documents/layout_save.h"

#include "common/ini_file.h"
#include "common/record_values.h"
#include "common/text_file.h"
#include "documents/layout_file.h"
#include "documents/layout_rich_text.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace LayoutSave {
namespace {
const QString kMagazin = QStringLiteral("МАГАЗИН");
const QString kServiz = QStringLiteral("СЕРВИЗ");
const QString kFisk = QStringLiteral("Фискален сервиз");

Row rowOf(const QSqlRecord &r)
{
    Row row;
    row.id = r.value(QStringLiteral("ID_Dokument")).toLongLong();
    row.opisanie = r.value(QStringLiteral("Opisanie")).toString();
    row.kadeSeIzpolzva = r.value(QStringLiteral("Kade_se_izpolzva")).toString();
    row.nDok = r.value(QStringLiteral("N_Dok")).toString();
    return row;
}

// rename(2) replaces the target in one step.
bool replaceFile(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}
} // namespace

QString whereUsedText(const WhereUsed &where)
{
    return (where.magazin ? kMagazin : QString()) + QStringLiteral(" ,") + (where.serviz ? kServiz : QString())
           + QStringLiteral(" ,") + (where.fiskCentar ? kFisk : QString());
}

WhereUsed whereUsedFrom(const QString &text)
{
    WhereUsed where;
    where.magazin = text.contains(kMagazin, Qt::CaseSensitive);
    where.serviz = text.contains(kServiz, Qt::CaseSensitive);
    where.fiskCentar = text.contains(kFisk, Qt::CaseSensitive);
    return where;
}

QString formattedNumber(long long startNumber, int digits)
{
    return FORMAT_NUMBERS(QString::number(startNumber), digits);
}

QList<Row> documents()
{
    QList<Row> list;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID_Dokument, Opisanie, Kade_se_izpolzva, N_Dok "
                                                       "FROM Dokumenti ORDER BY ID_Dokument")))
        list.append(rowOf(r));
    return list;
}

std::optional<Row> document(const QString &name)
{
    const auto r = Db::firstRow(QStringLiteral("SELECT ID_Dokument, Opisanie, Kade_se_izpolzva, N_Dok "
                                               "FROM Dokumenti WHERE Opisanie = ?"),
                                {name});
    if (!r)
        return std::nullopt;
    return rowOf(*r);
}

bool exists(const QString &name)
{
    if (QFileInfo::exists(LayoutFile::basePath(name) + QStringLiteral(".psc")))
        return true;
    return document(name).has_value();
}

bool save(const Layout::Document &document, const Request &request, QString *error)
{
    const QString problem = LayoutFile::nameProblem(request.name);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    if (request.startNumber < 0) {
        *error = QStringLiteral("Началният номер не може да бъде отрицателен!");
        return false;
    }
    // Stored only when it would print: the print refuses the same fields.
    for (const Layout::Element &e : document.elements) {
        QString table = e.table.trimmed();
        if (table.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
            table.chop(3);
        if (e.kind == Layout::Kind::DataField && Layout::designerHidesField(table, e.field.trimmed())) {
            *error = QStringLiteral("Документът не е записан: полето \"%1\" на таблица \"%2\" не може да се "
                                    "печата.")
                         .arg(e.field, table);
            return false;
        }
    }
    const QString folder = LayoutFile::folder();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        *error = QStringLiteral("Папката за документи не може да бъде създадена:\n%1").arg(folder);
        return false;
    }
    const QString base = LayoutFile::basePath(request.name);
    const QString hdr = base + QStringLiteral(".hdr");
    const QString ftr = base + QStringLiteral(".ftr");
    const QString psc = base + QStringLiteral(".psc");
    const QString suffix = QStringLiteral(".new");

    // Every file first under a temporary name, so a failure leaves the old layout whole.
    QStringList written;
    auto fail = [&](const QString &message) {
        for (const QString &f : written)
            QFile::remove(f);
        *error = QStringLiteral("Документът не е записан:\n%1").arg(message);
        return false;
    };
    QString why;
    if (!TextFile::writeAtomic(hdr + suffix, LayoutRichText::toRtf(document.headerText), &why))
        return fail(why);
    written.append(hdr + suffix);
    if (!TextFile::writeAtomic(ftr + suffix, LayoutRichText::toRtf(document.footerText), &why))
        return fail(why);
    written.append(ftr + suffix);
    // The new description starts from the old one, so lines it does not write stay.
    QFile::remove(psc + suffix);
    if (QFileInfo::exists(psc)) {
        QFile old(psc);
        if (!old.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("Файлът не може да бъде прочетен: ") + psc);
        if (!TextFile::writeAtomic(psc + suffix, old.readAll(), &why))
            return fail(why);
    }
    IniFile ini(psc + suffix);
    LayoutFile::write(ini, document, hdr, ftr);
    if (!ini.save(&why)) {
        written.append(psc + suffix);
        return fail(why);
    }
    written.append(psc + suffix);
    const bool isNew = !QFileInfo::exists(psc);
    for (const QString &target : {hdr, ftr, psc}) {
        if (!replaceFile(target + suffix, target)) {
            // A new layout leaves none of its files; an old one's files are each whole.
            if (isNew)
                written << hdr << ftr;
            return fail(target);
        }
    }
    written.clear();

    try {
        WriteTransaction transaction;
        const int updated = Db::execute(QStringLiteral("UPDATE Dokumenti SET Kade_se_izpolzva = ? WHERE Opisanie = ?"),
                                        {whereUsedText(request.where), request.name});
        if (updated == 0)
            Db::execute(QStringLiteral("INSERT INTO Dokumenti (Opisanie, Kade_se_izpolzva, N_Dok) VALUES (?, ?, ?)"),
                        {request.name, whereUsedText(request.where),
                         formattedNumber(request.startNumber, request.digits)});
        transaction.commit();
    } catch (const DbError &e) {
        *error = QStringLiteral("Файловете на документа са записани, но документът не е регистриран:\n%1")
                     .arg(e.message());
        return false;
    }
    return true;
}
} // namespace LayoutSave
