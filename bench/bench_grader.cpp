// Speed of grading: a class of PROGRAMS hand-ins, each loaded (assembled
// from source) and run through TESTS tests of 100 ms of emulated time, with
// timeline inputs and interval expectations, as scmp-test does.
//
//   bench_grader [PROGRAMS [TESTS [forbid]]]     default 30 10
//
// With `forbid`, each test also says `forbid self-modifying`, so that the
// runs go through the memory checks.
//
// Prints the wall time of the whole grading and the emulated instructions
// per second it ran.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "grader/grade.h"

int main(int argc, char** argv) {
  int programs = 30, tests = 10;
  if (argc > 1) programs = std::atoi(argv[1]);
  if (argc > 2) tests = std::atoi(argv[2]);
  const bool forbid = argc > 3 && std::string(argv[3]) == "forbid";
  if (programs <= 0 || tests <= 0 || (argc > 3 && !forbid)) {
    std::fprintf(stderr, "usage: %s [PROGRAMS [TESTS [forbid]]]\n", argv[0]);
    return 2;
  }
  const std::string data = SCMP_SOURCE_DATA_DIR;
  scmp::PanelModel loader;
  std::string error;
  if (!loader.StartUp(data, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  // Each test: the switches change on a timeline and the LEDs must follow.
  std::string text;
  for (int t = 0; t < tests; ++t)
    text += "test \"echo " + std::to_string(t) + "\"\n at 10ms switches 5A\n at 50ms switches A5\n"
            " expect leds A5 during 11ms..50ms\n expect leds 5A during 51ms..100ms\n run for 100ms\n" +
            (forbid ? " forbid self-modifying\n" : "") + "end\n";
  scmp::grader::TestFile file;
  std::vector<scmp::Diagnostic> diagnostics;
  if (!scmp::grader::ParseTestFile(text, "bench.test", &loader.Cpu().table(), &file, &diagnostics)) return 1;

  scmp::grader::TestRunner runner(loader.Cpu().table());
  const auto start = std::chrono::steady_clock::now();
  int passed = 0;
  scmp::grader::ProgramImage image;
  for (int p = 0; p < programs; ++p) {
    if (!scmp::grader::LoadProgram(loader, data + "Samples/EX1_INVERT.s", &image, &diagnostics, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    passed += scmp::grader::GradeProgram(runner, file, image, 1).Passed();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // The instructions of one program's runs, counted after the timing.
  uint64_t instructions = 0;
  for (const auto& test : file.tests) instructions += runner.Run(image, test, 1).end.instruction;
  std::printf("%d programs x %d tests of 100 ms: %.3f s (%.3f ms per program-test, %d tests passed), %.1f million "
              "instructions/s\n",
              programs, tests, seconds, seconds * 1000 / (programs * tests), passed,
              static_cast<double>(instructions) * programs / seconds / 1e6);
  return passed == programs * tests ? 0 : 1;
}
