// How a simulated machine shows its SCSI ports to the system's enumeration: the ports' inquiry data,
// the registry device map, DOS device names with the drives' addresses, the device installer and the
// management view; and a disk beyond 2 TiB.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "platform/scratchdir.h"
#include "platform/scsiinquirydata.h"
#include "platform/sim/simplatform.h"

namespace {

constexpr win::DWORD kReadWrite = win::GENERIC_READ | win::GENERIC_WRITE;

// A SAS HBA (its I/O BAR the device map's address), an IDE controller, and the fixed volume C:.
const char* const kPci = R"(<pci>
  <function bus="3" device="0" function="0" vendorID="0x1000" deviceID="0x0097" osDeviceID="PCI\VEN_1000&amp;DEV_0097\4&amp;1"
            description="SAS3008 HBA"><bar index="0" address="0xe000" io="1"/></function>
  <function bus="0" device="31" function="1" vendorID="0x8086" deviceID="0x7010"/>
</pci>
<logicalDisks><disk id="C:" size="1000" freeSpace="10"/><disk id="D:" size="1000" freeSpace="10"/></logicalDisks>)";

class SimEnumeration : public testing::Test {
 protected:
  os::SimPlatform& Load(const std::string& body) {
    platform_ =
        std::make_unique<os::SimPlatform>(dir_.Write("machine.xml", "<machine>" + body + "</machine>"));
    return *platform_;
  }
  win::HANDLE Open(const std::string& name) {
    return platform_->CreateFile("\\\\.\\" + name, kReadWrite, 0, win::OPEN_EXISTING, 0);
  }
  // A control request on a freshly opened device: the error, and the bytes answered.
  win::DWORD Control(const std::string& name, win::DWORD code, void* out, win::DWORD size,
                     win::DWORD* returned = nullptr) {
    const win::HANDLE handle = Open(name);
    if (handle == win::INVALID_HANDLE_VALUE) return platform_->GetLastError();
    win::DWORD answered = 0;
    const bool ok = platform_->DeviceIoControl(handle, code, nullptr, 0, out, size, &answered);
    const win::DWORD error = ok ? win::ERROR_SUCCESS : platform_->GetLastError();
    platform_->CloseHandle(handle);
    if (returned != nullptr) *returned = answered;
    return error;
  }
  std::vector<std::string> DosNames() {
    std::vector<char> buffer(1 << 16);
    const win::DWORD stored =
        platform_->QueryDosDevice("", buffer.data(), static_cast<win::DWORD>(buffer.size()));
    EXPECT_GT(stored, 1u);
    EXPECT_EQ(buffer[stored - 1], '\0');
    EXPECT_EQ(buffer[stored - 2], '\0');
    std::vector<std::string> names;
    for (const char* name = buffer.data(); *name != '\0'; name += std::strlen(name) + 1)
      names.push_back(name);
    return names;
  }
  std::vector<os::WmiRow> Wmi(const std::string& query) {
    std::vector<os::WmiRow> rows;
    EXPECT_TRUE(platform_->WmiQuery("\\\\.\\root\\cimv2", query, &rows)) << query;
    return rows;
  }
  std::vector<std::string> Column(const std::string& query, const char* property = "DeviceID") {
    std::vector<std::string> values;
    for (const os::WmiRow& row : Wmi(query)) values.push_back(row.Get(property, "(null)"));
    return values;
  }

  rbtest::ScratchDir dir_;
  std::unique_ptr<os::SimPlatform> platform_;
};

