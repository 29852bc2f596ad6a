// The baseline of the start-up road: the start's own work done with Qt
// alone and nothing of ours. It opens the shop's database through Qt Sql
// (the driver and connection the benchmark hands it), reads the operators'
// names and paints a login form with them: a title, two labels, the names'
// list, a password edit and two buttons. It ends once that window has been
// painted, as the program's start-up road ends once its login window has.
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
class Login : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        // After this paint pass, not inside it.
        QTimer::singleShot(0, [] {
            std::fflush(nullptr);
            ::_exit(0);
        });
    }
};

QString env(const char *name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

[[noreturn]] void failWith(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    ::_exit(2);
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    QSqlDatabase db = QSqlDatabase::addDatabase(env("RAW_LOGIN_DRIVER"));
    db.setDatabaseName(env("RAW_LOGIN_DATABASE"));
    db.setHostName(env("RAW_LOGIN_HOST"));
    if (!env("RAW_LOGIN_PORT").isEmpty())
        db.setPort(env("RAW_LOGIN_PORT").toInt());
    db.setUserName(env("RAW_LOGIN_USER"));
    db.setPassword(env("RAW_LOGIN_PASSWORD"));
    db.setConnectOptions(env("RAW_LOGIN_OPTIONS"));
    if (!db.open())
        failWith(db.lastError().text());
    QStringList names;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT Ime FROM Operators ORDER BY ID")))
        failWith(q.lastError().text());
    while (q.next())
        names << q.value(0).toString();

    Login w;
    auto *title = new QLabel(QStringLiteral("ВЕНТАРОС"), &w);
    auto *operators = new QComboBox(&w);
    operators->addItems(names);
    auto *password = new QLineEdit(&w);
    password->setEchoMode(QLineEdit::Password);
    auto *grid = new QGridLayout(&w);
    grid->addWidget(title, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Оператор"), &w), 1, 0);
    grid->addWidget(operators, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Парола"), &w), 2, 0);
    grid->addWidget(password, 2, 1);
    grid->addWidget(new QPushButton(QStringLiteral("OK"), &w), 3, 0);
    grid->addWidget(new QPushButton(QStringLiteral("Cancel"), &w), 3, 1);
    w.show();
    password->setFocus();
    return app.exec();
}
