#include "platform/sim/scsi/simssctape.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/simmachine.h"
#include "support/xmlobject.h"

namespace os {

namespace {

constexpr std::uint8_t kNoSense = 0x0, kNotReady = 0x2, kIllegalRequest = 0x5, kDataProtect = 0x7,
                       kBlankCheck = 0x8, kVolumeOverflow = 0xD;
constexpr std::uint8_t kFilemarkBit = 0x80, kEndOfMediumBit = 0x40, kBadLengthBit = 0x20;
// Past this many records a medium without a declared capacity is full: the machine's memory is finite.
constexpr std::uint64_t kUnlimited = 1u << 20;

// Sets the flags of the sense key byte and the information field (the residue of a transfer).
void Flag(SimScsiCommand& command, std::uint8_t flags, std::int32_t information) {
  command.sense[0] |= 0x80;  // the information field is valid
  command.sense[2] |= flags;
  const auto value = static_cast<std::uint32_t>(information);
  for (int i = 0; i < 4; ++i) command.sense[3 + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// A 24-bit two's-complement count (SPACE).
std::int32_t SignedCount(const SimScsiCommand& command) {
  auto count = static_cast<std::int32_t>(command.BigEndian(2, 3));
  if (count & 0x800000) count -= 0x1000000;
  return count;
}

}  // namespace

SimSscTape::SimSscTape(const SimMachine& machine, const rb::XmlObject& element,
                       std::shared_ptr<SimClock> clock)
    : SimScsiUnit(machine, element, kSimSequentialAccess, std::move(clock)),
      medium_(element.GetAttribute("medium", "0") == "1"),
      writeProtected_(element.GetAttribute("writeProtect", "0") == "1"),
      cleaning_(element.GetAttribute("cleaning", "0") == "1"),
      compression_(element.GetAttribute("compression", "0") == "1"),
      notReadyChecks_(element.FindAttribute("becomesReadyAfter") != nullptr
                          ? machine.Number(element, "becomesReadyAfter", 0xFFFFFFFF)
                          : 0),
      capacity_(element.FindAttribute("capacityBlocks") != nullptr
                    ? machine.Number(element, "capacityBlocks", kUnlimited)
                    : kUnlimited) {}

bool SimSscTape::NotReady(SimScsiCommand& command) {
  const std::uint8_t opcode = command.Opcode();
  // The drive's own properties and loading do not need a medium.
  if (opcode == 0x05 || opcode == 0x1A || opcode == 0x1B) return false;
  if (!medium_) {
    command.CheckCondition(kNotReady, 0x3A, 0x00);
    return true;
  }
  if (notReadyChecks_ == 0) return false;
  if (opcode == 0x00) --notReadyChecks_;
  command.CheckCondition(kNotReady, 0x04, 0x01);
  return true;
}

void SimSscTape::CurrentSense(SimScsiCommand& command) {
  if (!cleaning_) return SimScsiUnit::CurrentSense(command);
  std::vector<std::uint8_t> sense(18, 0);
  sense[0] = 0x70;
  sense[7] = 10;
  sense[12] = 0x00;
  sense[13] = 0x17;  // CLEANING REQUESTED
  command.Answer(sense, command.Byte(4));
}

void SimSscTape::Dispatch(SimScsiCommand& command) {
  switch (command.Opcode()) {
    case 0x01:  // REWIND
      position_ = 0;
      return;
    case 0x05: {  // READ BLOCK LIMITS: no granularity, 256 KiB at most, 1 byte at least
      const std::uint8_t data[6] = {0,
                                    static_cast<std::uint8_t>(kMaximumBlock >> 16),
                                    static_cast<std::uint8_t>(kMaximumBlock >> 8),
                                    static_cast<std::uint8_t>(kMaximumBlock),
                                    0,
                                    1};
      command.Answer(data, sizeof data, sizeof data);
      return;
    }
    case 0x08:
      return Read(command);
    case 0x0A:
      return Write(command);
    case 0x10:
      return WriteMarks(command);
    case 0x11:
      return Space(command);
    case 0x1A:
      return ModeSense(command);
    case 0x1B:  // LOAD UNLOAD: an unload ejects the cartridge; a load needs one in the drive
      if ((command.Byte(4) & 0x01) == 0) {
        medium_ = false;
        position_ = 0;
      } else if (!medium_) {
        command.CheckCondition(kNotReady, 0x3A, 0x00);
      }
      return;
    default:
      SimScsiUnit::Dispatch(command);
  }
}

void SimSscTape::Read(SimScsiCommand& command) {
  if (command.Byte(1) & 0x01) return command.CheckCondition(kIllegalRequest, 0x24, 0x00);  // fixed blocks
  const auto requested = static_cast<std::int32_t>(command.BigEndian(2, 3));
  if (position_ >= records_.size()) {
    // The end of the recorded data.
    command.CheckCondition(kBlankCheck, 0x00, 0x05);
    return Flag(command, records_.empty() ? kEndOfMediumBit : 0, requested);
  }
  const Record& record = records_[position_++];
  if (record.kind != Record::kData) {
    command.CheckCondition(kNoSense, 0x00, record.kind == Record::kSetmark ? 0x03 : 0x01);
    return Flag(command, kFilemarkBit, requested);
  }
  command.Answer(record.data, static_cast<std::size_t>(requested));
  const auto length = static_cast<std::int32_t>(record.data.size());
  if (length != requested) {
    const std::size_t moved = command.transferred;
    command.CheckCondition(kNoSense, 0x00, 0x00);
    command.transferred = moved;
    Flag(command, kBadLengthBit, requested - length);
  }
}

bool SimSscTape::RefuseWrite(SimScsiCommand& command, std::size_t records) {
  if (writeProtected_) {
    command.CheckCondition(kDataProtect, 0x27, 0x00);
    return true;
  }
  if (position_ + records > capacity_) {
    command.CheckCondition(kVolumeOverflow, 0x00, 0x02);
    Flag(command, kEndOfMediumBit, 0);
    return true;
  }
  return false;
}

void SimSscTape::Write(SimScsiCommand& command) {
  if (command.Byte(1) & 0x01) return command.CheckCondition(kIllegalRequest, 0x24, 0x00);  // fixed blocks
  const std::size_t length = command.BigEndian(2, 3);
  if (length > kMaximumBlock || length > command.dataLength)
    return command.CheckCondition(kIllegalRequest, 0x24, 0x00);
  if (RefuseWrite(command, 1)) return;
  records_.resize(position_);
  records_.push_back({Record::kData, std::vector<std::uint8_t>(command.data, command.data + length)});
  ++position_;
}

void SimSscTape::WriteMarks(SimScsiCommand& command) {
  const std::size_t count = command.BigEndian(2, 3);
  if (RefuseWrite(command, count)) return;
  const Record::Kind kind = (command.Byte(1) & 0x02) != 0 ? Record::kSetmark : Record::kFilemark;
  records_.resize(position_);
  records_.insert(records_.end(), count, Record{kind, {}});
  position_ += count;
}

void SimSscTape::Space(SimScsiCommand& command) {
  const std::uint8_t code = command.Byte(1) & 0x0F;
  if (code == 0x03) {  // to the end of data
    position_ = records_.size();
    return;
  }
  if (code > 0x01) return command.CheckCondition(kIllegalRequest, 0x24, 0x00);
  const std::int32_t count = SignedCount(command);
  const bool marks = code == 0x01;
  const int step = count < 0 ? -1 : 1;
  for (std::int32_t done = 0; done != count; done += step) {
    if (step > 0) {
      if (position_ >= records_.size()) {
        command.CheckCondition(kBlankCheck, 0x00, 0x05);
        return Flag(command, 0, count - done);
      }
      const bool mark = records_[position_++].kind != Record::kData;
      if (!marks && mark) {
        command.CheckCondition(kNoSense, 0x00, 0x01);
        return Flag(command, kFilemarkBit, count - done);
      }
      if (marks && !mark) done -= step;  // blocks between the marks do not count
    } else {
      if (position_ == 0) {
        command.CheckCondition(kNoSense, 0x00, 0x04);  // the beginning of the medium
        return Flag(command, kEndOfMediumBit, done - count);
      }
      const bool mark = records_[--position_].kind != Record::kData;
      if (marks && !mark) done -= step;
    }
  }
}

void SimSscTape::ModeSense(SimScsiCommand& command) {
  const std::uint8_t page = command.Byte(2) & 0x3F;
  if (page != 0x0F && page != 0x3F && page != 0x00)
    return command.CheckCondition(kIllegalRequest, 0x24, 0x00);
  std::vector<std::uint8_t> data = {0, 0, static_cast<std::uint8_t>(writeProtected_ ? 0x90 : 0x10), 8};
  // Block descriptor: density code (LTO-3), no block count, variable blocks (length 0).
  data.insert(data.end(), {0x44, 0, 0, 0, 0, 0, 0, 0});
  if (page != 0x00) {
    // Data compression page: the drive can compress (DCC), and does when compression="1" (DCE).
    std::vector<std::uint8_t> compression(16, 0);
    compression[0] = 0x0F;
    compression[1] = 0x0E;
    compression[2] = static_cast<std::uint8_t>(0x40 | (compression_ ? 0x80 : 0));
    compression[3] = 0x80;  // DDE
    data.insert(data.end(), compression.begin(), compression.end());
  }
  data[0] = static_cast<std::uint8_t>(data.size() - 1);
  command.Answer(data, command.Byte(4));
}

}  // namespace os
