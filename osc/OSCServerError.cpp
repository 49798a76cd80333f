#include "osc/OSCServerError.h"

namespace osc {

OSCServerError OSCServerError::serverStopped(std::exception_ptr error) {
  std::string payload;
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      payload = e.what();
    } catch (...) {
      payload = "unknown reason";
    }
  }
  const std::string sentence = "The OSC server has stopped receiving";
  return {Case::serverStopped, payload.empty() ? sentence + "." : sentence + ": " + payload, std::move(error)};
}

OSCServerError OSCServerError::serverAlreadyStarted() {
  return {Case::serverAlreadyStarted, "The OSC server is already running."};
}

OSCServerError OSCServerError::readTimeout() { return {Case::readTimeout, "No reply arrived in time."}; }

}  // namespace osc
