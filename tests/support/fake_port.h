#pragma once

// An in-memory port for tests: the eight channels of a ChannelSet share it, one holder at a
// time. What the program writes is recorded and handed to a scripted peer, whose answer is
// delivered from the event loop, as bytes from a real line would be.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "form/form_state.h"
#include "link/channel.h"
#include "link/channel_set.h"

namespace vernoll::test {

class FakePort;

class FakeChannel : public Channel {
public:
    explicit FakeChannel(FakePort& port) : port_(port) {}
    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    QString errorString() const override { return error_; }
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() const override { return int(buffer_.size()); }
    QByteArray read(int n) override {
        const QByteArray out = buffer_.left(n);
        buffer_.remove(0, out.size());
        return out;
    }
    void clearInput() override { buffer_.clear(); }

    void arrive(const QByteArray& bytes) {
        buffer_.append(bytes);
        bytesArrived();
    }
    void lineEvent(int code) { raise(code); }

private:
    FakePort& port_;
    bool open_ = false;
    QString error_;
    QByteArray buffer_;
};

class FakePort {
public:
    // The peer: given the program's bytes on port n, what the logger answers.
    using Peer = std::function<QByteArray(int port, const QByteArray& written)>;

    explicit FakePort(Peer peer = {}) : peer_(std::move(peer)) {}

    ChannelSet::Factory factory() {
        return [this] {
            auto c = std::make_unique<FakeChannel>(*this);
            channels_.push_back(c.get());
            return c;
        };
    }
    void setPeer(Peer peer) { peer_ = std::move(peer); }
    // Ports (1-based) whose open fails, as a missing device does.
    void setMissing(const std::vector<int>& ports) {
        for (int p : ports)
            refused_[p] = {Channel::OpenFailure::Missing, QStringLiteral("no existe")};
    }
    // A port whose open fails for the reason given.
    void setRefused(int port, Channel::OpenFailure why, const QString& reason) {
        refused_[port] = {why, reason};
    }

    // Every write, in order, with the channel's port.
    struct Write {
        int port;
        QByteArray bytes;
    };
    const std::vector<Write>& writes() const { return writes_; }
    QByteArray written() const {
        QByteArray all;
        for (const Write& w : writes_) all += w.bytes;
        return all;
    }
    void clearWrites() { writes_.clear(); }
    FakeChannel* holder() const { return holder_; }
    int opens() const { return opens_; }

    // Bytes arriving on the line now (delivered from the event loop).
    void send(const QByteArray& bytes) {
        QTimer::singleShot(0, [this, bytes] {
            if (holder_) holder_->arrive(bytes);
        });
    }

private:
    friend class FakeChannel;
    // False, with why, when the port refuses `c`: its refusal, or another of the eight
    // channels holds it (which is no refusal of the port's).
    bool acquire(FakeChannel* c, QString* error, Channel::OpenFailure* why) {
        *why = Channel::OpenFailure::None;
        if (const auto it = refused_.find(c->commPort()); it != refused_.end()) {
            *why = it->second.first;
            *error = it->second.second;
            return false;
        }
        if (holder_ && holder_ != c) {
            *error = QStringLiteral("port busy");
            return false;
        }
        holder_ = c;
        ++opens_;
        return true;
    }
    void release(FakeChannel* c) {
        if (holder_ == c) holder_ = nullptr;
    }
    void wrote(FakeChannel* c, const QByteArray& bytes) {
        writes_.push_back({c->commPort(), bytes});
        if (!peer_) return;
        const QByteArray answer = peer_(c->commPort(), bytes);
        if (!answer.isEmpty()) send(answer);
    }

    Peer peer_;
    FakeChannel* holder_ = nullptr;
    std::vector<FakeChannel*> channels_;
    std::map<int, std::pair<Channel::OpenFailure, QString>> refused_;
    std::vector<Write> writes_;
    int opens_ = 0;
};

inline bool FakeChannel::open() {
    if (open_) {
        error_ = QStringLiteral("already open");
        openOutcome(OpenFailure::None);
        return false;
    }
    OpenFailure why = OpenFailure::None;
    if (!port_.acquire(this, &error_, &why)) {
        openOutcome(why);
        return false;
    }
    openOutcome(OpenFailure::None);
    open_ = true;
    buffer_.clear();
    return true;
}

inline void FakeChannel::close() {
    if (!open_) return;
    open_ = false;
    buffer_.clear();
    port_.release(this);
}

inline bool FakeChannel::write(const QByteArray& bytes) {
    if (!open_) return false;
    port_.wrote(this, bytes);
    return true;
}

// Bytes beyond an exchange: channel k opened, the exchange counter standing at `counter` (the
// exchange's last byte), then `bytes` arrive and reach the handler as one more receive event.
inline FakeChannel& arriveBeyond(const ChannelSet& channels, int k, int counter,
                                 const QByteArray& bytes) {
    auto& fake = static_cast<FakeChannel&>(channels[k]);
    if (!fake.open())
        ADD_FAILURE() << "channel " << k << " did not open: " << fake.errorString().toStdString();
    channels.exchange().counter = counter;
    fake.arrive(bytes);
    return fake;
}

}  // namespace vernoll::test
