#include "app/record_ops.h"

#include "common/money.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "app/app_state.h"
#include "app/next_number.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <stdexcept>

long long GET_MAX_NUMBER(const QString &table, const QString &column)
{
    try {
        return NextNumber::proposed(table, column);
    } catch (...) {
        return 0;
    }
}

bool CHECK_REPEATED_NUMBERS(const QString &table, const QString &column, const QVariant &value)
{
    if (!IsSqlIdentifier(table) || !IsSqlIdentifier(column))
        throw DbError(QStringLiteral("Невалидно име на таблица или колона: %1.%2").arg(table, column));
    const QVariant count = Db::scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table
                                          + QStringLiteral(" WHERE ") + column + QStringLiteral(" = ?"),
                                      {value});
    return count.toLongLong() > 0;
}

DdsSplit GET_DDS(Decimal amount)
{
    const QString stored = Settings::readString(Keys::Firm_Data_DDS);
    DdsSplit r;
    double rate = 0;
    if (!ParseVatPercent(stored, &rate))
        throw std::invalid_argument(
            QStringLiteral("Невалиден процент ДДС в настройките: \"%1\"").arg(stored).toStdString());
    r.Amount = amount;
    r.VatRate = Decimal::fromDouble(rate);
    r.AmountText = Money::format42(amount);
    r.AmountInWords = Sum_To_Words(amount);
    r.NetAmount = Decimal::product({amount, Decimal(100)}, Decimal(100) + r.VatRate, Decimal::Scale);
    r.VatAmount = amount - r.NetAmount;
    return r;
}

Decimal DdsSplit::netShown(int decimals) const
{
    return Decimal::product({Amount.rounded(decimals), Decimal(100)}, Decimal(100) + VatRate, decimals);
}

Decimal DdsSplit::vatShown(int decimals) const
{
    return Amount.rounded(decimals) - netShown(decimals);
}

DdsSplit GET_DDS(double amount)
{
    return GET_DDS(Decimal::fromDouble(amount));
}

bool ORDER_SQL(SqlListModel &list, const QString &field)
{
    const QString direction = SortDirection == 0   ? QStringLiteral(" ASC ")
                              : SortDirection == 1 ? QStringLiteral(" DESC ")
                                                   : QString();
    QString first = list.sql().section(QLatin1Char('\n'), 0, 0);
    if (first.endsWith(QLatin1Char('\r')))
        first.chop(1);
    if (first.trimmed().isEmpty() || !IsSqlIdentifier(field)) {
        Dialogs::message(QStringLiteral("Няма данни за подреждане"));
        return false;
    }
    try {
        list.setQuery(first + QLatin1Char('\n') + QStringLiteral(" ORDER BY ") + field + direction,
                      list.params());
        return true;
    } catch (const std::exception &) {
        Dialogs::message(QStringLiteral("Няма данни за подреждане"));
        return false;
    }
}

// ---- price formula -------------------------------------------------------------

namespace {
struct FormulaError {};

class Formula
{
public:
    Formula(const QString &text, double p, double d)
        : m_p(p)
        , m_d(d)
    {
        static const QString allowed = QStringLiteral("0123456789.+-*/%DP()");
        for (QChar c : text)
            if (allowed.contains(c))
                m_tokens << c;
    }

    double evaluate()
    {
        if (m_tokens.isEmpty())
            return 0;
        const double v = expression();
        if (m_pos != m_tokens.size())
            throw FormulaError();
        return v;
    }

private:
    QChar peek() const { return m_pos < m_tokens.size() ? m_tokens[m_pos] : QChar(); }
    // After "%": an operand makes it "a % b"; a sign, ")" or the end a trailing percent.
    bool startsOperand() const
    {
        const QChar c = peek();
        return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('P') || c == QLatin1Char('D')
               || c == QLatin1Char('(');
    }

    double expression()
    {
        bool percent = false;
        double value = term(&percent);
        if (percent) // a lone "b%" is b hundredths
            percent = false;
        while (peek() == QLatin1Char('+') || peek() == QLatin1Char('-')) {
            const bool plus = m_tokens[m_pos++] == QLatin1Char('+');
            double right = term(&percent);
            if (percent) // "a + b%": b percent of a
                right *= value;
            value = plus ? value + right : value - right;
        }
        return value;
    }

    // *percent: the term ended in a trailing "%" (its value already divided by 100).
    double term(bool *percent)
    {
        *percent = false;
        double value = factor();
        for (;;) {
            const QChar op = peek();
            if (op == QLatin1Char('*') || op == QLatin1Char('/')) {
                ++m_pos;
                const double right = factor();
                if (op == QLatin1Char('/')) {
                    if (right == 0)
                        throw FormulaError();
                    value /= right;
                } else {
                    value *= right;
                }
            } else if (op == QLatin1Char('%')) {
                ++m_pos;
                if (startsOperand()) {
                    value = value * factor() / 100; // "a % b": b percent of a
                } else {
                    *percent = true;
                    return value / 100;
                }
            } else {
                return value;
            }
        }
    }

    double factor()
    {
        const QChar c = peek();
        if (c == QLatin1Char('-') || c == QLatin1Char('+')) {
            ++m_pos;
            const double v = factor();
            return c == QLatin1Char('-') ? -v : v;
        }
        if (c == QLatin1Char('P') || c == QLatin1Char('D')) {
            ++m_pos;
            return c == QLatin1Char('P') ? m_p : m_d;
        }
        if (c == QLatin1Char('(')) {
            ++m_pos;
            const double v = expression();
            if (peek() != QLatin1Char(')'))
                throw FormulaError();
            ++m_pos;
            return v;
        }
        QString number;
        while (peek().isDigit() || peek() == QLatin1Char('.'))
            number += m_tokens[m_pos++];
        bool ok = false;
        const double v = number.toDouble(&ok);
        if (number.isEmpty() || number.count(QLatin1Char('.')) > 1 || !ok)
            throw FormulaError();
        return v;
    }

    QList<QChar> m_tokens;
    qsizetype m_pos = 0;
    double m_p;
    double m_d;
};
} // namespace

QString GETRESULT_FORMULA(const QString &formula, double sellingPrice, double deliveryPrice, bool *ok)
{
    try {
        const double v = Formula(formula, sellingPrice, deliveryPrice).evaluate();
        if (!std::isfinite(v))
            throw FormulaError();
        if (ok)
            *ok = true;
        return Money::formatWidth(v, 4, PriceDecimals);
    } catch (const FormulaError &) {
        if (ok)
            *ok = false;
        return QStringLiteral("Невалидна формула");
    }
}
