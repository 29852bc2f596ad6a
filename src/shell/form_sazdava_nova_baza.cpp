#include "shell/form_sazdava_nova_baza.h"

#include "common/program_folder.h"
#include "common/settings.h"
#include "common/tree_file.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/folder_tree.h"
#include "platform/named.h"
#include "app/data_module.h"
#include "app/long_operation.h"
#include "app/login_request.h"
#include "app/program_version.h"
#include "app/schema_version.h"
#include "app/statement_file.h"
#include "shell/server_fields.h"
#include "shell/version_check.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

TForm_Sazdava_Nova_Baza::TForm_Sazdava_Nova_Baza(QWidget *parent)
    : QDialog(parent)
    , m_mode(DatabaseFormMode)
{
    setObjectName(QStringLiteral("Form_Sazdava_Nova_Baza"));
    resize(760, 480);
    Label1 = new QLabel(QStringLiteral("Въведете името на новата база данни"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit_ime_baza = new QLineEdit(this);
    Edit_ime_baza->setObjectName(QStringLiteral("Edit_ime_baza"));
    DirectoryListBox1 = new FolderTree(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    Server_Fields = new ServerFields(this);
    Server_Fields->Label_Parola->setText(
        Server_Fields->Label_Parola->text()
        + QStringLiteral(" Базата данни на сървъра трябва вече да съществува и да е празна: създава я "
                         "администраторът на сървъра (README, \"Several machines\")."));
    BitBtn_OK = namedButton(QStringLiteral("BitBtn_OK"), QStringLiteral("Приеми"), this);
    BitBtn_OK->setDefault(true);
    BitBtn_Cancel = namedButton(QStringLiteral("BitBtn_Cancel"), QStringLiteral("Откажи"), this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);

    auto *left = new QVBoxLayout;
    left->addWidget(Label1);
    left->addWidget(Edit_ime_baza);
    left->addWidget(DirectoryListBox1, 1);
    left->addWidget(Server_Fields);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn_OK);
    buttons->addWidget(BitBtn_Cancel);
    left->addLayout(buttons);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(Memo1, 1);

    if (m_mode == 2) {
        setWindowTitle(QStringLiteral("Актуализация на база данни"));
        Label1->hide();
        Edit_ime_baza->hide();
        Server_Fields->hide();
        DirectoryListBox1->setCurrentFolder(ProgramFolder::programFile(QStringLiteral("SQLs")));
    } else {
        setWindowTitle(QStringLiteral("Създаване на нова база данни"));
        const QString current = DataModule1 && DataModule1->isOpen()
                                    ? DataModule1->databaseFolder()
                                    : ProgramFolder::path();
        DirectoryListBox1->setCurrentFolder(current);
    }

    connect(BitBtn_OK, &QPushButton::clicked, this, &TForm_Sazdava_Nova_Baza::BitBtn_OKClick);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_Sazdava_Nova_Baza::memo(const QString &line)
{
    Memo1->appendPlainText(line);
    // Painted at once: a run keeps its transaction open and lets no event run.
    Memo1->viewport()->repaint();
}

void TForm_Sazdava_Nova_Baza::BitBtn_OKClick()
{
    if (m_mode == 2)
        update();
    else
        createNew();
}

void TForm_Sazdava_Nova_Baza::createNew()
{
    const QString name = Edit_ime_baza->text().trimmed();
    if (name.isEmpty()) {
        Dialogs::message(QStringLiteral("Въведете името на новата база данни"), this);
        return;
    }
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name == QLatin1String(".")
        || name == QLatin1String("..")) {
        Dialogs::message(QStringLiteral("Името на базата данни не може да съдържа \"/\" или \"\\\"."),
                         this);
        return;
    }
    std::optional<ServerConnection> server;
    QString problem;
    if (Server_Fields->serverChosen() && !(server = Server_Fields->connection(&problem))) {
        Dialogs::message(problem, this);
        return;
    }
    const QString parentFolder = DirectoryListBox1->currentFolder();
    if (parentFolder.isEmpty() || !QDir(parentFolder).exists()) {
        Dialogs::message(QStringLiteral("Изберете папка, в която да бъде създадена базата данни."),
                         this);
        return;
    }
    const QString folder = QDir(parentFolder).filePath(name);
    if (QFileInfo::exists(folder)) {
        Dialogs::message(QStringLiteral("Папката ") + folder
                             + QStringLiteral(" вече съществува. Изберете друго име."),
                         this);
        return;
    }
    Memo1->clear();
    QString error;
    const bool ok = DataModule1->createInFolder(folder, &error, server, [this](const QString &l) { memo(l); });
    accept();
    if (ok) {
        memo(QString());
        memo(QStringLiteral("СЪЗДАВАНЕТО НА НОВАТА БАЗА ДАННИ ЗАВЪРШИ УСПЕШНО"));
        if (!DataModule1->switchAliasTo(folder))
            Dialogs::message(QStringLiteral("Неуспешна смяна на базата данни"), parentWidget());
    } else {
        memo(QString());
        memo(QStringLiteral("ГРЕШКА: "));
        memo(error);
        // The window closes: the error must not stay in its memo unseen.
        Dialogs::message(QStringLiteral("Неуспешно създаване на базата данни:\n") + error, parentWidget());
    }
    LoginRequest::request();
}

void TForm_Sazdava_Nova_Baza::update()
{
    Memo1->clear();
    // The update file of the open database's engine, by its name in the chosen folder.
    const QString file =
        QDir(DirectoryListBox1->currentFolder()).filePath(QFileInfo(TDataModule1::updateTablesFile()).fileName());
    // The main window's bar follows the statements; it shows before the
    // run's transaction opens, and a second press of "Приеми" must not start
    // a second run meanwhile.
    BitBtn_OK->setEnabled(false);
    BitBtn_Cancel->setEnabled(false);
    bool shown = false;
    const TDataModule1::Upgrade upgrade =
        DataModule1 ? DataModule1->upgradeDatabase(
                          file, [this](const QString &l) { memo(l); },
                          [&shown](int done, int total) {
                              if (done > 0) {
                                  LongOperation::move(done);
                                  return;
                              }
                              shown = true;
                              LongOperation::begin(total, QStringLiteral("Актуализация на база данни"));
                              LongOperation::setCancelEnabled(false);
                              LongOperation::step(0);
                          })
                    : TDataModule1::Upgrade{TDataModule1::Upgrade::NotOpen, 0, {}};
    if (shown)
        LongOperation::end();
    BitBtn_OK->setEnabled(true);
    BitBtn_Cancel->setEnabled(true);
    switch (upgrade.outcome) {
    case TDataModule1::Upgrade::NoFile:
        Dialogs::message(QStringLiteral("Не беше открит файл за актуализация"), this);
        return;
    case TDataModule1::Upgrade::NotOpen:
        Dialogs::message(QStringLiteral("Няма отворена база данни"), this);
        return;
    case TDataModule1::Upgrade::DatabaseNewer:
        Dialogs::message(VersionCheck::newerDatabaseText(upgrade.databaseVersion, ProgramVersion::databaseVersion()),
                         this);
        return;
    case TDataModule1::Upgrade::Done:
        Dialogs::message(QStringLiteral("АКТУАЛИЗАЦИЯТА НА БАЗА ДАННИ ЗАВЪРШИ УСПЕШНО"), this);
        break;
    case TDataModule1::Upgrade::Failed:
        Dialogs::message(QStringLiteral("Прекратена актуализация при изпълнението на \nОПЕРАЦИЯ: ")
                             + QString::number(upgrade.run.failedIndex) + QStringLiteral("\n:")
                             + upgrade.run.failedSql + QStringLiteral("\n") + upgrade.run.error,
                         this);
        break;
    }
    accept();
}
