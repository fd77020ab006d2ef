#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "devices/scsi/scsidevice.h"
#include "platform/winapi.h"

namespace rb {

// A SCSI host adapter: the operating system's SCSI port (its ScsiDriver, which the controller keeps)
// and the PCI function behind it, with whether the port speaks CSMI and its protocol mask. The devices
// found on the port have it as their parent adapter.
class ScsiController : public ScsiDevice {
 public:
  static constexpr const char* kStreamableName = "ScsiController";
  // A PCI location that could not be found.
  static constexpr std::int32_t kUnknownBus = 255;
  static constexpr std::int32_t kUnknownDevice = 255;
  static constexpr std::int32_t kUnknownFunction = -1;

  ScsiController(std::string name, bool makeUnique);
  ScsiController();

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiController>(); }

  // Takes the port's driver and asks it whether it speaks CSMI (and for which protocols).
  void AttachDriver(std::unique_ptr<ScsiDriver> driver);
  bool CsmiCapable() const override { return csmi_; }
  // The phys of a CSMI port as the port reported them when its driver was attached; null otherwise.
  const win::CsmiSasPhyInfo* PhyInfo() const { return havePhys_ ? &phys_ : nullptr; }
  std::uint32_t CsmiProtocolMask() const override { return protocolMask_; }

  void SetPciLocation(std::int32_t bus, std::int32_t device, std::int32_t function);
  bool HasPciLocation() const { return function_ != kUnknownFunction; }
  std::int32_t PciBus() const { return bus_; }
  std::int32_t PciDevice() const { return device_; }
  std::int32_t PciFunction() const { return function_; }
  // The PCI summary's description of the function, shown as the caption.
  void SetPciDescription(const std::string& description);

  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 private:
  bool csmi_ = false;
  std::uint32_t protocolMask_ = 0;
  bool havePhys_ = false;
  win::CsmiSasPhyInfo phys_{};
  std::int32_t bus_ = kUnknownBus;
  std::int32_t device_ = kUnknownDevice;
  std::int32_t function_ = kUnknownFunction;
};

}  // namespace rb
