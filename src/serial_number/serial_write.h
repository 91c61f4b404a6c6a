#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "link/paced_write.h"

namespace vernoll::serial_number {

// Serial-number programming: Enter in Text10 writes the typed digits, packed into four BCD
// bytes, on MSComm3. A paced write (link/paced_write.h) of five bytes:
//   n = 1      answered with 0x64, which selects the serial-number write
//   n = 2..5   answered with packed bytes 1 to 4
//   n = 6      answered with packed byte 4 once more (the logger asks for a sixth byte, and
//              the logger program hands it the last one again); the logger holds the new number
//   n >= 7     more than the logger ever sends: "otro valor serie", channel closed
// Label1 reports the progress.
class SerialWrite : public PacedWrite {
    Q_OBJECT
public:
    // The box takes at most this many characters.
    static constexpr int kMaxDigits = 8;

    SerialWrite(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                ExchangeOpening& opening, Timing timing, QObject* parent = nullptr);

    // A key typed into Text10 (a Qt key code), before it reaches the box: Enter runs the
    // write, the rest pass only when they are digits, Backspace or keys that type nothing.
    // False discards the key.
    bool key(int key);
    // The user changed Text10's text (typing or pasting); a change that brings in anything
    // but digits, or more than eight characters, is undone.
    void edited();
    // The write of Text10's digits, as Enter starts it. False, with nothing sent, when the
    // box holds anything but digits.
    bool write();

    // The four packed bytes of the last write.
    const std::array<std::uint8_t, 4>& packed() const { return packed_; }

private:
    void opened(bool answered) override;
    void end() override;
    void setBoxText(const QString& text);

    std::array<std::uint8_t, 4> packed_{};
    QString accepted_;  // the box's text as last accepted, to undo a refused change
};

}  // namespace vernoll::serial_number
