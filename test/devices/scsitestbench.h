#pragma once

// The test bench of the SCSI layer: a simulated machine installed as the process-wide backend behind
// a recorder of paths and traces, and a SCSI device class with nothing of its own.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "devices/scsi/scsidevice.h"
#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "support/oruerror.h"

namespace rbtest {

class BenchScsiDevice : public rb::ScsiDevice {
 public:
  using ScsiDevice::ScsiDevice;
  BenchScsiDevice() = default;
  void DescribeProperties(rb::XmlObject&, bool) override {}
  std::string StreamableName() const override { return "BenchScsiDevice"; }
  std::unique_ptr<rb::Persistent> Clone() const override { return std::make_unique<BenchScsiDevice>(); }
  bool RoutesThroughCsmi() const override { return routesThroughCsmi; }
  bool CsmiCapable() const override { return csmiCapable; }
  std::uint32_t CsmiProtocolMask() const override { return protocolMask; }

  bool routesThroughCsmi = false;
  bool csmiCapable = false;
  std::uint32_t protocolMask = 0;
};

// The OruError that `call` raises; a failure of the test when it raises none.
template <class Call>
rb::OruError RaisedBy(Call call) {
  try {
    call();
  } catch (const rb::OruError& error) {
    return error;
  }
  ADD_FAILURE() << "no error was raised";
  return rb::OruError("", "");
}

class SimulatedMachine {
 public:
  // `body` is the inside of <machine>; a path names a description file as it stands.
  explicit SimulatedMachine(const std::string& body, bool isPath = false)
      : sim_(std::make_unique<os::SimPlatform>(
            isPath ? body
                   : dir_.Write("machine.xml", "<?xml version=\"1.0\"?>\n<machine>" + body + "</machine>"))),
        installed_(std::make_unique<RecordingPlatform>(*sim_)) {}

  os::SimPlatform& Sim() { return *sim_; }
  RecordingPlatform& Recorder() { return static_cast<RecordingPlatform&>(installed_.Get()); }

 private:
  ScratchDir dir_;
  std::unique_ptr<os::SimPlatform> sim_;
  InstalledPlatform installed_;
};

}  // namespace rbtest
