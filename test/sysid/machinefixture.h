#pragma once

// A simulated machine for the PCI identification tests, as the component and vmlhw_dl see it: the
// description is written to a scratch directory, named by RAVELBANK_MACHINE (which vmlhw_dl reads on
// every call) and installed as the process-wide backend behind a recorder of the trace. The scratch
// directory is the current directory for the life of the fixture, so that the board databases, the
// vendor list and storageconfig.xml are looked for there. Loaded databases, the vendor list and the
// port driver are forgotten at both ends.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "support/portio.h"
#include "sysid/pciidentification.h"

namespace rbtest {

class MachineFixture : public testing::Test {
 protected:
  static constexpr const char* kMachineVariable = "RAVELBANK_MACHINE";

  void SetUp() override {
    if (const char* value = ::getenv(kMachineVariable)) savedMachine_ = value;
    savedDirectory_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    UseMachine("<machine/>");
  }
  void TearDown() override {
    Release();
    if (savedMachine_) {
      ::setenv(kMachineVariable, savedMachine_->c_str(), 1);
    } else {
      ::unsetenv(kMachineVariable);
    }
    std::filesystem::current_path(savedDirectory_);
  }

  // Replaces the machine with one of this description.
  void UseMachine(const std::string& description) {
    Release();
    const std::string path = dir_.Write("machine.xml", description);
    ::setenv(kMachineVariable, path.c_str(), 1);
    machine_ = std::make_unique<os::SimPlatform>(path);
    auto recording = std::make_unique<RecordingPlatform>(*machine_);
    recorder_ = recording.get();
    installed_ = std::make_unique<InstalledPlatform>(std::move(recording));
  }
  // The content of a file (a machine of machines/, for instance).
  static std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Writes a file into the current directory.
  void Write(const std::string& name, const std::string& content) { dir_.Write(name, content); }
  RecordingPlatform& Recorder() { return *recorder_; }
  const ScratchDir& Dir() const { return dir_; }

 private:
  void Release() {
    rb::ResetPortDriverForTesting();
    rb::ResetPciIdentificationForTesting();
    installed_.reset();
    machine_.reset();
  }

  ScratchDir dir_;
  std::optional<std::string> savedMachine_;
  std::filesystem::path savedDirectory_;
  std::unique_ptr<os::SimPlatform> machine_;
  RecordingPlatform* recorder_ = nullptr;
  std::unique_ptr<InstalledPlatform> installed_;
};

}  // namespace rbtest
