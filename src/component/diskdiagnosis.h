#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "component/diagnosis.h"
#include "component/diskdiagnosisflags.h"
#include "component/disklogreader.h"

namespace rb {

// The historical check of a physical disk behind an array controller: reads the drive's SMART,
// self-test, monitoring-and-performance and SCSI error logs through its DiskLogReader, judges them,
// keeps the SCSI error log and the application client log in files named after the drive, and writes
// the whole result to "ddlast.xml". All files go to the current directory.
//
// In the persistent file a disk diagnosis is the Diagnosis form; its findings belong to one run.
class DiskDiagnosis : public Diagnosis {
 public:
  static constexpr const char* kStreamableName = "DiskDiagnosis";
  // The drive's device action that the "Identify Drive" offer names.
  static constexpr const char* kIdentifyAction = "FlashLED";

  DiskDiagnosis();
  explicit DiskDiagnosis(Device* drive);

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<DiskDiagnosis>(); }
  // Copies the findings too; the owner stays.
  void Assign(const Persistent& other) override;

  const DiskDiagnosisFlags& Flags() const { return flags_; }

 protected:
  void Diagnose(const XmlObject& command, XmlObject& result) override;

  // The drive's logs: the owning device when it implements DiskLogReader, else null (every read
  // then fails).
  virtual DiskLogReader* LogReader() const;
  // The caption, the serial numbers and the name files of this drive are made from.
  virtual void DescribeDrive(DiskLogReader& reader, XmlObject& result);
  virtual void RecordDriveEntry(const DriveRecord& record);
  virtual void CheckSmartLogs(DiskLogReader& reader, XmlObject& result);
  virtual void CheckDstLogs(DiskLogReader& reader, XmlObject& result);
  virtual void CheckPerformanceLogs(DiskLogReader& reader, XmlObject& result);
  virtual void CheckScsiErrorLogs(DiskLogReader& reader, XmlObject& result);
  virtual void Evaluate(DiskLogReader& reader, XmlObject& result);
  virtual void UpdateAclLog(DiskLogReader& reader, XmlObject& result);

 private:
  void WriteScsiErrorLogs(const std::vector<ScsiErrorLogEntry>& entries) const;
  void Note(XmlObject& result, const char* text) const;

  DiskDiagnosisFlags flags_;
  std::uint8_t lastFailureReason_ = 0;
  std::uint32_t timeStamp_ = 0;
  // The drive's serial number (its device name when it has none), safe as part of a file name.
  std::string fileId_;
};

}  // namespace rb
