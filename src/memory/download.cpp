#include "memory/download.h"

#include <QDir>
#include <QStandardPaths>
#include <QThread>
#include <QTime>

#include "form/controls.h"
#include "link/exchange_step.h"
#include "link/line_owner.h"
#include "link/logger_exchange.h"
#include "link/texts.h"
#include "memory/file_io.h"

namespace vernoll::memory {

namespace {

// The ending of an exchange the logger did not answer: the no-connection message with the
// port's refusal, and the reconnection button offered.
void offerReconnection(const ChannelSet& channels, FormState& form, Dialogs& dialogs,
                       const char* text = texts::kNoLogger) {
    QString shown = QString::fromLatin1(text);
    QString& refusal = channels.exchange().refusal;
    if (!refusal.isEmpty()) shown += QStringLiteral("\r\n") + refusal;
    refusal.clear();
    dialogs.message(shown);
    form.setEnabled(ctl::kReconnect, true);
    form.setText(ctl::kReconnect, QString::fromLatin1(texts::kConnectCaption));
}

}  // namespace

namespace {

constexpr char kHandshake2 = char(0xAA);
constexpr char kNextBlock = char(0x55);
constexpr int kBlock = MemoryImage::kRowBytes;

const QString kCommError = QStringLiteral("Error en comunicacion ");
const QString kSurplusError = QStringLiteral("Error en comunicacion AQQUI");
const QString kSuccess = QStringLiteral("La descarga de datos se realiz\u00f3 con exito");
// "... de 1024 bloques", the blocks received of those a complete download has.
QString ofBlocks(int received, int all) {
    return QStringLiteral("%1 de %2 bloques").arg(received).arg(all);
}
QString stallText(int received, int all) {
    return QStringLiteral("\r\nEl registrador dej\u00f3 de responder despu\u00e9s de ") +
           ofBlocks(received, all);
}
QString cancelText(int received, int all) {
    return QStringLiteral("Descarga cancelada despu\u00e9s de ") + ofBlocks(received, all);
}

}  // namespace

Download::Download(FormState& form, Dialogs& dialogs, const ChannelSet& channels,
                   ExchangeOpening& opening, MemoryImage& image, Timing timing, QObject* parent)
    : QObject(parent),
      form_(form),
      dialogs_(dialogs),
      channels_(channels),
      opening_(opening),
      image_(image),
      timing_(timing) {
    connect(&channels_[4], &Channel::commEvent, this, &Download::onComm);
    timer4_.setInterval(timing_.elapsedTick);
    connect(&timer4_, &QTimer::timeout, this, &Download::tick);
    stall_.setSingleShot(true);
    // Never shorter than the limit: a coarse timer may fire 5% early.
    stall_.setTimerType(Qt::PreciseTimer);
    connect(&stall_, &QTimer::timeout, this, &Download::stalled);
    // Timer4 runs while the form says so (Cancel elsewhere may switch it off).
    connect(&form_, &FormState::timersChanged, this, [this] {
        if (form_.timer4Enabled() && !timer4_.isActive()) timer4_.start();
        if (!form_.timer4Enabled()) timer4_.stop();
    });
}

Download::~Download() {
    if (worker_) worker_->wait();
}

void Download::start() {
    if (state_ != State::Idle || channels_.line().held() || archiving()) return;
    archiveFailed_ = false;
    started_.start();
    channels_.exchange().counter = 0;
    form_.conti = 0;
    form_.contj = -1;
    channels_.exchange().answered = false;
    form_.linea = 0;
    form_.setEnabled(ctl::groups::kHeldByDownload, false);
    form_.setText(ctl::progress::kElapsed, QStringLiteral("00:00:00"));

    channels_.line().take(QString::fromLatin1(line::kDownload));
    state_ = State::Opening;
    opening_.wakeUp(timing_.wakePause, [this] {
        form_.progressMax = form_.memo;
        form_.setText(ctl::progress::kWindow, QStringLiteral("Estado de Comunicacion"));
        form_.setText(ctl::progress::kBar, QStringLiteral("0"));
        form_.setVisible(ctl::progress::kBar, true);
        form_.setEnabled(ctl::progress::kBar, true);
        form_.setVisible(ctl::progress::kCancel, true);
        form_.setVisible(ctl::progress::kWindow, true);

        ExchangeOpening::Attention attention;
        attention.channel = 4;
        attention.wait = timing_.answerWait;
        attention.setCommPort = false;  // MSComm4 keeps the port discovery gave it
        attention.threshold = 1;
        opening_.attend(attention, [this](bool answered) {
            if (answered || state_ != State::Opening) return;
            becomeIdle();
            form_.setVisible(ctl::progress::kWindow, false);
            offerReconnection(channels_, form_, dialogs_, texts::kNoLoggerDownload);
            channels_[4].close();
            form_.setEnabled(ctl::groups::kGivenBackByDownload, true);
            emit finished(Outcome::NoAnswer);
        });
    });
}

void Download::becomeIdle() {
    state_ = State::Idle;
    // Given back before the ending sets its own buttons and starts the decoding run.
    if (channels_.line().holder() == QLatin1String(line::kDownload)) channels_.line().release();
}

void Download::onComm(int code) {
    if (state_ == State::Idle) return;
    if (code == comm::Hangup) {
        // The port went away under the download: a communication error, nothing more.
        abort(kCommError);
        return;
    }
    if (code != comm::Receive) return;
    Channel& ch = channels_[4];
    const int n = receiveOne(channels_.exchange(), ch);

    if (n < 1 || n > form_.memo) {
        abort(kCommError);
        return;
    }
    // The limit runs from the last handshake byte or block received.
    stall_.start(timing_.stall);
    if (n == 1) {
        if (channels_.exchange().lastByte != 0x55) return abort(kCommError);
        state_ = State::Handshake;
        ch.write(QByteArray(1, kHandshake2));
    } else if (n == 2) {
        if (channels_.exchange().lastByte != 0xAA) return abort(kCommError);
        state_ = State::Blocks;
        ch.write(QByteArray(1, kNextBlock));
        form_.setTimer4Enabled(true);
        ch.setReceiveThreshold(kBlock);
    } else {
        takeBlock(ch);
    }
    if (n == form_.memo) complete();
}

void Download::takeBlock(Channel& ch) {
    QByteArray block(1, char(channels_.exchange().lastByte));
    block += ch.read(kBlock - 1);
    image_.setRow(form_.conti, block);
    ++form_.conti;
    if (ch.bytesWaiting() > 0) {
        // The logger sent more than a block: the rows can no longer be trusted to line up.
        form_.print(QStringLiteral("InBufferCount=") + QString::number(ch.bytesWaiting()));
        ch.clearInput();
        abort(kSurplusError);
        return;
    }
    ch.write(QByteArray(1, kNextBlock));
    form_.setText(ctl::progress::kBar, QString::number(form_.conti));
}

void Download::abort(const QString& text) {
    becomeIdle();
    stall_.stop();
    channels_[4].close();
    form_.setTimer4Enabled(false);
    form_.setEnabled(ctl::kReconnect, true);
    form_.setVisible(ctl::progress::kWindow, false);
    // What arrived can still be opened and decoded as a base file.
    form_.setEnabled(ctl::kOpenBaseFile, true);
    dialogs_.message(text + partialCopyNote());
    emit finished(Outcome::Failed);
}

void Download::stalled() {
    if (state_ != State::Handshake && state_ != State::Blocks) return;
    abort(kCommError + stallText(form_.conti, form_.memo - 2));
}

QString Download::partialCopyNote() {
    backupPath_.clear();
    if (form_.conti <= 0) return {};
    const QString copy = keepCopy(true);
    const QString blocks = ofBlocks(form_.conti, form_.memo - 2);
    return copy.isEmpty()
               ? QStringLiteral("\r\n\r\nNo se pudo guardar una copia parcial de la memoria (") +
                     blocks + QLatin1Char(')')
               : QStringLiteral("\r\n\r\nCopia parcial de la memoria (") + blocks +
                     QStringLiteral(") en ") + copy;
}

void Download::complete() {
    becomeIdle();
    stall_.stop();
    Channel& ch = channels_[4];
    ch.setReceiveThreshold(1);
    ch.close();
    form_.setTimer4Enabled(false);
    form_.setEnabled(ctl::kReconnect, true);
    form_.setVisible(ctl::progress::kWindow, false);
    // A completed download is kept before anything can go wrong with its decoding or saving.
    const QString copy = keepCopy(false);
    // Then the station archive, on a thread of its own: the window stays responsive while a
    // server is slow to answer. A failure there is said, and loses nothing (the copy, the
    // memory image and the decoding run that follows stay as they are).
    if (!archiver_) {
        completed(copy, {});
        return;
    }
    ArchiveJob job = archiver_(copy);
    worker_.reset(QThread::create([this, job = std::move(job), copy] {
        ArchiveNote note = job();
        QMetaObject::invokeMethod(
            this,
            [this, note = std::move(note), copy] {
                worker_->wait();
                worker_.reset();
                completed(copy, note);
            },
            Qt::QueuedConnection);
    }));
    worker_->start();
}

void Download::completed(const QString& copy, const ArchiveNote& archived) {
    if (archived.keep) archived.keep();
    archiveFailed_ = archived.failed;
    dialogs_.message(
        kSuccess +
        (copy.isEmpty() ? QStringLiteral("\r\n\r\nNo se pudo guardar una copia de la memoria.")
                        : QStringLiteral("\r\n\r\nCopia de la memoria en ") + copy) +
        (archived.line.isEmpty() ? QString() : QStringLiteral("\r\n") + archived.line));
    if (onComplete_) onComplete_();
    form_.setEnabled(ctl::groups::kGivenBackByDownload, true);
    emit finished(Outcome::Completed);
}

void Download::cancel() {
    if (state_ == State::Opening) opening_.cancel();
    // The buttons below come after the line's own.
    if (channels_.line().holder() == QLatin1String(line::kDownload)) channels_.line().release();
    stall_.stop();
    form_.setTimer4Enabled(false);
    if (channels_[4].isOpen()) channels_[4].close();
    form_.setVisible(ctl::progress::kWindow, false);
    form_.setEnabled(ctl::kMainWindow, true);
    form_.setEnabled(ctl::groups::kGivenBackByDownload, true);
    if (state_ == State::Idle) return;
    state_ = State::Idle;
    // Blocks received before the cancel are kept, and the user is told where.
    if (form_.conti > 0)
        dialogs_.message(cancelText(form_.conti, form_.memo - 2) + partialCopyNote(),
                         Dialogs::Icon::Information);
    emit finished(Outcome::Cancelled);
}

QString Download::keepCopy(bool partial) {
    backupPath_.clear();
    QString folder = backupFolder_;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                 QStringLiteral("/descargas");
    if (!QDir().mkpath(folder)) return {};
    QString serial;
    for (std::uint8_t c : form_.ser) serial += (c >= '0' && c <= '9') ? QChar(c) : QChar(u'_');
    const QString path = QDir(folder).filePath(
        serial + QLatin1Char('_') + now_().toString(QStringLiteral("yyyyMMdd_HHmmss")) +
        (partial ? QStringLiteral("_parcial.rgt") : QStringLiteral(".rgt")));
    if (!writeBaseFile(path, image_, form_.conti)) return {};
    backupPath_ = path;
    return path;
}

void Download::tick() {
    form_.setText(ctl::progress::kElapsed, QTime(0, 0)
                                               .addMSecs(int(started_.elapsed() % 86400000))
                                               .toString(QStringLiteral("HH:mm:ss")));
}

}  // namespace vernoll::memory
