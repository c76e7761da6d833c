#include "ui/background_check.h"

#include "files/source_file.h"

namespace scmp {

BackgroundCheck::BackgroundCheck(Done done, QObject* parent) : QObject(parent), done_(std::move(done)) {}

BackgroundCheck::~BackgroundCheck() {
  if (thread_) {
    thread_->wait();
    delete thread_;
  }
}

void BackgroundCheck::Start(std::string text, std::string file, const InstructionTable& table, uint64_t stamp) {
  auto job = std::make_shared<Job>(Job{std::move(text), std::move(file), table, stamp});
  if (thread_) {
    waiting_ = std::move(job);  // an older text waiting is dropped
    return;
  }
  Run(std::move(job));
}

void BackgroundCheck::Run(std::shared_ptr<Job> job) {
  thread_ = QThread::create([this, job] {
    Assembly assembly = Assemble(job->text, job->file, job->table, ReadSourceFile);
    // Queued to this object's thread: delivered after run() has returned,
    // or dropped with this object.
    QMetaObject::invokeMethod(
        this, [this, diagnostics = std::move(assembly.diagnostics), stamp = job->stamp]() mutable {
          Finished(std::move(diagnostics), stamp);
        },
        Qt::QueuedConnection);
  });
  thread_->start();
}

void BackgroundCheck::Finished(std::vector<Diagnostic> diagnostics, uint64_t stamp) {
  if (thread_) {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
  }
  if (waiting_) {  // the text has changed since: its check replaces this one
    Run(std::move(waiting_));
    waiting_.reset();
    return;
  }
  done_(diagnostics, stamp);
}

}  // namespace scmp
