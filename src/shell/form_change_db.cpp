#include "shell/form_change_db.h"

#include "platform/dialogs.h"
#include "platform/folder_tree.h"
#include "platform/named.h"
#include "app/data_module.h"
#include "app/login_request.h"
#include "shell/server_fields.h"
#include "shell/version_check.h"

#include <QHBoxLayout>
#include <QRadioButton>
#include <QPushButton>
#include <QVBoxLayout>

TForm_Change_DB::TForm_Change_DB(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Change_DB"));
    setWindowTitle(QStringLiteral("Смяна на работна база "));
    resize(460, 640);
    DirectoryListBox1 = new FolderTree(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    Server_Fields = new ServerFields(this);
    connect(DirectoryListBox1, &FolderTree::folderChosen, Server_Fields, &ServerFields::showFolder);
    BitBtn_OK = namedButton(QStringLiteral("BitBtn_OK"), QStringLiteral("Приеми"), this);
    BitBtn_OK->setDefault(true);
    BitBtn_Cancel = namedButton(QStringLiteral("BitBtn_Cancel"), QStringLiteral("Откажи"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn_OK);
    buttons->addWidget(BitBtn_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DirectoryListBox1, 1);
    layout->addWidget(Server_Fields);
    layout->addLayout(buttons);

    connect(BitBtn_OK, &QPushButton::clicked, this, &TForm_Change_DB::BitBtn_OKClick);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_Change_DB::showEvent(QShowEvent *event)
{
    if (DataModule1)
        DirectoryListBox1->setCurrentFolder(DataModule1->databaseFolder());
    QDialog::showEvent(event);
}

void TForm_Change_DB::BitBtn_OKClick()
{
    const QString chosen = DirectoryListBox1->currentFolder();
    QString why;
    std::optional<ServerConnection> server;
    // What the fields lack is told with the window still open.
    if (Server_Fields->serverChosen())
        server = Server_Fields->connection(&why);
    else if (ServerConnection::existsIn(chosen))
        why = QStringLiteral("В папката има файл за връзка със сървъра ") + QLatin1String(ServerConnection::FileName)
              + QStringLiteral(": изберете \"") + Server_Fields->RadioButton_Server->text() + QStringLiteral("\".");
    if (!why.isEmpty()) {
        Dialogs::message(why, this);
        return;
    }
    // The old database stays open until the new one is known to work.
    const bool switched = DataModule1 && !chosen.isEmpty()
                          && (server ? DataModule1->switchToServer(chosen, *server, &why)
                                     : DataModule1->switchAliasTo(chosen, &why));
    if (switched) {
        accept();
        VersionCheck::run(this->parentWidget());
        LoginRequest::request();
        return;
    }
    accept();
    const QString failed = QStringLiteral("Неуспешна смяна на базата данни");
    Dialogs::message(why.isEmpty() ? failed : failed + QStringLiteral(":\n") + why, parentWidget());
}
