#include "controllers/cissbackplane.h"

#include <functional>

#include "controllers/arraylayouts.h"
#include "controllers/backplanetestlist.h"
#include "controllers/catalogblocks.h"
#include "controllers/cissdevice.h"
#include "controllers/replytext.h"
#include "controllers/seslayouts.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

CissDevice* EnclosureController(Device* device) {
  if (const auto* backplane = dynamic_cast<const CissBackPlane*>(device)) return backplane->Controller();
  return dynamic_cast<CissDevice*>(device);
}

namespace ses = seslayout;

namespace {

const char* YesNo(bool on) {
  return on ? "Yes" : "No";
}

void AddFlag(XmlObject& block, const char* name, const char* caption, bool on) {
  block.AddProperty(name, Translate(caption), Translate(YesNo(on)));
}

struct FirmwareKind {
  std::uint8_t kind;
  const char* caption;
  const char* name;
};
constexpr FirmwareKind kFirmwareKinds[] = {
    {ses::kFirmwareSep, "SEP firmware revision", "sepFWRev"},
    {ses::kFirmwareBpm, "BPM firmware revision", "bpmFWRev"},
    {ses::kFirmwareFcm, "FCM firmware revision", "fcmFWRev"},
    {ses::kFirmwareHmm, "HMM firmware revision", "hmmFWRev"},
    {ses::kFirmwareSsd, "SSD firmware revision", "ssdFWRev"},
    {ses::kFirmwareMicroController, "Micro Controller", "microController"},
};

}  // namespace

CissBackPlane::CissBackPlane(std::string name, CissDevice& controller, std::uint8_t bus, std::uint8_t target)
    : ScsiDevice(std::move(name), true, nullptr, bus, target, 0),
      controller_(&controller),
      ses_(std::make_unique<SESDiagApi>(controller)) {
  SetParentAdapter(&controller);
  SetCaption(Translate("SES Backplane"));
}

CissBackPlane::CissBackPlane() : ses_(std::make_unique<SESDiagApi>()) {}

void CissBackPlane::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDevice::Stream(stream, writing, version);
  stream.TransferLink(controller_);
  stream.TransferOwned(ses_);
  stream.Transfer(searched_);
  if (!ses_) ses_ = std::make_unique<SESDiagApi>();
  if (!writing) SetParentAdapter(controller_);
}

void CissBackPlane::Assign(const Persistent& other) {
  ScsiDevice::Assign(other);
  const auto* backplane = dynamic_cast<const CissBackPlane*>(&other);
  if (backplane == nullptr) return;
  controller_ = backplane->controller_;
  ses_ = CloneCopy(*backplane->ses_);
  searched_ = backplane->searched_;
  SetParentAdapter(controller_);
}

SESDiagApi& CissBackPlane::Ses() {
  if (!searched_) {
    ses_->FindEnclosures();
    searched_ = true;
  }
  return *ses_;
}

void CissBackPlane::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    DescribeScsiProperties(element, catalogRequest);
    SESDiagApi& api = Ses();
    for (std::size_t enclosure = 0; enclosure < api.EnclosureCount(); ++enclosure) {
      AddDiagInquiry(element, enclosure);
      AddExpanders(element, enclosure);
      if (!AddTemperatures(element, enclosure))
        AddBlockWarning(element, "Error adding temperature Info", "errTempInfo");
      if (!AddFans(element, enclosure)) AddBlockWarning(element, "Error adding fan Info", "errFanInfo");
      if (!AddPowerSupplies(element, enclosure))
        AddBlockWarning(element, "Error adding power supply Info", "errPowerSupplyInfo");
    }
  }
  OfferTestEntries(*this, element, CissBackPlaneTestList());
}

void CissBackPlane::AddDiagInquiry(XmlObject& element, std::size_t enclosure) {
  namespace inquiry = ses::diaginquiry;
  std::vector<std::uint8_t> data(inquiry::kSize, 0);
  if (!ses_->ReadEnclosureBuffer(enclosure, ses::kBufferDiagInquiry, data)) {
    AddBlockWarning(element, "Error adding diagnostic inquiry information", "errAddDiagInquiry");
    return;
  }
  element.AddProperty("vendor", Translate("Vendor"), ReplyText(data, inquiry::kVendor, inquiry::kVendorSize));
  element.AddProperty("product", Translate("Product"),
                      ReplyText(data, inquiry::kProduct, inquiry::kProductSize));
  element.AddProperty("productRev", Translate("Product Revision"),
                      ReplyText(data, inquiry::kRevision, inquiry::kRevisionSize));
  element.AddProperty("version", Translate("Version"), StringPrintf("%d", data[inquiry::kVersion]));
  const std::size_t count = std::min<std::size_t>(data[inquiry::kDescriptorCount], inquiry::kMaxDescriptors);
  for (const FirmwareKind& kind : kFirmwareKinds) {
    int total = 0;
    for (std::size_t i = 0; i < count; ++i)
      total += data[inquiry::kDescriptors + i * inquiry::kDescriptorSize] == kind.kind;
    int seen = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = inquiry::kDescriptors + i * inquiry::kDescriptorSize;
      if (data[at] != kind.kind) continue;
      ++seen;
      const std::string revision = ReplyText(data, at + inquiry::kDescriptorRevision, 4);
      if (total == 1)
        element.AddProperty(kind.name, Translate(kind.caption), revision);
      else
        element.AddProperty(StringPrintf("%s%d", kind.name, seen),
                            StringPrintf("%s (%d)", Translate(kind.caption).c_str(), seen), revision);
    }
  }
}