TEST_F(SimEnumeration, PortListsItsUnitsInquiryData) {
  Load(R"(<scsi><port number="0">
    <disk target="1" vendor="SEAGATE" product="ST600MM0006" revision="B001" blocks="100"/>
    <processor path="1" target="2" vendor="RAVEL" product="RB BACKPLANE"/>
    <optical target="3"/>
  </port></scsi>)");
  std::vector<std::uint8_t> answer(2048);
  win::DWORD returned = 0;
  ASSERT_EQ(Control("SCSI0:", win::IOCTL_SCSI_GET_INQUIRY_DATA, answer.data(), 2048, &returned),
            win::ERROR_SUCCESS);
  const auto units = os::ReadScsiInquiryData(answer.data(), returned);
  ASSERT_EQ(units.size(), 3u);
  // Bus 0 before bus 1; the processor has no class driver to claim it.
  const std::tuple<int, int, bool, std::uint8_t, std::string> expected[] = {
      {0, 1, true, 0x00, "SEAGATE ST600MM0006     B001"},
      {0, 3, true, 0x85, "RAVEL   SIM DEVICE      0001"},
      {1, 2, false, 0x03, "RAVEL   RB BACKPLANE    0001"}};
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto& [path, target, claimed, typeAndRemovable, identity] = expected[i];
    EXPECT_EQ(units[i].path, path);
    EXPECT_EQ(units[i].target, target);
    EXPECT_EQ(units[i].claimed, claimed);
    EXPECT_EQ(units[i].inquiry[0] | (units[i].inquiry[1] & 0x80), typeAndRemovable);
    EXPECT_EQ(std::string(units[i].inquiry.begin() + 8, units[i].inquiry.end()), identity);
  }
  EXPECT_EQ(Control("SCSI0:", win::IOCTL_SCSI_GET_INQUIRY_DATA, answer.data(), 64),
            win::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(Control("PhysicalDrive0", win::IOCTL_SCSI_GET_INQUIRY_DATA, answer.data(), 2048),
            win::ERROR_INVALID_FUNCTION);
}

TEST_F(SimEnumeration, DeviceMapHasEveryDeclaredPortWithItsDriverAndAddress) {
  auto& sim = Load(std::string(kPci) + R"(<scsi>
    <port number="3" usb="1"/>
    <port number="0" pciBus="3"/>
    <port number="1" ioAddress="0x1F0" driver="atapi"/>
  </scsi>
  <registry><key path="SOFTWARE\Ravel">
    <value name="Mode" type="REG_SZ" data="factory"/><value name="Raw" type="REG_BINARY" data="00ff10"/>
  </key></registry>)");
  // Port, driver and I/O address (0 when there is none); port 2 is missing.
  const std::tuple<int, std::string, win::DWORD> ports[] = {
      {0, "simscsi", 0xE000}, {1, "atapi", 0x1F0}, {2, "", 0}, {3, "USBSTOR", 0}};
  for (const auto& [number, driver, address] : ports) {
    win::HKEY key = nullptr;
    const std::string path = "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port " + std::to_string(number);
    const win::DWORD opened = sim.RegOpenKey(win::HKEY_LOCAL_MACHINE, path, 0, &key);
    ASSERT_EQ(opened, driver.empty() ? win::ERROR_FILE_NOT_FOUND : win::ERROR_SUCCESS) << path;
    if (driver.empty()) continue;
    char text[64] = {};
    win::DWORD type = 0;
    win::DWORD size = sizeof text;
    EXPECT_EQ(sim.RegQueryValue(key, "driver", &type, text, &size), win::ERROR_SUCCESS);
    EXPECT_EQ(type, win::REG_SZ);
    EXPECT_EQ(std::string(text, size), driver + '\0');
    win::DWORD io = 0;
    size = sizeof io;
    EXPECT_EQ(sim.RegQueryValue(key, "IOAddress", &type, &io, &size),
              address != 0 ? win::ERROR_SUCCESS : win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(io, address) << path;
    sim.RegCloseKey(key);
  }

  win::HKEY key = nullptr;
  ASSERT_EQ(sim.RegOpenKey(win::HKEY_LOCAL_MACHINE, "software\\ravel", 0, &key), win::ERROR_SUCCESS);
  win::DWORD type = 0;
  win::DWORD size = 0;
  EXPECT_EQ(sim.RegQueryValue(key, "Mode", &type, nullptr, &size), win::ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);
  char small[4] = {};
  size = sizeof small;
  EXPECT_EQ(sim.RegQueryValue(key, "Mode", &type, small, &size), win::ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  std::uint8_t raw[8] = {};
  size = sizeof raw;
  EXPECT_EQ(sim.RegQueryValue(key, "Raw", &type, raw, &size), win::ERROR_SUCCESS);
  EXPECT_EQ(type, win::REG_BINARY);
  EXPECT_EQ(std::vector<std::uint8_t>(raw, raw + size), (std::vector<std::uint8_t>{0x00, 0xFF, 0x10}));
  sim.RegCloseKey(key);
  EXPECT_EQ(sim.RegQueryValue(key, "Mode", &type, nullptr, &size), win::ERROR_INVALID_HANDLE);
}

TEST_F(SimEnumeration, DriveNamesAnswerTheirAddressAndTakePassThroughForThemselves) {
  Load(R"(<scsi>
    <port number="1"><disk target="0" blocks="9"/><optical target="5"/><tape path="1" target="4" lun="2"/>
                     <enclosure target="6"/><disk target="2" blocks="9" serial="SECOND"/></port>
    <port number="0"><disk target="3" blocks="9"/></port>
  </scsi>)");
  const std::vector<std::string> names = DosNames();
  EXPECT_EQ(
      std::vector<std::string>(names.begin(), names.begin() + 5),
      (std::vector<std::string>{"PhysicalDrive0", "PhysicalDrive1", "CdRom0", "Tape0", "PhysicalDrive2"}));
  // Disks are numbered by port, then in the port's order.
  const std::tuple<const char*, int, int, int, int> drives[] = {
      {"PhysicalDrive0", 0, 0, 3, 0}, {"physicaldrive1", 1, 0, 0, 0}, {"PHYSICALDRIVE2", 1, 0, 2, 0},
      {"CdRom0", 1, 0, 5, 0},         {"CDROM0", 1, 0, 5, 0},         {"Tape0", 1, 1, 4, 2}};
  for (const auto& [name, port, path, target, lun] : drives) {
    win::ScsiAddress address{};
    EXPECT_EQ(Control(name, win::IOCTL_SCSI_GET_ADDRESS, &address, sizeof address), win::ERROR_SUCCESS)
        << name;
    EXPECT_EQ(std::make_tuple(address.Length, int{address.PortNumber}, int{address.PathId},
                              int{address.TargetId}, int{address.Lun}),
              std::make_tuple(8u, port, path, target, lun))
        << name;
  }
  std::uint8_t small[4] = {};
  EXPECT_EQ(Control("Tape0", win::IOCTL_SCSI_GET_ADDRESS, small, sizeof small),
            win::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(Control("SCSI1:", win::IOCTL_SCSI_GET_ADDRESS, small, sizeof small), win::ERROR_INVALID_FUNCTION);
  EXPECT_EQ(Control("PhysicalDrive3", win::IOCTL_SCSI_GET_ADDRESS, small, sizeof small),
            win::ERROR_FILE_NOT_FOUND);

  // An INQUIRY addressed to another target reaches the drive itself.
  std::uint8_t data[96] = {};
  win::ScsiPassThroughDirectWithSense request{};
  request.header.Length = sizeof request.header;
  request.header.TargetId = 5;
  request.header.CdbLength = 6;
  request.header.DataIn = win::SCSI_IOCTL_DATA_IN;
  request.header.DataTransferLength = sizeof data;
  request.header.DataBuffer = data;
  request.header.Cdb[0] = 0x12;
  request.header.Cdb[4] = sizeof data;
  const win::HANDLE drive = Open("PhysicalDrive2");
  ASSERT_TRUE(platform_->DeviceIoControl(drive, win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request,
                                         &request, sizeof request, nullptr));
  platform_->CloseHandle(drive);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data) + 36, 6), "SECOND");

  char target[64] = {};
  EXPECT_EQ(platform_->QueryDosDevice("physicalDrive2", target, sizeof target), 23u);
  EXPECT_STREQ(target, "\\Device\\Harddisk2\\DR2");
  EXPECT_EQ(platform_->QueryDosDevice("Nothing", target, sizeof target), 0u);
  EXPECT_EQ(platform_->GetLastError(), win::ERROR_FILE_NOT_FOUND);
}

