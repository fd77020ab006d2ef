#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

#include "framework/device.h"
#include "framework/persistent.h"
#include "ravelbank/host.h"
#include "support/xmlobject.h"

namespace rb {

class OruError;

// The component the host talks to: its device set, the host's event callback and the component name,
// and the command dispatcher. Commands run synchronously on the caller's thread; events may be sent
// from test threads too. In the persistent file the component is its devices, in set order, and its
// name.
//
// The device set is shared with the devices' users: a command holds the device it works on until it
// returns, so that discovery on another host thread may replace the set while a test runs (the test
// ends on its own device, destroyed after it) or while a cancelTest looks its device up. Discovery
// runs one at a time.
class TestComponent : public Persistent {
 public:
  using DeviceSet = std::set<std::shared_ptr<Device>, DeviceNameLess>;

  TestComponent();
  ~TestComponent() override;
  TestComponent(const TestComponent&) = delete;
  TestComponent& operator=(const TestComponent&) = delete;

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies the name and the devices (each device copied with its tests).
  void Assign(const Persistent& other) override;

  virtual void Start() {}
  virtual void Stop() {}

  // The dispatcher: answers the response document for a command document ("" for commands without one).
  virtual std::string ExecuteCommand(const std::string& commandText);
  virtual std::string RunTest(const XmlObject& command);
  virtual std::string CancelTest(const XmlObject& command);
  virtual std::string RunDiagnosis(const XmlObject& command);
  virtual void DeviceAction(const XmlObject& command);
  virtual void DiagRunBegin(const XmlObject& diagRun);
  virtual void DiagRunEnd(const XmlObject& diagRun);
  virtual std::string BuildCatalog();
  // The abstract component knows no device families: an empty catalog, and discovery that only empties
  // the device set.
  virtual std::string IdentifyDevices();
  // Appends the catalog element of every device of the set, in set order.
  virtual void AddDevicesToCatalog(XmlObject& element);

  bool Busy() const { return busy_; }
  const std::string& ComponentName() const { return name_; }
  void SetComponentName(std::string name) { name_ = std::move(name); }
  EventCallback Callback() const { return callback_.load(); }
  void SetCallback(EventCallback callback) { callback_.store(callback); }

  // The devices of the set now, held by the copy.
  DeviceSet Devices() const;
  // Takes ownership; answers false (and destroys the device) when its name is taken.
  bool AddDevice(std::unique_ptr<Device> device);
  // The device of that name (equal under the set's order), or null. The pointer is good while the set
  // keeps the device: for the thread that changes the set; a command on another thread holds it.
  Device* FindDevice(std::string_view name) const;
  std::shared_ptr<Device> HoldDevice(std::string_view name) const;
  // The smallest n >= 0 for which the stem followed by n in decimal names no device of the set.
  std::size_t FreeNumber(std::string_view stem) const;
  // Empties the set; each device is destroyed when its last user lets go. A derived component that
  // links devices elsewhere drops those links first.
  void ClearDevices();

 protected:
  std::atomic<bool> busy_{false};

 private:
  // Raises "Device not found" cross-referenced as a host input error.
  std::shared_ptr<Device> RequireDevice(const std::string& name) const;

  mutable std::mutex devicesLock_;  // guards devices_ (not the devices)
  DeviceSet devices_;
  // Per name stem, a number below which every number is taken (see FreeNumber).
  mutable std::unordered_map<std::string, std::size_t> freeFrom_;
  std::recursive_mutex discoveryLock_;  // a host's callback may start discovery from discovery
  std::atomic<EventCallback> callback_{nullptr};
  std::string name_;
};

// The answer to a command that failed: the error document, announced to the host with an "Error"
// event, and the failure log of the component. Failures of the announcement propagate.
std::string AnnounceError(const OruError& error, const std::string& component);

}  // namespace rb
