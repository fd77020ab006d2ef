#include "framework/device.h"

#include <algorithm>

#include "component/componentinstance.h"
#include "component/diagnosis.h"
#include "component/testcomponent.h"
#include "framework/ptstream.h"
#include "framework/test.h"
#include "framework/testfactory.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"

namespace rb {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The name a device created with the make-unique flag gets.
std::string UniqueName(const std::string& given) {
  std::size_t end = given.size();
  while (end > 0 && IsDigit(given[end - 1])) --end;
  // A name made only of digits is kept whole.
  std::string stem = end > 0 ? given.substr(0, end) : given;
  const TestComponent* component = ComponentInstance();
  // While a catalog is built the template devices keep their names.
  if (component == nullptr || component->Busy()) return stem;
  return stem + std::to_string(component->FreeNumber(stem));
}

}  // namespace

Device::Device() = default;

Device::Device(std::string name, bool makeUnique) : name_(std::move(name)) {
  if (!makeUnique) return;
  std::string unique = UniqueName(name_);
  if (unique != name_) DebugPrint("Device name changed from %s to %s\n", name_.c_str(), unique.c_str());
  name_ = std::move(unique);
}

Device::~Device() = default;

void Device::Action(const XmlObject&) {}

std::string Device::ElementClass() const {
  return elementClass_.empty() ? "device" : elementClass_;
}

void Device::OfferTests(XmlObject& element, std::initializer_list<std::string_view> testClasses) {
  OfferTests(element, std::vector<std::string_view>(testClasses));
}

void Device::OfferTests(XmlObject& element, const std::vector<std::string_view>& testClasses) {
  for (std::string_view testClass : testClasses) OfferTest(element, MakeTest(testClass));
}

void Device::OfferTest(XmlObject& element, std::unique_ptr<Test> test) {
  if (test == nullptr) return;
  Test& added = *test;
  AddTest(std::move(test));
  element.AddChild(added.Describe());
}

void Device::AddProperty(std::string name, std::string caption, std::string value) {
  properties_.push_back({std::move(name), std::move(caption), std::move(value)});
}

void Device::Stream(ptstream& stream, bool writing, std::int32_t) {
  stream.Transfer(name_);
  bool busy = busy_.load();
  stream.Transfer(busy);
  busy_.store(busy);
  stream.Transfer(caption_);
  stream.Transfer(description_);
  stream.TransferOwnedList(tests_);
  stream.TransferHeldList(interfaces_);
  stream.TransferOwnedList(diagnoses_);
  if (writing) return;
  for (const auto& test : tests_) test->SetOwner(this);
  for (const auto& diagnosis : diagnoses_) diagnosis->SetOwner(this);
}

void Device::Assign(const Persistent& other) {
  const auto& from = dynamic_cast<const Device&>(other);
  if (&from == this) return;
  name_ = from.name_;
  busy_.store(from.busy_.load());
  caption_ = from.caption_;
  description_ = from.description_;
  elementClass_ = from.elementClass_;
  tests_ = CloneAll(from.tests_);
  for (const auto& test : tests_) test->SetOwner(this);
  interfaces_ = from.interfaces_;
  diagnoses_ = CloneAll(from.diagnoses_);
  for (const auto& diagnosis : diagnoses_) diagnosis->SetOwner(this);
  properties_ = from.properties_;
}

void Device::Describe(XmlObject& out, bool catalogRequest) {
  out.Clear();
  out.SetName("device");
  out.SetAttribute("name", name_);
  out.SetAttribute("class", ElementClass());
  out.SetAttribute("caption", caption_);
  out.SetAttribute("description", description_);
  if (!catalogRequest) Open();
  try {
    DescribeProperties(out, catalogRequest);
    for (const Property& property : properties_)
      out.AddProperty(property.name, property.caption, property.value);
    for (const Interface& relation : interfaces_) {
      XmlObject element;
      element.SetName("interface");
      element.SetAttribute("name", relation.Name());
      element.SetAttribute("caption", relation.Caption());
      element.SetAttribute("description", relation.Description());
      if (*relation.RoleName() != '\0') element.SetAttribute("role", relation.RoleName());
      out.AddChild(std::move(element));
    }
    out.SetAttribute("diagnosable", diagnoses_.empty() ? "0" : "1");
    SendDiagEvent(Translate("Device Discovered"), Announcement());
  } catch (...) {
    if (!catalogRequest) Close();
    throw;
  }
  if (!catalogRequest) Close();
}

