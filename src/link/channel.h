#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace vernoll {

class WireTrace;

// Why a channel raised its event. Receive is raised once at least the receive threshold of
// bytes is waiting; the others are line events and errors of the port.
namespace comm {
inline constexpr int Send = 1;
inline constexpr int Receive = 2;
inline constexpr int Cts = 3;
inline constexpr int Dsr = 4;
inline constexpr int Cd = 5;
inline constexpr int Ring = 6;
inline constexpr int Eof = 7;
inline constexpr int Break = 1001;
inline constexpr int CtsTimeout = 1002;
inline constexpr int DsrTimeout = 1003;
inline constexpr int Frame = 1004;
inline constexpr int Overrun = 1006;
inline constexpr int CdTimeout = 1007;
inline constexpr int RxOver = 1008;
inline constexpr int RxParity = 1009;
inline constexpr int TxFull = 1010;
inline constexpr int Dcb = 1011;
// The port went away while open (device unplugged, peer hung up); the channel is closed.
inline constexpr int Hangup = 2001;
}  // namespace comm

// One serial channel: what the program needs of a port. Eight of them share the logger's
// port, and only one can hold it at a time, so opening fails while another channel is open.
//
// A channel opens with an empty receive buffer: the logger answers every wake-up byte with a
// 21-byte frame, and those bytes must never reach the exchange that follows.
class Channel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Channel() override = default;

    // The port, by its 1-based number in the program's port list.
    virtual void setCommPort(int number) { commPort_ = number; }
    int commPort() const { return commPort_; }

    // Why a port could not be opened.
    enum class OpenFailure {
        None,     // it opened, or the channel itself was already open
        Missing,  // no such device
        Denied,   // the user may not use it
        Held,     // another program has it open
        Other,    // anything else the system reports
    };

    // Opens at 19200,n,8,1 with no flow control and DTR and RTS low. False when the port is
    // missing or busy; errorString() says why, in the user's words, and openFailed() is
    // raised (not for a channel that is already open).
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString errorString() const = 0;

    // Sends the bytes; false when the channel is closed or the port refused them.
    virtual bool write(const QByteArray& bytes) = 0;
    // Bytes waiting in the receive buffer.
    virtual int bytesWaiting() const = 0;
    // Takes up to n bytes from the receive buffer.
    virtual QByteArray read(int n) = 0;
    // Empties the receive buffer.
    virtual void clearInput() = 0;

    // The receive event is raised once this many bytes are waiting.
    void setReceiveThreshold(int bytes) { threshold_ = bytes < 1 ? 1 : bytes; }
    int receiveThreshold() const { return threshold_; }
    // The code of the last event raised; 0 since the channel was opened, if none.
    int lastEvent() const { return lastEvent_; }
    // Why the last open failed; None when it succeeded.
    OpenFailure openFailure() const { return openFailure_; }

    // Where the channel writes every byte it sends and receives (none: nowhere). The trace
    // outlives the channel.
    void setTrace(WireTrace* trace) { trace_ = trace; }

signals:
    // A receive event or a line event; see comm::. Handlers run on the UI thread.
    void commEvent(int code);
    // The port could not be opened: openFailure() and errorString() say why.
    void openFailed();

protected:
    // Implementations call this whenever bytes arrived: it raises the receive event while
    // the buffer holds at least the threshold and the handler keeps taking bytes, as a port
    // that delivers its bytes one at a time would.
    void bytesArrived();
    void raise(int code);
    void resetEvents() { lastEvent_ = 0; }
    // What implementations tell the trace, if there is one.
    void traceSent(const QByteArray& bytes) const;
    void traceReceived(const QByteArray& bytes) const;
    void traceNote(const QString& text) const;
    // Implementations record every open's outcome: None when it opened (or the channel was
    // open already), else why the port refused, which is raised as openFailed().
    void openOutcome(OpenFailure outcome) {
        openFailure_ = outcome;
        if (outcome != OpenFailure::None) emit openFailed();
    }

private:
    int commPort_ = 0;
    int threshold_ = 1;
    int lastEvent_ = 0;
    OpenFailure openFailure_ = OpenFailure::None;
    bool raising_ = false;
    WireTrace* trace_ = nullptr;
};

}  // namespace vernoll
