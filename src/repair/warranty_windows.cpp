#include "repair/warranty_windows.h"

#include "app/import_run.h"
#include "app/item_rights.h"
#include "catalogue/form_dostavki.h"
#include "platform/db/database.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "repair/form_garanc_produkti.h"
#include "repair/warranty_cards.h"

namespace WarrantyWindows {
void openCard(QWidget *parent)
{
    TForm_Garanc_Produkti card(parent);
    Dialogs::exec(&card);
}

void N_Import_Garanc_ProdClick(QWidget *parent)
{
    const QString path = ImportRun::chooseFile(parent);
    if (path.isEmpty())
        return;
    TForm_Garanc_Produkti card(parent);
    WarrantyCards::ImportResult imported;
    try {
        imported = WarrantyCards::importFile(path, card.cardNumber());
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Гаранционните продукти не са внесени:\n") + e.message(), parent);
        return;
    }
    if (!imported.ok) {
        Dialogs::message(imported.error, parent);
        return;
    }
    card.takeImported(imported.documentNumber, imported.note, imported.date);
    Dialogs::exec(&card);
}

void install()
{
    TForm_Dostavki::setSerialNumbersOpener(
        [](const TForm_Dostavki::SerialNumbersRequest &request, QWidget *parent) {
            if (!ItemRights::permit(QStringLiteral("N_Gar_Prod"), parent))
                return;
            TForm_Garanc_Produkti card(parent);
            card.prefill(request.documentKind, request.documentNumber, request.documentDate, request.supplier,
                         request.article);
            Dialogs::exec(&card);
        });
}
} // namespace WarrantyWindows
