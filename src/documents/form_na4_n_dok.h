#pragma once
#include <QAbstractTableModel>
#include <QDialog>

class QTableView;

// The registered documents as the start-number window edits them: the name
// is read-only, the number and the where-used text are written alone, by the
// document's ID, as soon as a cell is committed. No row is added or deleted.
class DocumentNumbersModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DocumentNumbersModel(QObject *parent = nullptr);
    enum Column { Opisanie = 0, N_Dok = 1, Kade_se_izpolzva = 2 };

    bool reload(QString *error); // false with the reason
    void release();
    long long documentId(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // An edit by the user: checked, written, or refused with a message.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    struct Row {
        long long id = 0;
        QString opisanie;
        QString nDok;
        QString kade;
    };
    QList<Row> m_rows;
};

// "Установяване на начален номер за документ": the number the next numbered
// printout of each document carries; "0" stops numbering and logging.
class TForm_Na4_N_Dok : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Na4_N_Dok(QWidget *parent = nullptr);

    QTableView *DBGrid1;
    DocumentNumbersModel *model() const { return m_model; }

    void FormShow();
    void done(int result) override; // FormClose

    // N64: a new window owned by `owner`, shown modally.
    static void N64Click(QWidget *owner);

protected:
    void showEvent(QShowEvent *event) override;

private:
    DocumentNumbersModel *m_model;
};
