#include "osc/OSCServerError.h"

namespace osc {

OSCServerError OSCServerError::serverStopped(std::exception_ptr error) {
  std::string payload = "nil";
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      payload = e.what();
    } catch (...) {
      payload = "unknown error";
    }
  }
  return {Case::serverStopped, "OSCServerError.serverStopped(" + payload + ")", std::move(error)};
}

OSCServerError OSCServerError::serverAlreadyStarted() {
  return {Case::serverAlreadyStarted, "OSCServerError.serverAlreadyStarted"};
}

OSCServerError OSCServerError::readTimeout() { return {Case::readTimeout, "OSCServerError.readTimeout"}; }

}  // namespace osc
