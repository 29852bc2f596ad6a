#include "common/program_folder.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/file_systems.h"
#include "platform/script.h"
#include "platform/shell_exec.h"
#include "test_registry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QDialog>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
class Throwing : public QObject
{
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("нещо се обърка");
        return QObject::event(e);
    }
};
} // namespace

class PlatformLayer : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void init()
    {
        ProgramFolder::setPath(m_dir.path());
        PlatformScript::activate();
    }
    void cleanup() { PlatformScript::deactivate(); }

    void scriptedDialogsTakeAnswersInOrder()
    {
        PlatformScript::answer(true);
        PlatformScript::answer(QStringLiteral("cancel"));
        PlatformScript::answer(QStringLiteral("Иван"));
        QVERIFY(Dialogs::yesNo(QStringLiteral("Въпрос?")));
        QCOMPARE(Dialogs::yesNoCancel(QStringLiteral("Три?")), Dialogs::Answer::Cancel);
        QString typed = QStringLiteral("x");
        QVERIFY(Dialogs::inputText(QStringLiteral("Адрес"), QStringLiteral("IP:"), &typed));
        QCOMPARE(typed, QStringLiteral("Иван"));
        // Nothing queued: the safe answer
        QVERIFY(!Dialogs::yesNo(QStringLiteral("Изтриване?")));
        QCOMPARE(Dialogs::choose(QStringLiteral("?"), {QStringLiteral("А"), QStringLiteral("Б")}), -1);
        QVERIFY(!Dialogs::inputText(QStringLiteral("t"), QStringLiteral("l"), &typed));
        Dialogs::message(QStringLiteral("<b>не е HTML</b>"));
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("<b>не е HTML</b>")});
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 2);
    }

    void programsAndFilesAreRecordedNotStarted()
    {
        QVERIFY(ShellExec::startProgram(QStringLiteral("/bin/false"), {QStringLiteral("a")}));
        QVERIFY(ShellExec::openFile(QStringLiteral("/tmp/x.txt")));
        const auto events = PlatformScript::events();
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].kind, QStringLiteral("startProgram"));
        QCOMPARE(events[0].args, QStringList{QStringLiteral("a")});
        QCOMPARE(events[1].text, QStringLiteral("/tmp/x.txt"));
    }

    void modalWindowsGoToTheHandler()
    {
        QDialog d;
        d.setObjectName(QStringLiteral("Form_X"));
        QCOMPARE(Dialogs::exec(&d), int(QDialog::Rejected));
        PlatformScript::setModalHandler([](QDialog *dlg) {
            return dlg->objectName() == QLatin1String("Form_X") ? int(QDialog::Accepted) : -1;
        });
        QCOMPARE(Dialogs::exec(&d), int(QDialog::Accepted));
        QCOMPARE(PlatformScript::texts(QStringLiteral("modal")).size(), 2);
    }

    // The real message box, not the script: markup in a text is shown as typed.
    void realMessageBoxShowsMarkupAsText()
    {
        PlatformScript::deactivate();
        const QString text = QStringLiteral("<b>не е HTML</b> & <i>курсив</i>");
        for (int kind = 0; kind < 2; ++kind) {
            QString shown;
            int format = -1;
            bool seen = false;
            QTimer::singleShot(0, this, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                seen = true;
                if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
                    shown = label->text();
                    format = int(label->textFormat());
                }
                box->buttons().first()->click();
            });
            if (kind == 0)
                Dialogs::message(text);
            else
                Dialogs::yesNo(text);
            QVERIFY(seen);
            QCOMPARE(shown, text);
            QCOMPARE(format, int(Qt::PlainText));
        }
    }

    void uncaughtExceptionGoesToTheLogOnly()
    {
        Throwing target;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&target, &event);
        QCoreApplication::sendEvent(&target, &event);
        QFile log(ExceptionLog::filePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        static const QRegularExpression form(QStringLiteral(
            "^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d:std::runtime_error: !нещо се обърка!$"));
        QVERIFY2(form.match(lines[0]).hasMatch(), qPrintable(lines[0]));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).isEmpty()); // shown to nobody
    }

    void fileSystemOfAFolderIsTheLongestMountHoldingIt()
    {
        // As /proc/self/mountinfo writes them: optional fields before "-",
        // a space in a mount point as \040, a later mount over an earlier one.
        const QByteArray table =
            "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
            "40 22 0:40 / /srv/shop rw,relatime shared:20 master:3 - nfs4 nas:/shop rw,vers=4.2\n"
            "41 22 0:41 / /mnt/Магазин\\040Две rw - cifs //nas/two rw\n"
            "42 22 0:42 / /home/kasa/remote rw - fuse.sshfs kasa@nas:/ rw\n"
            "43 40 0:43 / /srv/shop/local rw - ext4 /dev/sdb1 rw\n"
            "44 22 0:44 / /srv/shop rw - tmpfs tmpfs rw\n"
            "broken line\n";
        const struct {
            const char *path;
            const char *type;
        } cases[] = {
            {"/", "ext4"},
            {"/srv/shopping", "ext4"},
            {"/srv/shop/local/Data", "ext4"},
            {"/srv/shop/Data", "tmpfs"},
            {"/mnt/Магазин Две/Data", "cifs"},
            {"/home/kasa/remote/Data", "fuse.sshfs"},
        };
        for (const auto &c : cases)
            QCOMPARE(FileSystems::typeInMountTable(table, QString::fromUtf8(c.path)), QString::fromLatin1(c.type));
        QCOMPARE(FileSystems::typeInMountTable({}, QStringLiteral("/x")), QString());

        for (const char *network : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "afs", "coda", "ncpfs", "ceph", "fuse.sshfs"})
            QVERIFY2(FileSystems::isNetworkType(QString::fromLatin1(network)), network);
        for (const char *local : {"ext4", "xfs", "btrfs", "tmpfs", "overlay", "fuse.gvfsd-fuse", "9p", ""})
            QVERIFY2(!FileSystems::isNetworkType(QString::fromLatin1(local)), local);

        // The kernel's answer for a folder of this machine, also one still to be made.
        const QString here = FileSystems::typeOf(m_dir.path());
        QVERIFY(!here.isEmpty());
        QVERIFY2(!FileSystems::isNetworkType(here), qPrintable(here));
        QCOMPARE(FileSystems::typeOf(m_dir.filePath(QStringLiteral("a/b"))), here);
        FileSystems::setTypeHook([](const QString &) { return QStringLiteral("nfs"); });
        QCOMPARE(FileSystems::typeOf(m_dir.path()), QStringLiteral("nfs"));
        FileSystems::setTypeHook({});
    }
};
VTEST(PlatformLayer)

#include "test_platform_layer.moc"
