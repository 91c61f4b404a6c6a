#pragma once

#include <QCoreApplication>

namespace vernoll::test {

// The event loop the handlers run on; one for the whole test program.
inline void ensureApp() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "vernoll-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

}  // namespace vernoll::test
