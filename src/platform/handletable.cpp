#include "platform/handletable.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace os {
namespace {
constexpr std::uintptr_t kStride = 4;
}

HandleTable::HandleTable(std::uintptr_t firstValue) : firstValue_(firstValue) {
  // Multiples of 4 are never null and never INVALID_HANDLE_VALUE (all bits set).
  if (firstValue == 0 || firstValue % kStride != 0)
    throw std::invalid_argument("handle values start at a non-zero multiple of 4");
}

win::HANDLE HandleTable::Add(std::shared_ptr<HandleObject> object) {
  std::lock_guard lock(mutex_);
  auto slot = std::find(slots_.begin(), slots_.end(), nullptr);
  if (slot == slots_.end()) slot = slots_.insert(slots_.end(), nullptr);
  *slot = std::move(object);
  ++count_;
  const auto index = static_cast<std::uintptr_t>(slot - slots_.begin());
  return reinterpret_cast<win::HANDLE>(firstValue_ + index * kStride);
}

std::size_t HandleTable::SlotOf(win::HANDLE handle) const {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  if (value < firstValue_ || (value - firstValue_) % kStride != 0) return slots_.size();
  return std::min(static_cast<std::size_t>((value - firstValue_) / kStride), slots_.size());
}

std::shared_ptr<HandleObject> HandleTable::Find(win::HANDLE handle) const {
  std::lock_guard lock(mutex_);
  const std::size_t index = SlotOf(handle);
  return index < slots_.size() ? slots_[index] : nullptr;
}

std::shared_ptr<HandleObject> HandleTable::Remove(win::HANDLE handle) {
  std::lock_guard lock(mutex_);
  const std::size_t index = SlotOf(handle);
  if (index >= slots_.size() || slots_[index] == nullptr) return nullptr;
  --count_;
  auto object = std::move(slots_[index]);
  slots_[index] = nullptr;
  while (!slots_.empty() && slots_.back() == nullptr) slots_.pop_back();
  return object;
}

std::size_t HandleTable::Count() const {
  std::lock_guard lock(mutex_);
  return count_;
}

}  // namespace os
