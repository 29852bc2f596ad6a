#include "platform/dialogs.h"

#include "common/notice.h"
#include "platform/db/transaction.h"
#include "platform/script.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace {
QWidget *owner(QWidget *parent)
{
    return parent ? parent : QApplication::activeWindow();
}

const QString kTitle = QStringLiteral("ВЕНТАРОС");

// A dialog during an open write transaction would hold every other
// workstation's writes while the user reads it.
void guard(const QString &text)
{
    if (WriteTransaction::anyOpen())
        qWarning("dialog shown inside a write transaction: %s", qPrintable(text));
}

QVariant scripted(const QString &kind, const QString &text, const QVariant &fallback,
                  const QStringList &args = {})
{
    QVariant value;
    if (!PlatformScript::takeAnswer(&value))
        value = fallback;
    PlatformScript::record({kind, text, args, value});
    return value;
}

QMessageBox *box(QMessageBox::Icon icon, const QString &text, QWidget *parent,
                 QMessageBox::StandardButtons buttons = QMessageBox::NoButton)
{
    auto *b = new QMessageBox(icon, kTitle, text, buttons, owner(parent));
    b->setTextFormat(Qt::PlainText);
    b->setAttribute(Qt::WA_DeleteOnClose, false);
    // The answers in Bulgarian whatever translations the desktop has.
    const std::pair<QMessageBox::StandardButton, const char *> captions[] = {
        {QMessageBox::Yes, "Да"}, {QMessageBox::No, "Не"}, {QMessageBox::Cancel, "Отказ"},
        {QMessageBox::Ok, "OK"}};
    for (const auto &[button, caption] : captions)
        if (QAbstractButton *w = b->button(button))
            w->setText(QString::fromUtf8(caption));
    return b;
}
} // namespace

// Messages of the value checks below this layer reach the user as message boxes.
[[maybe_unused]] static const bool noticeRegistered = (Notice::setHandler([](const QString &text) { Dialogs::message(text); }), true);

void Dialogs::message(const QString &text, QWidget *parent)
{
    guard(text);
    if (PlatformScript::isActive()) {
        scripted(QStringLiteral("message"), text, QVariant());
        return;
    }
    std::unique_ptr<QMessageBox> b(box(QMessageBox::Information, text, parent, QMessageBox::Ok));
    b->exec();
}

bool Dialogs::yesNo(const QString &text, QWidget *parent)
{
    guard(text);
    if (PlatformScript::isActive()) {
        const QVariant v = scripted(QStringLiteral("yesNo"), text, false);
        return v.typeId() == QMetaType::Bool ? v.toBool() : v.toString() == QLatin1String("yes");
    }
    std::unique_ptr<QMessageBox> b(
        box(QMessageBox::Question, text, parent, QMessageBox::Yes | QMessageBox::No));
    b->setDefaultButton(QMessageBox::Yes);
    return b->exec() == QMessageBox::Yes;
}

Dialogs::Answer Dialogs::yesNoCancel(const QString &text, QWidget *parent)
{
    guard(text);
    if (PlatformScript::isActive()) {
        const QVariant v = scripted(QStringLiteral("yesNoCancel"), text, QStringLiteral("cancel"));
        const QString s = v.typeId() == QMetaType::Bool ? (v.toBool() ? QStringLiteral("yes")
                                                                      : QStringLiteral("no"))
                                                        : v.toString();
        return s == QLatin1String("yes") ? Answer::Yes
               : s == QLatin1String("no") ? Answer::No
                                          : Answer::Cancel;
    }
    std::unique_ptr<QMessageBox> b(box(QMessageBox::Question, text, parent,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
    switch (b->exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

int Dialogs::choose(const QString &text, const QStringList &buttons, QWidget *parent)
{
    guard(text);
    if (PlatformScript::isActive())
        return scripted(QStringLiteral("choose"), text, -1, buttons).toInt();
    std::unique_ptr<QMessageBox> b(box(QMessageBox::Question, text, parent));
    QList<QAbstractButton *> added;
    for (const QString &caption : buttons)
        added.append(b->addButton(caption, QMessageBox::AcceptRole));
    b->exec();
    return int(added.indexOf(b->clickedButton()));
}

bool Dialogs::inputText(const QString &title, const QString &label, QString *value, QWidget *parent,
                        bool password)
{
    guard(label);
    if (PlatformScript::isActive()) {
        const QVariant v = scripted(QStringLiteral("input"), label, QVariant());
        if (!v.isValid() || v.isNull())
            return false;
        *value = v.toString();
        return true;
    }
    QInputDialog input(owner(parent));
    input.setWindowTitle(title);
    input.setLabelText(label);
    input.setTextEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
    input.setTextValue(*value);
    input.setOkButtonText(QStringLiteral("OK"));
    input.setCancelButtonText(QStringLiteral("Отказ"));
    if (input.exec() != QDialog::Accepted)
        return false;
    *value = input.textValue();
    return true;
}

QString Dialogs::openFile(const QString &title, const QString &filter, const QString &folder,
                          QWidget *parent)
{
    guard(title);
    if (PlatformScript::isActive())
        return scripted(QStringLiteral("openFile"), title, QString(), {filter, folder}).toString();
    return QFileDialog::getOpenFileName(owner(parent), title, folder, filter);
}

QString Dialogs::saveFile(const QString &title, const QString &filter, const QString &folder,
                          QWidget *parent)
{
    guard(title);
    if (PlatformScript::isActive())
        return scripted(QStringLiteral("saveFile"), title, QString(), {filter, folder}).toString();
    return QFileDialog::getSaveFileName(owner(parent), title, folder, filter);
}

QString Dialogs::chooseFolder(const QString &title, const QString &folder, QWidget *parent)
{
    guard(title);
    if (PlatformScript::isActive())
        return scripted(QStringLiteral("chooseFolder"), title, QString(), {folder}).toString();
    return QFileDialog::getExistingDirectory(owner(parent), title, folder);
}

int Dialogs::exec(QDialog *dialog)
{
    if (PlatformScript::isActive())
        return PlatformScript::runModal(dialog);
    return dialog->exec();
}
