// The in-process port: one holder at a time, fresh buffers, answers from the event loop.
#include "sim/emulator_port.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "support/wait.h"

namespace vernoll::sim {
namespace {

constexpr char kWake = char(0xBE);
constexpr int kBound = 5000;  // ms; answers come on the next turn of the loop

struct PortFixture : ::testing::Test {
    explicit PortFixture(EmulatorOptions options = fixedClock()) : logger(std::move(options)) {}

    static EmulatorOptions fixedClock() {
        EmulatorOptions options;
        options.pcClock = [] { return QDateTime(QDate(2026, 7, 3), QTime(14, 5, 9)); };
        return options;
    }

    bool waitForBytes(Channel& channel, int n) {
        return vernoll::test::waitUntil([&] { return channel.bytesWaiting() >= n; }, kBound);
    }

    LoggerEmulator logger;
    EmulatorPort port{logger};
    ChannelSet channels{port.channelFactory()};
};

TEST_F(PortFixture, OnlyOneChannelHoldsThePort) {
    ASSERT_TRUE(channels[1].open());
    EXPECT_EQ(port.holder(), &channels[1]);
    for (int k = 2; k <= 8; ++k) {
        EXPECT_FALSE(channels[k].open()) << k;
        EXPECT_FALSE(channels[k].isOpen()) << k;
        EXPECT_FALSE(channels[k].errorString().isEmpty()) << k;
    }
    // Opening twice fails too, and leaves the channel holding the port.
    EXPECT_FALSE(channels[1].open());
    EXPECT_TRUE(channels[1].isOpen());

    channels.releaseAllBut(5);
    EXPECT_EQ(port.holder(), nullptr);
    ASSERT_TRUE(channels[5].open());
    EXPECT_TRUE(channels[5].errorString().isEmpty());
    EXPECT_FALSE(channels[1].open());
}

TEST_F(PortFixture, WritesNeedAnOpenChannel) {
    EXPECT_FALSE(channels[2].write(QByteArray(1, kWake)));
    ASSERT_TRUE(channels[2].open());
    EXPECT_TRUE(channels[2].write(QByteArray(1, kWake)));
    EXPECT_EQ(port.written(), QByteArray(1, kWake));
}

TEST_F(PortFixture, AnswerArrivesFromTheEventLoop) {
    Channel& probe = channels[1];
    probe.setReceiveThreshold(21);
    QSignalSpy events(&probe, &Channel::commEvent);
    ASSERT_TRUE(probe.open());
    ASSERT_TRUE(probe.write(QByteArray(1, kWake)));
    EXPECT_EQ(probe.bytesWaiting(), 0);
    EXPECT_EQ(events.count(), 0);

    ASSERT_TRUE(vernoll::test::waitUntil([&] { return events.count() > 0; }, kBound));
    EXPECT_EQ(events.first().first().toInt(), comm::Receive);
    EXPECT_EQ(probe.lastEvent(), comm::Receive);
    EXPECT_EQ(probe.bytesWaiting(), 21);
    EXPECT_EQ(probe.read(5).size(), 5);
    EXPECT_EQ(probe.bytesWaiting(), 16);
}

TEST_F(PortFixture, OpeningStartsWithAnEmptyBuffer) {
    ASSERT_TRUE(channels[1].open());
    channels[1].write(QByteArray(1, kWake));
    ASSERT_TRUE(waitForBytes(channels[1], 21));
    channels[1].close();

    ASSERT_TRUE(channels[2].open());
    EXPECT_EQ(channels[2].bytesWaiting(), 0);
    channels[2].close();
    // The same channel again: its own left-over bytes are gone too.
    ASSERT_TRUE(channels[1].open());
    EXPECT_EQ(channels[1].bytesWaiting(), 0);
    EXPECT_EQ(channels[1].lastEvent(), 0);
}

TEST_F(PortFixture, AnswersGoToWhoeverHoldsThePortWhenTheyArrive) {
    ASSERT_TRUE(channels[1].open());
    channels[1].write(QByteArray(1, kWake));
    channels[1].close();
    ASSERT_TRUE(channels[2].open());
    ASSERT_TRUE(waitForBytes(channels[2], 21));
    EXPECT_EQ(channels[2].bytesWaiting(), 21);
}

TEST_F(PortFixture, AnswersNobodyHoldsAreLost) {
    QSignalSpy events(&channels[1], &Channel::commEvent);
    ASSERT_TRUE(channels[1].open());
    channels[1].write(QByteArray(1, kWake));
    channels[1].close();
    QCoreApplication::processEvents();
    // One more wake-up marks the time: had the first answer been kept, it would come first.
    ASSERT_TRUE(channels[3].open());
    channels[3].write(QByteArray(1, kWake));
    ASSERT_TRUE(waitForBytes(channels[3], 21));
    EXPECT_EQ(channels[3].bytesWaiting(), 21);
    EXPECT_EQ(events.count(), 0);
    channels[3].close();
    ASSERT_TRUE(channels[1].open());
    EXPECT_EQ(channels[1].bytesWaiting(), 0);
}

TEST_F(PortFixture, WrittenRecordsEveryChannel) {
    ASSERT_TRUE(channels[1].open());
    channels[1].write(QByteArray(1, kWake));
    channels[1].close();
    ASSERT_TRUE(channels[2].open());
    channels[2].write(QByteArrayLiteral("\x55\x60"));
    EXPECT_EQ(port.written(), QByteArrayLiteral("\xBE\x55\x60"));
    port.clearWritten();
    EXPECT_TRUE(port.written().isEmpty());
}

// The import's handler, cut down: one byte per receive event, answered at once.
TEST_F(PortFixture, ConfigurationReadThroughTheChannels) {
    Channel& probe = channels[1];
    Channel& import = channels[2];
    probe.setReceiveThreshold(21);
    ASSERT_TRUE(probe.open());
    probe.write(QByteArray(1, kWake));
    ASSERT_TRUE(waitForBytes(probe, 21));
    probe.close();

    QByteArray received;
    QObject::connect(&import, &Channel::commEvent, [&](int code) {
        if (code != comm::Receive) return;
        const QByteArray byte = import.read(1);
        received += byte;
        const int n = int(received.size());
        if (n == 1) import.write(QByteArrayLiteral("\x60"));
        if (n == 2) import.write(QByteArrayLiteral("\x55"));
        if (n >= 3) import.write(byte);
        if (n == 113) import.close();
    });
    ASSERT_TRUE(import.open());
    import.write(QByteArrayLiteral("\x55"));
    ASSERT_TRUE(vernoll::test::waitUntil([&] { return !import.isOpen(); }, kBound));

    EXPECT_EQ(received.size(), 113);
    EXPECT_EQ(received.mid(2), logger.configRecord());
    // Wake-up, attention, selection, go-ahead and 111 echoes.
    EXPECT_EQ(port.written().size(), 1 + 1 + 1 + 1 + 111);
    EXPECT_EQ(port.written().mid(4), logger.configRecord());
}

struct HangupFixture : PortFixture {
    HangupFixture() : PortFixture(withHangup()) {}
    static EmulatorOptions withHangup() {
        EmulatorOptions options = fixedClock();
        options.faults.hangupAfter = 2;
        return options;
    }
};

TEST_F(HangupFixture, ClosesTheHolderAndRaisesHangup) {
    Channel& import = channels[2];
    QSignalSpy events(&import, &Channel::commEvent);
    ASSERT_TRUE(import.open());
    import.write(QByteArrayLiteral("\xBE\x55\x60"));
    ASSERT_TRUE(vernoll::test::waitUntil([&] { return !import.isOpen(); }, kBound));
    EXPECT_EQ(import.lastEvent(), comm::Hangup);
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.last().first().toInt(), comm::Hangup);
    // The bytes the logger sent before it hung up arrived first.
    EXPECT_EQ(events.first().first().toInt(), comm::Receive);
    // The line is gone.
    EXPECT_FALSE(import.open());
    EXPECT_FALSE(channels[1].open());
}

}  // namespace
}  // namespace vernoll::sim
