// The page's view of WebTrainer through embind: the class and its calls,
// nothing more.
#include <emscripten/bind.h>

#include "web/wasm/web_trainer.h"

using scmp::web::WebTrainer;

EMSCRIPTEN_BINDINGS(scmp_trainer) {
  emscripten::class_<WebTrainer>("Trainer")
      .constructor<std::string>()
      .function("startError", &WebTrainer::StartError)
      .function("press", &WebTrainer::Press)
      .function("toggleAddressSwitch", &WebTrainer::ToggleAddressSwitch)
      .function("toggleDataSwitch", &WebTrainer::ToggleDataSwitch)
      .function("setSpeed", &WebTrainer::SetSpeed)
      .function("setPauseCount", &WebTrainer::SetPauseCount)
      .function("slice", &WebTrainer::Slice)
      .function("live", &WebTrainer::Live)
      .function("stop", &WebTrainer::Stop)
      .function("panelJson", &WebTrainer::PanelJson)
      .function("stateLine", &WebTrainer::StateLine)
      .function("lampsLine", &WebTrainer::LampsLine)
      .function("assemble", &WebTrainer::Assemble)
      .function("loadFile", &WebTrainer::LoadFile)
      .function("exportFiles", &WebTrainer::Export)
      .function("setHistory", &WebTrainer::SetHistory)
      .function("toggleLineBreakpoint", &WebTrainer::ToggleLineBreakpoint)
      .function("toggleBreakpoint", &WebTrainer::ToggleBreakpoint)
      .function("watch", &WebTrainer::Watch)
      .function("unwatch", &WebTrainer::Unwatch)
      .function("stepOne", &WebTrainer::StepOne)
      .function("stepOver", &WebTrainer::StepOver)
      .function("continueRun", &WebTrainer::Continue)
      .function("stepBack", &WebTrainer::StepBack)
      .function("nextLine", &WebTrainer::NextLine)
      .function("debugJson", &WebTrainer::DebugJson)
      .function("memoryJson", &WebTrainer::MemoryJson)
      .function("codeJson", &WebTrainer::CodeJson)
      .function("storeCell", &WebTrainer::StoreCell)
      .function("runTests", &WebTrainer::RunTests)
      .function("show", &WebTrainer::Show)
      .function("mnemonicsJson", &WebTrainer::MnemonicsJson);
}
