// The board identifiers are chosen once in the code (arrayboards.h); the board database of data/ names
// the demo machine's array controllers by their PCI identity. Both must tell the same model.
#include "controllers/arrayboards.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "support/xmlobject.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

unsigned long Number(const rb::XmlObject& element, const char* name) {
  return std::stoul(element.GetAttribute(name, "0"), nullptr, 0);
}

std::string ModelOf(std::uint32_t id) {
  for (const auto* set : {&rb::arrayboards::kSasBoards}) {
    for (const auto& board : *set)
      if (board.id == id) return std::string(board.model);
  }
  for (const auto& board :
       {rb::arrayboards::kMemoryCheckedLegacy, rb::arrayboards::kLegacyBmic, rb::arrayboards::kOtherCiss})
    if (board.id == id) return std::string(board.model);
  return {};
}

TEST(ArrayBoards, TheBoardDatabaseNamesEachDemoControllerAsItsBoardIdentifierDoes) {
  const rb::XmlObject machine(ReadFile(RAVELBANK_SOURCE_DIR "/machines/demo.xml"));
  const rb::XmlObject boards(ReadFile(RAVELBANK_SOURCE_DIR "/data/allboards.xml"));
  const auto pci = machine.GetChildren("pci");
  const auto scsi = machine.GetChildren("scsi");
  const auto boardList = boards.GetChildren("PCI");
  ASSERT_EQ(pci.size(), 1u);
  ASSERT_EQ(scsi.size(), 1u);
  ASSERT_EQ(boardList.size(), 1u);

  int arrays = 0;
  for (const rb::XmlObject* port : scsi[0]->GetChildren("port")) {
    if (port->GetAttribute("array").empty()) continue;
    ++arrays;
    const auto boardId = static_cast<std::uint32_t>(Number(*port, "board"));
    const std::string model = ModelOf(boardId);
    SCOPED_TRACE("port " + port->GetAttribute("number"));
    ASSERT_FALSE(model.empty()) << "board identifier not chosen in arrayboards.h";

    const rb::XmlObject* function = nullptr;
    for (const rb::XmlObject* candidate : pci[0]->GetChildren("function"))
      if (Number(*candidate, "bus") == Number(*port, "pciBus") && Number(*candidate, "device") == 0 &&
          Number(*candidate, "function") == 0)
        function = candidate;
    ASSERT_NE(function, nullptr);
    char key[17];
    std::snprintf(key, sizeof key, "%04lX%04lX%04lX%04lX", Number(*function, "vendorID"),
                  Number(*function, "deviceID"), Number(*function, "subVendorID"),
                  Number(*function, "subsystemID"));

    std::string named;
    for (const rb::XmlObject* dev : boardList[0]->GetChildren("dev"))
      if (dev->GetAttribute("id") == key)
        for (const rb::XmlObject* name : dev->GetChildren("name")) named = name->Text();
    EXPECT_EQ(named, model) << "board database entry " << key;
  }
  EXPECT_GE(arrays, 5);
}

}  // namespace
