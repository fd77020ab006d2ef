#include "devices/tape/scsitape.h"

#include <vector>

#include "devices/tape/tapecapabilities.h"
#include "devices/tape/tapeerrors.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "platform/winstorage.h"
#include "platform/wintape.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/stringutil.h"

namespace rb {

namespace {

// How often, and how far apart, an eject asks again whether the drive is ready.
constexpr int kReadinessRetries = 10;
constexpr win::DWORD kReadinessIntervalMs = 1000;

}  // namespace

ScsiTape::ScsiTape(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path,
                   std::uint8_t target, std::uint8_t lun)
    : ScsiDevice(std::move(name), makeUnique, driver, path, target, lun) {
  SetCaption("Tape Drive");
  SetDescription("Tape Drive");
}

ScsiTape::ScsiTape() = default;

ScsiTape::~ScsiTape() {
  CloseTape();
}

void ScsiTape::SetPattern(const ScsiTapeTestPattern& pattern) {
  pattern_->Assign(pattern);
}

void ScsiTape::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDevice::Stream(stream, writing, version);
  stream.Transfer(tapeNumber_);
  stream.Transfer(deviceFile_);
  stream.TransferOwned(pattern_);
  if (!writing && pattern_ == nullptr) pattern_ = std::make_unique<ScsiTapeTestPattern>();
}

void ScsiTape::Assign(const Persistent& other) {
  ScsiDevice::Assign(other);
  const auto* tape = dynamic_cast<const ScsiTape*>(&other);
  if (tape == nullptr) return;
  tapeNumber_ = tape->tapeNumber_;
  deviceFile_ = tape->deviceFile_;
  pattern_->Assign(*tape->pattern_);
}

void ScsiTape::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    element.AddProperty("Storage", Translate("Storage"), Translate("Tape Drive"));
    DescribeScsiProperties(element, catalogRequest);
    element.AddProperty("deviceFile", Translate("Device File"), deviceFile_);
    DescribeTape(element);
  }
  OfferTests(element, {"ScsiEjectTapeTest", "ScsiTapeTest", "ScsiInsertTapeTest"});
}

void ScsiTape::DescribeTape(XmlObject& element) {
  const win::DWORD status = TapeStatus();
  if (status == win::ERROR_SUCCESS) {
    element.AddProperty("statusDescription", Translate("Status Description"), Translate("Drive Ready"));
  } else {
    element.AddProperty("statusDescription", Translate("Status Description"), Translate("Drive Not Ready"));
    element.AddProperty("tapeStatus", Translate("Tape Status"), ErrorName(status) + ": " + ErrorText(status));
  }
  win::TapeGetDriveParameters drive{};
  win::DWORD size = sizeof drive;
  const win::DWORD error =
      OpenTape() ? os::Current().GetTapeParameters(handle_, win::GET_TAPE_DRIVE_INFORMATION, &size, &drive)
                 : lastError_;
  if (error != win::ERROR_SUCCESS || size < sizeof drive) {
    const win::DWORD shown = error != win::ERROR_SUCCESS ? error : win::ERROR_INVALID_PARAMETER;
    element.AddProperty("driveParameters", Translate("Drive Parameters"), "GetTapeParmErr");
    element.AddProperty("driveParametersError", Translate("Drive Parameters Error"),
                        ErrorName(shown) + ": " + ErrorText(shown));
    return;
  }
  element.AddChild(DescribeTapeCapabilities(drive));
}

bool ScsiTape::Failed(win::DWORD error) {
  lastError_ = error != win::ERROR_SUCCESS ? error : win::ERROR_GEN_FAILURE;
  return false;
}

