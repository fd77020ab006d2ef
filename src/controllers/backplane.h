#pragma once

// A backplane's processor: a processor-type device on an array controller's bus, reached through the
// controller's send-to-child operation. It keeps the INQUIRY data it was found with and exchanges
// buffers with its processor (receive and send diagnostic results, at most 240 bytes).
//
// Make picks the class: PolarwindBackplane when the INQUIRY product identification names
// "POLARWIND" (any case), Backplane otherwise.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/scsi/scsidevice.h"

namespace rb {

class Backplane : public ScsiDevice {
 public:
  static constexpr const char* kStreamableName = "Backplane";

  Backplane(std::string name, ScsiDevice& controller, std::uint8_t bus, std::uint8_t target,
            std::vector<std::uint8_t> inquiry);
  // The state a reader starts from.
  Backplane();

  static std::unique_ptr<Backplane> Make(ScsiDevice& controller, std::uint8_t bus, std::uint8_t target,
                                         std::vector<std::uint8_t> inquiry);

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<Backplane>(); }

  const std::vector<std::uint8_t>& InquiryData() const { return inquiry_; }
  // Receives (zeroed first) or sends processor buffer `page`; false for more than 240 bytes or a
  // failed transfer. A CHECK CONDITION status counts as success: the processors answer so.
  bool ReceiveFromProcessor(std::uint8_t page, void* buffer, std::uint32_t length);
  bool SendToProcessor(std::uint8_t page, const void* buffer, std::uint32_t length);

  // Raises "No Driver Present" when neither a driver nor a controller carries the command.
  std::uint8_t SendCdb(const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer, std::uint32_t length,
                       int direction) override;
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 private:
  bool Transfer(std::uint8_t opcode, std::uint8_t page, void* buffer, std::uint32_t length, int direction);

  std::vector<std::uint8_t> inquiry_;
};

}  // namespace rb
