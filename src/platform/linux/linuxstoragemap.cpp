#include "platform/linux/linuxstoragemap.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "support/stringutil.h"

namespace os {

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute without trailing blanks; empty when it cannot be read.
std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\n' || line.back() == '\0')) line.pop_back();
  return line;
}

std::uint64_t ReadNumber(const fs::path& file, std::uint64_t otherwise = 0) {
  const std::string text = ReadAttribute(file);
  unsigned long long value = 0;
  return std::sscanf(text.c_str(), "%lli", &value) == 1 ? value : otherwise;
}

std::string Resolved(const fs::path& path) {
  std::error_code error;
  const fs::path real = fs::canonical(path, error);
  return error ? std::string() : real.string();
}

// "name" followed by decimal digits only: the number; unset otherwise.
std::optional<unsigned> NumberAfter(const std::string& text, const std::string& prefix) {
  if (text.size() <= prefix.size() || text.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = prefix.size(); i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return value;
}

bool IsPciName(const std::string& name) {
  unsigned domain = 0, bus = 0, device = 0, function = 0;
  char tail = 0;
  return std::sscanf(name.c_str(), "%x:%x:%x.%x%c", &domain, &bus, &device, &function, &tail) == 4;
}

// The PCI function nearest to a device in its sysfs path (a USB disk's is its USB controller's).
std::string PciFunctionOf(const std::string& sysfsPath) {
  std::string found;
  for (const fs::path& part : fs::path(sysfsPath))
    if (IsPciName(part.string())) found = part.string();
  return found;
}

bool HasComponent(const std::string& sysfsPath, const std::string& prefix) {
  for (const fs::path& part : fs::path(sysfsPath))
    if (NumberAfter(part.string(), prefix)) return true;
  return false;
}

// The first folder from `start` upwards (at most to the PCI function) that has the attribute.
fs::path AncestorWith(const std::string& start, const std::string& attribute) {
  for (fs::path dir = start; dir.has_relative_path(); dir = dir.parent_path()) {
    if (fs::exists(dir / attribute)) return dir;
    if (IsPciName(dir.filename().string())) break;
  }
  return {};
}

// The I/O address of a PCI function: the start of its first I/O BAR, when it has one.
std::optional<std::uint32_t> IoAddressOf(const fs::path& sysfsRoot, const std::string& pciFunction) {
  constexpr unsigned long long kIoResource = 0x100;
  std::ifstream in(sysfsRoot / "bus/pci/devices" / pciFunction / "resource");
  std::string line;
  for (int bar = 0; bar < 6 && std::getline(in, line); ++bar) {
    unsigned long long start = 0, end = 0, flags = 0;
    if (std::sscanf(line.c_str(), "%llx %llx %llx", &start, &end, &flags) == 3 && (flags & kIoResource) &&
        start)
      return static_cast<std::uint32_t>(start);
  }
  return std::nullopt;
}

// The one entry of a folder named `prefix` and digits ("sda" under block/ has no digits: any name).
std::string EntryOf(const fs::path& folder, const std::string& prefix, bool digitsOnly) {
  std::error_code error;
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (digitsOnly ? NumberAfter(name, prefix).has_value() : name.rfind(prefix, 0) == 0)
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names.empty() ? std::string() : names.front();
}

// The unit serial number page (VPD 80h) the kernel keeps for a SCSI device.
std::string SerialFromVpd(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (page.size() < 4) return {};
  const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(page[3]), page.size() - 4);
  return rb::Trim(std::string_view(page).substr(4, length));
}

// Orders names with their digit runs read as numbers: nvme2n1 before nvme10n1.
bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = a[i] >= '0' && a[i] <= '9', db = b[j] >= '0' && b[j] <= '9';
    if (da && db) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && a[ei] >= '0' && a[ei] <= '9') ++ei;
      while (ej < b.size() && b[ej] >= '0' && b[ej] <= '9') ++ej;
      const unsigned long long va = std::stoull(a.substr(i, std::min<std::size_t>(ei - i, 18)));
      const unsigned long long vb = std::stoull(b.substr(j, std::min<std::size_t>(ej - j, 18)));
      if (va != vb) return va < vb;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

void ReadDiskSize(const fs::path& block, LinuxStorageUnit& unit) {
  const std::uint64_t blockSize = ReadNumber(block / "queue/logical_block_size", 512);
  unit.blockSize = blockSize >= 512 && blockSize <= 65536 ? static_cast<std::uint32_t>(blockSize) : 512;
  // sysfs counts 512-byte sectors whatever the logical block size.
  unit.blocks = ReadNumber(block / "size") * 512 / unit.blockSize;
}

