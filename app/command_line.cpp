#include "app/command_line.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_identity.h"
#include "core/file_reader.h"

namespace scmp {

namespace {

std::string Clash(const NamedFile& a, const NamedFile& b) {
  return a.what + " " + Quoted(a.path) + " is the same file as " + b.what + " " + Quoted(b.path);
}

}  // namespace

std::string FileClash(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs) {
  std::vector<FileIdentity> output_ids;
  for (const NamedFile& out : outputs) output_ids.push_back(IdentifyFile(out.path));
  for (size_t i = 0; i < outputs.size(); ++i) {
    for (const NamedFile& in : inputs)
      if (in.kind != outputs[i].kind && IdentifyFile(in.path).SameFileAs(output_ids[i])) return Clash(outputs[i], in);
    for (size_t j = 0; j < i; ++j)
      if (output_ids[j].SameFileAs(output_ids[i])) return Clash(outputs[i], outputs[j]);
  }
  return "";
}

std::string SameFileTwice(const std::vector<NamedFile>& files) {
  std::vector<FileIdentity> ids;
  for (const NamedFile& f : files) ids.push_back(IdentifyFile(f.path));
  for (size_t i = 0; i < files.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (ids[j].SameFileAs(ids[i])) return Clash(files[i], files[j]);
  return "";
}

NamedFile InstructionTableFile(const std::string& data_dir) {
  return {"the instruction table", data_dir + "SCMP.DEL", "instruction table"};
}

void AddInputs(std::vector<NamedFile>* files, const std::vector<std::string>& paths, const std::string& what) {
  for (const std::string& path : paths) files->push_back({what, path, what});
}

void HoldClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int held = ::open("/dev/null", O_RDONLY);
    if (held >= 0 && held != fd) {
      ::dup2(held, fd);
      ::close(held);
    }
  }
}

bool FlushOutput(std::ostream& out, std::ostream& err, const std::string& name) {
  errno = 0;
  out.flush();
  if (out.good()) return true;
  const int cause = errno;
  err << name << ": cannot write the standard output" << (cause != 0 ? std::string(": ") + std::strerror(cause) : "")
      << "\n";
  return false;
}

void AddDataDirOption(CLI::App& app, std::string& dir) { app.add_option("--dir", dir); }

std::optional<int> ParseArguments(CLI::App& app, const std::vector<std::string>& args, const std::string& usage,
                                  const std::string& help, std::ostream& out, std::ostream& err) {
  // The usage and help texts are the programs' own, so CLI11's are not used.
  app.set_help_flag();
  bool help_wanted = false;
  app.add_flag("-h,--help", help_wanted);
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (help_wanted) {
      out << usage << "\n" << help;
      return 0;
    }
    err << app.get_name() << ": " << e.what() << "\n" << usage;
    return 2;
  }
  if (help_wanted) {
    out << usage << "\n" << help;
    return 0;
  }
  return std::nullopt;
}

}  // namespace scmp
