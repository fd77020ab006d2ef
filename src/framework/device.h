#pragma once

#include <atomic>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/interface.h"
#include "framework/persistent.h"
#include "support/xmlobject.h"

namespace rb {

class Diagnosis;
class Test;

// The base of every device discovery creates: its identity (a name unique within the component), its
// display texts, its tests and diagnosis objects, its relations to other devices and its properties,
// and the operations the command dispatcher reaches it through. Describe writes its catalog element.
//
// In the persistent file a device is its name, busy flag, caption, description, tests, interfaces and
// diagnosis objects; the element class and the properties are set again by the family.
class Device : public Persistent {
 public:
  // One property of the catalog element.
  struct Property {
    std::string name;
    std::string caption;
    std::string value;
  };

  // With makeUnique the trailing digits of the name are dropped and, unless the component is building
  // a catalog, the smallest number that makes the name free in the component's device set is appended
  // (the first cdrom becomes cdrom0, the next cdrom1).
  Device(std::string name, bool makeUnique);
  ~Device() override;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  const std::string& Description() const { return description_; }
  void SetDescription(std::string description) { description_ = std::move(description); }
  void SetElementClass(std::string elementClass) { elementClass_ = std::move(elementClass); }
  // Set while a test that needs the device to itself runs. Tests on other host threads read it.
  bool Busy() const { return busy_.load(); }
  void SetBusy(bool busy) { busy_.store(busy); }
  // Sets the busy flag unless it is set already; true when this call set it.
  bool ClaimBusy() {
    bool expected = false;
    return busy_.compare_exchange_strong(expected, true);
  }
  // The caption, or the name when the caption is empty.
  const std::string& DisplayName() const { return caption_.empty() ? name_ : caption_; }

  void AddProperty(std::string name, std::string caption, std::string value);
  const std::vector<Property>& Properties() const { return properties_; }
  void AddInterface(Interface relation) { interfaces_.push_back(std::move(relation)); }
  const std::vector<Interface>& Interfaces() const { return interfaces_; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies the state of another device; its tests and diagnosis objects are copied too.
  void Assign(const Persistent& other) override;

  // The class attribute of the catalog element: the element class, "device" when that is empty.
  virtual std::string ElementClass() const;
  // Called before the device is used for a test or described, and after such use.
  virtual void Open() {}
  virtual void Close() {}
  // The deviceAction handler; devices without actions ignore the command.
  virtual void Action(const XmlObject& command);
  // Adds the family's attributes, properties and tests to the catalog element. With the catalog
  // request on, the kind of device is described and no hardware is touched.
  virtual void DescribeProperties(XmlObject& element, bool catalogRequest) = 0;

  // Makes `out` the device's catalog element and announces the device to the host ("Device
  // Discovered"). With the catalog request off the device is opened for the description.
  void Describe(XmlObject& out, bool catalogRequest);

  // Takes ownership, replacing a test of the same name, and sets the test up. A null test is ignored.
  void AddTest(std::unique_ptr<Test> test);
  // Makes each test of the list that is part of the component (see testfactory.h), adds it and writes
  // its catalog element into the device element. Tests not part of the component are left out.
  void OfferTests(XmlObject& element, std::initializer_list<std::string_view> testClasses);
  // The same for a list the device puts together (leaving out tests its hardware cannot run).
  void OfferTests(XmlObject& element, const std::vector<std::string_view>& testClasses);
  // Adds a test the device made itself (a configured instance, testfactory.h) and writes its catalog
  // element into the device element. A null test is ignored.
  void OfferTest(XmlObject& element, std::unique_ptr<Test> test);
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

 protected:
  // The state a reader starts from: no name, nothing renamed.
  Device();

 private:
  Test& RequireTest(const std::string& name) const;
  // The text of the "Device Discovered" event.
  std::string Announcement() const;

  std::string name_;
  std::atomic<bool> busy_{false};
  std::string caption_ = "Device";
  std::string description_ = "Device";
  std::string elementClass_;
  std::vector<std::unique_ptr<Test>> tests_;
  std::vector<Interface> interfaces_;
  std::vector<std::unique_ptr<Diagnosis>> diagnoses_;
  std::vector<Property> properties_;
};

// The order of the component's device set: where both names have a decimal digit, the numbers that
// begin there decide (disk9 before disk10); otherwise, or when the numbers are equal, the characters
// compare as signed bytes (disk01 before disk1). A name that ends first sorts first. Answers a
// negative number, zero or a positive number.
int CompareDeviceNames(std::string_view a, std::string_view b);

// Orders devices, held or not, and names among each other.
struct DeviceNameLess {
  using is_transparent = void;
  static std::string_view NameOf(std::string_view name) { return name; }
  static std::string_view NameOf(const Device* device) { return device->Name(); }
  static std::string_view NameOf(const std::shared_ptr<Device>& device) { return device->Name(); }
  template <class A, class B>
  bool operator()(const A& a, const B& b) const {
    return CompareDeviceNames(NameOf(a), NameOf(b)) < 0;
  }
};

}  // namespace rb
