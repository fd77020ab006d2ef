// libFuzzer target: arbitrary bytes as a persistent file, read the way Initialize reads one (a single
// component pointer). A read must end in the component or in the stream's runtime error; a component
// that was read must write and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "component/componentfile.h"
#include "component/storagetestcomponent.h"
#include "framework/ptstream.h"
#include "framework/testdoubles.h"

namespace {

std::string Written(rb::TestComponent& component) {
  rb::optstream out;
  rb::WriteComponent(out, component);
  return out.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Devices, tests and diagnosis objects of the test doubles, so that inputs reach their stream data.
  rbtest::RegisterTestDoubles();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<rb::TestComponent> component;
  try {
    rb::iptstream in(std::string(reinterpret_cast<const char*>(data), size));
    component = rb::ReadComponent(in);
  } catch (const std::runtime_error&) {
    return 0;
  }
  // What was read is a component like any other: it writes, reads back and writes the same bytes.
  const std::string first = Written(*component);
  rb::iptstream again(first);
  std::unique_ptr<rb::TestComponent> reread = rb::ReadComponent(again);
  if (Written(*reread) != first) __builtin_trap();
  if (const auto* storage = dynamic_cast<const rb::StorageTestComponent*>(reread.get()))
    (void)storage->PciSummary().ToString();
  return 0;
}
