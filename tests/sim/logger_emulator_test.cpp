// The logger's side of each exchange, byte by byte.
#include "sim/logger_emulator.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace vernoll::sim {
namespace {

constexpr std::uint8_t kWake = 0xBE;
constexpr std::uint8_t kAttention = 0x55;

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(char(v));
    return out;
}

// The PC's clock the tests hand to the emulator, so the logger's clock is known.
struct FakeClock {
    QDateTime now{QDate(2026, 7, 3), QTime(14, 5, 9)};
    std::function<QDateTime()> source() {
        return [this] { return now; };
    }
};

EmulatorOptions optionsWith(FakeClock& clock, const QStringList& faults = {}) {
    EmulatorOptions options;
    options.pcClock = clock.source();
    for (const QString& kind : faults)
        EXPECT_TRUE(options.faults.parse(kind)) << kind.toStdString();
    return options;
}

// Plays the PC's side of a read exchange for as long as the logger goes along: wake-up,
// attention, selection, go-ahead, then an echo of every byte. Returns what the logger sent
// from its answer to the attention byte on.
QByteArray readExchange(LoggerEmulator& logger, std::uint8_t selection) {
    logger.receive(kWake);
    QByteArray got = logger.receive(kAttention);
    if (got.isEmpty()) return got;
    QByteArray answer = logger.receive(selection);
    got += answer;
    if (answer.isEmpty()) return got;
    answer = logger.receive(0x55);
    while (!answer.isEmpty()) {
        got += answer;
        answer = logger.receive(std::uint8_t(answer.back()));
    }
    return got;
}

// Plays the PC's side of a write exchange: each data byte goes out only after a logger byte.
QByteArray writeExchange(LoggerEmulator& logger, std::uint8_t selection, const QByteArray& data) {
    logger.receive(kWake);
    QByteArray got = logger.receive(kAttention);
    if (got.isEmpty()) return got;
    got += logger.receive(selection);
    for (int i = 0; i < data.size() && got.size() == i + 2; ++i)
        got += logger.receive(std::uint8_t(data[i]));
    return got;
}

// --- the wake-up byte -------------------------------------------------------------------------

// Whatever the logger was doing in a read exchange, a wake-up byte is answered with a frame.
class WakeUpTest : public ::testing::TestWithParam<QByteArray> {};

TEST_P(WakeUpTest, IsAnsweredWithALiveFrame) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    logger.receive(GetParam());
    const QByteArray frame = logger.receive(kWake);
    EXPECT_EQ(frame.size(), LoggerEmulator::kLiveFrameSize);
    // And the logger is awake: the attention byte opens an exchange.
    EXPECT_EQ(logger.receive(kAttention), bytes({0x55}));
}

INSTANTIATE_TEST_SUITE_P(FromEveryReadState, WakeUpTest,
                         ::testing::Values(QByteArray(), bytes({kWake}),
                                           bytes({kWake, kWake, kWake}), bytes({kWake, kAttention}),
                                           bytes({kWake, kAttention, 0x60}),
                                           bytes({kWake, kAttention, 0x60, 0x55}),
                                           bytes({kWake, kAttention, 0x2D, 0x55, 0x20}),
                                           bytes({0x13, 0x60})));

TEST(WakeUp, InsideWriteDataIsJustAByte) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    logger.receive(bytes({kWake, kAttention, 0x2E}));
    // The SMS frame may well carry 0xBE; the logger takes it as data and asks for the next.
    EXPECT_EQ(logger.receive(kWake), bytes({0x2E}));
}

// --- read shape -------------------------------------------------------------------------------

TEST(ConfigRead, ByteByByte) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    const QByteArray record = logger.configRecord();
    ASSERT_EQ(record.size(), 111);

    struct Step {
        std::uint8_t pc;
        QByteArray logger;
    };
    std::vector<Step> steps = {
        {kAttention, bytes({0x55})}, {0x60, bytes({0x60})}, {0x55, record.left(1)}};
    for (int i = 0; i < 110; ++i) steps.push_back({std::uint8_t(record[i]), record.mid(i + 1, 1)});
    steps.push_back({std::uint8_t(record[110]), {}});

    ASSERT_EQ(logger.receive(kWake).size(), 21);
    int n = 0;
    for (const Step& step : steps) {
        const QByteArray answer = logger.receive(step.pc);
        ASSERT_EQ(answer, step.logger) << "step " << n;
        n += int(answer.size());
    }
    EXPECT_EQ(n, 113);
    // Idle again: an attention byte without a wake-up goes unanswered.
    EXPECT_TRUE(logger.receive(kAttention).isEmpty());
}

