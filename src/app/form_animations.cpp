#include "app/form_animations.h"

#include <QLabel>
#include <QMovie>
#include <QVBoxLayout>

QPointer<TForm_Animations> Form_Animations;

TForm_Animations::TForm_Animations(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form_Animations"));
    setWindowTitle(QStringLiteral("Търсене..."));
    Animate1 = new QLabel(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Animate1);
}

bool TForm_Animations::play(const QString &clipFile)
{
    if (!m_movie || m_movie->fileName() != clipFile) {
        delete m_movie;
        m_movie = new QMovie(clipFile, QByteArray(), this);
        m_movie->setCacheMode(QMovie::CacheAll);
        Animate1->setMovie(m_movie);
    }
    if (!m_movie->isValid())
        return false;
    // From its first frame again, also after a stop that left it near the end.
    m_movie->stop();
    m_movie->jumpToFrame(0);
    m_movie->start();
    const QSize frame = m_movie->currentPixmap().size();
    if (!frame.isEmpty())
        setFixedSize(frame);
    return true;
}

void TForm_Animations::stopNearEnd()
{
    if (!m_movie)
        return;
    m_movie->stop();
    // The clip rests on frame (count - 1) counted from 1.
    const int count = m_movie->frameCount();
    m_movie->jumpToFrame(qMax(0, count - 2));
}
