#include "component/diagnosis.h"

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "framework/device.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "support/oruerror.h"
#include "support/timeformat.h"

namespace rb {

Diagnosis::Diagnosis(std::string name, Device* device, std::string caption, std::string description)
    : name_(std::move(name)), device_(device), caption_(std::move(caption)), description_(std::move(description)) {}

void Diagnosis::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(name_);
}

void Diagnosis::Assign(const Persistent& other) {
  Device* const owner = device_;
  Diagnosis::operator=(dynamic_cast<const Diagnosis&>(other));
  device_ = owner;
}

std::string Diagnosis::ComponentName() const {
  TestComponent* component = ComponentInstance();
  return component != nullptr ? component->ComponentName() : std::string();
}

XmlObject Diagnosis::Run(const XmlObject& command) {
  const std::uint64_t start = os::Current().GetTickCount64();
  XmlObject result;
  result.SetName("diagnosisResult");
  TestComponent* component = ComponentInstance();
  result.SetAttribute("component",
                      component != nullptr ? component->ComponentName() : command.GetAttribute("component", ""));
  result.SetAttribute("device", device_ != nullptr ? device_->Name() : command.GetAttribute("device", ""));
  result.SetAttribute("Diagnosis", name_);
  if (device_ == nullptr) throw OruError("Device not found", command.GetAttribute("device", ""));
  Diagnose(command, result);
  const std::uint64_t elapsedMs = os::Current().GetTickCount64() - start;
  result.SetAttribute("testTime", FormatDuration(static_cast<std::uint32_t>(elapsedMs / 1000)));
  return result;
}

void Diagnosis::AddInfo(XmlObject& result, const std::string& caption) const {
  XmlObject info;
  info.SetName("info");
  info.SetAttribute("component", ComponentName());
  info.SetAttribute("device", device_ != nullptr ? device_->Name() : std::string());
  info.SetAttribute("caption", caption);
  result.AddChild(std::move(info));
}

void Diagnosis::AddFormattedTextFile(XmlObject& result, const std::string& filename) const {
  XmlObject page;
  page.SetName("formattedTextFile");
  page.SetAttribute("filename", filename);
  result.AddChild(std::move(page));
}

XmlObject& Diagnosis::AddDeviceAction(XmlObject& result, const std::string& caption, const std::string& subDevice) const {
  XmlObject action;
  action.SetName("deviceAction");
  action.SetAttribute("caption", caption);
  action.SetAttribute("component", ComponentName());
  action.SetAttribute("device", device_ != nullptr ? device_->Name() : std::string());
  action.SetAttribute("subDevice", subDevice);
  return result.AddChild(std::move(action));
}

}  // namespace rb
