#include "component/diskdiagnosis.h"

#include <exception>

#include "framework/device.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/filenamepart.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "support/wholefile.h"

namespace rb {
namespace {

constexpr const char* kDescription =
    "Check of historical parametric data to ensure operating environment and drive operation has been within "
    "acceptable parameters during life of drive.";

// A device that cannot tell its history: every read fails, so the diagnosis says what it could not
// retrieve instead of judging nothing.
class UnreadableDrive final : public DiskLogReader {
 public:
  explicit UnreadableDrive(const Device& device) { description_.description = device.DisplayName(); }

  DriveDescription DescribeDrive() override { return description_; }
  std::vector<DriveRecord> ReadDriveRecords() override { return {}; }
  std::optional<SmartFindings> ReadSmartLogs() override { return std::nullopt; }
  std::optional<DstFindings> ReadDstLogs() override { return std::nullopt; }
  std::optional<PerformanceFindings> ReadPerformanceLogs() override { return std::nullopt; }
  std::optional<std::vector<ScsiErrorLogEntry>> ReadScsiErrorLogs() override { return std::nullopt; }
  bool AmberLightOn() override { return false; }
  std::optional<std::string> ReadApplicationClientLog() override { return std::nullopt; }

 private:
  DriveDescription description_;
};

// A controller command that fails while a log is read counts as a log that could not be read.
template <class Read>
auto Retrieve(Read read) -> decltype(read()) {
  try {
    return read();
  } catch (const OruWarning& failure) {
    DebugPrint("DiskDiagnosis: %s %s\n", failure.Message().c_str(), failure.Detail().c_str());
    return {};
  }
}

// Serial numbers come blank-padded from the drive.
std::string SerialText(const DriveSerialNumber& serial) {
  switch (serial.state) {
    case DriveSerialNumber::State::kKnown:
      return Trim(serial.value);
    case DriveSerialNumber::State::kNotApplicable:
      return Translate("Not applicable");
    case DriveSerialNumber::State::kNotYetAvailable:
      break;
  }
  return Translate("NOT YET AVAILABLE");
}

// Failure reasons under which a lit amber light does not prove a bad drive.
bool LeavesAmberInDoubt(std::uint8_t reason) {
  switch (reason) {
    case 0x04:
    case 0x07:
    case 0x0E:
    case 0x15:
    case 0x16:
    case 0x17:
      return true;
    default:
      return false;
  }
}

XmlObject ErrorLogElement(const ScsiErrorLogEntry& entry) {
  XmlObject element;
  element.SetName("errorLogEntry");
  element.SetAttribute("currentServiceTime",
                       StringPrintf("%lu", static_cast<unsigned long>(entry.currentServiceTime)));
  element.SetAttribute("SCSIStat", StringPrintf("0x%02X", entry.scsiStatus));
  element.SetAttribute("CAMStat", StringPrintf("0x%02X", entry.camStatus));
  element.SetAttribute("SenseKey", StringPrintf("0x%02X", entry.senseKey));
  element.SetAttribute("SenseCode", StringPrintf("0x%02X", entry.senseCode));
  element.SetAttribute("Qual", StringPrintf("0x%02X", entry.qualifier));
  element.SetAttribute("Block-Vl", StringPrintf("0x%08lX", static_cast<unsigned long>(entry.blockValue)));
  element.SetAttribute("Time", StringPrintf("%lu", static_cast<unsigned long>(entry.time)));
  element.SetAttribute("Info", StringPrintf("0x%08lX", static_cast<unsigned long>(entry.info)));
  return element;
}

}  // namespace

DiskDiagnosis::DiskDiagnosis() : DiskDiagnosis(nullptr) {}

DiskDiagnosis::DiskDiagnosis(Device* drive)
    : Diagnosis(kStreamableName, drive, Translate("Disk Diagnosis"), Translate(kDescription)) {}

void DiskDiagnosis::Assign(const Persistent& other) {
  Diagnosis::Assign(other);
  const auto& from = dynamic_cast<const DiskDiagnosis&>(other);
  flags_ = from.flags_;
  lastFailureReason_ = from.lastFailureReason_;
  timeStamp_ = from.timeStamp_;
  fileId_ = from.fileId_;
}

DiskLogReader* DiskDiagnosis::LogReader() const {
  return dynamic_cast<DiskLogReader*>(Owner());
}

void DiskDiagnosis::Diagnose(const XmlObject&, XmlObject& result) {
  flags_.Clear();
  lastFailureReason_ = 0;
  timeStamp_ = 0;
  UnreadableDrive unreadable(*Owner());
  DiskLogReader* reader = LogReader();
  if (reader == nullptr) reader = &unreadable;

  for (const DriveRecord& record : Retrieve([&] { return reader->ReadDriveRecords(); }))
    RecordDriveEntry(record);
  DescribeDrive(*reader, result);
  CheckSmartLogs(*reader, result);
  CheckDstLogs(*reader, result);
  CheckPerformanceLogs(*reader, result);
  CheckScsiErrorLogs(*reader, result);
  Evaluate(*reader, result);
  UpdateAclLog(*reader, result);
  result.SaveToFile(".\\ddlast.xml", false);
}

void DiskDiagnosis::RecordDriveEntry(const DriveRecord& record) {
  if (record.physicalConfiguration) flags_.Set(DiskFlag::kPhysicalConfigurationAvailable, true);
  lastFailureReason_ = record.lastFailureReason;
  timeStamp_ = record.timeStamp;
}

void DiskDiagnosis::DescribeDrive(DiskLogReader& reader, XmlObject& result) {
  const DriveDescription drive = reader.DescribeDrive();
  const std::string description =
      drive.offline ? Translate("Offline Physical Hard Drive") : drive.description;
  const std::string located =
      StringPrintf("%s, %s %s %lu, %s %lu, %s %lu", description.c_str(), Translate("Controller").c_str(),
                   Translate("Slot").c_str(), static_cast<unsigned long>(drive.controllerSlot),
                   Translate("SCSI Bus").c_str(), static_cast<unsigned long>(drive.scsiBus),
                   Translate("SCSI ID").c_str(), static_cast<unsigned long>(drive.scsiId));
  result.SetAttribute(
      "caption", StringPrintf("%s. %s: %s. %s %lu", located.c_str(), Translate("Firmware Revision").c_str(),
                              drive.firmware.c_str(), drive.controllerDescription.c_str(),
                              static_cast<unsigned long>(drive.controllerSlot)));
  result.AddProperty("SerialNumber", Translate("Serial Number"), SerialText(drive.serialNumber));
  result.AddProperty("ControllerSerialNumber", Translate("Controller Serial Number"),
                     SerialText(drive.controllerSerialNumber));

  // A drive without a serial number is known by its device name.
  const std::string serial = drive.serialNumber.state == DriveSerialNumber::State::kKnown
                                 ? Trim(drive.serialNumber.value)
                                 : std::string();
  fileId_ = SafeFileNamePart(serial.empty() ? Owner()->Name() : serial);
}

void DiskDiagnosis::CheckSmartLogs(DiskLogReader& reader, XmlObject& result) {
  const std::optional<SmartFindings> smart = Retrieve([&] { return reader.ReadSmartLogs(); });
  flags_.Set(DiskFlag::kSmartLogsAvailable, smart.has_value());
  if (!smart) return Note(result, "Failed to retrieve SMART logs");
  if (smart->controllerReportedError) Note(result, "Controller has reported a SMART error on this drive");
  if (smart->driveReportedError) Note(result, "Drive has reported a SMART error");
  const bool tripped = smart->controllerReportedError || smart->driveReportedError;
  flags_.Set(DiskFlag::kSmartTripped, tripped);
  flags_.Set(DiskFlag::kSmartLogsPass, !tripped);
}

void DiskDiagnosis::CheckDstLogs(DiskLogReader& reader, XmlObject& result) {
  const std::optional<DstFindings> dst = Retrieve([&] { return reader.ReadDstLogs(); });
  flags_.Set(DiskFlag::kDstLogsAvailable, dst.has_value());
  if (!dst) return Note(result, "Failed to retrieve DST logs");
  if (dst->selfTestError) Note(result, "Drive has reported a DST error");
  flags_.Set(DiskFlag::kDstLogsPass, !dst->selfTestError);
}

void DiskDiagnosis::CheckPerformanceLogs(DiskLogReader& reader, XmlObject& result) {
  const std::optional<PerformanceFindings> performance =
      Retrieve([&] { return reader.ReadPerformanceLogs(); });
  flags_.Set(DiskFlag::kPerformanceLogsAvailable, performance.has_value());
  if (!performance) return Note(result, "Failed to retrieve M&P logs");
  if (performance->criticalThresholdError)
    Note(result, "Controller has reported a critical performance threshold error on this drive");
  flags_.Set(DiskFlag::kPerformanceLogsPass, !performance->criticalThresholdError);
  flags_.Set(DiskFlag::kAbortedCommandFailuresPass, !performance->abortedCommandFailures);
}

// An entry with sense key 04h (hardware error) fails error log 04, one with 0Bh (aborted command)
// fails error log 0B, and one whose command did not pass the transport cleanly fails CAM.
void DiskDiagnosis::CheckScsiErrorLogs(DiskLogReader& reader, XmlObject& result) {
  const std::optional<std::vector<ScsiErrorLogEntry>> entries =
      Retrieve([&] { return reader.ReadScsiErrorLogs(); });
  flags_.Set(DiskFlag::kErrorLogsAvailable, entries.has_value());
  if (!entries) return Note(result, "Failed to retrieve SCSI Error logs");
  WriteScsiErrorLogs(*entries);
  bool hardwareErrorFree = true;
  bool abortFree = true;
  bool transportClean = true;
  for (const ScsiErrorLogEntry& entry : *entries) {
    const unsigned senseKey = entry.senseKey & 0x0Fu;
    hardwareErrorFree = hardwareErrorFree && senseKey != 0x04;
    abortFree = abortFree && senseKey != 0x0B;
    transportClean = transportClean && entry.camStatus == 0;
  }
  flags_.Set(DiskFlag::kErrorLog04Pass, hardwareErrorFree);
  flags_.Set(DiskFlag::kErrorLog0BPass, abortFree);
  flags_.Set(DiskFlag::kErrorLogCamPass, transportClean);
  flags_.Set(DiskFlag::kErrorLogsPass, hardwareErrorFree && abortFree && transportClean);
}

void DiskDiagnosis::WriteScsiErrorLogs(const std::vector<ScsiErrorLogEntry>& entries) const {
  XmlObject logs;
  logs.SetName("scsiErrorLogs");
  for (const ScsiErrorLogEntry& entry : entries) logs.AddChild(ErrorLogElement(entry));
  logs.SaveToFile(".\\scsierrorlast." + fileId_ + ".xml", false);
}

void DiskDiagnosis::Evaluate(DiskLogReader& reader, XmlObject& result) {
  flags_.Set(DiskFlag::kAmberLightOn, reader.AmberLightOn());
  flags_.Set(DiskFlag::kDiagnosisComplete, true);
  result.SetAttribute("DiskDiagnosisFlags", flags_.Describe(lastFailureReason_, timeStamp_));

  const bool logsPass = flags_.Test(DiskFlag::kSmartLogsPass) && flags_.Test(DiskFlag::kDstLogsPass) &&
                        flags_.Test(DiskFlag::kPerformanceLogsPass) && flags_.Test(DiskFlag::kErrorLog04Pass);
  const bool amber = flags_.Test(DiskFlag::kAmberLightOn);
  if (logsPass && !amber) {
    result.SetAttribute("currentState", "passed");
    AddFormattedTextFile(result, "ravelbank.hddpass.htm");
    DebugPrint("Disk Diagnosis is good!!!\n");
  } else if (logsPass && (!flags_.Test(DiskFlag::kPhysicalConfigurationAvailable) ||
                          LeavesAmberInDoubt(lastFailureReason_))) {
    result.SetAttribute("currentState", "unavailable");
    Note(result, "Further troubleshooting required.");
    AddFormattedTextFile(result, "ravelbank.hddunknownamber.htm");
  } else if (logsPass) {
    result.SetAttribute("currentState", "passed");
    AddFormattedTextFile(result, "ravelbank.hddpassamber.htm");
  } else {
    result.SetAttribute("currentState", "failed");
    AddInfo(result, Translate("Failed") + ": " + Translate("Diagnosis") + ": " +
                        Translate("Lucerna Diagnostics Note"));
    AddFormattedTextFile(result, "ravelbank.hddfail.htm");
    XmlObject& identify = AddDeviceAction(result, Translate("Identify Drive"), kIdentifyAction);
    AddFormattedTextFile(identify, "ravelbank.hddidentifydrive.htm");
  }
}

void DiskDiagnosis::UpdateAclLog(DiskLogReader& reader, XmlObject& result) {
  bool written = false;
  try {
    const std::optional<std::string> log = Retrieve([&] { return reader.ReadApplicationClientLog(); });
    written = log.has_value() && WriteWholeFile(".\\ddacllog." + fileId_ + ".bin", *log);
  } catch (const std::exception&) {
    DebugPrint("UpdateAclLogs: Unknown Failure!\n");
  }
  if (!written) Note(result, "Failed to write to Application Client Log");
}

void DiskDiagnosis::Note(XmlObject& result, const char* text) const {
  AddInfo(result, Translate(text));
}

}  // namespace rb
