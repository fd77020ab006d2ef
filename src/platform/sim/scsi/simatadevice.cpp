#include "platform/sim/scsi/simatadevice.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/sim/simmachine.h"
#include "support/xmlobject.h"

namespace os {

namespace {

constexpr std::uint8_t kStatusReady = 0x50;  // DRDY, DSC
constexpr std::uint8_t kStatusError = 0x51;
constexpr std::uint8_t kErrorAbort = 0x04;

void PutWord(std::array<std::uint8_t, 512>& bytes, std::size_t word, std::uint16_t value) {
  bytes[2 * word] = static_cast<std::uint8_t>(value);
  bytes[2 * word + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A string in words, its first character in each word's high byte, padded with blanks.
void PutText(std::array<std::uint8_t, 512>& bytes, std::size_t firstWord, std::size_t words,
             const std::string& text) {
  for (std::size_t i = 0; i < words * 2; ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    bytes[2 * firstWord + (i ^ 1)] = static_cast<std::uint8_t>(c);
  }
}

// The last byte makes the 512 sum to 0 modulo 256.
void Checksum(std::array<std::uint8_t, 512>& bytes) {
  bytes[511] = static_cast<std::uint8_t>(0x100 - std::accumulate(bytes.begin(), bytes.end() - 1, 0u) % 256);
}

bool Flag(const rb::XmlObject& element, const char* name) {
  return element.GetAttribute(name, "0") == "1";
}

// The attributes every simulated disk reports: id, flags, value, worst, raw value, threshold.
struct Attribute {
  std::uint8_t id;
  std::uint16_t flags;
  std::uint8_t value;
  std::uint8_t worst;
  std::uint32_t raw;
  std::uint8_t threshold;
};
constexpr Attribute kAttributes[] = {
    {1, 0x000F, 200, 200, 0, 51},  {5, 0x0033, 200, 200, 0, 140},  {9, 0x0032, 95, 95, 4312, 0},
    {12, 0x0032, 100, 100, 57, 0}, {194, 0x0022, 112, 104, 38, 0}, {197, 0x0032, 200, 200, 0, 0},
};

}  // namespace

bool SimAtaDevice::Declared(const rb::XmlObject& element) {
  return element.FindAttribute("model") != nullptr;
}

SimAtaDevice::SimAtaDevice(const SimMachine& machine, const rb::XmlObject& element, int packetType,
                           std::uint64_t sectors, std::shared_ptr<SimClock> clock)
    : model_(element.GetAttribute("model")),
      firmware_(element.GetAttribute("firmware", "1.00")),
      serial_(element.GetAttribute("serial", "SIMATA0001")),
      packetType_(packetType),
      smart_(packetType < 0 && element.GetAttribute("smart", "1") == "1"),
      trip_(Flag(element, "smartTrip")),
      badChecksum_(Flag(element, "badChecksum")),
      noIdentify_(Flag(element, "noIdentify")),
      selfTestHangs_(Flag(element, "selfTestHangs")),
      selfTestRefused_(Flag(element, "selfTestRefused")),
      extendedMs_((element.FindAttribute("selfTestMinutes")
                       ? machine.Number(element, "selfTestMinutes", 65535)
                       : 60) *
                  60'000),
      selfTestResult_(element.FindAttribute("selfTestResult")
                          ? static_cast<std::uint8_t>(machine.Number(element, "selfTestResult", 15))
                          : 0),
      sectors_(sectors),
      udma_(element.FindAttribute("udma") ? static_cast<unsigned>(machine.Number(element, "udma", 6)) : 5),
      pio_(element.GetAttribute("pio", "0") == "1"),
      clock_(std::move(clock)) {
  if (model_.size() > 40) machine.Reject("<" + element.Name() + "> model '" + model_ + "' is longer than 40");
  if (firmware_.size() > 8)
    machine.Reject("<" + element.Name() + "> firmware '" + firmware_ + "' is longer than 8");
  BuildIdentify();
}

void SimAtaDevice::BuildIdentify() {
  const std::uint64_t sectors = sectors_;
  const unsigned udma = std::min(udma_, 6u);
  identify_.fill(0);
  // Word 0: a fixed ATA disk, or a packet device of its type (removable, 12-byte packets).
  PutWord(identify_, 0, packetType_ < 0 ? 0x0040 : static_cast<std::uint16_t>(0x8080 | packetType_ << 8));
  PutText(identify_, 10, 10, serial_);
  PutText(identify_, 23, 4, firmware_);
  PutText(identify_, 27, 20, model_);
  if (packetType_ < 0) PutWord(identify_, 47, 0x8010);
  PutWord(identify_, 49, 0x0F00);  // DMA, LBA, IORDY
  PutWord(identify_, 53, 0x0006);  // words 64-70 and 88 valid
  if (packetType_ < 0) {
    const std::uint64_t lba28 = std::min<std::uint64_t>(sectors, 0x0FFFFFFF);
    PutWord(identify_, 60, static_cast<std::uint16_t>(lba28));
    PutWord(identify_, 61, static_cast<std::uint16_t>(lba28 >> 16));
  }
  // Multiword DMA 0-2, mode 2 selected; a drive run in PIO has no DMA mode selected.
  PutWord(identify_, 63, pio_ ? 0x0007 : 0x0407);
  PutWord(identify_, 80, 0x01F0);  // ATA-4 to ATA-8
  PutWord(identify_, 82, static_cast<std::uint16_t>(0x4000 | (smart_ ? 0x0001 : 0)));
  PutWord(identify_, 83, static_cast<std::uint16_t>(0x4000 | (packetType_ < 0 ? 0x0400 : 0)));
  PutWord(identify_, 84, 0x4000);
  PutWord(identify_, 85, static_cast<std::uint16_t>(0x4000 | (smart_ && smartEnabled_ ? 0x0001 : 0)));
  PutWord(identify_, 86, packetType_ < 0 ? 0x0400 : 0);
  PutWord(identify_, 87, 0x4000);
  PutWord(identify_, 88,
          static_cast<std::uint16_t>(((1u << (udma + 1)) - 1) | (pio_ ? 0u : 1u << (8 + udma))));
  PutWord(identify_, 93, 0x6000);  // an 80-conductor cable
  if (packetType_ < 0) {
    for (int word = 0; word < 4; ++word)
      PutWord(identify_, 100 + word, static_cast<std::uint16_t>(sectors >> (16 * word)));
    PutWord(identify_, 106, 0x4000);
    PutWord(identify_, 217, 7200);
  }
  identify_[510] = 0xA5;
  Checksum(identify_);
}

bool SimAtaDevice::Execute(win::IdeRegs& regs, std::uint8_t* data, std::size_t length, bool dataOut) {
  const std::uint8_t command = regs.bCommandReg;
  bool done = false;
  if ((command == win::ATA_IDENTIFY_DEVICE && packetType_ < 0) ||
      (command == win::ATA_IDENTIFY_PACKET_DEVICE && packetType_ >= 0)) {
    done = !noIdentify_ && !dataOut;
    if (done && data != nullptr) std::memcpy(data, identify_.data(), std::min(length, identify_.size()));
  } else if (command == win::ATA_SMART) {
    done = Smart(regs, data, length, dataOut);
  }
  regs.bCommandReg = done ? kStatusReady : kStatusError;
  regs.bReserved = done ? 0 : kErrorAbort;
  return done;
}

bool SimAtaDevice::Smart(win::IdeRegs& regs, std::uint8_t* data, std::size_t length, bool dataOut) {
  if (!smart_ || regs.bCylLowReg != win::SMART_CYL_LOW || regs.bCylHighReg != win::SMART_CYL_HI) return false;
  const std::uint8_t feature = regs.bFeaturesReg;
  if (!smartEnabled_ && feature != win::SMART_ENABLE_OPERATIONS) return false;
  const auto answer = [&](const std::array<std::uint8_t, 512>& sector) {
    if (dataOut || data == nullptr || length < sector.size()) return false;
    std::memcpy(data, sector.data(), sector.size());
    return true;
  };
  switch (feature) {
    case win::SMART_READ_DATA:
      return answer(SmartData());
    case win::SMART_READ_THRESHOLDS:
      return answer(SmartThresholds());
    case win::SMART_READ_LOG: {
      const auto found = logs_.find(regs.bSectorNumberReg);
      return answer(found != logs_.end() ? found->second : std::array<std::uint8_t, 512>{});
    }
    case win::SMART_WRITE_LOG: {
      if (!dataOut || data == nullptr || length < 512) return false;
      std::array<std::uint8_t, 512>& log = logs_[regs.bSectorNumberReg];
      std::memcpy(log.data(), data, log.size());
      return true;
    }
    case win::SMART_RETURN_STATUS:
      regs.bCylLowReg = trip_ ? win::SMART_THRESHOLD_CYL_LOW : win::SMART_CYL_LOW;
      regs.bCylHighReg = trip_ ? win::SMART_THRESHOLD_CYL_HI : win::SMART_CYL_HI;
      return true;
    case win::SMART_ENABLE_OPERATIONS:
    case 0xD9:  // DISABLE OPERATIONS
      smartEnabled_ = feature == win::SMART_ENABLE_OPERATIONS;
      BuildIdentify();
      return true;
    case win::SMART_EXECUTE_OFFLINE_IMMEDIATE: {
      const std::uint8_t code = regs.bSectorNumberReg;
      SelfTestStatus();
      if (code == 127) {
        if (running_) lastStatus_ = 0x10;  // aborted by the host
        running_.reset();
        return true;
      }
      if (code == 0) return true;  // off-line data collection: nothing to show
      if ((code & 0x7F) != 1 && (code & 0x7F) != 2) return false;
      if (running_ || selfTestRefused_) return false;  // one self-test at a time, none on a refusing drive
      const bool extended = (code & 0x7F) == 2;
      running_ = SelfTest{code, clock_->Now(), extended ? extendedMs_ : kShortSelfTestMs};
      return true;
    }
    default:
      return false;
  }
}

std::uint8_t SimAtaDevice::SelfTestStatus() {
  if (!running_) return lastStatus_;
  std::uint64_t elapsed = clock_->Now() - running_->start;
  if (selfTestHangs_) elapsed = std::min(elapsed, running_->duration / 2);
  if (elapsed >= running_->duration) {
    running_.reset();
    lastStatus_ = static_cast<std::uint8_t>(selfTestResult_ << 4);
    return lastStatus_;
  }
  const std::uint64_t remaining = (running_->duration - elapsed) * 10 / running_->duration;
  return static_cast<std::uint8_t>(0xF0 | std::min<std::uint64_t>(9, remaining + 1));
}

std::array<std::uint8_t, 512> SimAtaDevice::SmartData() {
  std::array<std::uint8_t, 512> data{};
  data[0] = 0x10;  // revision
  for (std::size_t i = 0; i < std::size(kAttributes); ++i) {
    const Attribute& attribute = kAttributes[i];
    std::uint8_t* entry = data.data() + 2 + 12 * i;
    entry[0] = attribute.id;
    entry[1] = static_cast<std::uint8_t>(attribute.flags);
    entry[2] = static_cast<std::uint8_t>(attribute.flags >> 8);
    // A tripped drive has used up its spare sectors.
    const bool tripped = trip_ && attribute.id == 5;
    entry[3] = tripped ? 100 : attribute.value;
    entry[4] = tripped ? 100 : attribute.worst;
    const std::uint32_t raw = tripped ? 4000 : attribute.raw;
    for (int byte = 0; byte < 4; ++byte) entry[5 + byte] = static_cast<std::uint8_t>(raw >> (8 * byte));
  }
  data[362] = 0x82;  // off-line data collection completed
  data[363] = SelfTestStatus();
  data[364] = 0x00;  // off-line collection time: 600 s
  data[365] = 0x02;
  data[366] = 0x58;
  data[367] = 0x7B;  // off-line, self-test and conveyance capabilities
  data[368] = 0x03;  // SMART data saved before power saving; autosave
  data[369] = 0x01;  // error logging
  data[372] = 2;     // short self-test: 2 minutes
  const std::uint64_t minutes = extendedMs_ / 60'000;
  if (minutes < 0xFF) {
    data[373] = static_cast<std::uint8_t>(minutes);
  } else {
    data[373] = 0xFF;
    data[375] = static_cast<std::uint8_t>(minutes);
    data[376] = static_cast<std::uint8_t>(minutes >> 8);
  }
  Checksum(data);
  if (badChecksum_) ++data[511];
  return data;
}

std::array<std::uint8_t, 512> SimAtaDevice::SmartThresholds() const {
  std::array<std::uint8_t, 512> data{};
  data[0] = 0x10;
  for (std::size_t i = 0; i < std::size(kAttributes); ++i) {
    data[2 + 12 * i] = kAttributes[i].id;
    data[3 + 12 * i] = kAttributes[i].threshold;
  }
  Checksum(data);
  return data;
}

}  // namespace os
