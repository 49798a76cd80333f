// VeltoClient: the device commands.

#include <boost/asio/post.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "device/Clients/ClientLog.h"
#include "device/Clients/VeltoClient.h"

namespace device {

asio::awaitable<void> VeltoClient::passQueue() const {
  const auto caller = co_await asio::this_coro::executor;
  co_await asio::post(queue_->executor(), asio::use_awaitable);
  co_await asio::post(caller, asio::use_awaitable);
}

asio::awaitable<void> VeltoClient::requestStatusUpdate() {
  requireRunningServer();
  // The bound port, which is listenPort() unless that is 0.
  const auto port = boundPort().value_or(listenPort_);
  send("/VELTOpelion/Hardware/StatusUpdate", {true, std::int32_t{port}, clientUid_});
  co_return;
}

asio::awaitable<std::shared_ptr<AppSettings>> VeltoClient::applyAppSettings(AppSettings::Container changes,
                                                                            Nanoseconds timeout) {
  requireOnline();
  for (const auto& [key, value] : changes.properties) {
    // The current texts are those of a deep copy: the canonical forms of the typed fields.
    const auto current = status();
    const auto& properties = current->appSettings->properties;
    if (const auto found = properties.find(key); found != properties.end() && found->second == value) continue;
    if (key == AppSettings::Keys::appName) {
      send("/VELTOpelion/Hardware/AppName", {value, clientUid_});
    } else {
      app_.setProperty(key, value);
      clientLog(Level::debug, "setting " + key + " " + value, "applyAppSettings(_:timeout:)", __LINE__);
    }
  }
  const auto t0 = osc::DispatchTime::clock::now();
  send("/VELTOpelion/Hardware/StatusUpdate");
  auto wait = waitForConfirmingStatus(std::move(changes), t0, timeout);
  std::shared_ptr<AppSettings> settings = co_await std::move(wait);
  co_await passQueue();  // the status handler has taken in the confirming report
  co_return settings;
}

asio::awaitable<std::shared_ptr<AppSettings>> VeltoClient::updateStatus(osc::DispatchTime since, Nanoseconds timeout) {
  requireOnline();
  send("/VELTOpelion/Hardware/StatusUpdate");
  auto wait = waitForStatus(since, timeout);
  std::shared_ptr<AppSettings> settings = co_await std::move(wait);
  co_await passQueue();
  co_return settings;
}

asio::awaitable<void> VeltoClient::sendAppName(std::string name) {
  send("/VELTOpelion/Hardware/AppName", {std::move(name), clientUid_});
  co_return;
}

asio::awaitable<void> VeltoClient::reboot() {
  requireRunningServer();
  send("/VELTOpelion/Hardware/Restart", {"Reboot", "", clientUid_});
  co_return;
}

asio::awaitable<void> VeltoClient::setUnitName(std::string name) {
  requireRunningServer();
  send("/VELTOpelion/Hardware/UnitName", {std::move(name), clientUid_});
  co_return;
}

asio::awaitable<void> VeltoClient::factoryReset(std::string serialNumber) {
  requireRunningServer();
  send("/VELTOpelion/Hardware/FactoryReset", {std::move(serialNumber), clientUid_});
  co_return;
}

asio::awaitable<void> VeltoClient::setFixedIP(IPv4Address ip, IPv4Address subnet, IPv4Address gateway) {
  requireRunningServer();
  send("/VELTOpelion/Hardware/FixedIP", {ip.description(), subnet.description(), gateway.description(), clientUid_});
  co_return;
}

asio::awaitable<void> VeltoClient::setAutomaticIP() {
  requireRunningServer();
  send("/VELTOpelion/Hardware/FixedIP", {"", "255.255.255.0", "", clientUid_});
  co_return;
}

asio::awaitable<void> VeltoClient::switchUser(std::int64_t user, std::string password,
                                              std::optional<ConnectionMode> mode) {
  requireRunningServer();
  std::vector<osc::OSCValue> values{osc::OSCValue::nativeInt(user), std::move(password)};
  if (mode) values.push_back(static_cast<std::int32_t>(rawValue(*mode)));
  values.push_back(clientUid_);
  const auto t0 = osc::DispatchTime::clock::now();
  send("/VELTOpelion/control/SwitchUser", std::move(values));
  auto wait = oscServer_->firstMessage("/VELTOapp/control/SwitchedUser", std::nullopt, 0, t0,
                                       options_.switchUserTimeout);
  co_await std::move(wait);
}

asio::awaitable<void> VeltoClient::identify() {
  send("/VELTOpelion/Hardware/DisplayBlink", {clientUid_});
  app_.sendConfirmation("<CRITICAL>### IDENTIFY ###");
  co_return;
}

}  // namespace device
