#include "devices/fibre/fibreadapter.h"

#include <cstdlib>

#include "devices/enumeration/portaddresscache.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "tests/fibreloopbacktest.h"

namespace rb {

namespace {

std::int32_t DecimalAttribute(const XmlObject& entry, const char* name) {
  return static_cast<std::int32_t>(std::strtol(entry.GetAttribute(name, "0").c_str(), nullptr, 10));
}

// "%lx" of the attribute; 0 when it is missing.
std::uint64_t HexAddress(const XmlObject& entry, const std::string& name) {
  return std::strtoull(entry.GetAttribute(name, "0").c_str(), nullptr, 16);
}

const char* StatusWord(std::uint32_t status) {
  switch (status) {
    case 1:
      return "Good";
    case 2:
      return "Failed";
    case 3:
      return "OFFLINE";
    case 4:
      return "POWER OFF";
    default:
      return "Unknown";
  }
}

}  // namespace

FibreAdapter::FibreAdapter(std::string name, bool makeUnique) : Device(std::move(name), makeUnique) {}

FibreAdapter::FibreAdapter() = default;

bool FibreAdapter::SetPciEntry(const XmlObject& entry, const PortAddressCache& ports) {
  if (entry.FindAttribute("bus") == nullptr || entry.FindAttribute("device") == nullptr ||
      entry.FindAttribute("function") == nullptr)
    return false;
  bus_ = DecimalAttribute(entry, "bus");
  device_ = DecimalAttribute(entry, "device");
  function_ = DecimalAttribute(entry, "function");
  slot_ = DecimalAttribute(entry, "slotNumber");
  for (int n = 0; n < 6; ++n) {
    baseAddresses_[n] = HexAddress(entry, StringPrintf("BAR%d", n));
    ioPortBases_[n] = HexAddress(entry, StringPrintf("ioPortBaseAddress%d", n));
  }
  port_ = kNoPort;
  for (const PortAddressCache::Port& port : ports.Ports()) {
    if (!port.hasIoAddress || port.ioAddress == 0) continue;
    for (int n = 0; n < 6 && port_ == kNoPort; ++n)
      if (baseAddresses_[n] == port.ioAddress || ioPortBases_[n] == port.ioAddress) port_ = port.number;
    if (port_ != kNoPort) break;
  }
  return true;
}

std::string FibreAdapter::DevicePath() const {
  return port_ == kNoPort ? std::string() : StringPrintf("\\\\.\\SCSI%u:", port_);
}

void FibreAdapter::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Device::Stream(stream, writing, version);
  stream.Transfer(vendorName_);
  stream.Transfer(bus_);
  stream.Transfer(device_);
  stream.Transfer(function_);
  stream.Transfer(slot_);
  stream.Transfer(port_);
}

void FibreAdapter::Assign(const Persistent& other) {
  Device::Assign(other);
  const auto* adapter = dynamic_cast<const FibreAdapter*>(&other);
  if (adapter == nullptr) return;
  vendorName_ = adapter->vendorName_;
  bus_ = adapter->bus_;
  device_ = adapter->device_;
  function_ = adapter->function_;
  slot_ = adapter->slot_;
  baseAddresses_ = adapter->baseAddresses_;
  ioPortBases_ = adapter->ioPortBases_;
  port_ = adapter->port_;
  information_ = adapter->information_;
}

void FibreAdapter::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    // The bus and device attributes let discovery drop the SCSI controller of the adapter's port,
    // which the SCSI family lists as well.
    element.SetAttribute("bus", std::to_string(bus_));
    element.SetAttribute("device", std::to_string(device_));
    if (!vendorName_.empty()) element.SetAttribute("vendor", vendorName_);
    information_ = ReadInformation();
    if (port_ != kNoPort) element.AddProperty("DevicePath", Translate("Device Path"), DevicePath());
    if (information_.valid) {
      const Information& info = information_;
      element.AddProperty("BoardId", Translate("Board ID"),
                          StringPrintf("%08lx", static_cast<unsigned long>(info.boardId)));
      element.AddProperty("SerialNumber", Translate("Serial Number"), info.serialNumber);
      element.AddProperty("Status", Translate("Status"), Translate(StatusWord(info.status)));
      element.AddProperty("DriverName", Translate("Driver Name"), info.driverName);
      element.AddProperty("DriverDesc", Translate("Driver Description"), info.driverDescription);
      element.AddProperty("DriverVersion", Translate("Driver Version"),
                          StringPrintf("%d.%d (build %d, release %d)", info.driverVersion[0],
                                       info.driverVersion[1], info.driverVersion[2], info.driverVersion[3]));
    }
  }
  OfferTests(element, {FibreLoopBackTest::kVariants[0].name, FibreLoopBackTest::kVariants[1].name,
                       FibreLoopBackTest::kVariants[2].name});
}

}  // namespace rb
