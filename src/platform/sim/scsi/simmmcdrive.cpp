#include "platform/sim/scsi/simmmcdrive.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/scsi/simblockstore.h"
#include "platform/sim/simmachine.h"
#include "support/xmlobject.h"

namespace os {

namespace {

SimMmcDrive::Media MediaOf(const SimMachine& machine, const std::string& text) {
  if (text == "rom") return SimMmcDrive::Media::kRom;
  if (text == "blank") return SimMmcDrive::Media::kBlank;
  if (text == "written") return SimMmcDrive::Media::kWritten;
  if (text == "full") return SimMmcDrive::Media::kFull;
  machine.Reject("an optical drive's media is rom, blank, written or full, not \"" + text + "\"");
}

void PutBigEndian(std::uint8_t* bytes, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
}

// Commands that need a disc spinning; the rest (inquiries, mode pages, configuration, the tray)
// answer with any state of the tray.
bool NeedsMedium(std::uint8_t opcode) {
  switch (opcode) {
    case 0x25:  // READ CAPACITY
    case 0x28:  // READ(10)
    case 0x88:  // READ(16), as the system's class driver reads
    case 0x2A:  // WRITE(10)
    case 0x35:  // SYNCHRONIZE CACHE
    case 0x52:  // READ TRACK INFORMATION
      return true;
    default:
      return false;
  }
}

}  // namespace

SimMmcDrive::SimMmcDrive(const SimMachine& machine, const rb::XmlObject& element,
                         std::shared_ptr<SimClock> clock)
    : SimScsiUnit(machine, element, kSimMmc, std::move(clock)),
      medium_(element.GetAttribute("medium", "0") == "1"),
      trayOpen_(element.GetAttribute("tray", "closed") == "open"),
      media_(MediaOf(machine, element.GetAttribute("media", "rom"))),
      blocks_(element.FindAttribute("blocks")
                  ? static_cast<std::uint32_t>(machine.Number(element, "blocks", 0xFFFFFFFF))
                  : 333000),
      dvd_(element.GetAttribute("disc", "dvd") != "cd"),
      writeProtect_(element.GetAttribute("writeProtect", "0") == "1"),
      noSpinUp_(element.GetAttribute("noSpinUp", "0") == "1"),
      unreportedChange_(element.GetAttribute("unreportedChange", "0") == "1") {
  switch (media_) {
    case Media::kBlank:
      recorded_ = 0;
      break;
    case Media::kWritten:
      recorded_ = element.FindAttribute("written")
                      ? static_cast<std::uint32_t>(machine.Number(element, "written", blocks_))
                      : blocks_ / 2;
      break;
    default:
      recorded_ = blocks_;
  }
  reportedMedium_ = HasMedium();
  // Track at once, data mode 1: what a drive starts with.
  writeParameters_[0] = 0x05;
  writeParameters_[1] = 0x32;
  writeParameters_[2] = 0x01;
  writeParameters_[3] = 0x04;
  writeParameters_[4] = 0x08;
  MakeAta(machine, element, kSimMmc, 0);
}

bool SimMmcDrive::NotReady(SimScsiCommand& command) {
  const std::uint8_t opcode = command.Opcode();
  if (opcode != 0x00 && !NeedsMedium(opcode)) return false;
  if (!ReportsMedium()) {
    // MEDIUM NOT PRESENT, with the tray's state.
    command.CheckCondition(0x2, 0x3A, trayOpen_ ? 0x02 : 0x01);
    return true;
  }
  if (noSpinUp_) {
    command.CheckCondition(0x2, 0x04, 0x02);  // NOT READY, INITIALIZING COMMAND REQUIRED
    return true;
  }
  // A drive that missed the change answers as before, but a disc that is not there cannot be read.
  if (!HasMedium() && opcode != 0x00) {
    command.CheckCondition(0x3, 0x11, 0x00);
    return true;
  }
  return false;
}

void SimMmcDrive::Dispatch(SimScsiCommand& command) {
  switch (command.Opcode()) {
    case 0x25: {
      std::uint8_t data[8] = {};
      PutBigEndian(data, std::max<std::uint32_t>(recorded_, 1) - 1, 4);
      PutBigEndian(data + 4, kBlockSize, 4);
      command.Answer(data, sizeof data, sizeof data);
      return;
    }
    case 0x1B:
      StartStop(command);
      return;
    case 0x28:
    case 0x88:
      Read(command);
      return;
    case 0x2A:
      Write(command);
      return;
    case 0x35:
      return;
    case 0x46:
      Configuration(command);
      return;
    case 0x52:
      TrackInformation(command);
      return;
    case 0x55:
      ModeSelect(command);
      return;
    case 0x5A:
      ModeSense(command);
      return;
    default:
      SimScsiUnit::Dispatch(command);
  }
}

void SimMmcDrive::StartStop(SimScsiCommand& command) {
  const std::uint8_t flags = command.Byte(4) & 0x03;
  if (flags == 0x02) {
    trayOpen_ = true;
    // The operator takes the disc out of the open tray.
    medium_ = false;
    return;
  }
  if (flags == 0x03) {
    trayOpen_ = false;
    if (!unreportedChange_) reportedMedium_ = HasMedium();
    return;
  }
  if (flags == 0x01 && (noSpinUp_ || !HasMedium())) {
    if (!HasMedium())
      command.CheckCondition(0x2, 0x3A, trayOpen_ ? 0x02 : 0x01);
    else
      command.CheckCondition(0x4, 0x44, 0x00);  // the spindle never came up
  }
}

void SimMmcDrive::Read(SimScsiCommand& command) {
  const bool sixteen = command.Opcode() == 0x88;
  const std::uint64_t wide = command.BigEndian(2, sixteen ? 8 : 4);
  const auto count = static_cast<std::uint32_t>(sixteen ? command.BigEndian(10, 4) : command.BigEndian(7, 2));
  if (wide + count > recorded_) {
    command.CheckCondition(0x5, 0x21, 0x00);
    return;
  }
  const auto lba = static_cast<std::uint32_t>(wide);
  std::vector<std::uint8_t> data(std::size_t{count} * kBlockSize);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t* block = data.data() + std::size_t{i} * kBlockSize;
    const auto written = writtenBlocks_.find(lba + i);
    if (written != writtenBlocks_.end())
      std::memcpy(block, written->second.data(), kBlockSize);
    else
      SimBlockStore::Pattern(lba + i, kBlockSize, block);
  }
  command.Answer(data, data.size());
}

