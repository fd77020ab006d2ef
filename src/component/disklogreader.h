#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rb {

// A serial number as the controller knows it: read, not read yet, or none for this kind of drive.
struct DriveSerialNumber {
  enum class State { kKnown, kNotYetAvailable, kNotApplicable };
  State state = State::kNotYetAvailable;
  std::string value;  // meaningful when kKnown
};

// Who the drive is and where it sits. The caption of a disk diagnosis reads
// "<description>, Controller Slot <slot>, SCSI Bus <bus>, SCSI ID <id>. Firmware Revision: <firmware>.
// <controllerDescription> <slot>"; an offline drive's description is replaced by
// "Offline Physical Hard Drive".
struct DriveDescription {
  std::string description;
  std::string firmware;
  DriveSerialNumber serialNumber;
  std::string controllerDescription;
  DriveSerialNumber controllerSerialNumber;
  std::uint32_t controllerSlot = 0;
  std::uint32_t scsiBus = 0;
  std::uint32_t scsiId = 0;
  bool offline = false;
};

// One entry of the controller's list for this drive. The drive is in the controller's physical
// configuration when an entry says so; the last entry's failure reason and time stamp stand.
struct DriveRecord {
  bool physicalConfiguration = false;
  std::uint8_t lastFailureReason = 0;
  std::uint32_t timeStamp = 0;
};

struct SmartFindings {
  bool controllerReportedError = false;  // the controller flagged the drive's SMART status
  bool driveReportedError = false;       // the drive's own SMART threshold tripped
};

struct DstFindings {
  bool selfTestError = false;  // a drive self-test in the log ended in error
};

// The controller's monitoring-and-performance data for the drive.
struct PerformanceFindings {
  bool criticalThresholdError = false;
  bool abortedCommandFailures = false;  // aborted commands beyond the controller's threshold
};

// One entry of the drive's SCSI error log as the controller records it. The sense key is the low
// nibble of sense byte 2 (flag bits above it are ignored); CAM status 0 means the transport
// delivered the command cleanly.
struct ScsiErrorLogEntry {
  std::uint32_t currentServiceTime = 0;
  std::uint8_t scsiStatus = 0;
  std::uint8_t camStatus = 0;
  std::uint8_t senseKey = 0;
  std::uint8_t senseCode = 0;  // additional sense code
  std::uint8_t qualifier = 0;  // additional sense code qualifier
  std::uint32_t blockValue = 0;
  std::uint32_t time = 0;
  std::uint32_t info = 0;
};

// What a disk diagnosis reads about one physical drive; the drive's device implements it on top of
// its controller's commands. A read answers nullopt when the controller cannot give the log; a read
// may also raise OruWarning or OruError, which the diagnosis takes as the same failure.
class DiskLogReader {
 public:
  virtual ~DiskLogReader() = default;

  virtual DriveDescription DescribeDrive() = 0;
  virtual std::vector<DriveRecord> ReadDriveRecords() = 0;
  virtual std::optional<SmartFindings> ReadSmartLogs() = 0;
  virtual std::optional<DstFindings> ReadDstLogs() = 0;
  virtual std::optional<PerformanceFindings> ReadPerformanceLogs() = 0;
  virtual std::optional<std::vector<ScsiErrorLogEntry>> ReadScsiErrorLogs() = 0;
  virtual bool AmberLightOn() = 0;
  // The drive's application client log, byte for byte.
  virtual std::optional<std::string> ReadApplicationClientLog() = 0;

 protected:
  DiskLogReader() = default;
  DiskLogReader(const DiskLogReader&) = default;
  DiskLogReader& operator=(const DiskLogReader&) = default;
};

}  // namespace rb
