// Ports that cannot be opened say why, and one command line's hold on a port.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>

#include "link/port_lock.h"
#include "link/serial_channel.h"
#include "support/qt_app.h"

using namespace vernoll;

namespace {

// A pseudo-terminal's slave device, for as long as this lives.
struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            path = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Pty() {
        if (master >= 0) ::close(master);
    }
    int master = -1;
    QString path;
};

}  // namespace

TEST(SerialChannel, APortThatCannotBeOpenedSaysWhyOnce) {
    test::ensureApp();
    Pty pty;
    ASSERT_FALSE(pty.path.isEmpty());
    // Another program holds the pty by the lock-file convention: its pid first (Qt's serial
    // ports follow it with the program's and the machine's names).
    QProcess other;
    other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(other.waitForStarted());
    const QString lockFile =
        QStringLiteral("/run/lock/LCK..") + pty.path.mid(5).replace(QLatin1Char('/'), u'_');
    QFile lock(lockFile);
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly)) << lockFile.toStdString();
    lock.write(QStringLiteral("%1\nsleep\n%2\n")
                   .arg(other.processId())
                   .arg(QSysInfo::machineHostName())
                   .toLatin1());
    lock.close();

    const struct {
        QString location;
        Channel::OpenFailure kind;
        QString reason;
    } cases[] = {
        {QStringLiteral("/dev/vernoll-no-such-port"), Channel::OpenFailure::Missing,
         QStringLiteral("no existe")},
        {pty.path, Channel::OpenFailure::Held,
         QStringLiteral("en uso por otro programa: sleep (pid %1)").arg(other.processId())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location.toStdString());
        const PortList ports{QStringList{c.location}};
        SerialChannel channel(ports);
        channel.setCommPort(1);
        QSignalSpy failed(&channel, &Channel::openFailed);
        EXPECT_FALSE(channel.open());
        EXPECT_EQ(channel.openFailure(), c.kind);
        EXPECT_EQ(channel.errorString(), c.reason);
        EXPECT_EQ(failed.count(), 1);
    }
    QFile::remove(lockFile);
    other.kill();
    other.waitForFinished();

    // Free again: it opens, and a second open of the same channel is no refusal of the port's.
    const PortList ports{QStringList{pty.path}};
    SerialChannel channel(ports);
    channel.setCommPort(1);
    QSignalSpy failed(&channel, &Channel::openFailed);
    ASSERT_TRUE(channel.open()) << channel.errorString().toStdString();
    EXPECT_FALSE(channel.open());
    EXPECT_EQ(channel.openFailure(), Channel::OpenFailure::None);
    EXPECT_EQ(failed.count(), 0);
}

TEST(PortLock, OneHolderPerDeviceWhateverItsName) {
    test::ensureApp();
    Pty pty;
    ASSERT_FALSE(pty.path.isEmpty());
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("logger"));
    ASSERT_TRUE(QFile::link(pty.path, link));
    EXPECT_EQ(PortLock::lockPath(link), PortLock::lockPath(pty.path));

    auto first = std::make_unique<PortLock>(pty.path);
    ASSERT_TRUE(first->acquire());
    PortLock second(link);
    EXPECT_FALSE(second.acquire());
    EXPECT_EQ(second.holder().pid, QCoreApplication::applicationPid());
    EXPECT_EQ(holderText(second.holder()),
              QStringLiteral("vernoll-cli (pid %1)").arg(QCoreApplication::applicationPid()));
    first.reset();  // released with its holder
    EXPECT_TRUE(second.acquire());
}