TEST(ConfigRead, RecordHoldsTheLoggersState) {
    FakeClock clock;
    EmulatorOptions options = optionsWith(clock);
    options.serial = QStringLiteral("2050123");
    LoggerEmulator logger(options);
    const QByteArray record = readExchange(logger, 0x60).mid(2);
    ASSERT_EQ(record.size(), 111);
    EXPECT_EQ(record.left(4), bytes({0x02, 0x05, 0x01, 0x23}));
    EXPECT_EQ(record.mid(4, 30), QByteArray("Tolvar Demo").leftJustified(30, ' '));
    EXPECT_EQ(record.mid(34, 35), QByteArray("Estacion de prueba").leftJustified(35, ' '));
    // Latitude, longitude and altitude are blank-padded texts of 15, 15 and 5 bytes.
    for (auto [at, width] : {std::pair{69, 15}, {84, 15}, {99, 5}}) {
        const QByteArray text = record.mid(at, width);
        EXPECT_FALSE(text.trimmed().isEmpty()) << at;
        EXPECT_EQ(text, text.trimmed().leftJustified(width, ' ')) << at;
    }
    EXPECT_EQ(std::uint8_t(record[104]), 0x10);
    EXPECT_EQ(record.mid(105), bytes({0x14, 0x05, 0x09, 0x03, 0x07, 0x26}));
    EXPECT_EQ(logger.serial(), QStringLiteral("02050123"));
}

TEST(ConfigRead, ClockRunsWithThePcClock) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    clock.now = QDateTime(QDate(2029, 12, 31), QTime(23, 59, 59));
    EXPECT_EQ(logger.configRecord().mid(105), bytes({0x23, 0x59, 0x59, 0x31, 0x12, 0x29}));
    clock.now = clock.now.addSecs(1);
    EXPECT_EQ(logger.configRecord().mid(105), bytes({0x00, 0x00, 0x00, 0x01, 0x01, 0x30}));
}

struct ReadShape {
    const char* name;
    std::uint8_t selection;
    int size;
    QByteArray (LoggerEmulator::*record)() const;
};

class ReadShapeTest : public ::testing::TestWithParam<ReadShape> {};

TEST_P(ReadShapeTest, SendsTheRecordOneByteAPerEcho) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    const ReadShape& shape = GetParam();
    const QByteArray record = (logger.*shape.record)();
    ASSERT_EQ(record.size(), shape.size);

    const QByteArray got = readExchange(logger, shape.selection);
    EXPECT_EQ(got.size(), 2 + shape.size);
    EXPECT_EQ(got.left(2), bytes({0x55, shape.selection}));
    EXPECT_EQ(got.mid(2), record);
}

TEST_P(ReadShapeTest, WaitsForTheGoAheadAndTheEcho) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    const ReadShape& shape = GetParam();
    const QByteArray record = (logger.*shape.record)();
    logger.receive(bytes({kWake, kAttention, shape.selection}));
    // Anything but 0x55 after the selection ends the exchange.
    EXPECT_TRUE(logger.receive(0x56).isEmpty());
    EXPECT_TRUE(logger.receive(0x55).isEmpty());

    ASSERT_EQ(logger.receive(bytes({kWake, kAttention, shape.selection, 0x55})).right(1),
              record.left(1));
    // A wrong echo ends it too, and the right one afterwards is too late.
    EXPECT_TRUE(logger.receive(std::uint8_t(record[0] ^ 0x01)).isEmpty());
    EXPECT_TRUE(logger.receive(std::uint8_t(record[0])).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Exchanges, ReadShapeTest,
                         ::testing::Values(ReadShape{"config", 0x60, 111,
                                                     &LoggerEmulator::configRecord},
                                           ReadShape{"sms", 0x2D, 20, &LoggerEmulator::smsRecord}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(SmsRead, RecordLayout) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    const QByteArray record = logger.smsRecord();
    ASSERT_EQ(record.size(), 20);
    const QByteArray cell = record.left(15);
    EXPECT_EQ(cell, cell.trimmed().leftJustified(15, ' '));
    for (char c : cell.trimmed()) EXPECT_TRUE(c >= '0' && c <= '9') << cell.toStdString();
    // One of the five send-interval codes.
    EXPECT_TRUE(QByteArray::fromHex("0001020612").contains(record[15]));
}

// --- bytes that fit no exchange ---------------------------------------------------------------

class UnexpectedTest : public ::testing::TestWithParam<QByteArray> {};

TEST_P(UnexpectedTest, GoesBackToIdleSilently) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    const QByteArray sequence = GetParam();
    QByteArray last;
    for (char c : sequence) last = logger.receive(std::uint8_t(c));
    EXPECT_TRUE(last.isEmpty());
    // Idle: neither a selection nor an attention byte is answered until the next wake-up.
    EXPECT_TRUE(logger.receive(0x60).isEmpty());
    EXPECT_TRUE(logger.receive(kAttention).isEmpty());
    EXPECT_EQ(logger.receive(kWake).size(), 21);
}

