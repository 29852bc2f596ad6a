#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QShowEvent;
class QTableView;
class QWidget;

// Pieces the report windows share.
namespace ReportParts {
QString money(double value); // "%*.*f" with width 4 and PriceDecimals
// The fixed list "равно", "по - малко", "по - голямо", "между", at "равно", disabled.
QComboBox *comparisonBox(QWidget *parent, const char *name);
// A date picker showing dd.MM.yyyy, at today.
QDateEdit *dateEdit(QWidget *parent, const char *name);
// Ticked: the list enabled and read anew by `read`, at its first item; a
// failed read says `failure` with the database's words. Unticked: disabled.
void fillWhenTicked(QCheckBox *box, QComboBox *list, const std::function<QStringList()> &read,
                    const QString &failure, QWidget *parent);
QStringList operatorNames(); // the operators' names, in ID order
} // namespace ReportParts

// A report window: its filters are reset each time it is shown, and the
// lower grid follows the upper one's current row when the arrow keys move it.
class ReportDialog : public QDialog
{
    Q_OBJECT
public:
    virtual void FormShow() = 0;

protected:
    explicit ReportDialog(QWidget *parent);
    void followArrowKeys(QTableView *grid, std::function<void()> moved);
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableView *m_followed = nullptr;
    std::function<void()> m_moved;
};
