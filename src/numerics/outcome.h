#pragma once
// The one answer of everything that can fail for an expected reason: done, nothing
// changed, or failed with the message the user must read; and Result<T>, the same
// answer with the value when there is one. Broken input (an unreadable file, a
// malformed record) is an exception of its library; the commands of app turn it into
// an Outcome in one place. The window shows the message, the batch command prints
// it and maps it to its exit status.
#include <optional>
#include <string>
#include <utility>

namespace corvath::numerics {

struct Outcome {
  enum class Status {
    Done,       //!< it ran; the workspace (or the returned value) holds its result
    Unchanged,  //!< a silent refusal or nothing to do; everything is as it was
    Failed,     //!< it failed; everything is as it was
  };

  Status status = Status::Done;
  //! Failed: what went wrong; Unchanged: why nothing changed; Done: a notice the user
  //! should read (usually empty).
  std::string message;
  std::string path;  //!< the file the message concerns, if any

  static Outcome Done(std::string notice = {}) { return {Status::Done, std::move(notice), {}}; }
  static Outcome Unchanged(std::string reason = {}) { return {Status::Unchanged, std::move(reason), {}}; }
  static Outcome Failed(std::string message, std::string path = {}) {
    return {Status::Failed, std::move(message), std::move(path)};
  }

  bool done() const { return status == Status::Done; }
  bool failed() const { return status == Status::Failed; }
  bool unchanged() const { return status == Status::Unchanged; }
};

//! An Outcome with the value of a Done answer.
template <class T>
struct Result {
  Outcome outcome;
  std::optional<T> value;  //!< set exactly when outcome is Done

  Result(T v, std::string notice = {}) : outcome(Outcome::Done(std::move(notice))), value(std::move(v)) {}
  Result(Outcome o) : outcome(std::move(o)) {}  // NOLINT: a Failed or Unchanged answer

  bool done() const { return outcome.done() && value.has_value(); }
  bool failed() const { return outcome.failed(); }
  const std::string& message() const { return outcome.message; }
  T& operator*() { return *value; }
  const T& operator*() const { return *value; }
  T* operator->() { return &*value; }
  const T* operator->() const { return &*value; }
};

}  // namespace corvath::numerics
