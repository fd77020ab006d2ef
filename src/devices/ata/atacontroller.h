#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/device.h"

namespace rb {

// One ATA controller of the PCI inventory: a SATA controller, an IDE RAID controller or a legacy
// IDE (PATA) controller, with its PCI identity, the system's SCSI ports that are its channels or
// ports, and the drives found on them.
class AtaController : public Device {
 public:
  static constexpr const char* kStreamableName = "AtaController";
  enum class Type : std::int32_t { kSata = 0, kIdeRaid = 1, kIdeLegacy = 2, kOther = 3 };

  struct PciIdentity {
    std::int32_t bus = -1;
    std::int32_t device = -1;
    std::int32_t function = -1;
    std::uint16_t vendor = 0;
    std::uint16_t deviceId = 0;
    std::uint16_t subVendor = 0;
    std::uint16_t subsystem = 0;
  };

  // The element name of a type ("sataController", "IdeRaidController", "IdeLegacyController"; empty
  // for another) and its caption ("SATA Controller", ..., "Unknown ATA Controller Type").
  static const char* ElementName(Type type);
  static const char* TypeCaption(Type type);

  AtaController(Type type, const PciIdentity& pci, bool makeUnique = true);
  AtaController();

  Type ControllerType() const { return type_; }
  const PciIdentity& Pci() const { return pci_; }
  bool IsAt(std::int32_t bus, std::int32_t device, std::int32_t function) const;
  // The board's name, shown with the type in the caption.
  void SetBoardName(const std::string& name);
  // The system's SCSI ports of the controller, in the order found: the first is the primary channel.
  void AddPort(std::uint32_t port) { ports_.push_back(port); }
  const std::vector<std::uint32_t>& Ports() const { return ports_; }
  // The position of a port among the controller's ports; -1 when it is not one of them.
  std::int32_t ChannelOf(std::uint32_t port) const;
  // A drive of the controller: its child link.
  void AddDrive(const std::string& name, const std::string& caption);

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<AtaController>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 private:
  Type type_ = Type::kOther;
  PciIdentity pci_;
  std::string boardName_;
  std::vector<std::uint32_t> ports_;
};

}  // namespace rb
