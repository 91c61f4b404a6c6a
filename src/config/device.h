#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "family/family.h"

namespace vernoll::config {

struct Configuration;

// What the serial number says about a logger, as the configuration import sets it: its name
// in the window, the column header of its data exports, and whether its memory is the large
// one (4096 blocks). The families are in family/family.h.
struct DeviceType {
    const char* name;
    const char* header;
    bool largeMemory;
};

// The device type of a serial number; nothing for a number no family claims.
std::optional<DeviceType> classify(float nserie);

// Loggers with SMS telemetry.
bool hasSms(float nserie);

inline constexpr int kSmallMemoryFrames = family::kHandshakeFrames + family::kSmallMemoryBlocks;
inline constexpr int kLargeMemoryFrames = family::kHandshakeFrames + family::kLargeMemoryBlocks;

// The station data the configuration summary reports.
struct SummaryFields {
    QString intervalMinutes;  // "" until a known interval code arrived
    QString serialCaption;    // "Nro  : " and the eight digits
    QString user, location, latitude, longitude, altitude;
};

// The configuration summary, CR LF ended lines, as the exports write it.
QString summary(const SummaryFields& f);
// The summary of an import: its serial number, its texts as received, and `intervalMinutes`
// ("" for a code no interval has).
QString summary(const Configuration& c, const QString& intervalMinutes);
// The minutes of an interval code as the summary writes them; "" for a code no interval has.
QString intervalMinutesText(std::uint8_t code);

}  // namespace vernoll::config
