#pragma once
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The repair protocol: a plain-text record of an intake's repair lines, the
// client, the item and the own firm as the repairer, written to
// TEMP/Remont.tmp and opened in the text editor, from where it is printed.
namespace RepairProtocol {
inline constexpr const char *FileName = "Remont.tmp";

// The own firm, from Firm_Data.ini.
struct Firm {
    QString name, mol, address, phone, eik, iban, bic, bank;
    static Firm read();
};

struct Line {
    long long id = 0;
    QString warranty; // as shown (dd.MM.yyyy)
    QString remont;
    double kol = 1;
    double price = 0;
    QString currency;
    std::optional<double> suma; // none when the currency has no rate
};

struct Protocol {
    QDate today;
    QString client;
    QString article;
    QString serial;
    QString reason;
    Firm firm;
    QList<Line> lines;
    QString total;        // the work list's total label
    QString operatorName;
    QString footer;
};

// "|", each cell padded or cut to its column, "|": 121 characters when the
// quantity and the price fit.
QString tableRow(const Line &line);
QString tableHead();
QString tableFoot();
QStringList lines(const Protocol &p);

// The client's name: the firm's Ime_Firma, with or without a person row;
// empty for no such firm. Throws DbError.
QString clientName(long long firm);
} // namespace RepairProtocol
