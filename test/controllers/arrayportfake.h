#pragma once

// A recording fake of the SCSI ports of array controllers: "\\.\SCSIn:" opens for the ports declared
// (each with its own handle), every miniport request is kept with the handle it went to, and the
// controller queries are answered from each port's declaration: the controller class a signature
// finds, the bus type and PCI location, and whether the status query fails. Requests of other
// signatures are answered by the test. Waits and traces are recorded; everything else goes to the
// native backend.

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/forwardingplatform.h"
#include "platform/winapi.h"

namespace rbtest {

class ArrayPortFake : public ForwardingPlatform {
 public:
  struct Port {
    // The controller class the configuration query answers, by signature; a signature not listed
    // makes every query fail (return code 1).
    std::map<std::string, std::uint8_t> classBySignature;
    bool statusFails = false;
    std::uint8_t busType = 3;
    std::uint8_t bus = 0, device = 0, function = 0;
  };
  struct Call {
    win::HANDLE handle;
    win::DWORD code;
    std::vector<std::uint8_t> bytes;
  };

  ArrayPortFake() : ForwardingPlatform(os::Native()) {}

  static win::HANDLE HandleOf(unsigned port) { return reinterpret_cast<win::HANDLE>(0x7100 + port); }

  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flags) override {
    opens.push_back({path, access, share, disposition, flags});
    unsigned port = 0;
    if (std::sscanf(path.c_str(), "\\\\.\\SCSI%u:", &port) != 1 || ports.count(port) == 0 ||
        failedOpens > 0) {
      if (failedOpens > 0) --failedOpens;
      SetLastError(2);
      return win::INVALID_HANDLE_VALUE;
    }
    ++openHandles;
    return HandleOf(port);
  }
  bool CloseHandle(win::HANDLE) override {
    --openHandles;
    return true;
  }
  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override {
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    calls.push_back({handle, code, std::vector<std::uint8_t>(bytes, bytes + inLength)});
    if (ioctlError != 0) {
      SetLastError(ioctlError);
      return false;
    }
    auto* header = static_cast<win::SrbIoControl*>(out);
    const std::string signature(reinterpret_cast<const char*>(header->Signature),
                                strnlen(reinterpret_cast<const char*>(header->Signature), 8));
    const unsigned port = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(handle) - 0x7100);
    if (signature == "CSMIALL" || signature == "ZBRCSMI") {
      AnswerQuery(ports.at(port), signature, *header, static_cast<std::uint8_t*>(out) + 28);
    } else if (answer) {
      answer(static_cast<std::uint8_t*>(out), outLength);
    }
    if (returned != nullptr) *returned = outLength;
    return true;
  }

  void OutputDebugString(const char* text) override { traces.push_back(text); }
  // The simulated wait: recorded, not waited.
  void Sleep(win::DWORD milliseconds) override { sleeps.push_back(milliseconds); }

  struct Open {
    std::string path;
    win::DWORD access, share, disposition, flags;
  };

  std::map<unsigned, Port> ports;
  std::function<void(std::uint8_t* request, win::DWORD length)> answer;
  win::DWORD ioctlError = 0;
  int failedOpens = 0;
  int openHandles = 0;
  std::vector<Open> opens;
  std::vector<Call> calls;
  std::vector<win::DWORD> sleeps;
  std::vector<std::string> traces;

 private:
  static void AnswerQuery(const Port& port, const std::string& signature, win::SrbIoControl& header,
                          std::uint8_t* body) {
    const auto found = port.classBySignature.find(signature);
    if (found == port.classBySignature.end()) {
      header.ReturnCode = 1;
      return;
    }
    header.ReturnCode = 0;
    if (header.ControlCode == 3 && port.statusFails) header.ReturnCode = 1;
    if (header.ControlCode != 2) return;
    body[18] = found->second;
    body[19] = port.busType;
    body[20] = port.bus;
    body[21] = port.device;
    body[22] = port.function;
  }
};

}  // namespace rbtest
