#include "controllers/raiddisk.h"

#include "component/diskdiagnosis.h"
#include "controllers/arraydrivehistory.h"
#include "controllers/arraylayouts.h"
#include "controllers/bmicdevice.h"
#include "controllers/replytext.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

namespace {

namespace physical = arraylayout::identifyphysical;

const char* DriveTypeText(std::uint8_t type) {
  if (type == arraylayout::kDriveTypeSata) return "SATA Hard Disk";
  if (type == arraylayout::kDriveTypeSas) return "SAS Hard Drive";
  return "SCSI Hard Drive";
}

// Seconds the drive's LED blinks for the "Identify Drive" action.
constexpr std::uint16_t kBlinkSeconds = 30;

// Runs a history read; a refusal of the controller is a log it cannot give.
template <typename Read>
auto FromController(Read read) -> std::optional<decltype(read())> {
  try {
    return read();
  } catch (const OruError&) {
    return std::nullopt;
  }
}

}  // namespace

RaidDisk::RaidDisk(std::string name, BmicDevice& controller, std::uint8_t bus, std::uint8_t target,
                   std::string addressName)
    : ScsiDisk(std::move(name), true, nullptr, bus, target, 0),
      controller_(&controller),
      addressName_(std::move(addressName)) {
  SetParentAdapter(&controller);
  AddDiagnosis(std::make_unique<DiskDiagnosis>(this));
}

RaidDisk::RaidDisk(std::string name, BmicDevice& controller, std::uint8_t bus, std::uint8_t target,
                   std::string addressName, const std::array<std::uint8_t, 8>& lunAddress)
    : RaidDisk(std::move(name), controller, bus, target, std::move(addressName)) {
  lunAddress_ = lunAddress;
}

RaidDisk::RaidDisk() = default;

void RaidDisk::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDisk::Stream(stream, writing, version);
  stream.TransferLink(controller_);
  stream.Transfer(addressName_);
  stream.TransferBytes(lunAddress_.data(), lunAddress_.size());
  if (!writing) SetParentAdapter(controller_);
}

void RaidDisk::Assign(const Persistent& other) {
  ScsiDisk::Assign(other);
  const auto* disk = dynamic_cast<const RaidDisk*>(&other);
  if (disk == nullptr) return;
  controller_ = disk->controller_;
  addressName_ = disk->addressName_;
  lunAddress_ = disk->lunAddress_;
  identification_ = disk->identification_;
  identificationRead_ = disk->identificationRead_;
}

const std::vector<std::uint8_t>& RaidDisk::Identification() {
  if (!identificationRead_ && controller_ != nullptr) {
    identificationRead_ = true;
    try {
      identification_ = controller_->IdentifyPhysicalDrive(Bus(), Target());
    } catch (const OruError&) {
      identification_.clear();
    }
  }
  return identification_;
}

void RaidDisk::SetIdentification(std::vector<std::uint8_t> reply) {
  identification_ = std::move(reply);
  identificationRead_ = true;
}

std::uint8_t RaidDisk::DriveType() {
  const std::vector<std::uint8_t>& reply = Identification();
  return physical::kDriveType < reply.size() ? reply[physical::kDriveType] : arraylayout::kDriveTypeScsi;
}

std::string RaidDisk::ModelText() {
  try {
    const std::string model = ScsiDisk::ModelText();
    if (!model.empty()) return model;
  } catch (const OruError&) {
  }
  return ReplyText(Identification(), physical::kModel, physical::kModelSize);
}

std::uint8_t RaidDisk::IdentificationByte(std::size_t offset) {
  const std::vector<std::uint8_t>& reply = Identification();
  return offset < reply.size() ? reply[offset] : 0;
}

int RaidDisk::BusSpeedRank(std::uint8_t olderRates, std::uint8_t newerRates) {
  if (newerRates & 0x08) return 5;
  if (newerRates & 0x01) return 4;
  if (olderRates & 0x80) return 3;
  if (olderRates & 0x40) return 2;
  if (olderRates & 0x08) return 1;
  return 0;
}

const char* RaidDisk::BusSpeedText(std::uint8_t olderRates, std::uint8_t newerRates) {
  static constexpr const char* kTexts[] = {"Asynchronous (less than 10 MHz)",     "Fast (10 MHz)",
                                           "Ultra SCSI or Fast-20 (20 MHz)",      "Ultra-2 SCSI or Fast-40 (40 MHz)",
                                           "Ultra-160 or Ultra-3 SCSI (160 MHz)", "Ultra-320 (320 MHz)"};
  return kTexts[BusSpeedRank(olderRates, newerRates)];
}

const char* RaidDisk::LinkRateText(std::uint8_t code) {
  switch (code) {
    case 0:
      return "Link rate unknown";
    case 1:
      return "Phy disabled";
    case 2:
      return "Negotiation failed";
    case 3:
      return "SATA spin-up hold";
    case 8:
      return "1.5 Gbps";
    default:
      return "3.0 Gbps";
  }
}

std::string_view RaidDisk::SpeedTestName() {
  if (controller_ == nullptr || Identification().empty()) return {};
  return controller_->IsSasController() ? "SasVerLinkSpeedTest" : "BusSpeedTest";
}

