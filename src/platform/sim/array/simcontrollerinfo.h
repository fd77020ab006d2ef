#pragma once

// What a simulated CISS controller tells about itself through the vendor sub-functions of BMIC 42h
// (replies as src/controllers/arraylayouts.h lays them out), declared as a child of the <port>:
//   <vendorInfo cpld="0x010203" diagRom="0x0105"
//               picRevision="0x21" batteryStatus="0" extendedBatteryStatus="0"
//               interruptLine="high|low|unknown" batteryVoltage="4100" batteryCapacity="95"
//               chargeTimeout="120" wwn="0x500143800A1B2C30" expanderWwn="0x500143800A1B2C3F"
//               expanderWwn2="0x500143800A1B2C4F" asic="0x02"
//               sasChip1="0x03" sasChip2="0x03" pmcMuxCode="0x10" pmcMuxRevision="0x01" expanderAsic="0x04"
//               eccCount="0" linkWidth="8" phyMap="0x8888888800000000" expanderPhyMap="0x..."
//               pcaSerial="..." recoveryRomRev="1.50" activeImage="A|B" imageGood="1"
//               backplaneType="0x02" backplaneFirmware="0110" bootstrapNvramRev="3" sepPsoc="0106"
//               fanPsoc="0104" ledPsoc1="0102" ledPsoc2="0102" boxCount="1" chassisSerial="..."/>
// Every attribute is optional (0 or empty when absent); cpld is three bytes shown in order, diagRom two
// (high byte first). Answered: D5h CPLD version and DCh ASIC revisions (CDB 27h), D6h PIC and battery,
// D7h diagnostics ROM version and DAh world wide names (26h), DFh storage-box version (27h). A
// controller without <vendorInfo> refuses them all as invalid commands naming CDB byte 8, and a
// sub-function sent with the other CDB as one naming byte 0.

#include <cstdint>
#include <vector>

#include "platform/sim/scsi/simscsicommand.h"

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

class SimControllerInfo {
 public:
  SimControllerInfo(const SimMachine& machine, const rb::XmlObject& element);

  // The CDB opcode (26h or 27h) the sub-function is sent with.
  static std::uint8_t Opcode(std::uint8_t subFunction);
  // Copies the sub-function's reply into the command's data.
  void Answer(std::uint8_t subFunction, SimScsiCommand& command) const;

 private:
  std::vector<std::uint8_t> cpld_;
  std::vector<std::uint8_t> diagRom_;
  std::vector<std::uint8_t> picBattery_;
  std::vector<std::uint8_t> worldWideNames_;
  std::vector<std::uint8_t> asicRevisions_;
  std::vector<std::uint8_t> storageBox_;
};

}  // namespace os