TEST_F(SimEnumeration, DosDeviceListBeyondOneMebibyteFitsNoBufferOfTheComponentsSizes) {
  Load(R"(<scsi><port number="0"><disk blocks="9"/></port></scsi><dosDevices padding="1100000"/>)");
  std::vector<char> buffer(2 << 20);
  for (win::DWORD size : {8192u, 128u * 8192u}) {
    platform_->SetLastError(0);
    EXPECT_EQ(platform_->QueryDosDevice("", buffer.data(), size), 0u) << size;
    EXPECT_EQ(platform_->GetLastError(), win::ERROR_INSUFFICIENT_BUFFER) << size;
  }
  const win::DWORD stored =
      platform_->QueryDosDevice("", buffer.data(), static_cast<win::DWORD>(buffer.size()));
  EXPECT_GE(stored, 1100000u);
  EXPECT_LT(stored, 1100000u + 64);
  EXPECT_STREQ(buffer.data(), "PhysicalDrive0");
  EXPECT_EQ(std::string(&buffer[stored - 2], 2), std::string(2, '\0'));
}

// A SAS HBA's port with a disk and an optical drive, a USB port with a stick and a floppy, an IDE channel
// with a disk.
const char* const kSmallMachine = R"(<scsi>
  <port number="2" pciBus="3">
    <disk target="1" vendor="SEAGATE" product="ST600MM0006" revision="B001" serial="S0M1" blocks="1000"/>
    <optical target="4" vendor="TEAC" product="DV-28S-W" revision="1.2A" medium="1"/>
  </port>
  <port number="4" usb="1">
    <disk vendor="Ravel" product="USB DISK 2.0" revision="1.00" serial="0123ABC" blocks="2000" removable="1"/>
    <disk lun="1" vendor="TEAC" product="USB FLOPPY" revision="3.00" serial="FD01" blocks="2880" floppy="1"/>
  </port>
  <port number="5" ide="1" pciBus="0" pciDevice="31" pciFunction="1">
    <disk vendor="ATA" product="WDC WD5000AAKX" revision="15.01H15" blocks="976773168"/>
  </port>
