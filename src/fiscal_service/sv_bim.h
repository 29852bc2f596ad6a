#pragma once
#include <QDate>
#include <QString>

// Metrology certificates per cash-register model (SV_BIM), each held by a
// sealing firm.
namespace SvBim {
// The list: certificates whose sealing firm exists, with the firm's name.
QString listSql();

struct Certificate {
    QString model;
    QString number;
    QDate date;
    long long sealer = 0;
};

enum class Result { Saved, NoSealer, NotFound, InUse };
QString message(Result result);

// Adds a certificate under the next number; refused without an existing sealing firm.
Result add(const Certificate &c, long long *id = nullptr);
Result update(long long id, const Certificate &c);
// Refused while a registered device names it.
Result remove(long long id);
} // namespace SvBim
