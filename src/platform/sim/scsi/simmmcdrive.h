#pragma once

// A simulated MMC optical drive with a tray:
//   <optical [medium="1"] [tray="open"] [media="rom|blank|written|full"] [blocks="n"] [written="n"]
//            [disc="cd|dvd"] [writeProtect="1"] [noSpinUp="1"] [unreportedChange="1"] .../>
// medium="1" puts a disc in the tray; tray="open" starts with the tray out (no disc is then seen).
// `media` is the disc: "rom" (the default) is pressed data over all its `blocks` (333000 unless
// given); "blank", "written" and "full" are recordable discs of `blocks` capacity with nothing, the
// first `written` blocks (half unless given) or everything recorded. writeProtect="1" is a disc whose
// cartridge tab forbids writing; noSpinUp="1" a drive whose spindle never comes up (NOT READY, and
// START UNIT fails); unreportedChange="1" a drive that misses medium changes and keeps answering as
// it did before its tray opened. Opening the tray hands the disc to the operator: it is out of the
// drive when the tray closes again.
// It answers TEST UNIT READY, START STOP UNIT (start, eject, load), READ CAPACITY, READ(10) and (16),
// WRITE(10) at the next writable address of a recordable disc, READ TRACK INFORMATION of the
// invisible track, MODE SENSE(10) and MODE SELECT(10) of the write parameters page (05h) with the
// write-protect bit in the header, SYNCHRONIZE CACHE and GET CONFIGURATION's current profile.

#include <map>
#include <vector>

#include "platform/sim/scsi/simscsiunit.h"

namespace os {

class SimMmcDrive : public SimScsiUnit {
 public:
  enum class Media { kRom, kBlank, kWritten, kFull };

  SimMmcDrive(const SimMachine& machine, const rb::XmlObject& element, std::shared_ptr<SimClock> clock);

  bool HasMedium() const { return medium_ && !trayOpen_; }
  bool TrayOpen() const { return trayOpen_; }
  bool Removable() const override { return true; }

 protected:
  void Dispatch(SimScsiCommand& command) override;
  bool NotReady(SimScsiCommand& command) override;

 private:
  static constexpr std::uint32_t kBlockSize = 2048;

  bool Recordable() const { return media_ != Media::kRom; }
  // The tray's and the disc's state as the drive reports it: the real one, or the one from before
  // the tray last opened when the drive misses changes.
  bool ReportsMedium() const { return unreportedChange_ ? reportedMedium_ : HasMedium(); }
  void StartStop(SimScsiCommand& command);
  void Read(SimScsiCommand& command);
  void Write(SimScsiCommand& command);
  void TrackInformation(SimScsiCommand& command);
  void ModeSense(SimScsiCommand& command);
  void ModeSelect(SimScsiCommand& command);
  void Configuration(SimScsiCommand& command);

  bool medium_;
  bool trayOpen_;
  Media media_;
  std::uint32_t blocks_;
  std::uint32_t recorded_;  // blocks recorded from the start of the disc
  bool dvd_;
  bool writeProtect_;
  bool noSpinUp_;
  bool unreportedChange_;
  bool reportedMedium_;
  std::uint8_t writeParameters_[0x34] = {};  // page 05h as the last MODE SELECT left it
  std::map<std::uint32_t, std::vector<std::uint8_t>> writtenBlocks_;
};

}  // namespace os
