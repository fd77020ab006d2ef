#include "platform/sim/scsi/simcsmiadapter.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace {

const char* SignatureOf(win::DWORD code) {
  if (code <= 4) return "CSMIALL";
  if (code == 10 || code == 11) return "CSMIARY";
  if (code == 60) return "CSMIPHY";
  return "CSMISAS";
}

constexpr win::DWORD kGetControllerStatus = 3;
constexpr std::size_t kControllerStatusSize = 36;

template <class Body>
bool Room(win::DWORD length) {
  return length >= sizeof(win::SrbIoControl) + sizeof(Body);
}

std::vector<SimCsmiPhy> ReadPhys(const SimMachine& machine, const rb::XmlObject& port) {
  std::vector<SimCsmiPhy> phys;
  for (const rb::XmlObject& child : port.Children()) {
    if (!rb::EqualsNoCase(child.Name(), "phy")) continue;
    if (phys.size() == win::kCsmiMaxPhys) machine.Reject("<port> has more than 32 phys");
    SimCsmiPhy phy;
    phy.id = static_cast<std::uint8_t>(machine.Number(child, "id", 0xFF));
    const std::uint64_t address = machine.Number(child, "sasAddress", UINT64_MAX);
    for (int i = 0; i < 8; ++i) phy.sasAddress[i] = static_cast<std::uint8_t>(address >> (56 - 8 * i));
    phy.sata = rb::EqualsNoCase(child.GetAttribute("protocol", "ssp"), "sata");
    phy.target = static_cast<std::uint8_t>(machine.Number(child, "target", 0xFF));
    phys.push_back(phy);
  }
  return phys;
}

}  // namespace

SimCsmiAdapter::SimCsmiAdapter(const SimMachine& machine, const rb::XmlObject& port)
    : driverName_(port.GetAttribute("csmiDriver", "ravelsas")),
      phys_(ReadPhys(machine, port)),
      raidSets_(machine, port, phys_) {
  if (port.FindAttribute("pciBus") != nullptr)
    bus_ = static_cast<std::uint8_t>(machine.Number(port, "pciBus", 0xFF));
  if (port.FindAttribute("pciDevice") != nullptr)
    device_ = static_cast<std::uint8_t>(machine.Number(port, "pciDevice", 31));
  if (port.FindAttribute("slot") != nullptr)
    slot_ = static_cast<std::uint16_t>(machine.Number(port, "slot", 0xFFFF));
}

const SimCsmiAdapter::Phy* SimCsmiAdapter::FindPhy(const std::uint8_t* sasAddress) const {
  for (const Phy& phy : phys_)
    if (std::memcmp(phy.sasAddress.data(), sasAddress, 8) == 0) return &phy;
  return nullptr;
}

