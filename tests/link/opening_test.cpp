#include <gtest/gtest.h>

#include <QSignalSpy>

#include "link/exchange_opening.h"
#include "link/line_events.h"
#include "link/line_owner.h"
#include "support/fake_port.h"
#include "support/qt_app.h"
#include "support/wait.h"

using namespace vernoll;

namespace {

struct Rig {
    test::FakePort port;
    ChannelSet channels{port.factory()};
    LineEvents lineEvents{channels};
    ExchangeOpening opening{channels};
    QSignalSpy said{&channels.line(), &LineOwner::diagnosed};
    std::optional<bool> answered;
    int handled = 0;

    explicit Rig(bool logger) {
        channels.exchange().port = 1;
        channels[1].setReceiveThreshold(21);
        // An operation's receive handler on MSComm2: marks the answer.
        QObject::connect(&channels[2], &Channel::commEvent, [this](int code) {
            if (code != comm::Receive) return;
            channels.exchange().answered = true;
            channels[2].read(1);
            ++handled;
        });
        port.setPeer([logger](int, const QByteArray& w) -> QByteArray {
            if (!logger) return {};
            if (w == QByteArray(1, '\xBE')) return QByteArray(21, '\x07');
            if (w == QByteArray(1, 'U')) return QByteArray(1, 'U');
            return {};
        });
    }
    void run() {
        ExchangeOpening::Attention a;
        a.channel = 2;
        a.wait = Millis{300};
        opening.start(Millis{20}, a, [this](bool ok) { answered = ok; });
        test::waitUntil([this] { return answered.has_value(); });
    }
};

}  // namespace

TEST(Opening, WakeUpAnswerIsDroppedAndTheAttentionIsAnswered) {
    test::ensureApp();
    Rig rig(true);
    rig.run();
    ASSERT_EQ(rig.answered, true);
    // Wake-up on the probe channel, attention on the operation's channel.
    ASSERT_EQ(rig.port.writes().size(), 2U);
    EXPECT_EQ(rig.port.writes()[0].bytes, QByteArray(1, '\xBE'));
    EXPECT_EQ(rig.port.writes()[1].bytes, QByteArray(1, 'U'));
    // The 21-byte answer to the wake-up never reached a handler.
    EXPECT_EQ(rig.said.count(), 0);
    EXPECT_EQ(rig.handled, 1);
    EXPECT_FALSE(rig.channels[1].isOpen());
    EXPECT_FALSE(rig.channels[1].signalsBlocked());
    EXPECT_TRUE(rig.channels[2].isOpen());
    EXPECT_EQ(rig.channels.exchange().counter, 0);
}

TEST(Opening, SilenceEndsTheWaitUnanswered) {
    test::ensureApp();
    Rig rig(false);
    rig.run();
    EXPECT_EQ(rig.answered, false);
    EXPECT_FALSE(rig.channels.exchange().answered);
    EXPECT_EQ(rig.opening.state(), ExchangeOpening::State::Idle);
}

TEST(Opening, ChannelLeftOpenByAStalledExchangeIsClosedFirst) {
    test::ensureApp();
    Rig rig(true);
    rig.channels[2].setCommPort(1);
    ASSERT_TRUE(rig.channels[2].open());  // a stalled exchange still holds the port
    rig.run();
    EXPECT_EQ(rig.answered, true);
    EXPECT_EQ(rig.port.writes().size(), 2U);
}
