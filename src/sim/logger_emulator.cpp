// The logger's side of the serial protocol, as the program relies on it.
//
// The logger sleeps until the wake-up byte 0xBE, which it answers at any time with one 21-byte
// live frame; the live display uses the same byte as its request. After a wake-up, the
// attention byte 0x55 opens an exchange: the logger answers 0x55 (the download insists on
// exactly that value) and takes the next byte as the selection. Exchanges have three shapes:
//
//  - read (0x60 configuration, 0x2D SMS settings): the logger answers the selection with one
//    byte, waits for the PC's 0x55, then sends its record one byte at a time, each only after
//    the PC echoed the one before. After the echo of the last byte it is idle again.
//  - write (0x96 configuration, 0x2E SMS settings, 0x64 serial number): the logger paces the
//    PC. It sends one byte, takes one data byte, sends the next, until it holds all the data;
//    then it applies the data and is idle again. It sends nothing after the last data byte.
//  - download (0xAA): the handshake is answered with 0xAA, then each 0x55 asks for the next
//    64-byte block of memory, sent in one go. After the last block of its memory the logger
//    is idle again (the program's request after the last block goes unanswered).
//
// A byte that does not fit the exchange ends it. If that byte is a wake-up, it is answered as
// one, so a program that gave up on a stalled exchange can start another at once.
//
// Faults that count bytes (stall-after, hangup-after) count what the logger sent since the
// attention byte: the answer to the attention byte is byte 1.
#include "sim/logger_emulator.h"

#include <QDate>
#include <QTime>

#include "config/record.h"
#include "family/family.h"
#include "link/bcd.h"
#include "link/codepage.h"
#include "sim/live_frames.h"
#include "sim/memory_maker.h"

namespace vernoll::sim {

namespace {

constexpr std::uint8_t kWakeUp = 0xBE;
constexpr std::uint8_t kAttention = 0x55;
constexpr std::uint8_t kGo = 0x55;  // the PC's go-ahead before a record is sent
constexpr std::uint8_t kBadAttentionAnswer = 0x54;

constexpr int kSmsCellWidth = 15;
constexpr int kSmsHiddenWidth = 4;
constexpr int kSmsRecordSize = kSmsCellWidth + 1 + kSmsHiddenWidth;
constexpr int kConfigFrameSize = config::record::kSize - 4;  // the record without its serial
constexpr int kSerialFrameSize = 5;                          // packed bytes 1 to 4, then 4 again

enum class Phase {
    Idle,       // asleep: only a wake-up byte is answered
    Awake,      // a wake-up was answered; an attention byte opens an exchange
    Selecting,  // the attention byte was answered; the next byte selects the exchange
    ReadGo,     // read: the selection was answered; waiting for the PC's 0x55
    ReadEcho,   // read: a record byte went out; waiting for its echo
    WriteData,  // write: a go-ahead went out; waiting for the next data byte
    Blocks,     // download: the handshake was answered; each 0x55 asks for the next block
    Stalled,    // the stall fault fired: nothing is answered until the next wake-up
};

enum class Shape { Read, Write, Download };

constexpr std::uint8_t kDownload = 0xAA;
constexpr int kBlockBytes = 64;

QByteArray padded(const QString& text, int width) {
    QByteArray bytes = cp1252::encode(text).left(width);
    bytes.append(QByteArray(width - bytes.size(), ' '));
    return bytes;
}

}  // namespace

struct LoggerEmulator::State {
    // One exchange the logger knows, by its selection byte.
    struct Exchange {
        std::uint8_t selection;
        Shape shape;
        int length;                                    // record or data bytes
        QByteArray (State::*record)() const;           // read: what the logger sends
        void (State::*apply)(const QByteArray& data);  // write: what the logger does with it
    };
    static const std::array<Exchange, 5> kExchanges;

    EmulatorOptions options;

    // What the logger holds.
    std::array<std::uint8_t, 4> serial{};
    std::array<QByteArray, 5> texts;  // code-page bytes, blank-padded to their widths
    std::uint8_t interval = 0x10;
    // Milliseconds the logger's clock runs ahead of the PC's. Whole seconds would lose the
    // PC's fraction of a second at a clock write, and the clock would read a second early.
    qint64 clockOffset = 0;
    QByteArray smsCell;
    std::uint8_t smsCode = 0x06;
    QByteArray smsHidden;
    int records = 0;
    QByteArray memoryImage;  // built at the first download

