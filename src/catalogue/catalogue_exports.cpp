#include "catalogue/catalogue_exports.h"

#include "common/cp1251.h"
#include "common/reference_text.h"
#include "common/text_file.h"
#include "platform/file_modes.h"

#include <QVariant>

#include <cmath>

namespace {
QString field(const QSqlRecord &r, const char *name)
{
    // A line break counts as one blank, whatever its form.
    return r.value(QString::fromLatin1(name)).toString().replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}
} // namespace

QString ScaleFile::priceText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    if (!text.contains(QLatin1Char('e')))
        return text;
    // Written out in full, then cut to 15 significant digits.
    const int exponent = int(std::floor(std::log10(std::fabs(value))));
    const int decimals = qBound(0, 14 - exponent, 340);
    text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

QString ScaleFile::line(const QSqlRecord &article)
{
    const long long code = article.value(QStringLiteral("Kod_Vezna")).toLongLong();
    if (code <= 0)
        return {};
    const QString shelf = article.value(QStringLiteral("Trajnost")).toString();
    int unit = -1;
    QString amount;
    if (!shelf.isEmpty()) {
        unit = GetID_MFromTreeNodeName(shelf);
        amount = shelf.mid(2);
    }
    QStringList fields{QString::number(code),
                       field(article, "Opisanie"),
                       field(article, "Kasovo_Ime"),
                       field(article, "Etiketno_Ime"),
                       article.value(QStringLiteral("ID")).toString(),
                       QString::number(unit),
                       amount,
                       field(article, "Nomenkl_N"),
                       priceText(article.value(QStringLiteral("Ed_Cena")).toDouble()),
                       QStringLiteral("0")};
    for (QString &f : fields) {
        f.replace(QLatin1Char(';'), QLatin1Char(','));
        f.replace(QLatin1Char('\r'), QLatin1Char(' '));
        f.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    return fields.join(QLatin1Char(';')) + QLatin1Char(';');
}

QByteArray ScaleFile::contents(const QList<QSqlRecord> &articles)
{
    QByteArray out;
    for (const QSqlRecord &a : articles) {
        const QString l = line(a);
        if (l.isEmpty())
            continue;
        out += Cp1251::encode(l);
        out += "\r\n";
    }
    return out;
}

bool ScaleFile::write(const QString &path, const QList<QSqlRecord> &articles, QString *error)
{
    // The scale's software may run as another user.
    return TextFile::writeAtomic(path, contents(articles), error, FileModes::forOthers(path));
}
