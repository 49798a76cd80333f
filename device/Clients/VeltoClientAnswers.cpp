// VeltoClient: status reports (the handler and the two waits) and the confirmation wait.

#include <stdexcept>

#include "device/Clients/ClientLog.h"
#include "device/Clients/VeltoAppError.h"
#include "device/Clients/VeltoClient.h"
#include "device/XML/ZRXMLParser.h"

namespace device {

namespace {

constexpr std::string_view statusUpdateAddress = "/VELTOGUI/StatusUpdate";

// The document of a status report: exactly two arguments, the first a string.
std::optional<std::string_view> statusDocument(const osc::OSCMessage& message) {
  if (message.values().size() != 2) return std::nullopt;
  return message.values().front().asString();
}

// The first "Device" named "AppSettings" inside the first "Status" child of the root that has one.
ZRXMLElementPtr appSettingsElement(const ZRXMLElement& root) {
  for (const auto& status : children(root.children, "Status")) {
    auto device = firstMatch(status->children, [](const ZRXMLElement& element) {
      return element.matches("Device", "Name", "AppSettings");
    });
    if (device) return device;
  }
  return nullptr;
}

// Every requested text is the reported one; an empty requested text takes any.
bool confirms(const AppSettings::Properties& reported, const AppSettings::Properties& requested) {
  for (const auto& [key, value] : requested) {
    if (value.empty()) continue;
    const auto found = reported.find(key);
    if (found == reported.end() || found->second != value) return false;
  }
  return true;
}

}  // namespace

std::function<void()> VeltoClient::copyOfCurrentError() {
  try {
    throw;
  } catch (const VeltoAppError& error) {
    return [error] { throw error; };
  } catch (const VeltoClientError& error) {
    return [error] { throw error; };
  } catch (const ZRXMLParserError& error) {
    return [error] { throw error; };
  } catch (const ZRXMLDecodingError& error) {
    return [error] { throw error; };
  } catch (const std::exception& error) {
    return [text = std::string(error.what())] { throw std::runtime_error(text); };
  } catch (...) {
    return [] { throw std::runtime_error("unknown error"); };
  }
}

void VeltoClient::statusUpdateReceived(const osc::OSCAddressPattern&, const osc::OSCMessage& message) {
  const auto document = statusDocument(message);
  if (!document) return;
  std::exception_ptr failure;
  std::size_t leftOut = 0;
  try {
    const ZRXMLElementPtr root = ZRXMLParser::parseDocument(*document);
    leftOut = withState([&root](State& state) { return state.status->decode(root); });
  } catch (...) {
    failure = std::current_exception();
  }
  if (failure) {
    clientLog(Level::error, "could not process StatusUpdate " + errorText(failure) + ": " + message.description(),
              "statusUpdateReceived(_:_:)", __LINE__);
  }
  if (leftOut > 0) {
    clientLog(Level::warning, "StatusUpdate: left out " + std::to_string(leftOut) + " app settings beyond the limits",
              "statusUpdateReceived(_:_:)", __LINE__);
  }
}

asio::awaitable<std::shared_ptr<AppSettings>> VeltoClient::waitForStatus(osc::DispatchTime since,
                                                                         Nanoseconds timeout) const {
  std::weak_ptr<const VeltoClient> weak = weak_from_this();
  AnswerRule<std::shared_ptr<AppSettings>> rule =
      [weak](const osc::OSCMessage& message) -> std::optional<std::shared_ptr<AppSettings>> {
    const auto document = statusDocument(message);
    auto self = weak.lock();
    if (!document || !self) return std::nullopt;
    const ZRXMLElementPtr root = ZRXMLParser::parseDocument(*document);
    self->status()->decode(root);  // validates the whole document; the handler keeps the state
    const ZRXMLElementPtr element = appSettingsElement(*root);
    if (!element) return std::nullopt;
    return std::make_shared<AppSettings>(element);
  };
  auto wait = waitForAnswer({statusUpdateAddress}, since, timeout, osc::ThrowingContinuationError::timeout(),
                            osc::OSCServerError::serverStopped(), std::move(rule));
  std::shared_ptr<AppSettings> settings = co_await std::move(wait);
  co_return settings;
}

asio::awaitable<std::shared_ptr<AppSettings>> VeltoClient::waitForConfirmingStatus(AppSettings::Container changes,
                                                                                   osc::DispatchTime since,
                                                                                   Nanoseconds timeout) const {
  AnswerRule<std::shared_ptr<AppSettings>> rule =
      [requested = std::move(changes.properties)](
          const osc::OSCMessage& message) -> std::optional<std::shared_ptr<AppSettings>> {
    const auto document = statusDocument(message);
    if (!document) return std::nullopt;
    const ZRXMLElementPtr root = ZRXMLParser::parseDocument(*document);
    const ZRXMLElementPtr element = appSettingsElement(*root);
    if (!element) return std::nullopt;
    std::shared_ptr<AppSettings> settings;
    try {
      settings = std::make_shared<AppSettings>(element);
    } catch (const ZRXMLDecodingError&) {
      return std::nullopt;
    }
    if (!confirms(settings->properties, requested)) return std::nullopt;
    return settings;
  };
  auto wait = waitForAnswer({statusUpdateAddress}, since, timeout, osc::ThrowingContinuationError::timeout(),
                            osc::OSCServerError::serverStopped(), std::move(rule));
  std::shared_ptr<AppSettings> settings = co_await std::move(wait);
  co_return settings;
}

asio::awaitable<VeltoAppConfirmation> VeltoClient::waitForConfirmation(VeltoAppConfirmation::ConfirmationType expected,
                                                                       osc::DispatchTime since, Nanoseconds timeout) {
  requireOnline();
  static constexpr std::string_view confirmationAddress = "/VELTOapp/confirmation";
  const auto confirmationPattern = patterns({confirmationAddress}).front();
  AnswerRule<VeltoAppConfirmation> rule = [expected, confirmationPattern](
                                              const osc::OSCMessage& message) -> std::optional<VeltoAppConfirmation> {
    if (confirmationPattern.matches(message.address())) {
      auto confirmation = VeltoAppConfirmation::fromMessage(message);
      if (confirmation && confirmation->type() == expected) return confirmation;
      return std::nullopt;
    }
    if (auto error = VeltoAppError::fromMessage(message)) throw *error;
    return std::nullopt;
  };
  auto wait = waitForAnswer({confirmationAddress, "/VELTOapp/error"}, since, timeout,
                            osc::ThrowingContinuationError::timeout(),
                            VeltoClientError::noMatchingConfirmationReceived(), std::move(rule));
  VeltoAppConfirmation confirmation = co_await std::move(wait);
  co_return confirmation;
}

}  // namespace device
