// Any byte sequence from the logger, fed to the configuration import one receive event at a
// time, must leave the program in one piece: the record codec, the clock composition, the
// classification and the summary all run on whatever arrives.

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

#include "config/config_import.h"
#include "support/fake_dialogs.h"
#include "support/fake_port.h"

using namespace vernoll;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FormState form;
    test::FakeDialogs dialogs;
    test::FakePort port;
    ChannelSet channels{port.factory()};
    ExchangeOpening opening{form, channels};
    config::ConfigImport import{form, dialogs, channels, opening, Timing::fast()};

    auto& ch = static_cast<test::FakeChannel&>(channels[2]);
    ch.setCommPort(1);
    ch.open();
    // The first bytes choose where in the exchange the stream starts.
    if (size > 0) channels.exchange().counter = data[0] % 120;
    if (size > 1) form.intervalMinutes = (data[1] & 1) ? QStringLiteral("10") : QString();
    for (std::size_t i = 2; i < size; ++i) {
        if (!ch.isOpen()) {
            ch.open();
            channels.exchange().counter = data[i] % 114;
            continue;
        }
        ch.arrive(QByteArray(1, char(data[i])));
    }
    return 0;
}
