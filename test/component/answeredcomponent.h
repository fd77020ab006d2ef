#pragma once

// A fixture for driving tests through the component's exported functions: the component initialised
// in process, AnsweringHost registered as its callback, and one test-double device.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "component/componentinstance.h"
#include "component/testcomponent.h"
#include "framework/runtestdoubles.h"
#include "framework/testdoubles.h"
#include "ravelbank/host.h"

namespace rbtest {

// Sends one command document and answers the response (freed back to the host's allocator).
inline std::string SendCommand(const std::string& command) {
  char* answer = ExecuteXMLCommand(command.c_str());
  std::string text = answer != nullptr ? answer : "(null)";
  OruFree(answer);
  return text;
}

class AnsweredComponent : public ::testing::Test {
 protected:
  AnsweredComponent(std::string deviceName, std::string caption)
      : deviceName_(std::move(deviceName)), caption_(std::move(caption)) {}

  void SetUp() override {
    Initialize("<options component='storage.so'/>");
    OruFree(SetCallback(&AnsweringHost::Callback));
    AnsweringHost::Reset(nullptr);
    auto device = std::make_unique<RecordingDevice>(deviceName_);
    device->SetCaption(caption_);
    device_ = device.get();
    rb::ComponentInstance()->AddDevice(std::move(device));
  }
  void TearDown() override { Uninitialize(nullptr); }

  // Hands the test to the device and answers it.
  template <class T>
  T& Add(std::unique_ptr<T> test) {
    T& held = *test;
    device_->AddTest(std::move(test));
    return held;
  }

  RecordingDevice* device_ = nullptr;

 private:
  std::string deviceName_;
  std::string caption_;
};

}  // namespace rbtest
