#include "platform/sim/scsi/simscsifault.h"

#include <algorithm>

#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

bool SimScsiFault::Matches(std::uint8_t commandOpcode, std::optional<std::uint64_t> first,
                           std::uint64_t blocks, std::uint64_t now) const {
  if (opcode && *opcode != commandOpcode) return false;
  if (kind == kNotReady) return now < until;
  if (lba) {
    if (!first) return false;
    const std::uint64_t last = *lba + count;
    return *first<last&& * first + std::max<std::uint64_t>(blocks, 1)> * lba;
  }
  return true;
}

bool SimScsiFault::Applies(std::uint8_t commandOpcode, std::optional<std::uint64_t> first,
                           std::uint64_t blocks, std::uint64_t now) {
  if (!Matches(commandOpcode, first, blocks, now)) return false;
  const std::uint64_t index = seen++;
  return index >= skip && index - skip < times;
}

void SimScsiFault::Corrupt(std::uint64_t first, std::uint64_t blocks, std::uint8_t* data,
                           std::size_t length) const {
  if (!lba || blocks == 0 || data == nullptr) return;
  const std::size_t blockSize = length / blocks;
  for (std::uint64_t block = std::max(first, *lba); block < first + blocks && block < *lba + count; ++block) {
    const std::size_t at = static_cast<std::size_t>((block - first) * blockSize + byte);
    if (byte < blockSize && at < length) data[at] ^= 0xFF;
  }
}

std::vector<SimScsiFault> SimScsiFault::Read(const SimMachine& machine, const rb::XmlObject& device) {
  std::vector<SimScsiFault> faults;
  for (const rb::XmlObject& element : device.Children()) {
    if (!rb::EqualsNoCase(element.Name(), "fault")) continue;
    SimScsiFault fault;
    const std::string kind = element.GetAttribute("kind", "sense");
    if (rb::EqualsNoCase(kind, "sense")) {
      fault.kind = kSense;
      fault.senseKey = static_cast<std::uint8_t>(machine.Number(element, "sense", 0xF));
      fault.asc = static_cast<std::uint8_t>(machine.Number(element, "asc", 0xFF));
      fault.ascq = static_cast<std::uint8_t>(machine.Number(element, "ascq", 0xFF));
      if (element.FindAttribute("retries") != nullptr)
        fault.specific = static_cast<long>(machine.Number(element, "retries", 0xFFFF));
    } else if (rb::EqualsNoCase(kind, "notReady")) {
      fault.kind = kNotReady;
      if (element.FindAttribute("until") != nullptr)
        fault.until = machine.Number(element, "until", UINT64_MAX);
    } else if (rb::EqualsNoCase(kind, "busy")) {
      fault.kind = kBusy;
    } else if (rb::EqualsNoCase(kind, "driverFailure")) {
      fault.kind = kDriverFailure;
      fault.error = static_cast<win::DWORD>(machine.Number(element, "error", 0xFFFFFFFF));
    } else if (rb::EqualsNoCase(kind, "corrupt")) {
      fault.kind = kCorrupt;
      if (element.FindAttribute("lba") == nullptr) machine.Reject("<fault kind=\"corrupt\"> needs an lba");
      if (element.FindAttribute("byte") != nullptr) fault.byte = machine.Number(element, "byte", UINT32_MAX);
    } else {
      machine.Reject("<fault> kind '" + kind + "' is not sense, notReady, busy, driverFailure or corrupt");
    }
    if (element.FindAttribute("skip") != nullptr) fault.skip = machine.Number(element, "skip", UINT32_MAX);
    if (element.FindAttribute("times") != nullptr) fault.times = machine.Number(element, "times", UINT32_MAX);
    if (element.FindAttribute("opcode") != nullptr)
      fault.opcode = static_cast<std::uint8_t>(machine.Number(element, "opcode", 0xFF));
    if (element.FindAttribute("lba") != nullptr) {
      fault.lba = machine.Number(element, "lba", UINT64_MAX);
      if (element.FindAttribute("count") != nullptr)
        fault.count = machine.Number(element, "count", UINT32_MAX);
    }
    faults.push_back(fault);
  }
  return faults;
}

}  // namespace os
