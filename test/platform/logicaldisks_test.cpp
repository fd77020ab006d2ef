// The local fixed volumes as each backend sees them: the Linux mount table with udev's labels, and the
// volumes a simulated machine declares.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/linuxmounts.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"

namespace {

std::vector<std::string> Ids(const std::vector<os::LogicalDisk>& disks) {
  std::vector<std::string> ids;
  for (const os::LogicalDisk& disk : disks) ids.push_back(disk.deviceId + "|" + disk.volumeName + "|" + disk.fileSystem);
  return ids;
}

TEST(LinuxMounts, BlockDeviceFileSystemsOnceEachWithTheirLabels) {
  rbtest::ScratchDir dir;
  // Stand-ins for two block devices and a udev label directory whose link leads to the first.
  const std::string sda1 = dir.Write("sda1", ""), sdb1 = dir.Write("sdb1", "");
  std::filesystem::create_directory(dir.File("by-label"));
  std::filesystem::create_symlink(sda1, dir.File("by-label/Data\\x20Disk"));
  std::filesystem::create_directory(dir.File("with space"));
  // The mount table names devices under /dev; "/dev/../<path>" reaches the stand-ins from there.
  const std::string table = dir.Write(
      "mounts",
      "proc /proc proc rw 0 0\n"
      "tmpfs /dev/shm tmpfs rw 0 0\n"
      "/dev/../" + sda1.substr(1) + " / ext4 rw 0 0\n"
      "/dev/../" + sda1.substr(1) + " " + dir.Path() + " ext4 rw 0 0\n"          // the same device again
      "/dev/loop3 /snap/core squashfs ro 0 0\n"                                  // a mounted image
      "/dev/../" + sdb1.substr(1) + " " + dir.Path() + "/with\\040space xfs rw 0 0\n"
      "/dev/../" + sdb1.substr(1) + "x /nonexistent/mount ext4 rw 0 0\n"        // cannot be queried
      "short line\n");
  std::vector<os::LogicalDisk> disks;
  ASSERT_TRUE(os::ReadFixedLogicalDisks(table, dir.File("by-label"), &disks));
  EXPECT_EQ(Ids(disks), (std::vector<std::string>{"/|Data Disk|ext4", dir.Path() + "/with space||xfs"}));
  EXPECT_GT(disks[0].size, 0u);
  EXPECT_LE(disks[0].freeSpace, disks[0].size);

  EXPECT_FALSE(os::ReadFixedLogicalDisks(dir.File("absent"), dir.File("by-label"), &disks));
}

TEST(SimLogicalDisks, DeclaredUnreadableOrMalformed) {
  rbtest::ScratchDir dir;
  const std::string declared = dir.Write("declared.xml",
                                         "<machine><logicalDisks>"
                                         "<disk id='C:' label='System' fileSystem='NTFS' size='0x100000' freeSpace='4096'/>"
                                         "<disk id='D:' size='10' freeSpace='0'/>"
                                         "</logicalDisks></machine>");
  std::vector<os::LogicalDisk> disks;
  os::SimPlatform machine(declared);
  ASSERT_TRUE(machine.GetFixedLogicalDisks(&disks));
  EXPECT_EQ(Ids(disks), (std::vector<std::string>{"C:|System|NTFS", "D:||"}));
  EXPECT_EQ(disks[0].size, 0x100000u);
  EXPECT_EQ(disks[0].freeSpace, 4096u);

  os::SimPlatform none(dir.Write("none.xml", "<machine/>"));
  EXPECT_TRUE(none.GetFixedLogicalDisks(&disks));
  EXPECT_TRUE(disks.empty());
  os::SimPlatform unreadable(dir.Write("unreadable.xml", "<machine><logicalDisks readable='0'/></machine>"));
  EXPECT_FALSE(unreadable.GetFixedLogicalDisks(&disks));

  for (const char* body : {"<disk size='1' freeSpace='0'/>", "<disk id='C:' size='1' freeSpace='2'/>",
                           "<disk id='C:' size='big' freeSpace='0'/>"}) {
    const std::string path = dir.Write("bad.xml", std::string("<machine><logicalDisks>") + body + "</logicalDisks></machine>");
    EXPECT_THROW(os::SimPlatform{path}, os::MachineError) << body;
  }
}

}  // namespace
