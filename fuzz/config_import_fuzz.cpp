// Any byte sequence from the logger, fed to the configuration import one receive event at a
// time, must leave the program in one piece: the record codec, the clock composition, the
// classification and the summary all run on whatever arrives.

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

#include "config/config_import.h"
#include "config/device.h"
#include "support/fake_port.h"

using namespace vernoll;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    test::FakePort port;
    ChannelSet channels{port.factory()};
    ExchangeOpening opening{channels};
    config::ConfigImport import{channels, opening, Timing::fast()};

    auto& ch = static_cast<test::FakeChannel&>(channels[2]);
    ch.setCommPort(1);
    ch.open();
    // The first bytes choose where in the exchange the stream starts.
    if (size > 0) channels.exchange().counter = data[0] % 120;
    // The interval the window already showed, which a summary of an unknown code keeps.
    const QString shown = size > 1 && (data[1] & 1) ? QStringLiteral("10") : QString();
    // What the window and the command line make of a complete record.
    const auto present = [&] {
        const auto& c = import.configuration();
        if (!c) return;
        const QString minutes = config::intervalMinutesText(c->intervalCode);
        (void)config::summary(*c, minutes.isEmpty() ? shown : minutes);
        (void)c->serialNumber.type();
        (void)c->serialNumber.frames();
        (void)c->clockOffset();
        (void)config::clockFields(c->clockBytes);
    };
    for (std::size_t i = 2; i < size; ++i) {
        if (!ch.isOpen()) {
            present();
            ch.open();
            channels.exchange().counter = data[i] % 114;
            continue;
        }
        ch.arrive(QByteArray(1, char(data[i])));
    }
    present();
    return 0;
}
