// The fuzzers' seed corpora, made with the emulator: what a logger of each family really sends
// or holds, laid out as each fuzz target reads its input (see the comment at the top of each
// target). Usage: vernoll_fuzz_seeds <corpus folder>; it writes <folder>/<target>/<name> anew, and
// the same emulator always gives the same files (fixed clocks and start dates).

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base_file_serials.h"
#include "config/config_import.h"
#include "memory/memory_image.h"
#include "sim/emulator_port.h"
#include "sim/live_frames.h"
#include "sim/logger_emulator.h"
#include "sim/memory_maker.h"
#include "support/wait.h"

using namespace vernoll;

namespace {

// One serial number inside each family the program knows: the record decoder's, the live
// decoder's (the flow meter is live only) and the device classification's.
constexpr std::uint32_t kFamilies[] = {123,     124,     20500,   21500,   22500,   30500,
                                       40500,   41500,   51000,   71000,   80000,   91000,
                                       2040500, 2041500, 2050500, 2051500, 2052000, 2060500};

const QDateTime kNoon(QDate(2026, 7, 3), QTime(12, 0, 0));

QString digits(std::uint32_t serial) {
    return QStringLiteral("%1").arg(serial, 8, 10, QLatin1Char('0'));
}

class Writer {
public:
    explicit Writer(const QString& root) : root_(root) {}

    // Empties the target's folder: seeds that are no longer made do not linger.
    void begin(const QString& target) {
        dir_ = QDir(root_ + QLatin1Char('/') + target);
        if (!dir_.exists() && !QDir().mkpath(dir_.path())) fail("cannot create " + dir_.path());
        for (const QString& name : dir_.entryList(QDir::Files)) dir_.remove(name);
    }
    void seed(const QString& name, const QByteArray& bytes) {
        QFile f(dir_.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            fail("cannot write " + f.fileName() + ": " + f.errorString());
        ++count_;
        total_ += bytes.size();
    }
    void report(const QString& target) {
        QTextStream(stdout) << target << ": " << count_ << " seeds, " << total_ << " bytes\n";
        count_ = 0;
        total_ = 0;
    }

    [[noreturn]] static void fail(const QString& why) {
        QTextStream(stderr) << "vernoll_fuzz_seeds: " << why << '\n';
        std::exit(1);
    }

private:
    QString root_;
    QDir dir_;
    int count_ = 0;
    qint64 total_ = 0;
};

// What the logger sends on the import's channel, answer by answer, when the program's own
// import runs against the emulator: the bytes the program wrote, replayed into a second
// emulator of the same options, give the first one's answers.
QByteArray importStream(const sim::EmulatorOptions& options) {
    sim::LoggerEmulator logger(options);
    sim::EmulatorPort port(logger);
    ChannelSet channels{port.channelFactory()};
    ExchangeOpening opening{channels};
    config::ConfigImport import{channels, opening, Timing::fast()};
    bool done = false;
    QObject::connect(&import, &config::ConfigImport::finished, [&] { done = true; });
    channels.exchange().port = 1;
    channels.exchange().answered = true;  // a logger is known: the click opens the exchange
    import.start();
    if (!test::waitUntil([&] { return done; }, 10000))
        Writer::fail("the import against the emulator " + options.serial + " did not finish");

    // The wake-up's answer is dropped with MSComm1; the import's stream starts at the
    // attention byte that follows it.
    const QByteArray written = port.written();
    sim::LoggerEmulator twin(options);
    twin.receive(written.left(1));
    QByteArray stream;
    for (qsizetype i = 1; i < written.size(); ++i) stream += twin.receive(std::uint8_t(written[i]));
    // The program echoes each record byte: the twin must have sent what the first one did.
    const QByteArray record = logger.configRecord();
    if (!stream.endsWith(record) || !written.endsWith(record))
        Writer::fail("the replayed import of " + options.serial + " differs from the emulator's");
    return stream;
}

void configImportSeeds(Writer& out) {
    out.begin(QStringLiteral("config_import"));
    // Byte 0: the exchange counter to start from (0, the real start); byte 1: whether the
    // window already shows an interval.
    auto seed = [&](const QString& name, const sim::EmulatorOptions& options, char interval) {
        out.seed(name, QByteArray(1, '\0') + QByteArray(1, interval) + importStream(options));
    };
    for (std::uint32_t serial : kFamilies) {
        sim::EmulatorOptions options;
        options.serial = digits(serial);
        options.pcClock = [] { return kNoon; };
        seed(QStringLiteral("serial-%1").arg(serial), options, char(serial & 1));
    }
    // Clocks at the ends of what a record's date can hold.
    const QDateTime clocks[] = {QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59)),
                                QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0)),
                                QDateTime(QDate(2049, 12, 31), QTime(23, 59, 59))};
    for (const QDateTime& clock : clocks) {
        sim::EmulatorOptions options;
        options.serial = digits(2052000);
        options.pcClock = [clock] { return clock; };
        seed(QStringLiteral("clock-") + clock.toString(QStringLiteral("yyyyMMdd-HHmmss")), options,
             1);
    }
    out.report(QStringLiteral("config_import"));
}

