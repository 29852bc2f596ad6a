#include "shell/about_box.h"

#include "app/program_version.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPixmap picture()
{
    QPixmap pm(360, 150);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 360, 150);
    g.setColorAt(0, QColor(18, 40, 90));
    g.setColorAt(1, QColor(40, 110, 170));
    p.fillRect(pm.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 60), 2));
    for (int i = 0; i < 6; ++i)
        p.drawEllipse(QPoint(300, 40), 20 + i * 18, 20 + i * 18);
    p.setPen(QColor(255, 220, 90));
    QFont f = p.font();
    f.setPointSize(12);
    p.setFont(f);
    p.drawText(QRect(16, 96, 330, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("магазин · сервиз · фискален сервиз"));
    return pm;
}
} // namespace

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("ЗА НАС"));
    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(picture());
    ProgramIcon->setAlignment(Qt::AlignCenter);
    ProductName = new QLabel(QStringLiteral("ВЕНТАРОС"), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont f = ProductName->font();
    f.setPointSizeF(f.pointSizeF() * 2);
    f.setBold(true);
    ProductName->setFont(f);
    ProductName->setAlignment(Qt::AlignCenter);
    Version = new QLabel(this);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setAlignment(Qt::AlignCenter);
    Copyright = new QLabel(QStringLiteral("Програма за управление на магазин и сервиз"), this);
    Copyright->setObjectName(QStringLiteral("Copyright"));
    Copyright->setAlignment(Qt::AlignCenter);
    Comments = new QLabel(QStringLiteral("За поддръжка се обърнете към доставчика на програмата"), this);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setAlignment(Qt::AlignCenter);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ProgramIcon);
    layout->addWidget(ProductName);
    layout->addWidget(Version);
    layout->addSpacing(8);
    layout->addWidget(Copyright);
    layout->addWidget(Comments);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    Version->setText(QStringLiteral("Ver.") + ProgramVersion::GETFILEVERSION());
}

void TAboutBox::showEvent(QShowEvent *event)
{
    Version->setText(QStringLiteral("Ver.") + ProgramVersion::GETFILEVERSION());
    QDialog::showEvent(event);
}
