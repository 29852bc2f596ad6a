#include "repair/repair_states.h"

#include "app/next_number.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QApplication>

namespace {
const char *const Names[RepairStates::ColourCount] = {
    "clAqua", "clBlack", "clBlue", "clDkGray", "clFuchsia", "clGray", "clGreen", "clLime",
    "clLtGray", "clMaroon", "clNavy", "clOlive", "clPurple", "clRed", "clSilver", "clTeal",
    "clWhite", "clYellow", "clActiveBorder", "clActiveCaption", "clAppWorkSpace", "clBackground",
    "clBtnFace", "clBtnHighlight", "clBtnShadow", "clBtnText", "clCaptionText", "clGrayText",
    "clHighlight", "clHighlightText", "clInactiveBorder", "clInactiveCaption", "clInactiveCaptionText",
    "clMenu", "clMenuText", "clScrollBar", "clWindow", "clWindowFrame", "clWindowText"};

const QRgb Fixed[18] = {0x00FFFF, 0x000000, 0x0000FF, 0x808080, 0xFF00FF, 0x808080,
                        0x008000, 0x00FF00, 0xC0C0C0, 0x800000, 0x000080, 0x808000,
                        0x800080, 0xFF0000, 0xC0C0C0, 0x008080, 0xFFFFFF, 0xFFFF00};

struct SystemColour {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};
// The system colours (items 18..38) as the nearest palette roles.
const SystemColour System[21] = {
    {QPalette::Active, QPalette::Window},            // clActiveBorder
    {QPalette::Active, QPalette::Highlight},         // clActiveCaption
    {QPalette::Active, QPalette::Mid},               // clAppWorkSpace
    {QPalette::Active, QPalette::Dark},              // clBackground
    {QPalette::Active, QPalette::Button},            // clBtnFace
    {QPalette::Active, QPalette::Light},             // clBtnHighlight
    {QPalette::Active, QPalette::Dark},              // clBtnShadow
    {QPalette::Active, QPalette::ButtonText},        // clBtnText
    {QPalette::Active, QPalette::HighlightedText},   // clCaptionText
    {QPalette::Disabled, QPalette::Text},            // clGrayText
    {QPalette::Active, QPalette::Highlight},         // clHighlight
    {QPalette::Active, QPalette::HighlightedText},   // clHighlightText
    {QPalette::Inactive, QPalette::Window},          // clInactiveBorder
    {QPalette::Inactive, QPalette::Highlight},       // clInactiveCaption
    {QPalette::Inactive, QPalette::HighlightedText}, // clInactiveCaptionText
    {QPalette::Active, QPalette::Window},            // clMenu
    {QPalette::Active, QPalette::WindowText},        // clMenuText
    {QPalette::Active, QPalette::Midlight},          // clScrollBar
    {QPalette::Active, QPalette::Base},              // clWindow
    {QPalette::Active, QPalette::Shadow},            // clWindowFrame
    {QPalette::Active, QPalette::Text},              // clWindowText
};
} // namespace

namespace RepairStates {

QStringList colourNames()
{
    QStringList names;
    for (const char *n : Names)
        names.append(QString::fromLatin1(n));
    return names;
}

std::optional<QColor> colour(int index, const QPalette &palette)
{
    if (index < 0 || index >= ColourCount)
        return std::nullopt;
    if (index < 18)
        return QColor(Fixed[index]);
    const SystemColour &s = System[index - 18];
    return palette.color(s.group, s.role);
}

std::optional<QColor> colour(int index)
{
    return colour(index, QApplication::palette());
}

QList<State> all()
{
    QList<State> states;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT ID, Opisanie, Color FROM Status_Remont ORDER BY ID"))) {
        bool ok = false;
        const int c = r.value(QStringLiteral("Color")).toInt(&ok);
        states.append({r.value(QStringLiteral("ID")).toLongLong(), r.value(QStringLiteral("Opisanie")).toString(),
                       ok ? c : -1});
    }
    return states;
}

long long add(const QString &name, int colour)
{
    return NextNumber::insert(QStringLiteral("Status_Remont"), QStringLiteral("ID"), [&](long long id) {
        Db::execute(QStringLiteral("INSERT INTO Status_Remont (ID, Opisanie, Color) VALUES (?, ?, ?)"),
                    {id, name, colour});
    });
}

void update(long long id, const QString &name, int colour)
{
    Db::execute(QStringLiteral("UPDATE Status_Remont SET Opisanie = ?, Color = ? WHERE ID = ?"), {name, colour, id});
}

QString remove(long long id)
{
    WriteTransaction t;
    // checked inside the transaction: an intake accepted meanwhile keeps its state
    const QString user = ColumnRegistry::referencedBy(QStringLiteral("Status_Remont"), QStringLiteral("ID"), id);
    if (!user.isEmpty())
        return QStringLiteral("Състоянието е на приети за ремонт артикули и не може да бъде изтрито.");
    Db::execute(QStringLiteral("DELETE FROM Status_Remont WHERE ID = ?"), {id});
    t.commit();
    return {};
}

} // namespace RepairStates