INSTANTIATE_TEST_SUITE_P(Sequences, UnexpectedTest,
                         ::testing::Values(bytes({kAttention}), bytes({kWake, 0x60}),
                                           bytes({kWake, kAttention, 0x00}),
                                           bytes({kWake, kAttention, 0x61}),
                                           bytes({kWake, kAttention, 0x60, 0x60})));

// --- write shape ------------------------------------------------------------------------------

QByteArray configFrame() {
    QByteArray frame = QByteArray("Ana").leftJustified(30, ' ') +
                       QByteArray("Pozo \xBA 3").leftJustified(35, ' ') +
                       QByteArray("-31.1").leftJustified(15, ' ') +
                       QByteArray("-64.2").leftJustified(15, ' ') +
                       QByteArray("12").leftJustified(5, ' ');
    frame += bytes({0x30, 0x23, 0x59, 0x50, 0x31, 0x12, 0x29});
    return frame;
}

struct WriteShape {
    const char* name;
    std::uint8_t selection;
    QByteArray data;
    std::function<void(LoggerEmulator&, FakeClock&)> check;
};

class WriteShapeTest : public ::testing::TestWithParam<WriteShape> {};

TEST_P(WriteShapeTest, PacesTheDataAndAppliesIt) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    const WriteShape& shape = GetParam();
    const QByteArray got = writeExchange(logger, shape.selection, shape.data);
    // The attention answer, then one byte per data byte; nothing after the last one.
    EXPECT_EQ(got.size(), 1 + shape.data.size());
    EXPECT_EQ(got.left(1), bytes({0x55}));
    // Idle afterwards.
    EXPECT_TRUE(logger.receive(0x00).isEmpty());
    shape.check(logger, clock);
}

TEST_P(WriteShapeTest, AnIncompleteWriteChangesNothing) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock));
    const QByteArray config = logger.configRecord(), sms = logger.smsRecord();
    const WriteShape& shape = GetParam();
    writeExchange(logger, shape.selection, shape.data.chopped(1));
    EXPECT_EQ(logger.configRecord(), config);
    EXPECT_EQ(logger.smsRecord(), sms);
    EXPECT_EQ(logger.storedRecords(), 500);
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, WriteShapeTest,
    ::testing::Values(
        WriteShape{"config", 0x96, configFrame(),
                   [](LoggerEmulator& logger, FakeClock& clock) {
                       clock.now = clock.now.addSecs(4);
                       const QByteArray record = readExchange(logger, 0x60).mid(2);
                       ASSERT_EQ(record.size(), 111);
                       EXPECT_EQ(record.left(4), bytes({0x00, 0x02, 0x05, 0x00}));
                       EXPECT_EQ(record.mid(4, 101), configFrame().left(101));
                       // The written clock, run on by the PC's 4 seconds.
                       EXPECT_EQ(record.mid(105), bytes({0x23, 0x59, 0x54, 0x31, 0x12, 0x29}));
                       EXPECT_EQ(logger.storedRecords(), 0);
                   }},
        WriteShape{"sms", 0x2E,
                   QByteArray("1165432100\xBE    \x12"
                              "ab\xBE"
                              "d"),
                   [](LoggerEmulator& logger, FakeClock&) {
                       EXPECT_EQ(readExchange(logger, 0x2D).mid(2),
                                 QByteArray("1165432100\xBE    \x12"
                                            "ab\xBE"
                                            "d"));
                       EXPECT_EQ(logger.storedRecords(), 500);
                   }},
        WriteShape{"serial", 0x64, bytes({0x00, 0x07, 0x05, 0x00, 0x00}),
                   [](LoggerEmulator& logger, FakeClock&) {
                       EXPECT_EQ(logger.serial(), QStringLiteral("00070500"));
                       EXPECT_EQ(logger.configRecord().left(4), bytes({0x00, 0x07, 0x05, 0x00}));
                       EXPECT_EQ(logger.memoryBlocks(), 4096);
                   }}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(ConfigWrite, AClockItCannotReadKeepsTheOldOne) {
    for (const QByteArray& clockBytes :
         {bytes({0x25, 0x00, 0x00, 0x01, 0x01, 0x20}), bytes({0x1A, 0x00, 0x00, 0x01, 0x01, 0x20}),
          bytes({0x10, 0x00, 0x00, 0x31, 0x02, 0x20})}) {
        FakeClock clock;
        LoggerEmulator logger(optionsWith(clock));
        const QByteArray frame = configFrame().left(101) + clockBytes;
        writeExchange(logger, 0x96, frame);
        EXPECT_EQ(logger.clock(), clock.now) << clockBytes.toHex().toStdString();
        // The rest of the frame still took.
        EXPECT_EQ(logger.configRecord().mid(4, 101), frame.left(101));
        EXPECT_EQ(logger.storedRecords(), 0);
    }
}

TEST(Serial, NormalForm) {
    EXPECT_EQ(LoggerEmulator::normalSerial(QStringLiteral("123")), QStringLiteral("00000123"));
    EXPECT_EQ(LoggerEmulator::normalSerial(QStringLiteral("12345678")), QStringLiteral("12345678"));
    for (const char* bad : {"", "123456789", "12a", "-12", " 12"})
        EXPECT_FALSE(LoggerEmulator::normalSerial(QString::fromLatin1(bad))) << bad;
}

// --- faults -----------------------------------------------------------------------------------

TEST(Faults, Parse) {
    Faults f;
    EXPECT_TRUE(f.parse(QStringLiteral("silent")));
    EXPECT_TRUE(f.parse(QStringLiteral("short-probe")));
    EXPECT_TRUE(f.parse(QStringLiteral("bad-handshake")));
    EXPECT_TRUE(f.parse(QStringLiteral("surplus-byte")));
    EXPECT_TRUE(f.parse(QStringLiteral("stall-after=12")));
    EXPECT_TRUE(f.parse(QStringLiteral("hangup-after=0")));
    EXPECT_TRUE(f.silent && f.shortProbe && f.badHandshake && f.surplusByte);
    EXPECT_EQ(f.stallAfter, 12);
    EXPECT_EQ(f.hangupAfter, 0);
    for (const char* bad : {"", "loud", "stall-after", "stall-after=", "stall-after=-1",
                            "stall-after=x", "stall-after=3x", "hangup-after= 3", "Silent"}) {
        Faults g;
        EXPECT_FALSE(g.parse(QString::fromLatin1(bad))) << bad;
        EXPECT_EQ(g.stallAfter, -1) << bad;
    }
}

TEST(Faults, SilentAnswersNothing) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock, {QStringLiteral("silent")}));
    EXPECT_TRUE(logger.receive(bytes({kWake, kWake, kAttention, 0x60, 0x55})).isEmpty());
}

