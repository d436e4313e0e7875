#include "NoteTime.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vm {

void NoteTime(const std::string& what, std::chrono::steady_clock::duration took) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const double ms = std::chrono::duration<double, std::milli>(took).count();
    std::printf("NOTE: time %s.%s: %s %.0f ms\n", test ? test->test_suite_name() : "",
                test ? test->name() : "", what.c_str(), ms);
    std::fflush(stdout);
}

}  // namespace vm
