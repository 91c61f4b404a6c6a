#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace vernoll::sim {

// Faults the emulator can inject.
struct Faults {
    bool silent = false;        // answers nothing at all
    bool shortProbe = false;    // answers the wake-up byte with 20 bytes instead of 21
    bool badHandshake = false;  // download: answers the attention byte with 0x54, not 0x55
    bool surplusByte = false;   // download: one byte too many after a block
    int stallAfter = -1;        // stops answering after N bytes sent in an exchange
    int hangupAfter = -1;       // closes the line after N bytes sent in an exchange

    // Parses one --fault value ("silent", "stall-after=12", ...); false if unknown.
    bool parse(const QString& kind);
};

struct EmulatorOptions {
    QString serial = QStringLiteral("00020500");  // up to 8 digits
    Faults faults;
    QByteArray memory;               // memory image as a base file; empty: generated
    int records = 500;               // generated records
    std::optional<QDateTime> start;  // first generated record's time; default: before now
    // The PC's clock, read whenever the logger's clock is; the logger's clock runs from it.
    std::function<QDateTime()> pcClock = [] { return QDateTime::currentDateTime(); };
};

// The logger's side of every exchange, from its own state. Fed the bytes the program sends,
// one at a time; returns what the logger answers to each.
class LoggerEmulator {
public:
    // Bytes a wake-up byte is answered with: the live frame.
    static constexpr int kLiveFrameSize = 21;
    // The eight digits of a serial number given with up to 8 digits; nothing when it is not
    // a string of 1 to 8 decimal digits.
    static std::optional<QString> normalSerial(const QString& digits);

    explicit LoggerEmulator(EmulatorOptions options = {});
    ~LoggerEmulator();
    LoggerEmulator(const LoggerEmulator&) = delete;
    LoggerEmulator& operator=(const LoggerEmulator&) = delete;

    QByteArray receive(std::uint8_t byte);
    QByteArray receive(const QByteArray& bytes);  // each byte in turn, answers concatenated
    // True once a hangup-after fault fired: the line is to be closed.
    bool hungUp() const;

    // The configuration record the next configuration read would send.
    QByteArray configRecord() const;
    // The 20-byte SMS record the next SMS read would send.
    QByteArray smsRecord() const;
    // The serial number as its eight digit characters (a nibble above 9 shows as ":" to "?").
    QString serial() const;
    // The logger's clock now.
    QDateTime clock() const;
    // 64-byte blocks of logger memory: 4096 for the large-memory types, else 1024.
    int memoryBlocks() const;
    // The memory a download sends, memoryBlocks() x 64 bytes.
    QByteArray memory() const;
    // Records held in memory; a configuration write erases them.
    int storedRecords() const;
    // Bytes sent since the attention byte opened the current exchange.
    int sentInExchange() const;

private:
    struct State;
    State* d_;
};

}  // namespace vernoll::sim
