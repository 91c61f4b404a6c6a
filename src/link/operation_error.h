#pragma once

#include <QMetaType>
#include <QString>

namespace vernoll {

// Why an operation on the logger ended without its result.
enum class Fault {
    NoLogger,   // the last exchange went unanswered: nothing was sent
    NoAnswer,   // no answer to the attention byte
    Counter,    // a byte beyond what the exchange expects
    Stall,      // the logger stopped part-way
    Surplus,    // the logger sent more than was asked for
    HangUp,     // the port went away
    Refused,    // what was given cannot be sent: nothing went on the line
    Cancelled,  // the user said no
};

// The error value an operation ends with: what failed, on which port, the system's reason
// where the port refused, and the message the window shows for it (blanks included).
struct OperationError {
    Fault fault = Fault::NoAnswer;
    int port = 0;    // the logger's port, 1-based; 0 before a discovery found one
    QString reason;  // "No se puede abrir P1: ..." when a channel could not open the port
    QString text;

    // The message as the window shows it: the text, then the port's refusal on a line of its own.
    QString message() const {
        return reason.isEmpty() ? text : text + QStringLiteral("\r\n") + reason;
    }
};

}  // namespace vernoll

Q_DECLARE_METATYPE(vernoll::OperationError)
