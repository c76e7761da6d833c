#include "grader/program_load.h"

#include "files/file_kind.h"
#include "trainer/panel_load.h"

namespace scmp::grader {

namespace {

// No loader stores this: a byte is 0..255. What still holds it afterwards
// was not loaded.
constexpr int16_t kNotLoaded = -1;

// A saved state is a machine, not a program: the tests start from RST with
// the program freshly loaded, so only the kinds that hold a program count.
bool LoadByKind(PanelModel& panel, const std::string& path, std::vector<Diagnostic>* diagnostics,
                std::string* error, std::vector<std::string>* included) {
  const FileKind kind = KindOfFile(path);
  if (kind == FileKind::kUnknown || kind == FileKind::kSavedState) {
    *error = path + ": not a program file: name a source (.s), listing (.asm), memory image (.ram) or Intel HEX (.hex)";
    return false;
  }
  FileLoad load = panel.LoadFile(path, kind);
  diagnostics->insert(diagnostics->end(), load.diagnostics.begin(), load.diagnostics.end());
  *included = std::move(load.included);
  if (!load.loaded) {
    *error = load.error;
    return false;
  }
  // A file that stored nothing is no program: grading it would score the
  // tests that expect nothing to happen.
  const bool stores_bytes = load.kind != FileKind::kMemoryImage && load.kind != FileKind::kSavedState;
  if (stores_bytes && load.bytes.stored() == 0) {
    *error = load.Summary();
    return false;
  }
  return true;
}

}  // namespace

bool LoadProgram(PanelModel& panel, const std::string& path, ProgramImage* image, std::vector<Diagnostic>* diagnostics,
                 std::string* error) {
  MemoryArray& memory = panel.Memory();
  memory.LayOutStartupMap();
  memory.data.fill(kNotLoaded);
  if (!LoadByKind(panel, path, diagnostics, error, &image->included)) return false;
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
