// Save states: the whole machine and panel in one text file, so that a user
// can come back to where they were. The format is described in the README:
// a name line, a version line, then one "KEY values" line each.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine.h"
#include "trainer/debugger.h"
#include "trainer/run_options.h"

namespace scmp {

struct SavedState {
  MachineState registers;
  uint64_t microcycles = 0;
  PanelLights lights;  // LEDs, flag LEDs, Halt LED and the halt request
  MemoryArray memory;
  std::array<bool, 12> address_switches{};
  std::array<bool, 8> data_switches{};
  bool run_mode = false;
  bool single_step_mode = true;
  RunOptions options;
  std::vector<int> breakpoints;
  std::vector<int> watchpoints;

  bool operator==(const SavedState&) const = default;
};

inline constexpr std::string_view kStateName = "SCMP-TRAINER-STATE";
inline constexpr int kStateVersion = 1;

std::string StateText(const SavedState& state);
// Reads a whole state from `text`; on any fault `state` is untouched and the
// message names `path` and the line.
bool ParseStateText(std::string_view text, const std::string& path, SavedState* state, std::string* error);

// Saved as safely as a memory image (a temporary file renamed over `path`).
bool SaveStateFile(const SavedState& state, const std::string& path, std::string* error);
bool LoadStateFile(const std::string& path, SavedState* state, std::string* error);

}  // namespace scmp
