#pragma once

// Handles of a backend: small non-null values (multiples of 4, as Windows hands out) that never equal
// INVALID_HANDLE_VALUE, each naming an object of the backend. The objects are polymorphic so that a
// backend keeps files, devices and other kinds of handles in one table and asks for the kind it needs.
// Lookups answer shared ownership: a handle closed by one thread stays alive for a call another thread
// is still making with it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/winapi.h"

namespace os {

class HandleObject {
 public:
  virtual ~HandleObject() = default;
};

class HandleTable {
 public:
  // `firstValue` is the value of the first handle; each further slot adds 4. Backends whose handles live
  // side by side (the simulated machine's devices beside the native files) choose ranges apart.
  explicit HandleTable(std::uintptr_t firstValue = 4);
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;

  // Stores the object and answers its handle; the lowest free value is reused.
  win::HANDLE Add(std::shared_ptr<HandleObject> object);
  // The object of a handle, or null when the handle is not in the table.
  std::shared_ptr<HandleObject> Find(win::HANDLE handle) const;
  // The object of a handle when it is of kind T, null otherwise.
  template <class T>
  std::shared_ptr<T> FindAs(win::HANDLE handle) const {
    return std::dynamic_pointer_cast<T>(Find(handle));
  }
  // Takes the object out of the table; null when the handle is not in it.
  std::shared_ptr<HandleObject> Remove(win::HANDLE handle);
  std::size_t Count() const;

 private:
  // The slot index of a handle, or the slot count when the value is not one of this table's.
  std::size_t SlotOf(win::HANDLE handle) const;

  const std::uintptr_t firstValue_;
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<HandleObject>> slots_;
  std::size_t count_ = 0;
};

}  // namespace os
