#include "controllers/arraydrivehistory.h"

#include <algorithm>

#include "controllers/arraylayouts.h"
#include "controllers/bmicdevice.h"
#include "devices/scsi/scsicommandrecord.h"

namespace rb {

namespace {

namespace history = arraylayout::drivehistory;
using arraylayout::Get32;

// The entries a reply has room for, whatever count it claims.
std::size_t EntryCount(const std::vector<std::uint8_t>& reply, std::size_t first, std::size_t size) {
  if (reply.size() < first) return 0;
  return std::min<std::size_t>(reply[0], (reply.size() - first) / size);
}

}  // namespace

ArrayDriveHistory::ArrayDriveHistory(BmicDevice& controller, std::uint8_t bus, std::uint8_t target)
    : controller_(controller), bus_(bus), target_(target) {}

std::vector<std::uint8_t> ArrayDriveHistory::Read(std::uint8_t record) {
  std::vector<std::uint8_t> reply(history::kSize, 0);
  controller_.SendBmicCommand(history::kCommand, reply.data(), static_cast<std::uint32_t>(reply.size()),
                              controller_.PhysicalDriveParameter(bus_, target_), 1, record, kDataIn);
  return reply;
}

std::vector<DriveRecord> ArrayDriveHistory::DecodeRecords(const std::vector<std::uint8_t>& reply) {
  std::vector<DriveRecord> records;
  const std::size_t count = EntryCount(reply, history::kRecordEntries, history::kRecordSize);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = reply.data() + history::kRecordEntries + i * history::kRecordSize;
    records.push_back({entry[0] != 0, entry[1], Get32(entry, 4)});
  }
  return records;
}

std::vector<ScsiErrorLogEntry> ArrayDriveHistory::DecodeScsiErrors(const std::vector<std::uint8_t>& reply) {
  std::vector<ScsiErrorLogEntry> entries;
  const std::size_t count = EntryCount(reply, history::kErrorEntries, history::kErrorEntrySize);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = reply.data() + history::kErrorEntries + i * history::kErrorEntrySize;
    ScsiErrorLogEntry decoded;
    decoded.currentServiceTime = Get32(entry, 0);
    decoded.scsiStatus = entry[4];
    decoded.camStatus = entry[5];
    decoded.senseKey = entry[6];
    decoded.senseCode = entry[7];
    decoded.qualifier = entry[8];
    decoded.blockValue = Get32(entry, 12);
    decoded.time = Get32(entry, 16);
    decoded.info = Get32(entry, 20);
    entries.push_back(decoded);
  }
  return entries;
}

std::string ArrayDriveHistory::DecodeClientLog(const std::vector<std::uint8_t>& reply) {
  if (reply.size() < 4) return {};
  const std::size_t length = std::min<std::size_t>(Get32(reply.data(), 0), reply.size() - 4);
  return std::string(reply.begin() + 4, reply.begin() + 4 + static_cast<std::ptrdiff_t>(length));
}

std::vector<DriveRecord> ArrayDriveHistory::Records() {
  return DecodeRecords(Read(history::kRecords));
}

SmartFindings ArrayDriveHistory::Smart() {
  const std::vector<std::uint8_t> reply = Read(history::kSmart);
  return {reply[0] != 0, reply[1] != 0};
}

DstFindings ArrayDriveHistory::SelfTests() {
  return {Read(history::kSelfTest)[0] != 0};
}

PerformanceFindings ArrayDriveHistory::Performance() {
  const std::vector<std::uint8_t> reply = Read(history::kPerformance);
  return {reply[0] != 0, reply[1] != 0};
}

std::vector<ScsiErrorLogEntry> ArrayDriveHistory::ScsiErrors() {
  return DecodeScsiErrors(Read(history::kScsiErrors));
}

std::string ArrayDriveHistory::ClientLog() {
  return DecodeClientLog(Read(history::kClientLog));
}

}  // namespace rb