void RaidDisk::AddCounters(XmlObject& element) {
  const std::vector<std::uint8_t>& reply = Identification();
  constexpr std::size_t kCommon = arraylayout::kPhysicalDriveCounters.size();
  const bool storageArray = controller_ != nullptr && controller_->IsStorageArrayController();
  const std::size_t count = kCommon + (storageArray ? arraylayout::kStorageArrayDriveCounters.size() : 0);
  // The storage-array words follow the common counters in the reply, and their numbering follows too.
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t offset = physical::kCounters + 4 * i;
    if (offset + 4 > reply.size()) return;
    const std::string caption(i < kCommon ? arraylayout::kPhysicalDriveCounters[i]
                                          : arraylayout::kStorageArrayDriveCounters[i - kCommon]);
    const std::string value = offset == physical::kStorageArrayCounters
                                  ? ReplyText(reply, offset, physical::kConnectorSize)
                                  : StringPrintf("%08x", arraylayout::Get32(reply.data(), offset));
    element.AddProperty("Counter" + std::to_string(i), Translate(caption), value);
  }
}

void RaidDisk::Action(const XmlObject& command) {
  if (controller_ == nullptr || command.GetAttribute("subDevice") != DiskDiagnosis::kIdentifyAction) return;
  std::vector<std::uint8_t> data(512, 0);
  controller_->SendBmicCommand(
      arraylayout::kBlinkDriveLed, data.data(), static_cast<std::uint32_t>(data.size()),
      controller_->PhysicalDriveParameter(Bus(), Target()), kBlinkSeconds, 0, kDataOut);
}

DriveDescription RaidDisk::DescribeDrive() {
  DriveDescription drive;
  drive.description = GetCaptionName();
  drive.firmware = ReplyText(Identification(), physical::kFirmware, physical::kFirmwareSize);
  const std::string serial =
      ReplyText(Identification(), physical::kSerialNumber, physical::kSerialNumberSize);
  if (!serial.empty()) drive.serialNumber = {DriveSerialNumber::State::kKnown, serial};
  drive.controllerDescription = Translate("Array Controller");
  if (controller_ != nullptr) {
    namespace identify = arraylayout::identifycontroller;
    const std::string controllerSerial =
        ReplyText(controller_->IdentifyReply(), identify::kSerialNumber, identify::kSerialNumberSize);
    if (!controllerSerial.empty())
      drive.controllerSerialNumber = {DriveSerialNumber::State::kKnown, controllerSerial};
  }
  drive.controllerSlot = controller_ != nullptr ? static_cast<std::uint32_t>(controller_->Slot()) : 0;
  drive.scsiBus = Bus();
  drive.scsiId = Target();
  drive.offline = IdentificationByte(physical::kFailed) != 0;
  return drive;
}

std::vector<DriveRecord> RaidDisk::ReadDriveRecords() {
  if (controller_ == nullptr) return {};
  return FromController([&] { return ArrayDriveHistory(*controller_, Bus(), Target()).Records(); })
      .value_or(std::vector<DriveRecord>{});
}

std::optional<SmartFindings> RaidDisk::ReadSmartLogs() {
  if (controller_ == nullptr) return std::nullopt;
  return FromController([&] { return ArrayDriveHistory(*controller_, Bus(), Target()).Smart(); });
}

std::optional<DstFindings> RaidDisk::ReadDstLogs() {
  if (controller_ == nullptr) return std::nullopt;
  return FromController([&] { return ArrayDriveHistory(*controller_, Bus(), Target()).SelfTests(); });
}

std::optional<PerformanceFindings> RaidDisk::ReadPerformanceLogs() {
  if (controller_ == nullptr) return std::nullopt;
  return FromController([&] { return ArrayDriveHistory(*controller_, Bus(), Target()).Performance(); });
}

std::optional<std::vector<ScsiErrorLogEntry>> RaidDisk::ReadScsiErrorLogs() {
  if (controller_ == nullptr) return std::nullopt;
  return FromController([&] { return ArrayDriveHistory(*controller_, Bus(), Target()).ScsiErrors(); });
}

bool RaidDisk::AmberLightOn() {
  return IdentificationByte(physical::kAmberLight) != 0;
}

std::optional<std::string> RaidDisk::ReadApplicationClientLog() {
  if (controller_ == nullptr) return std::nullopt;
  return FromController([&] { return ArrayDriveHistory(*controller_, Bus(), Target()).ClientLog(); });
}

void RaidDisk::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    const std::uint8_t type = DriveType();
    SetSata(type == arraylayout::kDriveTypeSata);
    SetSas(type == arraylayout::kDriveTypeSas);
  }
  ScsiDisk::DescribeProperties(element, catalogRequest);
  if (!catalogRequest) {
    element.AddProperty("DriveType", Translate("Drive type"), Translate(DriveTypeText(DriveType())));
    element.AddProperty("PhysicalDriveName", Translate("Physical Drive"), addressName_);
    if (controller_ != nullptr && controller_->IsSasController())
      element.AddProperty("NegotiatedLinkRate", Translate("Negotiated link rate"),
                          Translate(LinkRateText(IdentificationByte(physical::kLinkRate))));
    else
      element.AddProperty("ActualBusSpeed", Translate("Actual Bus Speed"),
                          Translate(BusSpeedText(IdentificationByte(physical::kOlderRates),
                                                 IdentificationByte(physical::kNewerRates))));
    AddCounters(element);
  }
}

}  // namespace rb
