#pragma once

// A simulated SSC tape drive: <tape [medium="1"] [writeProtect="1"] [becomesReadyAfter="n"]
// [cleaning="1"] [capacityBlocks="n"] [compression="1"] ...>. The medium keeps the blocks and
// filemarks written to it in order and is read back from the drive's position; writing at a position
// ends the recorded data there, as on any tape. Without a medium the drive answers NOT READY, MEDIUM
// NOT PRESENT; a write-protected medium refuses writes with DATA PROTECT; becomesReadyAfter="n" makes
// the first n TEST UNIT READY commands (and the medium commands between them) answer NOT READY,
// BECOMING READY; cleaning="1" makes REQUEST SENSE report CLEANING REQUESTED; capacityBlocks="n"
// refuses the block after the n-th with VOLUME OVERFLOW and the end of the medium.
//
// It answers TEST UNIT READY, REQUEST SENSE, READ BLOCK LIMITS, READ(6) and WRITE(6) of variable
// blocks, WRITE FILEMARKS(6) (filemarks and setmarks), REWIND, SPACE(6) over blocks, filemarks and to
// the end of data, LOAD UNLOAD (an unload ejects the cartridge) and MODE SENSE(6) with its block
// descriptor and the data compression page.

#include <vector>

#include "platform/sim/scsi/simscsiunit.h"

namespace os {

class SimSscTape : public SimScsiUnit {
 public:
  static constexpr std::uint32_t kMaximumBlock = 0x40000;  // READ BLOCK LIMITS: 256 KiB

  // One record of the medium: a block of data or a mark.
  struct Record {
    enum Kind { kData, kFilemark, kSetmark };
    Kind kind = kData;
    std::vector<std::uint8_t> data;
  };

  SimSscTape(const SimMachine& machine, const rb::XmlObject& element, std::shared_ptr<SimClock> clock);

  bool Removable() const override { return true; }
  bool HasMedium() const { return medium_; }
  const std::vector<Record>& Records() const { return records_; }
  std::size_t Position() const { return position_; }

 protected:
  void Dispatch(SimScsiCommand& command) override;
  bool NotReady(SimScsiCommand& command) override;
  void CurrentSense(SimScsiCommand& command) override;

 private:
  void Read(SimScsiCommand& command);
  void Write(SimScsiCommand& command);
  void WriteMarks(SimScsiCommand& command);
  void Space(SimScsiCommand& command);
  void ModeSense(SimScsiCommand& command);
  // Refuses a write to a write-protected medium or past its capacity; true when it did.
  bool RefuseWrite(SimScsiCommand& command, std::size_t records);

  bool medium_;
  bool writeProtected_;
  bool cleaning_;
  bool compression_;
  std::uint64_t notReadyChecks_;
  std::uint64_t capacity_;
  std::vector<Record> records_;
  std::size_t position_ = 0;
};

}  // namespace os
