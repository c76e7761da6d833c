#include "app/command_line.h"


namespace scmp {

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
