// Precompiled for the test programs: the QtCore set, GoogleTest and GoogleMock, and the Qt
// test helpers that do not change with the Qt modules a test links (QtTest does: its headers
// read QT_TESTCASE_BUILDDIR, which differs from test to test).
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "core.h"
