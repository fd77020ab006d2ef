#pragma once

// The blocks of a simulated disk: a sparse map of written blocks over a deterministic pattern, so
// that a disk of terabytes costs only what was written; or a backing file holding the whole disk.
// Blocks declared in the description (<block lba="n" text="..."/> or hex="...") are written first.

#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace os {

class SimBlockStore {
 public:
  SimBlockStore(std::uint64_t blocks, std::uint32_t blockSize, const std::string& backingFile);

  std::uint64_t Blocks() const { return blocks_; }
  std::uint32_t BlockSize() const { return blockSize_; }
  bool Backed() const { return file_ != nullptr; }
  // The blocks the sparse map holds (those that differ from their pattern).
  std::size_t StoredBlocks() const { return written_.size(); }

  // `count` blocks from `lba` on (the caller checks the range).
  void Read(std::uint64_t lba, std::uint64_t count, std::uint8_t* out);
  void Write(std::uint64_t lba, std::uint64_t count, const std::uint8_t* in);
  // Forgets everything written (FORMAT UNIT).
  void Clear();

  // The pattern of a block never written: its LBA big-endian in the first 8 bytes, then bytes that
  // depend on LBA and offset.
  static void Pattern(std::uint64_t lba, std::uint32_t blockSize, std::uint8_t* out);

 private:
  std::uint64_t blocks_;
  std::uint32_t blockSize_;
  std::map<std::uint64_t, std::vector<std::uint8_t>> written_;
  std::unique_ptr<std::fstream> file_;
};

}  // namespace os