bool ScsiTape::OpenTape() {
  if (IsOpen()) return true;
  if (deviceFile_.empty()) return Failed(win::ERROR_FILE_NOT_FOUND);
  os::Platform& system = os::Current();
  handle_ = system.CreateFile(deviceFile_, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
  if (handle_ == win::INVALID_HANDLE_VALUE) return Failed(system.GetLastError());
  return true;
}

void ScsiTape::CloseTape() {
  if (!IsOpen()) return;
  os::Current().CloseHandle(handle_);
  handle_ = win::INVALID_HANDLE_VALUE;
}

bool ScsiTape::IsOpen() const {
  return handle_ != win::INVALID_HANDLE_VALUE;
}

win::DWORD ScsiTape::TapeStatus() {
  if (!OpenTape()) return lastError_;
  const win::DWORD status = os::Current().GetTapeStatus(handle_);
  if (status != win::ERROR_SUCCESS) Failed(status);
  return status;
}

bool ScsiTape::Write(const void* buffer, win::DWORD length) {
  if (!OpenTape()) return false;
  os::Platform& system = os::Current();
  win::DWORD written = 0;
  if (!system.WriteFile(handle_, buffer, length, &written)) return Failed(system.GetLastError());
  return written == length || Failed(win::ERROR_END_OF_MEDIA);
}

bool ScsiTape::Read(void* buffer, win::DWORD length, win::DWORD* read) {
  *read = 0;
  if (!OpenTape()) return false;
  os::Platform& system = os::Current();
  return system.ReadFile(handle_, buffer, length, read) || Failed(system.GetLastError());
}

int ScsiTape::Rewind() {
  if (!OpenTape()) return 0;
  const win::DWORD error = os::Current().SetTapePosition(handle_, win::TAPE_REWIND, 0, 0, 0, true);
  if (error != win::ERROR_SUCCESS) {
    Failed(error);
    return 0;
  }
  return 1;
}

bool ScsiTape::WriteFilemark() {
  if (!OpenTape()) return false;
  const win::DWORD error = os::Current().WriteTapemark(handle_, win::TAPE_FILEMARKS, 1, false);
  return error == win::ERROR_SUCCESS || Failed(error);
}

bool ScsiTape::Eject() {
  bool ready = TestUnitReady();
  for (int check = 0; check < kReadinessRetries && !ready; ++check) {
    os::Current().Sleep(kReadinessIntervalMs);
    ready = TestUnitReady();
  }
  if (!ready) {
    DebugPrint("ScsiTape::Eject() - the drive never became ready\n");
    return false;
  }
  return UnloadTape();
}

bool ScsiTape::UnloadTape() {
  CloseTape();
  if (!OpenTape()) return Unload();
  win::DWORD returned = 0;
  os::Platform& system = os::Current();
  const bool unloaded =
      system.DeviceIoControl(handle_, win::IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, &returned);
  if (!unloaded) Failed(system.GetLastError());
  CloseTape();
  return unloaded;
}

bool ScsiTape::FailTest(const std::string& reason) {
  mediaTestFailure_ = reason;
  DebugPrint("ScsiTape::MediaTest() - %s\n", reason.c_str());
  return false;
}

bool ScsiTape::MediaTest(const std::function<void(std::uint32_t, std::uint32_t)>& progress) {
  mediaTestFailure_.clear();
  const ScsiTapeTestPattern& pattern = *pattern_;
  const std::uint32_t blocks = pattern.BlockCount();
  // Writing, then reading back, each block.
  const std::uint32_t steps = 2 * blocks;
  const auto report = [&](std::uint32_t done) {
    if (progress) progress(done, steps);
  };
  if (const win::DWORD status = TapeStatus()) return FailTest(ErrorText(status));
  for (std::uint32_t block = 0; block < blocks; ++block) {
    const std::vector<std::uint8_t> data = pattern.Block(block);
    if (!Write(data.data(), static_cast<win::DWORD>(data.size())))
      return FailTest(StringPrintf("%s (%s %u)", ErrorText(lastError_).c_str(),
                                   Translate("writing block").c_str(), static_cast<unsigned>(block)));
    report(block + 1);
  }
  if (!WriteFilemark()) return FailTest(ErrorText(lastError_));
  if (Rewind() == 0) return FailTest(ErrorText(lastError_));
  // Room for a block longer than the pattern's, so that one is told from a match.
  std::vector<std::uint8_t> buffer(pattern.BlockSize() + 1);
  for (std::uint32_t block = 0; block < blocks; ++block) {
    win::DWORD read = 0;
    if (!Read(buffer.data(), static_cast<win::DWORD>(buffer.size()), &read))
      return FailTest(StringPrintf("%s (%s %u)", ErrorText(lastError_).c_str(),
                                   Translate("reading block").c_str(), static_cast<unsigned>(block)));
    const std::int64_t difference = pattern.FirstDifference(block, buffer.data(), read);
    if (difference >= 0)
      return FailTest(StringPrintf("%s %u %s %lld", Translate("Data read back differs in block").c_str(),
                                   static_cast<unsigned>(block), Translate("at byte").c_str(),
                                   static_cast<long long>(difference)));
    report(blocks + block + 1);
  }
  win::DWORD read = 0;
  if (Read(buffer.data(), static_cast<win::DWORD>(buffer.size()), &read) ||
      lastError_ != win::ERROR_FILEMARK_DETECTED)
    return FailTest(Translate("The filemark written after the pattern was not found"));
  return true;
}

std::string ScsiTape::ErrorText(win::DWORD code) const {
  return TapeErrorLongText(code);
}

std::string ScsiTape::ErrorName(win::DWORD code) const {
  return TapeErrorName(code);
}

}  // namespace rb
