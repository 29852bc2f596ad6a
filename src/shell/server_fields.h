#pragma once
#include <QWidget>

#include "platform/db/server_connection.h"

#include <optional>

class QLabel;
class QLineEdit;
class QRadioButton;

// The kind of database of the database windows: a SQLite file in the chosen
// folder, or a database on a PostgreSQL server that the folder's connection
// file names (host, port, database, user; the password never: libpq reads it
// from ~/.pgpass or PGPASSWORD).
class ServerFields : public QWidget
{
    Q_OBJECT
public:
    explicit ServerFields(QWidget *parent = nullptr);

    QRadioButton *RadioButton_Papka;
    QRadioButton *RadioButton_Server;
    QLineEdit *Edit_Host;
    QLineEdit *Edit_Port;
    QLineEdit *Edit_Database;
    QLineEdit *Edit_User;
    QLabel *Label_Parola;

    bool serverChosen() const;
    // The connection the fields give; `problem` gets what is missing, in Bulgarian.
    std::optional<ServerConnection> connection(QString *problem) const;
    // The kind and fields follow the folder: its connection file when it has
    // one, the SQLite kind otherwise (typed fields stay for a later choice).
    void showFolder(const QString &folder);

private:
    void follow();
};
