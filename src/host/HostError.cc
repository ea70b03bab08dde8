#include "host/HostError.h"

namespace actifix {

namespace {
std::string Compose(const std::string& operation, const std::string& subject,
                    const std::string& cause) {
  std::string text = operation;
  if (!subject.empty()) text += " (" + subject + ")";
  return text + " : " + cause;
}
}  // namespace

HostError::HostError(ErrorKind kind, std::string operation, std::string subject, std::string cause)
    : std::runtime_error(Compose(operation, subject, cause)),
      kind_(kind),
      operation_(std::move(operation)),
      subject_(std::move(subject)),
      cause_(std::move(cause)) {}

HostError::HostError(ErrorKind kind, std::string operation, std::string subject, std::string cause,
                     std::string detail)
    : HostError(kind, std::move(operation), std::move(subject), std::move(cause)) {
  detail_ = std::move(detail);
}

HostError::HostError(std::string operation, std::string subject, std::string cause)
    : HostError(ErrorKind::kFailed, std::move(operation), std::move(subject), std::move(cause)) {}

}  // namespace actifix
