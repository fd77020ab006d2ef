#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "devices/ata/atacontroller.h"

namespace rb {

class DiscoveryContext;
class XmlObject;

// Finds the ATA controllers of one kind in the PCI inventory: each function the board databases (or,
// for a board they do not list, its PCI class code) call SATA, IDE RAID or legacy IDE becomes an
// AtaController with the system's SCSI ports that lead to it. The three kinds differ only in the kind
// they accept, so they live beside their base.
class AtaControllerDiscovery {
 public:
  explicit AtaControllerDiscovery(DiscoveryContext& context) : context_(context) {}
  virtual ~AtaControllerDiscovery() = default;

  // Walks every function of the PCI inventory and makes a controller for each of the kind.
  virtual void Walk();
  // Whether a function is of this discovery's kind.
  virtual bool IsOfKind(const XmlObject& entry) = 0;
  // The shared lookup: the ATA type of a PCI function, kOther when it is no ATA controller. The SCSI
  // side asks it too, and leaves ATA controllers alone.
  static AtaController::Type Classify(const XmlObject& entry);
  // The same for the function at a PCI location of the inventory.
  static AtaController::Type ClassifyAt(const XmlObject& pciSummary, std::int32_t bus, std::int32_t device,
                                        std::int32_t function);
  // Makes the controller of one function, with its ports, and adds it to the device set.
  virtual std::shared_ptr<AtaController> Create(const XmlObject& entry);
  // The controllers this walk made.
  const std::vector<std::shared_ptr<AtaController>>& Controllers() const { return made_; }
  std::size_t Count() const { return made_.size(); }

 protected:
  virtual AtaController::Type Kind() const = 0;
  // The kind as the traces name it.
  virtual const char* KindName() const = 0;

  DiscoveryContext& context_;

 private:
  std::vector<std::shared_ptr<AtaController>> made_;
};

class SataControllerDiscovery : public AtaControllerDiscovery {
 public:
  using AtaControllerDiscovery::AtaControllerDiscovery;
  bool IsOfKind(const XmlObject& entry) override { return Classify(entry) == AtaController::Type::kSata; }
  // The SATA disks: each disk of the system's disk list on a port of a SATA controller that no earlier
  // step made a device of becomes a SataDisk named "/dev/sda%d" with the next SATA disk number.
  static void IdentifyDisks(DiscoveryContext& context);

 protected:
  AtaController::Type Kind() const override { return AtaController::Type::kSata; }
  const char* KindName() const override { return "SATA Controller"; }
};

class IdeRaidControllerDiscovery : public AtaControllerDiscovery {
 public:
  using AtaControllerDiscovery::AtaControllerDiscovery;
  bool IsOfKind(const XmlObject& entry) override { return Classify(entry) == AtaController::Type::kIdeRaid; }

 protected:
  AtaController::Type Kind() const override { return AtaController::Type::kIdeRaid; }
  const char* KindName() const override { return "ATA Raid Controller"; }
};

class IdeLegacyControllerDiscovery : public AtaControllerDiscovery {
 public:
  using AtaControllerDiscovery::AtaControllerDiscovery;
  bool IsOfKind(const XmlObject& entry) override {
    return Classify(entry) == AtaController::Type::kIdeLegacy;
  }

 protected:
  AtaController::Type Kind() const override { return AtaController::Type::kIdeLegacy; }
  const char* KindName() const override { return "IDE Legacy Controller"; }
};

}  // namespace rb
