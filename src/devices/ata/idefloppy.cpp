#include "devices/ata/idefloppy.h"

#include <exception>

#include "devices/ata/atarequests.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"

namespace rb {

IdeFloppy::IdeFloppy(std::string name, bool makeUnique, std::string devicePath)
    : IdeRemovableDrive(std::move(name), makeUnique, std::move(devicePath)) {
  SetCaption("Diskette Drive");
  SetDescription("Diskette Drive");
  SetElementClass("Diskette");
}

IdeFloppy::IdeFloppy() = default;

bool IdeFloppy::Geometry(win::DiskGeometry* geometry) {
  DebugPrint("Getting floppy drive geometry...\n");
  if (!ata::DriveGeometry(DevicePath(), geometry)) return false;
  DebugPrint("The floppy has %d tracks ...\n",
             static_cast<int>(geometry->Cylinders * geometry->TracksPerCylinder));
  return true;
}

bool IdeFloppy::FormatTracks(win::DiskMediaType media, std::uint32_t startCylinder, std::uint32_t endCylinder,
                             std::uint32_t startHead, std::uint32_t endHead) {
  os::Platform& system = os::Current();
  ForgetExtent();
  const win::HANDLE handle = system.CreateFile(DevicePath(), win::GENERIC_READ | win::GENERIC_WRITE,
                                               win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                               win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  if (handle == win::INVALID_HANDLE_VALUE) return false;
  win::DWORD returned = 0;
  // The volume stays locked while its tracks change under the file system.
  bool ok = system.DeviceIoControl(handle, win::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned);
  win::DWORD error = ok ? win::ERROR_SUCCESS : system.GetLastError();
  if (ok) {
    const win::FormatParameters parameters{media, startCylinder, endCylinder, startHead, endHead};
    DebugPrint("track=%d startHead=%d endhead=%d\n", static_cast<int>(startCylinder),
               static_cast<int>(startHead), static_cast<int>(endHead));
    ok = system.DeviceIoControl(handle, win::IOCTL_DISK_FORMAT_TRACKS, &parameters, sizeof parameters,
                                nullptr, 0, &returned);
    if (ok) {
      DebugPrint("Floppy format ok\n");
    } else {
      error = system.GetLastError();
      DebugPrint("Floppy Error:  GetLastError returns %x\n", static_cast<unsigned>(error));
    }
    if (!system.DeviceIoControl(handle, win::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned))
      DebugPrint("Error unlocking the volume\n");
  }
  system.CloseHandle(handle);
  system.SetLastError(error);
  return ok;
}

bool IdeFloppy::WriteBootSector() {
  // A jump over the parameter block, and the parameters of a 1.44 MB diskette.
  std::uint8_t sector[512] = {0xEB, 0x3C, 0x90, 'R',  'A',  'V',  'E',  'L',  'B',  'N',
                              'K',  0x00, 0x02, 0x01, 0x01, 0x00, 0x02, 0xE0, 0x00, 0x40,
                              0x0B, 0xF0, 0x09, 0x00, 0x12, 0x00, 0x02, 0x00};
  sector[510] = 0x55;
  sector[511] = 0xAA;
  DebugPrint("Trying to write the Boot sector\n");
  ForgetExtent();
  try {
    AccessDevice(true, 0, 1, sector);
  } catch (const std::exception&) {
    DebugPrint("Error Writing to device status: %d  bytesReturned: %d\n",
               static_cast<int>(os::Current().GetLastError()), 0);
    return false;
  }
  DebugPrint("Write successful\n");
  return true;
}

std::string IdeFloppy::DensityText() {
  win::DiskGeometry geometry;
  if (!ata::DriveGeometry(DevicePath(), &geometry)) return {};
  return geometry.MediaType == win::F3_1Pt44_512 ? "HighDensity 1.44" : "";
}

void IdeFloppy::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    ForgetExtent();
    const std::string density = DensityText();
    if (!density.empty()) SetDescription(density);
    DescribeRemovable(element, "Diskette Drive");
  }
  OfferTests(element,
             {"FloppyFormatTest", "FloppyLedTest", "FloppyRMTest", "FloppyResetTest", "FloppySoftErrorTest",
              "FloppyUWPTest", "FloppyVerifyTest", "FloppyWRCTest", "IdeFloppyAccessTest"});
}

}  // namespace rb
