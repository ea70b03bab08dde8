// The one exception the host services throw: a host call that failed, with what failed,
// on what, why, and the kind of failure. An operation of the component lets it end the
// operation.
#pragma once

#include <stdexcept>
#include <string>

namespace actifix {

// What kind of failure an error is: what callers, tests and the program's exit status branch
// on, so that the French wording stays free to change. Set where the cause is known.
enum class ErrorKind {
  kFailed,          // the cause is not known more closely
  kNotFound,        // a company, file, record, key or backup that is not there
  kDamaged,         // a database or file that is not what was written (corrupt, checksum)
  kInvalidInput,    // data refused: a line of a file to import, a card, a value
  kBadArgument,     // a value given on the command line refused
  kInUse,           // another program holds it for now (its lock, a busy database)
  kConflict,        // another user changed it meanwhile, or it exists already
  kIo,              // the file system, the disk or the server's link failed
  kNotSupported,    // an operation, a form or a version this program does not know
  kRefused,         // the user answered no
  kScriptMismatch,  // a script that does not answer what the screen asks
};

class HostError : public std::runtime_error {
 public:
  // `operation` names the host call ("HostKeyedFile.Insert"), `subject` the file, key or value
  // it was working on, `cause` says why in plain French words. All three are UTF-8: whoever
  // throws with a record text or key as subject converts it first (ToUtf8).
  HostError(ErrorKind kind, std::string operation, std::string subject, std::string cause);
  // The same with `detail`, the text of the library or the server that failed (often English):
  // kept for the anomaly log and the verbose output, never in the user's line.
  HostError(ErrorKind kind, std::string operation, std::string subject, std::string cause,
            std::string detail);
  // A failure whose cause is not known more closely (kind kFailed).
  HostError(std::string operation, std::string subject, std::string cause);

  ErrorKind kind() const { return kind_; }
  bool Is(ErrorKind kind) const { return kind_ == kind; }
  const std::string& operation() const { return operation_; }
  const std::string& subject() const { return subject_; }
  const std::string& cause() const { return cause_; }
  const std::string& detail() const { return detail_; }

 private:
  ErrorKind kind_;
  std::string operation_;
  std::string subject_;
  std::string cause_;
  std::string detail_;
};

}  // namespace actifix
