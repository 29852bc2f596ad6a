#pragma once
#include "desk/receipt_files.h"

#include <QByteArray>
#include <QString>

// The reception ticket: a short note about a received item for a preparation
// department (the workshop), written as "ToPrepare_Ser.bon" into the
// department's folder by the device-file writer, which never replaces a
// ticket the driver has not taken yet.
namespace ReceptionTicket {
inline constexpr const char *FileName = ServiceTicketFileName;

struct Ticket {
    int deviceType = 0;    // the department's device type; 1 starts with "*"
    QString department;    // "<ID>:<Opisanie>"
    int terminal = 1;
    long long line = 0;    // the reception line's number
    QString client;
    QString phone;
    QString article;
    QString reason;
    QString operatorName;
};
// Code page 1251, CR LF after every line.
QByteArray bytes(const Ticket &t);

// The reception line a ticket is for.
struct Line {
    long long number = 0;
    long long client = 0;
    QString article;
    QString reason;
};
enum class Outcome {
    Queued,       // the writer delivers it (and says so when it has to wait)
    NoDepartment, // none chosen, or the department has no folder
    Failed        // the folder cannot be made, or the ticket could not be queued
};
// Reads the department and the client, creates a missing department folder
// (that one level) and queues the ticket in a short transaction. `why` gets
// the reason of a failure.
Outcome send(long long department, const Line &line, int terminal, const QString &operatorName,
             QString *why = nullptr);
} // namespace ReceptionTicket
