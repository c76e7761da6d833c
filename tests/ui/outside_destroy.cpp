// The main window destroyed from outside (`xdotool windowclose`) ends the
// program as Exit does, idle or during an endless run. A real X server is
// needed: the test runs scmp-trainer under Xvfb and skips without one.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/test_util.h"
#include "ui/panel_layout.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;

pid_t Start(const std::vector<std::string>& argv, const std::string& display) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!display.empty()) ::setenv("DISPLAY", display.c_str(), 1);
    ::unsetenv("QT_QPA_PLATFORM");
    // Under AddressSanitizer: the X keyboard library calls strndup with a
    // length past the end of a NUL-terminated string, which strndup never
    // reads but strict string checks report. Only that check is eased.
    if (const char* asan = std::getenv("ASAN_OPTIONS"))
      ::setenv("ASAN_OPTIONS", (std::string(asan) + ":strict_string_checks=0").c_str(), 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::freopen("/dev/null", "w", stdout);
    ::freopen("/dev/null", "w", stderr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

// The exit status, or -1 when `pid` is still running after `seconds`.
int WaitFor(pid_t pid, double seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return -1;
}

bool Xdo(const std::string& display, const std::string& args, int seconds = 20) {
  return std::system(("export DISPLAY=" + display + "; timeout " + std::to_string(seconds) + " xdotool " + args +
                      " >/dev/null 2>&1")
                         .c_str()) == 0;
}

// Ends a child that a failed assertion left running.
struct KillAtEnd {
  pid_t pid;
  ~KillAtEnd() {
    if (::kill(pid, SIGKILL) == 0) WaitFor(pid, 2);
  }
};

TEST(OutsideDestroy, TheProgramEndsIdleAndDuringARun) {
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0)
    GTEST_SKIP() << "needs Xvfb and xdotool";
  int n = 140;
  while (fs::exists("/tmp/.X11-unix/X" + std::to_string(n)) || fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) ++n;
  const std::string display = ":" + std::to_string(n);
  const pid_t xvfb = Start({"Xvfb", display, "-screen", "0", "1024x768x24"}, "");
  const KillAtEnd xvfb_guard{xvfb};
  for (int i = 0; i < 100 && !fs::exists("/tmp/.X11-unix/X" + std::to_string(n)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

  test::TempDir data;
  fs::copy_file(test::SourceDataDir() + "SCMP.DEL", data.File("SCMP.DEL"));
  fs::create_directory(data.path() / "Samples");
  const std::string loop = data.Write("Samples/LOOP.ASM", "@0001\r\n90\r\nFE\r\n");  // JMP to itself

  for (const bool running : {false, true}) {
    const pid_t trainer = Start({SCMP_TRAINER_PATH, "--dir", data.path().string() + "/"}, display);
    const KillAtEnd trainer_guard{trainer};
    // Bounded, so that a program that never opens its window fails the test
    // instead of hanging it.
    ASSERT_TRUE(Xdo(display, "search --sync --onlyvisible --name 'SC/MP Trainer'", 60)) << "no window";
    const std::string window = "$(xdotool search --onlyvisible --name 'SC/MP Trainer' | head -1)";
    if (running) {
      // No pause, the endless loop loaded by typing its path, SST off, Run.
      const int menu = 19;  // the menu bar above the board
      auto click = [&](const QRect& r) {
        Xdo(display, "mousemove --window " + window + " " + std::to_string(r.center().x()) + " " +
                         std::to_string(r.center().y() + menu) + " click 1");
      };
      Xdo(display, "key alt+s");
      Xdo(display, "sleep 0.5 key ctrl+a type 0");
      Xdo(display, "key Return sleep 0.3 key alt+f sleep 0.3 key l sleep 0.5");
      Xdo(display, "key ctrl+a type '" + loop + "'");
      Xdo(display, "key Return sleep 0.5");
      click(layout::SstButton());
      click(layout::RunButton());
      EXPECT_EQ(WaitFor(trainer, 0.5), -1) << "the run did not go on";
    }
    ASSERT_TRUE(Xdo(display, "windowclose " + window));
    const int status = WaitFor(trainer, 5);
    EXPECT_EQ(status, 0) << (running ? "during a run" : "idle");
    if (status == -1) {
      ::kill(trainer, SIGKILL);
      WaitFor(trainer, 2);
    }
  }
  ::kill(xvfb, SIGTERM);
  WaitFor(xvfb, 5);
}

}  // namespace
}  // namespace scmp
