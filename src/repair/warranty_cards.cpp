#include "repair/warranty_cards.h"

#include "app/next_number.h"
#include "common/dates.h"
#include "common/tagged_import.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"
#include "platform/db/work_tables.h"

namespace WarrantyCards {
namespace {
QString work()
{
    return WorkTables::qualified(QString::fromLatin1(WorkTable));
}
} // namespace

QDate validUntil(int validity, const QDate &cardDate, int term)
{
    switch (validity) {
    case InDays:
        return cardDate.addDays(term);
    case InMonths:
        return cardDate.addDays(qint64(term) * 30);
    default:
        return {};
    }
}

void createWorkTable()
{
    WorkTables::create(QString::fromLatin1(WorkTable),
                       QStringLiteral("N INTEGER PRIMARY KEY AUTOINCREMENT, ID_Karta INTEGER, ID INTEGER, "
                                      "Opisanie TEXT, Model TEXT, Partida TEXT, Serial_ID TEXT, Data TEXT"));
}

void dropWorkTable()
{
    WorkTables::drop(QString::fromLatin1(WorkTable));
}

long long nextCardNumber()
{
    return NextNumber::proposed(QStringLiteral("Garancia_dostavtchik"), QStringLiteral("ID"));
}

void addPiece(long long card, const Piece &piece)
{
    WriteTransaction t;
    Db::execute(QStringLiteral("INSERT INTO ") + work() +
                    QStringLiteral(" (ID_Karta, ID, Opisanie, Model, Partida, Serial_ID, Data) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {card, piece.article, piece.description, piece.model, piece.batch, piece.serial,
                 Dates::toIso(piece.validUntil)});
    t.commit();
}

void removePieces(const QList<long long> &rows)
{
    if (rows.isEmpty())
        return;
    WriteTransaction t;
    for (long long n : rows)
        Db::execute(QStringLiteral("DELETE FROM ") + work() + QStringLiteral(" WHERE N = ?"), {n});
    t.commit();
}

long long pieceCount()
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM ") + work()).toLongLong();
}

QString noPiecesMessage()
{
    return QStringLiteral("Няма въведени серийни номера");
}

QString noSupplierMessage()
{
    return QStringLiteral("Необходимо е да се посочи Контрагент");
}

QString noKindMessage()
{
    return QStringLiteral("Няма вид документ. Видовете се въвеждат от „Работни документи ...“");
}

SaveResult save(const Header &header)
{
    SaveResult result;
    WriteTransaction t;
    // The checks run inside the transaction, so what they saw is what is stored.
    if (pieceCount() == 0) {
        result.refusal = noPiecesMessage();
        return result;
    }
    if (header.supplier <= 0 ||
        !Db::firstRow(QStringLiteral("SELECT ID FROM Firmi WHERE ID = ?"), {header.supplier})) {
        result.refusal = noSupplierMessage();
        return result;
    }
    if (header.kind <= 0 ||
        !Db::firstRow(QStringLiteral("SELECT ID FROM Rab_Dokumenti WHERE ID = ?"), {header.kind})) {
        result.refusal = noKindMessage();
        return result;
    }
    long long number = header.shownNumber;
    // Another workstation may have saved a card under the shown number meanwhile.
    if (number <= 0 ||
        Db::firstRow(QStringLiteral("SELECT ID FROM Garancia_dostavtchik WHERE ID = ?"), {number}))
        number = NextNumber::next(QStringLiteral("Garancia_dostavtchik"), QStringLiteral("ID"));
    Db::execute(QStringLiteral("UPDATE ") + work() + QStringLiteral(" SET ID_Karta = ?"), {number});
    Db::execute(QStringLiteral("UPDATE Produkti SET Garancionen = 'True' WHERE ID IN (SELECT ID FROM ") + work() +
                QStringLiteral(")"));
    Db::execute(QStringLiteral("INSERT INTO Garancia_dostavtchik (ID, ID_Kontrag, Vid_Dok, ID_Dok, Data, Zabel) "
                               "VALUES (?, ?, ?, ?, ?, ?)"),
                {number, header.supplier, header.kind, header.documentNumber.left(12), Dates::toIso(header.date),
                 header.note});
    Db::execute(QStringLiteral("INSERT INTO Serials (ID_Karta, ID, Model, Partida, Serial_ID, Data) "
                               "SELECT ID_Karta, ID, Model, Partida, Serial_ID, Data FROM ") +
                work() + QStringLiteral(" ORDER BY N"));
    Db::execute(QStringLiteral("DELETE FROM ") + work());
    t.commit();
    result.number = number;
    return result;
}

ImportResult importFile(const QString &path, long long card)
{
    ImportResult result;
    TaggedFileReader reader(path);
    QString error;
    if (!reader.open(&error)) {
        result.error = error;
        return result;
    }
    const auto lineError = [](long long n) { return QStringLiteral("Грешка в ред %1 на файла").arg(n); };
    QList<Piece> pieces;
    TaggedFileReader::Line line;
    while (reader.next(&line)) {
        if (line.tooLong) {
            result.error = lineError(line.number);
            return result;
        }
        const TaggedLine fields = GET_IMPORTED_DATA(line.text);
        if (fields.bracketOpen) {
            result.error = lineError(line.number);
            return result;
        }
        if (fields.isEmpty())
            continue;
        if (fields.has(7))
            result.documentNumber = fields.value(7).left(12);
        if (fields.has(9))
            result.note = fields.value(9);
        if (fields.has(8)) {
            const QDate date = Dates::fromShort(fields.value(8).trimmed());
            if (!date.isValid()) {
                result.error = lineError(line.number);
                return result;
            }
            result.date = date;
        }
        if (!fields.has(1))
            continue;
        Piece piece;
        bool number = false;
        piece.article = fields.value(1).trimmed().toLongLong(&number);
        const auto name = number ? Db::firstRow(QStringLiteral("SELECT Opisanie FROM Produkti WHERE ID = ?"),
                                                {piece.article})
                                 : std::nullopt;
        piece.validUntil = Dates::fromShort(fields.value(5).trimmed());
        if (!name || !piece.validUntil.isValid()) {
            result.error = lineError(line.number);
            return result;
        }
        piece.description = name->value(0).toString();
        piece.batch = fields.value(2);
        piece.model = fields.value(3);
        piece.serial = fields.value(4);
        pieces.append(piece);
    }
    if (reader.failed()) {
        result.error = QStringLiteral("Файлът не може да бъде прочетен:\n") + reader.errorText();
        return result;
    }
    if (!result.date.isValid())
        result.date = QDate::currentDate();
    WriteTransaction t;
    for (const Piece &p : pieces)
        addPiece(card, p);
    t.commit();
    result.pieces = int(pieces.size());
    result.ok = true;
    return result;
}
} // namespace WarrantyCards
