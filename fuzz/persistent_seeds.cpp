// Writes the seed corpus of the persistent reader: a fresh component, and a component with devices,
// tests, interfaces, a diagnosis object, controller and adapter links and a PCI summary document.
// Usage: persistent_seeds DIRECTORY
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "component/componentfile.h"
#include "component/storagetestcomponent.h"
#include "framework/interface.h"
#include "framework/ptstream.h"
#include "framework/testdoubles.h"
#include "support/xmlobject.h"

namespace {

bool Save(const std::string& path, rb::TestComponent& component) {
  rb::optstream out;
  rb::WriteComponent(out, component);
  std::ofstream file(path, std::ios::binary);
  file << out.Bytes();
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  rbtest::RegisterTestDoubles();

  rb::StorageTestComponent fresh;
  bool ok = Save(dir + "/fresh-component", fresh);

  rb::StorageTestComponent component;
  component.SetComponentName("storage.so");
  component.SetPciSummary(rb::XmlObject(
      "<?xml version=\"1.0\"?><PCI><dev bus=\"0\" device=\"3\"><name>array controller</name></dev></PCI>"));
  auto disk = std::make_unique<rbtest::RecordingDevice>("disk0");
  disk->SetCaption("Disk Zero");
  disk->AddTest(std::make_unique<rbtest::ScriptedTest>("verify", "passed", "ok"));
  disk->AddTest(std::make_unique<rbtest::ScriptedTest>("write", "failed", "bad block"));
  disk->AddInterface(rb::Interface("ctrl0", "Controller", "Array controller", rb::Interface::kParent));
  disk->AddDiagnosis(std::make_unique<rbtest::FixedDiagnosis>(disk.get(), "passed"));
  auto controller = std::make_unique<rbtest::RecordingDevice>("ctrl0");
  auto adapter = std::make_unique<rbtest::ProxiedAdapter>("fc0");
  component.AddArrayController(controller.get());
  component.AddFibreAdapter(adapter.get());
  component.AddDevice(std::move(disk));
  component.AddDevice(std::move(controller));
  component.AddDevice(std::move(adapter));
  ok = Save(dir + "/component-with-devices", component) && ok;
  return ok ? 0 : 1;
}
