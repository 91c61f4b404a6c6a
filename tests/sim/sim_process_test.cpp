// vernoll-sim as a program: a logger on a pseudo-terminal, opened as a serial port.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <utility>

#include "support/wait.h"

namespace {

constexpr int kBound = 5000;  // ms, for a loaded machine; nothing here waits for protocol time

class SimProcess : public ::testing::Test {
protected:
    void TearDown() override {
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            sim.waitForFinished(kBound);
        }
    }

    // Starts the sim and returns the device path from its first line.
    QString start(const QStringList& arguments) {
        sim.start(QStringLiteral(VERNOLL_SIM_BINARY), arguments);
        if (!sim.waitForStarted(kBound)) return {};
        if (!vernoll::test::waitUntil([&] { return sim.canReadLine(); }, kBound)) return {};
        return QString::fromLocal8Bit(sim.readLine()).trimmed();
    }

    bool openPort(const QString& path) {
        port.setPortName(path);
        if (!port.open(QIODevice::ReadWrite)) return false;
        port.setBaudRate(QSerialPort::Baud19200);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        // A pty refuses the modem-line calls; that is no fault of the line.
        port.clearError();
        // Taken as they come, as a channel's receive handler does: a hang-up right after the
        // last byte must not lose it.
        QObject::connect(&port, &QSerialPort::readyRead, [this] { arrived += port.readAll(); });
        return true;
    }

    QByteArray exchange(const QByteArray& out, int expected) {
        port.write(out);
        port.flush();
        // The callers look at what came; a short answer is theirs to report.
        [[maybe_unused]] const bool complete =
            vernoll::test::waitUntil([&] { return arrived.size() >= expected; }, kBound);
        return std::exchange(arrived, {});
    }

    QTemporaryDir dir;
    QProcess sim;
    QSerialPort port;
    QByteArray arrived;
};

TEST_F(SimProcess, AnswersTheWakeUpAndTheConfigurationReadAndLogsEveryByte) {
    ASSERT_TRUE(dir.isValid());
    const QString log = dir.filePath(QStringLiteral("wire.log"));
    const QString link = dir.filePath(QStringLiteral("logger"));
    const QString path =
        start({QStringLiteral("--serial"), QStringLiteral("123"), QStringLiteral("--log"), log,
               QStringLiteral("--link"), link, QStringLiteral("--pace")});
    ASSERT_TRUE(path.startsWith(QStringLiteral("/dev/"))) << path.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), path);
    ASSERT_TRUE(openPort(link)) << port.errorString().toStdString();

    QByteArray sent, received;
    const auto step = [&](const QByteArray& out, int expected) {
        sent += out;
        const QByteArray in = exchange(out, expected);
        received += in;
        return in;
    };
    EXPECT_EQ(step(QByteArrayLiteral("\xBE"), 21).size(), 21);
    EXPECT_EQ(step(QByteArrayLiteral("\x55"), 1), QByteArrayLiteral("\x55"));
    EXPECT_EQ(step(QByteArrayLiteral("\x60"), 1), QByteArrayLiteral("\x60"));
    QByteArray record = step(QByteArrayLiteral("\x55"), 1);
    while (record.size() < 111) {
        const QByteArray next = step(record.right(1), 1);
        ASSERT_EQ(next.size(), 1) << "after record byte " << record.size();
        record += next;
    }
    step(record.right(1), 0);
    EXPECT_EQ(record.left(4), QByteArray::fromHex("00000123"));
    EXPECT_EQ(record.mid(4, 11), QByteArray("Tolvar Demo"));
    EXPECT_EQ(record.size(), 111);
    port.close();

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(kBound));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());

    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QRegularExpression line(QStringLiteral("^(\\d+) (rx|tx) ([0-9a-f]{2})$"));
    QByteArray rx, tx;
    qint64 previous = 0;
    qint64 runStart = 0;
    int runIndex = 0;
    while (!file.atEnd()) {
        const QString text = QString::fromLatin1(file.readLine()).chopped(1);
        const auto match = line.match(text);
        ASSERT_TRUE(match.hasMatch()) << text.toStdString();
        const qint64 us = match.captured(1).toLongLong();
        EXPECT_GE(us, previous) << text.toStdString();
        const char byte = char(match.captured(3).toInt(nullptr, 16));
        if (match.captured(2) == QLatin1String("rx")) {
            rx += byte;
            runStart = us;
            runIndex = 0;
        } else {
            // --pace: 10 bits at 19200 baud is 520.8 us a byte. The logger answers the
            // program's byte with a run of bytes, byte k of which cannot leave before the
            // program's byte came in plus k byte times (the log counts whole us).
            EXPECT_GE(us, runStart + qint64(double(runIndex) * 520.83) - 1) << text.toStdString();
            ++runIndex;
            tx += byte;
        }
        previous = us;
    }
    EXPECT_EQ(rx, sent);
    EXPECT_EQ(tx, received);
}

TEST_F(SimProcess, HangupAfterClosesTheLineAndEnds) {
    const QString path = start({QStringLiteral("--fault"), QStringLiteral("hangup-after=1")});
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(openPort(path)) << port.errorString().toStdString();
    EXPECT_EQ(exchange(QByteArrayLiteral("\xBE"), 21).size(), 21);
    EXPECT_EQ(exchange(QByteArrayLiteral("\x55"), 1), QByteArrayLiteral("\x55"));
    // The program's port sees the line go away, as a serial channel's hang-up needs.
    // (Qt reports a pty's hang-up as a read error, not always as a resource error.)
    EXPECT_TRUE(vernoll::test::waitUntil(
        [&] {
            return port.error() == QSerialPort::ResourceError ||
                   port.error() == QSerialPort::ReadError;
        },
        kBound));
    port.close();
    ASSERT_TRUE(
        vernoll::test::waitUntil([&] { return sim.state() == QProcess::NotRunning; }, kBound));
    EXPECT_EQ(sim.exitCode(), 0);
}

TEST_F(SimProcess, ShortProbeFault) {
    const QString path = start({QStringLiteral("--fault"), QStringLiteral("short-probe"),
                                QStringLiteral("--fault"), QStringLiteral("bad-handshake")});
    ASSERT_TRUE(openPort(path)) << port.errorString().toStdString();
    EXPECT_EQ(exchange(QByteArrayLiteral("\xBE"), 20).size(), 20);
    // Had a 21st byte come, it would arrive ahead of the answer to the attention byte.
    EXPECT_EQ(exchange(QByteArrayLiteral("\x55"), 1), QByteArrayLiteral("\x54"));
}

TEST_F(SimProcess, RefusesBadUsage) {
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--fault"), QStringLiteral("loud")},
          QStringList{QStringLiteral("--serial"), QStringLiteral("123456789")},
          QStringList{QStringLiteral("--records"), QStringLiteral("many")},
          QStringList{QStringLiteral("--start"), QStringLiteral("2026-07-03")}}) {
        QProcess bad;
        bad.start(QStringLiteral(VERNOLL_SIM_BINARY), arguments);
        ASSERT_TRUE(bad.waitForFinished(kBound));
        EXPECT_EQ(bad.exitCode(), 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(bad.readAllStandardOutput().isEmpty());
    }
}

}  // namespace
