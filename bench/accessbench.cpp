// accessbench: the access test's sequential and random reads on a real block device against fio on
// the same device, transfer size, direct I/O and one request in flight, alternating, read-only.
//
//   accessbench /dev/vda [--bs BYTES] [--sequential-mib N] [--random-ios N] [--rounds N]
//
// Ours: SeqReadTest and RandReadTest of a disk made on the linux backend's port for that device, as
// discovery makes it. Their throughput is the bytes of the READ commands over the time from the first
// READ's start to the last one's end (the run's one-second settle pause and its preparation are not
// I/O); the backend is wrapped only to watch the commands go by.
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "devices/scsi/scsidisk.h"
#include "devices/scsi/scsidriver.h"
#include "platform/forwardingplatform.h"
#include "platform/linux/linuxplatform.h"
#include "platform/linux/linuxstoragemap.h"
#include "platform/os.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"
#include "tests/accesstest.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes when the first READ began and the last one ended, and the bytes they moved.
class ReadClock : public rbtest::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override {
    const auto* request = static_cast<const win::ScsiPassThroughDirect*>(in);
    const bool read = code == win::IOCTL_SCSI_PASS_THROUGH_DIRECT && request != nullptr &&
                      (request->Cdb[0] == 0x28 || request->Cdb[0] == 0x88);
    const Clock::time_point began = Clock::now();
    const bool done =
        ForwardingPlatform::DeviceIoControl(handle, code, in, inLength, out, outLength, returned);
    if (read) {
      if (reads++ == 0) first = began;
      last = Clock::now();
      bytes += request->DataTransferLength;
    }
    return done;
  }
  void Reset() {
    reads = 0;
    bytes = 0;
  }
  double Seconds() const { return std::chrono::duration<double>(last - first).count(); }

  Clock::time_point first, last;
  std::uint64_t reads = 0;
  std::uint64_t bytes = 0;
};

struct Figure {
  double mbps = 0;
  double iops = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// fio's read bandwidth and IOPS from its JSON report.
Figure RunFio(const std::string& device, bool random, std::uint64_t bs, std::uint64_t bytes,
              std::uint64_t range) {
  const std::string command = "fio --name=bench --filename=" + device + " --readonly --direct=1 --iodepth=1" +
                              " --ioengine=psync --rw=" + (random ? "randread" : "read") +
                              " --bs=" + std::to_string(bs) + " --size=" + std::to_string(range) +
                              " --io_size=" + std::to_string(bytes) + " --randrepeat=0 --norandommap" +
                              " --output-format=json 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string report;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) report.append(chunk, n);
  if (::pclose(pipe) != 0) return {};
  auto number = [&](const char* key) {
    const std::size_t read = report.find("\"read\"");
    const std::size_t at = report.find(key, read == std::string::npos ? 0 : read);
    return at == std::string::npos ? 0.0
                                   : std::strtod(report.c_str() + at + std::string(key).size(), nullptr);
  };
  const double bandwidth = number("\"bw_bytes\" : ");
  return {bandwidth / 1e6, number("\"iops\" : ")};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(
        stderr,
        "usage: accessbench DEVICE [--bs BYTES] [--sequential-mib N] [--random-ios N] [--rounds N]\n");
    return 2;
  }
  const std::string device = argv[1];
  std::uint64_t bs = 65536, sequentialMib = 256, randomIos = 2000, rounds = 3;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const std::uint64_t value = std::strtoull(argv[i + 1], nullptr, 10);
    if (option == "--bs") bs = value;
    if (option == "--sequential-mib") sequentialMib = value;
    if (option == "--random-ios") randomIos = value;
    if (option == "--rounds") rounds = value;
  }
  const std::string node = device.substr(device.rfind('/') + 1);
  const os::LinuxStorageMap map = os::LinuxStorageMap::Scan("/sys");
  const os::LinuxStorageUnit* unit = nullptr;
  for (const os::LinuxStorageUnit& candidate : map.Units())
    if (candidate.node == node) unit = &candidate;
  if (unit == nullptr) {
    std::fprintf(stderr, "accessbench: the linux backend does not list %s as a disk\n", device.c_str());
    return 1;
  }
  os::LinuxPlatform native;
  auto watching = std::make_unique<ReadClock>(native);
  ReadClock& clock = *watching;
  os::Install(std::move(watching));

  rb::ScsiDriver port("\\\\.\\SCSI" + std::to_string(unit->port) + ":");
  rb::ScsiDisk disk("disk", false, &port, unit->path, unit->target, unit->lun);
  const std::uint32_t blockSize = disk.BlockSize();
  const std::uint64_t blocksPerAccess = bs / blockSize;
  disk.SetMaxBlocksPerAccess(static_cast<std::uint32_t>(blocksPerAccess));
  const std::uint64_t sequentialBlocks =
      std::min<std::uint64_t>(sequentialMib * 1024 * 1024 / blockSize, disk.LastBlockAddress());
  // Random addresses over the whole disk (fio: the same range).
  const std::uint64_t range = disk.LastBlockAddress() / blocksPerAccess * blocksPerAccess;

  std::printf("device %s (%s on port %u), %u-byte blocks, %llu bytes per access, %llu rounds\n",
              device.c_str(), unit->product.c_str(), unit->port, blockSize,
              static_cast<unsigned long long>(bs), static_cast<unsigned long long>(rounds));
  for (const bool random : {false, true}) {
    std::vector<double> ours, theirs, ourIops, theirIops, ratios;
    for (std::uint64_t round = 0; round < rounds; ++round) {
      auto test = rb::AccessTest::MakeInstance(random ? "RandReadTest" : "SeqReadTest");
      rb::Test& run = *test;
      disk.AddTest(std::move(test));
      rb::XmlObject command;
      command.SetName("runTest");
      command.SetAttribute("retries", "0");
      command.SetAttribute("BlocksPerAccess", std::to_string(blocksPerAccess));
      command.SetAttribute("blockCount",
                           std::to_string(random ? randomIos * blocksPerAccess : sequentialBlocks));
      // Sequential: every block of the range, as fio reads it (the test's default skips 250 blocks).
      if (!random) command.SetAttribute("SkipFactor", "0");
      if (random) command.SetAttribute("EndBlock", std::to_string(range));
      clock.Reset();
      try {
        const rb::XmlObject result = run.Run(command);
        if (result.GetAttribute("currentState") != "passed") {
          std::fprintf(stderr, "accessbench: %s\n", result.ToString().c_str());
          return 1;
        }
      } catch (const rb::OruError& error) {
        std::fprintf(stderr, "accessbench: %s: %s\n", error.what(), error.Detail().c_str());
        return 1;
      }
      const double seconds = clock.Seconds();
      ours.push_back(clock.bytes / seconds / 1e6);
      ourIops.push_back(clock.reads / seconds);
      const Figure fio = RunFio(device, random, bs, clock.bytes, random ? range * blockSize : clock.bytes);
      theirs.push_back(fio.mbps);
      theirIops.push_back(fio.iops);
      ratios.push_back(fio.mbps > 0 ? ours.back() / fio.mbps : 0);
    }
    std::printf("%-10s ours %8.1f MB/s %8.0f IOPS   fio %8.1f MB/s %8.0f IOPS   ratio %.3f (median of %zu)\n",
                random ? "random" : "sequential", Median(ours), Median(ourIops), Median(theirs),
                Median(theirIops), Median(ratios), ratios.size());
  }
  os::Install(nullptr);
  return 0;
}
