#include "grader/program_load.h"

#include "files/file_kind.h"

namespace scmp::grader {

namespace {

// No loader stores this: a byte is 0..255. What still holds it afterwards
// was not loaded.
constexpr int16_t kNotLoaded = -1;

bool LoadByKind(PanelModel& panel, const std::string& path, std::vector<Diagnostic>* diagnostics,
                std::string* error) {
  switch (KindOfFile(path)) {
    case FileKind::kSource: {
      SourceLoad result;
      const bool loaded = panel.AssembleSource(path, &result);
      diagnostics->insert(diagnostics->end(), result.diagnostics.begin(), result.diagnostics.end());
      if (!loaded) *error = result.error;
      return loaded;
    }
    case FileKind::kListing: return panel.LoadListing(path, error);
    case FileKind::kMemoryImage: return panel.LoadMemoryImage(path, error);
    case FileKind::kIntelHex: return panel.LoadIntelHex(path, error);
    case FileKind::kUnknown: break;
  }
  *error = path + ": not a program file: name a source (.s), listing (.asm), memory image (.ram) or Intel HEX (.hex)";
  return false;
}

}  // namespace

bool LoadProgram(PanelModel& panel, const std::string& path, ProgramImage* image, std::vector<Diagnostic>* diagnostics,
                 std::string* error) {
  MemoryArray& memory = panel.Memory();
  memory.LayOutStartupMap();
  memory.data.fill(kNotLoaded);
  if (!LoadByKind(panel, path, diagnostics, error)) return false;
  image->path = path;
  image->loaded.reset();
  for (int a = 0; a < kMemorySize; ++a) {
    if (memory.data[a] == kNotLoaded) {
      memory.data[a] = 0;
    } else {
      image->loaded.set(static_cast<size_t>(a));
    }
  }
  image->memory = memory;
  return true;
}

}  // namespace scmp::grader
