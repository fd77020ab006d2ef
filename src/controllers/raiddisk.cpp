#include "controllers/raiddisk.h"

#include "controllers/arraylayouts.h"
#include "controllers/bmicdevice.h"
#include "controllers/replytext.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

namespace {

namespace physical = arraylayout::identifyphysical;

const char* DriveTypeText(std::uint8_t type) {
  if (type == arraylayout::kDriveTypeSata) return "SATA Hard Disk";
  if (type == arraylayout::kDriveTypeSas) return "SAS Hard Drive";
  return "SCSI Hard Drive";
}

}  // namespace

RaidDisk::RaidDisk(std::string name, BmicDevice& controller, std::uint8_t bus, std::uint8_t target,
                   std::string addressName)
    : ScsiDisk(std::move(name), true, nullptr, bus, target, 0),
      controller_(&controller),
      addressName_(std::move(addressName)) {
  SetParentAdapter(&controller);
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
  }
}

}  // namespace rb
