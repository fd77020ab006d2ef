#include "platform/sim/scsi/simsbcdisk.h"

#include <algorithm>

#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace {

void PutBigEndian(std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t count,
                  std::uint64_t value) {
  for (std::size_t i = 0; i < count; ++i)
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
}

bool IsTransfer(std::uint8_t opcode) {
  switch (opcode) {
    case 0x28:
    case 0x2A:
    case 0x2F:
    case 0x88:
    case 0x8A:
    case 0x8F:
      return true;
    default:
      return false;
  }
}

}  // namespace

SimSbcDisk::SimSbcDisk(const SimMachine& machine, const rb::XmlObject& element,
                       std::shared_ptr<SimClock> clock)
    : SimScsiUnit(machine, element, kSimDirectAccess, std::move(clock)),
      store_(machine.Number(element, "blocks", 1ull << 48),
             element.FindAttribute("blockSize")
                 ? static_cast<std::uint32_t>(machine.Number(element, "blockSize", 65536))
                 : 512,
             element.GetAttribute("backingFile")),
      extendedSelfTestMs_(element.FindAttribute("selfTestSeconds")
                              ? machine.Number(element, "selfTestSeconds", 65535) * 1000
                              : (element.FindAttribute("selfTestMinutes")
                                     ? machine.Number(element, "selfTestMinutes", 1090)
                                     : 60) *
                                    60'000),
      selfTestResult_(element.FindAttribute("selfTestResult")
                          ? static_cast<std::uint8_t>(machine.Number(element, "selfTestResult", 0xF))
                          : 0),
      grownDefects_(element.FindAttribute("grownDefects")
                        ? static_cast<std::uint32_t>(machine.Number(element, "grownDefects", 8000))
                        : 0),
      temperature_(element.FindAttribute("temperature")
                       ? static_cast<std::uint8_t>(machine.Number(element, "temperature", 0xFF))
                       : 30),
      removable_(element.GetAttribute("removable") == "1"),
      floppy_(element.GetAttribute("floppy") == "1"),
      writeProtected_(element.GetAttribute("writeProtect") == "1"),
      selfTestHangs_(element.GetAttribute("selfTestHangs") == "1"),
      selfTestRefused_(element.GetAttribute("selfTestRefused") == "1"),
      noControlPage_(element.GetAttribute("noControlPage") == "1"),
      smartTrip_(element.GetAttribute("smartTrip") == "1") {
  if (store_.BlockSize() == 0 || store_.Blocks() == 0) machine.Reject("<disk> has no blocks");
  // A zip drive is a removable packet device of the direct-access kind.
  MakeAta(machine, element, element.GetAttribute("zip") == "1" ? 0 : -1, store_.Blocks());
  std::vector<std::uint8_t> block(store_.BlockSize());
  for (const rb::XmlObject& child : element.Children()) {
    if (!rb::EqualsNoCase(child.Name(), "block")) continue;
    const std::uint64_t lba = machine.Number(child, "lba", store_.Blocks() - 1);
    std::vector<std::uint8_t> bytes;
    if (child.FindAttribute("hex") != nullptr) {
      bytes = machine.HexBytes("<block> hex", child.GetAttribute("hex"));
    } else {
      const std::string text = child.GetAttribute("text");
      bytes.assign(text.begin(), text.end());
    }
    std::fill(block.begin(), block.end(), 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), block.size()), block.begin());
    store_.Write(lba, 1, block.data());
  }
}

std::optional<std::uint64_t> SimSbcDisk::FirstBlock(const SimScsiCommand& command,
                                                    std::uint64_t& blocks) const {
  const std::uint8_t opcode = command.Opcode();
  if (!IsTransfer(opcode)) {
    blocks = 0;
    return std::nullopt;
  }
  const bool sixteen = opcode >= 0x88;
  blocks = sixteen ? command.BigEndian(10, 4) : command.BigEndian(7, 2);
  return sixteen ? command.BigEndian(2, 8) : command.BigEndian(2, 4);
}

bool SimSbcDisk::NotReady(SimScsiCommand& command) {
  // START STOP UNIT and INQUIRY-class commands are taken while stopped.
  if (!stopped_ || command.Opcode() == 0x1B) return false;
  command.CheckCondition(0x2, 0x04, 0x02);
  return true;
}

