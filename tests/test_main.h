#pragma once

#include <gtest/gtest.h>

#include <cstdio>

// Runs the tests selected, and fails where none is: a filter that matches nothing, or tests
// renamed out of their entry, would pass otherwise. Its last line says what it returns, which
// ctest requires under Wine, where a program killed by a signal ends with exit code 0.
inline int RunTests(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    const int selected = testing::UnitTest::GetInstance()->test_to_run_count();
    const int code = failed != 0 || selected == 0 ? 1 : 0;
    std::printf("%d tests selected, and the test program returns %d.\n", selected, code);
    std::fflush(stdout);
    return code;
}