</scsi>)";

TEST_F(SimEnumeration, DeviceInstallerListsEachClassWithItsIdentifiersAndProperties) {
  auto& sim = Load(std::string(kPci) + kSmallMachine +
                   R"(<setupProperty device="PhysicalDrive0" property="12" type="REG_BINARY"/>)");
  std::vector<os::SetupDevice> disks;
  ASSERT_EQ(sim.SetupEnumerate(win::GUID_DEVCLASS_DISKDRIVE, win::GUID_DEVINTERFACE_DISK, &disks),
            os::SetupResult::kOk);
  // A property's texts: one for a REG_SZ, each of a REG_MULTI_SZ; "(bad)" when a NUL is missing.
  const auto texts = [](const os::SetupDevice& device, win::DWORD property) {
    const os::SetupProperty* found = device.Find(property);
    std::vector<std::string> values;
    if (found == nullptr) return values;
    std::string bytes(found->data.begin(), found->data.end());
    const std::size_t terminators = found->type == win::REG_MULTI_SZ ? 2 : 1;
    if (bytes.size() < terminators ||
        bytes.substr(bytes.size() - terminators) != std::string(terminators, '\0'))
      return std::vector<std::string>{"(bad)"};
    bytes.resize(bytes.size() - terminators);
    for (std::size_t start = 0, end; start <= bytes.size(); start = end + 1) {
      end = std::min(bytes.find('\0', start), bytes.size());
      values.push_back(bytes.substr(start, end - start));
    }
    return values;
  };
  using Texts = std::vector<std::string>;
  // Instance identifier, device path, friendly name, enumerator.
  const std::tuple<std::string, std::string, std::string, std::string> expected[] = {
      {"SCSI\\DISK&VEN_SEAGATE&PROD_ST600MM0006&REV_B001\\2&0&000100", "\\\\.\\PhysicalDrive0",
       "SEAGATE ST600MM0006 SCSI Disk Device", "SCSI"},
      {"USBSTOR\\DISK&VEN_RAVEL&PROD_USB_DISK_2.0&REV_1.00\\0123ABC&0", "\\\\.\\PhysicalDrive1",
       "Ravel USB DISK 2.0 USB Device", "USBSTOR"},
      {"IDE\\DISKWDC_WD5000AAKX__________________________15.01H15\\5&5&0&0.0.0", "\\\\.\\PhysicalDrive2",
       "WDC WD5000AAKX", "IDE"}};
  ASSERT_EQ(disks.size(), 3u);
  for (std::size_t i = 0; i < disks.size(); ++i) {
    const auto& [instance, path, friendly, enumerator] = expected[i];
    EXPECT_EQ(disks[i].instanceId, instance);
    EXPECT_EQ(disks[i].devicePath, path);
    EXPECT_EQ(texts(disks[i], win::SPDRP_FRIENDLYNAME), Texts{friendly});
    EXPECT_EQ(texts(disks[i], win::SPDRP_ENUMERATOR_NAME), Texts{enumerator});
    EXPECT_EQ(texts(disks[i], win::SPDRP_DEVICEDESC), Texts{"Disk drive"});
    EXPECT_EQ(texts(disks[i], win::SPDRP_MFG), Texts{"(Standard disk drives)"});
    // The knob gives drive 0's friendly name another type, its bytes unchanged.
    EXPECT_EQ(disks[i].Find(win::SPDRP_FRIENDLYNAME)->type, i == 0 ? win::REG_BINARY : win::REG_SZ);
  }
  EXPECT_EQ(texts(disks[0], win::SPDRP_LOCATION_INFORMATION), Texts{"Bus Number 0, Target Id 1, LUN 0"});
  EXPECT_EQ(disks[1].Find(win::SPDRP_HARDWAREID)->type, win::REG_MULTI_SZ);
  EXPECT_EQ(texts(disks[1], win::SPDRP_HARDWAREID),
            (Texts{"USBSTOR\\DiskRavel___USB_DISK_2.0____1.00", "USBSTOR\\DiskRavel___USB_DISK_2.0____",
                   "USBSTOR\\DiskRavel___", "USBSTOR\\GenDisk", "GenDisk"}));

  // The other classes: instance identifier and device path of each device. A set asked with another
  // class's interface lists its devices without a path.
  using Listed = std::vector<std::pair<std::string, std::string>>;
  const std::tuple<win::Guid, win::Guid, Listed> classes[] = {
      {win::GUID_DEVCLASS_FLOPPYDISK,
       win::GUID_DEVINTERFACE_FLOPPY,
       {{"USBSTOR\\SFLOPPY&VEN_TEAC&PROD_USB_FLOPPY&REV_3.00\\FD01&1", "\\\\.\\Floppy0"}}},
      {win::GUID_DEVCLASS_CDROM,
       win::GUID_DEVINTERFACE_CDROM,
       {{"SCSI\\CDROM&VEN_TEAC&PROD_DV-28S-W&REV_1.2A\\2&0&000400", "\\\\.\\CdRom0"}}},
      {win::GUID_DEVCLASS_CDROM,
       win::GUID_DEVINTERFACE_DISK,
       {{"SCSI\\CDROM&VEN_TEAC&PROD_DV-28S-W&REV_1.2A\\2&0&000400", ""}}},
      {win::GUID_DEVCLASS_TAPEDRIVE, win::GUID_DEVINTERFACE_TAPE, {}}};
  for (const auto& [setupClass, interfaceClass, expectedDevices] : classes) {
    std::vector<os::SetupDevice> devices;
    ASSERT_EQ(sim.SetupEnumerate(setupClass, interfaceClass, &devices), os::SetupResult::kOk);
    Listed listed;
    for (const os::SetupDevice& device : devices) listed.emplace_back(device.instanceId, device.devicePath);
    EXPECT_EQ(listed, expectedDevices);
  }
  std::vector<os::SetupDevice> floppies;
  sim.SetupEnumerate(win::GUID_DEVCLASS_FLOPPYDISK, win::GUID_DEVINTERFACE_FLOPPY, &floppies);
  ASSERT_EQ(floppies.size(), 1u);
  EXPECT_EQ(texts(floppies[0], win::SPDRP_DEVICEDESC), Texts{"Floppy disk drive"});
}

