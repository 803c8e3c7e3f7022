#pragma once

#include <QTest>

// Adds one row of test data in a single call, so that clang-format keeps a row on one line.
template<typename... Values>
void dataRow(const char* name, const Values&... values)
{
    (QTest::newRow(name) << ... << values);
}