    // Where the logger is in an exchange.
    Phase phase = Phase::Idle;
    const Exchange* exchange = nullptr;
    QByteArray outgoing;  // read: the record being sent
    QByteArray incoming;  // write: the data received so far
    int position = 0;
    bool inExchange = false;
    int sent = 0;
    bool hungUp = false;

    QByteArray wakeUp() {
        phase = Phase::Awake;
        inExchange = false;
        // The station's readings now, by the family its serial number decides.
        QByteArray frame = liveFrame(serialDigits(), clock());
        if (options.faults.shortProbe) frame.chop(1);
        return frame;
    }

    QByteArray attention() {
        phase = Phase::Selecting;
        inExchange = true;
        sent = 0;
        if (options.faults.hangupAfter == 0) hungUp = true;
        return send(options.faults.badHandshake ? kBadAttentionAnswer : kAttention);
    }

    QByteArray select(std::uint8_t byte) {
        if (byte == kDownload) {
            phase = Phase::Blocks;
            position = 0;
            return send(kDownload);
        }
        exchange = nullptr;
        for (const auto& e : kExchanges)
            if (e.selection == byte) exchange = &e;
        if (exchange == nullptr) return endExchange(byte);
        position = 0;
        if (exchange->shape == Shape::Read) {
            phase = Phase::ReadGo;
        } else {
            phase = Phase::WriteData;
            incoming.clear();
        }
        return send(exchange->selection);
    }

    QByteArray readGo(std::uint8_t byte) {
        if (byte != kGo) return endExchange(byte);
        outgoing = (this->*exchange->record)();
        phase = Phase::ReadEcho;
        return send(std::uint8_t(outgoing[0]));
    }

    QByteArray readEcho(std::uint8_t byte) {
        if (byte != std::uint8_t(outgoing[position])) return endExchange(byte);
        if (++position == outgoing.size()) return endExchange();
        return send(std::uint8_t(outgoing[position]));
    }

    QByteArray writeData(std::uint8_t byte) {
        incoming.append(char(byte));
        if (incoming.size() < exchange->length) return send(exchange->selection);
        (this->*exchange->apply)(incoming);
        return endExchange();
    }

    QByteArray nextBlock(std::uint8_t byte) {
        if (byte != kGo) return endExchange(byte);
        const QByteArray& image = memory();
        if ((position + 1) * kBlockBytes > image.size()) return endExchange();
        QByteArray out;
        for (int i = 0; i < kBlockBytes; ++i) {
            const QByteArray one = send(std::uint8_t(image[position * kBlockBytes + i]));
            if (one.isEmpty()) return out;  // stalled or hung up part-way through the block
            out += one;
        }
        ++position;
        if (options.faults.surplusByte) out += send(0x00);
        return out;
    }

    // The memory the download sends: the base file given, else records made for the family,
    // then erased (0xFF) bytes to the end of the logger's memory. Built at the first download,
    // so that a serial number or interval written before it counts.
    const QByteArray& memory() {
        if (!memoryImage.isEmpty()) return memoryImage;
        const int bytes = memoryBlocks() * kBlockBytes;
        if (!options.memory.isEmpty()) {
            memoryImage = options.memory.left(bytes);
        } else if (records > 0) {
            MemoryPlan plan;
            plan.serial = serialDigits().toUInt();
            plan.intervalMinutes = bcd::value(interval).value_or(10);
            if (plan.intervalMinutes <= 0) plan.intervalMinutes = 10;
            plan.records = records;
            plan.memoryBytes = bytes;
            // A logger samples on its interval's boundaries: the generated records end at the
            // last boundary before its clock, so a memory read twice within one interval
            // holds the same records.
            const qint64 step = qint64(plan.intervalMinutes) * 60;
            const QDateTime now = clock();
            const QDateTime boundary = now.addSecs(-(now.toSecsSinceEpoch() % step));
            plan.start = options.start.value_or(boundary.addSecs(-qint64(records - 1) * step));
            memoryImage = makeMemory(plan);
        }
        memoryImage.append(QByteArray(bytes - memoryImage.size(), char(0xFF)));
        return memoryImage;
    }

