#include "tests/enclosure/wwidrangechecktest.h"

#include <stdexcept>

#include "support/debug.h"
#include "support/stringutil.h"
#include "support/wholefile.h"
#include "support/xmlobject.h"
#include "tests/enclosure/controllersignals.h"

namespace rb {

namespace {

// A WWID as a number, so that ranges compare.
std::uint64_t Number(const WorldWideName& name) {
  std::uint64_t value = 0;
  for (const std::uint8_t byte : name) value = value << 8 | byte;
  return value;
}

}  // namespace

wwidRangeCheckTest::wwidRangeCheckTest(const TestConfig& config)
    : EnclosureTest(config.name, config.caption, "Verify WWID Range", config.codes) {}

wwidRangeCheckTest::wwidRangeCheckTest()
    : wwidRangeCheckTest(TestConfig{"wwidRangeCheckTest", "WWID Range Test", {}}) {}

bool wwidRangeCheckTest::Execute(const XmlObject&) {
  CissDevice& controller = Controller();
  const WholeFile file = ReadWholeFile(kFile, kConfigurationFileBytes);
  if (file.status != WholeFile::Status::kRead) return Fail("File not found", kFile);
  XmlObject document;
  try {
    document = XmlObject(file.bytes);
  } catch (const std::runtime_error& error) {
    return Fail("WWID file format error", error.what());
  }
  const XmlObject* list = document.Name() == "wwidlist" ? &document : document.SelectSingleNode("wwidlist");
  if (list == nullptr) return Fail("WWID wwidlist not found", kFile);
  const WorldWideName actual = ReadWorldWideName(controller, 0);
  const std::string actualText = WorldWideNameText(actual);
  // Every entry is checked, so that a malformed list fails even when an earlier entry matches.
  bool matched = false;
  for (const XmlObject& entry : list->Children()) {
    WorldWideName first{};
    WorldWideName last{};
    const bool single = !entry.FindAttribute("first");
    const bool wellFormed =
        entry.Name() == "wwid" &&
        (single ? ParseWorldWideName(entry.Text(), first) && ParseWorldWideName(entry.Text(), last)
                : ParseWorldWideName(entry.GetAttribute("first"), first) &&
                      ParseWorldWideName(entry.GetAttribute("last"), last));
    if (!wellFormed) return Fail("WWID wwidlist TAG error", entry.ToString());
    const std::string shown = single ? WorldWideNameText(first) : WorldWideNameText(first) + "-" + WorldWideNameText(last);
    DebugPrint("wwid=%s actulwwid=%s\n", shown.c_str(), actualText.c_str());
    if (Number(first) <= Number(actual) && Number(actual) <= Number(last)) {
      if (!matched) DebugPrint("matched wwid=%s actulwwid=%s\n", shown.c_str(), actualText.c_str());
      matched = true;
    }
  }
  Output() << "WWID: " << actualText << (matched ? " is" : " is not") << " in the assigned ranges\n";
  if (matched) return true;
  return Fail("Data Mismatch", StringPrintf("WWID %s is in no entry of %s", actualText.c_str(), kFile));
}

}  // namespace rb
