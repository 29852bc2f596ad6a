#include "desk/receipt_files.h"

#include "common/cp1251.h"
#include "common/fiscal_device_types.h"
#include "common/money.h"
#include "common/settings.h"
#include "platform/db/database.h"

#include <QRegularExpression>

#include <cmath>

BonSettings BonSettings::read()
{
    BonSettings s;
    s.deviceType = FiscalDeviceTypes::number(Settings::readString(Keys::Tuning_24));
    s.departmentTickets = Settings::readBool(Keys::Tuning_23);
    return s;
}

namespace ReceiptFiles {
namespace {
const QString kCmd = QStringLiteral("P,1,______,_,__;");
const QString kRule = QStringLiteral("=======================");

bool textLayout(int type) { return type == 1 || type == 2; }
bool commandLayout(int type) { return type >= 3 && type <= 18; }

// "%-w.2f" cut to w characters, but never through the whole digits: a
// quantity of 12345 stays "12345", not "1234".
QString numberField(Decimal value, int width)
{
    QString text = Money::fixed(value, 2);
    if (text.size() > width) {
        const int whole = int(text.indexOf(QLatin1Char('.')));
        text = text.left(std::max(width, whole));
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text.leftJustified(width, QLatin1Char(' '));
}

QString serviceLine(const BonLine &l)
{
    return padCut(cleanName(l.name), 12, 11) + numberField(l.quantity, 4) + QStringLiteral(" x ")
           + numberField(l.price, 8);
}

QString discountText(Decimal discount)
{
    return (discount.isNegative() ? QStringLiteral("надбавка: ") : QStringLiteral("отстъпка: "))
           + Money::format42(discount) + QLatin1Char('%');
}

QString recordText(const BonCollector::Record &r)
{
    return QLatin1Char('%') + r.code + QLatin1Char('^') + r.name + QLatin1Char('^')
           + QString::number(stotinki(r.price)) + QLatin1Char('^')
           + QString::number(r.quantity.rounded(3).units() / (Decimal::Unit / 1000)) + QLatin1Char('^') + r.vatGroup
           + QLatin1Char('^');
}

QString operatorField(const BonContext &ctx)
{
    return padCut(ctx.operatorName, 16, 16);
}

QByteArray encodeLines(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += Cp1251::encode(line) + "\r\n";
    return out;
}

// A layout's lines: the text layout puts ":" before each, the command
// layout "P,1,______,_,__;" before and ";" after (the first line "Y,...").
QStringList framed(const QStringList &lines, int type)
{
    QStringList out;
    if (type == 1)
        out << QStringLiteral("*");
    for (int i = 0; i < lines.size(); ++i) {
        if (textLayout(type))
            out << QLatin1Char(':') + lines.at(i);
        else
            out << (i == 0 ? QStringLiteral("Y,1,______,_,__;") : kCmd) + lines.at(i) + QLatin1Char(';');
    }
    return out;
}

const Decimal kStotinka = Decimal::fromParts(1, 2);

// The highest price in stotinki, not above `price`, at which a record of
// `quantity` charges at most `limit`.
Decimal highestPrice(Decimal price, Decimal quantity, Decimal limit)
{
    if (limit.isNegative())
        return Decimal();
    if (quantity.isZero())
        return price;
    // round(p × q) ≤ limit  ⇔  p × q < limit + half a stotinka
    Decimal p = std::min(price, ((limit + kStotinka / Decimal(2)) / quantity).truncated(2));
    while (p.sign() > 0 && Decimal::mulRounded(p, quantity, 2) > limit)
        p -= kStotinka;
    return std::max(p, Decimal());
}

} // namespace

QString padCut(const QString &text, int width, int cut)
{
    return text.left(cut).leftJustified(width, QLatin1Char(' '));
}

QString cleanName(const QString &text)
{
    static const QRegularExpression unsafe(QStringLiteral("[\\^;\\r\\n\\t]"));
    QString t = text;
    return t.replace(unsafe, QStringLiteral(" "));
}

long long stotinki(Decimal leva)
{
    return leva.rounded(2).units() / (Decimal::Unit / 100);
}

Decimal recordAmount(const BonCollector::Record &r)
{
    return Decimal::mulRounded(r.price, r.quantity.rounded(3), 2);
}

void PREPARE_BON_FILE(BonCollector &c, const BonLine &line, int mode, const BonSettings &s,
                      Decimal markedLinesTotal)
{
    if (!c.hasBill) {
        c.hasBill = true;
        c.bill = line.bill;
    }
    if (mode == ServiceReceipt && s.deviceType >= 1 && s.deviceType <= 18) {
        c.receiptTotal = markedLinesTotal;
        c.receiptLines << serviceLine(line);
        if (!line.discount.isZero())
            c.receiptLines << discountText(line.discount);
    } else if (mode == FiscalReceipt) {
        BonCollector::Record r;
        r.lineIndex = int(c.receiptLines.size());
        r.exact = DeskMoney::amount(line.money());
        r.price = DeskMoney::unitPrice(line.money(), 2);
        r.quantity = line.quantity;
        r.code = QString::number(line.article);
        r.name = padCut(cleanName(line.name), 12, 12);
        r.vatGroup = QString::number(line.vatGroup);
        c.records << r;
        c.exactTotal += r.exact;
        c.receiptLines << recordText(r);
        if (!line.discount.isZero())
            c.receiptLines << QLatin1Char(':') + discountText(line.discount);
    }
    if (s.departmentTickets && line.department > 0) {
        QStringList &lines = c.departmentLines[line.department];
        lines << serviceLine(line);
        if (!line.discount.isZero())
            lines << discountText(line.discount);
    }
}

QMap<QString, Decimal> groupAmounts(const BonCollector &c, int priceDecimals)
{
    QMap<QString, ExactSum> exact;
    for (const BonCollector::Record &r : c.records)
        exact[r.vatGroup] += r.exact;
    QMap<QString, Decimal> share;
    Decimal given;
    for (auto it = exact.cbegin(); it != exact.cend(); ++it)
        given += share[it.key()] = it.value().rounded(2);
    const Decimal due = DeskMoney::payable(c.exactTotal, priceDecimals);
    const auto left = [&](const QString &g) { return exact.value(g) - ExactSum(share.value(g)); };
    while (given != due) {
        const bool up = given < due;
        QString pick;
        for (auto it = share.cbegin(); it != share.cend(); ++it) {
            if (!up && it.value() < kStotinka)
                continue;
            if (pick.isNull() || (up ? left(it.key()) > left(pick) : left(it.key()) < left(pick)))
                pick = it.key();
        }
        if (pick.isNull())
            break;
        share[pick] += up ? kStotinka : -kStotinka;
        given += up ? kStotinka : -kStotinka;
    }
    return share;
}

void addCorrectionRecord(BonCollector &c, int priceDecimals)
{
    if (c.records.isEmpty())
        return;
    const QMap<QString, Decimal> share = groupAmounts(c, priceDecimals);
    for (auto it = share.cbegin(); it != share.cend(); ++it) {
        Decimal printed;
        for (const BonCollector::Record &r : c.records)
            if (r.vatGroup == it.key())
                printed += recordAmount(r);
        // Never charge a group more than its share: lower its prices from its
        // last record up, each no further than the excess needs.
        for (int i = int(c.records.size()) - 1; i >= 0 && printed > it.value(); --i) {
            BonCollector::Record &r = c.records[i];
            if (r.vatGroup != it.key())
                continue;
            const Decimal before = recordAmount(r);
            r.price = highestPrice(r.price, r.quantity.rounded(3), before - (printed - it.value()));
            printed += recordAmount(r) - before;
            c.receiptLines[r.lineIndex] = recordText(r);
        }
        if (printed < it.value())
            c.receiptLines << QStringLiteral("%0000^КОРЕКЦИЯ:^") + QString::number(stotinki(it.value() - printed))
                                  + QStringLiteral("^1000^") + it.key() + QLatin1Char('^');
    }
}

QByteArray receiptBytes(const BonCollector &c, int kind, const BonContext &ctx, const BonSettings &s)
{
    const QString pos = QStringLiteral("ПОС: ") + QString::number(ctx.terminal);
    const QString op = QStringLiteral("Опер.: ") + operatorField(ctx);
    switch (kind) {
    case KindService: {
        if (!textLayout(s.deviceType) && !commandLayout(s.deviceType))
            return {};
        QStringList lines{pos, QStringLiteral("ПОРЪЧКА: ") + QString::number(c.bill), op};
        lines << c.receiptLines << kRule << QStringLiteral("Общо: ") + Money::format42(c.receiptTotal)
              << kRule;
        return encodeLines(framed(lines, s.deviceType));
    }
    case KindFiscal:
        return encodeLines(QStringList{QLatin1Char(':') + pos, QLatin1Char(':') + op} + c.receiptLines);
    case KindZeroingReport:
        return encodeLines({QStringLiteral("#N")});
    case KindDailyReport:
        return encodeLines({QStringLiteral("#I")});
    case KindCopy:
        return encodeLines({QStringLiteral("#C")});
    default:
        return {};
    }
}

QList<DeviceFile> tickets(const BonCollector &c, bool billLine, const BonContext &ctx,
                          const DepartmentLookup &departments)
{
    QList<DeviceFile> out;
    for (auto it = c.departmentLines.cbegin(); it != c.departmentLines.cend(); ++it) {
        Department d;
        if (it.value().isEmpty() || !departments || !departments(it.key(), &d))
            continue;
        if (!textLayout(d.deviceType) && !commandLayout(d.deviceType))
            continue;
        QStringList lines{QStringLiteral("ПОС: ") + QString::number(ctx.terminal)};
        if (billLine)
            lines << QStringLiteral("ПОРЪЧКА: ") + QString::number(c.bill);
        lines << QStringLiteral("Опер.: ") + operatorField(ctx) << kRule << d.name.toUpper() << kRule
              << it.value() << kRule;
        out << DeviceFile{it.key(), d.folder, ticketFileName(it.key()), encodeLines(framed(lines, d.deviceType))};
    }
    return out;
}

QList<DeviceFile> CREATE_BON_FILE(const BonCollector &c, int kind, const BonContext &ctx,
                                  const BonSettings &s, const QString &folder,
                                  const DepartmentLookup &departments)
{
    QList<DeviceFile> out{DeviceFile{0, folder, QString(), receiptBytes(c, kind, ctx, s)}};
    out << tickets(c, kind == KindService, ctx, departments);
    return out;
}
} // namespace ReceiptFiles

QString ticketFileName(int department)
{
    return QStringLiteral("ToPrepare") + QString::number(department) + QStringLiteral(".bon");
}

DepartmentLookup departmentsFromDatabase()
{
    return [](int id, Department *out) {
        const auto row = Db::firstRow(
            QStringLiteral("SELECT ID, Opisanie, Path, Vid_FU FROM Type_Prigotvq_Se WHERE ID = ?"), {id});
        if (!row)
            return false;
        out->id = id;
        out->name = row->value(1).toString();
        out->folder = row->value(2).toString();
        out->deviceType = FiscalDeviceTypes::number(row->value(3).toString());
        return true;
    };
}
