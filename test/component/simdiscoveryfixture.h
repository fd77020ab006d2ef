#pragma once

// A component on a simulated machine, run from a scratch directory that holds the machine's description
// (and its board database, when one is given), with the machine's PCI summary handed to the component
// as the host would. The platform records what the component asks of it (trace_).

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/storagetestcomponent.h"
#include "framework/testdoubles.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "support/runenvironment.h"
#include "support/xmlobject.h"
#include "sysid/pciidentification.h"

namespace rbtest {

class SimDiscoveryTest : public ::testing::Test {
 protected:
  // `boards` (when not null) is written as the board database pciboards.xml.
  void Start(const char* machine, rb::XmlObject summary, const char* boards = nullptr) {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    if (boards != nullptr) dir_.Write("pciboards.xml", boards);
    rb::ResetPciIdentificationForTesting();
    rb::ForgetRunEnvironmentForTesting();
    machine_ = std::make_unique<os::SimPlatform>(dir_.Write("machine.xml", machine));
    auto recording = std::make_unique<RecordingPlatform>(*machine_);
    trace_ = recording.get();
    installed_ = std::make_unique<InstalledPlatform>(std::move(recording));
    component_.SetCallback(&HostEvents::Record);
    rb::SetComponentInstance(&component_);
    component_.SetPciSummary(std::move(summary));
  }
  void TearDown() override {
    rb::SetComponentInstance(nullptr);
    component_.ClearDevices();
    installed_.reset();
    if (!previous_.empty()) std::filesystem::current_path(previous_);
    rb::ResetPciIdentificationForTesting();
    rb::ForgetRunEnvironmentForTesting();
  }

  ScratchDir dir_;
  std::filesystem::path previous_;
  std::unique_ptr<os::SimPlatform> machine_;
  RecordingPlatform* trace_ = nullptr;
  std::unique_ptr<InstalledPlatform> installed_;
  rb::StorageTestComponent component_;
};

// An entry of the PCI summary: function 0 of device 0 on `bus`, a RAID-class mass-storage controller.
inline rb::XmlObject RaidControllerSummaryEntry(const char* bus) {
  rb::XmlObject entry;
  entry.SetName("structure");
  entry.SetAttribute("bus", bus);
  entry.SetAttribute("device", "0");
  entry.SetAttribute("function", "0");
  entry.SetAttribute("classCode", "010400");
  return entry;
}

// A pciDevice entry of the PCI summary, as the inventory library writes it.
inline rb::XmlObject PciFunctionEntry(const char* bus, const char* device, const char* function,
                                      const char* classCode, const char* description, const char* osDeviceId) {
  rb::XmlObject entry;
  entry.SetName("structure");
  entry.SetAttribute("name", "pciDevice");
  entry.SetAttribute("bus", bus);
  entry.SetAttribute("device", device);
  entry.SetAttribute("function", function);
  entry.SetAttribute("classCode", classCode);
  entry.AddProperty("description", "Description", description);
  entry.AddProperty("osDeviceID", "Device Instance", osDeviceId);
  return entry;
}

// A PCI summary of RAID-class controllers, one on each of `buses`.
inline rb::XmlObject RaidControllerSummary(std::initializer_list<const char*> buses) {
  rb::XmlObject summary;
  summary.SetName("pciSummary");
  for (const char* bus : buses) summary.AddChild(RaidControllerSummaryEntry(bus));
  return summary;
}

// The device element of an idResult named `name`, or null.
inline const rb::XmlObject* DeviceNamed(const rb::XmlObject& idResult, const std::string& name) {
  for (const rb::XmlObject& child : idResult.Children())
    if (child.Name() == "device" && child.GetAttribute("name") == name) return &child;
  return nullptr;
}

// The value of a device element's property `name`, "(none)" when it has none.
inline std::string Property(const rb::XmlObject& device, const std::string& name) {
  for (const rb::XmlObject& child : device.Children())
    if (child.Name() == "property" && child.GetAttribute("name") == name) return child.GetAttribute("value");
  return "(none)";
}

// A block of a device element (a group of properties) by name; null when there is none.
inline const rb::XmlObject* Block(const rb::XmlObject& device, const std::string& name) {
  for (const rb::XmlObject& child : device.Children())
    if (child.Name() == "propertyGroup" && child.GetAttribute("name") == name) return &child;
  return nullptr;
}

// The warnings of a device element, each as "key:caption".
inline std::vector<std::string> WarningKeys(const rb::XmlObject& device) {
  std::vector<std::string> keys;
  for (const rb::XmlObject& child : device.Children())
    if (child.Name() == "warning")
      keys.push_back(child.GetAttribute("name") + ":" + child.GetAttribute("caption"));
  return keys;
}

}  // namespace rbtest
