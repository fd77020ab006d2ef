#pragma once

// The test bench of the tape family: a simulated machine with one tape drive (\\.\Tape0 at port 0,
// target 3) installed as the process-wide backend behind a watch that counts what reaches the drive
// (readiness checks, blocks and marks written) and can change the data read back; and the drive's
// ScsiTape as discovery makes it.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "devices/scsi/scsidriver.h"
#include "devices/tape/scsitape.h"
#include "platform/forwardingplatform.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "platform/winapi.h"

namespace rbtest {

class TapeWatch : public ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;

  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override {
    if (code == win::IOCTL_SCSI_PASS_THROUGH_DIRECT && in != nullptr &&
        inLength >= sizeof(win::ScsiPassThroughDirect) &&
        static_cast<const win::ScsiPassThroughDirect*>(in)->Cdb[0] == 0x00)
      ++readinessChecks;
    return ForwardingPlatform::DeviceIoControl(handle, code, in, inLength, out, outLength, returned);
  }
  bool WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) override {
    ++blocksWritten;
    return ForwardingPlatform::WriteFile(handle, buffer, toWrite, written);
  }
  bool ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) override {
    const bool ok = ForwardingPlatform::ReadFile(handle, buffer, toRead, read);
    if (ok && corruptRead == ++blocksRead && *read > 100) static_cast<std::uint8_t*>(buffer)[100] ^= 0x01;
    return ok;
  }
  win::DWORD WriteTapemark(win::HANDLE handle, win::DWORD type, win::DWORD count, bool immediate) override {
    ++marksWritten;
    return ForwardingPlatform::WriteTapemark(handle, type, count, immediate);
  }

  int readinessChecks = 0;
  int blocksWritten = 0;
  int blocksRead = 0;
  int marksWritten = 0;
  int corruptRead = 0;  // the read (counted from 1) whose data changes on the way; 0 for none
};

class TapeBench {
 public:
  // `attributes` and `children` of the <tape>.
  explicit TapeBench(const std::string& attributes, const std::string& children = "")
      : sim_(std::make_unique<os::SimPlatform>(dir_.Write(
            "machine.xml", "<?xml version=\"1.0\"?>\n<machine><scsi><port number=\"0\"><tape target=\"3\" vendor=\"RAVEL\" "
                           "product=\"RB TAPE LTO3\" " +
                               attributes + ">" + children + "</tape></port></scsi></machine>"))),
        installed_(std::make_unique<TapeWatch>(*sim_)) {}

  os::SimPlatform& Sim() { return *sim_; }
  TapeWatch& Watch() { return static_cast<TapeWatch&>(installed_.Get()); }
  // The drive as discovery makes it: commands through the port, data through \\.\Tape0.
  std::unique_ptr<rb::ScsiTape> MakeTape() const {
    auto tape = std::make_unique<rb::ScsiTape>("scsiTape", false, nullptr, 0, 3, 0);
    tape->OwnDriver(std::make_unique<rb::ScsiDriver>("\\\\.\\SCSI0:"));
    tape->SetDeviceFile("\\\\.\\Tape0");
    tape->SetTapeNumber(1);
    return tape;
  }

 private:
  ScratchDir dir_;
  std::unique_ptr<os::SimPlatform> sim_;
  InstalledPlatform installed_;
};

}  // namespace rbtest
