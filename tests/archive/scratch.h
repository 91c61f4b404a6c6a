#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <optional>
#include <vector>

#include "archive/archive.h"
#include "support/qt_app.h"

namespace vernoll::archive::test {

enum class Backend { SQLite, PostgreSQL };

inline void PrintTo(Backend b, std::ostream* os) {
    *os << (b == Backend::SQLite ? "SQLite" : "PostgreSQL");
}

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

// The test server's URL (a database where the tests may create and drop others): the
// variable VERNOLL_TEST_POSTGRES names a developer's own server; otherwise the server the
// CTest fixture started wrote its URL to $VERNOLL_TEST_POSTGRES_STATE/url, or why there is
// none to .../skip.
struct TestServer {
    QString url;
    QString whyNone;
};

inline TestServer testServer() {
    TestServer s;
    s.url = qEnvironmentVariable("VERNOLL_TEST_POSTGRES");
    if (!s.url.isEmpty()) return s;
    const QString state = qEnvironmentVariable("VERNOLL_TEST_POSTGRES_STATE");
    if (state.isEmpty()) {
        s.whyNone = QStringLiteral("no test server: run under ctest or set VERNOLL_TEST_POSTGRES");
        return s;
    }
    QFile url(state + QStringLiteral("/url"));
    QFile skip(state + QStringLiteral("/skip"));
    if (url.open(QIODevice::ReadOnly))
        s.url = QString::fromUtf8(url.readAll()).trimmed();
    else if (skip.open(QIODevice::ReadOnly))
        s.whyNone = QString::fromUtf8(skip.readAll()).trimmed();
    else
        s.whyNone = QStringLiteral(
            "the test server did not start (see the archive_postgres_start "
            "test's output)");
    return s;
}

// A connection of the test's own to a location, for what the archive's API does not do:
// planting faults, writing an old schema, reading tables directly.
class Raw {
public:
    explicit Raw(const QString& location) : name_(nextName()) {
        const Location where = *parseLocation(location);
        QSqlDatabase db = QSqlDatabase::addDatabase(
            where.kind == Location::Kind::SQLite ? "QSQLITE" : "QPSQL", name_);
        if (where.kind == Location::Kind::SQLite) {
            db.setDatabaseName(where.path);
        } else {
            db.setHostName(where.host);
            db.setPort(where.port);
            db.setUserName(where.user);
            db.setDatabaseName(where.database);
        }
        if (!db.open()) ADD_FAILURE() << db.lastError().text().toStdString();
    }
    ~Raw() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;

    // Runs statements separated by "\n;\n" (so that a function body may hold ';'); a failure
    // fails the test.
    void run(const QString& sql) {
        for (const QString& statement : sql.split(QStringLiteral("\n;\n"))) {
            QSqlQuery q(QSqlDatabase::database(name_, false));
            if (!q.exec(statement))
                ADD_FAILURE() << statement.toStdString() << ": "
                              << q.lastError().text().toStdString();
        }
    }
    // The first column of the first row of a query.
    QVariant value(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        if (!q.exec(sql) || !q.next()) {
            ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
            return {};
        }
        return q.value(0);
    }

    // Every row of a query, each its columns' values.
    std::vector<QVariantList> rows(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.setForwardOnly(true);
        std::vector<QVariantList> out;
        if (!q.exec(sql)) {
            ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
            return out;
        }
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i) row << q.value(i);
            out.push_back(row);
        }
        return out;
    }

private:
    static QString nextName() {
        static std::atomic<int> n{0};
        return QStringLiteral("raw-%1").arg(n++);
    }
    QString name_;
};

// An empty archive location of its own for one test: a file in a temporary folder, or a new
// database on the test server (dropped afterwards). With no server, location() is empty and
// whyNone() says why: the test then skips.
class Scratch {
public:
    explicit Scratch(Backend backend) {
        vernoll::test::ensureApp();
        if (backend == Backend::SQLite) {
            location_ = folder_.filePath(QStringLiteral("archivo.sqlite"));
            return;
        }
        const TestServer server = testServer();
        if (server.url.isEmpty()) {
            whyNone_ = server.whyNone;
            return;
        }
        static std::atomic<int> n{0};
        database_ = QStringLiteral("vernoll_test_%1_%2").arg(getpid()).arg(n++);
        admin_.emplace(server.url);
        admin_->run(QStringLiteral("CREATE DATABASE ") + database_);
        QUrl url(server.url);
        url.setPath(QLatin1Char('/') + database_);
        location_ = url.toString();
    }
    ~Scratch() {
        if (admin_) admin_->run(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(database_));
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const QString& location() const { return location_; }
    const QString& whyNone() const { return whyNone_; }
    QString folder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    QString location_;
    QString whyNone_;
    QString database_;
    std::optional<Raw> admin_;
};

// Skips the test, saying why, when its backend has no server.
#define VERNOLL_NEED_BACKEND(scratch)                                                          \
    do {                                                                                       \
        if ((scratch).location().isEmpty()) GTEST_SKIP() << (scratch).whyNone().toStdString(); \
    } while (0)

}  // namespace vernoll::archive::test
