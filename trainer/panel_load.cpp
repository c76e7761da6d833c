// PanelModel::LoadFile: every kind of file through one entry, each giving
// the same kind of report.
#include <filesystem>

#include "files/intel_hex.h"
#include "files/listing.h"
#include "trainer/panel_model.h"

namespace scmp {

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

ByteTally TallyOf(const std::vector<LineCode>& code, const MemoryArray& memory) {
  ByteTally tally;
  for (const LineCode& line : code)
    for (size_t i = 0; i < line.bytes.size(); ++i) {
      const long a = line.address + static_cast<long>(i);
      if (a >= 0 && a < kMemorySize && memory.kind[a] == kRam) tally.Stored(a);
      else tally.DroppedAt(a, a >= 0 && a < kMemorySize ? memory.kind[a] : static_cast<int16_t>(kRam));
    }
  return tally;
}

namespace {

// The summary and the dropped ranges, then the warnings named after the file.
void Report(FileLoad& load, const std::string& path) {
  load.lines = TallyReport(FileName(path), load.bytes);
  for (const std::string& warning : load.warnings) load.lines.push_back(FileName(path) + ": warning: " + warning);
}

}  // namespace

FileLoad AssembledLoad(const std::string& path, bool loaded, SourceLoad source, const MemoryArray& memory) {
  FileLoad load;
  load.kind = FileKind::kSource;
  load.loaded = loaded;
  load.error = std::move(source.error);
  load.diagnostics = std::move(source.diagnostics);
  load.included = std::move(source.included);
  if (!loaded) return load;
  load.bytes = TallyOf(source.code, memory);
  load.line_map = std::move(source.code);
  Report(load, path);
  return load;
}

FileLoad PanelModel::LoadFile(const std::string& path, FileKind kind) {
  FileLoad load;
  load.kind = kind == FileKind::kUnknown ? KindOfFile(path) : kind;
  if (running_) {
    load.error = "Stop the program before loading a file.";
    return load;
  }
  switch (load.kind) {
    case FileKind::kSource: {
      SourceLoad source;
      const bool assembled = AssembleSource(path, &source);
      load = AssembledLoad(path, assembled, std::move(source), cpu_.memory);
      if (load.loaded) load.symbols = symbols_;
      break;
    }
    case FileKind::kListing: {
      ListingResult listing;
      load.loaded = LoadListing(path, &load.error, &listing);
      if (!load.loaded) break;
      load.bytes = listing.tally;
      debugger_.Checks().StartProgram(load.bytes.stored_cells());
      load.warnings = std::move(listing.warnings);
      Report(load, path);
      load.lines.front() = ListingSummary(FileName(path), listing);  // says when no byte line was met
      break;
    }
    case FileKind::kIntelHex: {
      IntelHexResult hex;
      load.loaded = ::scmp::LoadIntelHex(cpu_.memory, path, &load.error, &hex);
      if (!load.loaded) break;
      load.bytes = hex.tally;
      debugger_.Checks().StartProgram(load.bytes.stored_cells());
      Report(load, path);
      break;
    }
    case FileKind::kMemoryImage:
      load.loaded = LoadMemoryImage(path, &load.error);
      if (!load.loaded) break;
      load.lines = {FileName(path) + ": memory image, 4096 cells and the memory map"};
      debugger_.Checks().StartProgram(std::bitset<kMemorySize>().set());  // an image holds every cell
      break;
    case FileKind::kSavedState:
      load.loaded = LoadState(path, &load.error);
      if (load.loaded) load.lines = {FileName(path) + ": saved state"};
      break;
    case FileKind::kUnknown:
      load.error = FileName(path) +
                   ": the kind of file is not known. The trainer loads sources (.s), listings (.ASM), memory "
                   "images (.RAM), Intel HEX files (.hex) and saved states (.state).";
      break;
  }
  return load;
}

}  // namespace scmp
