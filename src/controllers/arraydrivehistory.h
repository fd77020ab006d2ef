#pragma once

// What an array controller has recorded about one of its physical drives (its drive-history
// command): the drive's entries in the controller's list, the SMART, self-test and performance
// findings, the SCSI error log and the application client log, decoded from the replies. A read
// the controller refuses raises the controller's OruError; counts are bounded by the reply.

#include <cstdint>
#include <string>
#include <vector>

#include "component/disklogreader.h"

namespace rb {

class BmicDevice;

class ArrayDriveHistory {
 public:
  ArrayDriveHistory(BmicDevice& controller, std::uint8_t bus, std::uint8_t target);

  std::vector<DriveRecord> Records();
  SmartFindings Smart();
  DstFindings SelfTests();
  PerformanceFindings Performance();
  std::vector<ScsiErrorLogEntry> ScsiErrors();
  std::string ClientLog();

  // The decoding of each reply, on their own for the replies' edge cases.
  static std::vector<DriveRecord> DecodeRecords(const std::vector<std::uint8_t>& reply);
  static std::vector<ScsiErrorLogEntry> DecodeScsiErrors(const std::vector<std::uint8_t>& reply);
  static std::string DecodeClientLog(const std::vector<std::uint8_t>& reply);

 private:
  std::vector<std::uint8_t> Read(std::uint8_t record);

  BmicDevice& controller_;
  std::uint8_t bus_;
  std::uint8_t target_;
};

}  // namespace rb
