// The service tab's reception ticket and serial-number look-up.
#include "repair/service_tab.h"

#include "app/app_state.h"
#include "common/dates.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "repair/reception_ticket.h"
#include "repair/serial_lookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableView>

void ServiceTab::Button1Click()
{
    const QList<int> marked = GridSelection::markedRows(DBGrid_Ser);
    if (marked.isEmpty()) {
        Dialogs::message(QStringLiteral("Необходимо е да се изберат данни за издаване на служебен бон"), DBGrid_Ser);
        return;
    }
    // Only the current line, however many are marked.
    const int current = DBGrid_Ser->currentIndex().row();
    const int row = marked.contains(current) ? current : marked.first();
    ReceptionTicket::Line line;
    line.number = m_lines->value(row, QStringLiteral("N_Prodajba")).toLongLong();
    line.client = m_lines->value(row, QStringLiteral("ID_Kontrag")).toLongLong();
    line.article = m_lines->value(row, QStringLiteral("Opisanie")).toString();
    line.reason = m_lines->value(row, QStringLiteral("Pri4ina")).toString();
    QString why;
    switch (ReceptionTicket::send(ReferenceText::key(ComboBox_Otdel->currentText()), line,
                                  AppState::instance().terminal(), operatorName(), &why)) {
    case ReceptionTicket::Outcome::Queued:
        break; // the writer tells when the ticket has to wait
    case ReceptionTicket::Outcome::NoDepartment:
        Dialogs::message(QStringLiteral("Изберете отдел, за който е зададена папка"), DBGrid_Ser);
        break;
    case ReceptionTicket::Outcome::Failed:
        Dialogs::message(QStringLiteral("Неуспешен печат на бон\n") + why, DBGrid_Ser);
        break;
    }
}

void ServiceTab::Edit_SNKeyPress()
{
    std::optional<SerialLookup::Result> found;
    try {
        found = SerialLookup::find(Edit_SN->text(), CheckBox_Select_Chast->isChecked());
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Търсенето по сериен номер не бе изпълнено:\n") + e.message(), DBGrid_Ser);
        return;
    }
    if (!found)
        return; // a blank serial looks nothing up
    const SerialLookup::Card &card = found->card;
    const SerialLookup::Sale &sale = found->sale;
    const SerialLookup::Piece &piece = found->piece;

    Label_Dost_Vid_Dok->setText(card.kind);
    Label_Dost_Data->setText(Dates::isoToShort(card.date));
    Label_Dost_Dok_ID->setText(card.document);
    const QString supplier = card.found ? ReferenceText::make(card.supplier, card.supplierName) : QStringLiteral(":");
    Label_Dost->setText(supplier);
    Label_Dost_Garanc->setText(Dates::isoToShort(card.validUntil));
    Label_Dost_zabel->setText(card.note);

    const QString noClient = QString::fromUtf8(NoClient);
    if (sale.found) {
        ChkBox_Free_Tekst->setChecked(false);
        ChkBox_Free_TekstClick();
        Edit_Art->setText(ReferenceText::make(sale.article, sale.articleName));
        if (sale.hasClient)
            Label_Selected_Kontragent_Ser->setText(ReferenceText::make(sale.client, sale.clientName));
        ListBox_Selected_Kontrag_Ser->hide();
    } else if (Edit_Art->text().isEmpty()) {
        ChkBox_Free_Tekst->setChecked(true);
        ChkBox_Free_TekstClick();
        Edit_Art->setText(QStringLiteral("Не е посочено описание на стока"));
    }
    if (Label_Selected_Kontragent_Ser->text().isEmpty())
        Label_Selected_Kontragent_Ser->setText(noClient);
    Label_Garanc_art->setText(sale.warranty);
    Label_Art_Data_Prod->setText(Dates::isoToShort(sale.date));
    Label_Art_Model->setText(piece.model);
    Label_Art_Partida->setText(piece.batch);

    if (!card.validUntil.isEmpty()) {
        const QDate until = SerialLookup::readDate(card.validUntil);
        // On the valid-until day itself the supplier's warranty is over.
        const QDate cardDate = SerialLookup::readDate(card.date);
        if (!until.isValid() || (QDate::currentDate() < until && !cardDate.isValid())) {
            ExceptionLog::write(QStringLiteral("ServiceTab"),
                                QStringLiteral("Неразчетена дата на гаранционна карта %1: %2 / %3")
                                    .arg(card.id)
                                    .arg(card.date, card.validUntil));
            return; // what the groups show stays
        }
        if (QDate::currentDate() < until) {
            ChkBox_Gar->setChecked(true);
            ChkBox_GarClick();
            Edit_Gar_Dok_N->setText(card.document);
            DateTimePicker_Data_Dok->setDate(cardDate);
            DateTimePicker_Krai_Data->setDate(until);
            Edit_Model->setText(piece.model);
            Edit_Partida->setText(piece.batch);
            Label_Ime_Dost->setText(supplier);
        }
    }
    Memo1->setFocus();
}
