#pragma once
#include "repair/warranty_reports.h"

#include <QDate>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

// The filter rows the two service reports share: a date compared in one of
// the four ways, and a text searched whole or as a part.
namespace ReportRows {
struct DateRow {
    QCheckBox *box = nullptr;
    QComboBox *comparison = nullptr;
    QDateEdit *from = nullptr;
    QLabel *toCaption = nullptr;
    QDateEdit *to = nullptr;

    // Ticking resets the comparison to "равно" and both dates to today.
    void boxClicked();
    void comparisonChanged(); // the second date only for "между"
    WarrantyReports::DateFilter filter() const;
    void place(QGridLayout *grid, int row);
};
DateRow dateRow(QWidget *parent, const QString &caption, const char *box, const char *comparison, const char *from,
                const char *to);

struct TextRow {
    QCheckBox *box = nullptr;
    QLineEdit *edit = nullptr;
    QCheckBox *part = nullptr; // "Търси част", when the row has one

    void boxClicked(); // on: enabled, emptied and focused; off: emptied
    WarrantyReports::TextFilter filter() const;
    void place(QGridLayout *grid, int row);
};
TextRow textRow(QWidget *parent, const QString &caption, const char *box, const char *edit, const char *part);

// A tick box that opens a pick list: `open` sets `picked` when a record was
// taken. Kept ticked with the label enabled only then; otherwise unticked,
// the label disabled and showing `none`. Returns whether it stays ticked.
bool pickWhenTicked(QCheckBox *box, QLabel *label, const QString &none, bool &picked,
                    const std::function<void()> &open);
} // namespace ReportRows
