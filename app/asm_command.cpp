#include "app/asm_command.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "asm/assembler.h"
#include "asm/listing_writer.h"
#include "core/hex.h"
#include "core/table.h"
#include "files/file_kind.h"
#include "files/intel_hex.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "core/safe_save.h"
#include "files/source_file.h"
#include "trainer/data_dir.h"

namespace scmp {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: scmp-asm [--dir DIR] SOURCE [-o LISTING] [--ram IMAGE] [--hex FILE] [--symbols FILE]\n"
    "       scmp-asm [--dir DIR] --dis FILE [--from HHH] [--to HHH]\n";

constexpr const char* kHelp =
    "Assembles an SC/MP source into a listing that Files > Load ASM-file reads,\n"
    "or prints the disassembly of a listing, memory image or Intel HEX file.\n"
    "\n"
    "  --dir DIR        data folder holding SCMP.DEL (default: $SCMP_DIR, else the\n"
    "                   Scmp folder beside this program, else your own copy in\n"
    "                   $XDG_DATA_HOME/scmp-trainer)\n"
    "  -o LISTING       the listing to write (default: SOURCE with the extension .ASM)\n"
    "  --ram IMAGE      also write a memory image: the board's memory map with the\n"
    "                   program in it\n"
    "  --hex FILE       also write Intel HEX\n"
    "  --symbols FILE   also write the symbols, one NAME = 0xHHHH line each\n"
    "  --dis FILE       print FILE (*.ASM, *.RAM or *.hex) as source text\n"
    "  --from HHH       first address to disassemble (default 001)\n"
    "  --to HHH         last address (default: the last byte loaded)\n"
    "\n"
    "Diagnostics are printed as FILE:LINE:COL: error: message.\n"
    "Exit status: 0 on success, 1 for errors in the source or a file that cannot\n"
    "be read or written (no output file is then created or changed), 2 for bad\n"
    "options.\n";

struct Options {
  std::string dir, source, listing, ram, hex, symbols, dis, from, to;
};

std::optional<int> ParseAddress(const std::string& text) {
  std::string_view digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.remove_prefix(2);
  const auto value = ParseHex(digits, 3);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

std::string DefaultListing(const std::string& source) {
  fs::path p(source);
  p.replace_extension(".ASM");
  return p.string();
}

std::vector<HexBlock> Blocks(const Assembly& assembly) {
  std::vector<HexBlock> blocks;
  for (const LineCode& code : assembly.code) {
    if (!blocks.empty() && blocks.back().address + static_cast<int>(blocks.back().bytes.size()) == code.address)
      blocks.back().bytes.insert(blocks.back().bytes.end(), code.bytes.begin(), code.bytes.end());
    else
      blocks.push_back({code.address, code.bytes});
  }
  return blocks;
}

int AssembleFile(const Options& o, const InstructionTable& table, std::ostream& err) {
  std::string source, error;
  if (!ReadSourceFile(o.source, &source, &error)) {
    err << "scmp-asm: " << error << "\n";
    return 1;
  }
  const Assembly assembly = Assemble(source, o.source, table, ReadSourceFile);
  for (const Diagnostic& d : assembly.diagnostics) err << FormatDiagnostic(d) << "\n";
  if (!assembly.Succeeded()) {
    err << "scmp-asm: " << assembly.ErrorCount() << (assembly.ErrorCount() == 1 ? " error" : " errors")
        << "; nothing written.\n";
    return 1;
  }
  const std::string listing = o.listing.empty() ? DefaultListing(o.source) : o.listing;
  bool ok = SaveFileSafely(listing, ListingText(assembly, source, fs::path(o.source).filename().string()),
                           &error, "the listing");
  if (ok && !o.ram.empty()) {
    auto memory = std::make_unique<MemoryArray>();
    memory->LayOutStartupMap();
    StoreInRam(assembly, *memory);
    ok = SaveMemoryImage(*memory, o.ram, &error);
  }
  if (ok && !o.hex.empty()) ok = SaveIntelHex(Blocks(assembly), o.hex, &error);
  if (ok && !o.symbols.empty()) ok = SaveFileSafely(o.symbols, SymbolFileText(assembly), &error, "the symbol file");
  if (!ok) {
    err << "scmp-asm: " << error << "\n";
    return 1;
  }
  return 0;
}

int DisassembleFile(const Options& o, const InstructionTable& table, std::ostream& out, std::ostream& err) {
  auto memory = std::make_unique<MemoryArray>();
  memory->LayOutStartupMap();
  // Cells no file byte reached keep -1, so that the last loaded byte shows.
  memory->data.fill(-1);
  std::string error;
  const FileKind kind = KindOfFile(o.dis);
  bool ok;
  if (kind == FileKind::kMemoryImage) ok = LoadMemoryImage(*memory, o.dis, nullptr, &error);
  else if (kind == FileKind::kIntelHex) ok = LoadIntelHex(*memory, o.dis, &error);
  else ok = LoadListing(*memory, o.dis, &error);
  if (!ok) {
    err << "scmp-asm: " << error << "\n";
    return 1;
  }
  int last = 0;
  for (int a = kMemorySize - 1; a > 0; --a)
    if (memory->data[a] != -1 && (kind != FileKind::kMemoryImage || memory->data[a] != 0)) {
      last = a;
      break;
    }
  const int from = o.from.empty() ? 0x001 : *ParseAddress(o.from);
  const int to = o.to.empty() ? std::max(last, from) : *ParseAddress(o.to);
  for (int a = 0; a < kMemorySize; ++a)
    if (memory->data[a] == -1) memory->data[a] = 0;
  for (const std::string& line : Disassemble(*memory, from, to, table)) out << line << "\n";
  return 0;
}

// Checks what CLI11 cannot: one of SOURCE and --dis, and options that
// belong to the one given. Empty when all is well.
std::string OptionFault(const Options& o) {
  if (o.source.empty() == o.dis.empty()) return "give either a SOURCE to assemble or --dis FILE";
  if (!o.dis.empty() && (!o.listing.empty() || !o.ram.empty() || !o.hex.empty() || !o.symbols.empty()))
    return "-o, --ram, --hex and --symbols go with a SOURCE, not with --dis";
  if (o.dis.empty() && (!o.from.empty() || !o.to.empty())) return "--from and --to go with --dis";
  for (const std::string* a : {&o.from, &o.to})
    if (!a->empty() && !ParseAddress(*a)) return "an address is 1 to 3 hex digits (000..FFF), not " + *a;
  if (!o.from.empty() && !o.to.empty() && *ParseAddress(o.from) > *ParseAddress(o.to))
    return "--from must not lie after --to";
  return "";
}

}  // namespace

int RunAssembler(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
                 std::ostream& err) {
  Options o;
  CLI::App app("", "scmp-asm");
  AddDataDirOption(app, o.dir);
  app.add_option("SOURCE", o.source);
  app.add_option("-o", o.listing);
  app.add_option("--ram", o.ram);
  app.add_option("--hex", o.hex);
  app.add_option("--symbols", o.symbols);
  app.add_option("--dis", o.dis);
  app.add_option("--from", o.from);
  app.add_option("--to", o.to);
  if (auto status = ParseArguments(app, args, kUsage, kHelp, out, err)) return *status;
  if (const std::string fault = OptionFault(o); !fault.empty()) {
    err << "scmp-asm: " << fault << "\n" << kUsage;
    return 2;
  }

  InstructionTable table;
  std::string error;
  const std::string data_dir = FindDataDir(o.dir, exe_path, err, &error);
  if (data_dir.empty() || !table.Load(data_dir + "SCMP.DEL", &error)) {
    err << "scmp-asm: " << error << "\n";
    return 1;
  }
  return o.dis.empty() ? AssembleFile(o, table, err) : DisassembleFile(o, table, out, err);
}

}  // namespace scmp
