#include "archive/location.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace vernoll::archive {

QString Location::display() const {
    if (kind == Kind::SQLite) return path;
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    url.setHost(host);
    url.setPort(port);
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

QString dataFolder() {
    // GenericDataLocation, not AppDataLocation: the window and the command line have
    // different application names, and both must find the same archive.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("vernoll"));
}

QString downloadsFolder() {
    return QDir(dataFolder()).filePath(QStringLiteral("descargas"));
}

QString defaultArchivePath() {
    return QDir(dataFolder()).filePath(QStringLiteral("archivo.sqlite"));
}

QString chosenLocation(const QString& given) {
    if (!given.isEmpty()) return given;
    const QString fromEnvironment = qEnvironmentVariable(kArchiveVariable);
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    return defaultArchivePath();
}

namespace {

bool isServerUrl(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

// "scheme://...": a URL of some kind, never a file's path.
bool looksLikeUrl(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(text).hasMatch();
}

}  // namespace

std::optional<Location> parseLocation(const QString& text) {
    if (!isServerUrl(text)) {
        // A mistyped scheme is no path: taken as one, its password would be shown as a folder.
        if (text.isEmpty() || looksLikeUrl(text)) return std::nullopt;
        Location file;
        file.path = text;
        return file;
    }
    const QUrl url(text, QUrl::StrictMode);
    Location server;
    server.kind = Location::Kind::PostgreSQL;
    server.user = url.userName(QUrl::FullyDecoded);
    server.password = url.password(QUrl::FullyDecoded);
    server.host = url.host(QUrl::FullyDecoded);
    server.port = url.port(5432);
    server.database = url.path(QUrl::FullyDecoded).mid(1);
    if (!url.isValid() || server.user.isEmpty() || server.host.isEmpty() ||
        server.database.isEmpty() || server.database.contains(QLatin1Char('/')) || url.hasQuery() ||
        url.hasFragment())
        return std::nullopt;
    return server;
}

QString withoutPassword(const QString& text) {
    if (!looksLikeUrl(text)) return text;
    // Cut between the first ':' after the scheme and the last '@', so that a password that
    // broke the URL's syntax is still never shown.
    const qsizetype start = text.indexOf(QLatin1String("://")) + 3;
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
    if (at < start) return text;
    const qsizetype colon = text.indexOf(QLatin1Char(':'), start);
    if (colon < 0 || colon > at) return text;
    return text.left(colon) + text.mid(at);
}

}  // namespace vernoll::archive
