#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "framework/persistent.h"
#include "support/xmlobject.h"

namespace rb {

class Device;

// The base of every test a device offers. A device owns its tests; the command dispatcher finds them by
// exact name and runs them on the host's thread, while cancelTest may arrive from another host thread.
// In the persistent file a test is its name; a test class that keeps more state streams it after the
// name.
class Test : public Persistent {
 public:
  Test(std::string name, std::string caption, std::string description);

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

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies the base state (name, texts, loop and record numbers); the owner stays.
  void Assign(const Persistent& other) override;

  // Called when the test is added to its device; the default does nothing.
  virtual void Setup() {}
  // Runs the test for a runTest command and answers the result document (a "testResult" element with
  // its "currentState" and the output as text).
  virtual XmlObject Run(const XmlObject& command) = 0;

 protected:
  // The state a reader starts from.
  Test() = default;

  std::string name_;
  Device* device_ = nullptr;
  std::uint32_t loop_ = 0;
  std::uint32_t recordNum_ = 0;
  std::atomic<bool> canceled_{false};
  std::string caption_;
  std::string description_;
};

}  // namespace rb
