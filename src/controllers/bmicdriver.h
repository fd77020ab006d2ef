#pragma once

// The transport of a BMIC array controller: a BMIC command, or a SCSI command to a device behind the
// controller (SCSI through BMIC), each as one miniport request on the controller's port.

#include <cstdint>
#include <memory>
#include <string>

#include "controllers/arrayportdriver.h"
#include "controllers/controllerportdiscovery.h"

namespace rb {

// A BMIC command as the controller device keeps it. Only unit, command, parameters and the returned
// status travel in the request.
struct BmicRecord {
  std::uint8_t unit = 0;
  std::uint8_t flags[2] = {6, 0};
  std::uint8_t command = 0;
  std::uint8_t status = 0;  // returned
  std::uint32_t parameter = 0;
  std::uint16_t secondParameter = 0;
  std::uint8_t countByte = 1;
  std::uint32_t dataLength = 0;
  void* data = nullptr;
};

// A SCSI command through BMIC: the device's address and the CDB out, the results back.
struct ScsiThroughBmicRecord {
  std::uint8_t target = 0;
  std::uint8_t path = 0;
  std::uint8_t lun = 0;
  std::uint32_t timeout = 30;
  std::uint8_t scsiStatus = 0;    // returned
  std::uint8_t machineError = 0;  // returned
  std::uint8_t cdbLength = 0;
  std::uint8_t senseErrorCode = 0;  // returned, as the four below, only for CHECK CONDITION
  std::uint8_t senseKey = 0;
  std::uint32_t senseInformation = 0;
  std::uint8_t additionalSenseCode = 0;
  std::uint8_t qualifier = 0;
  std::uint32_t residualCount = 0;  // returned
  std::uint8_t cdb[16] = {};
};

class BmicDriver : public ArrayPortDriver {
 public:
  static constexpr const char* kStreamableName = "BmicDriver";
  using ArrayPortDriver::ArrayPortDriver;

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<BmicDriver>(); }

  // The ports of BMIC controllers, claimed for this process (see DiscoverControllerPorts).
  static ControllerPortTable DiscoverPorts();
  // See ReadControllerPciLocation.
  void PciLocation(std::int32_t& bus, std::int32_t& device, std::int32_t& function) const;

  // Sends `record`'s BMIC command, or with `scsi` the SCSI command it holds to the device it names.
  // `data` (`length` bytes) goes out and receives what comes back; the returned BMIC status lands in
  // `record.status`, the SCSI results in `scsi`. Transport failures raise "Driver reported problem".
  void Send(BmicRecord& record, void* data, std::uint32_t length, ScsiThroughBmicRecord* scsi = nullptr);
};

}  // namespace rb
