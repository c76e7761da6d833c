// Helpers of the grader tests: the shipped instruction table, programs from
// source text, test files from text, graded in one call.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "grader/grade.h"
#include "grader/program_load.h"
#include "grader/test_file.h"
#include "tests/support/test_util.h"

namespace scmp::grader::test {

// A started panel model whose loaders and table the grader uses.
class Loader {
 public:
  Loader() {
    panel_.SetWaitHook([](double) {});
    std::string error;
    EXPECT_TRUE(panel_.StartUp(scmp::test::SourceDataDir(), &error)) << error;
  }
  PanelModel& Panel() { return panel_; }
  const InstructionTable& Table() const { return panel_.Cpu().table(); }

  // `source` assembled as a program; a failure to load fails the test.
  ProgramImage Program(const std::string& source) {
    const std::string path = dir_.Write("program" + std::to_string(++count_) + ".s", source);
    return Load(path);
  }
  ProgramImage Load(const std::string& path) {
    ProgramImage image;
    std::vector<Diagnostic> diagnostics;
    std::string error;
    EXPECT_TRUE(LoadProgram(panel_, path, &image, &diagnostics, &error)) << error;
    for (const Diagnostic& d : diagnostics) ADD_FAILURE() << FormatDiagnostic(d);
    return image;
  }
  // `text` read as a test file; errors fail the test.
  TestFile Tests(const std::string& text) {
    TestFile file;
    std::vector<Diagnostic> diagnostics;
    EXPECT_TRUE(ParseTestFile(text, "t.test", &Table(), &file, &diagnostics));
    for (const Diagnostic& d : diagnostics) ADD_FAILURE() << FormatDiagnostic(d);
    return file;
  }

 private:
  PanelModel panel_;
  scmp::test::TempDir dir_;
  int count_ = 0;
};

}  // namespace scmp::grader::test
