#include "shell/server_fields.h"

#include "platform/named.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

ServerFields::ServerFields(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ServerFields"));
    RadioButton_Papka = named(new QRadioButton(QStringLiteral("База данни в папката (един компютър)"), this),
                              "RadioButton_Papka");
    RadioButton_Server = named(
        new QRadioButton(QStringLiteral("База данни на сървър PostgreSQL (няколко компютъра)"), this),
        "RadioButton_Server");
    RadioButton_Papka->setChecked(true);
    Edit_Host = namedEdit(QStringLiteral("Edit_Host"), this);
    Edit_Port = namedEdit(QStringLiteral("Edit_Port"), this);
    Edit_Port->setText(QString::number(ServerConnection::DefaultPort));
    Edit_Port->setMaxLength(5);
    Edit_Database = namedEdit(QStringLiteral("Edit_Database"), this);
    Edit_User = namedEdit(QStringLiteral("Edit_User"), this);
    Label_Parola = named(new QLabel(QStringLiteral("Паролата не се пази в програмата: PostgreSQL я взема от файла "
                                                   "~/.pgpass на потребителя на компютъра или от променливата "
                                                   "PGPASSWORD. Папката пази файла за връзка Server.ini и "
                                                   "дърветата на групите."),
                                    this),
                         "Label_Parola");
    Label_Parola->setWordWrap(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Сървър:"), Edit_Host);
    form->addRow(QStringLiteral("Порт:"), Edit_Port);
    form->addRow(QStringLiteral("База данни:"), Edit_Database);
    form->addRow(QStringLiteral("Потребител:"), Edit_User);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RadioButton_Papka);
    layout->addWidget(RadioButton_Server);
    layout->addLayout(form);
    layout->addWidget(Label_Parola);
    connect(RadioButton_Server, &QRadioButton::toggled, this, &ServerFields::follow);
    follow();
}

void ServerFields::follow()
{
    const bool server = serverChosen();
    for (QWidget *w : {static_cast<QWidget *>(Edit_Host), static_cast<QWidget *>(Edit_Port),
                       static_cast<QWidget *>(Edit_Database), static_cast<QWidget *>(Edit_User),
                       static_cast<QWidget *>(Label_Parola)})
        w->setEnabled(server);
}

bool ServerFields::serverChosen() const
{
    return RadioButton_Server->isChecked();
}

std::optional<ServerConnection> ServerFields::connection(QString *problem) const
{
    ServerConnection c;
    c.host = Edit_Host->text().trimmed();
    bool number = false;
    c.port = Edit_Port->text().trimmed().toInt(&number);
    if (!number)
        c.port = 0;
    c.database = Edit_Database->text().trimmed();
    c.user = Edit_User->text().trimmed();
    const QString missing = c.problem();
    if (missing.isEmpty())
        return c;
    if (problem)
        *problem = QStringLiteral("Връзката със сървъра: ") + missing;
    return std::nullopt;
}

void ServerFields::showFolder(const QString &folder)
{
    const auto c = ServerConnection::existsIn(folder) ? ServerConnection::read(folder) : std::nullopt;
    // An unreadable connection file still names a server database.
    (ServerConnection::existsIn(folder) ? RadioButton_Server : RadioButton_Papka)->setChecked(true);
    if (!c)
        return;
    Edit_Host->setText(c->host);
    Edit_Port->setText(QString::number(c->port));
    Edit_Database->setText(c->database);
    Edit_User->setText(c->user);
}
