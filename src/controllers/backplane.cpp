#include "controllers/backplane.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "controllers/backplanetestlist.h"
#include "controllers/polarwindbackplane.h"
#include "controllers/seslayouts.h"
#include "devices/scsi/scsicommandrecord.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"

namespace rb {

namespace ses = seslayout;

namespace {

constexpr std::size_t kInquiryProduct = 16;
constexpr std::size_t kInquiryProductSize = 16;

bool NamesPolarwind(const std::vector<std::uint8_t>& inquiry) {
  if (inquiry.size() < kInquiryProduct + kInquiryProductSize) return false;
  std::string product(inquiry.begin() + kInquiryProduct,
                      inquiry.begin() + kInquiryProduct + kInquiryProductSize);
  std::transform(product.begin(), product.end(), product.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return product.find("POLARWIND") != std::string::npos;
}

}  // namespace

Backplane::Backplane(std::string name, ScsiDevice& controller, std::uint8_t bus, std::uint8_t target,
                     std::vector<std::uint8_t> inquiry)
    : ScsiDevice(std::move(name), true, nullptr, bus, target, 0), inquiry_(std::move(inquiry)) {
  SetParentAdapter(&controller);
  SetCaption(Translate("Backplane"));
}

Backplane::Backplane() = default;

std::unique_ptr<Backplane> Backplane::Make(ScsiDevice& controller, std::uint8_t bus, std::uint8_t target,
                                           std::vector<std::uint8_t> inquiry) {
  if (NamesPolarwind(inquiry))
    return std::make_unique<PolarwindBackplane>("backplane", controller, bus, target, std::move(inquiry));
  return std::make_unique<Backplane>("backplane", controller, bus, target, std::move(inquiry));
}

void Backplane::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDevice::Stream(stream, writing, version);
  const std::size_t count = stream.TransferCount(inquiry_.size(), 1);
  if (!writing) inquiry_.assign(count, 0);
  if (count != 0) stream.TransferBytes(inquiry_.data(), count);
}

void Backplane::Assign(const Persistent& other) {
  ScsiDevice::Assign(other);
  if (const auto* backplane = dynamic_cast<const Backplane*>(&other)) inquiry_ = backplane->inquiry_;
}

std::uint8_t Backplane::SendCdb(const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                                std::uint32_t length, int direction) {
  if (Driver() == nullptr && ParentAdapter() == nullptr)
    throw OruError("No Driver Present", "SCSI adapter not implemented");
  return ScsiDevice::SendCdb(cdb, cdbLength, buffer, length, direction);
}

bool Backplane::Transfer(std::uint8_t opcode, std::uint8_t page, void* buffer, std::uint32_t length,
                         int direction) {
  if (length > ses::kMaxProcessorTransfer) return false;
  std::uint8_t cdb[6] = {opcode, 0, 0, page, static_cast<std::uint8_t>(length), 0};
  try {
    const std::uint8_t status = SendCdb(cdb, sizeof cdb, buffer, length, direction);
    return status == 0 || status == 2;
  } catch (const OruWarning& error) {
    DebugPrint("%s: processor buffer %02x: %s %s\n", Name().c_str(), page, error.Message().c_str(),
               error.Detail().c_str());
    return false;
  }
}

bool Backplane::ReceiveFromProcessor(std::uint8_t page, void* buffer, std::uint32_t length) {
  if (buffer != nullptr && length <= ses::kMaxProcessorTransfer) std::memset(buffer, 0, length);
  return Transfer(ses::kReceiveOpcode, page, buffer, length, kDataIn);
}

bool Backplane::SendToProcessor(std::uint8_t page, const void* buffer, std::uint32_t length) {
  std::vector<std::uint8_t> data(static_cast<const std::uint8_t*>(buffer),
                                 static_cast<const std::uint8_t*>(buffer) + (buffer != nullptr ? length : 0));
  return Transfer(ses::kSendOpcode, page, data.empty() ? nullptr : data.data(),
                  static_cast<std::uint32_t>(data.size()), kDataOut);
}

void Backplane::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) DescribeScsiProperties(element, catalogRequest);
  OfferTestEntries(*this, element, BackplaneTestList(false));
}

}  // namespace rb