std::vector<LinuxScsiHost> ScanHosts(const fs::path& root) {
  std::vector<LinuxScsiHost> hosts;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(root / "class/scsi_host", error)) {
    const auto number = NumberAfter(entry.path().filename().string(), "host");
    if (!number) continue;
    LinuxScsiHost host;
    host.linuxHost = *number;
    host.driver = ReadAttribute(entry.path() / "proc_name");
    const std::string device = Resolved(entry.path() / "device");
    host.pciFunction = PciFunctionOf(device);
    if (!host.pciFunction.empty()) host.ioAddress = IoAddressOf(root, host.pciFunction);
    if (host.driver == "usb-storage" || host.driver == "uas")
      host.attachment = LinuxAttachment::kUsb;
    else if (HasComponent(device, "ata"))
      host.attachment = LinuxAttachment::kIde;
    hosts.push_back(std::move(host));
  }
  std::sort(hosts.begin(), hosts.end(),
            [](const auto& a, const auto& b) { return a.linuxHost < b.linuxHost; });
  // A port number is a byte.
  if (hosts.size() > 255) hosts.resize(255);
  for (std::size_t i = 0; i < hosts.size(); ++i) hosts[i].number = static_cast<unsigned>(i);
  return hosts;
}

std::optional<LinuxStorageUnit> ScsiUnit(const fs::path& entry, const std::vector<LinuxScsiHost>& hosts) {
  unsigned host = 0, channel = 0, target = 0, lun = 0;
  char tail = 0;
  const std::string name = entry.filename().string();
  if (std::sscanf(name.c_str(), "%u:%u:%u:%u%c", &host, &channel, &target, &lun, &tail) != 4)
    return std::nullopt;
  const auto port =
      std::find_if(hosts.begin(), hosts.end(), [host](const auto& h) { return h.linuxHost == host; });
  if (port == hosts.end() || channel > 255 || target > 255 || lun > 255 || !fs::exists(entry / "type"))
    return std::nullopt;
  LinuxStorageUnit unit;
  unit.port = static_cast<std::uint8_t>(port->number);
  unit.linuxHost = host;
  unit.attachment = port->attachment;
  unit.path = static_cast<std::uint8_t>(channel);
  unit.target = static_cast<std::uint8_t>(target);
  unit.lun = static_cast<std::uint8_t>(lun);
  unit.scsiType = static_cast<std::uint8_t>(ReadNumber(entry / "type", 0x1F) & 0x1F);
  unit.vendor = ReadAttribute(entry / "vendor");
  unit.product = ReadAttribute(entry / "model");
  unit.revision = ReadAttribute(entry / "rev");
  unit.serial = SerialFromVpd(entry / "vpd_pg80");
  unit.sysfsPath = Resolved(entry);
  unit.pciFunction = PciFunctionOf(unit.sysfsPath);
  unit.claimed = fs::exists(entry / "driver");

  if (unit.attachment == LinuxAttachment::kUsb) {
    const fs::path usbInterface = AncestorWith(unit.sysfsPath, "bInterfaceSubClass");
    unit.usbFloppy = !usbInterface.empty() && ReadNumber(usbInterface / "bInterfaceSubClass") == 4;
    const fs::path usbDevice = AncestorWith(unit.sysfsPath, "idVendor");
    if (!usbDevice.empty()) unit.serial = ReadAttribute(usbDevice / "serial");
  }
  const std::string block = EntryOf(entry / "block", "", false);
  const std::uint8_t type = unit.scsiType;
  if (!block.empty() && (type == 0x00 || type == 0x07 || type == 0x0E)) {
    unit.kind = LinuxStorageUnit::kDisk;
    unit.node = block;
    const fs::path blockDir = entry / "block" / block;
    unit.removable = ReadNumber(blockDir / "removable") != 0;
    ReadDiskSize(blockDir, unit);
  } else if (!block.empty() && type == 0x05) {
    unit.kind = LinuxStorageUnit::kCdrom;
    unit.node = block;
    unit.removable = true;
    ReadDiskSize(entry / "block" / block, unit);  // the medium's size: none without one
    unit.number = NumberAfter(block, "sr").value_or(0);
  } else if (type == 0x01) {
    unit.node = EntryOf(entry / "scsi_tape", "st", true);
    if (!unit.node.empty()) {
      unit.kind = LinuxStorageUnit::kTape;
      unit.removable = true;
      unit.number = NumberAfter(unit.node, "st").value_or(0);
    }
  }
  return unit;
}