void SimMmcDrive::Write(SimScsiCommand& command) {
  const auto lba = static_cast<std::uint32_t>(command.BigEndian(2, 4));
  const auto count = static_cast<std::uint32_t>(command.BigEndian(7, 2));
  if (!Recordable()) {
    command.CheckCondition(0x5, 0x30, 0x05);  // CANNOT WRITE MEDIUM, INCOMPATIBLE FORMAT
    return;
  }
  if (writeProtect_) {
    command.CheckCondition(0x7, 0x27, 0x00);
    return;
  }
  // Recordable discs are written in order, at the next writable address.
  if (lba != recorded_ || std::uint64_t{lba} + count > blocks_) {
    command.CheckCondition(0x5, 0x21, 0x02);  // INVALID ADDRESS FOR WRITE
    return;
  }
  if (command.data == nullptr || command.dataLength < std::size_t{count} * kBlockSize) {
    command.CheckCondition(0x5, 0x24, 0x00);
    return;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* block = command.data + std::size_t{i} * kBlockSize;
    writtenBlocks_[lba + i].assign(block, block + kBlockSize);
  }
  recorded_ += count;
}

void SimMmcDrive::TrackInformation(SimScsiCommand& command) {
  std::uint8_t data[36] = {};
  PutBigEndian(data, sizeof data - 2, 2);
  data[2] = 1;
  data[3] = 1;
  data[5] = 0x04;
  const bool open = Recordable() && recorded_ < blocks_;
  data[6] = recorded_ == 0 ? 0x41 : 0x01;  // blank, data mode 1
  data[7] = open ? 0x01 : 0x00;            // NWA_V
  if (open) PutBigEndian(data + 12, recorded_, 4);
  PutBigEndian(data + 16, open ? blocks_ - recorded_ : 0, 4);
  PutBigEndian(data + 24, blocks_, 4);
  command.Answer(data, sizeof data, command.BigEndian(7, 2));
}

void SimMmcDrive::ModeSense(SimScsiCommand& command) {
  if ((command.Byte(2) & 0x3F) != 0x05) {
    command.CheckCondition(0x5, 0x24, 0x00);
    return;
  }
  std::uint8_t data[8 + sizeof writeParameters_] = {};
  PutBigEndian(data, sizeof data - 2, 2);
  data[3] = writeProtect_ && HasMedium() ? 0x80 : 0x00;
  std::memcpy(data + 8, writeParameters_, sizeof writeParameters_);
  command.Answer(data, sizeof data, command.BigEndian(7, 2));
}

void SimMmcDrive::ModeSelect(SimScsiCommand& command) {
  const std::size_t length = std::min<std::size_t>(command.BigEndian(7, 2), command.dataLength);
  if (command.data == nullptr || length < 8 + 2) {
    command.CheckCondition(0x5, 0x1A, 0x00);  // PARAMETER LIST LENGTH ERROR
    return;
  }
  const std::size_t descriptors = command.data[6] << 8 | command.data[7];
  const std::uint8_t* page = command.data + 8 + descriptors;
  if (8 + descriptors + 2 > length || (page[0] & 0x3F) != 0x05 || 8 + descriptors + 2 + page[1] > length ||
      page[1] + 2u > sizeof writeParameters_) {
    command.CheckCondition(0x5, 0x26, 0x00);  // INVALID FIELD IN PARAMETER LIST
    return;
  }
  std::memcpy(writeParameters_, page, page[1] + 2u);
  writeParameters_[0] &= 0x3F;
}

void SimMmcDrive::Configuration(SimScsiCommand& command) {
  std::uint8_t data[8] = {};
  PutBigEndian(data, sizeof data - 4, 4);
  std::uint16_t profile = 0;  // no current profile: no disc
  if (HasMedium()) profile = dvd_ ? (Recordable() ? 0x11 : 0x10) : (Recordable() ? 0x09 : 0x08);
  PutBigEndian(data + 6, profile, 2);
  command.Answer(data, sizeof data, command.BigEndian(7, 2));
}

}  // namespace os
