#pragma once

#include <cstdint>
#include <memory>

#include "framework/persistent.h"

namespace rb {

class DiskWriteHold;
class ptstream;

// Block access as the block tests see it: the device's extent, its readiness and read/write/verify of
// whole blocks, with the hard and soft errors of the last access. A device class that is a block device
// derives from it beside its Persistent base and names itself as the interface's proxy owner, so that
// a test's reference to the interface streams as a reference to the device.
class BlockDevice : public PersistentByProxy {
 public:
  // Access modes.
  enum Mode : int { kRead = 0, kWrite = 1, kVerify = 2 };

  // The last block's address: the device's extent, read on first use; 0 while it cannot be read. Held
  // in 64 bits for devices beyond 2 TiB.
  virtual std::uint64_t LastBlockAddress() = 0;
  virtual std::uint32_t BlockSize() = 0;
  virtual bool IsReady() = 0;
  // Reads, writes or verifies `count` blocks at `address`; `buffer` holds count × BlockSize() bytes for
  // reading and writing. Raises "Invalid parameter list" for another mode.
  virtual void Access(int mode, std::uint64_t address, std::uint32_t count, void* buffer) = 0;
  virtual std::uint32_t HardErrorsOfLastAccess() const { return hardErrors_; }
  virtual std::uint32_t SoftErrorsOfLastAccess() const { return softErrors_; }
  // Takes the disk for writing for as long as the hold lives, so that a test that writes is refused
  // before it touches a block, and nothing can take the disk from it halfway; the device's own writes
  // within it are held already. Raises DiskWriteHold's refusal.
  virtual std::unique_ptr<DiskWriteHold> HoldForWriting() = 0;
  // Keeps what each access opens (the port of a SCSI disk) open while the answer lives, for a run of
  // many accesses within one host command; null when the device opens nothing worth keeping.
  virtual std::shared_ptr<void> KeepOpen() { return nullptr; }
  // The largest count of blocks one access may move.
  virtual std::uint32_t MaxBlocksPerAccess() const { return maxBlocksPerAccess_; }

  void SetMaxBlocksPerAccess(std::uint32_t blocks) { maxBlocksPerAccess_ = blocks; }
  // The two counters a test clears after it tolerated a device error.
  std::uint32_t& ErrorCounter(int which) { return which == 0 ? errorCounter0_ : errorCounter1_; }

 protected:
  // 128 blocks: what a port driver moves in one request without splitting it.
  static constexpr std::uint32_t kDefaultMaxBlocks = 128;

  explicit BlockDevice(Persistent* owner) : PersistentByProxy(owner) {}
  // The persistent form of the interface: the maximum blocks per access and the two error counters.
  void StreamBlockState(ptstream& stream);
  void CopyBlockState(const BlockDevice& other);

  std::uint64_t lastBlock_ = 0;
  std::uint32_t blockSize_ = 0;
  std::uint32_t hardErrors_ = 0;
  std::uint32_t softErrors_ = 0;

 private:
  std::uint32_t maxBlocksPerAccess_ = kDefaultMaxBlocks;
  std::uint32_t errorCounter0_ = 0;
  std::uint32_t errorCounter1_ = 0;
};

}  // namespace rb
