#include "shell/form_change_db.h"

#include "platform/dialogs.h"
#include "platform/folder_tree.h"
#include "platform/named.h"
#include "app/data_module.h"
#include "app/login_request.h"
#include "shell/version_check.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TForm_Change_DB::TForm_Change_DB(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_Change_DB"));
    setWindowTitle(QStringLiteral("Смяна на работна база "));
    resize(420, 460);
    DirectoryListBox1 = new FolderTree(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    BitBtn_OK = namedButton(QStringLiteral("BitBtn_OK"), QStringLiteral("Приеми"), this);
    BitBtn_OK->setDefault(true);
    BitBtn_Cancel = namedButton(QStringLiteral("BitBtn_Cancel"), QStringLiteral("Откажи"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn_OK);
    buttons->addWidget(BitBtn_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DirectoryListBox1);
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
    // The old database stays open until the new one is known to work.
    if (DataModule1 && !chosen.isEmpty() && DataModule1->switchAliasTo(chosen, &why)) {
        accept();
        VersionCheck::run(this->parentWidget());
        LoginRequest::request();
        return;
    }
    accept();
    const QString failed = QStringLiteral("Неуспешна смяна на базата данни");
    Dialogs::message(why.isEmpty() ? failed : failed + QStringLiteral(":\n") + why, parentWidget());
}
