// The assembler on the worst inputs its work limits are there for: each
// must finish within 10 s and 400 MB, or stop with an error that names the
// limit and the line. Each case runs in a child process of its own, so that
// its peak memory (maximum resident set) is its own. The wall time is that
// of Assemble alone; the CPU time, which a busy machine does not stretch,
// includes making the source.
//
//   bench_asm_limits
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "core/table.h"

namespace {

using Files = std::map<std::string, std::string>;

struct Case {
  const char* name;
  std::function<std::string(Files*)> make;  // the main source; fills the included files
};

std::string Repeated(const std::string& line, size_t times) {
  std::string text;
  text.reserve(line.size() * times);
  for (size_t i = 0; i < times; ++i) text += line;
  return text;
}

std::string NestedFunctions(int levels) {
  std::string s = "F1 FUNCTION X, X+1\n";
  for (int level = 2; level <= levels; ++level) {
    const std::string inner = "F" + std::to_string(level - 1) + "(X)";
    std::string body = inner;
    for (int i = 1; i < 20; ++i) body += "+" + inner;
    s += "F" + std::to_string(level) + " FUNCTION X, " + body + "\n";
  }
  return s + " LDI F" + std::to_string(levels) + "(1)&0xFF\n HALT\n";
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"six nested FUNCTIONs of 20 calls", [](Files*) { return NestedFunctions(6); }},
      {"eight nested FUNCTIONs of 20 calls", [](Files*) { return NestedFunctions(8); }},
      {"a file including itself as ./x.s .//x.s .///x.s",
       [](Files* files) {
         (*files)["x.s"] = " INCLUDE \"./x.s\"\n INCLUDE \".//x.s\"\n INCLUDE \".///x.s\"\n NOP\n";
         return (*files)["x.s"];
       }},
      {"40 includes of a 15 MB file",
       [](Files* files) {
         (*files)["big.s"] = Repeated("V SET V+1\n", 15 * 1024 * 1024 / 10);
         return "V SET 0\n" + Repeated(" INCLUDE \"big.s\"\n", 40);
       }},
      {"a 1 MB source: one wide macro called 4 times",
       [](Files*) { return "V SET 0\nW MACRO\n" + Repeated("V SET V+1\n", 1024 * 1024 / 10) + " ENDM\n W\n W\n W\n W\n"; }},
      {"a macro of 1,000 comment lines called 1,000 times",
       [](Files*) { return "C MACRO\n" + Repeated("; a comment line\n", 1000) + " ENDM\n" + Repeated(" C\n", 1000) + " HALT\n"; }},
      {"a WHILE whose condition stays true", [](Files*) { return "N SET 0\n WHILE N = 0\nM SET N\n ENDM\n"; }},
      {"REPT 1000 of REPT 1000 of NOP", [](Files*) { return " REPT 1000\n REPT 1000\n NOP\n ENDM\n ENDM\n"; }},
      {"16 MB of SET lines", [](Files*) { return "V SET 0\n" + Repeated("V SET V+1\n", 16 * 1024 * 1024 / 10 - 1); }},
      {"16 MB of NOP lines", [](Files*) { return Repeated(" NOP\n", 16 * 1024 * 1024 / 5); }},
      {"16 MB of 2-byte label lines", [](Files*) { return Repeated("A\n", 8 * 1024 * 1024 - 1); }},
  };
  return cases;
}

// In the child: makes the source (in a folder of its own, so that INCLUDE
// reads real files and knows them by device and inode), assembles it, and
// prints the time and the first message.
void RunCase(const Case& c, const scmp::InstructionTable& table) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bench_asm_limits." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  Files files;
  const std::string source = c.make(&files);
  for (const auto& [name, text] : files) std::ofstream(name, std::ios::binary) << text;
  const auto start = std::chrono::steady_clock::now();
  const scmp::Assembly a = scmp::Assemble(source, files.count("x.s") ? "x.s" : "main.s", table,
                                          [](const std::string& path, std::string* text, std::string* error) {
                                            std::ifstream in(path, std::ios::binary);
                                            if (!in) return *error = "cannot read", false;
                                            text->assign(std::istreambuf_iterator<char>(in), {});
                                            return true;
                                          });
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::string first = "no message";
  for (const scmp::Diagnostic& d : a.diagnostics)
    if (d.severity == scmp::Severity::kError) {
      first = scmp::FormatDiagnostic(d);
      break;
    }
  if (first.size() > 150) first = first.substr(0, 147) + "...";
  std::printf("%-50s %6.2f s  %5zu KB source  %s\n", c.name, seconds, source.size() / 1024, first.c_str());
  std::fflush(stdout);
  std::filesystem::current_path("/");
  std::filesystem::remove_all(dir);
}

}  // namespace

int main() {
  scmp::InstructionTable table;
  std::string error;
  if (!table.Load(std::string(SCMP_SOURCE_DATA_DIR) + "SCMP.DEL", &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  for (const Case& c : Cases()) {
    std::fflush(stdout);  // else the child prints what the parent had buffered
    const pid_t child = fork();
    if (child == 0) {
      RunCase(c, table);
      _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("%-50s peak %ld MB, %.2f s CPU in all (making the source included)%s\n", "", usage.ru_maxrss / 1024, cpu,
                WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : "  (failed)");
  }
  return 0;
}