void CissBackPlane::AddExpanders(XmlObject& element, std::size_t enclosure) {
  namespace expander = ses::expander;
  const int count = ses_->QueryByte(enclosure, ses::kTypeSasExpander);
  for (int i = 0; i < count; ++i) {
    std::vector<std::uint8_t> data(expander::kSize, 0);
    if (!ses_->ReadEnclosureBuffer(enclosure, static_cast<std::uint16_t>(ses::kBufferExpander + i), data))
      continue;
    XmlObject block = PropertyGroup(StringPrintf("%s%d", "expAsicRev", i + 1), "Expander ASIC revision");
    block.AddProperty("vendorId", Translate("Vendor ID"),
                      StringPrintf("%08x", arraylayout::Get32(data.data(), expander::kVendorId)));
    block.AddProperty("asicId", Translate("ASIC ID"),
                      StringPrintf("%08x", arraylayout::Get32(data.data(), expander::kAsicId)));
    block.AddProperty("asicRev", Translate("ASIC revision"),
                      StringPrintf("%08x", arraylayout::Get32(data.data(), expander::kAsicRevision)));
    std::string wwn;
    for (std::size_t b = 0; b < 8; ++b) wwn += StringPrintf("%02X", data[expander::kWorldWideName + b]);
    block.AddProperty("wwn", Translate("World Wide Name"), wwn);
    element.AddChild(std::move(block));
  }
}

bool CissBackPlane::AddElementBlocks(XmlObject& element, std::size_t enclosure, std::uint8_t type,
                                     const char* name, const char* caption,
                                     const std::function<void(XmlObject&, const SesElementRecord&)>& fill) {
  std::vector<SesElementRecord> records;
  if (!ses_->ReadElements(enclosure, type, records)) return false;
  int number = 0;
  for (const SesElementRecord& record : records) {
    XmlObject block = PropertyGroup(StringPrintf("%s%d", name, ++number), caption);
    block.AddProperty("status", Translate("Status"), Translate(SESDiagApi::StatusText(record[0])));
    fill(block, record);
    element.AddChild(std::move(block));
  }
  return true;
}

bool CissBackPlane::AddTemperatures(XmlObject& element, std::size_t enclosure) {
  return AddElementBlocks(
      element, enclosure, ses::kTypeTemperature, "tempElement", "Temperature element",
      [](XmlObject& block, const SesElementRecord& record) {
        DebugPrint("status value %d\n", record[0] & ses::kStatusMask);
        block.AddProperty("temperature", Translate("Temperature"), StringPrintf("%d", record[2]));
        AddFlag(block, "overTempFailure", "Over temperature failure", record[3] & ses::kTempOverFailure);
        AddFlag(block, "overTempWarning", "Over temperature warning", record[3] & ses::kTempOverWarning);
        AddFlag(block, "underTempFailure", "Under temperature failure", record[3] & ses::kTempUnderFailure);
        AddFlag(block, "underTempWarning", "Under temperature warning", record[3] & ses::kTempUnderWarning);
      });
}

bool CissBackPlane::AddFans(XmlObject& element, std::size_t enclosure) {
  return AddElementBlocks(element, enclosure, ses::kTypeCooling, "fanElement", "Fan element",
                          [](XmlObject& block, const SesElementRecord& record) {
                            const unsigned speed = (record[1] | record[2] << 8) & ses::kFanSpeedMask;
                            block.AddProperty("actSpeed", Translate("Actual Bus Speed"),
                                              StringPrintf("%d", speed));
                            AddFlag(block, "fail", "Fail", record[3] & ses::kFanFail);
                            AddFlag(block, "requestOn", "Requested on", record[3] & ses::kFanRequestedOn);
                            AddFlag(block, "off", "Off", record[3] & ses::kFanOff);
                            block.AddProperty("actSpeedCode", Translate("Actual speed code"),
                                              StringPrintf("%02x", record[3] & ses::kFanSpeedCodeMask));
                          });
}

bool CissBackPlane::AddPowerSupplies(XmlObject& element, std::size_t enclosure) {
  return AddElementBlocks(
      element, enclosure, ses::kTypePowerSupply, "psElement", "Power supply element",
      [](XmlObject& block, const SesElementRecord& record) {
        AddFlag(block, "dcOverVoltage", "DC over voltage", record[2] & ses::kPsDcOverVoltage);
        AddFlag(block, "dcUnderVoltage", "DC under voltage", record[2] & ses::kPsDcUnderVoltage);
        AddFlag(block, "dcOverCurrent", "DC over current", record[2] & ses::kPsDcOverCurrent);
        AddFlag(block, "fail", "Fail", record[3] & ses::kPsFail);
        AddFlag(block, "off", "Off", record[3] & ses::kPsOff);
        AddFlag(block, "overTempFailure", "Over temperature failure", record[3] & ses::kPsOverTempFailure);
        AddFlag(block, "tempWarning", "Temperature warning", record[3] & ses::kPsTempWarning);
        AddFlag(block, "acFailure", "AC failure", record[3] & ses::kPsAcFailure);
        AddFlag(block, "dcFailure", "DC failure", record[3] & ses::kPsDcFailure);
      });
}

}  // namespace rb
