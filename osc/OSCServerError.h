#pragma once
// The OSC server's errors. Only serverStopped (always without an error), serverAlreadyStarted and
// readTimeout are raised; the other cases complete the set that callers may switch over. Plain
// values; any thread.

#include <exception>

#include "osc/OSCError.h"

namespace osc {

enum class OSCServerErrorCase {
  serverStopped,
  couldNotParseOSC,
  failedReceivingData,
  invalidPort,
  serverAlreadyStarted,
  startTimeout,
  readTimeout,
};

class OSCServerError : public OSCCaseError<OSCServerErrorCase> {
 public:
  // "The OSC server has stopped receiving.", or with ": " and the error's what() in place of the point.
  static OSCServerError serverStopped(std::exception_ptr error = nullptr);
  static OSCServerError serverAlreadyStarted();
  static OSCServerError readTimeout();

  // The payload of serverStopped; null when absent.
  const std::exception_ptr& error() const { return error_; }

 private:
  OSCServerError(Case kind, std::string description, std::exception_ptr error = nullptr)
      : OSCCaseError(kind, std::move(description)), error_(std::move(error)) {}
  std::exception_ptr error_;
};

}  // namespace osc
