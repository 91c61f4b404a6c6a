#pragma once

#include <QByteArray>
#include <QDateTime>
#include <cstdint>

namespace vernoll::sim {

// What the emulated logger holds in its memory.
struct MemoryPlan {
    std::uint32_t serial = 20500;  // the serial number as a number: it decides the family
    int intervalMinutes = 10;      // between two records
    QDateTime start;               // the first record's time stamp
    int records = 500;             // records written; the rest of the memory is erased (0xFF)
    int memoryBytes = 65536;       // 65,536 (1024 blocks) or 262,144 (4096 blocks)
};

// The logger's memory as the download sends it: 16-byte records from the first byte, time
// stamps from `start` at the interval, raw words that decode to plausible readings of the
// serial number's family (temperature, rain, level, current and voltage, radiation,
// evaporation, flow), 0xFF after the last record. Records beyond the memory are dropped.
// The same plan always gives the same bytes.
QByteArray makeMemory(const MemoryPlan& plan);

}  // namespace vernoll::sim
