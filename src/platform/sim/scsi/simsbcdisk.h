#pragma once

// A simulated SBC disk: <disk blocks="n" [blockSize="512"] [backingFile="..."] [selfTestMinutes="m"]
// [selfTestResult="0"] [selfTestHangs="1"] [selfTestRefused="1"] [noControlPage="1"] [smartTrip="1"]
// [grownDefects="0"] [temperature="30"] [removable="1"] [floppy="1"] [writeProtect="1"] [mounted="1"] ...>,
// with
// <block> and <fault> children. A removable disk (a USB stick) reports a removable medium; a floppy
// (a USB floppy drive) is removable too, and the system's floppy class takes it instead of the disk
// class.
// It answers READ CAPACITY(10)/(16), READ/WRITE/VERIFY(10)/(16), MODE SENSE(6) with the control mode
// page, LOG SENSE pages 00h, 10h (self-test results) and 2Fh (informational exceptions), SEND
// DIAGNOSTIC (default, short and extended self-tests, in the foreground or in the background, whose
// progress REQUEST SENSE reports on the simulated clock), READ DEFECT DATA(10), FORMAT UNIT and START
// STOP UNIT.
// Self-test faults: selfTestResult="r" is the result code every self-test ends with (3 to 7 a failed
// element, 8 to 14 what no run recognises as an end); selfTestHangs="1" a background self-test that
// never ends, its progress stopping halfway; selfTestRefused="1" a drive that refuses to start one;
// selfTestSeconds="s" gives the extended self-test's time in seconds instead of minutes;
// noControlPage="1" a drive without the control mode page, so without an expected self-test time;
// smartTrip="1" a drive whose informational exceptions page reports a failure prediction threshold
// exceeded (ASC 5Dh).

#include <deque>

#include "platform/sim/scsi/simblockstore.h"
#include "platform/sim/scsi/simscsiunit.h"

namespace os {

class SimSbcDisk : public SimScsiUnit {
 public:
  static constexpr std::uint64_t kShortSelfTestMs = 120'000;

  SimSbcDisk(const SimMachine& machine, const rb::XmlObject& element, std::shared_ptr<SimClock> clock);

  std::uint64_t Blocks() const { return store_.Blocks(); }
  std::uint32_t BlockSize() const { return store_.BlockSize(); }
  bool Removable() const override { return removable_ || floppy_; }
  bool Floppy() const { return floppy_; }
  // writeProtect="1": the medium refuses writes (DATA PROTECT).
  bool WriteProtected() const { return writeProtected_; }

 protected:
  void Dispatch(SimScsiCommand& command) override;
  std::optional<std::uint64_t> FirstBlock(const SimScsiCommand& command,
                                          std::uint64_t& blocks) const override;
  bool NotReady(SimScsiCommand& command) override;
  void CurrentSense(SimScsiCommand& command) override;

 private:
  struct SelfTest {
    std::uint8_t code = 0;  // self-test code (1 short, 2 extended)
    std::uint64_t start = 0;
    std::uint64_t duration = 0;
  };
  struct SelfTestResult {
    std::uint8_t code;
    std::uint8_t result;
    std::uint64_t hours;
  };

  void ReadCapacity(SimScsiCommand& command, bool sixteen);
  void Transfer(SimScsiCommand& command);
  void ModeSense(SimScsiCommand& command);
  void LogSense(SimScsiCommand& command);
  void SendDiagnostic(SimScsiCommand& command);
  void ReadDefects(SimScsiCommand& command);
  // Moves a background self-test that has run its time into the results log.
  void FinishSelfTest();
  void Record(std::uint8_t code);

  SimBlockStore store_;
  std::uint64_t extendedSelfTestMs_;
  std::uint8_t selfTestResult_;
  std::uint32_t grownDefects_;
  std::uint8_t temperature_;
  bool removable_;
  bool floppy_;
  bool writeProtected_;
  bool selfTestHangs_;
  bool selfTestRefused_;
  bool noControlPage_;
  bool smartTrip_;
  bool stopped_ = false;
  std::optional<SelfTest> running_;
  std::deque<SelfTestResult> results_;
};

}  // namespace os
