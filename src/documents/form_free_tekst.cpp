#include "documents/form_free_tekst.h"

#include "platform/dialogs.h"
#include "platform/named.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

QString FreeTextCaption;

TForm_Free_Tekst::TForm_Free_Tekst(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form_Free_Tekst"));
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *panel = named(new QFrame(this), "Panel1");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    outer->addWidget(panel);
    auto *row = new QHBoxLayout(panel);
    Edit1 = namedEdit(QStringLiteral("Edit1"), panel);
    Edit1->setText(QStringLiteral("Въведете свободен текст"));
    Button1 = named(new QPushButton(QStringLiteral("ПРИЕМИ"), panel), "Button1");
    Button1->setDefault(true);
    row->addWidget(Edit1, 1);
    row->addWidget(Button1);
    setFixedSize(358, 65);
    connect(Button1, &QPushButton::clicked, this, &TForm_Free_Tekst::Button1Click);
}

void TForm_Free_Tekst::Button1Click()
{
    FreeTextCaption = Edit1->text();
    accept();
}

void TForm_Free_Tekst::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Edit1->setFocus();
    Edit1->selectAll();
}

TForm_Free_Tekst *TForm_Free_Tekst::instance()
{
    static QPointer<TForm_Free_Tekst> form;
    if (!form) {
        form = new TForm_Free_Tekst;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, form.data(), &QObject::deleteLater);
    }
    return form;
}

bool TForm_Free_Tekst::ask(const QString &preset, QString *text)
{
    TForm_Free_Tekst *form = instance();
    form->Edit1->setText(preset);
    if (Dialogs::exec(form) != QDialog::Accepted)
        return false;
    *text = form->Edit1->text();
    return true;
}