TEST_F(SimEnumeration, ManagementViewHasDrivesEntitiesControllersAndTheirAssociations) {
  Load(std::string(kPci) + kSmallMachine);
  const std::string scsiDisk = "SCSI\\DISK&VEN_SEAGATE&PROD_ST600MM0006&REV_B001\\2&0&000100";
  const std::string usbDisk = "USBSTOR\\DISK&VEN_RAVEL&PROD_USB_DISK_2.0&REV_1.00\\0123ABC&0";
  const std::string floppy = "USBSTOR\\SFLOPPY&VEN_TEAC&PROD_USB_FLOPPY&REV_3.00\\FD01&1";
  const std::string cdrom = "SCSI\\CDROM&VEN_TEAC&PROD_DV-28S-W&REV_1.2A\\2&0&000400";
  const std::string ideDisk = "IDE\\DISKWDC_WD5000AAKX__________________________15.01H15\\5&5&0&0.0.0";
  const std::string ideController = "PCI\\VEN_8086&DEV_7010&SUBSYS_00000000\\0&31&1";

  const auto disks = Wmi("select * from Win32_DiskDrive");
  ASSERT_EQ(disks.size(), 3u);
  const char* const properties[] = {"DeviceID", "PNPDeviceID",  "Model", "InterfaceType",
                                    "SCSIPort", "SCSITargetId", "Size",  "MediaType",
                                    "Index",    "SerialNumber"};
  const std::vector<std::string> expected[] = {
      {"\\\\.\\PHYSICALDRIVE0", scsiDisk, "SEAGATE ST600MM0006 SCSI Disk Device", "SCSI", "2", "1", "512000",
       "Fixed hard disk media", "0", "S0M1"},
      {"\\\\.\\PHYSICALDRIVE1", usbDisk, "Ravel USB DISK 2.0 USB Device", "USB", "4", "0", "1024000",
       "Removable Media", "1", "0123ABC"},
      {"\\\\.\\PHYSICALDRIVE2", ideDisk, "WDC WD5000AAKX", "IDE", "5", "0", "500107862016",
       "Fixed hard disk media", "2", "SIM0"}};
  for (std::size_t i = 0; i < disks.size(); ++i) {
    std::vector<std::string> actual;
    for (const char* property : properties) actual.push_back(disks[i].Get(property, "(null)"));
    EXPECT_EQ(actual, expected[i]);
  }
  const auto cdroms = Wmi("select * from Win32_CDROMDrive");
  ASSERT_EQ(cdroms.size(), 1u);
  EXPECT_EQ(cdroms[0].Get("DeviceID"), cdrom);
  EXPECT_EQ(cdroms[0].Get("Drive"), "E:");  // C: and D: are fixed volumes
  EXPECT_EQ(cdroms[0].Get("MediaLoaded"), "TRUE");
  EXPECT_EQ(cdroms[0].Get("SCSITargetId"), "4");
  // The view follows the medium: an ejected disc is gone from the next answer.
  EXPECT_EQ(Control("CdRom0", win::IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0), win::ERROR_SUCCESS);
  EXPECT_EQ(Wmi("select * from Win32_CDROMDrive")[0].Get("MediaLoaded"), "FALSE");

  const std::pair<std::string, std::vector<std::string>> queries[] = {
      {"SELECT * FROM Win32_DiskDrive WHERE SCSIPort=2 AND SCSIBus=0 AND SCSITargetId=1 AND "
       "SCSILogicalUnit=0",
       {"\\\\.\\PHYSICALDRIVE0"}},
      {"SELECT * FROM CIM_MediaAccessDevice WHERE DeviceID LIKE \"USBSTOR%\"", {floppy}},
      {"select * from Win32_PnPEntity where deviceId like \"%FLOPPY%\"", {floppy}},
      {"select * from Win32_FloppyDrive where DeviceID like \"%USBSTOR%\"", {floppy}},
      {"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\.\\PHYSICALDRIVE0\"} WHERE ResultClass = "
       "Win32_PnPEntity",
       {scsiDisk}},
      {"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + scsiDisk +
           "\"} WHERE ResultClass = Win32_ScsiController",
       {"PCI\\VEN_1000&DEV_0097\\4&1"}},
      {"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + cdrom + "\"} WHERE ResultClass = Win32_ScsiController",
       {"PCI\\VEN_1000&DEV_0097\\4&1"}},
      {"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + scsiDisk +
           "\"} WHERE ResultClass = Win32_IDEController",
       {}},
      {"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + ideDisk +
           "\"} WHERE ResultClass = Win32_IDEController",
       {ideController}},
      {"ASSOCIATORS OF {Win32_IDEController.DeviceID=\"" + ideController +
           "\"} WHERE ResultClass = Win32_PnPEntity",
       {"PCIIDE\\IDECHANNEL\\4&01F1&0&0", ideDisk}},
      // The USB port names no controller.
      {"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + usbDisk +
           "\"} WHERE ResultClass = Win32_ScsiController",
       {}},
      {"SELECT * FROM Win32_LogicalDisk WHERE DriveType=3", {"C:", "D:"}},
  };
  for (const auto& [query, ids] : queries) EXPECT_EQ(Column(query), ids) << query;
  // The floppy drive is a USBSTOR media access device as well as the disk.
  EXPECT_EQ(Column("SELECT * FROM CIM_MediaAccessDevice WHERE PNPDeviceID LIKE \"USBSTOR%\""),
            (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE1", floppy}));
  EXPECT_EQ(Column("select * from Win32_ScsiController", "Name"), std::vector<std::string>{"SAS3008 HBA"});

  // Only the management namespace answers; an unreadable volume list fails its query.
  std::vector<os::WmiRow> rows;
  EXPECT_FALSE(platform_->WmiQuery("\\\\.\\root\\wmi", "select * from Win32_DiskDrive", &rows));
  EXPECT_FALSE(platform_->WmiQuery("\\\\.\\root\\cimv2", "select Model from Win32_DiskDrive", &rows));
  Load(R"(<logicalDisks readable="0"/>)");
  EXPECT_FALSE(
      platform_->WmiQuery("\\\\.\\root\\cimv2", "SELECT * FROM Win32_LogicalDisk WHERE DriveType=3", &rows));
  EXPECT_TRUE(Wmi("select * from Win32_DiskDrive").empty());
}

TEST_F(SimEnumeration, MalformedEnumerationDeclarationsAreRejected) {
  const std::pair<std::string, const char*> cases[] = {
      {R"(<scsi><port number="1"/><port number="1"/></scsi>)", "port 1 is declared twice"},
      {R"(<scsi><port number="1" pciBus="9"/></scsi>)", "PCI function 9:0.0, which <pci> does not declare"},
      {R"(<setupProperty device="PhysicalDrive0" property="12" type="REG_BINARY"/>)", "names no device"},
      {R"(<scsi><port number="0"><disk blocks="9"/></port></scsi>
          <setupProperty device="PhysicalDrive0" property="12" type="REG_TEXT"/>)",
       "type 'REG_TEXT' is not a registry type"},
      {R"(<registry><key path="A"><value name="v" type="REG_BINARY" data="0g"/></key></registry>)",
       "is not hexadecimal"},
      {R"(<registry><key path="A"><value name="v" type="REG_DWORD" data="x"/></key></registry>)",
       "attribute 'data' is not a number"},
  };
  for (const auto& [body, problem] : cases) {
    try {
      Load(body);
      ADD_FAILURE() << body << " was accepted";
    } catch (const os::MachineError& error) {
      EXPECT_NE(std::string(error.what()).find(problem), std::string::npos) << error.what();
    }
  }
}

// One CDB to \\.\PhysicalDrive0; the SCSI status, with `data` read or written.
std::uint8_t SendCdb(os::SimPlatform& sim, const std::vector<std::uint8_t>& cdb,
                     std::vector<std::uint8_t>& data, bool dataIn, std::uint8_t* senseKey = nullptr) {
  win::ScsiPassThroughDirectWithSense request{};
  request.header.Length = sizeof request.header;
  request.header.CdbLength = static_cast<std::uint8_t>(cdb.size());
  request.header.SenseInfoLength = sizeof request.sense;
  request.header.SenseInfoOffset = offsetof(win::ScsiPassThroughDirectWithSense, sense);
  request.header.DataIn = dataIn ? win::SCSI_IOCTL_DATA_IN : win::SCSI_IOCTL_DATA_OUT;
  request.header.DataTransferLength = static_cast<win::DWORD>(data.size());
  request.header.DataBuffer = data.data();
  std::memcpy(request.header.Cdb, cdb.data(), cdb.size());
  const win::HANDLE drive = sim.CreateFile("\\\\.\\PhysicalDrive0", kReadWrite, 0, win::OPEN_EXISTING, 0);
  EXPECT_TRUE(sim.DeviceIoControl(drive, win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request,
                                  &request, sizeof request, nullptr));
  sim.CloseHandle(drive);
  if (senseKey != nullptr) *senseKey = request.sense[2] & 0x0F;
  return request.header.ScsiStatus;
}

// A CDB of 16 bytes: the opcode, then 64-bit big-endian `lba` at byte 2 and the 32-bit `count` at byte 10.
std::vector<std::uint8_t> Cdb16(std::uint8_t opcode, std::uint64_t lba, std::uint32_t count) {
  std::vector<std::uint8_t> cdb(16, 0);
  cdb[0] = opcode;
  for (int i = 0; i < 8; ++i) cdb[2 + i] = static_cast<std::uint8_t>(lba >> (56 - 8 * i));
  for (int i = 0; i < 4; ++i) cdb[10 + i] = static_cast<std::uint8_t>(count >> (24 - 8 * i));
  return cdb;
}

TEST_F(SimEnumeration, DiskBeyondTwoTebibytesAnswersSixteenByteCommands) {
  // 8 TB of 512-byte blocks.
  constexpr std::uint64_t kBlocks = 15628053168;
  auto& sim = Load(R"(<scsi><port number="0"><disk blocks="15628053168"/></port></scsi>)");
  std::vector<std::uint8_t> capacity(8);
  ASSERT_EQ(SendCdb(sim, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, capacity, true), 0);
  EXPECT_EQ(capacity, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 2, 0}));
  std::vector<std::uint8_t> capacity16(32);
  auto readCapacity16 = Cdb16(0x9E, 0, 32);
  readCapacity16[1] = 0x10;
  ASSERT_EQ(SendCdb(sim, readCapacity16, capacity16, true), 0);
  std::uint64_t last = 0;
  for (int i = 0; i < 8; ++i) last = last << 8 | capacity16[i];
  EXPECT_EQ(last, kBlocks - 1);

  // The last block reads back its own address; one written above 2^32 blocks reads back what was written.
  std::vector<std::uint8_t> block(512);
  ASSERT_EQ(SendCdb(sim, Cdb16(0x88, kBlocks - 1, 1), block, true), 0);
  std::uint64_t address = 0;
  for (int i = 0; i < 8; ++i) address = address << 8 | block[i];
  EXPECT_EQ(address, kBlocks - 1);
  std::vector<std::uint8_t> written(512, 0x5A);
  ASSERT_EQ(SendCdb(sim, Cdb16(0x8A, (1ull << 32) + 7, 1), written, false), 0);
  ASSERT_EQ(SendCdb(sim, Cdb16(0x88, 7, 1), block, true), 0);
  EXPECT_NE(block, written);
  ASSERT_EQ(SendCdb(sim, Cdb16(0x88, (1ull << 32) + 7, 1), block, true), 0);
  EXPECT_EQ(block, written);
  ASSERT_EQ(SendCdb(sim, Cdb16(0x8F, kBlocks - 2, 2), block, false), 0);

  std::uint8_t senseKey = 0;
  EXPECT_EQ(SendCdb(sim, Cdb16(0x88, kBlocks - 1, 2), block, true, &senseKey), 2);  // CHECK CONDITION
  EXPECT_EQ(senseKey, 5);                                                           // ILLEGAL REQUEST
}

