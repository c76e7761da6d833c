#include "files/load_report.h"

#include "core/hex.h"

namespace scmp {

namespace {
std::string Bytes(int n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }
}  // namespace

std::string LoadReport(const std::string& file_name, int stored, int first, int last, int dropped) {
  std::string report = file_name + ": ";
  if (stored > 0)
    report += Bytes(stored) + ", " + Hex(static_cast<unsigned>(first), 3) + "-" + Hex(static_cast<unsigned>(last), 3);
  else
    report += "no bytes stored";
  if (dropped > 0) report += "; " + Bytes(dropped) + " dropped (no RAM there)";
  return report;
}

}  // namespace scmp
