// Any live frames with any serial number, over many frames: the decoder keeps its flow
// statistics between them, and every text it writes is whole lines of label, number and unit,
// never a "nan", an "inf" or a number longer than 15 significant digits.

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "live/live_decoder.h"

using vernoll::live::Frame;
using vernoll::live::kFrameSize;
using vernoll::live::LiveDecoder;

namespace {

// The serial numbers at the edges of every range, so most inputs reach a family.
constexpr float kBounds[] = {0,       123,     19999,   20000,   20999,   21000,   21999,   22000,
                             22999,   23000,   30000,   30999,   31000,   31001,   40000,   40999,
                             41000,   42000,   42001,   50000,   51999,   52000,   52001,   70000,
                             72000,   72001,   80000,   90000,   92000,   92001,   2040000, 2040999,
                             2041000, 2041999, 2042000, 2050000, 2050999, 2051000, 2052000, 2052001,
                             2060000, 2060999, 2061000};

void check(const QString& text) {
    if (text.isEmpty()) return;
    if (!text.endsWith(QStringLiteral("\r\n"))) std::abort();
    if (text.contains(QStringLiteral("nan"), Qt::CaseInsensitive) ||
        text.contains(QStringLiteral("inf"), Qt::CaseInsensitive))
        std::abort();
    // No run of more than 15 digits: the general form's limit.
    int run = 0;
    for (QChar c : text) {
        run = c.isDigit() ? run + 1 : 0;
        if (run > 15) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::uint32_t pick = 0;
    std::memcpy(&pick, data, 4);
    data += 4;
    size -= 4;
    // Half the inputs take a range's edge, the others any serial number of up to 8 digits.
    const float nserie = (pick & 1U) != 0U
                             ? kBounds[(pick >> 1) % (sizeof kBounds / sizeof kBounds[0])]
                             : float((pick >> 1) % 100000000U);
    LiveDecoder decoder;
    for (; size >= std::size_t(kFrameSize); data += kFrameSize, size -= kFrameSize) {
        Frame f{};
        std::memcpy(f.data(), data, f.size());
        check(decoder.decode(nserie, f));
    }
    if (decoder.flow().samples < 0) std::abort();
    return 0;
}
