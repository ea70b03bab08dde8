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

HostError::HostError(std::string operation, std::string subject, std::string cause)
    : std::runtime_error(Compose(operation, subject, cause)),
      operation_(std::move(operation)),
      subject_(std::move(subject)),
      cause_(std::move(cause)) {}

HostError::HostError(std::string operation, std::string subject, std::string cause,
                     std::string detail)
    : HostError(std::move(operation), std::move(subject), std::move(cause)) {
  detail_ = std::move(detail);
}

}  // namespace actifix
