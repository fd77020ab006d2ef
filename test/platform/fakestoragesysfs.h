#pragma once

// A small made-up sysfs tree with the storage of a server, laid out as the kernel lays it out (devices
// under their PCI functions, class and bus folders linking to them):
//   host0  sym53c8xx on 0000:00:05.0 (I/O BAR at c000h): disk 0:0:0:0 (sda, sg0), CD 0:0:2:0 (sr0, sg1),
//          tape 0:0:5:0 (st0, sg4)
//   host1  usb-storage on the xHCI 0000:00:06.0 (memory BAR only): disk 1:0:0:0 (sdb), USB serial RBUSB0001
//   host2  ahci on 0000:00:1f.2 (ata1): disk 2:0:0:0 (sdc)
//   nvme0n1 on 0000:00:04.0, vda (virtio-blk) on 0000:00:02.0, loop0 attached, loop1 free, zram0

#include <filesystem>
#include <fstream>
#include <string>

namespace rbtest {

class FakeStorageSysfs {
 public:
  explicit FakeStorageSysfs(std::string root) : root_(std::move(root)) {
    const std::string lsi = "devices/pci0000:00/0000:00:05.0";
    Pci("0000:00:05.0",
        "0x00000000febf1000 0x00000000febf13ff 0x0000000000040200\n"
        "0x000000000000c000 0x000000000000c0ff 0x0000000000040101\n");
    Host(0, lsi + "/host0", "sym53c8xx");
    ScsiDevice(lsi + "/host0/target0:0:0/0:0:0:0", 0, "QEMU", "QEMU HARDDISK", "2.5+", "sda", "sg0", 2097152);
    Write(lsi + "/host0/target0:0:0/0:0:0:0/vpd_pg80", std::string("\0\x80\0\x09RBLSI0001", 13));
    ScsiDevice(lsi + "/host0/target0:0:2/0:0:2:0", 5, "QEMU", "QEMU CD-ROM", "2.5+", "sr0", "sg1", 0);
    ScsiDevice(lsi + "/host0/target0:0:5/0:0:5:0", 1, "HP", "Ultrium 5-SCSI", "Z6ED", "", "sg4", 0);
    for (const char* node : {"st0", "nst0", "st0a"})
      std::filesystem::create_directories(Root() + "/" + lsi + "/host0/target0:0:5/0:0:5:0/scsi_tape/" +
                                          node);

    const std::string usb = "devices/pci0000:00/0000:00:06.0/usb1/1-1";
    Pci("0000:00:06.0", "0x00000000fe000000 0x00000000fe003fff 0x0000000000140204\n");
    Write(usb + "/idVendor", "46f4\n");
    Write(usb + "/serial", "RBUSB0001\n");
    Write(usb + "/1-1:1.0/bInterfaceSubClass", "06\n");
    Host(1, usb + "/1-1:1.0/host1", "usb-storage");
    ScsiDevice(usb + "/1-1:1.0/host1/target1:0:0/1:0:0:0", 0, "QEMU", "QEMU HARDDISK", "2.5+", "sdb", "sg2",
               131072);

    const std::string ahci = "devices/pci0000:00/0000:00:1f.2/ata1";
    Pci("0000:00:1f.2", "0x000000000000d000 0x000000000000d007 0x0000000000040101\n");
    Host(2, ahci + "/host2", "ahci");
    ScsiDevice(ahci + "/host2/target2:0:0/2:0:0:0", 0, "ATA", "RAVELSATADISK", "2.5+", "sdc", "sg3", 131072);

    const std::string nvme = "devices/pci0000:00/0000:00:04.0/nvme/nvme0";
    Pci("0000:00:04.0", "0x00000000febf0000 0x00000000febf3fff 0x0000000000140204\n");
    Write(nvme + "/model", "QEMU NVMe Ctrl                          \n");
    Write(nvme + "/serial", "RBNVME0001          \n");
    Write(nvme + "/firmware_rev", "8.0.0   \n");
    Link(nvme + "/subsystem", "class/nvme");
    Disk(nvme + "/nvme0n1", 131072, 4096);
    Link(nvme + "/nvme0n1/device", nvme);

    const std::string virtio = "devices/pci0000:00/0000:00:02.0/virtio1";
    Pci("0000:00:02.0", "0x000000000000c040 0x000000000000c07f 0x0000000000040101\n");
    Write(virtio + "/vendor", "0x1af4\n");
    Link(virtio + "/subsystem", "bus/virtio");
    Disk(virtio + "/block/vda", 131072, 512);
    Write(virtio + "/block/vda/serial", "RBVBLK0001");
    Link(virtio + "/block/vda/device", virtio);

    Disk("devices/virtual/block/loop0", 2048, 512);
    Write("devices/virtual/block/loop0/loop/backing_file", "/var/tmp/scratch.img\n");
    Disk("devices/virtual/block/loop1", 0, 512);
    Disk("devices/virtual/block/zram0", 8192, 4096);
  }

  const std::string& Root() const { return root_; }

  void Write(const std::string& path, const std::string& content) const {
    std::filesystem::create_directories(std::filesystem::path(root_ + "/" + path).parent_path());
    std::ofstream(root_ + "/" + path, std::ios::binary) << content;
  }
  void Link(const std::string& path, const std::string& target) const {
    std::filesystem::create_directories(std::filesystem::path(root_ + "/" + path).parent_path());
    std::filesystem::create_directories(root_ + "/" + target);
    std::filesystem::create_directory_symlink(root_ + "/" + target, root_ + "/" + path);
  }

 private:
  void Pci(const std::string& name, const std::string& resource) const {
    Write("devices/pci0000:00/" + name + "/resource", resource);
    Link("bus/pci/devices/" + name, "devices/pci0000:00/" + name);
  }
  void Host(unsigned number, const std::string& device, const std::string& driver) const {
    const std::string name = "host" + std::to_string(number);
    Write(device + "/scsi_host/" + name + "/proc_name", driver + "\n");
    Link(device + "/scsi_host/" + name + "/device", device);
    Link("class/scsi_host/" + name, device + "/scsi_host/" + name);
  }
  // A whole disk's block folder, linked from block/.
  void Disk(const std::string& folder, unsigned long long sectors, unsigned blockSize) const {
    Write(folder + "/size", std::to_string(sectors) + "\n");
    Write(folder + "/queue/logical_block_size", std::to_string(blockSize) + "\n");
    Write(folder + "/removable", "0\n");
    Link("block/" + std::filesystem::path(folder).filename().string(), folder);
  }
  void ScsiDevice(const std::string& device, int type, const std::string& vendor, const std::string& model,
                  const std::string& revision, const std::string& block, const std::string& generic,
                  unsigned long long sectors) const {
    Write(device + "/type", std::to_string(type) + "\n");
    Write(device + "/vendor", vendor + std::string(8 - vendor.size(), ' ') + "\n");
    Write(device + "/model", model + std::string(16 - model.size(), ' ') + "\n");
    Write(device + "/rev", revision + "\n");
    Link(device + "/subsystem", "bus/scsi");
    Link(device + "/driver", type == 5   ? "bus/scsi/drivers/sr"
                             : type == 1 ? "bus/scsi/drivers/st"
                                         : "bus/scsi/drivers/sd");
    std::filesystem::create_directories(root_ + "/" + device + "/scsi_generic/" + generic);
    if (!block.empty()) {
      Disk(device + "/block/" + block, sectors, 512);
      Link(device + "/block/" + block + "/device", device);
    }
    Link("bus/scsi/devices/" + std::filesystem::path(device).filename().string(), device);
  }

  std::string root_;
};

}  // namespace rbtest
