#include "platform/linux/linuxmounts.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/statvfs.h>

#include <fstream>
#include <set>
#include <sstream>

namespace os {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The mount table writes blanks, tabs, newlines and backslashes in paths as \ooo (octal).
std::string DecodeMountField(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

// udev writes unsafe characters of a label as \xHH.
std::string DecodeLabel(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      const int high = HexValue(name[i + 2]), low = HexValue(name[i + 3]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 3;
        continue;
      }
    }
    out += name[i];
  }
  return out;
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// The label whose link in the directory leads to the device; empty when none does.
std::string LabelOf(const std::string& device, const std::string& byLabelDirectory) {
  DIR* dir = ::opendir(byLabelDirectory.c_str());
  if (dir == nullptr) return {};
  std::string label;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (RealPath(byLabelDirectory + "/" + name) == device) {
      label = DecodeLabel(name);
      break;
    }
  }
  ::closedir(dir);
  return label;
}

bool IsBlockDeviceSource(const std::string& source) {
  return source.rfind("/dev/", 0) == 0 && source.rfind("/dev/loop", 0) != 0;
}

}  // namespace

bool ReadFixedLogicalDisks(const std::string& mountTable, const std::string& byLabelDirectory,
                           std::vector<LogicalDisk>* disks) {
  std::ifstream table(mountTable);
  if (!table) return false;
  disks->clear();
  std::set<std::string> seen;
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string source, mountPoint, type;
    if (!(fields >> source >> mountPoint >> type)) continue;
    source = DecodeMountField(source);
    if (!IsBlockDeviceSource(source)) continue;
    const std::string device = RealPath(source);
    if (!seen.insert(device).second) continue;
    LogicalDisk disk;
    disk.deviceId = DecodeMountField(mountPoint);
    struct statvfs usage;
    if (::statvfs(disk.deviceId.c_str(), &usage) != 0) {
      seen.erase(device);  // a later mount point of the device may answer
      continue;
    }
    disk.fileSystem = type;
    disk.volumeName = LabelOf(device, byLabelDirectory);
    disk.size = static_cast<std::uint64_t>(usage.f_blocks) * usage.f_frsize;
    disk.freeSpace = static_cast<std::uint64_t>(usage.f_bavail) * usage.f_frsize;
    disks->push_back(std::move(disk));
  }
  return true;
}

std::vector<std::pair<std::string, std::string>> ReadDeviceMountPoints(const std::string& mountTable) {
  std::vector<std::pair<std::string, std::string>> points;
  std::ifstream table(mountTable);
  std::string line;
  std::set<std::string> seen;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string source, mountPoint;
    if (!(fields >> source >> mountPoint)) continue;
    source = DecodeMountField(source);
    if (source.rfind("/dev/", 0) != 0) continue;
    const std::string device = RealPath(source);
    const std::string name = device.substr(device.find_last_of('/') + 1);
    if (seen.insert(name).second) points.emplace_back(name, DecodeMountField(mountPoint));
  }
  return points;
}

}  // namespace os
