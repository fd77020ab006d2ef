#pragma once

// The base of the enclosure, LED and controller-signal tests: the controller a test talks to (its own
// device, or the controller behind the enclosure it belongs to), the common "not supported" failure,
// and the codes a configured instance is made with, kept in its persistent form so that a test read
// back is the instance it was.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/test.h"
#include "framework/testfactory.h"

namespace rb {

class CissDevice;

inline constexpr const char* kNotSupported = "Backplane or Controller not supported";

class EnclosureTest : public Test {
 public:
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;

  const std::vector<int>& Codes() const { return codes_; }

 protected:
  EnclosureTest(std::string name, std::string caption, std::string description, std::vector<int> codes = {});
  EnclosureTest() = default;

  // The CISS controller of the owner; null on any other device.
  CissDevice* FindController() const;
  // The controller; raises kNotSupported when the owner has none.
  CissDevice& Controller() const;
  // Records the failure and answers false, for the run body's return.
  bool Fail(const std::string& text, const std::string& detail = "");
  // The code at `index`, or `fallback` when the instance was made with fewer.
  int Code(std::size_t index, int fallback) const;

 private:
  std::vector<int> codes_;
};

}  // namespace rb
