#pragma once

// A backplane whose processor keeps the chassis serial number (processor buffer 93h, 32 bytes, the
// text from byte 2), shown in its catalog entry and verified or written by its tests.

#include <memory>
#include <string>

#include "controllers/backplane.h"

namespace rb {

class PolarwindBackplane : public Backplane {
 public:
  static constexpr const char* kStreamableName = "PolarwindBackplane";
  // Results of the serial number's verify and write.
  static constexpr int kMatch = 0;
  static constexpr int kTransferFailed = -1;
  static constexpr int kMismatch = -2;

  using Backplane::Backplane;

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<PolarwindBackplane>(); }

  // The 32 bytes of the serial number buffer; false when the receive fails.
  bool ReadChassisSerialBuffer(std::vector<std::uint8_t>& buffer);
  // The text of the buffer: from byte 2 up to the first NUL.
  static std::string ChassisSerialText(const std::vector<std::uint8_t>& buffer);
  // Receives the buffer and compares its text with `expected`.
  int VerifyChassisSerial(const std::string& expected);
  // Sends the buffer with `serial`, then verifies it.
  int WriteChassisSerial(const std::string& serial);

  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
};

}  // namespace rb
