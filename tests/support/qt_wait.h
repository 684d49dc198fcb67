#pragma once
// Waiting in GoogleTest tests for what the event loop brings. Qt's QTRY_* macros report to
// QtTest's own log and then merely return, so a wait that runs out would let the test pass;
// these fail it.

#include <gtest/gtest.h>

#include <QTest>

#define KIVO_WAIT_TRUE(cond, ms)                                                               \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(cond); }, ms))                  \
        << "waited " #ms " ms for " #cond

#define KIVO_WAIT_EQ(actual, expected, ms)                                                     \
    do {                                                                                       \
        (void)QTest::qWaitFor([&] { return (actual) == (expected); }, ms);                     \
        ASSERT_EQ(actual, expected) << "after waiting " #ms " ms";                             \
    } while (false)
