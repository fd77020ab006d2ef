// scsiprobe: the component's own SCSI command set sent to one device of a SCSI port through the
// operating system's backend (SG_IO on Linux, the direct pass-through on Windows), for the benches. It
// prints one line a command:
//
//   scsiprobe PORT PATH TARGET LUN
//
//   inquiry status=0 type=0 vendor=QEMU product=QEMU HARDDISK
//   serial status=0 RBLSI0001
//   ready yes                        (or: ready no: <the decoded status text's first line>)
//   capacity blocks=131072 length=512
//   read0 status=0 data=RAVELBANK-lsi  (the printable start of block 0)
//
// and, for a disk or optical drive the system names (\\.\PhysicalDriveN, \\.\CdRomN), the ATA
// requests the component sends through the disk driver (SAT on Linux):
//
//   ata identify model=RAVELSATADISK serial=RBAHCI0001 firmware=2.5+   (or: ata identify failed GLE=n)
//   ata smart-status=0                 (disks: 0 healthy, 1 threshold exceeded, -1 failed)
//
//   scsiprobe hold PORT PATH TARGET LUN
//
// asks the system for the disk at that address for writing, as the component does before each write,
// and gives it back: "hold granted holds=N" or "hold refused GLE=n".
//
// A command that raises prints "<command> error <text>: <detail>" and the probe goes on with the next.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "devices/ata/atarequests.h"
#include "devices/scsi/scsidevice.h"
#include "devices/scsi/scsidriver.h"
#include "platform/os.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace {

std::string Printable(const std::uint8_t* bytes, std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length && bytes[i] != 0; ++i)
    text += std::isprint(bytes[i]) != 0 ? static_cast<char>(bytes[i]) : '.';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// The system's path of the disk or optical drive at an address; empty when it has none.
std::string DrivePath(const win::ScsiAddress& wanted, bool* disk) {
  os::Platform& system = os::Current();
  for (const char* kind : {"PhysicalDrive", "CdRom"}) {
    for (int n = 0; n < 32; ++n) {
      const std::string path = rb::StringPrintf("\\\\.\\%s%d", kind, n);
      const win::HANDLE handle =
          system.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE,
                            win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
      if (handle == win::INVALID_HANDLE_VALUE) continue;
      win::ScsiAddress address{};
      win::DWORD returned = 0;
      const bool ok = system.DeviceIoControl(handle, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                                             sizeof address, &returned);
      system.CloseHandle(handle);
      if (ok && address.PortNumber == wanted.PortNumber && address.PathId == wanted.PathId &&
          address.TargetId == wanted.TargetId && address.Lun == wanted.Lun) {
        *disk = kind[0] == 'P';
        return path;
      }
    }
  }
  return {};
}

// A SCSI device with nothing of its own: the command set alone (the device families add the rest).
class ProbeDevice : public rb::ScsiDevice {
 public:
  using ScsiDevice::ScsiDevice;
  void DescribeProperties(rb::XmlObject&, bool) override {}
  std::string StreamableName() const override { return "ProbeDevice"; }
  std::unique_ptr<rb::Persistent> Clone() const override { return nullptr; }
};

template <typename Step>
void Guarded(const char* name, Step step) {
  try {
    step();
  } catch (const rb::OruWarning& error) {
    std::printf("%s error %s: %s\n", name, error.Message().c_str(), error.Detail().c_str());
  }
}

}  // namespace

int Hold(char** argv) {
  const auto number = [&](int index) {
    return static_cast<std::uint8_t>(std::strtoul(argv[index], nullptr, 10));
  };
  os::Platform& system = os::Current();
  std::vector<win::HANDLE> holds;
  if (!system.HoldDiskForWriting(std::string("\\\\.\\SCSI") + argv[1] + ":",
                                 {8, number(1), number(2), number(3), number(4)}, &holds)) {
    std::printf("hold refused GLE=%u\n", static_cast<unsigned>(system.GetLastError()));
    return 0;
  }
  std::printf("hold granted holds=%zu\n", holds.size());
  for (win::HANDLE hold : holds) system.CloseHandle(hold);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 6 && std::string(argv[1]) == "hold") return Hold(argv + 1);
  if (argc != 5) {
    std::fprintf(stderr,
                 "usage: scsiprobe PORT PATH TARGET LUN\n       scsiprobe hold PORT PATH TARGET LUN\n");
    return 2;
  }
  const auto number = [&](int index) {
    return static_cast<std::uint8_t>(std::strtoul(argv[index], nullptr, 10));
  };
  rb::ScsiDriver driver(std::string("\\\\.\\SCSI") + argv[1] + ":");
  ProbeDevice device("probe", false, &driver, number(2), number(3), number(4));

  Guarded("ata", [&] {
    bool disk = false;
    const std::string path = DrivePath({8, number(1), number(2), number(3), number(4)}, &disk);
    if (path.empty()) return;
    rb::AtaIdentify identify;
    if (rb::ata::ReadIdentify(path, "probe", 0, &identify))
      std::printf("ata identify model=%s serial=%s firmware=%s\n", identify.Model().c_str(),
                  identify.Serial().c_str(), identify.Firmware().c_str());
    else
      std::printf("ata identify failed GLE=%u\n", static_cast<unsigned>(os::Current().GetLastError()));
    if (disk) std::printf("ata smart-status=%d\n", rb::ata::SmartReturnStatus(path));
  });
  Guarded("inquiry", [&] {
    const std::uint8_t status = device.Inquiry();
    const auto& data = device.Record().inquiry;
    std::printf("inquiry status=%u type=%u vendor=%s product=%s\n", status, data[0] & 0x1Fu,
                Printable(&data[8], 8).c_str(), Printable(&data[16], 16).c_str());
  });
  Guarded("serial", [&] {
    std::uint8_t page[255] = {};
    const std::uint8_t status = device.InquiryVpd(0x80, page, sizeof page);
    const std::size_t length = std::min<std::size_t>(page[3], sizeof page - 4);
    std::string serial = Printable(&page[4], length);
    serial.erase(0, serial.find_first_not_of(' '));
    std::printf("serial status=%u %s\n", status, serial.c_str());
  });
  Guarded("ready", [&] {
    if (device.TestUnitReady())
      std::printf("ready yes\n");
    else
      std::printf("ready no: %s\n", FirstLine(device.LastStatusText()).c_str());
  });
  Guarded("capacity", [&] {
    rb::ScsiCapacity capacity;
    const std::uint8_t status = device.ReadCapacity(capacity);
    if (status != 0) {
      std::printf("capacity %s\n", FirstLine(device.LastStatusText()).c_str());
      return;
    }
    std::printf("capacity blocks=%llu length=%u\n", static_cast<unsigned long long>(capacity.lastBlock) + 1,
                capacity.blockLength);
    if (capacity.blockLength == 0 || capacity.blockLength > 65536) return;
    std::vector<std::uint8_t> block(capacity.blockLength);
    const std::uint8_t read = device.ReadBlocks(0, 1, capacity.blockLength, block.data());
    std::printf("read0 status=%u data=%s\n", read, Printable(block.data(), 32).c_str());
  });
  return 0;
}
