#include "devices/blockdevice.h"

#include "framework/ptstream.h"

namespace rb {

void BlockDevice::StreamBlockState(ptstream& stream) {
  stream.Transfer(maxBlocksPerAccess_);
  stream.Transfer(errorCounter0_);
  stream.Transfer(errorCounter1_);
}

void BlockDevice::CopyBlockState(const BlockDevice& other) {
  maxBlocksPerAccess_ = other.maxBlocksPerAccess_;
  errorCounter0_ = other.errorCounter0_;
  errorCounter1_ = other.errorCounter1_;
  lastBlock_ = other.lastBlock_;
  blockSize_ = other.blockSize_;
}

}  // namespace rb
