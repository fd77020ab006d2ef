#pragma once

#include <string>

#include "framework/persistent.h"
#include "support/xmlobject.h"

namespace rb {

class Device;

// A check that looks at a device's recorded history instead of exercising it; answered by runDiagnosis
// with a verdict, notes, a page to show and actions the host may offer. In the persistent file a
// diagnosis is its name; the owning device links itself on reading.
class Diagnosis : public Persistent {
 public:
  Diagnosis(std::string name, Device* device, std::string caption, std::string description);

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Description() const { return description_; }
  Device* Owner() const { return device_; }
  void SetOwner(Device* device) { device_ = device; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies name and texts; the owner stays.
  void Assign(const Persistent& other) override;

  // <diagnosisResult component= device= Diagnosis= testTime=> with what Diagnose adds; raises "Device not
  // found" when the diagnosis has no device.
  XmlObject Run(const XmlObject& command);

 protected:
  // The state a reader starts from.
  Diagnosis() = default;

  // The body: sets the result's currentState and adds its notes.
  virtual void Diagnose(const XmlObject& command, XmlObject& result) = 0;

  void AddInfo(XmlObject& result, const std::string& caption) const;
  void AddFormattedTextFile(XmlObject& result, const std::string& filename) const;
  // Answers the action element, so that a page or details can go with the offer.
  XmlObject& AddDeviceAction(XmlObject& result, const std::string& caption, const std::string& subDevice) const;

 private:
  std::string ComponentName() const;

  std::string name_;
  Device* device_ = nullptr;
  std::string caption_;
  std::string description_;
};

}  // namespace rb