    int memoryBlocks() const {
        bool ok = false;
        const long n = serialDigits().toLong(&ok);
        const family::Family* f = ok ? family::of(double(n)) : nullptr;
        return f ? f->memoryBlocks : family::kSmallMemoryBlocks;
    }

    // Back to idle; a wake-up byte that ended the exchange is answered as one.
    QByteArray endExchange(std::optional<std::uint8_t> unexpected = std::nullopt) {
        phase = Phase::Idle;
        inExchange = false;
        exchange = nullptr;
        if (unexpected == kWakeUp) return wakeUp();
        return {};
    }

    // What actually leaves the logger, after the stall and hang-up faults had their say.
    QByteArray send(std::uint8_t byte) {
        if (!inExchange) return QByteArray(1, char(byte));
        const Faults& f = options.faults;
        if (hungUp || (f.stallAfter >= 0 && sent >= f.stallAfter)) {
            phase = Phase::Stalled;
            return {};
        }
        ++sent;
        if (f.hangupAfter >= 0 && sent >= f.hangupAfter) hungUp = true;
        return QByteArray(1, char(byte));
    }

    QDateTime clock() const { return options.pcClock().addMSecs(clockOffset); }

    QByteArray configRecord() const {
        namespace r = config::record;
        QByteArray bytes(r::kSize, '\0');
        for (int i = 0; i < 4; ++i) bytes[r::kSerial + i] = char(serial[std::size_t(i)]);
        bytes.replace(r::kUser, r::kAltitude + 5 - r::kUser,
                      texts[0] + texts[1] + texts[2] + texts[3] + texts[4]);
        bytes[r::kInterval] = char(interval);
        const QDateTime now = clock();
        const int fields[6] = {now.time().hour(), now.time().minute(), now.time().second(),
                               now.date().day(),  now.date().month(),  now.date().year() % 100};
        for (int i = 0; i < 6; ++i) bytes[r::kClock + i] = char(bcd::pack(fields[i]));
        return bytes;
    }

    QByteArray smsRecord() const { return smsCell + char(smsCode) + smsHidden; }

    // The frame is the configuration record without its serial number. Writing it erases the
    // logger's memory.
    void applyConfig(const QByteArray& data) {
        namespace r = config::record;
        int at = 0;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            texts[i] = data.mid(at, config::kTextWidths[i]);
            at += config::kTextWidths[i];
        }
        interval = std::uint8_t(data[r::kInterval - 4]);
        std::array<int, 6> v{};
        for (int i = 0; i < 6; ++i) {
            const auto value = bcd::value(std::uint8_t(data[r::kClock - 4 + i]));
            // A clock the logger cannot read leaves its clock running as it was.
            if (!value) {
                eraseMemory();
                return;
            }
            v[std::size_t(i)] = *value;
        }
        const QDate day(2000 + v[5], v[4], v[3]);
        const QTime time(v[0], v[1], v[2]);
        if (day.isValid() && time.isValid())
            clockOffset = options.pcClock().msecsTo(QDateTime(day, time));
        eraseMemory();
    }

    void applySms(const QByteArray& data) {
        smsCell = data.left(kSmsCellWidth);
        smsCode = std::uint8_t(data[kSmsCellWidth]);
        smsHidden = data.mid(kSmsCellWidth + 1, kSmsHiddenWidth);
    }

    // Packed bytes 1 to 4 are the new number; the fifth byte repeats the fourth.
    void applySerial(const QByteArray& data) {
        for (std::size_t i = 0; i < serial.size(); ++i) serial[i] = std::uint8_t(data[int(i)]);
    }

    void eraseMemory() {
        records = 0;
        memoryImage = QByteArray(memoryBlocks() * kBlockBytes, char(0xFF));
    }

    QString serialDigits() const {
        QString digits;
        for (auto b : serial) digits += bcd::digits(b);
        return digits;
    }
};

const std::array<LoggerEmulator::State::Exchange, 5> LoggerEmulator::State::kExchanges = {{
    {0x60, Shape::Read, config::record::kSize, &State::configRecord, nullptr},
    {0x2D, Shape::Read, kSmsRecordSize, &State::smsRecord, nullptr},
    {0x96, Shape::Write, kConfigFrameSize, nullptr, &State::applyConfig},
    {0x2E, Shape::Write, kSmsRecordSize, nullptr, &State::applySms},
    {0x64, Shape::Write, kSerialFrameSize, nullptr, &State::applySerial},
    // The download (0xAA) joins this table with a shape of its own: handshake answered with
    // 0xAA, then one 64-byte block per 0x55.
}};

