#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "support/xmlobject.h"

namespace rb {

class Device;

// The base of every test a device offers. A device owns its tests; the command dispatcher finds them by
// exact name and runs them on the host's thread, while cancelTest may arrive from another host thread.
class Test {
 public:
  Test(std::string name, std::string caption, std::string description);
  virtual ~Test() = default;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Description() const { return description_; }
  Device* Owner() const { return device_; }
  void SetOwner(Device* device) { device_ = device; }
  std::uint32_t Loop() const { return loop_; }
  std::uint32_t RecordNum() const { return recordNum_; }
  void SetLoop(std::uint32_t loop) { loop_ = loop; }
  void SetRecordNum(std::uint32_t recordNum) { recordNum_ = recordNum; }

  // Written by cancelTest from another thread, read by the running test between its steps.
  void Cancel() { canceled_.store(true, std::memory_order_relaxed); }
  bool CancelRequested() const { return canceled_.load(std::memory_order_relaxed); }
  void ClearCancel() { canceled_.store(false, std::memory_order_relaxed); }

  // Runs the test for a runTest command and answers the result document (a "testResult" element with
  // its "currentState" and the output as text).
  virtual XmlObject Run(const XmlObject& command) = 0;

 protected:
  std::string name_;
  Device* device_ = nullptr;
  std::uint32_t loop_ = 0;
  std::uint32_t recordNum_ = 0;
  std::atomic<bool> canceled_{false};
  std::string caption_;
  std::string description_;
};

}  // namespace rb
