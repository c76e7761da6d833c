// The editor's check as you type, off the window's thread: the assembler
// runs on a thread of its own with a copy of the text and of the
// instruction table, reads INCLUDE files relative to the source's folder
// as Ctrl+R does, and hands its messages back to the window's thread. The
// window never waits for it; the assembler's work limits bound how long
// one check can take. A check asked for while one runs waits for it and
// then checks the newest text only.
#pragma once

#include <QObject>
#include <QThread>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "core/table.h"

namespace scmp {

class BackgroundCheck : public QObject {
  Q_OBJECT

 public:
  // `done` gets the messages and the stamp of the text they are about, on
  // the window's thread.
  using Done = std::function<void(const std::vector<Diagnostic>& diagnostics, uint64_t stamp)>;

  BackgroundCheck(Done done, QObject* parent = nullptr);
  ~BackgroundCheck() override;  // waits for a check still running

  // Checks `text` (named `file`, which INCLUDE is relative to) with `table`.
  void Start(std::string text, std::string file, const InstructionTable& table, uint64_t stamp);

  bool Running() const { return thread_ != nullptr; }

 private:
  struct Job {
    std::string text;
    std::string file;
    InstructionTable table;
    uint64_t stamp = 0;
  };

  void Run(std::shared_ptr<Job> job);
  void Finished(std::vector<Diagnostic> diagnostics, uint64_t stamp);

  Done done_;
  QThread* thread_ = nullptr;
  std::shared_ptr<Job> waiting_;
};

}  // namespace scmp
