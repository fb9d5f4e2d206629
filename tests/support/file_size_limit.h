// A write that fails part-way, on POSIX systems: a file size limit cuts it short after the file was made.
#pragma once

#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace hvxfer::test {

// Runs `body` while files may grow to `bytes` at most. SIGXFSZ is ignored meanwhile, so the write past the
// limit returns an error instead of ending the process.
template <class Body>
void WithFileSizeLimit(rlim_t bytes, Body body) {
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &limited) != 0) {
    std::signal(SIGXFSZ, oldHandler);
    FAIL() << "cannot limit the file size";
  }
  body();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
}

}  // namespace hvxfer::test
#endif
