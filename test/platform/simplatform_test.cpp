#include "platform/sim/simplatform.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/scratchdir.h"

namespace {

TEST(SimPlatform, UnusableDescriptionsNameTheFileAndTheProblem) {
  rbtest::ScratchDir dir;
  struct Case {
    std::string file;
    std::optional<std::string> content;  // no file at all when empty
    std::string problem;
  };
  const Case cases[] = {
      {"absent.xml", std::nullopt, "cannot open (error 2)"},
      {"empty.xml", "", "the file is empty"},
      {"broken.xml", "<machine>\n  <disk>\n</machine>\n", "XML Parsing Error (line "},
      {"other.xml", "<?xml version=\"1.0\"?>\n<foo><machine/></foo>",
       "the root element is 'foo', not 'machine'"},
  };
  for (const Case& c : cases) {
    const std::string path = c.content ? dir.Write(c.file, *c.content) : dir.File(c.file);
    try {
      os::SimPlatform platform(path);
      ADD_FAILURE() << c.file << " was accepted";
    } catch (const os::MachineError& error) {
      const std::string expected = "machine description '" + path + "': " + c.problem;
      EXPECT_EQ(std::string(error.what()).substr(0, expected.size()), expected);
    }
  }
}

TEST(SimPlatform, KeepsTheMachineAndForwardsFiles) {
  rbtest::ScratchDir dir;
  const std::string path = dir.Write(
      "bench.xml", "<?xml version=\"1.0\"?>\n<Machine name=\"bench\">\n  <disk id=\"0\"/>\n</Machine>\n");
  os::SimPlatform platform(path);
  EXPECT_STREQ(platform.Name(), "sim");
  EXPECT_EQ(platform.Machine().Path(), path);
  EXPECT_EQ(platform.Machine().Description().Name(), "Machine");
  EXPECT_EQ(platform.Machine().Description().GetAttribute("name"), "bench");
  EXPECT_EQ(platform.Machine().Description().Children().size(), 1u);

  // The machine has no devices yet.
  platform.SetLastError(win::ERROR_SUCCESS);
  EXPECT_EQ(platform.CreateFile("\\\\.\\PhysicalDrive0", win::GENERIC_READ, 0, win::OPEN_EXISTING, 0),
            win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform.GetLastError(), win::ERROR_FILE_NOT_FOUND);

  // Files are the host's.
  const win::HANDLE out = platform.CreateFile(dir.File("note.txt"), win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                              win::CREATE_NEW, win::FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(out, win::INVALID_HANDLE_VALUE);
  win::DWORD moved = 0;
  EXPECT_TRUE(platform.WriteFile(out, "hello", 5, &moved));
  std::int64_t position = -1;
  EXPECT_TRUE(platform.SetFilePointer(out, 1, &position, win::FILE_BEGIN));
  char back[8] = {};
  EXPECT_TRUE(platform.ReadFile(out, back, sizeof back, &moved));
  EXPECT_EQ(std::string(back, moved), "ello");
  EXPECT_TRUE(platform.LockFile(out, 0, 5));
  EXPECT_TRUE(platform.UnlockFile(out, 0, 5));
  EXPECT_TRUE(platform.CloseHandle(out));
  EXPECT_FALSE(platform.CloseHandle(out));
  EXPECT_EQ(platform.GetLastError(), win::ERROR_INVALID_HANDLE);
}

}  // namespace
