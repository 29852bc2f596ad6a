#include "repair/report_rows.h"

#include "documents/report_filter.h"
#include "documents/report_parts.h"
#include "platform/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace ReportRows {
DateRow dateRow(QWidget *parent, const QString &caption, const char *box, const char *comparison, const char *from,
                const char *to)
{
    DateRow r;
    r.box = named(new QCheckBox(caption, parent), box);
    r.comparison = ReportParts::comparisonBox(parent, comparison);
    r.from = ReportParts::dateEdit(parent, from);
    r.toCaption = new QLabel(QStringLiteral("До"), parent);
    r.to = ReportParts::dateEdit(parent, to);
    r.boxClicked();
    return r;
}

void DateRow::boxClicked()
{
    const bool on = box->isChecked();
    comparison->setCurrentIndex(ReportFilter::Equal);
    from->setDate(QDate::currentDate());
    to->setDate(QDate::currentDate());
    comparison->setEnabled(on);
    from->setEnabled(on);
    to->setEnabled(on);
    comparisonChanged();
}

void DateRow::comparisonChanged()
{
    const bool between = comparison->currentIndex() == ReportFilter::Between;
    toCaption->setVisible(between);
    to->setVisible(between);
}

WarrantyReports::DateFilter DateRow::filter() const
{
    return {box->isChecked(), comparison->currentIndex(), from->date(), to->date()};
}

void DateRow::place(QGridLayout *grid, int row)
{
    grid->addWidget(box, row, 0);
    grid->addWidget(comparison, row, 1);
    grid->addWidget(from, row, 2);
    grid->addWidget(toCaption, row, 3, Qt::AlignRight);
    grid->addWidget(to, row, 4);
}

TextRow textRow(QWidget *parent, const QString &caption, const char *box, const char *edit, const char *part)
{
    TextRow r;
    r.box = named(new QCheckBox(caption, parent), box);
    r.edit = namedEdit(QString::fromLatin1(edit), parent);
    if (part)
        r.part = named(new QCheckBox(QStringLiteral("Търси част"), parent), part);
    r.boxClicked();
    return r;
}

void TextRow::boxClicked()
{
    const bool on = box->isChecked();
    edit->clear();
    edit->setEnabled(on);
    if (part)
        part->setEnabled(on);
    if (on)
        edit->setFocus();
}

WarrantyReports::TextFilter TextRow::filter() const
{
    return {box->isChecked(), edit->text(), part && part->isChecked()};
}

void TextRow::place(QGridLayout *grid, int row)
{
    grid->addWidget(box, row, 0);
    grid->addWidget(edit, row, 1, 1, part ? 2 : 4);
    if (part)
        grid->addWidget(this->part, row, 3, 1, 2);
}

bool pickWhenTicked(QCheckBox *box, QLabel *label, const QString &none, bool &picked,
                    const std::function<void()> &open)
{
    if (box->isChecked()) {
        picked = false;
        open();
        if (picked) {
            label->setEnabled(true);
            return true;
        }
        box->setChecked(false); // nothing was picked
    }
    label->setEnabled(false);
    label->setText(none);
    return false;
}
} // namespace ReportRows
