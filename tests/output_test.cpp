// SPDX-License-Identifier: MIT
// Writes to a descriptor that the system cuts short or interrupts are
// finished; a write that fails is an error, unless told to drop it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>
#include <string>
#include <thread>

#include "output.h"

namespace {

TEST(output, interrupted_and_short_writes_are_finished) {
  struct sigaction action {};
  action.sa_handler = [](int) {};  // no SA_RESTART: a blocked write() returns early
  ASSERT_EQ(sigaction(SIGUSR1, &action, nullptr), 0);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  fcntl(fds[1], F_SETPIPE_SZ, 4096);
  std::string text(1 << 20, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 23);
  std::thread writer([&] {
    scte104::descriptor_sink(fds[1], "pipe")(text.data(), text.size());
    close(fds[1]);
  });
  std::string got;
  char block[1000];
  for (ssize_t n; (n = read(fds[0], block, sizeof block)) > 0;) {
    got.append(block, static_cast<std::size_t>(n));
    pthread_kill(writer.native_handle(), SIGUSR1);
  }
  writer.join();
  close(fds[0]);
  EXPECT_EQ(got, text);
}

TEST(output, a_failed_write_throws_unless_ignored) {  // the message is checked end to end
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  EXPECT_THROW(scte104::descriptor_sink(full, "the disk")("x", 1), std::runtime_error);
  EXPECT_NO_THROW(scte104::descriptor_sink(full, "the disk", scte104::OnWriteFailure::ignore)("x", 1));
  close(full);
}

}  // namespace
