// Scratch file names of the running test's own, in the current folder: CTest runs each test
// of a program as a process of its own, side by side in one folder, under Wine and natively.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

// `prefix`, the test's name and the process number, then `what` (the rest of the name).
inline std::string ScratchName(const std::string& prefix, const std::string& what) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test ? test->name() : "none";
  std::replace(name.begin(), name.end(), '/', '_');  // parameterized tests: "Name/3"
#ifdef _WIN32
  const int process = _getpid();
#else
  const int process = int(getpid());
#endif
  return prefix + name + "_" + std::to_string(process) + "_" + what;
}
