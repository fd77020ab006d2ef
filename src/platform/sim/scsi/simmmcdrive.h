#pragma once

// A simulated MMC optical drive: <optical [medium="1"] [blocks="n"] .../>. It answers discovery
// (INQUIRY, TEST UNIT READY: NOT READY, MEDIUM NOT PRESENT without a medium), READ CAPACITY of the
// medium and START STOP UNIT with the eject bit; the optical issue completes the MMC command set.

#include "platform/sim/scsi/simscsiunit.h"

namespace os {

class SimMmcDrive : public SimScsiUnit {
 public:
  SimMmcDrive(const SimMachine& machine, const rb::XmlObject& element, std::shared_ptr<SimClock> clock);

  bool HasMedium() const { return medium_; }
  // The medium leaves the drive (START STOP UNIT with LoEj, or the eject request of its drive path).
  void Eject() { medium_ = false; }
  bool Removable() const override { return true; }

 protected:
  void Dispatch(SimScsiCommand& command) override;
  bool NotReady(SimScsiCommand& command) override;

 private:
  bool medium_;
  std::uint32_t blocks_;
};

}  // namespace os
