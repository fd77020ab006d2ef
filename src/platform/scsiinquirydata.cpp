#include "platform/scsiinquirydata.h"

#include <algorithm>
#include <cstring>

namespace os {

namespace {

constexpr win::DWORD kRecordHeader = offsetof(win::ScsiInquiryData, InquiryData);
constexpr win::DWORD kRecordSize = (kRecordHeader + 36 + 7) / 8 * 8;

void Put32(std::uint8_t* at, win::DWORD value) {
  std::memcpy(at, &value, 4);
}
win::DWORD Get32(const std::uint8_t* at) {
  win::DWORD value;
  std::memcpy(&value, at, 4);
  return value;
}

}  // namespace

win::DWORD WriteScsiInquiryData(std::vector<ScsiUnitInquiry> units, void* out, win::DWORD size,
                                win::DWORD* returned) {
  std::stable_sort(units.begin(), units.end(),
                   [](const ScsiUnitInquiry& a, const ScsiUnitInquiry& b) { return a.path < b.path; });
  const unsigned buses = units.empty() ? 1u : units.back().path + 1u;
  const win::DWORD busArea = offsetof(win::ScsiAdapterBusInfo, BusData) + buses * sizeof(win::ScsiBusData);
  const win::DWORD firstRecord = (busArea + 7) / 8 * 8;
  const std::uint64_t needed = firstRecord + std::uint64_t{kRecordSize} * units.size();
  if (needed > size) return win::ERROR_INSUFFICIENT_BUFFER;

  auto* bytes = static_cast<std::uint8_t*>(out);
  std::memset(bytes, 0, static_cast<std::size_t>(needed));
  bytes[0] = static_cast<std::uint8_t>(buses);
  win::DWORD at = firstRecord;
  std::size_t next = 0;
  for (unsigned bus = 0; bus < buses; ++bus) {
    std::uint8_t* busData = bytes + offsetof(win::ScsiAdapterBusInfo, BusData) + bus * sizeof(win::ScsiBusData);
    busData[1] = 7;  // the initiator's own target id
    std::uint8_t count = 0;
    std::uint8_t* previous = nullptr;
    for (; next < units.size() && units[next].path == bus; ++next) {
      const ScsiUnitInquiry& unit = units[next];
      std::uint8_t* record = bytes + at;
      record[0] = unit.path;
      record[1] = unit.target;
      record[2] = unit.lun;
      record[3] = unit.claimed ? 1 : 0;
      Put32(record + 4, 36);
      std::memcpy(record + kRecordHeader, unit.inquiry.data(), 36);
      if (previous == nullptr)
        Put32(busData + 4, at);
      else
        Put32(previous + 8, at);
      previous = record;
      at += kRecordSize;
      ++count;
    }
    busData[0] = count;
  }
  *returned = static_cast<win::DWORD>(needed);
  return win::ERROR_SUCCESS;
}

std::vector<ScsiUnitInquiry> ReadScsiInquiryData(const void* answer, win::DWORD size) {
  std::vector<ScsiUnitInquiry> units;
  const auto* bytes = static_cast<const std::uint8_t*>(answer);
  if (size < 1) return units;
  const unsigned buses = bytes[0];
  for (unsigned bus = 0; bus < buses; ++bus) {
    const win::DWORD busAt = offsetof(win::ScsiAdapterBusInfo, BusData) + bus * sizeof(win::ScsiBusData);
    if (busAt + sizeof(win::ScsiBusData) > size) break;
    const unsigned count = bytes[busAt];
    win::DWORD at = Get32(bytes + busAt + 4);
    win::DWORD floor = busAt + sizeof(win::ScsiBusData);
    for (unsigned i = 0; i < count && at != 0; ++i) {
      // A chain must move forward and stay inside the answer.
      if (at < floor || at > size || size - at < kRecordHeader) break;
      const std::uint8_t* record = bytes + at;
      ScsiUnitInquiry unit;
      unit.path = record[0];
      unit.target = record[1];
      unit.lun = record[2];
      unit.claimed = record[3] != 0;
      const win::DWORD length = std::min<win::DWORD>(Get32(record + 4), 36);
      const win::DWORD available = size - at - kRecordHeader;
      std::memcpy(unit.inquiry.data(), record + kRecordHeader, std::min(length, available));
      units.push_back(unit);
      floor = at + kRecordHeader;
      at = Get32(record + 8);
    }
  }
  return units;
}

}  // namespace os