TEST(Faults, ShortProbe) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock, {QStringLiteral("short-probe")}));
    EXPECT_EQ(logger.receive(kWake).size(), 20);
    EXPECT_EQ(logger.receive(kWake).size(), 20);
    // The exchanges themselves are untouched.
    EXPECT_EQ(readExchange(logger, 0x60).size(), 113);
}

TEST(Faults, BadHandshake) {
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock, {QStringLiteral("bad-handshake")}));
    logger.receive(kWake);
    EXPECT_EQ(logger.receive(kAttention), bytes({0x54}));
}

class StallTest : public ::testing::TestWithParam<int> {};

TEST_P(StallTest, StopsAfterNBytesOfEachExchange) {
    const int n = GetParam();
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock, {QStringLiteral("stall-after=%1").arg(n)}));
    const QByteArray full = logger.configRecord();
    const int expected = std::min(n, 113);
    for (int round = 0; round < 2; ++round) {
        const QByteArray got = readExchange(logger, 0x60);
        ASSERT_EQ(got.size(), expected) << "round " << round;
        EXPECT_EQ(got.mid(2), full.left(std::max(0, expected - 2)));
        // Nothing more until a wake-up, which is still answered in full.
        EXPECT_TRUE(logger.receive(0x55).isEmpty());
        EXPECT_FALSE(logger.hungUp());
    }
    EXPECT_EQ(logger.receive(kWake).size(), 21);
}

INSTANTIATE_TEST_SUITE_P(Counts, StallTest, ::testing::Values(0, 1, 2, 3, 50, 112, 113, 200));

class HangupTest : public ::testing::TestWithParam<int> {};

TEST_P(HangupTest, HangsUpAfterNBytes) {
    const int n = GetParam();
    FakeClock clock;
    LoggerEmulator logger(optionsWith(clock, {QStringLiteral("hangup-after=%1").arg(n)}));
    // The probe is no exchange: it does not count.
    ASSERT_EQ(logger.receive(kWake).size(), 21);
    EXPECT_FALSE(logger.hungUp());
    int sent = 0;
    const QByteArray pc = bytes({kAttention, 0x60, 0x55});
    for (int i = 0; i < pc.size(); ++i) {
        EXPECT_FALSE(logger.hungUp()) << i;
        sent += int(logger.receive(std::uint8_t(pc[i])).size());
        if (i == 0 && n > 0) {
            EXPECT_EQ(sent, 1);
            EXPECT_EQ(logger.sentInExchange(), 1);
        }
        if (logger.hungUp()) break;
    }
    EXPECT_TRUE(logger.hungUp());
    EXPECT_EQ(sent, n);
    EXPECT_TRUE(logger.receive(kWake).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Counts, HangupTest, ::testing::Values(0, 1, 2, 3));

}  // namespace
}  // namespace vernoll::sim
