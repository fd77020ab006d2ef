#include "platform/linux/linuxstoragemap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/fakestoragesysfs.h"
#include "platform/linux/linuxplatform.h"
#include "platform/recordingioctllayer.h"
#include "platform/scratchdir.h"

namespace {

using os::LinuxAttachment;
using os::LinuxStorageUnit;

class LinuxStorageMapTest : public testing::Test {
 protected:
  os::LinuxPlatform Platform() {
    return os::LinuxPlatform({sysfs_.Root(), dir_.File("dev"), dir_.File("mounts")});
  }

  rbtest::ScratchDir dir_;
  rbtest::FakeStorageSysfs sysfs_{dir_.File("sys")};
};

TEST_F(LinuxStorageMapTest, UnitsAreNamedAndNumberedInAddressOrder) {
  const os::LinuxStorageMap map = os::LinuxStorageMap::Scan(sysfs_.Root());
  struct Expected {
    std::string dosName, node, vendor, product, revision, serial;
    unsigned port, target;
    LinuxAttachment attachment;
    std::uint64_t blocks;
    std::uint32_t blockSize;
  };
  const Expected expected[] = {
      {"PhysicalDrive0", "sda", "QEMU", "QEMU HARDDISK", "2.5+", "RBLSI0001", 0, 0, LinuxAttachment::kScsi,
       2097152, 512},
      {"CdRom0", "sr0", "QEMU", "QEMU CD-ROM", "2.5+", "", 0, 2, LinuxAttachment::kScsi, 0, 512},
      {"Tape0", "st0", "HP", "Ultrium 5-SCSI", "Z6ED", "", 0, 5, LinuxAttachment::kScsi, 0, 512},
      {"PhysicalDrive1", "sdb", "QEMU", "QEMU HARDDISK", "2.5+", "RBUSB0001", 1, 0, LinuxAttachment::kUsb,
       131072, 512},
      {"PhysicalDrive2", "sdc", "ATA", "RAVELSATADISK", "2.5+", "", 2, 0, LinuxAttachment::kIde, 131072, 512},
      // The own port follows the highest SCSI host: NVMe, then virtio, then loop devices.
      {"PhysicalDrive3", "nvme0n1", "NVMe", "QEMU NVMe Ctrl", "8.0.", "RBNVME0001", 3, 0,
       LinuxAttachment::kOwnPort, 131072 * 512 / 4096, 4096},
      {"PhysicalDrive4", "vda", "Virtio", "Block Device", "", "RBVBLK0001", 3, 1, LinuxAttachment::kOwnPort,
       131072, 512},
      {"PhysicalDrive5", "loop0", "Linux", "Loop Device", "", "", 3, 2, LinuxAttachment::kOwnPort, 2048, 512},
  };
  ASSERT_EQ(map.Units().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const LinuxStorageUnit& unit = map.Units()[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(e.dosName);
    EXPECT_EQ(unit.DosName(), e.dosName);
    EXPECT_EQ(unit.node, e.node);
    EXPECT_EQ(unit.vendor, e.vendor);
    EXPECT_EQ(unit.product, e.product);
    EXPECT_EQ(unit.revision, e.revision);
    EXPECT_EQ(unit.serial, e.serial);
    EXPECT_EQ(unit.port, e.port);
    EXPECT_EQ(unit.path, 0);
    EXPECT_EQ(unit.target, e.target);
    EXPECT_EQ(unit.lun, 0);
    EXPECT_EQ(unit.attachment, e.attachment);
    EXPECT_EQ(unit.blocks, e.blocks);
    EXPECT_EQ(unit.blockSize, e.blockSize);
    EXPECT_NE(unit.sysfsPath.find("/sys/devices/"), std::string::npos) << unit.sysfsPath;
  }
  EXPECT_EQ(map.Units()[0].pciFunction, "0000:00:05.0");
  EXPECT_EQ(map.Units()[3].pciFunction, "0000:00:06.0");  // a USB disk's is its controller's
  EXPECT_EQ(map.Units()[5].nvmeController, "nvme0");
  EXPECT_TRUE(map.Units()[5].solidState);
  EXPECT_FALSE(map.Units()[6].solidState);  // a virtio disk the kernel takes as rotating
  EXPECT_EQ(map.OwnPort(), 3u);
  ASSERT_NE(map.FindByDosName("physicaldrive4"), nullptr);
  EXPECT_EQ(map.FindByDosName("physicaldrive4")->node, "vda");
  EXPECT_EQ(map.FindByDosName("PhysicalDrive6"), nullptr);
}

TEST_F(LinuxStorageMapTest, TheOwnPortIsNamedAfterItsKindAndAbsentWithoutDisks) {
  struct Case {
    std::vector<std::string> remove;
    const char* driver;
    unsigned port;
  };
  const Case cases[] = {{{"block/vda", "block/loop0"}, "nvme", 3},
                        {{"block/nvme0n1", "block/loop0"}, "virtio_blk", 3},
                        {{"block/nvme0n1", "block/vda", "class/scsi_host"}, "loop", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.driver);
    rbtest::ScratchDir dir;
    rbtest::FakeStorageSysfs sysfs(dir.File("sys"));
    for (const std::string& path : c.remove) std::filesystem::remove_all(sysfs.Root() + "/" + path);
    const os::LinuxStorageMap map = os::LinuxStorageMap::Scan(sysfs.Root());
    EXPECT_EQ(map.OwnPort(), c.port);
    ASSERT_NE(map.Host(c.port), nullptr);
    EXPECT_EQ(map.Host(c.port)->driver, c.driver);
  }
  rbtest::ScratchDir dir;
  rbtest::FakeStorageSysfs sysfs(dir.File("sys"));
  for (const char* path : {"block/nvme0n1", "block/vda", "block/loop0"})
    std::filesystem::remove_all(sysfs.Root() + "/" + path);
  EXPECT_FALSE(os::LinuxStorageMap::Scan(sysfs.Root()).OwnPort().has_value());
}

TEST_F(LinuxStorageMapTest, PortsAreNumberedWithoutTheGapsOfTheKernelsHosts) {
  // Host 2 went away and came back as host 7 (an unplugged and replugged adapter).
  namespace fs = std::filesystem;
  fs::rename(sysfs_.Root() + "/class/scsi_host/host2", sysfs_.Root() + "/class/scsi_host/host7");
  fs::rename(sysfs_.Root() + "/bus/scsi/devices/2:0:0:0", sysfs_.Root() + "/bus/scsi/devices/7:0:0:0");
  rbtest::RecordingIoctlLayer layer;
  os::LinuxPlatform platform({sysfs_.Root(), "/dev", dir_.File("mounts")}, layer);
  win::HKEY key = nullptr;
  ASSERT_EQ(platform.RegOpenKey(win::HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 2", 0, &key),
            win::ERROR_SUCCESS);
  char driver[32] = {};
  win::DWORD type = 0, size = sizeof driver;
  ASSERT_EQ(platform.RegQueryValue(key, "Driver", &type, driver, &size), win::ERROR_SUCCESS);
  EXPECT_STREQ(driver, "ahci");
  platform.RegCloseKey(key);
  EXPECT_EQ(os::LinuxStorageMap::Scan(sysfs_.Root()).OwnPort(), 3u);

  // The disk of port 2 answers at its address, and its commands go to host 7's generic node.
  const win::HANDLE disk = platform.CreateFile(
      "\\\\.\\PhysicalDrive2", win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
  ASSERT_NE(disk, win::INVALID_HANDLE_VALUE);
  win::ScsiAddress address{};
  win::DWORD returned = 0;
  ASSERT_TRUE(platform.DeviceIoControl(disk, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                                       sizeof address, &returned));
  EXPECT_EQ(address.PortNumber, 2);
  std::uint8_t data[36];
  win::ScsiPassThroughDirectWithSense request{};
  request.header.Length = sizeof request.header;
  request.header.CdbLength = 6;
  request.header.DataIn = win::SCSI_IOCTL_DATA_IN;
  request.header.DataTransferLength = sizeof data;
  request.header.DataBuffer = data;
  request.header.SenseInfoOffset = offsetof(win::ScsiPassThroughDirectWithSense, sense);
  request.header.Cdb[0] = 0x12;
  request.header.Cdb[4] = sizeof data;
  for (const char* path : {"\\\\.\\PhysicalDrive2", "\\\\.\\SCSI2:"}) {
    SCOPED_TRACE(path);
    const win::HANDLE handle =
        platform.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
    ASSERT_NE(handle, win::INVALID_HANDLE_VALUE);
    layer.opened.clear();
    EXPECT_TRUE(platform.DeviceIoControl(handle, win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request,
                                         sizeof request, &request, sizeof request, &returned));
    EXPECT_EQ(layer.opened, std::vector<std::string>{"/dev/sg3"});
    platform.CloseHandle(handle);
  }
  platform.CloseHandle(disk);
  EXPECT_EQ(platform.CreateFile("\\\\.\\SCSI7:", win::GENERIC_READ, 0, win::OPEN_EXISTING, 0),
            win::INVALID_HANDLE_VALUE);
}

TEST_F(LinuxStorageMapTest, TheDeviceMapHasAKeyAPortWithDriverAndIoAddress) {
  os::LinuxPlatform platform = Platform();
  struct Case {
    unsigned port;
    const char* driver;
    std::optional<win::DWORD> ioAddress;
  };
  const Case cases[] = {{0, "sym53c8xx", 0xC000},
                        {1, "usb-storage", std::nullopt},
                        {2, "ahci", 0xD000},
                        {3, "block", std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    win::HKEY key = nullptr;
    ASSERT_EQ(platform.RegOpenKey(win::HKEY_LOCAL_MACHINE,
                                  "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port " + std::to_string(c.port), 0, &key),
              win::ERROR_SUCCESS);
    char text[256] = {};
    win::DWORD type = 0, size = sizeof text;
    ASSERT_EQ(platform.RegQueryValue(key, "Driver", &type, text, &size), win::ERROR_SUCCESS);
    EXPECT_EQ(type, win::REG_SZ);
    EXPECT_EQ(std::string(text), c.driver);
    EXPECT_EQ(size, std::strlen(c.driver) + 1);
    win::DWORD address = 0;
    size = sizeof address;
    const win::DWORD error = platform.RegQueryValue(key, "IOAddress", &type, &address, &size);
    if (c.ioAddress) {
      EXPECT_EQ(error, win::ERROR_SUCCESS);
      EXPECT_EQ(type, win::REG_DWORD);
      EXPECT_EQ(address, *c.ioAddress);
    } else {
      EXPECT_EQ(error, win::ERROR_FILE_NOT_FOUND);
    }
    // Asking the size alone, and a buffer that is too small.
    size = 0;
    EXPECT_EQ(platform.RegQueryValue(key, "Driver", &type, nullptr, &size), win::ERROR_SUCCESS);
    EXPECT_EQ(size, std::strlen(c.driver) + 1);
    size = 2;
    EXPECT_EQ(platform.RegQueryValue(key, "Driver", &type, text, &size), win::ERROR_MORE_DATA);
    EXPECT_EQ(platform.RegCloseKey(key), win::ERROR_SUCCESS);
    EXPECT_EQ(platform.RegQueryValue(key, "Driver", &type, text, &size), win::ERROR_INVALID_HANDLE);
  }
  win::HKEY key = nullptr;
  EXPECT_EQ(platform.RegOpenKey(win::HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 4", 0, &key),
            win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(platform.RegOpenKey(win::HKEY_LOCAL_MACHINE, "hardware\\devicemap\\scsi", 0, &key),
            win::ERROR_SUCCESS);
  EXPECT_EQ(platform.RegCloseKey(key), win::ERROR_SUCCESS);
  EXPECT_EQ(platform.RegOpenKey(win::HKEY_LOCAL_MACHINE,
                                "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinPe", 0, &key),
            win::ERROR_FILE_NOT_FOUND);
}

// The NUL-separated names of a QueryDosDevice answer.
std::vector<std::string> Names(const char* list, win::DWORD length) {
  std::vector<std::string> names;
  for (win::DWORD at = 0; at < length && list[at] != '\0';
       at += static_cast<win::DWORD>(names.back().size()) + 1)
    names.emplace_back(list + at);
  return names;
}

TEST_F(LinuxStorageMapTest, DosNamesListEveryDiskAndOpenToTheirAddresses) {
  os::LinuxPlatform platform = Platform();
  char list[4096];
  const win::DWORD length = platform.QueryDosDevice("", list, sizeof list);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(list[length - 1], '\0');
  EXPECT_EQ(list[length - 2], '\0');
  EXPECT_EQ(Names(list, length),
            (std::vector<std::string>{"PhysicalDrive0", "CdRom0", "Tape0", "PhysicalDrive1", "PhysicalDrive2",
                                      "PhysicalDrive3", "PhysicalDrive4", "PhysicalDrive5",
                                      "Scsi0:", "Scsi1:", "Scsi2:", "Scsi3:"}));
  EXPECT_EQ(platform.QueryDosDevice("", list, length - 1), 0u);
  EXPECT_EQ(platform.GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  ASSERT_GT(platform.QueryDosDevice("physicaldrive4", list, sizeof list), 0u);
  EXPECT_STREQ(list, "\\Device\\Harddisk4\\DR4");
  EXPECT_EQ(platform.QueryDosDevice("PhysicalDrive9", list, sizeof list), 0u);
  EXPECT_EQ(platform.GetLastError(), win::ERROR_FILE_NOT_FOUND);

  // The optical drive's node stands in for /dev/sr0; disks open without touching their nodes.
  std::filesystem::create_directories(dir_.File("dev"));
  dir_.Write("dev/sr0", "");
  struct Case {
    const char* path;
    win::ScsiAddress address;
  };
  const Case cases[] = {{"\\\\.\\PhysicalDrive0", {8, 0, 0, 0, 0}},
                        {"\\\\.\\PHYSICALDRIVE2", {8, 2, 0, 0, 0}},
                        {"\\\\.\\PhysicalDrive5", {8, 3, 0, 2, 0}},
                        {"\\\\.\\CdRom0", {8, 0, 0, 2, 0}},
                        {"\\\\.\\Tape0", {8, 0, 0, 5, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const win::HANDLE handle =
        platform.CreateFile(c.path, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
    ASSERT_NE(handle, win::INVALID_HANDLE_VALUE);
    win::ScsiAddress address{};
    win::DWORD returned = 0;
    ASSERT_TRUE(platform.DeviceIoControl(handle, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                                         sizeof address, &returned));
    EXPECT_EQ(returned, 8u);
    EXPECT_EQ(std::memcmp(&address, &c.address, sizeof address), 0)
        << int(address.PortNumber) << ":" << int(address.PathId) << ":" << int(address.TargetId);
    EXPECT_TRUE(platform.CloseHandle(handle));
  }
  EXPECT_EQ(platform.CreateFile("\\\\.\\PhysicalDrive6", win::GENERIC_READ, 0, win::OPEN_EXISTING, 0),
            win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform.GetLastError(), win::ERROR_FILE_NOT_FOUND);
}

std::string Text(const os::SetupDevice& device, win::DWORD property) {
  const os::SetupProperty* p = device.Find(property);
  return p == nullptr ? "(none)" : std::string(p->data.begin(), p->data.end() - 1);
}

TEST_F(LinuxStorageMapTest, SetupClassesListTheirDevicesWithWindowsIdsAndProperties) {
  os::LinuxPlatform platform = Platform();
  std::vector<os::SetupDevice> disks;
  ASSERT_EQ(platform.SetupEnumerate(win::GUID_DEVCLASS_DISKDRIVE, win::GUID_DEVINTERFACE_DISK, &disks),
            os::SetupResult::kOk);
  ASSERT_EQ(disks.size(), 6u);
  struct Expected {
    const char* instanceId;
    const char* friendlyName;
    const char* enumerator;
    const char* firstHardwareId;
  };
  const Expected expected[] = {
      {"SCSI\\DISK&VEN_QEMU&PROD_QEMU_HARDDISK&REV_2.5+\\0&0&000000", "QEMU QEMU HARDDISK SCSI Disk Device",
       "SCSI", "SCSI\\DiskQEMU____QEMU_HARDDISK___2.5+"},
      {"USBSTOR\\DISK&VEN_QEMU&PROD_QEMU_HARDDISK&REV_2.5+\\RBUSB0001&0", "QEMU QEMU HARDDISK USB Device",
       "USBSTOR", "USBSTOR\\DiskQEMU____QEMU_HARDDISK___2.5+"},
      {"IDE\\DISKRAVELSATADISK___________________________2.5+____\\5&2&0&0.0.0", "RAVELSATADISK", "IDE",
       "IDE\\DiskRAVELSATADISK___________________________2.5+____"},
      {"SCSI\\DISK&VEN_NVME&PROD_QEMU_NVME_CTRL&REV_8.0.\\3&0&000000", "NVMe QEMU NVMe Ctrl SCSI Disk Device",
       "SCSI", "SCSI\\DiskNVMe____QEMU_NVMe_Ctrl__8.0."},
      {"SCSI\\DISK&VEN_VIRTIO&PROD_BLOCK_DEVICE&REV_\\3&0&000100", "Virtio Block Device SCSI Disk Device",
       "SCSI", "SCSI\\DiskVirtio__Block_Device________"},
      {"SCSI\\DISK&VEN_LINUX&PROD_LOOP_DEVICE&REV_\\3&0&000200", "Linux Loop Device SCSI Disk Device", "SCSI",
       "SCSI\\DiskLinux___Loop_Device_________"},
  };
  for (std::size_t i = 0; i < disks.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(disks[i].instanceId, expected[i].instanceId);
    EXPECT_EQ(disks[i].devicePath, "\\\\.\\PhysicalDrive" + std::to_string(i));
    EXPECT_EQ(Text(disks[i], win::SPDRP_FRIENDLYNAME), expected[i].friendlyName);
    EXPECT_EQ(Text(disks[i], win::SPDRP_ENUMERATOR_NAME), expected[i].enumerator);
    EXPECT_EQ(Text(disks[i], win::SPDRP_DEVICEDESC), "Disk drive");
    EXPECT_EQ(Text(disks[i], win::SPDRP_MFG), "(Standard disk drives)");
    const os::SetupProperty* ids = disks[i].Find(win::SPDRP_HARDWAREID);
    ASSERT_NE(ids, nullptr);
    EXPECT_EQ(ids->type, win::REG_MULTI_SZ);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ids->data.data())), expected[i].firstHardwareId);
    EXPECT_EQ(ids->data.end()[-1], 0);
    EXPECT_EQ(ids->data.end()[-2], 0);
  }
  EXPECT_EQ(Text(disks[4], win::SPDRP_LOCATION_INFORMATION), "Bus Number 0, Target Id 1, LUN 0");

  std::vector<os::SetupDevice> optical;
  ASSERT_EQ(platform.SetupEnumerate(win::GUID_DEVCLASS_CDROM, win::GUID_DEVINTERFACE_CDROM, &optical),
            os::SetupResult::kOk);
  ASSERT_EQ(optical.size(), 1u);
  EXPECT_EQ(optical[0].instanceId, "SCSI\\CDROM&VEN_QEMU&PROD_QEMU_CD-ROM&REV_2.5+\\0&0&000200");
  EXPECT_EQ(optical[0].devicePath, "\\\\.\\CdRom0");
  EXPECT_EQ(Text(optical[0], win::SPDRP_DEVICEDESC), "CD-ROM Drive");
  EXPECT_EQ(Text(optical[0], win::SPDRP_FRIENDLYNAME), "QEMU QEMU CD-ROM SCSI CdRom Device");

  // A USB floppy drive (UFI) is of the floppy class, no longer of the disk class.
  sysfs_.Write("devices/pci0000:00/0000:00:06.0/usb1/1-1/1-1:1.0/bInterfaceSubClass", "04\n");
  std::vector<os::SetupDevice> floppies;
  ASSERT_EQ(platform.SetupEnumerate(win::GUID_DEVCLASS_FLOPPYDISK, win::GUID_DEVINTERFACE_FLOPPY, &floppies),
            os::SetupResult::kOk);
  ASSERT_EQ(floppies.size(), 1u);
  EXPECT_EQ(floppies[0].instanceId, "USBSTOR\\SFLOPPY&VEN_QEMU&PROD_QEMU_HARDDISK&REV_2.5+\\RBUSB0001&0");
  EXPECT_EQ(Text(floppies[0], win::SPDRP_DEVICEDESC), "Floppy disk drive");
  ASSERT_EQ(platform.SetupEnumerate(win::GUID_DEVCLASS_DISKDRIVE, win::GUID_DEVINTERFACE_DISK, &disks),
            os::SetupResult::kOk);
  EXPECT_EQ(disks.size(), 5u);
  std::vector<os::SetupDevice> tapes;
  ASSERT_EQ(platform.SetupEnumerate(win::GUID_DEVCLASS_TAPEDRIVE, win::GUID_DEVINTERFACE_TAPE, &tapes),
            os::SetupResult::kOk);
  ASSERT_EQ(tapes.size(), 1u);
  EXPECT_EQ(tapes[0].instanceId, "SCSI\\SEQUENTIAL&VEN_HP&PROD_ULTRIUM_5-SCSI&REV_Z6ED\\0&0&000500");
  EXPECT_EQ(tapes[0].devicePath, "\\\\.\\Tape0");
  EXPECT_EQ(Text(tapes[0], win::SPDRP_FRIENDLYNAME), "HP Ultrium 5-SCSI SCSI Sequential Device");
  EXPECT_EQ(Text(tapes[0], win::SPDRP_DEVICEDESC), "Tape drive");
}

// A WQL string literal's text: backslashes doubled.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return quoted + "\"";
}

TEST_F(LinuxStorageMapTest, ManagementClassesDescribeTheDrivesAndLeadToTheirControllers) {
  dir_.Write("mounts", "/dev/sr0 /media/cdrom iso9660 ro 0 0\n/dev/vda1 " + dir_.Path() + " ext4 rw 0 0\n");
  os::LinuxPlatform platform = Platform();
  const std::string cimv2 = "\\\\.\\root\\cimv2";
  std::vector<os::WmiRow> rows;
  ASSERT_TRUE(platform.WmiQuery(cimv2, "select * from Win32_DiskDrive", &rows));
  ASSERT_EQ(rows.size(), 6u);
  const os::WmiRow& nvme = rows[3];
  EXPECT_EQ(nvme.Get("DeviceID"), "\\\\.\\PHYSICALDRIVE3");
  EXPECT_EQ(nvme.Get("Model"), "NVMe QEMU NVMe Ctrl SCSI Disk Device");
  EXPECT_EQ(nvme.Get("InterfaceType"), "SCSI");
  EXPECT_EQ(nvme.Get("Size"), "67108864");
  EXPECT_EQ(nvme.Get("SerialNumber"), "RBNVME0001");
  EXPECT_EQ(nvme.Get("MediaType"), "Fixed hard disk media");
  EXPECT_EQ(nvme.Get("Index"), "3");
  EXPECT_EQ(rows[1].Get("InterfaceType"), "USB");
  EXPECT_EQ(rows[2].Get("InterfaceType"), "IDE");

  ASSERT_TRUE(
      platform.WmiQuery(cimv2,
                        "SELECT * FROM Win32_DiskDrive WHERE SCSIPort=3 AND SCSIBus=0 AND SCSITargetId=1 "
                        "AND SCSILogicalUnit=0",
                        &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Get("Model"), "Virtio Block Device SCSI Disk Device");

  // From a disk to its entity, and on to the controller's PCI function.
  struct Road {
    const char* drive;
    const char* entityPrefix;
    const char* controllerClass;
    const char* controller;  // empty: none
  };
  const Road roads[] = {
      {"\\\\.\\PHYSICALDRIVE0", "SCSI\\DISK&", "Win32_ScsiController", "0000:00:05.0"},
      {"\\\\.\\PHYSICALDRIVE1", "USBSTOR\\DISK&", "Win32_ScsiController", ""},
      {"\\\\.\\PHYSICALDRIVE2", "IDE\\DISK", "Win32_IDEController", "0000:00:1f.2"},
      {"\\\\.\\PHYSICALDRIVE3", "SCSI\\DISK&VEN_NVME", "Win32_ScsiController", "0000:00:04.0"},
      {"\\\\.\\PHYSICALDRIVE4", "SCSI\\DISK&VEN_VIRTIO", "Win32_ScsiController", "0000:00:02.0"},
      {"\\\\.\\PHYSICALDRIVE5", "SCSI\\DISK&VEN_LINUX", "Win32_ScsiController", ""}};
  for (const Road& road : roads) {
    SCOPED_TRACE(road.drive);
    ASSERT_TRUE(platform.WmiQuery(cimv2,
                                  "ASSOCIATORS OF {Win32_DiskDrive.DeviceID=" + Quoted(road.drive) +
                                      "} WHERE ResultClass = Win32_PnPEntity",
                                  &rows));
    ASSERT_EQ(rows.size(), 1u);
    const std::string entity = rows[0].Get("DeviceID");
    EXPECT_EQ(entity.rfind(road.entityPrefix, 0), 0u) << entity;
    ASSERT_TRUE(platform.WmiQuery(cimv2,
                                  "ASSOCIATORS OF {Win32_PnPEntity.DeviceID=" + Quoted(entity) +
                                      "} WHERE ResultClass = " + road.controllerClass,
                                  &rows));
    if (*road.controller == '\0') {
      EXPECT_TRUE(rows.empty());
      continue;
    }
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Get("DeviceID"), road.controller);
  }
  // The IDE controller's entities: its channel and its disk.
  ASSERT_TRUE(platform.WmiQuery(
      cimv2,
      "ASSOCIATORS OF {Win32_IDEController.DeviceID=\"0000:00:1f.2\"} WHERE ResultClass = Win32_PnPEntity",
      &rows));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Get("DeviceID").substr(0, 18), "PCIIDE\\IDECHANNEL\\");

  ASSERT_TRUE(platform.WmiQuery(cimv2, "select * from Win32_CDROMDrive", &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Get("DeviceID"), "SCSI\\CDROM&VEN_QEMU&PROD_QEMU_CD-ROM&REV_2.5+\\0&0&000200");
  EXPECT_EQ(rows[0].Get("Drive"), "/media/cdrom");
  EXPECT_EQ(rows[0].Get("MediaLoaded"), "FALSE");
  EXPECT_EQ(rows[0].Get("SCSITargetId"), "2");

  ASSERT_TRUE(platform.WmiQuery(cimv2, "select * from Win32_TapeDrive", &rows));
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_TRUE(
      platform.WmiQuery(cimv2,
                        "ASSOCIATORS OF {Win32_PnPEntity.DeviceID=" + Quoted(rows[0].Get("DeviceID")) +
                            "} WHERE ResultClass = Win32_ScsiController",
                        &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Get("DeviceID"), "0000:00:05.0");

  ASSERT_TRUE(platform.WmiQuery(cimv2, "SELECT * FROM Win32_LogicalDisk WHERE DriveType=3", &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Get("DeviceID"), dir_.Path());
  EXPECT_EQ(rows[0].Get("FileSystem"), "ext4");

  // USB mass storage by its enumerator: a floppy drive (UFI) is a Win32_FloppyDrive.
  ASSERT_TRUE(platform.WmiQuery(cimv2, "SELECT * FROM CIM_MediaAccessDevice WHERE DeviceID LIKE \"USBSTOR%\"",
                                &rows));
  EXPECT_TRUE(rows.empty());
  sysfs_.Write("devices/pci0000:00/0000:00:06.0/usb1/1-1/1-1:1.0/bInterfaceSubClass", "04\n");
  ASSERT_TRUE(
      platform.WmiQuery(cimv2, "select * from Win32_FloppyDrive where DeviceID like \"%USBSTOR%\"", &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Get("DeviceID"), "USBSTOR\\SFLOPPY&VEN_QEMU&PROD_QEMU_HARDDISK&REV_2.5+\\RBUSB0001&0");
  ASSERT_TRUE(platform.WmiQuery(cimv2, "SELECT * FROM CIM_MediaAccessDevice WHERE DeviceID LIKE \"USBSTOR%\"",
                                &rows));
  EXPECT_EQ(rows.size(), 1u);
  ASSERT_TRUE(
      platform.WmiQuery(cimv2, "select * from Win32_PnPEntity where deviceId like \"%FLOPPY%\"", &rows));
  EXPECT_EQ(rows.size(), 1u);

  EXPECT_FALSE(platform.WmiQuery("\\\\.\\root\\wmi", "select * from Win32_DiskDrive", &rows));
  EXPECT_FALSE(platform.WmiQuery(cimv2, "select Model from", &rows));
}

}  // namespace
