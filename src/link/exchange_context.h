#pragma once

#include <QString>
#include <cstdint>

namespace vernoll {

// What the line knows of the exchange under way, shared by every exchange on it (they run one
// at a time): the port the logger answered on, how many bytes the current exchange received
// and the last of them, and whether the logger answered since the exchange began. The link
// owns it (ChannelSet::exchange()); the window shows none of it.
struct ExchangeContext {
    int port = 0;               // the port discovery found, 1-based; 0 before
    std::int32_t counter = 0;   // bytes received in the current exchange
    std::uint8_t lastByte = 0;  // the last byte an exchange read
    bool answered = false;      // the logger answered since the exchange began
    // Why a channel could not open the port since the last operation began ("No se puede
    // abrir P1: ..."); the error of an exchange nobody answered carries it.
    QString refusal;
};

}  // namespace vernoll
