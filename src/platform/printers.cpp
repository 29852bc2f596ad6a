#include "platform/printers.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace {
struct State {
    std::optional<QStringList> fakeInstalled;
    QString fakeDefault;
    QString selected; // empty: the system default
};
State &state()
{
    static State s;
    return s;
}
} // namespace

QStringList Printers::installed()
{
    if (state().fakeInstalled)
        return *state().fakeInstalled;
    return QPrinterInfo::availablePrinterNames();
}

QString Printers::systemDefault()
{
    if (state().fakeInstalled)
        return state().fakeDefault;
    return QPrinterInfo::defaultPrinterName();
}

QString Printers::selected()
{
    return state().selected.isEmpty() ? systemDefault() : state().selected;
}

void Printers::applySelected(QPrinter &printer)
{
    const QString name = selected();
    if (name == PdfFile)
        printer.setOutputFormat(QPrinter::PdfFormat);
    else if (!name.isEmpty())
        printer.setPrinterName(name);
}

QString Printers::notFoundMessage(const QString &name)
{
    return QStringLiteral("Принтерът \"") + name
           + QStringLiteral("\" не е инсталиран на този компютър и се пропуска.");
}

void Printers::setInstalledForTests(const std::optional<QStringList> &names,
                                    const QString &systemDefault)
{
    state().fakeInstalled = names;
    state().fakeDefault = systemDefault;
    state().selected.clear();
}

void Printers::resetSelection()
{
    state().selected.clear();
}

bool SET_SELECTED_PRINTER(const QString &name)
{
    // Exact, case-sensitive match, as the list shows the names.
    if (name.isEmpty()
        || (name != Printers::PdfFile && !Printers::installed().contains(name, Qt::CaseSensitive)))
        return false;
    state().selected = name;
    return true;
}