// The demo server shows the component a device map without gaps and each kind of drive.
TEST_F(SimEnumeration, DemoMachineListsEveryPortAndDrive) {
  platform_ = std::make_unique<os::SimPlatform>(RAVELBANK_SOURCE_DIR "/machines/demo.xml");
  std::vector<std::string> drivers;
  for (int n = 0;; ++n) {
    win::HKEY key = nullptr;
    if (platform_->RegOpenKey(win::HKEY_LOCAL_MACHINE,
                              "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port " + std::to_string(n), 0,
                              &key) != win::ERROR_SUCCESS)
      break;
    char driver[32] = {};
    win::DWORD size = sizeof driver;
    EXPECT_EQ(platform_->RegQueryValue(key, "Driver", nullptr, driver, &size), win::ERROR_SUCCESS);
    drivers.push_back(driver);
    platform_->RegCloseKey(key);
  }
  EXPECT_EQ(drivers, (std::vector<std::string>{"lsi_sas3", "USBSTOR", "adpu320", "ravelsas", "USBSTOR",
                                               "storahci", "storahci", "atapi"}));
  EXPECT_EQ(Column("select * from Win32_DiskDrive", "Model"),
            (std::vector<std::string>{
                "SEAGATE ST600MM0006 SCSI Disk Device", "TOSHIBA AL13SEB300 SCSI Disk Device",
                "Generic USB DISK 2.0 USB Device", "RAVEL RB146 SCSI DISK SCSI Disk Device",
                "RAVEL RB300 SCSI DISK SCSI Disk Device", "RAVEL RB600 SAS DISK SCSI Disk Device",
                "ATA ST8000NM0055-1RM SCSI Disk Device", "ATA ST2000DM008-2FR1 SCSI Disk Device",
                // IDE disks are named after their whole ATA model.
                "WDC WD800JB-00JJC0", "IOMEGA ZIP 250 ATAPI"}));
  EXPECT_EQ(Column("SELECT * FROM Win32_DiskDrive WHERE SCSIPort=3 AND SCSIBus=0 AND SCSITargetId=1 AND "
                   "SCSILogicalUnit=0",
                   "Size"),
            std::vector<std::string>{"8001563222016"});
  EXPECT_EQ(Column("select * from Win32_FloppyDrive where DeviceID like \"%USBSTOR%\"", "Caption"),
            std::vector<std::string>{"TEAC USB FLOPPY USB Device"});
  EXPECT_EQ(Column("select * from Win32_CDROMDrive", "Caption"),
            (std::vector<std::string>{"RAVEL RB DVD-ROM SCSI CdRom Device",
                                      "ATA HL-DT-ST DVD+-RW SCSI CdRom Device"}));
  EXPECT_EQ(Column("select * from Win32_ScsiController", "Name"),
            (std::vector<std::string>{"RB 12Gb SAS HBA", "SCSI Controller", "SCSI Controller",
                                      "SCSI Controller", "RB Array Controller L200",
                                      "RB Array Controller S600", "RB Array Controller S430",
                                      "RB Array Controller S210", "RB Array Controller L400"}));
  EXPECT_EQ(Column("select * from Win32_IDEController", "Name").size(), 1u);
}

}  // namespace
