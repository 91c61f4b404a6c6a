#pragma once

// A logger reduced to a script, for the faults the emulator cannot make: any record bytes,
// any probe answer, a stop at any byte.

#include <QByteArray>
#include <cstdint>

namespace vernoll::test {

struct ScriptedLogger {
    QByteArray probeAnswer = QByteArray(21, '\x11');  // answer to each wake-up byte
    QByteArray record;                                // sent after selection, 0x55
    int stopAfter = -1;  // record bytes sent before it falls silent (-1: never)
    int surplus = 0;     // bytes sent after the last record byte's echo
    bool silent = false;

    // The logger's side: the program's bytes in, the answer out.
    QByteArray answer(const QByteArray& written) {
        QByteArray out;
        for (char c : written) out += answerByte(std::uint8_t(c));
        return out;
    }

private:
    enum class Step { Idle, Attention, Selected, Record };
    QByteArray answerByte(std::uint8_t b) {
        if (silent) return {};
        if (b == 0xBE && step_ != Step::Record) {
            step_ = Step::Idle;
            return probeAnswer;
        }
        switch (step_) {
            case Step::Idle:
                if (b != 0x55) return {};
                step_ = Step::Attention;
                return QByteArray(1, '\x55');
            case Step::Attention:
                step_ = Step::Selected;
                return QByteArray(1, char(b));
            case Step::Selected:
                step_ = Step::Record;
                sent_ = 0;
                return next();
            case Step::Record:
                return next();
        }
        return {};
    }
    QByteArray next() {
        if (sent_ >= record.size()) {
            step_ = Step::Idle;
            const int extra = surplus;
            surplus = 0;
            return QByteArray(extra, '\x00');
        }
        if (stopAfter >= 0 && sent_ >= stopAfter) return {};
        return QByteArray(1, record[sent_++]);
    }
    Step step_ = Step::Idle;
    int sent_ = 0;
};

}  // namespace vernoll::test