QByteArray memoryOf(std::uint32_t serial, int records, const QDateTime& start, int interval) {
    sim::MemoryPlan plan;
    plan.serial = serial;
    plan.records = records;
    plan.start = start;
    plan.intervalMinutes = interval;
    return sim::makeMemory(plan);
}

void decoderSeeds(Writer& out) {
    out.begin(QStringLiteral("decoder"));
    constexpr int kRow = memory::MemoryImage::kRowBytes;
    // Byte 0 above the target's table: bytes 1..3 are the serial number; bytes 4, 5 the last
    // row to decode; then the rows. Records fill rows 0..rows-2, the last row is erased memory.
    auto seed = [&](const QString& name, std::uint32_t serial, const QByteArray& memory, int rows) {
        const int memo = rows - 1;
        QByteArray in;
        in += char(0xFF);
        in += char(serial >> 16);
        in += char(serial >> 8);
        in += char(serial);
        in += char(memo >> 8);
        in += char(memo);
        out.seed(name, in + memory.left(rows * kRow));
    };
    for (std::uint32_t serial : kFamilies)
        seed(QStringLiteral("serial-%1").arg(serial), serial, memoryOf(serial, 24, kNoon, 10), 7);
    // Time stamps across a midnight, a month's and a year's end, a leap day.
    const QDateTime starts[] = {QDateTime(QDate(2026, 7, 3), QTime(23, 0, 0)),
                                QDateTime(QDate(2024, 2, 28), QTime(23, 30, 0)),
                                QDateTime(QDate(2048, 12, 31), QTime(22, 0, 0))};
    for (const QDateTime& start : starts)
        seed(QStringLiteral("start-") + start.toString(QStringLiteral("yyyyMMdd-HHmm")), 20500,
             memoryOf(20500, 24, start, 15), 7);
    // As many rows as the target decodes.
    seed(QStringLiteral("rows-40"), 2050500, memoryOf(2050500, 39 * 4, kNoon, 1), 40);
    out.report(QStringLiteral("decoder"));
}

void liveSeeds(Writer& out) {
    out.begin(QStringLiteral("live_decoder"));
    // Bytes 0..3, little-endian: twice the serial number (an even pick takes the number as it
    // is); then whole frames, a few seconds apart so the readings move.
    for (std::uint32_t serial : kFamilies) {
        const std::uint32_t pick = serial << 1;
        QByteArray in;
        for (int i = 0; i < 4; ++i) in += char(pick >> (8 * i));
        for (int s = 0; s < 4; ++s) in += sim::liveFrame(digits(serial), kNoon.addSecs(7 * s));
        out.seed(QStringLiteral("serial-%1").arg(serial), in);
    }
    out.report(QStringLiteral("live_decoder"));
}

void baseFileSeeds(Writer& out) {
    out.begin(QStringLiteral("base_file"));
    // The target reads the logger type from the file's size (size modulo the table) and the
    // memory size from its parity: each seed is a short base file, cut or padded with erased
    // memory to the size that picks its own serial number.
    constexpr auto n = qsizetype(std::size(fuzz::kBaseFileSerials));
    for (qsizetype i = 1; i < n; ++i) {
        const auto serial = std::uint32_t(fuzz::kBaseFileSerials[i]);
        QByteArray file = memoryOf(serial, 40, kNoon, 10).left(40 * 16 + 64);
        while (file.size() % n != i) file += char(0xFF);
        out.seed(QStringLiteral("serial-%1.rgt").arg(serial), file);
    }
    // One whole memory as a download saves it; its size picks the reservoir-level logger.
    const qsizetype whole = 65536;
    const auto serial = std::uint32_t(fuzz::kBaseFileSerials[whole % n]);
    const QByteArray memory = memoryOf(serial, 500, kNoon, 10);
    if (memory.size() != whole) Writer::fail(QStringLiteral("the emulator's memory is not 64 KiB"));
    out.seed(QStringLiteral("whole-%1.rgt").arg(serial), memory);
    out.report(QStringLiteral("base_file"));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: vernoll_fuzz_seeds <corpus folder>\n";
        return 2;
    }
    Writer out(QString::fromLocal8Bit(argv[1]));
    configImportSeeds(out);
    decoderSeeds(out);
    liveSeeds(out);
    baseFileSeeds(out);
    return 0;
}
