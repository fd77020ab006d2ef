// The persistent streams: encodings, object identity, the class registry and the reader's defences
// against bytes that are not what a writer produced.
#include "framework/ptstream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "component/storagetestcomponent.h"
#include "framework/interface.h"
#include "framework/enumoption.h"
#include "framework/numericparameter.h"
#include "framework/parameterlist.h"
#include "framework/searchdevice.h"
#include "framework/stringparameter.h"
#include "framework/testdoubles.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::ProxiedAdapter;
using rbtest::RecordingDevice;
using rbtest::ScriptedTest;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

// The message of the runtime error that reading `bytes` with `read` raises; "" when it succeeds.
std::string ReadError(const std::string& bytes, const std::function<void(iptstream&)>& read) {
  iptstream in(bytes);
  try {
    read(in);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

void ReadComponentPointer(iptstream& in) {
  in.ReadObject<TestComponent>();
}

// The head of an object's first occurrence: tag 3, number, class name, version 0.
void WriteObjectHead(optstream& out, std::uint32_t number, const std::string& name) {
  out.WriteByte(3);
  out.WriteUInt32(number);
  out.WriteString(name);
  out.WriteInt32(0);
}

// A device's data with no tests, the given interface entries (raw bytes) and no diagnosis objects.
void WriteDeviceData(optstream& out, const std::string& name, std::size_t interfaces,
                     const std::string& entries) {
  out.WriteString(name);
  out.WriteBool(false);
  out.WriteString("Device");
  out.WriteString("Device");
  out.WriteCount(0);
  out.WriteCount(interfaces);
  out.WriteBytes(entries.data(), entries.size());
  out.WriteCount(0);
}

class PersistentStream : public ::testing::Test {
 protected:
  void SetUp() override { rbtest::RegisterTestDoubles(); }
};

TEST_F(PersistentStream, PrimitiveEncodings) {
  const struct {
    std::function<void(optstream&)> write;
    std::string bytes;
  } cases[] = {
      {[](optstream& o) { o.WriteBool(true); }, Bytes({1})},
      {[](optstream& o) { o.WriteByte(0xfe); }, Bytes({0xfe})},
      {[](optstream& o) { o.WriteInt32(-2); }, Bytes({0xfe, 0xff, 0xff, 0xff})},
      {[](optstream& o) { o.WriteUInt32(0x01020304); }, Bytes({4, 3, 2, 1})},
      {[](optstream& o) { o.WriteCount(0x0102); }, Bytes({2, 1, 0, 0, 0, 0, 0, 0})},
      {[](optstream& o) { o.WriteString(""); }, Bytes({0, 0, 0, 0})},
      {[](optstream& o) { o.WriteString("ab"); }, Bytes({2, 0, 0, 0, 'a', 'b'})},
      {[](optstream& o) { o.WritePointer(nullptr); }, Bytes({0})},
  };
  for (const auto& c : cases) {
    optstream out;
    c.write(out);
    EXPECT_EQ(out.Bytes(), c.bytes);
  }
  // Read back through the symmetric transfers.
  optstream out;
  bool flag = true;
  std::int32_t number = -7;
  std::uint64_t wide = 0x8000000000000001u;
  std::string text = std::string("a\0b", 3);
  std::vector<std::string> texts{"", "x"};
  out.Transfer(flag);
  out.Transfer(number);
  out.Transfer(wide);
  out.Transfer(text);
  out.TransferStringList(texts);
  iptstream in(out.Bytes());
  bool flag2 = false;
  std::int32_t number2 = 0;
  std::uint64_t wide2 = 0;
  std::string text2;
  std::vector<std::string> texts2;
  in.Transfer(flag2);
  in.Transfer(number2);
  in.Transfer(wide2);
  in.Transfer(text2);
  in.TransferStringList(texts2);
  EXPECT_EQ(flag2, flag);
  EXPECT_EQ(number2, number);
  EXPECT_EQ(wide2, wide);
  EXPECT_EQ(text2, text);
  EXPECT_EQ(texts2, texts);
  EXPECT_EQ(in.Remaining(), 0u);
}

TEST_F(PersistentStream, ErrorTexts) {
  const struct {
    std::string bytes;
    const char* error;
  } pointerCases[] = {
      {Bytes({2, 0, 0, 0, 0}), "Invalid byte value"},
      {Bytes({4}), "Invalid byte value"},
      {Bytes({1, 9, 0, 0, 0}), "Indexed object not found."},
      {Bytes({3, 0, 0, 0, 0, 5, 0, 0, 0, 'B', 'o', 'g', 'u', 's', 0, 0, 0, 0}),
       "Attempting to stream unregistered class: Bogus"},
      {Bytes({3, 0, 0, 0}), "Unexpected end of persistent stream"},
      {Bytes({3, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}), "Unexpected end of persistent stream"},
      {Bytes({}), "Unexpected end of persistent stream"},
  };
  for (const auto& c : pointerCases) EXPECT_EQ(ReadError(c.bytes, ReadComponentPointer), c.error);

  // A device whose interface entry refers to the device itself: an object of another class.
  optstream self;
  WriteObjectHead(self, 0, "RecordingDevice");
  WriteDeviceData(self, "d", 1, Bytes({1, 0, 0, 0, 0}));
  EXPECT_EQ(ReadError(self.Bytes(), [](iptstream& in) { in.ReadObject<Device>(); }),
            "Indexed object pointer NULL");

  // A reference through a proxy to an object that has no proxied interface.
  optstream plain;
  WriteObjectHead(plain, 0, "RecordingDevice");
  WriteDeviceData(plain, "d", 0, "");
  plain.WriteBytes("\x01\x00\x00\x00\x00", 5);
  EXPECT_EQ(ReadError(plain.Bytes(),
                      [](iptstream& in) {
                        auto device = in.ReadObject<Device>();
                        in.ReadProxy();
                      }),
            "Indexed object pointer NULL");
  // An interface whose owner a reading constructor forgot.
  optstream forgetful;
  WriteObjectHead(forgetful, 0, "ForgetfulAdapter");
  WriteDeviceData(forgetful, "a", 0, "");
  EXPECT_EQ(ReadError(forgetful.Bytes(), [](iptstream& in) { in.ReadProxy(); }),
            "PersistentByProxy proxyOwner is NULL");

  // A bool is 0 or 1.
  EXPECT_EQ(ReadError(Bytes({2}), [](iptstream& in) { in.ReadBool(); }), "Invalid byte value");
}

// Fields of the wrong kind, objects owned twice or by nobody, reused numbers: errors, never a bad cast
// or a second delete.
TEST_F(PersistentStream, GraphsNoWriterMakesAreRefused) {
  const auto component = [](const std::function<void(optstream&)>& devices) {
    optstream out;
    WriteObjectHead(out, 0, "StorageTestComponent");
    devices(out);
    return out.Bytes();
  };
  const struct {
    std::string bytes;
    const char* error;
  } cases[] = {
      {component([](optstream& o) {
         o.WriteCount(1);
         WriteObjectHead(o, 1, "ScriptedTest");
       }),
       "Streamed object of class ScriptedTest does not fit its field"},
      {component([](optstream& o) {
         o.WriteCount(2);
         WriteObjectHead(o, 1, "RecordingDevice");
         WriteDeviceData(o, "d", 0, "");
         o.WriteBytes("\x01\x01\x00\x00\x00", 5);  // the same device again
       }),
       "Streamed object owned twice"},
      {component([](optstream& o) {
         o.WriteCount(2);
         WriteObjectHead(o, 1, "RecordingDevice");
         WriteDeviceData(o, "d", 0, "");
         WriteObjectHead(o, 1, "RecordingDevice");
       }),
       "Object number used twice in persistent stream"},
      {component([](optstream& o) {
         o.WriteCount(2);
         WriteObjectHead(o, 1, "RecordingDevice");
         WriteDeviceData(o, "d", 0, "");
         WriteObjectHead(o, 2, "RecordingDevice");
         WriteDeviceData(o, "d", 0, "");
       }),
       "Device name used twice in persistent stream: d"},
      {component([](optstream& o) {
         o.WriteCount(1);
         o.WriteByte(0);
       }),
       "Null object in a persistent list"},
      {component([](optstream& o) {
         o.WriteCount(0x1000000000000000u);  // far more devices than bytes
       }),
       "Unexpected end of persistent stream"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadError(c.bytes, ReadComponentPointer), c.error);

  // A device that only a link (the controller list) reaches has no owner.
  StorageTestComponent written;
  RecordingDevice outside("outside");
  written.AddArrayController(&outside);
  optstream out;
  out.WritePointer(&written);
  EXPECT_EQ(ReadError(out.Bytes(), ReadComponentPointer),
            "Streamed object of class RecordingDevice has no owner");
}

TEST_F(PersistentStream, ObjectReachedTwiceIsWrittenOnceAndReadAsOne) {
  StorageTestComponent component;
  auto disk = std::make_unique<RecordingDevice>("disk0");
  Device* shared = disk.get();
  component.AddDevice(std::move(disk));
  component.AddArrayController(shared);
  optstream out;
  out.WritePointer(&component);
  const std::string& bytes = out.Bytes();
  // The component is object 0; the device follows the device count as object 1, tag 3.
  EXPECT_EQ(bytes.substr(41, 5), Bytes({3, 1, 0, 0, 0}));
  // The controller list (count 1) refers to it with tag 1. After it: the adapter count, the table, the
  // flag and two empty lists.
  const std::size_t tail = 8 + 5 + 8 + StorageTestComponent::kHostTableBytes + 1 + 8 + 8;
  ASSERT_GT(bytes.size(), tail);
  EXPECT_EQ(bytes.substr(bytes.size() - tail, 13), Bytes({1, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0}));

  iptstream in(bytes);
  auto read = in.ReadObject<StorageTestComponent>();
  ASSERT_TRUE(read);
  ASSERT_EQ(read->ArrayControllers().size(), 1u);
  EXPECT_EQ(read->ArrayControllers()[0], read->FindDevice("disk0"));
  EXPECT_NE(read->ArrayControllers()[0], nullptr);
}

// Everything the component keeps goes out and comes back: writing the read component again gives the
// same bytes, and the links inside the graph point into the read graph.
TEST_F(PersistentStream, ComponentGraphRoundTrip) {
  StorageTestComponent component;
  auto disk = std::make_unique<RecordingDevice>("disk1");
  disk->SetCaption("Disk One");
  disk->SetBusy(true);
  disk->AddTest(std::make_unique<ScriptedTest>("verify", "passed", "ok"));
  disk->AddTest(std::make_unique<ScriptedTest>("write", "failed", "bad block"));
  disk->AddInterface(Interface("ctrl0", "Controller", "The controller", Interface::kParent));
  disk->AddInterface(Interface("disk2", "Neighbour", "", Interface::kSibling));
  disk->AddDiagnosis(std::make_unique<rbtest::FixedDiagnosis>(disk.get(), "passed"));
  Device* diskPointer = disk.get();
  auto adapter = std::make_unique<ProxiedAdapter>("fc0");
  ProxiedAdapter* adapterPointer = adapter.get();
  component.AddDevice(std::move(disk));
  component.AddDevice(std::move(adapter));
  component.AddArrayController(diskPointer);
  component.AddFibreAdapter(adapterPointer);
  component.SetComponentName("storage.so");

  optstream out;
  out.WritePointer(&component);
  iptstream in(out.Bytes());
  auto read = in.ReadObject<StorageTestComponent>();
  ASSERT_TRUE(read);
  EXPECT_EQ(in.Remaining(), 0u);
  optstream again;
  again.WritePointer(read.get());
  EXPECT_EQ(again.Bytes(), out.Bytes());

  EXPECT_EQ(read->ComponentName(), "storage.so");
  Device* disk1 = read->FindDevice("disk1");
  ASSERT_NE(disk1, nullptr);
  EXPECT_EQ(disk1->Caption(), "Disk One");
  EXPECT_TRUE(disk1->Busy());
  ASSERT_EQ(disk1->Tests().size(), 2u);
  EXPECT_EQ(disk1->Tests()[1]->Name(), "write");
  EXPECT_EQ(dynamic_cast<ScriptedTest&>(*disk1->Tests()[1]).State(), "failed");
  EXPECT_EQ(disk1->Tests()[1]->Owner(), disk1);
  ASSERT_EQ(disk1->Diagnoses().size(), 1u);
  EXPECT_EQ(disk1->Diagnoses()[0]->Owner(), disk1);
  ASSERT_EQ(disk1->Interfaces().size(), 2u);
  EXPECT_EQ(disk1->Interfaces()[1].Role(), Interface::kSibling);
  EXPECT_EQ(read->ArrayControllers(), std::vector<Device*>{disk1});
  ASSERT_EQ(read->FibreAdapters().size(), 1u);
  EXPECT_EQ(read->FibreAdapters()[0]->ProxyOwner(), read->FindDevice("fc0"));
}

// A search device is only a key: its class name and version, and no data of its own.
TEST_F(PersistentStream, SearchDeviceStreamsNothing) {
  SearchDevice key("disk0");
  optstream out;
  out.WritePointer(&key);
  EXPECT_EQ(out.Bytes(), Bytes({3,   0,   0,   0,   0,   12,  0,   0,   0, 'S', 'e', 'a', 'r',
                                'c', 'h', 'D', 'e', 'v', 'i', 'c', 'e', 0, 0,   0,   0}));
  iptstream in(out.Bytes());
  EXPECT_EQ(in.ReadObject<Device>()->Name(), "");
}

TEST_F(PersistentStream, WriterRefusals) {
  // An interface without an owner cannot be written as a reference.
  StorageTestComponent component;
  auto adapter = std::make_unique<rbtest::ForgetfulAdapter>();
  component.AddFibreAdapter(adapter.get());
  optstream out;
  try {
    out.WritePointer(&component);
    ADD_FAILURE() << "written";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "PersistentByProxy proxyOwner is NULL");
  }
  // A link is written only to an object already in the stream, and never followed.
  optstream links;
  Interface first;
  links.WriteLinkIfStreamed(&first);
  links.WriteHeld(first);
  links.WriteLinkIfStreamed(&first);
  links.WriteHeld(first);  // held again: a reference
  EXPECT_EQ(links.Bytes().substr(0, 1), Bytes({0}));
  EXPECT_EQ(links.Bytes().substr(links.Bytes().size() - 10), Bytes({1, 0, 0, 0, 0, 1, 0, 0, 0, 0}));
}

// An XML document (attributes, declaration, instructions, nested children) as an object held by value:
// the text and the tree's links come back.
TEST_F(PersistentStream, XmlDocumentHeldByValue) {
  XmlObject document(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><?style a?><pci count=\"2\"><dev "
      "id=\"1\"><name>raid</name></dev>"
      "<dev id=\"2\"/>tail</pci>");
  optstream out;
  out.TransferHeld(document);
  XmlObject read;
  iptstream in(out.Bytes());
  in.TransferHeld(read);
  EXPECT_EQ(in.Remaining(), 0u);
  EXPECT_EQ(read.ToString(), document.ToString());
  EXPECT_EQ(read.GetDeclarationAttribute("encoding"), "UTF-8");
  const XmlObject& name = read.Children()[0].Children()[0];
  EXPECT_EQ(name.Depth(), 2);
  EXPECT_EQ(name.Parent(), &read.Children()[0]);
  EXPECT_EQ(read.Children()[0].Parent(), &read);
  EXPECT_EQ(read.Parent(), nullptr);
}

// Bytes for a chain of `levels` elements, each the only child of the one before. With `copies`, each
// element after the first also holds a reference copy of its previous sibling subtree.
std::string ElementChain(int levels, bool copies) {
  optstream out;
  std::uint32_t number = 0;
  std::vector<std::uint32_t> numbers;
  for (int level = 0; level < levels; ++level) {
    out.WriteByte(2);
    numbers.push_back(number);
    out.WriteUInt32(number++);
    out.WriteInt32(0);
    out.WriteString("e");
    out.WriteString("");
    if (level == 0) {
      out.WriteByte(0);
    } else {
      out.WriteByte(1);
      out.WriteUInt32(numbers[level - 1]);
    }
    out.WriteInt32(level);
    out.WriteCount(0);
    out.WriteCount(0);
    out.WriteCount(0);
    if (level + 1 == levels) {
      out.WriteCount(0);
    } else {
      out.WriteCount(1);
    }
  }
  if (!copies) return out.Bytes();
  // Unwinding: each element gains a second child that copies the element's first child, so every
  // level doubles the size of the tree.
  std::string bytes;
  optstream wide;
  number = 0;
  for (int level = 0; level < levels; ++level) {
    wide.WriteByte(2);
    wide.WriteUInt32(number++);
    wide.WriteInt32(0);
    wide.WriteString("e");
    wide.WriteString("");
    wide.WriteByte(0);
    wide.WriteInt32(0);
    wide.WriteCount(0);
    wide.WriteCount(0);
    wide.WriteCount(0);
    wide.WriteCount(level + 1 == levels ? 0 : 2);
  }
  // Close the levels from the innermost out: the second child of level L refers to level L+1.
  for (int level = levels - 2; level >= 0; --level) {
    wide.WriteByte(1);
    wide.WriteUInt32(static_cast<std::uint32_t>(level + 1));
  }
  return wide.Bytes();
}

TEST_F(PersistentStream, NestingAndCopiesAreBounded) {
  const auto readHeld = [](iptstream& in) {
    XmlObject root;
    in.TransferHeld(root);
  };
  EXPECT_EQ(ReadError(ElementChain(kMaxStreamNesting, false), readHeld), "");
  EXPECT_EQ(ReadError(ElementChain(kMaxStreamNesting + 1, false), readHeld),
            "Persistent objects nested too deeply");
  // Small copies are fine; doubling at every level is refused long before memory runs out.
  EXPECT_EQ(ReadError(ElementChain(4, true), readHeld), "");
  EXPECT_EQ(ReadError(ElementChain(40, true), readHeld),
            "Persistent stream copies more objects than it holds");

  // A copy of an element still being read (here the element's own parent) is refused.
  optstream out;
  out.WriteByte(2);
  out.WriteUInt32(0);
  out.WriteInt32(0);
  out.WriteString("p");
  out.WriteString("");
  out.WriteByte(0);
  out.WriteInt32(0);
  out.WriteCount(0);
  out.WriteCount(0);
  out.WriteCount(0);
  out.WriteCount(1);
  out.WriteBytes("\x01\x00\x00\x00\x00", 5);
  EXPECT_EQ(ReadError(out.Bytes(), readHeld), "Indexed object is still being read");

  // The writer keeps to the same bound.
  XmlObject deep;
  deep.SetName("e");
  for (int i = 0; i < kMaxStreamNesting; ++i) {
    XmlObject parent;
    parent.SetName("e");
    parent.AddChild(std::move(deep));
    deep = std::move(parent);
  }
  optstream tooDeep;
  EXPECT_THROW(tooDeep.TransferHeld(deep), std::runtime_error);
}

// The copy an element held by value refers to takes the element's place in its tree.
TEST_F(PersistentStream, ReferenceToAnElementReadBeforeIsCopiedInPlace) {
  const std::string bytes = ElementChain(3, true);
  XmlObject root;
  iptstream in(bytes);
  in.TransferHeld(root);
  ASSERT_EQ(root.Children().size(), 2u);
  const XmlObject& copy = root.Children()[1];
  EXPECT_EQ(copy.Parent(), &root);
  EXPECT_EQ(copy.Depth(), 1);
  ASSERT_EQ(copy.Children().size(), 2u);
  EXPECT_EQ(copy.Children()[0].Parent(), &copy);
  EXPECT_EQ(copy.Children()[0].Depth(), 2);
  EXPECT_EQ(copy.ToString(), root.Children()[0].ToString());
}

TEST_F(PersistentStream, ParametersAndOptionsAreTheirNames) {
  ParameterList list;
  list.Add(std::make_unique<StringParameter>("timeout", "Caption", "Description", "30"));
  list.Add(std::make_unique<NumericParameter<int>>("blocks", "Caption", "Description", 8, 1, 64));
  std::vector<EnumOption> options{EnumOption("fast", "Fast", "Quick pass"), EnumOption("full", "", "")};
  optstream out;
  out.WritePointer(&list);
  out.TransferHeldList(options);

  iptstream in(out.Bytes());
  auto read = in.ReadObject<ParameterList>();
  std::vector<EnumOption> readOptions;
  in.TransferHeldList(readOptions);
  ASSERT_EQ(read->Parameters().size(), 2u);
  EXPECT_EQ(read->Parameters()[1]->Name(), "blocks");
  EXPECT_EQ(read->Parameters()[1]->Caption(), "");  // texts come from the class, not the file
  EXPECT_EQ(read->Parameters()[1]->StreamableName(), "NumericParameter < T >");
  ASSERT_EQ(readOptions.size(), 2u);
  EXPECT_EQ(readOptions[0].Name(), "fast");
  // ParameterList: its class name and one pointer per parameter.
  EXPECT_EQ(out.Bytes().substr(0, 30),
            Bytes({3,   0,   0,   0,   0,   13,  0,   0, 0, 'P', 'a', 'r', 'a', 'm', 'e',
                   't', 'e', 'r', 'L', 'i', 's', 't', 0, 0, 0,   0,   2,   0,   0,   0}));
}

TEST_F(PersistentStream, RegistryKnowsTheComponentClasses) {
  for (const char* name : {"StorageTestComponent", "SearchDevice", "Interface", "ParameterList", "EnumOption",
                           "StreamProxy", "XmlObject", "XmlAttribute"}) {
    const StreamProxy* proxy = FindStreamProxy(name);
    ASSERT_NE(proxy, nullptr) << name;
    EXPECT_EQ(proxy->Create()->StreamableName(), name);
  }
  EXPECT_EQ(FindStreamProxy("Device"), nullptr);          // abstract
  EXPECT_FALSE(RegisterStreamableClass<SearchDevice>());  // the first registration stays
}

// Copies through Assign: a component's copy owns copies of the devices, and its links point into it.
TEST_F(PersistentStream, AssignedComponentOwnsItsCopies) {
  StorageTestComponent original;
  auto disk = std::make_unique<RecordingDevice>("disk0");
  disk->AddTest(std::make_unique<ScriptedTest>("t", "passed", ""));
  Device* diskPointer = disk.get();
  original.AddDevice(std::move(disk));
  original.AddArrayController(diskPointer);
  StorageTestComponent copy;
  copy.Assign(original);
  Device* copied = copy.FindDevice("disk0");
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, diskPointer);
  EXPECT_EQ(copy.ArrayControllers(), std::vector<Device*>{copied});
  ASSERT_EQ(copied->Tests().size(), 1u);
  EXPECT_EQ(copied->Tests()[0]->Owner(), copied);
  EXPECT_NE(copied->Tests()[0].get(), diskPointer->Tests()[0].get());
}

}  // namespace
}  // namespace rb
