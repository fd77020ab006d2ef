#pragma once

// One operating-system SCSI port ("\\.\SCSI%d:"). Every command opens the port, sends one request
// and closes it (unless a run keeps the port open, see KeepOpen): a CDB with the direct pass-through request,
// or, for SAS and SATA devices behind an adapter that speaks CSMI, a CSMI SSP or STP pass-through through the
// miniport interface.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "devices/scsi/scsicommandrecord.h"
#include "framework/persistent.h"
#include "platform/winapi.h"

namespace rb {

class ScsiDevice;
class XmlObject;

class ScsiDriver : public Persistent {
 public:
  static constexpr const char* kStreamableName = "ScsiDriver";
  static constexpr const char* kPathFormat = "\\\\.\\SCSI%d:";
  // The timeouts of the requests, in seconds.
  static constexpr win::DWORD kPassThroughTimeout = 30;
  static constexpr win::DWORD kCsmiTimeout = 60;

  // The port number parsed out of the path (0 and the unparsed flag when the path has another form),
  // and room that the persistent form keeps.
  struct PortBlock {
    std::uint32_t portNumber = 0;
    std::uint32_t unparsed = 0;
    std::array<std::uint8_t, 512> reserved{};
  };

  // The state a reader starts from.
  ScsiDriver();
  explicit ScsiDriver(std::string path);
  ~ScsiDriver() override;

  const std::string& Path() const { return path_; }
  const PortBlock& Port() const { return *port_; }
  ScsiDriver* CsmiAdapter() const { return csmiAdapter_; }
  ScsiDriver* SecondAdapter() const { return secondAdapter_; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies path and port block; an object of another class leaves this one unchanged.
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiDriver>(); }
  // Answers -1 (kept for drivers of other kinds).
  virtual std::int32_t Kind() const { return -1; }

  // Sends one CDB to the device's address on this port and answers the SCSI status. The data travels
  // in a zero-filled buffer of `length` rounded up to 512 bytes; the caller's bytes are copied in
  // before and out after for every direction. The device's record receives the CDB and 36 sense
  // bytes. A port that cannot be opened or a request the driver refuses raises "Driver reported
  // problem".
  virtual std::uint8_t SendToScsi(ScsiDevice& device, const std::uint8_t* cdb, std::int32_t cdbLength,
                                  void* buffer, std::uint32_t length, int direction);
  // Keeps the port open while the answer lives, so that the commands of a run of many (an access
  // test's thousands of reads, all within one host command) reuse one handle instead of opening the
  // port for each, which costs the system more than the transfer. Holds nest; the last one closes the
  // port. Raises "Driver reported problem" when the port cannot be opened.
  std::shared_ptr<void> KeepOpen();
  // Ejects the medium of the device this path names; false when it could not.
  virtual bool Eject();
  // Adds the "Device Path" property, unless the SPARROW setting is on.
  virtual void Describe(XmlObject& element);
  virtual bool IsSparrow() const;
  virtual void SetCsmiAdapter(ScsiDriver* adapter) { csmiAdapter_ = adapter; }
  virtual void SetSecondAdapter(ScsiDriver* adapter) { secondAdapter_ = adapter; }
  // Sends a CSMI buffer (its SrbIoControl header is filled here) of `length` bytes. True for CSMI
  // return code 0, false for 5 and above; codes 1 to 4, an open failure and a failed driver call raise
  // "Driver reported problem".
  virtual bool CsmiIoctl(win::DWORD controlCode, void* buffer, win::DWORD length);
  // SCSI command over CSMI SSP pass-through (arguments as SendToScsi); never raises. 255 when the
  // request cannot be allocated.
  virtual std::uint8_t SspPassThrough(ScsiDevice& device, const std::uint8_t* cdb, std::int32_t cdbLength,
                                      void* buffer, std::uint32_t length, int direction);
  // ATA command over CSMI STP pass-through: `fis` is a host-to-device register FIS of up to 20 bytes.
  // Answers the ATA status register (status FIS byte 2); never raises. The FIS and SCR copies go to
  // the device's record.
  virtual std::uint8_t StpPassThrough(ScsiDevice& device, const std::uint8_t* fis, std::int32_t fisLength,
                                      void* buffer, std::uint32_t length, int direction);
  // The same for a device that keeps its FIS and SCR copies in `registers` (SATA disks).
  virtual std::uint8_t StpPassThrough(ScsiDevice& device, StpRegisters& registers, const std::uint8_t* fis,
                                      std::int32_t fisLength, void* buffer, std::uint32_t length,
                                      int direction);

  // The system's text for an error code, in the operator's code page rule: converted from code page
  // 932 to UTF-8 when the catalog's language is "ja".
  static std::string SystemErrorText(win::DWORD error);

 private:
  // The port's handle while commands or runs keep it open, with how many do.
  struct OpenPort;
  // Opens the port with the sharing given unless it is open already; the port stays open while the
  // answer lives.
  std::shared_ptr<void> Hold(win::DWORD share);
  // The driver whose path CSMI requests go to.
  const std::string& CsmiPath() const { return csmiAdapter_ != nullptr ? csmiAdapter_->path_ : path_; }
  [[noreturn]] void RaiseDriverProblem(win::DWORD error) const;

  std::string path_;
  std::unique_ptr<PortBlock> port_;
  ScsiDriver* csmiAdapter_ = nullptr;
  ScsiDriver* secondAdapter_ = nullptr;
  std::int32_t handleSlot_ = -1;
  std::shared_ptr<OpenPort> open_;
};

}  // namespace rb
