#pragma once
// The one answer of every command: done, nothing changed, or failed with the
// message the user must read. The window shows a failure in its status bar or a
// message box; the batch command prints it and maps it to its exit status.
#include <string>
#include <utility>

namespace corvath::app {

struct Outcome {
  enum class Status {
    Done,       //!< the command ran; the workspace holds its result
    Unchanged,  //!< a silent refusal or nothing to do; the workspace is as it was
    Failed,     //!< the command failed; the workspace is as it was
  };

  Status status = Status::Done;
  //! Failed: what went wrong; Unchanged: why nothing changed; Done: a notice the user
  //! should read (usually empty).
  std::string message;
  std::string path;     //!< the file the message concerns, if any

  static Outcome Done() { return {}; }
  static Outcome Unchanged(std::string reason = {}) { return {Status::Unchanged, std::move(reason), {}}; }
  static Outcome Failed(std::string message, std::string path = {}) {
    return {Status::Failed, std::move(message), std::move(path)};
  }

  bool done() const { return status == Status::Done; }
  bool failed() const { return status == Status::Failed; }
};

}  // namespace corvath::app
