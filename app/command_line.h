// What the command-line programs share: the --dir option, the reading of
// the arguments with their usage errors, and where the program itself is.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace scmp {

// A file named on the command line: what it is to the program ("the
// source", "the trace log") and its path. Files of the same `kind` may be
// one file: an output that saves again the input it was loaded from.
struct NamedFile {
  std::string what;
  std::string path;
  std::string kind;
};

// Empty when no output is the same file as an input or as another output;
// else a message naming both, such as `the listing "p.s" is the same file as
// the source "p.s"`. Files are compared by device and inode, so links and
// other names of one file are found; outputs that do not exist yet by their
// full path. Outputs of the kind of the input they match are let through.
std::string FileClash(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs);

// Empty when no two of `files` are one file, compared as FileClash compares;
// else a message naming both.
std::string SameFileTwice(const std::vector<NamedFile>& files);

// The data folder's instruction table (DATA_DIR ends in "/"): an input of
// every program, which no output may replace.
NamedFile InstructionTableFile(const std::string& data_dir);

// Each path of `paths` appended to `files` as an input named `what` ("the
// included file"), of a kind that no output has.
void AddInputs(std::vector<NamedFile>* files, const std::vector<std::string>& paths, const std::string& what);

// A standard stream that the caller closed (fd 0, 1 or 2) is held by
// /dev/null opened for reading: a file the program opens later then never
// takes its number, so output meant for the terminal cannot land in a
// report, and a write to a closed standard output still fails and is told.
void HoldClosedStandardStreams();

// Flushes `out`; false, with a message on `err` after "NAME: ", when
// standard output could not be written (a full disk, a closed pipe).
bool FlushOutput(std::ostream& out, std::ostream& err, const std::string& name);

// --dir DIR: the data folder holding SCMP.DEL and Samples/.
void AddDataDirOption(CLI::App& app, std::string& dir);

// Reads `args` (without the program name) into `app`. A usage error prints
// "NAME: message" and `usage` on `err` and gives exit status 2; -h/--help
// prints `help` on `out` and gives 0; otherwise nothing, and the caller goes on.
std::optional<int> ParseArguments(CLI::App& app, const std::vector<std::string>& args, const std::string& usage,
                                  const std::string& help, std::ostream& out, std::ostream& err);

}  // namespace scmp
