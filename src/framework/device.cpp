#include "framework/device.h"

#include <algorithm>

#include "component/componentinstance.h"
#include "component/diagnosis.h"
#include "framework/test.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

Device::Device(std::string name) : name_(std::move(name)) {}

Device::~Device() = default;

void Device::Action(const XmlObject&) {}

void Device::AddTest(std::unique_ptr<Test> test) {
  if (!test) return;
  std::erase_if(tests_, [&](const std::unique_ptr<Test>& held) { return held->Name() == test->Name(); });
  test->SetOwner(this);
  tests_.push_back(std::move(test));
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
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0;
  while (i < a.size() && i < b.size()) {
    if (digit(a[i]) && digit(b[i])) {
      // The numbers that begin here, read as 32-bit decimals; their difference decides.
      std::uint32_t x = 0, y = 0;
      for (std::size_t k = i; k < a.size() && digit(a[k]); ++k) x = x * 10 + static_cast<std::uint32_t>(a[k] - '0');
      for (std::size_t k = i; k < b.size() && digit(b[k]); ++k) y = y * 10 + static_cast<std::uint32_t>(b[k] - '0');
      const auto difference = static_cast<std::int32_t>(x - y);
      if (difference != 0) return difference;
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
