#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "framework/device.h"

namespace rb {

class DiscoveryContext;
class PortAddressCache;

// A fibre-channel host adapter found in the PCI inventory: its PCI function with the base addresses,
// the SCSI port of the operating system that leads to it, and what its driver tells about it (the
// information block). It offers the three loopback tests. How the information block is read and what
// lies behind the adapter's ports are the concrete adapter's.
class FibreAdapter : public Device {
 public:
  // The port number of an adapter whose base addresses match no SCSI port.
  static constexpr std::uint32_t kNoPort = 255;

  // What the adapter's driver tells about the adapter.
  struct Information {
    bool valid = false;
    std::uint32_t boardId = 0;
    std::string serialNumber;
    std::uint32_t status = 0;  // 1 good, 2 failed, 3 offline, 4 powered off
    std::string driverName;
    std::string driverDescription;
    std::uint16_t driverVersion[4] = {};
  };

  FibreAdapter(std::string name, bool makeUnique);

  // Takes the location and base addresses of a PCI inventory entry (bus, device, function and
  // slotNumber in decimal; BARn and ioPortBaseAddressn in hexadecimal) and the SCSI port whose I/O
  // address is one of them. False when the entry has no location.
  bool SetPciEntry(const XmlObject& entry, const PortAddressCache& ports);

  const std::string& VendorName() const { return vendorName_; }
  void SetVendorName(std::string name) { vendorName_ = std::move(name); }
  std::int32_t PciBus() const { return bus_; }
  std::int32_t PciDevice() const { return device_; }
  std::int32_t PciFunction() const { return function_; }
  std::int32_t Slot() const { return slot_; }
  std::uint32_t Port() const { return port_; }
  // "\\.\SCSIn:" of the adapter's port; empty without one.
  std::string DevicePath() const;
  const Information& AdapterInformation() const { return information_; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string ElementClass() const override { return "FibreChannelController"; }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

  // Finds what lies behind the adapter's ports; called once the adapter is in the device set.
  virtual void ScanTargets(XmlObject& idResult, DiscoveryContext& context) = 0;

 protected:
  FibreAdapter();
  // Reads the information block afresh from the adapter's driver.
  virtual Information ReadInformation() const = 0;

 private:
  std::string vendorName_;
  std::int32_t bus_ = -1;
  std::int32_t device_ = -1;
  std::int32_t function_ = -1;
  std::int32_t slot_ = 0;
  std::array<std::uint64_t, 6> baseAddresses_ = {};
  std::array<std::uint64_t, 6> ioPortBases_ = {};
  std::uint32_t port_ = kNoPort;
  Information information_;
};

}  // namespace rb
