// Any memory image, under any serial number, must decode without a crash and give well-formed
// lines: the record decoder, the rounding, the date arithmetic and the CSV text all run on
// whatever a logger (or a base file) holds.

#include <QDateTime>
#include <QLocale>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "memory/report.h"

using namespace vernoll;
using namespace vernoll::memory;

namespace {

// The serial numbers the decoder knows, near their bounds, and a few it does not.
constexpr float kSerials[] = {0,       123,     124,     125,     126,     20000,   20999,
                              21000,   22000,   22999,   30000,   40000,   41999,   50000,
                              51999,   70000,   72000,   72001,   90000,   92000,   2040000,
                              2050000, 2051999, 2052000, 2060000, 2060999, 2061000, 2061001};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    // Byte 0 picks a known serial number, or (above the table) takes bytes 1..3 as one.
    float nserie = 0;
    if (data[0] < std::size(kSerials))
        nserie = kSerials[data[0]];
    else
        nserie = float((data[1] << 16) | (data[2] << 8) | data[3]);
    const int memo = (data[4] << 8 | data[5]) % 40;  // rows 0..memo, a handful
    data += 6;
    size -= 6;

    // One image for all inputs (18,001 rows are too many to clear each time), but every row
    // this input can reach is written, zero past its bytes: an input replays alone from its file.
    static MemoryImage image;
    for (std::size_t i = 0; i < std::size_t(MemoryImage::kRowBytes) * 40; ++i)
        image.set(int(i / 64), int(i % 64), i < size ? data[i] : 0);

    Decoder decoder;
    // The byte index: out of the row when the caller errs.
    for (std::size_t i = 0; i + 1 < size && i < 64; i += 2)
        decoder.proceso(data[i], std::int32_t(std::int8_t(data[i + 1])), nserie);
    decoder.takeRowText();

    QStringList diagnostics;
    const QString text =
        csvText(image, memo, decoder, nserie, QStringLiteral("S\r\n"), QStringLiteral("H\r\n"),
                QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)), &diagnostics, QLocale::c());
    if (!diagnostics.isEmpty()) std::abort();  // the run's own indices are always in a row
    // Every data line: dd/MM/yyyy,HH:mm:ss then values, plain notation.
    const qsizetype start = text.indexOf(QStringLiteral("H\r\n")) + 3;
    for (const QStringView line : QStringView(text).sliced(start).split(u"\r\n")) {
        if (line.isEmpty()) continue;
        if (line.size() < 19 || line[2] != u'/' || line[5] != u'/' || line[10] != u',' ||
            line[13] != u':' || line[16] != u':')
            std::abort();
        if (line.contains(u'e') || line.contains(u"nan") || line.contains(u"inf")) std::abort();
    }
    spreadsheetText(image, memo, decoder, nserie, QStringLiteral("H\r\n"));
    return 0;
}