// A disk of the own port from its /sys/block entry; unset for anything else.
std::optional<LinuxStorageUnit> OwnPortDisk(const fs::path& block) {
  const std::string name = block.filename().string();
  if (ReadNumber(block / "hidden") != 0) return std::nullopt;
  LinuxStorageUnit unit;
  unit.kind = LinuxStorageUnit::kDisk;
  unit.attachment = LinuxAttachment::kOwnPort;
  unit.scsiType = 0;
  unit.claimed = true;
  unit.node = name;
  const std::string subsystem = fs::path(Resolved(block / "device/subsystem")).filename().string();
  if (NumberAfter(name, "loop")) {
    if (!fs::exists(block / "loop/backing_file")) return std::nullopt;  // a loop device with nothing attached
    unit.blockKind = LinuxBlockKind::kLoop;
    unit.vendor = "Linux";
    unit.product = "Loop Device";
  } else if (subsystem == "virtio") {
    unit.blockKind = LinuxBlockKind::kVirtio;
    unit.vendor = "Virtio";
    unit.product = "Block Device";
    unit.serial = ReadAttribute(block / "serial");
  } else if (subsystem == "nvme" || subsystem == "nvme-subsystem") {
    unit.blockKind = LinuxBlockKind::kNvme;
    const fs::path device = block / "device";
    // As the SCSI translation of NVMe does it: vendor "NVMe", the model's first 16 characters as the
    // product, the firmware revision's first four as the revision.
    unit.vendor = "NVMe";
    const std::string model = ReadAttribute(device / "model");
    unit.product = rb::Trim(model.substr(0, std::min<std::size_t>(model.size(), 16)));
    if (unit.product.empty()) unit.product = "NVMe Namespace";
    const std::string firmware = ReadAttribute(device / "firmware_rev");
    unit.revision = firmware.substr(0, std::min<std::size_t>(firmware.size(), 4));
    unit.serial = ReadAttribute(device / "serial");
    const std::string controller = fs::path(Resolved(device)).filename().string();
    unit.nvmeController = NumberAfter(controller, "nvme") ? controller : EntryOf(device, "nvme", true);
  } else {
    return std::nullopt;
  }
  unit.sysfsPath = Resolved(block);
  unit.pciFunction = PciFunctionOf(unit.sysfsPath);
  unit.removable = ReadNumber(block / "removable") != 0;
  unit.solidState = unit.blockKind == LinuxBlockKind::kNvme || ReadNumber(block / "queue/rotational", 1) == 0;
  ReadDiskSize(block, unit);
  return unit;
}

}  // namespace

std::string LinuxStorageUnit::DosName() const {
  switch (kind) {
    case kDisk:
      return "PhysicalDrive" + std::to_string(number);
    case kCdrom:
      return "CdRom" + std::to_string(number);
    case kTape:
      return "Tape" + std::to_string(number);
    default:
      return {};
  }
}

LinuxStorageMap LinuxStorageMap::Scan(const std::string& sysfsRoot) {
  const fs::path root(sysfsRoot);
  LinuxStorageMap map;
  map.hosts_ = ScanHosts(root);
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(root / "bus/scsi/devices", error))
    if (auto unit = ScsiUnit(entry.path(), map.hosts_)) map.units_.push_back(std::move(*unit));

  std::vector<LinuxStorageUnit> own;
  for (const fs::directory_entry& entry : fs::directory_iterator(root / "block", error))
    if (auto unit = OwnPortDisk(entry.path())) own.push_back(std::move(*unit));
  if (!own.empty()) {
    std::sort(own.begin(), own.end(), [](const LinuxStorageUnit& a, const LinuxStorageUnit& b) {
      if (a.blockKind != b.blockKind) return a.blockKind < b.blockKind;
      return NaturalLess(a.node, b.node);
    });
    const auto port = static_cast<unsigned>(map.hosts_.size());
    LinuxScsiHost host;
    host.number = port;
    host.attachment = LinuxAttachment::kOwnPort;
    host.driver = own.front().blockKind == LinuxBlockKind::kNvme     ? "nvme"
                  : own.front().blockKind == LinuxBlockKind::kVirtio ? "virtio_blk"
                                                                     : "loop";
    for (const LinuxStorageUnit& unit : own)
      if (unit.blockKind != own.front().blockKind) host.driver = "block";
    // One target a disk, up to the 256 a port can address.
    for (std::size_t i = 0; i < own.size() && i < 256; ++i) {
      own[i].port = static_cast<std::uint8_t>(port);
      own[i].target = static_cast<std::uint8_t>(i);
      map.units_.push_back(std::move(own[i]));
    }
    if (port <= 255) {
      map.ownPort_ = port;
      map.hosts_.push_back(std::move(host));
    } else {
      map.units_.erase(
          std::remove_if(map.units_.begin(), map.units_.end(),
                         [](const auto& u) { return u.attachment == LinuxAttachment::kOwnPort; }),
          map.units_.end());
    }
  }

  std::sort(map.units_.begin(), map.units_.end(), [](const LinuxStorageUnit& a, const LinuxStorageUnit& b) {
    return std::tie(a.port, a.path, a.target, a.lun) < std::tie(b.port, b.path, b.target, b.lun);
  });
  unsigned disks = 0;
  for (LinuxStorageUnit& unit : map.units_)
    if (unit.kind == LinuxStorageUnit::kDisk) unit.number = disks++;
  return map;
}

const LinuxScsiHost* LinuxStorageMap::Host(unsigned number) const {
  for (const LinuxScsiHost& host : hosts_)
    if (host.number == number) return &host;
  return nullptr;
}

const LinuxStorageUnit* LinuxStorageMap::FindByDosName(const std::string& name) const {
  for (const LinuxStorageUnit& unit : units_)
    if (unit.kind != LinuxStorageUnit::kOther && rb::EqualsNoCase(unit.DosName(), name)) return &unit;
  return nullptr;
}

const LinuxStorageUnit* LinuxStorageMap::Find(unsigned port, unsigned path, unsigned target,
                                              unsigned lun) const {
  for (const LinuxStorageUnit& unit : units_)
    if (unit.port == port && unit.path == path && unit.target == target && unit.lun == lun) return &unit;
  return nullptr;
}

}  // namespace os