bool Faults::parse(const QString& kind) {
    if (kind == QLatin1String("silent")) return silent = true;
    if (kind == QLatin1String("short-probe")) return shortProbe = true;
    if (kind == QLatin1String("bad-handshake")) return badHandshake = true;
    if (kind == QLatin1String("surplus-byte")) return surplusByte = true;
    const auto count = [&](QLatin1String prefix, int& into) {
        if (!kind.startsWith(prefix)) return false;
        const QString digits = kind.mid(prefix.size());
        if (digits.isEmpty() || digits.size() > 9) return false;
        for (QChar c : digits)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        const int n = digits.toInt();
        into = n;
        return true;
    };
    return count(QLatin1String("stall-after="), stallAfter) ||
           count(QLatin1String("hangup-after="), hangupAfter);
}

std::optional<QString> LoggerEmulator::normalSerial(const QString& digits) {
    if (digits.isEmpty() || digits.size() > 8) return std::nullopt;
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    return digits.rightJustified(8, QLatin1Char('0'));
}

LoggerEmulator::LoggerEmulator(EmulatorOptions options) : d_(new State) {
    d_->options = std::move(options);
    if (!d_->options.pcClock) d_->options.pcClock = [] { return QDateTime::currentDateTime(); };
    const QString digits = normalSerial(d_->options.serial).value_or(QStringLiteral("00000000"));
    for (std::size_t i = 0; i < 4; ++i)
        d_->serial[i] = std::uint8_t((digits[int(2 * i)].digitValue() << 4) |
                                     digits[int(2 * i + 1)].digitValue());
    const std::array<QString, 5> station = {
        QStringLiteral("Tolvar Demo"), QStringLiteral("Estacion de prueba"),
        QStringLiteral("31 25 12 S"), QStringLiteral("64 11 02 O"), QStringLiteral("430")};
    for (std::size_t i = 0; i < station.size(); ++i)
        d_->texts[i] = padded(station[i], config::kTextWidths[i]);
    d_->smsCell = padded(QStringLiteral("3515550142"), kSmsCellWidth);
    d_->smsHidden = QByteArrayLiteral("0000");
    // A base file holds the memory as 16-byte records.
    d_->records =
        d_->options.memory.isEmpty() ? d_->options.records : int(d_->options.memory.size() / 16);
}

LoggerEmulator::~LoggerEmulator() {
    delete d_;
}

QByteArray LoggerEmulator::receive(std::uint8_t byte) {
    State& s = *d_;
    if (s.hungUp || s.options.faults.silent) return {};
    switch (s.phase) {
        case Phase::Idle:
            return byte == kWakeUp ? s.wakeUp() : QByteArray();
        case Phase::Awake:
            if (byte == kAttention) return s.attention();
            return s.endExchange(byte);
        case Phase::Selecting:
            return s.select(byte);
        case Phase::ReadGo:
            return s.readGo(byte);
        case Phase::ReadEcho:
            return s.readEcho(byte);
        case Phase::WriteData:
            return s.writeData(byte);
        case Phase::Blocks:
            return s.nextBlock(byte);
        case Phase::Stalled:
            return s.endExchange(byte);
    }
    return {};
}

QByteArray LoggerEmulator::receive(const QByteArray& bytes) {
    QByteArray answer;
    for (char c : bytes) answer += receive(std::uint8_t(c));
    return answer;
}

bool LoggerEmulator::hungUp() const {
    return d_->hungUp;
}
QByteArray LoggerEmulator::configRecord() const {
    return d_->configRecord();
}
QByteArray LoggerEmulator::smsRecord() const {
    return d_->smsRecord();
}
QString LoggerEmulator::serial() const {
    return d_->serialDigits();
}
QDateTime LoggerEmulator::clock() const {
    return d_->clock();
}
int LoggerEmulator::storedRecords() const {
    return d_->records;
}
int LoggerEmulator::sentInExchange() const {
    return d_->inExchange ? d_->sent : 0;
}

int LoggerEmulator::memoryBlocks() const {
    return d_->memoryBlocks();
}

QByteArray LoggerEmulator::memory() const {
    return d_->memory();
}

}  // namespace vernoll::sim
