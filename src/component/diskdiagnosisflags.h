#pragma once

#include <cstdint>
#include <string>

namespace rb {

// The sixteen findings of a disk diagnosis as two flag bytes: the first byte holds bits 0 to 7 of
// this enumeration, the second byte bits 8 to 15.
enum class DiskFlag : unsigned {
  kDiagnosisComplete,
  kSmartLogsAvailable,
  kSmartLogsPass,
  kDstLogsAvailable,
  kDstLogsPass,
  kPerformanceLogsAvailable,
  kPerformanceLogsPass,
  kAbortedCommandFailuresPass,
  kErrorLogsAvailable,
  kErrorLogsPass,
  kErrorLog04Pass,
  kErrorLog0BPass,
  kErrorLogCamPass,
  kPhysicalConfigurationAvailable,
  kSmartTripped,
  kAmberLightOn,
};

class DiskDiagnosisFlags {
 public:
  bool Test(DiskFlag flag) const { return (bits_ & Mask(flag)) != 0; }
  void Set(DiskFlag flag, bool value) {
    bits_ = static_cast<std::uint16_t>(value ? bits_ | Mask(flag) : bits_ & ~Mask(flag));
  }
  void Clear() { bits_ = 0; }
  std::uint8_t FirstByte() const { return static_cast<std::uint8_t>(bits_); }
  std::uint8_t SecondByte() const { return static_cast<std::uint8_t>(bits_ >> 8); }

  // "diagnosisComplete: 1,  smartLogsAvailable: 0, ...  amberLightOn: 0,  lastFailureReason: 0x15,
  // timeStamp: 1234": every flag in bit order, then the failure reason and the time stamp.
  std::string Describe(std::uint8_t lastFailureReason, std::uint32_t timeStamp) const;

 private:
  static std::uint16_t Mask(DiskFlag flag) {
    return static_cast<std::uint16_t>(1u << static_cast<unsigned>(flag));
  }

  std::uint16_t bits_ = 0;
};

}  // namespace rb
