#include "component/testcomponent.h"

#include "component/componentinstance.h"
#include "component/diagnosis.h"
#include "component/failurelog.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "support/timeformat.h"

namespace rb {
namespace {

constexpr const char* kDiagVersion = "<diagVersion>7.9.1.2401A</diagVersion>";

// Clears the busy flag however the catalog build ends.
class BusyScope {
 public:
  explicit BusyScope(std::atomic<bool>& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  std::atomic<bool>& busy_;
};

// A translated text with "%s" in it, filled without handing the translation to printf.
std::string FillIn(std::string format, const std::string& value) {
  const std::size_t at = format.find("%s");
  if (at != std::string::npos) format.replace(at, 2, value);
  return format;
}

}  // namespace

TestComponent::TestComponent() = default;

TestComponent::~TestComponent() { ClearDevices(); }

bool TestComponent::AddDevice(std::unique_ptr<Device> device) {
  if (!device) return false;
  std::shared_ptr<Device> shared(std::move(device));
  std::lock_guard guard(devicesLock_);
  return devices_.insert(std::move(shared)).second;
}

TestComponent::DeviceSet TestComponent::Devices() const {
  std::lock_guard guard(devicesLock_);
  return devices_;
}

std::shared_ptr<Device> TestComponent::HoldDevice(std::string_view name) const {
  std::lock_guard guard(devicesLock_);
  // The set's comparator takes the name itself, which finds what a search device of that name would.
  const auto it = devices_.find(name);
  return it == devices_.end() ? nullptr : *it;
}

std::size_t TestComponent::FreeNumber(std::string_view stem) const {
  std::lock_guard guard(devicesLock_);
  // Devices leave the set only all together, so the numbers below a stem's last answer stay taken:
  // discovery names thousands of disks from one stem without searching from 0 each time.
  std::size_t& next = freeFrom_[std::string(stem)];
  while (devices_.find(std::string(stem) + std::to_string(next)) != devices_.end()) ++next;
  return next;
}

Device* TestComponent::FindDevice(std::string_view name) const {
  return HoldDevice(name).get();
}

void TestComponent::ClearDevices() {
  DeviceSet devices;
  {
    std::lock_guard guard(devicesLock_);
    devices.swap(devices_);
    freeFrom_.clear();
  }
  // Released outside the lock: a device's end may send events, and the host may answer with a command.
  devices.clear();
}

void TestComponent::Stream(ptstream& stream, bool writing, std::int32_t) {
  const DeviceSet devices = writing ? Devices() : DeviceSet();
  const std::size_t count = stream.TransferCount(devices.size(), 1);
  if (writing) {
    for (const auto& device : devices) stream.Writer().WritePointer(device.get());
  } else {
    ClearDevices();
    for (std::size_t i = 0; i < count; ++i) {
      std::unique_ptr<Device> device;
      stream.TransferOwned(device);
      if (!device) throw std::runtime_error(streamerror::kNullInList);
      const std::string name = device->Name();
      if (!AddDevice(std::move(device)))
        throw std::runtime_error("Device name used twice in persistent stream: " + name);
    }
  }
  stream.Transfer(name_);
}

void TestComponent::Assign(const Persistent& other) {
  const auto& from = dynamic_cast<const TestComponent&>(other);
  if (&from == this) return;
  ClearDevices();
  for (const auto& device : from.Devices()) AddDevice(CloneCopy(*device));
  name_ = from.name_;
}

std::shared_ptr<Device> TestComponent::RequireDevice(const std::string& name) const {
  std::shared_ptr<Device> device = HoldDevice(name);
  if (!device) {
    OruError error("Device not found", name);
    OruErrorCrossRef(error, "frontEnd", "frontEnd");
    throw error;
  }
  return device;
}

std::string TestComponent::ExecuteCommand(const std::string& commandText) {
  const XmlObject command(commandText);
  const std::string component = command.GetAttribute("component", "");
  const std::string& name = command.Name();
  try {
    if (EqualsNoCase(name, "catalog")) {
      BusyScope busy(busy_);
      SendDiagEvent(Translate("Building Catalog"), "");
      return BuildCatalog();
    }
    if (EqualsNoCase(name, "id")) {
      const std::lock_guard discovery(discoveryLock_);
      SendDiagEvent(Translate("Device Discovery Started"), "");
      return IdentifyDevices();
    }
    if (EqualsNoCase(name, "runTest")) {
      std::string response = RunTest(command);
      if (response.find("failed") != std::string::npos) CreateFailureLogFile(component);
      return response;
    }
    if (EqualsNoCase(name, "cancelTest")) return CancelTest(command);
    if (EqualsNoCase(name, "runDiagnosis")) return RunDiagnosis(command);
    if (EqualsNoCase(name, "deviceAction")) {
      DeviceAction(command);
      return {};
    }
    if (EqualsNoCase(name, "getDiagVersion")) return kDiagVersion;
    const bool begin = EqualsNoCase(name, "diagRunBegin");
    if (begin || EqualsNoCase(name, "diagRunEnd")) {
      if (const XmlObject* diagRun = command.SelectSingleNode("diagRun")) {
        if (begin) {
          DiagRunBegin(*diagRun);
        } else {
          DiagRunEnd(*diagRun);
        }
      }
      return {};
    }
    throw OruError("Invalid Command", name);
  } catch (const OruError& error) {
    return AnnounceError(error, component);
  }
}

std::string AnnounceError(const OruError& error, const std::string& component) {
  // The event is built from the error document as the host will read it back.
  const std::string document = error.ToXml().ToString();
  const XmlObject form(document);
  SendDiagEvent(Translate("Error"),
                form.GetAttribute("errorCode", "") + " - " + form.GetAttribute("key", "") + ";" + form.Text());
  CreateFailureLogFile(component);
  return document;
}

std::string TestComponent::RunTest(const XmlObject& command) {
  const std::shared_ptr<Device> device = RequireDevice(command.GetAttribute("device", ""));
  return device->RunTest(command).ToString();
}

std::string TestComponent::CancelTest(const XmlObject& command) {
  XmlObject response;
  response.SetName("diagOutput");
  const std::string deviceName = command.GetAttribute("device", "");
  const std::shared_ptr<Device> device = HoldDevice(deviceName);
  if (!device) {
    response.SetAttribute("device", deviceName);
    response.SetAttribute("test", command.GetAttribute("test", ""));
    response.SetAttribute("component", command.GetAttribute("component", ""));
    response.SetName("testResult");
    response.AddChild(OruError("Device not found", deviceName).ToXml());
    return response.ToString();
  }
  device->CancelTest(command, response);
  response.SetAttribute("type", "cancelTest");
  response.SetAttribute("status", Translate("Success"));
  return response.ToString();
}

std::string TestComponent::RunDiagnosis(const XmlObject& command) {
  const std::shared_ptr<Device> held = RequireDevice(command.GetAttribute("device", ""));
  Device& device = *held;
  XmlObject response;
  response.SetName("diagnosisResult");
  response.SetAttribute("device", device.Name());
  response.SetAttribute("caption", FillIn(Translate("Device Diagnosis for %s"), device.Caption()));
  const std::uint64_t start = os::Current().GetTickCount64();
  bool allPassed = true;
  bool unavailable = false;
  const auto& diagnoses = device.Diagnoses();
  const std::size_t n = diagnoses.size();
  for (std::size_t i = 0; i < n; ++i) {
    Diagnosis& diagnosis = *diagnoses[i];
    const std::string description = device.Caption() + " - " + diagnosis.Caption();
    SendDiagEvent(Translate("Diagnosis Started"), description);
    const XmlObject result = diagnosis.Run(command);
    const std::string state = result.GetAttribute("currentState", "");
    if (state != "passed") allPassed = false;
    if (state == "unavailable") unavailable = true;
    for (const XmlObject& child : result.Children()) response.AddChild(child);
    SendDiagEvent(Translate("Diagnosis Finished"), description);
    XmlObject update;
    update.SetName("diagUpdate");
    update.SetAttribute("device", device.Name());
    update.SetAttribute("percentComplete", std::to_string((i + 1) * 100 / n));
    InvokeCallback(update.ToString());
  }
  response.SetAttribute("currentState", unavailable ? "unavailable" : allPassed ? "passed" : "failed");
  const std::uint64_t elapsedMs = os::Current().GetTickCount64() - start;
  response.SetAttribute("testTime", FormatDuration(static_cast<std::uint32_t>(elapsedMs / 1000)));
  return response.ToString();
}

void TestComponent::DeviceAction(const XmlObject& command) {
  if (const std::shared_ptr<Device> device = HoldDevice(command.GetAttribute("device", "")))
    device->Action(command);
}

void TestComponent::DiagRunBegin(const XmlObject&) {}
void TestComponent::DiagRunEnd(const XmlObject&) {}

std::string TestComponent::BuildCatalog() {
  XmlObject catalog;
  catalog.SetName("catResult");
  return catalog.ToString();
}

void TestComponent::AddDevicesToCatalog(XmlObject& element) {
  for (const auto& device : Devices()) {
    XmlObject described;
    device->Describe(described, false);
    element.AddChild(std::move(described));
  }
}

std::string TestComponent::IdentifyDevices() {
  ClearDevices();
  XmlObject result;
  result.SetName("idResult");
  return result.ToString();
}

}  // namespace rb