std::string Device::Announcement() const {
  std::string text = DisplayName();
  if (!description_.empty() && text.find(description_) == std::string::npos) text += " - " + description_;
  return text;
}

void Device::AddTest(std::unique_ptr<Test> test) {
  if (!test) return;
  Test* const added = test.get();
  const bool held =
      std::any_of(tests_.begin(), tests_.end(), [&](const auto& t) { return t.get() == added; });
  if (held) {
    // The device owns it already: set it up again and keep the one entry.
    test.release();
  } else {
    std::erase_if(tests_, [&](const std::unique_ptr<Test>& t) { return t->Name() == added->Name(); });
  }
  added->SetOwner(this);
  added->Setup();
  if (!held) tests_.push_back(std::move(test));
}

Test* Device::FindTest(std::string_view name) const {
  for (const auto& test : tests_)
    if (test->Name() == name) return test.get();
  return nullptr;
}

void Device::AddDiagnosis(std::unique_ptr<Diagnosis> diagnosis) {
  if (diagnosis) diagnoses_.push_back(std::move(diagnosis));
}

Test& Device::RequireTest(const std::string& name) const {
  Test* test = FindTest(name);
  if (test == nullptr) {
    OruError error("Test not found", name);
    OruErrorCrossRef(error, "frontEnd", "frontEnd");
    throw error;
  }
  return *test;
}

namespace {
const std::string& Shown(const std::string& caption, const std::string& name) {
  return caption.empty() ? name : caption;
}
}  // namespace

XmlObject Device::RunTest(const XmlObject& command) {
  Test& test = RequireTest(command.GetAttribute("test", ""));
  const std::string prefix = DisplayName() + " - " + Shown(test.Caption(), test.Name());
  SendDiagEvent(Translate("Test Started"), prefix);
  Open();
  XmlObject result;
  try {
    result = test.Run(command);
  } catch (...) {
    Close();
    throw;
  }
  Close();
  SendDiagEvent(Translate("Test") + " " + Translate(result.GetAttribute("currentState", "")),
                prefix + ";" + result.Text());
  return result;
}

void Device::CancelTest(const XmlObject& command, XmlObject& response) {
  Test& test = RequireTest(command.GetAttribute("test", ""));
  test.Cancel();
  response.SetAttribute("loop", std::to_string(test.Loop()));
  response.SetAttribute("recordNum", std::to_string(test.RecordNum()));
}

int CompareDeviceNames(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[i])) {
      // The numbers that begin here decide when they differ. They are compared exactly: for numbers
      // below 2^31 this is the sign of their 32-bit difference, and longer runs of digits still give
      // a consistent order.
      std::size_t endA = i, endB = i;
      while (endA < a.size() && IsDigit(a[endA])) ++endA;
      while (endB < b.size() && IsDigit(b[endB])) ++endB;
      std::size_t startA = i, startB = i;
      while (startA < endA && a[startA] == '0') ++startA;
      while (startB < endB && b[startB] == '0') ++startB;
      const std::size_t lengthA = endA - startA, lengthB = endB - startB;
      if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
      const int digits = a.substr(startA, lengthA).compare(b.substr(startB, lengthB));
      if (digits != 0) return digits < 0 ? -1 : 1;
    }
    const auto ca = static_cast<signed char>(a[i]);
    const auto cb = static_cast<signed char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace rb
