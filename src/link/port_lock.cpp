#include "link/port_lock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#else
#include <QLockFile>
#endif

namespace vernoll {

namespace {

// "/dev/ttyUSB0" -> "ttyUSB0", "/dev/pts/3" -> "pts_3": the name serial programs give a
// port's lock file after "LCK..".
QString portFileName(const QString& location) {
    QString name = location;
    if (name.startsWith(QLatin1String("/dev/"))) name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name;
}

QStringList lockFolders() {
#ifdef Q_OS_UNIX
    return {QStringLiteral("/run/lock"),        QStringLiteral("/var/lock"),
            QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
            QStringLiteral("/etc/locks"),       QDir::tempPath()};
#else
    return {QDir::tempPath()};
#endif
}

bool alive(qint64 pid) {
#ifdef Q_OS_UNIX
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#else
    Q_UNUSED(pid);
    return true;
#endif
}

QString programOf(qint64 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly)) return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

// The process id a lock file begins with (the UUCP convention writes it padded with blanks).
qint64 pidIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return file.readLine(64).trimmed().toLongLong();
}

}  // namespace

QString holderText(const PortHolder& holder) {
    if (holder.pid <= 0) return holder.program;
    const QString pid = QStringLiteral("pid %1").arg(holder.pid);
    return holder.program.isEmpty() ? pid : holder.program + QStringLiteral(" (") + pid + u')';
}

std::optional<PortHolder> lockFileHolder(const QString& location) {
    QStringList names{portFileName(location)};
    const QString canonical = QFileInfo(location).canonicalFilePath();
    if (!canonical.isEmpty() && canonical != location) names << portFileName(canonical);
    for (const QString& folder : lockFolders()) {
        for (const QString& name : names) {
            const qint64 pid = pidIn(folder + QStringLiteral("/LCK..") + name);
            if (pid > 0 && alive(pid)) return PortHolder{pid, programOf(pid)};
        }
    }
    return std::nullopt;
}

QString PortLock::lockPath(const QString& location) {
    // One device under several names (a link to it, say) is one lock.
    QString device = QFileInfo(location).canonicalFilePath();
    if (device.isEmpty()) device = location;
    const QString name = QStringLiteral("vernoll-cli..") + portFileName(device);
#ifdef Q_OS_UNIX
    for (const QString& folder : {QStringLiteral("/run/lock"), QStringLiteral("/var/lock")})
        if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0)
            return folder + u'/' + name;
#endif
    return QDir(QDir::tempPath()).filePath(name);
}

#ifdef Q_OS_UNIX

struct PortLock::Held {
    int fd = -1;
    ~Held() {
        if (fd >= 0) ::close(fd);
    }
};

PortLock::PortLock(QString location) : location_(std::move(location)) {}
PortLock::~PortLock() = default;

bool PortLock::acquire() {
    if (held_) return true;
    const QByteArray path = QFile::encodeName(lockPath(location_));
    auto held = std::make_unique<Held>();
    held->fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (held->fd >= 0) {
        // Every user's command line must be able to open it: the umask narrowed the mode.
        struct stat st {};
        if (::fstat(held->fd, &st) == 0 && st.st_uid == ::geteuid()) ::fchmod(held->fd, 0666);
    } else {
        // Made by another user without write access for us: a read-only descriptor locks too.
        held->fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (held->fd < 0) return true;  // no lock to be had: nothing to keep the command from
    if (::flock(held->fd, LOCK_EX | LOCK_NB) != 0) {
        holder_ = {pidIn(QFile::decodeName(path)), QStringLiteral("vernoll-cli")};
        return false;
    }
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(held->fd, 0) == 0) {
        [[maybe_unused]] const auto n =
            ::pwrite(held->fd, pid.constData(), std::size_t(pid.size()), 0);
    }
    held_ = std::move(held);
    return true;
}

#else

struct PortLock::Held {
    explicit Held(const QString& path) : file(path) {}
    QLockFile file;
};

PortLock::PortLock(QString location) : location_(std::move(location)) {}
PortLock::~PortLock() = default;

bool PortLock::acquire() {
    if (held_) return true;
    auto held = std::make_unique<Held>(lockPath(location_));
    if (!held->file.tryLock(0)) {
        qint64 pid = 0;
        QString host, app;
        if (held->file.getLockInfo(&pid, &host, &app)) holder_ = {pid, app};
        return held->file.error() != QLockFile::LockFailedError;
    }
    held_ = std::move(held);
    return true;
}

#endif

}  // namespace vernoll
