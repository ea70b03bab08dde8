// The one exception the host services throw: a host call that failed, with what failed,
// on what, and why. An operation of the component lets it end the operation.
#pragma once

#include <stdexcept>
#include <string>

namespace actifix {

class HostError : public std::runtime_error {
 public:
  // `operation` names the host call ("HostKeyedFile.Insert"), `subject` the file, key or value
  // it was working on, `cause` says why in plain French words. All three are UTF-8: whoever
  // throws with a record text or key as subject converts it first (ToUtf8).
  HostError(std::string operation, std::string subject, std::string cause);
  // The same with `detail`, the text of the library or the server that failed (often English):
  // kept for the anomaly log and the verbose output, never in the user's line.
  HostError(std::string operation, std::string subject, std::string cause, std::string detail);

  const std::string& operation() const { return operation_; }
  const std::string& subject() const { return subject_; }
  const std::string& cause() const { return cause_; }
  const std::string& detail() const { return detail_; }

 private:
  std::string operation_;
  std::string subject_;
  std::string cause_;
  std::string detail_;
};

}  // namespace actifix
