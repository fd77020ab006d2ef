#include "platform/sim/scsi/simblockstore.h"

#include <algorithm>
#include <cstring>

namespace os {

SimBlockStore::SimBlockStore(std::uint64_t blocks, std::uint32_t blockSize, const std::string& backingFile)
    : blocks_(blocks), blockSize_(blockSize) {
  if (backingFile.empty()) return;
  file_ = std::make_unique<std::fstream>(backingFile, std::ios::in | std::ios::out | std::ios::binary);
  if (!*file_) file_.reset();
}

void SimBlockStore::Pattern(std::uint64_t lba, std::uint32_t blockSize, std::uint8_t* out) {
  for (std::uint32_t i = 0; i < blockSize; ++i)
    out[i] = i < 8 ? static_cast<std::uint8_t>(lba >> (56 - 8 * i)) : static_cast<std::uint8_t>(lba * 7 + i);
}

void SimBlockStore::Read(std::uint64_t lba, std::uint64_t count, std::uint8_t* out) {
  for (std::uint64_t i = 0; i < count; ++i, out += blockSize_) {
    const std::uint64_t block = lba + i;
    if (file_ != nullptr) {
      std::fill_n(out, blockSize_, 0);
      file_->clear();
      file_->seekg(static_cast<std::streamoff>(block * blockSize_));
      file_->read(reinterpret_cast<char*>(out), blockSize_);
      continue;
    }
    const auto found = written_.find(block);
    if (found != written_.end())
      std::memcpy(out, found->second.data(), blockSize_);
    else
      Pattern(block, blockSize_, out);
  }
}

void SimBlockStore::Write(std::uint64_t lba, std::uint64_t count, const std::uint8_t* in) {
  std::vector<std::uint8_t> pattern(file_ == nullptr ? blockSize_ : 0);
  for (std::uint64_t i = 0; i < count; ++i, in += blockSize_) {
    if (file_ != nullptr) {
      file_->clear();
      file_->seekp(static_cast<std::streamoff>((lba + i) * blockSize_));
      file_->write(reinterpret_cast<const char*>(in), blockSize_);
      continue;
    }
    // A block written back as it never was written costs nothing again: a test that restores what it
    // saved leaves the store as small as it found it.
    Pattern(lba + i, blockSize_, pattern.data());
    if (std::memcmp(in, pattern.data(), blockSize_) == 0)
      written_.erase(lba + i);
    else
      written_[lba + i].assign(in, in + blockSize_);
  }
  if (file_ != nullptr) file_->flush();
}

void SimBlockStore::Clear() {
  written_.clear();
}

}  // namespace os
