#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/xmlobject.h"

namespace rb {

class Diagnosis;
class Test;

// The base of every device discovery creates: its identity (a name unique within the component), its
// display texts, its tests and diagnosis objects, and the operations the command dispatcher reaches it
// through.
class Device {
 public:
  explicit Device(std::string name);
  virtual ~Device();

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  const std::string& Description() const { return description_; }
  void SetDescription(std::string description) { description_ = std::move(description); }
  bool Busy() const { return busy_; }
  void SetBusy(bool busy) { busy_ = busy; }
  // The caption, or the name when the caption is empty.
  const std::string& DisplayName() const { return caption_.empty() ? name_ : caption_; }

  // Called before the device is used for a test or described, and after such use.
  virtual void Open() {}
  virtual void Close() {}
  // The deviceAction handler; devices without actions ignore the command.
  virtual void Action(const XmlObject& command);

  // Takes ownership; a test of the same name is replaced.
  void AddTest(std::unique_ptr<Test> test);
  // Exact, case-sensitive name; null when there is none.
  Test* FindTest(std::string_view name) const;
  const std::vector<std::unique_ptr<Test>>& Tests() const { return tests_; }
  void AddDiagnosis(std::unique_ptr<Diagnosis> diagnosis);
  const std::vector<std::unique_ptr<Diagnosis>>& Diagnoses() const { return diagnoses_; }

  // Runs the test the command names, announcing start and result; raises "Test not found".
  XmlObject RunTest(const XmlObject& command);
  // Raises the cancel flag of the test the command names ("Test not found" when there is none) and
  // adds its loop and record numbers to the response.
  void CancelTest(const XmlObject& command, XmlObject& response);

 private:
  Test& RequireTest(const std::string& name) const;

  std::string name_;
  bool busy_ = false;
  std::string caption_ = "Device";
  std::string description_ = "Device";
  std::vector<std::unique_ptr<Test>> tests_;
  std::vector<std::unique_ptr<Diagnosis>> diagnoses_;
};

// The order of the component's device set: runs of decimal digits compare as numbers (disk9 before
// disk10), everything else as signed bytes; a name that ends first sorts first.
int CompareDeviceNames(std::string_view a, std::string_view b);

struct DeviceNameLess {
  using is_transparent = void;
  bool operator()(const Device* a, const Device* b) const { return CompareDeviceNames(a->Name(), b->Name()) < 0; }
  bool operator()(const Device* a, std::string_view b) const { return CompareDeviceNames(a->Name(), b) < 0; }
  bool operator()(std::string_view a, const Device* b) const { return CompareDeviceNames(a, b->Name()) < 0; }
};

}  // namespace rb
