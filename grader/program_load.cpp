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
                std::string* error) {
  const FileKind kind = KindOfFile(path);
  if (kind == FileKind::kUnknown || kind == FileKind::kSavedState) {
    *error = path + ": not a program file: name a source (.s), listing (.asm), memory image (.ram) or Intel HEX (.hex)";
    return false;
  }
  FileLoad load = panel.LoadFile(path, kind);
  diagnostics->insert(diagnostics->end(), load.diagnostics.begin(), load.diagnostics.end());
  if (!load.loaded) *error = load.error;
  return load.loaded;
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
