#include "counterparties/counterparty_editor.h"

#include "counterparties/form_klienti.h"

#include <QPointer>

namespace {
CounterpartyEditor::Opener &discountsOpener()
{
    static CounterpartyEditor::Opener opener;
    return opener;
}

TForm_Klienti *editorFor(QWidget *browser)
{
    if (browser) {
        if (auto *existing = browser->findChild<TForm_Klienti *>(QString(), Qt::FindDirectChildrenOnly))
            return existing;
        return new TForm_Klienti(browser);
    }
    static QPointer<TForm_Klienti> ownerless;
    if (!ownerless)
        ownerless = new TForm_Klienti(nullptr);
    return ownerless;
}
} // namespace

long long CounterpartyEditor::open(int mode, long long groupKey, const QSqlRecord &currentRow, QWidget *browser)
{
    if (mode != NewCounterparty && mode != EditCounterparty)
        return 0;
    TForm_Klienti *editor = editorFor(browser);
    if (mode == NewCounterparty) {
        editor->openNew(groupKey);
    } else if (!editor->openEdit(currentRow.value(QStringLiteral("ID")).toLongLong())) {
        return 0;
    }
    editor->showModal();
    return editor->savedId();
}

void CounterpartyEditor::setSpecialDiscountsOpener(Opener opener)
{
    discountsOpener() = std::move(opener);
}

const CounterpartyEditor::Opener &CounterpartyEditor::specialDiscountsOpener()
{
    return discountsOpener();
}
