#pragma once

// A physical drive behind a simulated array controller: <drive bus="b" target="t" kind="scsi|sas|sata"
// blocks="n" [blockSize="512"] [failed="1"] [linkRate="code"] [rates="0xNNMM"] ...>. The drive itself is a
// simulated SBC disk (simsbcdisk.h, with its identity, <block> contents and <fault> children), so a
// pass-through CDB reaches the same unit the port's own disks are; the controller reads and writes
// the blocks of its volumes through that unit with READ(16)/WRITE(16), and a medium error there is a
// failing drive the volume reads around. failed="1" is a drive the controller has taken out of service;
// a controller reset replaces it and the volumes rebuild onto the new drive (simraidvolume.h);
// failsAtReset="1" is a drive that fails at the next controller reset (before the replacements).

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/sim/array/simdrivehistory.h"
#include "platform/sim/scsi/simsbcdisk.h"

namespace os {

class SimArrayDisk {
 public:
  SimArrayDisk(const SimMachine& machine, const rb::XmlObject& element,
               const std::shared_ptr<SimClock>& clock);

  std::uint8_t Bus() const { return bus_; }
  std::uint8_t Target() const { return target_; }
  // 0 parallel SCSI, 1 SATA, 2 SAS: the drive type of identify physical drive.
  std::uint8_t Kind() const { return kind_; }
  std::uint8_t LinkRate() const { return linkRate_; }
  // The older (high byte) and newer (low byte) transfer-rate bits of identify physical drive.
  std::uint16_t Rates() const { return rates_; }
  // What the controller has recorded about the drive (simdrivehistory.h).
  SimDriveHistory& History() { return history_; }
  const SimDriveHistory& History() const { return history_; }
  SimSbcDisk& Unit() { return *unit_; }
  const SimSbcDisk& Unit() const { return *unit_; }

  bool Failed() const { return failed_; }
  // Taken out of service: its blocks no longer count for the volumes.
  void Fail();
  // Declared to fail at the controller's next reset (failsAtReset="1"; once).
  bool FailsAtReset() const { return failsAtReset_; }
  // A replacement being rebuilt: its blocks below RebuiltTo() hold the volumes' data.
  bool Rebuilding() const { return rebuiltTo_.has_value(); }
  std::uint64_t RebuiltTo() const { return rebuiltTo_.value_or(0); }
  // Whether the block at `lba` holds good data for the volumes.
  bool Holds(std::uint64_t lba) const { return !failed_ && (!rebuiltTo_ || lba < *rebuiltTo_); }
  // A new drive in place of a failed one: empty, rebuilding from block 0.
  void Replace();
  void SetRebuiltTo(std::uint64_t lba);

  // `count` blocks at `lba` through the drive's own commands; false when the drive refuses them.
  bool Read(std::uint64_t lba, std::uint32_t count, std::uint8_t* out);
  bool Write(std::uint64_t lba, std::uint32_t count, const std::uint8_t* in);

 private:
  bool Transfer(bool write, std::uint64_t lba, std::uint32_t count, std::uint8_t* data);

  std::uint8_t bus_;
  std::uint8_t target_;
  std::uint8_t kind_;
  std::uint8_t linkRate_;
  std::uint16_t rates_;
  bool failed_;
  bool failsAtReset_;
  std::optional<std::uint64_t> rebuiltTo_;
  SimDriveHistory history_;
  std::unique_ptr<SimSbcDisk> unit_;
};

}  // namespace os
