#include "app/test_command.h"

#include <filesystem>
#include <optional>

#include "app/command_line.h"
#include "core/file_reader.h"
#include "core/safe_save.h"
#include "grader/grade.h"
#include "grader/report.h"
#include "trainer/data_dir.h"

namespace scmp {

namespace {

namespace fs = std::filesystem;
using namespace grader;

constexpr const char* kUsage =
    "usage: scmp-test [--dir DIR] TESTFILE [PROGRAM]... [--seed N] [--trial K] [--json FILE]\n"
    "                 [--junit FILE] [--csv FILE] [--show-hidden] [--quiet]\n";

constexpr const char* kHelp =
    "Runs the tests of TESTFILE on each PROGRAM and grades it: what the board's\n"
    "LEDs, lamps, registers and memory show over the emulated time of the run.\n"
    "\n"
    "  PROGRAM          a source (.s, assembled first), listing (.asm), memory\n"
    "                   image (.ram) or Intel HEX file (.hex); with none, the test\n"
    "                   file's program line, relative to the test file\n"
    "  --dir DIR        data folder holding SCMP.DEL (default: $SCMP_DIR, else the\n"
    "                   Scmp folder beside this program, else your own copy in\n"
    "                   $XDG_DATA_HOME/scmp-trainer)\n"
    "  --seed N         the seed of the values randomize fills in (default 1);\n"
    "                   each test and each trial draws its own from it\n"
    "  --trial K        run only trial K of each test: with the --seed a failure\n"
    "                   names, it repeats that failure\n"
    "  --show-hidden    print hidden tests in full (for the teacher)\n"
    "  --json FILE      write the results as JSON for autograding services\n"
    "  --junit FILE     write the results as JUnit XML for CI systems\n"
    "  --csv FILE       write one row per program: file, score, max score, then\n"
    "                   each test's points\n"
    "  --quiet          print nothing but errors\n"
    "\n"
    "For each test one line, PASS or FAIL with the points and the first failure,\n"
    "then PROGRAM: S/M points, P of T tests passed. With several programs, a\n"
    "table of all of them follows. Runs are at unlimited speed and the same\n"
    "every time.\n"
    "\n"
    "Exit status: 0 when every test of every program passed, 1 when some failed\n"
    "or the standard output could not be written, 2 for bad options, a bad test\n"
    "file, a report that cannot be written or that is a file the command reads\n"
    "(nothing is then written), or a program named twice, 3 when a program could\n"
    "not be assembled or loaded or stored no byte (it scores 0 and is listed as\n"
    "not loaded). Where several apply: 2 before 3 before 1.\n";

struct Options {
  std::string dir, test_file, json, junit, csv;
  std::vector<std::string> programs;
  std::string seed_text;
  uint64_t seed = 1;
  int trial = 0;  // 0: every trial
  bool quiet = false, show_hidden = false;
};

std::optional<int> ParseOptions(const std::vector<std::string>& args, Options& o, std::ostream& out,
                                std::ostream& err) {
  CLI::App app("", "scmp-test");
  AddDataDirOption(app, o.dir);
  app.add_option("TESTFILE", o.test_file)->required();
  app.add_option("PROGRAM", o.programs);
  app.add_option("--seed", o.seed_text);
  // An empty file name would quietly mean "no report".
  const CLI::Validator file_name(
      [](std::string& name) { return name.empty() ? std::string("a file name cannot be empty") : std::string(); },
      "FILE");
  app.add_option("--json", o.json)->check(file_name);
  app.add_option("--junit", o.junit)->check(file_name);
  app.add_option("--csv", o.csv)->check(file_name);
  app.add_flag("--quiet", o.quiet);
  app.add_flag("--show-hidden", o.show_hidden);
  app.add_option("--trial", o.trial)->check(CLI::Range(1, kMostTrials));
  if (auto status = ParseArguments(app, args, kUsage, kHelp, out, err)) return status;
  if (app.count("--seed") > 0) {
    const std::string& s = o.seed_text;
    if (s.empty() || s.size() > 19 || s.find_first_not_of("0123456789") != std::string::npos) {
      err << "scmp-test: --seed takes a whole number 0..9999999999999999999, not " << s << "\n" << kUsage;
      return kTestUsageError;
    }
    o.seed = std::stoull(s);
  }
  return std::nullopt;
}

// The program line names its file relative to the test file.
std::string ProgramOfTestFile(const std::string& test_path, const std::string& program) {
  const fs::path p(program);
  if (p.is_absolute()) return program;
  return (fs::path(test_path).parent_path() / p).lexically_normal().string();
}

std::vector<NamedFile> Reports(const Options& o) {
  std::vector<NamedFile> files;
  if (!o.json.empty()) files.push_back({"the JSON report", o.json, "json"});
  if (!o.junit.empty()) files.push_back({"the JUnit report", o.junit, "junit"});
  if (!o.csv.empty()) files.push_back({"the CSV report", o.csv, "csv"});
  return files;
}

// Empty when no report is a file the command reads (the test file, the
// instruction table, a program, a file a program included) or another
// report, and no program is named twice; else why the command stops.
std::string FileFault(const Options& o, const std::string& data_dir, const std::vector<std::string>& programs,
                      const std::vector<std::string>& included) {
  std::vector<NamedFile> named;
  AddInputs(&named, programs, "the program");
  if (std::string twice = SameFileTwice(named); !twice.empty())
    return twice + "; name each program once";
  std::vector<NamedFile> inputs{{"the test file", o.test_file, "test"}, InstructionTableFile(data_dir)};
  inputs.insert(inputs.end(), named.begin(), named.end());
  AddInputs(&inputs, included, "the included file");
  if (std::string clash = FileClash(inputs, Reports(o)); !clash.empty()) return clash + "; nothing was written";
  return "";
}

bool WriteReport(const std::string& path, const std::string& text, const char* what, std::ostream& err) {
  if (path.empty()) return true;
  std::string error;
  if (SaveFileSafely(path, text, &error, what)) return true;
  err << "scmp-test: " << error << "\n";
  return false;
}

int Grade(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
          std::ostream& err) {
  Options o;
  if (auto status = ParseOptions(args, o, out, err)) return *status;

  PanelModel loader;
  loader.SetWaitHook([](double) {});
  std::string error;
  const std::string data_dir = FindDataDir(o.dir, exe_path, err, &error);
  if (data_dir.empty() || !loader.StartUp(data_dir, &error)) {
    err << "scmp-test: " << error << "\n";
    return kTestUsageError;
  }
  TestFile file;
  std::vector<Diagnostic> diagnostics;
  if (!ReadTestFile(o.test_file, &loader.Cpu().table(), &file, &diagnostics)) {
    for (const Diagnostic& d : diagnostics) err << TestFileMessage(d) << "\n";
    if (diagnostics.empty() || diagnostics.front().line > 0)
      err << "scmp-test: " << Escaped(o.test_file) << ": the test file has errors; nothing was run\n";
    return kTestUsageError;
  }
  std::vector<std::string> programs = o.programs;
  if (programs.empty() && !file.program.empty()) programs.push_back(ProgramOfTestFile(o.test_file, file.program));
  if (programs.empty()) {
    err << "scmp-test: no program: name one after the test file, or add a program line to " << Escaped(o.test_file)
        << "\n"
        << kUsage;
    return kTestUsageError;
  }

  if (const std::string fault = FileFault(o, data_dir, programs, {}); !fault.empty()) {
    err << "scmp-test: " << fault << ".\n";
    return kTestUsageError;
  }

  int status = kTestsPassed;
  TestRunner runner(loader.Cpu().table());
  std::vector<ProgramResult> results;
  std::vector<std::string> included;
  GradeOptions grading{o.seed, std::nullopt};
  if (o.trial > 0) grading.only_trial = o.trial;
  for (const std::string& path : programs) {
    ProgramImage image;
    diagnostics.clear();
    bool loaded = LoadProgram(loader, path, &image, &diagnostics, &error);
    included.insert(included.end(), image.included.begin(), image.included.end());
    std::string messages;
    for (const Diagnostic& d : diagnostics) messages += FormatDiagnostic(d) + "\n";
    err << messages;
    if (!messages.empty()) messages.pop_back();
    if (loaded) {
      image.path = path;
      // A program that exhausts memory is an error of its own: the others
      // are still graded.
      try {
        results.push_back(GradeProgram(runner, file, image, grading));
      } catch (const std::bad_alloc&) {
        error = path + ": grading ran out of memory";
        loaded = false;
      }
    }
    if (!loaded) {
      err << "scmp-test: " << Escaped(error) << "\n";
      results.push_back(UnloadedProgram(file, path, error, messages));
      status = kProgramNotLoaded;
    }
    if (!o.quiet) WriteProgramText(results.back(), out, o.show_hidden);
    if (loaded && results.back().Passed() != static_cast<int>(file.tests.size()) && status == kTestsPassed)
      status = kTestsFailed;
  }
  if (!o.quiet && results.size() > 1) {
    out << "\n";
    WriteClassTable(results, out);
  }
  // The programs' included files are known only now.
  if (const std::string fault = FileFault(o, data_dir, programs, included); !fault.empty()) {
    err << "scmp-test: " << fault << ".\n";
    return kTestUsageError;
  }
  if (!FlushOutput(out, err, "scmp-test") && status == kTestsPassed) status = kTestsFailed;
  // Every report is tried, whether or not one before it could be written.
  const bool json = WriteReport(o.json, JsonReport(results), "the JSON report", err);
  const bool junit = WriteReport(o.junit, JunitReport(results), "the JUnit report", err);
  const bool csv = WriteReport(o.csv, CsvReport(results), "the CSV report", err);
  return json && junit && csv ? status : kTestUsageError;
}

}  // namespace

// Memory that runs out outside a program's grading (the test file, the
// reports) ends the command with a message, never an abort.
int RunTestCommand(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
                   std::ostream& err) {
  try {
    return Grade(args, exe_path, out, err);
  } catch (const std::bad_alloc&) {
    err << "scmp-test: out of memory; nothing more was done\n";
    return kTestUsageError;
  }
}

}  // namespace scmp
