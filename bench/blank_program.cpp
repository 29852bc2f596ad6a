// The baseline of the start-up road: a Qt Widgets program with nothing of
// ours, a QApplication and one QWidget. It ends once its window has been
// painted, as the program's start-up road ends once its login window has.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

class Blank : public QWidget
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

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Blank w;
    w.resize(400, 200);
    w.show();
    return app.exec();
}
