#pragma once
#include <QString>

class QComboBox;
class QDateEdit;
class QWidget;

// Pieces the report windows share.
namespace ReportParts {
// The search indicator runs while a report's query does.
struct SearchIndicator {
    SearchIndicator();
    ~SearchIndicator();
};
QString money(double value); // "%*.*f" with width 4 and PriceDecimals
// The fixed list "равно", "по - малко", "по - голямо", "между", at "равно", disabled.
QComboBox *comparisonBox(QWidget *parent, const char *name);
// A date picker showing dd.MM.yyyy, at today.
QDateEdit *dateEdit(QWidget *parent, const char *name);
} // namespace ReportParts
