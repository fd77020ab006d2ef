#pragma once

// The ATA side of a simulated drive on an ATA controller's port, declared on a <disk> or <optical> by
// its ATA identity: model="..." firmware="..." (serial= as every unit). A disk may add udma="0..6"
// (the highest Ultra DMA mode, 5 unless given), smart="0" (no SMART feature set), smartTrip="1" (a
// reallocated-sector count below its threshold: RETURN STATUS says a threshold is exceeded),
// badChecksum="1" (SMART READ DATA whose bytes do not sum to 0), noIdentify="1" (a drive that answers
// no identify), selfTestMinutes="m" (its extended self-test, 60 unless given) and selfTestResult="r"
// (the result code its self-tests end with, 0 unless given), selfTestHangs="1" (a self-test that never
// ends, its remaining tenths stopping at half) and selfTestRefused="1" (EXECUTE OFFLINE IMMEDIATE of a
// self-test aborted); pio="1" is a drive that the system runs in PIO: DMA modes supported, none
// selected; a <disk zip="1" removable="1"> is an ATAPI zip drive and an <optical> an ATAPI
// optical drive, both packet devices.
// It answers IDENTIFY DEVICE, IDENTIFY PACKET DEVICE and the SMART commands (READ DATA and THRESHOLDS
// with their checksums, RETURN STATUS, EXECUTE OFFLINE IMMEDIATE with the short (1), extended (2)
// and abort (127) self-test sub-codes running on the simulated clock, ENABLE/DISABLE OPERATIONS, READ
// LOG and WRITE LOG of any log address) by their task-file registers; its identify data follows the
// published layout and ends with its integrity word.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/sim/simclock.h"
#include "platform/winstorage.h"

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

class SimAtaDevice {
 public:
  static constexpr std::uint64_t kShortSelfTestMs = 120'000;
  // Packet devices: -1 a plain ATA disk; 0 a removable direct-access device (zip); 5 CD/DVD.
  SimAtaDevice(const SimMachine& machine, const rb::XmlObject& element, int packetType, std::uint64_t sectors,
               std::shared_ptr<SimClock> clock);

  // Whether an element declares an ATA identity.
  static bool Declared(const rb::XmlObject& element);

  const std::string& Model() const { return model_; }
  const std::string& Firmware() const { return firmware_; }
  bool IsPacketDevice() const { return packetType_ >= 0; }
  const std::array<std::uint8_t, 512>& IdentifyData() const { return identify_; }

  // Carries out one command given by its registers, moving `length` bytes of `data` (read from the
  // drive, or written to it when `dataOut`). The registers come back as the drive leaves them: status
  // in bCommandReg, error in bReserved. False when the drive aborts the command.
  bool Execute(win::IdeRegs& regs, std::uint8_t* data, std::size_t length, bool dataOut);

 private:
  struct SelfTest {
    std::uint8_t code;
    std::uint64_t start;
    std::uint64_t duration;
  };

  void BuildIdentify();
  bool Smart(win::IdeRegs& regs, std::uint8_t* data, std::size_t length, bool dataOut);
  std::array<std::uint8_t, 512> SmartData();
  std::array<std::uint8_t, 512> SmartThresholds() const;
  // The self-test execution status byte: result code and tenths remaining.
  std::uint8_t SelfTestStatus();

  std::string model_;
  std::string firmware_;
  std::string serial_;
  int packetType_;
  bool smart_;
  bool smartEnabled_ = true;
  bool trip_;
  bool badChecksum_;
  bool noIdentify_;
  bool selfTestHangs_;
  bool selfTestRefused_;
  std::uint64_t extendedMs_;
  std::uint8_t selfTestResult_;
  std::uint8_t lastStatus_ = 0;  // the last self-test's result, in the status byte's upper half
  std::optional<SelfTest> running_;
  std::uint64_t sectors_;
  unsigned udma_;
  bool pio_;
  std::array<std::uint8_t, 512> identify_{};
  std::map<std::uint8_t, std::array<std::uint8_t, 512>> logs_;
  std::shared_ptr<SimClock> clock_;
};

}  // namespace os