void SimSbcDisk::Dispatch(SimScsiCommand& command) {
  FinishSelfTest();
  switch (command.Opcode()) {
    case 0x25:
      ReadCapacity(command, false);
      return;
    case 0x9E:
      if ((command.Byte(1) & 0x1F) == 0x10) {
        ReadCapacity(command, true);
        return;
      }
      break;
    case 0x1A:
      ModeSense(command);
      return;
    case 0x4D:
      LogSense(command);
      return;
    case 0x1D:
      SendDiagnostic(command);
      return;
    case 0x37:
      ReadDefects(command);
      return;
    case 0x04:
      store_.Clear();
      return;
    case 0x1B:
      stopped_ = (command.Byte(4) & 0x01) == 0;
      return;
    default:
      if (IsTransfer(command.Opcode())) {
        Transfer(command);
        return;
      }
      break;
  }
  SimScsiUnit::Dispatch(command);
}

void SimSbcDisk::ReadCapacity(SimScsiCommand& command, bool sixteen) {
  command.AnswerReadCapacity(store_.Blocks(), store_.BlockSize(), sixteen);
}

void SimSbcDisk::Transfer(SimScsiCommand& command) {
  std::uint64_t blocks = 0;
  const std::uint64_t lba = *FirstBlock(command, blocks);
  if (lba >= store_.Blocks() || blocks > store_.Blocks() - lba) {
    command.CheckCondition(0x5, 0x21, 0x00);
    return;
  }
  const std::uint8_t opcode = command.Opcode();
  if (opcode == 0x2F || opcode == 0x8F) return;
  if ((opcode == 0x2A || opcode == 0x8A) && writeProtected_) {
    command.CheckCondition(0x7, 0x27, 0x00);  // DATA PROTECT: WRITE PROTECTED
    return;
  }
  // A transfer longer than the buffer the port was given moves what fits, as a short transfer.
  const std::uint64_t fits = std::min<std::uint64_t>(blocks, command.dataLength / store_.BlockSize());
  if (opcode == 0x28 || opcode == 0x88) {
    if (command.dataIn && command.data != nullptr) store_.Read(lba, fits, command.data);
  } else if (!command.dataIn && command.data != nullptr) {
    store_.Write(lba, fits, command.data);
  }
  command.transferred = fits * store_.BlockSize();
}

void SimSbcDisk::ModeSense(SimScsiCommand& command) {
  const std::uint8_t page = command.Byte(2) & 0x3F;
  if ((page != 0x0A && page != 0x3F) || (page == 0x0A && noControlPage_)) {
    command.CheckCondition(0x5, 0x24, 0x00, 0xC002);
    return;
  }
  const bool blockDescriptor = (command.Byte(1) & 0x08) == 0;
  std::vector<std::uint8_t> data(4, 0);
  if (blockDescriptor) {
    data[3] = 8;
    data.resize(12, 0);
    PutBigEndian(data, 5, 3, std::min<std::uint64_t>(store_.Blocks(), 0xFFFFFF));
    PutBigEndian(data, 9, 3, store_.BlockSize());
  }
  // Control mode page: bytes 10-11 the extended self-test completion time in seconds.
  std::vector<std::uint8_t> control(12, 0);
  control[0] = 0x0A;
  control[1] = 0x0A;
  PutBigEndian(control, 10, 2, std::min<std::uint64_t>(extendedSelfTestMs_ / 1000, 0xFFFF));
  if (!noControlPage_) data.insert(data.end(), control.begin(), control.end());
  data[0] = static_cast<std::uint8_t>(data.size() - 1);
  command.Answer(data, command.Byte(4));
}

