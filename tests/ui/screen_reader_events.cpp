// What a screen reader is sent while a program runs, measured as a screen
// reader gets it: scripts/a11y_events.sh runs scmp-trainer under Xvfb with
// the accessibility bus and an AT-SPI listener, COUNTER.s running with the
// Monitor open. At most 30 events a second, and no accessibility warnings.
// Skips where Xvfb, xdotool, D-Bus, at-spi2-core or python3-pyatspi are
// missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <sys/wait.h>

namespace scmp {
namespace {

TEST(ScreenReaderEvents, ARunSendsAtMostThirtyEventsASecondAndNoWarnings) {
  const std::string source_dir = SCMP_SOURCE_DIR;
  const std::string command = "bash '" + source_dir + "/scripts/a11y_events.sh' '" + SCMP_TRAINER_PATH + "' '" +
                              source_dir + "/Scmp/Samples/COUNTER.s' 6 30";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "needs Xvfb, xdotool, dbus-run-session, at-spi2-core, python3-pyatspi";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "too many accessibility events or warnings (see the line above)";
}

}  // namespace
}  // namespace scmp
