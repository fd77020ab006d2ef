#pragma once

// Test doubles for devices, tests and diagnosis objects, registered as streamable classes so that a
// component holding them can be written and read back; and a host callback that records the events.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "component/diagnosis.h"
#include "framework/device.h"
#include "framework/persistent.h"
#include "framework/ptstream.h"
#include "framework/test.h"
#include "ravelbank/host.h"
#include "support/xmlobject.h"

namespace rbtest {

// A test whose outcome the fixture chooses ("passed" or anything else for a failure); it writes the
// given output. The outcome is part of its persistent form.
class ScriptedTest : public rb::Test {
 public:
  static constexpr const char* kStreamableName = "ScriptedTest";

  ScriptedTest() = default;
  ScriptedTest(std::string name, std::string state, std::string output)
      : Test(std::move(name), "Scripted Test", "A test with a chosen outcome"),
        state_(std::move(state)),
        output_(std::move(output)) {}
  ~ScriptedTest() override { ++Destroyed(); }

  // Atomic: a device, and its tests with it, may end on whichever host thread held it last.
  static std::atomic<int>& Destroyed() {
    static std::atomic<int> count{0};
    return count;
  }
  int setups = 0;
  const std::string& State() const { return state_; }

  void Setup() override { ++setups; }
  bool Execute(const rb::XmlObject&) override {
    Output() << output_;
    return state_ == "passed";
  }

  void Stream(rb::ptstream& stream, bool writing, std::int32_t version) override {
    Test::Stream(stream, writing, version);
    stream.Transfer(state_);
    stream.Transfer(output_);
  }
  void Assign(const rb::Persistent& other) override {
    Test::Assign(other);
    const auto& from = dynamic_cast<const ScriptedTest&>(other);
    state_ = from.state_;
    output_ = from.output_;
  }
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<rb::Persistent> Clone() const override { return std::make_unique<ScriptedTest>(); }

 private:
  std::string state_;
  std::string output_;
};

class FixedDiagnosis : public rb::Diagnosis {
 public:
  static constexpr const char* kStreamableName = "FixedDiagnosis";

  FixedDiagnosis() = default;
  FixedDiagnosis(rb::Device* device, std::string verdict)
      : Diagnosis("fixed", device, "Fixed Diagnosis", "A diagnosis with a chosen verdict"),
        verdict_(std::move(verdict)) {}

  void Stream(rb::ptstream& stream, bool writing, std::int32_t version) override {
    Diagnosis::Stream(stream, writing, version);
    stream.Transfer(verdict_);
  }
  void Assign(const rb::Persistent& other) override {
    Diagnosis::Assign(other);
    verdict_ = dynamic_cast<const FixedDiagnosis&>(other).verdict_;
  }
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<rb::Persistent> Clone() const override { return std::make_unique<FixedDiagnosis>(); }

 protected:
  void Diagnose(const rb::XmlObject&, rb::XmlObject& result) override {
    result.SetAttribute("currentState", verdict_);
    AddInfo(result, "verdict " + verdict_);
  }

 private:
  std::string verdict_;
};

// A device that counts its opens and closes, records its actions and describes itself with one
// attribute and the catalog elements of its tests.
class RecordingDevice : public rb::Device {
 public:
  static constexpr const char* kStreamableName = "RecordingDevice";

  RecordingDevice() = default;
  explicit RecordingDevice(std::string name, bool makeUnique = false) : Device(std::move(name), makeUnique) {}

  void Open() override { ++opens; }
  void Close() override { ++closes; }
  void Action(const rb::XmlObject& command) override {
    actions.push_back(command.GetAttribute("action", ""));
  }
  void DescribeProperties(rb::XmlObject& element, bool catalogRequest) override {
    element.SetAttribute("described", catalogRequest ? "catalog" : "device");
    for (const auto& test : Tests()) {
      rb::XmlObject described;
      described.SetName("test");
      described.SetAttribute("name", test->Name());
      element.AddChild(std::move(described));
    }
  }
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<rb::Persistent> Clone() const override { return std::make_unique<RecordingDevice>(); }

  std::vector<std::string> actions;
  int opens = 0;
  int closes = 0;
};

// A device with a second, proxied interface (as a fibre-channel adapter has). `ForgetsOwner` models a
// class whose reading constructor does not set the proxy owner.
template <bool ForgetsOwner>
class AdapterDevice : public RecordingDevice, public rb::PersistentByProxy {
 public:
  static constexpr const char* kStreamableName = ForgetsOwner ? "ForgetfulAdapter" : "ProxiedAdapter";

  AdapterDevice() : PersistentByProxy(ForgetsOwner ? nullptr : this) {}
  explicit AdapterDevice(std::string name) : RecordingDevice(std::move(name)), PersistentByProxy(this) {}

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<rb::Persistent> Clone() const override { return std::make_unique<AdapterDevice>(); }
};
using ProxiedAdapter = AdapterDevice<false>;
using ForgetfulAdapter = AdapterDevice<true>;

inline void RegisterTestDoubles() {
  rb::RegisterStreamableClass<ScriptedTest>();
  rb::RegisterStreamableClass<FixedDiagnosis>();
  rb::RegisterStreamableClass<RecordingDevice>();
  rb::RegisterStreamableClass<ProxiedAdapter>();
  rb::RegisterStreamableClass<ForgetfulAdapter>();
}

// The host callback of the tests: records every document it is given and answers nothing.
class HostEvents {
 public:
  static char* RAVELBANK_HOST_CALL Record(const char* document) {
    std::lock_guard<std::mutex> lock(Mutex());
    List().emplace_back(document);
    return nullptr;
  }
  static void Clear() {
    std::lock_guard<std::mutex> lock(Mutex());
    List().clear();
  }
  static std::vector<rb::XmlObject> Taken() {
    std::lock_guard<std::mutex> lock(Mutex());
    return List();
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::vector<rb::XmlObject>& List() {
    static std::vector<rb::XmlObject> list;
    return list;
  }
};

}  // namespace rbtest
