#pragma once

// The interface of the fibre-channel adapter diagnostics library qlsdm (libqlsdm.so / qlsdm.dll),
// which the component loads at run time: the entry points, their status codes and the records they
// fill. The library is an outside library on a real machine, so nothing here may change its layout;
// ours (suite/qlsdm/) answers from /sys/class/fc_host on Linux and from the description on a
// simulated machine.

#include <cstddef>
#include <cstdint>

#include "ravelbank/host.h"

namespace rb::qlsdmabi {

inline constexpr const char* kLibraryName = "qlsdm";
inline constexpr const char* kOpenDevice = "SDOpenDevice";
inline constexpr const char* kRunDiagLoopback = "SDRunDiagLoopback";
inline constexpr const char* kCloseDevice = "SDCloseDevice";
inline constexpr const char* kGetHbaInformation = "SDGetHbaInformation";

using SdHandle = std::uint32_t;

// What an entry point answers; the call itself worked only with kStatusOk.
enum SdStatus : std::uint32_t {
  kStatusOk = 0,
  kStatusNoSuchAdapter = 0x20000001,
  kStatusInvalidHandle = 0x20000002,
  kStatusInvalidParameter = 0x20000003,
  kStatusNotSupported = 0x20000004,
  kStatusFailure = 0x20000005,
};

// The loop types of a loopback request: internal at the 10-bit interface, internal at the 1-bit
// interface, and external through a loopback plug on the port.
inline constexpr std::uint8_t kLoopInternal10Bit = 0xB0;
inline constexpr std::uint8_t kLoopInternal1Bit = 0xB1;
inline constexpr std::uint8_t kLoopExternal = 0xB2;

// The verdict of a loopback that ran: the data came back unchanged; the firmware refused the request;
// the loop is down (no light, or the port is offline); the data came back changed.
enum SdLoopbackVerdict : std::uint16_t {
  kVerdictPassed = 1,
  kVerdictInvalidParameter = 2,
  kVerdictLoopDown = 3,
  kVerdictDataMismatch = 4,
};

struct SdLoopbackResult {
  std::uint16_t verdict;  // SdLoopbackVerdict
  std::uint16_t reserved;
  std::uint32_t iterationsCompleted;
  std::uint32_t mismatchedBytes;  // in the last iteration
  std::uint32_t firstMismatch;    // offset of the first changed byte; the buffer length when none
};
static_assert(sizeof(SdLoopbackResult) == 16);

// The port's state as the adapter's driver reports it.
enum SdPortStatus : std::uint32_t {
  kPortUnknown = 0,
  kPortGood = 1,
  kPortFailed = 2,
  kPortOffline = 3,
  kPortPowerOff = 4,
};

// What the adapter's driver tells about an open adapter. Texts are zero-terminated.
struct SdHbaInformation {
  std::uint32_t boardId;  // PCI vendor ID << 16 | device ID
  std::uint8_t pciBus;
  std::uint8_t pciDevice;
  std::uint8_t pciFunction;
  std::uint8_t reserved;
  std::uint32_t status;  // SdPortStatus
  std::uint32_t speedGbit;
  std::uint64_t portName;  // world-wide names
  std::uint64_t nodeName;
  char serialNumber[32];
  char driverName[32];
  char driverDescription[64];
  char firmwareVersion[32];
  std::uint16_t driverVersion[4];  // major, minor, build, release
};
static_assert(sizeof(SdHbaInformation) == 200);
static_assert(offsetof(SdHbaInformation, portName) == 16);

extern "C" {
typedef std::uint32_t(RAVELBANK_HOST_CALL* SDOpenDeviceFunction)(std::uint32_t adapterIndex,
                                                                 SdHandle* handle);
typedef std::uint32_t(RAVELBANK_HOST_CALL* SDRunDiagLoopbackFunction)(
    SdHandle handle, std::uint8_t option, std::uint8_t loopType, void* sendBuffer, std::uint32_t sendLength,
    void* receiveBuffer, std::uint32_t receiveLength, std::uint16_t iterations, SdLoopbackResult* result);
typedef std::uint32_t(RAVELBANK_HOST_CALL* SDCloseDeviceFunction)(SdHandle handle);
typedef std::uint32_t(RAVELBANK_HOST_CALL* SDGetHbaInformationFunction)(SdHandle handle,
                                                                        SdHbaInformation* information);
}

}  // namespace rb::qlsdmabi
