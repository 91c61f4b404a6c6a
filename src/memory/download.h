#pragma once

#include <QObject>
#include <QTimer>

#include "link/channel_set.h"
#include "link/exchange_opening.h"
#include "link/operation_error.h"
#include "link/timing.h"
#include "memory/memory_image.h"

namespace vernoll::memory {

// The memory download: copies the logger's whole memory into the memory image on MSComm4.
//
// After the common opening the logger and the program trade a handshake, then the logger
// sends its memory in 64-byte blocks, each one asked for:
//   logger 0x55 -> program 0xAA -> logger 0xAA -> program 0x55 -> block 0 -> 0x55 -> block 1 ...
// A complete download is `frames` receive events: the two handshake bytes and frames - 2
// blocks. A logger that goes quiet for the stall limit after it answered ends the download
// as a communication error does. A download that ends before its last block (an error, a
// hang-up, a stall, a cancel) leaves the blocks it received in the image: blocks() says how
// many.
class Download : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,       // no download under way (also after an abort, a cancel or the completion)
        Opening,    // wake-up, pause, attention byte, wait for the logger's 0x55
        Handshake,  // the logger answered; its 0xAA is awaited
        Blocks,     // one receive event per 64-byte block
    };

    Download(const ChannelSet& channels, ExchangeOpening& opening, MemoryImage& image,
             Timing timing, QObject* parent = nullptr);

    // Downloads `frames` receive events' worth of the logger's memory. Nothing while another
    // operation holds the line.
    void start(int frames);
    // Stops a download under way: failed() with Fault::Cancelled. Nothing when none is.
    void cancel();
    State state() const { return state_; }
    // Blocks stored in the image by the current (or last) download.
    int blocks() const { return blocks_; }
    // Blocks of a whole download.
    int of() const { return frames_ - 2; }

signals:
    // The line is taken and the wake-up goes out.
    void began();
    // The wake-up's pause is over: the attention byte goes out.
    void attending();
    // `blocks` of `of` blocks stored; 0 once the handshake is done.
    void progress(int blocks, int of);
    // The download ends once: every block arrived, or the error (Fault::NoAnswer, Counter,
    // Stall, Surplus, HangUp, Cancelled).
    void finished();
    void failed(const vernoll::OperationError& error);

private:
    void onComm(int code);
    void takeBlock(Channel& ch);
    void fail(Fault fault, const QString& text);
    void stalled();
    // Idle, and the line given back.
    void becomeIdle();
    void complete();

    const ChannelSet& channels_;
    ExchangeOpening& opening_;
    MemoryImage& image_;
    Timing timing_;
    State state_ = State::Idle;
    int frames_ = 0;
    int blocks_ = 0;
    QTimer stall_;  // the logger answered and then went quiet
};

// The texts of a download's endings.
namespace download_texts {
// "1000 de 1024 bloques".
QString ofBlocks(int received, int all);
// A cancel after some blocks: "Descarga cancelada despu\u00e9s de 10 de 1024 bloques".
QString cancelled(int received, int all);
// The port gone under a download: "Se perdi\u00f3 la l\u00ednea con el registrador en
// /dev/ttyUSB0 despu\u00e9s de 4 de 1024 bloques".
QString lineLost(const QString& port, int received, int all);
}  // namespace download_texts

}  // namespace vernoll::memory
