#pragma once

#include <string>

#include "support/xmlobject.h"

namespace rb {

class Device;

// A check that looks at a device's recorded history instead of exercising it; answered by runDiagnosis
// with a verdict, notes, a page to show and actions the host may offer.
class Diagnosis {
 public:
  Diagnosis(std::string name, Device* device, std::string caption, std::string description);
  virtual ~Diagnosis() = default;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Description() const { return description_; }
  Device* Owner() const { return device_; }

  // <diagnosisResult component= device= Diagnosis= testTime=> with what Diagnose adds; raises "Device not
  // found" when the diagnosis has no device.
  XmlObject Run(const XmlObject& command);

 protected:
  // The body: sets the result's currentState and adds its notes.
  virtual void Diagnose(const XmlObject& command, XmlObject& result) = 0;

  void AddInfo(XmlObject& result, const std::string& caption) const;
  void AddFormattedTextFile(XmlObject& result, const std::string& filename) const;
  void AddDeviceAction(XmlObject& result, const std::string& caption, const std::string& subDevice) const;

 private:
  std::string ComponentName() const;

  std::string name_;
  Device* device_;
  std::string caption_;
  std::string description_;
};

}  // namespace rb
