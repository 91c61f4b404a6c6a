#include "memory/download.h"

#include "link/exchange_step.h"
#include "link/line_owner.h"
#include "link/texts.h"

namespace vernoll::memory {

namespace {

constexpr int kChannel = 4;  // MSComm4
constexpr char kHandshake2 = char(0xAA);
constexpr char kNextBlock = char(0x55);
constexpr int kBlock = MemoryImage::kRowBytes;

const QString kCommError = QStringLiteral("Error en comunicacion ");
const QString kSurplusError = QStringLiteral("Error en comunicacion AQQUI");

QString stallText(int received, int all) {
    return QStringLiteral("\r\nEl registrador dej\u00f3 de responder despu\u00e9s de ") +
           download_texts::ofBlocks(received, all);
}

}  // namespace

QString download_texts::ofBlocks(int received, int all) {
    return QStringLiteral("%1 de %2 bloques").arg(received).arg(all);
}

QString download_texts::lineLost(const QString& port, int received, int all) {
    return QStringLiteral("Se perdi\u00f3 la l\u00ednea con el registrador en ") + port +
           QStringLiteral(" despu\u00e9s de ") + ofBlocks(received, all);
}

QString download_texts::cancelled(int received, int all) {
    return QStringLiteral("Descarga cancelada despu\u00e9s de ") + ofBlocks(received, all);
}

Download::Download(const ChannelSet& channels, ExchangeOpening& opening, MemoryImage& image,
                   Timing timing, QObject* parent)
    : QObject(parent), channels_(channels), opening_(opening), image_(image), timing_(timing) {
    connect(&channels_[kChannel], &Channel::commEvent, this, &Download::onComm);
    stall_.setSingleShot(true);
    // Never shorter than the limit: a coarse timer may fire 5% early.
    stall_.setTimerType(Qt::PreciseTimer);
    connect(&stall_, &QTimer::timeout, this, &Download::stalled);
}

void Download::start(int frames) {
    if (state_ != State::Idle || channels_.line().held()) return;
    frames_ = frames;
    blocks_ = 0;
    channels_.exchange().counter = 0;
    channels_.exchange().answered = false;
    emit began();

    channels_.line().take(QString::fromLatin1(line::kDownload));
    state_ = State::Opening;
    opening_.wakeUp(timing_.wakePause, [this] {
        emit attending();
        ExchangeOpening::Attention attention;
        attention.channel = kChannel;
        attention.wait = timing_.answerWait;
        attention.setCommPort = false;  // MSComm4 keeps the port discovery gave it
        attention.threshold = 1;
        opening_.attend(attention, [this](bool answered) {
            if (answered || state_ != State::Opening) return;
            becomeIdle();
            channels_[kChannel].close();
            ExchangeContext& exchange = channels_.exchange();
            OperationError e{Fault::NoAnswer, exchange.port, exchange.refusal,
                             QString::fromLatin1(texts::kNoLoggerDownload)};
            exchange.refusal.clear();
            emit failed(e);
        });
    });
}

void Download::becomeIdle() {
    state_ = State::Idle;
    // Given back before the ending: what follows may start another exchange.
    if (channels_.line().holder() == QLatin1String(line::kDownload)) channels_.line().release();
}

void Download::onComm(int code) {
    if (state_ == State::Idle) return;
    if (code == comm::Hangup) {
        // The port went away under the download: a communication error, nothing more.
        fail(Fault::HangUp, kCommError);
        return;
    }
    if (code != comm::Receive) return;
    Channel& ch = channels_[kChannel];
    const int n = receiveOne(channels_.exchange(), ch);

    if (n < 1 || n > frames_) {
        fail(Fault::Counter, kCommError);
        return;
    }
    // The limit runs from the last handshake byte or block received.
    stall_.start(timing_.stall);
    if (n == 1) {
        if (channels_.exchange().lastByte != 0x55) return fail(Fault::Counter, kCommError);
        state_ = State::Handshake;
        ch.write(QByteArray(1, kHandshake2));
    } else if (n == 2) {
        if (channels_.exchange().lastByte != 0xAA) return fail(Fault::Counter, kCommError);
        state_ = State::Blocks;
        ch.write(QByteArray(1, kNextBlock));
        ch.setReceiveThreshold(kBlock);
        emit progress(0, of());
    } else {
        takeBlock(ch);
    }
    if (n == frames_ && state_ != State::Idle) complete();
}

void Download::takeBlock(Channel& ch) {
    QByteArray block(1, char(channels_.exchange().lastByte));
    block += ch.read(kBlock - 1);
    image_.setRow(blocks_, block);
    ++blocks_;
    if (ch.bytesWaiting() > 0) {
        // The logger sent more than a block: the rows can no longer be trusted to line up.
        channels_.line().diagnose(QStringLiteral("InBufferCount=") +
                                  QString::number(ch.bytesWaiting()));
        ch.clearInput();
        fail(Fault::Surplus, kSurplusError);
        return;
    }
    ch.write(QByteArray(1, kNextBlock));
    emit progress(blocks_, of());
}

void Download::fail(Fault fault, const QString& text) {
    becomeIdle();
    stall_.stop();
    channels_[kChannel].close();
    sayWhenHandled(this, [this, e = OperationError{fault, channels_.exchange().port, {}, text}] {
        emit failed(e);
    });
}

void Download::stalled() {
    if (state_ != State::Handshake && state_ != State::Blocks) return;
    fail(Fault::Stall, kCommError + stallText(blocks_, of()));
}

void Download::complete() {
    becomeIdle();
    stall_.stop();
    Channel& ch = channels_[kChannel];
    ch.setReceiveThreshold(1);
    ch.close();
    sayWhenHandled(this, [this] { emit finished(); });
}

void Download::cancel() {
    if (state_ == State::Opening) opening_.cancel();
    if (channels_.line().holder() == QLatin1String(line::kDownload)) channels_.line().release();
    stall_.stop();
    if (channels_[kChannel].isOpen()) channels_[kChannel].close();
    if (state_ == State::Idle) return;
    state_ = State::Idle;
    emit failed({Fault::Cancelled,
                 channels_.exchange().port,
                 {},
                 download_texts::cancelled(blocks_, of())});
}

}  // namespace vernoll::memory
