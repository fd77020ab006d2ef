#include "controllers/polarwindbackplane.h"

#include "controllers/backplanetestlist.h"
#include "controllers/catalogblocks.h"
#include "controllers/seslayouts.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

namespace ses = seslayout;

bool PolarwindBackplane::ReadChassisSerialBuffer(std::vector<std::uint8_t>& buffer) {
  buffer.assign(ses::kChassisSerialSize, 0);
  return ReceiveFromProcessor(ses::kBufferChassisSerial, buffer.data(), ses::kChassisSerialSize);
}

std::string PolarwindBackplane::ChassisSerialText(const std::vector<std::uint8_t>& buffer) {
  std::string text;
  for (std::size_t i = ses::kChassisSerialText; i < buffer.size() && buffer[i] != 0; ++i)
    text += static_cast<char>(buffer[i]);
  return text;
}

int PolarwindBackplane::VerifyChassisSerial(const std::string& expected) {
  std::vector<std::uint8_t> buffer;
  if (!ReadChassisSerialBuffer(buffer)) return kTransferFailed;
  return ChassisSerialText(buffer) == expected ? kMatch : kMismatch;
}

int PolarwindBackplane::WriteChassisSerial(const std::string& serial) {
  // The buffer keeps its first two bytes; the text fills the rest, NUL-padded.
  std::vector<std::uint8_t> buffer;
  if (!ReadChassisSerialBuffer(buffer)) return kTransferFailed;
  const std::size_t room = ses::kChassisSerialSize - ses::kChassisSerialText;
  for (std::size_t i = 0; i < room; ++i)
    buffer[ses::kChassisSerialText + i] = i < serial.size() ? static_cast<std::uint8_t>(serial[i]) : 0;
  if (!SendToProcessor(ses::kBufferChassisSerial, buffer.data(), ses::kChassisSerialSize))
    return kTransferFailed;
  return VerifyChassisSerial(serial.substr(0, room));
}

void PolarwindBackplane::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    DescribeScsiProperties(element, catalogRequest);
    std::vector<std::uint8_t> buffer;
    if (ReadChassisSerialBuffer(buffer)) {
      XmlObject block = PropertyGroup("Chassis Serial Number", "Chassis serial number");
      std::string hex;
      for (std::uint8_t byte : buffer) hex += StringPrintf("%02X ", byte);
      block.AddProperty("rawHex", Translate("Raw Data in Hex"), hex);
      block.AddProperty("text", Translate("Text"), ChassisSerialText(buffer));
      element.AddChild(std::move(block));
    }
  }
  OfferTestEntries(*this, element, BackplaneTestList(true));
}

}  // namespace rb
