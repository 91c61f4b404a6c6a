#pragma once

#include <gtest/gtest.h>
#include <time.h>

#include <QByteArray>
#include <QDateTime>

namespace vernoll::test {

// Runs a test under another time zone of the PC (a POSIX TZ rule, which needs no zone files),
// and puts the old one back afterwards.
class ScopedZone {
public:
    explicit ScopedZone(const char* rule)
        : had_(qEnvironmentVariableIsSet("TZ")), old_(qgetenv("TZ")) {
        qputenv("TZ", rule);
        tzset();
        // The zone must be one that skips 02:30 on the last Sunday of March 2025, or the test
        // would pass without testing anything.
        const QDateTime gap(QDate(2025, 3, 30), QTime(2, 30));
        EXPECT_FALSE(gap.isValid() && gap.time() == QTime(2, 30)) << "the PC's zone did not change";
    }
    ~ScopedZone() {
        if (had_)
            qputenv("TZ", old_);
        else
            qunsetenv("TZ");
        tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

private:
    bool had_;
    QByteArray old_;
};

}  // namespace vernoll::test
