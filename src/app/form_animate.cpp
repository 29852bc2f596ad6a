#include "app/form_animate.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<TForm_Animate> Form_Animate;
int VideoFrameCounter = 0;

TForm_Animate::TForm_Animate(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form_Animate"));
    setWindowTitle(QStringLiteral("ВИДЕО ПОМОЩ"));
    Animate1 = new QLabel(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setAlignment(Qt::AlignCenter);
    Animate1->setTextFormat(Qt::PlainText);
    Animate1->setWordWrap(true);
    Animate1->setMinimumSize(320, 200);

    BitBtn_Pause = new QPushButton(QStringLiteral("Стоп"), this);
    BitBtn_Pause->setObjectName(QStringLiteral("BitBtn_Pause"));
    SpdBtn_Left = new QToolButton(this);
    SpdBtn_Left->setObjectName(QStringLiteral("SpdBtn_Left"));
    SpdBtn_Left->setToolTip(QStringLiteral("Предишен"));
    SpdBtn_Left->setArrowType(Qt::LeftArrow);
    SpdBtn_Rigth = new QToolButton(this);
    SpdBtn_Rigth->setObjectName(QStringLiteral("SpdBtn_Rigth"));
    SpdBtn_Rigth->setToolTip(QStringLiteral("Следващ"));
    SpdBtn_Rigth->setArrowType(Qt::RightArrow);
    BitBtn_Cancel = new QPushButton(QStringLiteral("Отказ"), this);
    BitBtn_Cancel->setObjectName(QStringLiteral("BitBtn_Cancel"));

    auto *panel = new QHBoxLayout;
    panel->addWidget(BitBtn_Pause);
    panel->addWidget(SpdBtn_Left);
    panel->addWidget(SpdBtn_Rigth);
    panel->addStretch();
    panel->addWidget(BitBtn_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Animate1, 1);
    layout->addLayout(panel);

    connect(BitBtn_Pause, &QPushButton::clicked, this, &TForm_Animate::BitBtn_PauseClick);
    connect(SpdBtn_Left, &QToolButton::clicked, this, &TForm_Animate::SpdBtn_LeftClick);
    connect(SpdBtn_Rigth, &QToolButton::clicked, this, &TForm_Animate::SpdBtn_RigthClick);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &TForm_Animate::BitBtn_CancelClick);
}

bool TForm_Animate::setClip(const QString &clipFile)
{
    m_clip = clipFile;
    Animate1->setMovie(nullptr);
    delete m_movie;
    m_movie = nullptr;
    bool ok = QFileInfo::exists(clipFile);
    if (ok) {
        m_movie = new QMovie(clipFile, QByteArray(), this);
        // Every frame kept, so stepping back shows exactly the frame asked for.
        m_movie->setCacheMode(QMovie::CacheAll);
        ok = m_movie->isValid();
    }
    for (QWidget *w : {static_cast<QWidget *>(BitBtn_Pause), static_cast<QWidget *>(SpdBtn_Left),
                       static_cast<QWidget *>(SpdBtn_Rigth)})
        w->setEnabled(ok);
    if (!ok) {
        delete m_movie;
        m_movie = nullptr;
        Animate1->setText(QStringLiteral("Видео помощта не е намерена:\n") + clipFile);
        return false;
    }
    Animate1->setText(QString());
    Animate1->setMovie(m_movie);
    return true;
}

void TForm_Animate::startClip()
{
    if (!m_movie)
        return;
    if (m_movie->state() == QMovie::Paused)
        m_movie->setPaused(false);
    else if (m_movie->state() == QMovie::NotRunning)
        m_movie->start();
    BitBtn_Pause->setText(QStringLiteral("Стоп"));
}

void TForm_Animate::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    startClip();
    QDialog::showEvent(event);
}

void TForm_Animate::keyPressEvent(QKeyEvent *event)
{
    // Esc pauses and resumes the clip; the window closes through "Отказ".
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        BitBtn_PauseClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm_Animate::BitBtn_PauseClick()
{
    if (!m_movie)
        return;
    if (m_movie->state() == QMovie::Running) {
        m_movie->setPaused(true);
        BitBtn_Pause->setText(QStringLiteral("Старт"));
    } else {
        startClip();
    }
}

void TForm_Animate::showFrame(int frame)
{
    if (!m_movie)
        return;
    if (m_movie->state() == QMovie::Running)
        m_movie->setPaused(true);
    m_movie->jumpToFrame(frame - 1);
    BitBtn_Pause->setText(QStringLiteral("Старт"));
}

void TForm_Animate::SpdBtn_LeftClick()
{
    if (VideoFrameCounter > 1) {
        --VideoFrameCounter;
        showFrame(VideoFrameCounter);
        SpdBtn_Rigth->setEnabled(true);
    } else {
        SpdBtn_Left->setEnabled(false);
    }
}

void TForm_Animate::SpdBtn_RigthClick()
{
    if (m_movie && m_movie->frameCount() > VideoFrameCounter) {
        ++VideoFrameCounter;
        showFrame(VideoFrameCounter);
        SpdBtn_Left->setEnabled(true);
    } else {
        SpdBtn_Rigth->setEnabled(false);
    }
}

void TForm_Animate::BitBtn_CancelClick()
{
    reject();
}
