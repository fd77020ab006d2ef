#include "devices/ata/atacontroller.h"

#include <algorithm>

#include "framework/interface.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

const char* AtaController::ElementName(Type type) {
  switch (type) {
    case Type::kSata:
      return "sataController";
    case Type::kIdeRaid:
      return "IdeRaidController";
    case Type::kIdeLegacy:
      return "IdeLegacyController";
    default:
      return "";
  }
}

const char* AtaController::TypeCaption(Type type) {
  switch (type) {
    case Type::kSata:
      return "SATA Controller";
    case Type::kIdeRaid:
      return "IDE RAID Controller";
    case Type::kIdeLegacy:
      return "IDE PATA Controller";
    default:
      return "Unknown ATA Controller Type";
  }
}

AtaController::AtaController(Type type, const PciIdentity& pci, bool makeUnique)
    : Device(type == Type::kOther ? "ataController" : ElementName(type), makeUnique), type_(type), pci_(pci) {
  SetCaption(Translate(TypeCaption(type)));
  SetDescription(TypeCaption(type));
  SetElementClass(type == Type::kOther ? "ataController" : ElementName(type));
}

AtaController::AtaController() : Device("", false) {}

bool AtaController::IsAt(std::int32_t bus, std::int32_t device, std::int32_t function) const {
  return pci_.bus == bus && pci_.device == device && pci_.function == function;
}

void AtaController::SetBoardName(const std::string& name) {
  boardName_ = name;
  if (!name.empty()) SetCaption(Translate(TypeCaption(type_)) + " (" + name + ")");
}

std::int32_t AtaController::ChannelOf(std::uint32_t port) const {
  const auto found = std::find(ports_.begin(), ports_.end(), port);
  return found == ports_.end() ? -1 : static_cast<std::int32_t>(found - ports_.begin());
}

void AtaController::AddDrive(const std::string& name, const std::string& caption) {
  AddInterface(Interface(name, "Physical Drive", caption, Interface::kChild));
}

void AtaController::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Device::Stream(stream, writing, version);
  auto type = static_cast<std::int32_t>(type_);
  stream.Transfer(type);
  type_ = static_cast<Type>(std::clamp(type, 0, static_cast<std::int32_t>(Type::kOther)));
  stream.Transfer(pci_.bus);
  stream.Transfer(pci_.device);
  stream.Transfer(pci_.function);
  for (std::uint16_t* id : {&pci_.vendor, &pci_.deviceId, &pci_.subVendor, &pci_.subsystem}) {
    std::uint32_t value = *id;
    stream.Transfer(value);
    *id = static_cast<std::uint16_t>(value);
  }
  stream.Transfer(boardName_);
  std::size_t count = stream.TransferCount(ports_.size(), sizeof(std::uint32_t));
  if (!writing) ports_.assign(count, 0);
  for (std::uint32_t& port : ports_) stream.Transfer(port);
}

void AtaController::Assign(const Persistent& other) {
  Device::Assign(other);
  const auto* controller = dynamic_cast<const AtaController*>(&other);
  if (controller == nullptr) return;
  type_ = controller->type_;
  pci_ = controller->pci_;
  boardName_ = controller->boardName_;
  ports_ = controller->ports_;
}

void AtaController::DescribeProperties(XmlObject& element, bool catalogRequest) {
  element.AddProperty("controllerType", Translate("Type of Controller"), Translate(TypeCaption(type_)));
  if (catalogRequest) return;
  if (!boardName_.empty()) element.AddProperty("boardName", Translate("Name"), boardName_);
  // The bus and device attributes let discovery drop a controller that another family lists too.
  element.SetAttribute("bus", std::to_string(pci_.bus));
  element.SetAttribute("device", std::to_string(pci_.device));
  element.AddProperty("pciLocation", Translate("PCI Location"),
                      StringPrintf("%d:%d.%d", pci_.bus, pci_.device, pci_.function));
  element.AddProperty(
      "pciIds", Translate("PCI IDs"),
      StringPrintf("%04X:%04X %04X:%04X", pci_.vendor, pci_.deviceId, pci_.subVendor, pci_.subsystem));
}

}  // namespace rb