void SimSbcDisk::LogSense(SimScsiCommand& command) {
  const std::uint8_t page = command.Byte(2) & 0x3F;
  std::vector<std::uint8_t> data = {page, 0, 0, 0};
  if (page == 0x00) {
    data.insert(data.end(), {0x00, 0x10, 0x2F});
  } else if (page == 0x10) {
    // Twenty parameters of 20 bytes, the most recent result first.
    for (std::uint16_t i = 0; i < 20; ++i) {
      std::vector<std::uint8_t> parameter(20, 0);
      PutBigEndian(parameter, 0, 2, i + 1u);
      parameter[2] = 0x03;
      parameter[3] = 0x10;
      // A self-test in progress is the most recent entry, with result Fh.
      const std::size_t logged = running_ ? i - 1 : i;
      if (running_ && i == 0) {
        parameter[4] = static_cast<std::uint8_t>(running_->code << 5 | 0x0F);
        PutBigEndian(parameter, 6, 2, Now() / 3'600'000);
      } else if (logged < results_.size()) {
        const SelfTestResult& result = results_[logged];
        parameter[4] = static_cast<std::uint8_t>(result.code << 5 | result.result);
        PutBigEndian(parameter, 6, 2, result.hours);
        PutBigEndian(parameter, 8, 8, result.result == 0 ? ~0ull : 0);
        if (result.result != 0) {
          parameter[16] = 0x4;
          parameter[17] = 0x40;
          parameter[18] = 0x81;
        }
      }
      data.insert(data.end(), parameter.begin(), parameter.end());
    }
  } else if (page == 0x2F) {
    // Parameter 0000h: the additional sense code and qualifier of the latest prediction (5Dh: threshold
    // exceeded), the temperature and the reference temperature.
    data.insert(data.end(), {0x00, 0x00, 0x03, 0x04, static_cast<std::uint8_t>(smartTrip_ ? 0x5D : 0x00),
                             0x00, temperature_, 0x00});
  } else {
    command.CheckCondition(0x5, 0x24, 0x00, 0xC002);
    return;
  }
  PutBigEndian(data, 2, 2, data.size() - 4);
  command.Answer(data, command.BigEndian(7, 2));
}

void SimSbcDisk::Record(std::uint8_t code) {
  results_.push_front({code, selfTestResult_, Now() / 3'600'000});
  if (results_.size() > 20) results_.pop_back();
}

void SimSbcDisk::FinishSelfTest() {
  if (running_ && !selfTestHangs_ && Now() >= running_->start + running_->duration) {
    Record(running_->code);
    running_.reset();
  }
}

void SimSbcDisk::SendDiagnostic(SimScsiCommand& command) {
  const std::uint8_t code = command.Byte(1) >> 5;
  const bool selfTestBit = (command.Byte(1) & 0x04) != 0;
  if (selfTestBit) {
    // The default self-test runs at once and answers its outcome.
    if (selfTestResult_ != 0) command.CheckCondition(0x4, 0x40, 0x81);
    return;
  }
  switch (code) {
    case 1:  // background short
    case 2:  // background extended
      if (running_ || selfTestRefused_) {
        command.CheckCondition(0x5, 0x24, 0x00);
        return;
      }
      running_ = SelfTest{code, Now(), code == 1 ? kShortSelfTestMs : extendedSelfTestMs_};
      return;
    case 4:  // abort the background self-test
      if (running_) {
        results_.push_front({running_->code, 1, Now() / 3'600'000});
        running_.reset();
      }
      return;
    case 5:  // foreground short
    case 6:  // foreground extended
      Clock().Advance(code == 5 ? kShortSelfTestMs : extendedSelfTestMs_);
      Record(static_cast<std::uint8_t>(code));
      if (selfTestResult_ != 0) command.CheckCondition(0x4, 0x40, 0x81);
      return;
    default:
      command.CheckCondition(0x5, 0x24, 0x00, 0xC001);
      return;
  }
}

void SimSbcDisk::CurrentSense(SimScsiCommand& command) {
  FinishSelfTest();
  if (!running_) {
    SimScsiUnit::CurrentSense(command);
    return;
  }
  // Self-test in progress: NO SENSE, 04h/09h, with the progress (of 65536) in the key-specific bytes.
  const std::uint64_t elapsed = Now() - running_->start;
  const std::uint64_t shown = selfTestHangs_ ? std::min(elapsed, running_->duration / 2) : elapsed;
  const std::uint64_t progress =
      std::min<std::uint64_t>(shown * 65536 / std::max<std::uint64_t>(running_->duration, 1), 65535);
  std::vector<std::uint8_t> sense(18, 0);
  sense[0] = 0x70;
  sense[7] = 10;
  sense[12] = 0x04;
  sense[13] = 0x09;
  sense[15] = 0x80;
  sense[16] = static_cast<std::uint8_t>(progress >> 8);
  sense[17] = static_cast<std::uint8_t>(progress);
  command.Answer(sense, command.Byte(4));
}

void SimSbcDisk::ReadDefects(SimScsiCommand& command) {
  // The grown list in physical sector format (8 bytes a defect).
  std::vector<std::uint8_t> data(4 + std::size_t{grownDefects_} * 8, 0);
  data[1] = 0x08 | 0x05;
  PutBigEndian(data, 2, 2, std::size_t{grownDefects_} * 8);
  for (std::uint32_t i = 0; i < grownDefects_; ++i) PutBigEndian(data, 4 + 8 * i, 3, i * 97u);
  command.Answer(data, command.BigEndian(7, 2));
}

}  // namespace os
