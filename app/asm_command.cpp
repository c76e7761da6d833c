#include "app/asm_command.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "asm/assembler.h"
#include "asm/listing_writer.h"
#include "core/file_reader.h"
#include "core/hex.h"
#include "core/table.h"
#include "files/file_kind.h"
#include "files/intel_hex.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "core/safe_save.h"
#include "files/source_file.h"
#include "trainer/data_dir.h"
#include "trainer/panel_model.h"

namespace scmp {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: scmp-asm [--dir DIR] [-D NAME[=VALUE]]... SOURCE [-o LISTING] [--ram IMAGE] [--hex FILE]\n"
    "                [--symbols FILE] [--dbyte-high-first]\n"
    "       scmp-asm [--dir DIR] --dis FILE [--from HHH] [--to HHH]\n";

constexpr const char* kHelp =
    "Assembles an SC/MP source into a listing that Files > Load ASM-file reads,\n"
    "or prints the disassembly of a listing, memory image or Intel HEX file.\n"
    "\n"
    "  --dir DIR        data folder holding SCMP.DEL (default: $SCMP_DIR, else the\n"
    "                   Scmp folder beside this program, else your own copy in\n"
    "                   $XDG_DATA_HOME/scmp-trainer)\n"
    "  -D NAME[=VALUE]  define NAME before the first line (VALUE, else 1), for IFDEF\n"
    "                   and IF to choose a variant; may be given more than once,\n"
    "                   or with several joined by commas (-D EMULA,N=5)\n"
    "  -o LISTING       the listing to write (default: SOURCE with the extension .ASM)\n"
    "  --ram IMAGE      also write a memory image: the board's memory map with the\n"
    "                   program in it\n"
    "  --hex FILE       also write Intel HEX\n"
    "  --symbols FILE   also write the symbols, one NAME = 0xHHHH line each\n"
    "  --dbyte-high-first  .DBYTE stores the high byte first (default: low byte\n"
    "                   first, as National's published object code has it;\n"
    "                   DBYTEORDER HIGH/LOW in the source chooses too)\n"
    "  --dis FILE       print FILE (*.ASM, *.RAM or *.hex) as source text\n"
    "  --from HHH       first address to disassemble (default 001)\n"
    "  --to HHH         last address (default: the last byte loaded)\n"
    "\n"
    "Diagnostics are printed as FILE:LINE:COL: error: message.\n"
    "Exit status: 0 on success, 1 for errors in the source or a file that cannot\n"
    "be read or written (no output file is then created or changed), 2 for bad\n"
    "options or an output that is the same file as an input: the source, a file\n"
    "it includes or the data folder's SCMP.DEL (nothing is written then).\n";

struct Options {
  std::string dir, source, listing, ram, hex, symbols, dis, from, to;
  bool dbyte_high_first = false;
  std::vector<std::string> defines;  // NAME or NAME=VALUE
};

// "A,B=5" names two definitions, as the macro assembler's -D takes them:
// split at the commas outside quotes and parentheses.
std::vector<std::string> DefinitionsIn(const std::string& option) {
  std::vector<std::string> parts(1);
  int depth = 0;
  char quote = 0;
  for (char c : option) {
    if (quote) quote = c == quote ? 0 : quote;
    else if (c == '"' || c == '\'') quote = c;
    else if (c == '(') ++depth;
    else if (c == ')') depth -= depth > 0;
    else if (c == ',' && depth == 0) {
      parts.emplace_back();
      continue;
    }
    parts.back() += c;
  }
  return parts;
}

// -D NAME[=VALUE][,NAME[=VALUE]...] as the assembler takes it; empty with
// `fault` set when NAME is no name.
std::vector<Predefined> Predefinitions(const Options& o, std::string* fault) {
  std::vector<Predefined> all;
  std::vector<std::string> definitions;
  for (const std::string& option : o.defines)
    for (std::string& d : DefinitionsIn(option)) definitions.push_back(std::move(d));
  for (const std::string& d : definitions) {
    const size_t equals = d.find('=');
    Predefined p{d.substr(0, equals), equals == std::string::npos ? "" : d.substr(equals + 1)};
    const bool name = !p.name.empty() && (std::isalpha(static_cast<unsigned char>(p.name[0])) || p.name[0] == '_') &&
                      std::all_of(p.name.begin(), p.name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
    if (!name || (equals != std::string::npos && p.value.empty())) {
      *fault = "-D takes NAME or NAME=VALUE (a name of letters, digits and _), or several joined by commas, not " + Escaped(d);
      return {};
    }
    all.push_back(std::move(p));
  }
  return all;
}

std::optional<int> ParseAddress(const std::string& text) {
  std::string_view digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.remove_prefix(2);
  const auto value = ParseHex(digits, 3);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

std::string ListingPath(const Options& o) {
  if (!o.listing.empty()) return o.listing;
  fs::path p(o.source);
  p.replace_extension(".ASM");
  return p.string();
}

std::vector<HexBlock> Blocks(const Assembly& assembly) {
  std::vector<HexBlock> blocks;
  for (const LineCode& code : assembly.code) {
    if (code.bytes.empty()) continue;
    if (!blocks.empty() && blocks.back().address + static_cast<int>(blocks.back().bytes.size()) == code.address)
      blocks.back().bytes.insert(blocks.back().bytes.end(), code.bytes.begin(), code.bytes.end());
    else
      blocks.push_back({code.address, code.bytes});
  }
  return blocks;
}

// The assembly with only the bytes that lie in 000-FFF, for the listing,
// whose address lines cannot name more; `outside` counts the others.
Assembly WithinBoard(const Assembly& assembly, ByteTally* outside) {
  Assembly within = assembly;
  within.code.clear();
  for (const LineCode& code : assembly.code) {
    LineCode kept = code;
    kept.bytes.clear();
    for (size_t i = 0; i < code.bytes.size(); ++i) {
      const long a = code.address + static_cast<long>(i);
      if (a >= 0 && a < kMemorySize) {
        if (kept.bytes.empty()) kept.address = static_cast<int>(a);
        kept.bytes.push_back(code.bytes[i]);
      } else {
        outside->Dropped(a, DropReason::kOutside4K);
      }
    }
    if (!kept.bytes.empty()) within.code.push_back(std::move(kept));
  }
  return within;
}

// Says in one line which bytes only the Intel HEX file holds.
void ReportOutside(const ByteTally& outside, const Options& o, std::ostream& err) {
  const auto& ranges = outside.dropped_ranges();
  if (ranges.empty()) return;
  long bytes = 0;
  std::string where;
  for (const DroppedRange& r : ranges) {
    bytes += r.bytes;
    where += (where.empty() ? "" : ", ") + Hex(static_cast<unsigned>(r.first)) + "-" + Hex(static_cast<unsigned>(r.last));
  }
  err << "scmp-asm: note: " << bytes << (bytes == 1 ? " byte" : " bytes") << " outside the board's 4K (" << where << "): "
      << (o.hex.empty() ? "not written (give --hex to keep them)" : "written to the Intel HEX file only") << "\n";
}

std::vector<NamedFile> Outputs(const Options& o);

int AssembleFile(const Options& o, const InstructionTable& table, const std::string& data_dir, std::ostream& err) {
  std::string source, error;
  if (!ReadSourceFile(o.source, &source, &error)) {
    err << "scmp-asm: " << error << "\n";
    return 1;
  }
  std::string fault;
  std::vector<std::string> included;
  AssembleOptions options;
  options.dbyte_high_first = o.dbyte_high_first;
  options.predefined = Predefinitions(o, &fault);
  const Assembly assembly = Assemble(source, o.source, table, RecordingSourceReader(&included), options);
  for (const Diagnostic& d : assembly.diagnostics) err << FormatDiagnostic(d) << "\n";
  // Only now are the included files known: no output may replace one, nor
  // the instruction table the assembly read.
  std::vector<NamedFile> inputs{InstructionTableFile(data_dir)};
  AddInputs(&inputs, included, "the included file");
  if (const std::string clash = FileClash(inputs, Outputs(o)); !clash.empty()) {
    err << "scmp-asm: " << clash << "; nothing was written.\n";
    return 2;
  }
  if (!assembly.Succeeded()) {
    err << "scmp-asm: " << assembly.ErrorCount() << (assembly.ErrorCount() == 1 ? " error" : " errors")
        << "; nothing written.\n";
    return 1;
  }
  ByteTally outside;
  const Assembly within = WithinBoard(assembly, &outside);
  // Every file goes to its temporary first; all are renamed into place only
  // when every one was written.
  SaveBatch batch;
  bool ok = batch.Prepare(ListingPath(o), ListingText(within, source, fs::path(o.source).filename().string()), &error,
                          "the listing");
  if (ok && !o.ram.empty()) {
    auto memory = std::make_unique<MemoryArray>();
    memory->LayOutStartupMap();
    StoreInRam(within, *memory);
    ok = batch.Prepare(o.ram, MemoryImageText(*memory), &error, "the memory image");
  }
  if (ok && !o.hex.empty()) ok = batch.Prepare(o.hex, IntelHexText(Blocks(assembly)), &error, "the Intel HEX file");
  if (ok && !o.symbols.empty()) ok = batch.Prepare(o.symbols, SymbolFileText(assembly), &error, "the symbol file");
  if (!ok || !batch.Commit(&error)) {
    err << "scmp-asm: " << error << " No file was written.\n";
    return 1;
  }
  ReportOutside(outside, o, err);
  return 0;
}

// Loads through the panel's one way in, as the trainer would, then
// disassembles from --from to --to.
int DisassembleFile(const Options& o, const std::string& data_dir, std::ostream& out, std::ostream& err) {
  PanelModel panel;
  std::string error;
  if (!panel.StartUp(data_dir, &error)) {
    err << "scmp-asm: " << error << "\n";
    return 1;
  }
  // A file of no known kind is read as a listing, the oldest kind.
  const FileLoad load =
      panel.LoadFile(o.dis, KindOfFile(o.dis) == FileKind::kUnknown ? FileKind::kListing : FileKind::kUnknown);
  for (const Diagnostic& d : load.diagnostics) err << FormatDiagnostic(d) << "\n";
  for (size_t i = 1; i < load.lines.size(); ++i) err << "scmp-asm: " << load.lines[i] << "\n";
  if (!load.loaded) {
    err << "scmp-asm: " << load.error << "\n";
    return 1;
  }
  const MemoryArray& memory = panel.Memory();
  // The last byte loaded; for an image, which stores every cell, the last
  // cell that is not 0.
  int last = static_cast<int>(std::max(load.bytes.last(), 0L));
  if (load.kind == FileKind::kMemoryImage || load.kind == FileKind::kSavedState)
    for (int a = kMemorySize - 1; a > 0 && last == 0; --a)
      if (memory.data[a] != 0) last = a;
  const int from = o.from.empty() ? 0x001 : *ParseAddress(o.from);
  const int to = o.to.empty() ? std::max(last, from) : *ParseAddress(o.to);
  for (const std::string& line : Disassemble(memory, from, to, panel.Cpu().table())) out << line << "\n";
  return FlushOutput(out, err, "scmp-asm") ? 0 : 1;
}

// Every file an assembly writes, the default listing included.
std::vector<NamedFile> Outputs(const Options& o) {
  std::vector<NamedFile> files{{"the listing", ListingPath(o), "listing"}};
  if (!o.ram.empty()) files.push_back({"the memory image", o.ram, "image"});
  if (!o.hex.empty()) files.push_back({"the Intel HEX file", o.hex, "hex"});
  if (!o.symbols.empty()) files.push_back({"the symbol file", o.symbols, "symbols"});
  return files;
}

// Checks what CLI11 cannot: one of SOURCE and --dis, and options that
// belong to the one given. Empty when all is well.
std::string OptionFault(const Options& o) {
  if (o.source.empty() == o.dis.empty()) return "give either a SOURCE to assemble or --dis FILE";
  if (!o.dis.empty() && (!o.listing.empty() || !o.ram.empty() || !o.hex.empty() || !o.symbols.empty()))
    return "-o, --ram, --hex and --symbols go with a SOURCE, not with --dis";
  if (o.dis.empty() && (!o.from.empty() || !o.to.empty())) return "--from and --to go with --dis";
  if (!o.dis.empty() && o.dbyte_high_first) return "--dbyte-high-first goes with a SOURCE, not with --dis";
  for (const std::string* a : {&o.from, &o.to})
    if (!a->empty() && !ParseAddress(*a)) return "an address is 1 to 3 hex digits (000..FFF), not " + *a;
  if (!o.from.empty() && !o.to.empty() && *ParseAddress(o.from) > *ParseAddress(o.to))
    return "--from must not lie after --to";
  if (!o.dis.empty() && !o.defines.empty()) return "-D goes with a SOURCE, not with --dis";
  if (std::string fault; Predefinitions(o, &fault), !fault.empty()) return fault;
  return "";
}

}  // namespace

int RunAssembler(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
                 std::ostream& err) {
  Options o;
  CLI::App app("", "scmp-asm");
  AddDataDirOption(app, o.dir);
  app.add_option("SOURCE", o.source);
  app.add_option("-D", o.defines)->allow_extra_args(false);
  app.add_option("-o", o.listing);
  app.add_option("--ram", o.ram);
  app.add_option("--hex", o.hex);
  app.add_option("--symbols", o.symbols);
  app.add_option("--dis", o.dis);
  app.add_option("--from", o.from);
  app.add_option("--to", o.to);
  app.add_flag("--dbyte-high-first", o.dbyte_high_first);
  if (auto status = ParseArguments(app, args, kUsage, kHelp, out, err)) return *status;
  if (const std::string fault = OptionFault(o); !fault.empty()) {
    err << "scmp-asm: " << fault << "\n" << kUsage;
    return 2;
  }

  if (o.dis.empty()) {
    const std::vector<NamedFile> outputs = Outputs(o);
    if (const std::string clash = FileClash({{"the source", o.source, "source"}}, outputs); !clash.empty()) {
      err << "scmp-asm: " << clash << "; nothing was written.\n";
      return 2;
    }
  }

  InstructionTable table;
  std::string error;
  const std::string data_dir = FindDataDir(o.dir, exe_path, err, &error);
  if (!data_dir.empty() && !o.dis.empty()) return DisassembleFile(o, data_dir, out, err);
  if (data_dir.empty() || !table.Load(data_dir + "SCMP.DEL", &error)) {
    err << "scmp-asm: " << error << "\n";
    return 1;
  }
  return AssembleFile(o, table, data_dir, err);
}

}  // namespace scmp
