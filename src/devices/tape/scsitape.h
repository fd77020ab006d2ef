#pragma once

// A tape drive on a SCSI port: SCSI commands through the port like every SCSI device, and the data,
// marks and positioning through the system's tape device ("\\.\Tape0") with the tape functions. Its
// catalog element shows whether the drive is ready and its capabilities (tapecapabilities.h); its
// tests are the tape eject, media and insert tests.
//
// The tape handle is opened on first use and closed when the device is closed after a command; the
// persistent form adds the tape number, the device file and the test pattern.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "devices/scsi/scsidevice.h"
#include "devices/tape/scsitapetestpattern.h"

namespace rb {

class ScsiTape : public ScsiDevice {
 public:
  static constexpr const char* kStreamableName = "ScsiTape";

  ScsiTape(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path, std::uint8_t target,
           std::uint8_t lun);
  ScsiTape();
  ~ScsiTape() override;

  // The running number discovery gave the drive (from 1), and the system's device that drives it.
  std::int32_t TapeNumber() const { return tapeNumber_; }
  void SetTapeNumber(std::int32_t number) { tapeNumber_ = number; }
  const std::string& DeviceFile() const { return deviceFile_; }
  void SetDeviceFile(std::string path) { deviceFile_ = std::move(path); }
  const ScsiTapeTestPattern& Pattern() const { return *pattern_; }
  void SetPattern(const ScsiTapeTestPattern& pattern);
  // The system error of the last tape operation that failed; the reason the last media test failed.
  win::DWORD LastError() const { return lastError_; }
  const std::string& MediaTestFailure() const { return mediaTestFailure_; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiTape>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
  // The tape handle does not outlive the command.
  void Close() override { CloseTape(); }

  // Adds the drive's state and its capability list to the element: "Status Description" ("Drive
  // Ready", or "Drive Not Ready" with the tape error), then the capabilities or "GetTapeParmErr".
  virtual void DescribeTape(XmlObject& element);
  // Writes the test pattern over its blocks from the start of the tape, then a filemark, rewinds,
  // reads each block back and compares it, and expects the filemark after the last one. Destroys the
  // data on the tape. `progress` (when set) hears blocks done of the blocks to do. False with the
  // reason in MediaTestFailure.
  virtual bool MediaTest(const std::function<void(std::uint32_t, std::uint32_t)>& progress = {});
  // One block written or read at the tape's position, opening the tape first when it is not open.
  virtual bool Write(const void* buffer, win::DWORD length);
  virtual bool Read(void* buffer, win::DWORD length, win::DWORD* read);
  // Rewinds to the start (immediate return); 1 on success, 0 otherwise.
  virtual int Rewind();
  // Tests readiness, up to ten more times one second apart, and unloads the medium of a drive that
  // became ready; false when it never did or the unload failed.
  virtual bool Eject();
  // Opens the device file; false (with the system error) when it cannot be opened.
  virtual bool OpenTape();
  virtual void CloseTape();
  // The long text and the short name of a tape error (tapeerrors.h).
  virtual std::string ErrorText(win::DWORD code) const;
  virtual std::string ErrorName(win::DWORD code) const;
  virtual bool IsOpen() const;

  // Unloads the medium through the tape device (the tape driver's eject), or with the SCSI command
  // when the system has no device for the drive.
  bool UnloadTape();
  // GetTapeStatus; ERROR_SUCCESS when the drive is ready.
  win::DWORD TapeStatus();
  // One filemark at the position.
  bool WriteFilemark();

 private:
  // Records the last error of a failed operation; answers false.
  bool Failed(win::DWORD error);
  bool FailTest(const std::string& reason);

  std::int32_t tapeNumber_ = 0;
  std::string deviceFile_;
  std::unique_ptr<ScsiTapeTestPattern> pattern_ = std::make_unique<ScsiTapeTestPattern>();
  win::HANDLE handle_ = win::INVALID_HANDLE_VALUE;
  win::DWORD lastError_ = win::ERROR_SUCCESS;
  std::string mediaTestFailure_;
};

}  // namespace rb
