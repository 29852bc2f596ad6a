#include "platform/script.h"

#include <QDialog>
#include <QQueue>

namespace {
struct State {
    bool active = false;
    QQueue<QVariant> answers;
    QList<PlatformScript::Event> events;
    std::function<int(QDialog *)> modal;
};
State &state()
{
    static State s;
    return s;
}
} // namespace

void PlatformScript::activate()
{
    state() = State{};
    state().active = true;
}

void PlatformScript::deactivate()
{
    state() = State{};
}

bool PlatformScript::isActive()
{
    return state().active;
}

void PlatformScript::answer(const QVariant &value)
{
    state().answers.enqueue(value);
}

void PlatformScript::clearAnswers()
{
    state().answers.clear();
}

int PlatformScript::pendingAnswers()
{
    return state().answers.size();
}

QList<PlatformScript::Event> PlatformScript::events()
{
    return state().events;
}

QStringList PlatformScript::texts(const QString &kind)
{
    QStringList out;
    for (const Event &e : state().events)
        if (e.kind == kind)
            out.append(e.text);
    return out;
}

void PlatformScript::clearEvents()
{
    state().events.clear();
}

bool PlatformScript::takeAnswer(QVariant *value)
{
    if (state().answers.isEmpty())
        return false;
    *value = state().answers.dequeue();
    return true;
}

void PlatformScript::record(const Event &event)
{
    state().events.append(event);
}

void PlatformScript::setModalHandler(std::function<int(QDialog *)> handler)
{
    state().modal = std::move(handler);
}

int PlatformScript::runModal(QDialog *dialog)
{
    record({QStringLiteral("modal"), dialog->objectName(), {}, QVariant()});
    if (!state().modal)
        return QDialog::Rejected;
    return state().modal(dialog);
}