win::DWORD SimCsmiAdapter::Request(void* buffer, win::DWORD length, const Executor& execute) const {
  if (buffer == nullptr || length < sizeof(win::SrbIoControl)) return win::ERROR_INVALID_PARAMETER;
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  win::SrbIoControl header;
  std::memcpy(&header, bytes, sizeof header);
  if (header.HeaderLength != sizeof header || header.Length != length - sizeof header)
    return win::ERROR_INVALID_PARAMETER;
  const win::DWORD code = header.ControlCode;
  header.ReturnCode = win::CSMI_SAS_STATUS_SUCCESS;
  if (std::memcmp(header.Signature, SignatureOf(code), 8) != 0) {
    header.ReturnCode = win::CSMI_SAS_STATUS_INVALID_PARAMETER;
  } else if (code == win::CC_CSMI_SAS_GET_DRIVER_INFO && Room<win::CsmiSasDriverInfo>(length)) {
    win::CsmiSasDriverInfo info{};
    std::memcpy(info.szName, driverName_.data(), std::min<std::size_t>(driverName_.size(), 80));
    std::memcpy(info.szDescription, "Simulated SAS adapter", 21);
    info.usMajorRevision = 1;
    info.usCSMIMajorRevision = 0;
    info.usCSMIMinorRevision = 82;
    std::memcpy(bytes + sizeof header, &info, sizeof info);
  } else if (code == win::CC_CSMI_SAS_GET_CNTLR_CONFIG && Room<win::CsmiSasCntlrConfig>(length)) {
    win::CsmiSasCntlrConfig config{};
    config.usSlotNumber = slot_;
    config.bControllerClass = 5;  // HBA
    config.bIoBusType = 3;        // PCI
    config.BusAddress.PciAddress.bBusNumber = bus_;
    config.BusAddress.PciAddress.bDeviceNumber = device_;
    std::memcpy(bytes + sizeof header, &config, sizeof config);
  } else if (code == kGetControllerStatus && length >= sizeof header + kControllerStatusSize) {
    // Controller status: uStatus 1 (good), no offline reason.
    std::memset(bytes + sizeof header, 0, kControllerStatusSize);
    bytes[sizeof header] = 1;
  } else if ((code == win::CC_CSMI_SAS_GET_RAID_INFO || code == win::CC_CSMI_SAS_GET_RAID_CONFIG) &&
             !raidSets_.Answers()) {
    header.ReturnCode = win::CSMI_SAS_STATUS_BAD_CNTL_CODE;
  } else if (code == win::CC_CSMI_SAS_GET_RAID_INFO && Room<win::CsmiSasRaidInfo>(length)) {
    const win::CsmiSasRaidInfo info = raidSets_.Info();
    std::memcpy(bytes + sizeof header, &info, sizeof info);
  } else if (code == win::CC_CSMI_SAS_GET_RAID_CONFIG && Room<win::CsmiSasRaidConfig>(length)) {
    header.ReturnCode = raidSets_.Config(bytes + sizeof header, length - sizeof header);
  } else if (code == win::CC_CSMI_SAS_GET_PHY_INFO && Room<win::CsmiSasPhyInfo>(length)) {
    win::CsmiSasPhyInfo info{};
    info.bNumberOfPhys = static_cast<std::uint8_t>(phys_.size());
    for (std::size_t i = 0; i < phys_.size(); ++i) {
      win::CsmiSasPhyEntity& entity = info.Phy[i];
      entity.Identify.bPhyIdentifier = phys_[i].id;
      entity.Identify.bInitiatorPortProtocol = win::CSMI_SAS_PROTOCOL_SSP | win::CSMI_SAS_PROTOCOL_STP;
      entity.bPortIdentifier = static_cast<std::uint8_t>(i);
      entity.Attached.bDeviceType = 0x10;  // end device
      entity.Attached.bTargetPortProtocol =
          phys_[i].sata ? win::CSMI_SAS_PROTOCOL_SATA : win::CSMI_SAS_PROTOCOL_SSP;
      std::memcpy(entity.Attached.bSASAddress, phys_[i].sasAddress.data(), 8);
      entity.Attached.bPhyIdentifier = phys_[i].id;
    }
    std::memcpy(bytes + sizeof header, &info, sizeof info);
  } else if (code == win::CC_CSMI_SAS_SSP_PASSTHRU && length >= win::kCsmiSspDataOffset) {
    std::memcpy(bytes, &header, sizeof header);
    Ssp(bytes, length, execute);
    return win::ERROR_SUCCESS;
  } else if (code == win::CC_CSMI_SAS_STP_PASSTHRU && length >= win::kCsmiStpDataOffset) {
    std::memcpy(bytes, &header, sizeof header);
    Stp(bytes, length);
    return win::ERROR_SUCCESS;
  } else if (code == 1 || code == 2 || code == 3 || code == 10 || code == 11 || code == 20 || code == 24 ||
             code == 25) {
    header.ReturnCode = win::CSMI_SAS_STATUS_INVALID_PARAMETER;
  } else {
    header.ReturnCode = win::CSMI_SAS_STATUS_BAD_CNTL_CODE;
  }
  std::memcpy(bytes, &header, sizeof header);
  return win::ERROR_SUCCESS;
}

