#include "documents/layout_build.h"

#include "common/money.h"
#include "common/record_values.h"
#include "documents/form_free_tekst.h"
#include "documents/layout_file.h"
#include "documents/layout_report.h"
#include "platform/dialogs.h"

#include <cmath>

using namespace Layout;

namespace LayoutBuild {

bool fillLabels(Document &document, const DdsSplit &amounts, bool prompts, QWidget *parent)
{
    for (Element &e : document.elements) {
        if (e.kind != Kind::Label)
            continue;
        e.printedSet = true;
        switch (e.code) {
        case NetAmount:
            e.printed = Money::format42(amounts.netShown());
            break;
        case VatAmount:
            e.printed = Money::format42(amounts.vatShown());
            break;
        case TotalAmount:
            e.printed = Money::format42(Decimal::parse(amounts.AmountText).value_or(Decimal()));
            break;
        case AmountWords:
            e.printed = amounts.AmountInWords;
            break;
        case FreeText:
            if (!prompts) {
                e.printedSet = false;
                break;
            }
            if (!TForm_Free_Tekst::ask(e.caption, &e.printed))
                return false;
            FreeTextCaption = e.printed;
            break;
        case NumberWords: {
            if (!prompts) {
                e.printedSet = false;
                break;
            }
            QString typed = e.caption;
            for (;;) {
                if (!TForm_Free_Tekst::ask(typed, &typed))
                    return false;
                double value = 0;
                if (Numbers::parse(typed, &value) && std::abs(value) < 1e15) {
                    e.printed = Sum_To_Words(value);
                    break;
                }
                Dialogs::message(QStringLiteral("\"%1\" не е число! Въведете число.").arg(typed), parent);
            }
            break;
        }
        default:
            e.printedSet = false;
            break;
        }
    }
    return true;
}

bool build(const QString &name, const DdsSplit &amounts, bool prompts, QWidget *parent)
{
    Document document;
    QString error;
    if (!LayoutFile::load(name, current(), &document, &error)) {
        Dialogs::message(error, parent);
        return false;
    }
    if (!fillLabels(document, amounts, prompts, parent))
        return false;
    current() = document;
    return true;
}

std::optional<Report::Model> reportModel(const QString &name, const DdsSplit &amounts, bool prompts, QWidget *parent,
                                         const QString &title)
{
    if (!build(name, amounts, prompts, parent))
        return std::nullopt;
    return LayoutReport::model(current(), title);
}
} // namespace LayoutBuild
