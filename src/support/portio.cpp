#include "support/portio.h"

#include <atomic>

#include "platform/os.h"
#include "support/debug.h"
#include "support/mutex.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

namespace {

constexpr const char* kDriverPath = "\\\\.\\qxdvmkd";
constexpr std::uint32_t kNoDriver = 1;
// The CMOS index and data ports of the real-time clock: a stray write there can corrupt the clock or
// the firmware settings.
constexpr std::uint32_t kRtcIndexPort = 0x70;
constexpr std::uint32_t kRtcDataPort = 0x71;

// The driver handle: null until the first open, INVALID_HANDLE_VALUE when the open failed. The open
// runs under the mutex; once set, the handle is only read.
Mutex driverMutex;
std::atomic<win::HANDLE> driver{nullptr};

win::HANDLE Driver() {
  if (win::HANDLE handle = driver.load(std::memory_order_acquire)) return handle;
  MutexLock lock(driverMutex);
  if (win::HANDLE handle = driver.load(std::memory_order_acquire)) return handle;
  os::Platform& platform = os::Current();
  win::HANDLE opened = platform.CreateFile(kDriverPath, win::GENERIC_READ | win::GENERIC_WRITE,
                                           win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING,
                                           win::FILE_ATTRIBUTE_NORMAL);
  if (opened == win::INVALID_HANDLE_VALUE) {
    DebugPrint(
        "driver: InitializePhysicalHardware(): Unable to open or find qxdvmkd driver.  GetLastError returned "
        "%d\n",
        static_cast<int>(platform.GetLastError()));
  }
  // A wait on the mutex that timed out lets two threads open at once: the first to finish wins.
  win::HANDLE expected = nullptr;
  if (!driver.compare_exchange_strong(expected, opened, std::memory_order_acq_rel)) {
    if (opened != win::INVALID_HANDLE_VALUE) platform.CloseHandle(opened);
    return expected;
  }
  return opened;
}

// The text of a refused access, given to the debugger output and raised as the error's message.
[[noreturn]] void Refuse(const std::string& text) {
  os::Current().OutputDebugString(text.c_str());
  throw OruError(text, "");
}

// One port request; answers the OruDeviceIoControl result and leaves the answer in `request`.
std::uint32_t PortRequest(std::uint32_t code, win::PortIoRequest& request) {
  std::uint32_t returned = 0;
  return OruDeviceIoControl(code, &request, sizeof request, &request, sizeof request, &returned);
}

}  // namespace

bool PortDriverPresent() {
  return Driver() != win::INVALID_HANDLE_VALUE;
}

std::uint32_t OruDeviceIoControl(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                                 std::uint32_t outLength, std::uint32_t* returned) {
  const win::HANDLE handle = Driver();
  if (handle == win::INVALID_HANDLE_VALUE) return kNoDriver;
  os::Platform& platform = os::Current();
  if (platform.DeviceIoControl(handle, code, in, inLength, out, outLength, returned)) return 0;
  const win::DWORD error = platform.GetLastError();
  DebugPrint("driver: OruDeviceIoControl(): DeviceIoControl failed.  GetLastError() = %d\n",
             static_cast<int>(error));
  return error;
}

void IoportOut(std::uint32_t port, std::uint32_t width, std::uint32_t value) {
  if (!PortDriverPresent()) throw OruError("Health Driver IOCTL Failed", "");
  if (port == kRtcIndexPort || port == kRtcDataPort)
    Refuse(StringPrintf("IoportOut: portaddr:0x%x value:0x%x\n", port, value));
  win::PortIoRequest request = {port, 0, width, value};
  const std::uint32_t result = PortRequest(win::IOCTL_WRITE_IO_PORT, request);
  if (result != 0)
    DebugPrint("portio: IoportOut(): OruDeviceIoControl(IOCTL_WRITE_IO_PORT...) failure. Return = %d\n",
               static_cast<int>(result));
}

std::uint32_t IoportIn(std::uint32_t port, std::uint32_t width) {
  if (!PortDriverPresent()) throw OruError("Health Driver IOCTL Failed", "");
  if (port == kRtcIndexPort || port == kRtcDataPort) Refuse(StringPrintf("IoportIn: portaddr:0x%x\n", port));
  win::PortIoRequest request = {port, 0, width, 0};
  const std::uint32_t result = PortRequest(win::IOCTL_READ_IO_PORT, request);
  if (result != 0) {
    DebugPrint("portio: IoportIn(): OruDeviceIoControl(IOCTL_READ_IO_PORT...) failure. Return = %d\n",
               static_cast<int>(result));
    return 0;
  }
  return request.value;
}

void ResetPortDriverForTesting() {
  MutexLock lock(driverMutex);
  const win::HANDLE handle = driver.exchange(nullptr, std::memory_order_acq_rel);
  if (handle != nullptr && handle != win::INVALID_HANDLE_VALUE) os::Current().CloseHandle(handle);
}

}  // namespace rb
