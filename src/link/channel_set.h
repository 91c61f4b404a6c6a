#pragma once

#include <array>
#include <functional>
#include <memory>

#include "link/channel.h"
#include "link/exchange_context.h"
#include "link/line_owner.h"

namespace vernoll {

// The eight channels of the main window, MSComm1 to MSComm8, all on the logger's port.
//   1 probe, wake-up byte and line events   5 configuration send
//   2 configuration import                  6 live data
//   3 serial-number write                   7 SMS settings write
//   4 memory download                       8 SMS settings read
class ChannelSet {
public:
    using Factory = std::function<std::unique_ptr<Channel>()>;

    explicit ChannelSet(const Factory& make) : line_(std::make_unique<LineOwner>()) {
        static constexpr std::array<const char*, 8> kRoles = {"the probe",
                                                              "the configuration import",
                                                              "the serial-number write",
                                                              "the download",
                                                              "the configuration send",
                                                              "the live display",
                                                              "the SMS write",
                                                              "the SMS read"};
        for (std::size_t i = 0; i < channels_.size(); ++i) {
            channels_[i] = make();
            channels_[i]->setObjectName(QString::fromLatin1(kRoles[i]));
        }
    }
    // MSComm k, k from 1 to 8.
    Channel& operator[](int k) const { return *channels_.at(std::size_t(k - 1)); }
    // Closes every open channel but k: only one channel can hold the port.
    void releaseAllBut(int k) const {
        for (int i = 1; i <= 8; ++i)
            if (i != k && (*this)[i].isOpen()) (*this)[i].close();
    }

    // Every channel writes what it sends and receives to `trace` (none: nowhere).
    void setTrace(WireTrace* trace) const {
        for (const auto& c : channels_) c->setTrace(trace);
    }

    // Which operation holds the port the channels share.
    LineOwner& line() const { return *line_; }
    // The exchange under way on the port the channels share.
    ExchangeContext& exchange() const { return *exchange_; }

private:
    std::unique_ptr<LineOwner> line_;
    std::unique_ptr<ExchangeContext> exchange_ = std::make_unique<ExchangeContext>();
    std::array<std::unique_ptr<Channel>, 8> channels_;
};

}  // namespace vernoll
