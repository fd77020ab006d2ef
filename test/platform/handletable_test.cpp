#include "platform/handletable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

struct FileObject : os::HandleObject {
  explicit FileObject(int id) : id(id) {}
  int id;
};
struct DeviceObject : os::HandleObject {};

std::uintptr_t Value(win::HANDLE handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

TEST(HandleTable, HandlesAreDistinctSmallMultiplesOfFour) {
  os::HandleTable table;
  std::set<std::uintptr_t> seen;
  for (int i = 0; i < 10; ++i) {
    const win::HANDLE handle = table.Add(std::make_shared<FileObject>(i));
    EXPECT_NE(handle, nullptr);
    EXPECT_NE(handle, win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(Value(handle) % 4, 0u);
    EXPECT_LE(Value(handle), 40u);
    seen.insert(Value(handle));
    EXPECT_EQ(table.FindAs<FileObject>(handle)->id, i);
  }
  EXPECT_EQ(seen.size(), 10u);
  EXPECT_EQ(table.Count(), 10u);
}

TEST(HandleTable, FindAsChecksTheKind) {
  os::HandleTable table;
  const win::HANDLE file = table.Add(std::make_shared<FileObject>(7));
  const win::HANDLE device = table.Add(std::make_shared<DeviceObject>());
  EXPECT_NE(table.FindAs<FileObject>(file), nullptr);
  EXPECT_EQ(table.FindAs<DeviceObject>(file), nullptr);
  EXPECT_NE(table.FindAs<DeviceObject>(device), nullptr);
  EXPECT_EQ(table.FindAs<FileObject>(device), nullptr);
}

TEST(HandleTable, RemovedHandleIsGoneAndItsValueIsReused) {
  os::HandleTable table;
  const win::HANDLE first = table.Add(std::make_shared<FileObject>(1));
  const win::HANDLE second = table.Add(std::make_shared<FileObject>(2));
  const win::HANDLE third = table.Add(std::make_shared<FileObject>(3));

  const auto removed = table.Remove(second);
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(std::dynamic_pointer_cast<FileObject>(removed)->id, 2);
  EXPECT_EQ(table.Find(second), nullptr);
  EXPECT_EQ(table.Remove(second), nullptr);
  EXPECT_EQ(table.Count(), 2u);

  EXPECT_EQ(table.Add(std::make_shared<FileObject>(4)), second);
  EXPECT_EQ(table.FindAs<FileObject>(first)->id, 1);
  EXPECT_EQ(table.FindAs<FileObject>(third)->id, 3);
}

TEST(HandleTable, ForeignValuesFindNothing) {
  os::HandleTable table;
  const win::HANDLE handle = table.Add(std::make_shared<FileObject>(1));
  for (std::uintptr_t value : {std::uintptr_t{0}, Value(handle) + 1, Value(handle) + 4, std::uintptr_t{4096},
                               Value(win::INVALID_HANDLE_VALUE)}) {
    EXPECT_EQ(table.Find(reinterpret_cast<win::HANDLE>(value)), nullptr) << value;
    EXPECT_EQ(table.Remove(reinterpret_cast<win::HANDLE>(value)), nullptr) << value;
  }
  EXPECT_EQ(table.Count(), 1u);
}

TEST(HandleTable, TablesWithApartRangesDoNotShareValues) {
  os::HandleTable files;
  os::HandleTable devices(0x10000);
  const win::HANDLE file = files.Add(std::make_shared<FileObject>(1));
  const win::HANDLE device = devices.Add(std::make_shared<DeviceObject>());
  EXPECT_EQ(Value(device), 0x10000u);
  EXPECT_EQ(devices.Find(file), nullptr);
  EXPECT_EQ(files.Find(device), nullptr);
  EXPECT_THROW(os::HandleTable(0), std::invalid_argument);
  EXPECT_THROW(os::HandleTable(6), std::invalid_argument);
}

TEST(HandleTable, ObjectOutlivesRemovalWhileInUse) {
  os::HandleTable table;
  auto object = std::make_shared<FileObject>(5);
  std::weak_ptr<FileObject> watch = object;
  const win::HANDLE handle = table.Add(std::move(object));
  auto inUse = table.FindAs<FileObject>(handle);
  table.Remove(handle);
  EXPECT_FALSE(watch.expired());
  inUse.reset();
  EXPECT_TRUE(watch.expired());
}

TEST(HandleTable, TwoThreadsAddAndRemoveWithoutMixingObjects) {
  os::HandleTable table;
  auto work = [&table](int base, int* mismatches) {
    for (int i = 0; i < 2000; ++i) {
      const win::HANDLE handle = table.Add(std::make_shared<FileObject>(base + i));
      const auto found = table.FindAs<FileObject>(handle);
      if (found == nullptr || found->id != base + i) ++*mismatches;
      if (table.Remove(handle) == nullptr) ++*mismatches;
    }
  };
  int mismatchesA = 0;
  int mismatchesB = 0;
  std::thread a(work, 0, &mismatchesA);
  std::thread b(work, 100000, &mismatchesB);
  a.join();
  b.join();
  EXPECT_EQ(mismatchesA, 0);
  EXPECT_EQ(mismatchesB, 0);
  EXPECT_EQ(table.Count(), 0u);
}

}  // namespace
