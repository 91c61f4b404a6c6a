#pragma once

#include <QString>
#include <optional>

namespace vernoll::config {

// What the serial number says about a logger: its name in the window, the column header of
// its data exports, and whether its memory is the large one (4096 blocks).
struct DeviceType {
    const char* name;
    const char* header;
    bool largeMemory;
};

// The device type of a serial number; nothing for a number no family claims.
std::optional<DeviceType> classify(float nserie);

// Loggers with SMS telemetry.
bool hasSms(float nserie);

inline constexpr int kSmallMemoryFrames = 1026;  // 2 handshake frames + 1024 blocks
inline constexpr int kLargeMemoryFrames = 4098;  // 2 handshake frames + 4096 blocks

// The station data the configuration summary reports.
struct SummaryFields {
    QString intervalMinutes;  // "" until a known interval code arrived
    QString serialCaption;    // "Nro  : " and the eight digits
    QString user, location, latitude, longitude, altitude;
};

// The configuration summary, CR LF ended lines, as the exports write it.
QString summary(const SummaryFields& f);

}  // namespace vernoll::config