void SimCsmiAdapter::Ssp(std::uint8_t* buffer, win::DWORD length, const Executor& execute) const {
  win::CsmiSasSspPassthruBuffer request;
  std::memcpy(&request, buffer, sizeof request);
  const win::CsmiSasSspPassthru& parameters = request.Parameters;
  win::CsmiSasSspPassthruStatus& status = request.Status;
  status = {};
  const Phy* phy = FindPhy(parameters.bDestinationSASAddress);
  const std::uint32_t room = length - win::kCsmiSspDataOffset;
  if (phy == nullptr || phy->sata || parameters.uDataLength > room || parameters.bCDBLength > 16) {
    status.bConnectionStatus = 5;  // no destination
    request.IoctlHeader.ReturnCode =
        phy == nullptr ? win::CSMI_SAS_NO_DEVICE_ATTACHED : win::CSMI_SAS_STATUS_INVALID_PARAMETER;
  } else {
    SimScsiCommand command;
    command.cdb = parameters.bCDB;
    command.cdbLength = parameters.bCDBLength;
    command.dataIn = (parameters.uFlags & win::CSMI_SAS_SSP_READ) != 0;
    command.data = buffer + win::kCsmiSspDataOffset;
    command.dataLength = parameters.uDataLength;
    if (!execute(phy->target, command)) {
      status.bConnectionStatus = 5;
    } else {
      status.bSSPStatus = command.status;
      status.bStatus = command.status;
      if (!command.sense.empty()) {
        status.bDataPresent = win::CSMI_SAS_SSP_SENSE_DATA_PRESENT;
        const std::size_t count = std::min(command.sense.size(), sizeof status.bResponse);
        std::memcpy(status.bResponse, command.sense.data(), count);
        status.bResponseLength[1] = static_cast<std::uint8_t>(count);
      }
      status.uDataBytes = static_cast<std::uint32_t>(command.transferred);
    }
  }
  std::memcpy(buffer, &request, sizeof request);
}

void SimCsmiAdapter::Stp(std::uint8_t* buffer, win::DWORD length) const {
  win::CsmiSasStpPassthruBuffer request;
  std::memcpy(&request, buffer, sizeof request);
  win::CsmiSasStpPassthruStatus& status = request.Status;
  status = {};
  const Phy* phy = FindPhy(request.Parameters.bDestinationSASAddress);
  const std::uint32_t room = length - win::kCsmiStpDataOffset;
  if (phy == nullptr || !phy->sata || request.Parameters.uDataLength > room) {
    status.bConnectionStatus = 5;
    request.IoctlHeader.ReturnCode =
        phy == nullptr ? win::CSMI_SAS_NO_DEVICE_ATTACHED : win::CSMI_SAS_STATUS_INVALID_PARAMETER;
  } else {
    status.bStatusFIS[0] = 0x34;  // device-to-host register FIS
    status.bStatusFIS[2] = 0x50;  // DRDY, DSC
    status.uSCR[0] = 0x123;       // SStatus: device present, Gen 2, active
    if (request.Parameters.bCommandFIS[2] == 0xEC && request.Parameters.uDataLength >= 512) {
      // IDENTIFY DEVICE: the model (words 27-46, byte-swapped pairs) names the phy.
      std::uint8_t* identify = buffer + win::kCsmiStpDataOffset;
      std::memset(identify, 0, 512);
      const std::string model = rb::StringPrintf("SIM SATA DISK %u", phy->id);
      for (std::size_t i = 0; i < 40; ++i) identify[54 + (i ^ 1)] = i < model.size() ? model[i] : ' ';
      status.uDataBytes = 512;
    }
  }
  std::memcpy(buffer, &request, sizeof request);
}

}  // namespace os
