#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/xmlobject.h"

namespace rb {
namespace {

class XmlFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("ravelbank-xmlfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }
  std::string Write(const char* name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  std::string Read(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path dir_;
};

TEST_F(XmlFile, PlainRoundTrip) {
  XmlObject doc("<?xml version='1.0'?><config a='x&amp;y'><item>t</item><empty/></config>");
  ASSERT_TRUE(doc.SaveToFile(Path("plain.xml"), false));
  EXPECT_EQ(Read(Path("plain.xml")), doc.ToString());
  XmlObject back("<old><stuff/></old>");
  ASSERT_TRUE(back.LoadFromFile(Path("plain.xml"), false, false, -1));
  EXPECT_EQ(back.ToString(), doc.ToString());
}

TEST_F(XmlFile, ScrambledRoundTripKeepsEveryByte) {
  XmlObject doc("<doc/>");
  // Find a byte above 127 that scrambles to zero at some position: the file must still hold it all.
  std::string text;
  for (int b = 0x80; b <= 0xFF && text.empty(); ++b) {
    const std::string probe = "<doc>" + std::string(80, static_cast<char>(b)) + "</doc>\n";
    if (ScrambleText(probe).find('\0') != std::string::npos) text = std::string(80, static_cast<char>(b));
  }
  ASSERT_FALSE(text.empty());
  doc.SetText(text + " \xE3\x81\x82 tail");
  doc.SaveToFile(Path("s.bin"), true);
  const std::string stored = Read(Path("s.bin"));
  EXPECT_EQ(stored.size(), doc.ToString().size());
  EXPECT_EQ(stored.find("<doc>"), std::string::npos);

  XmlObject back;
  ASSERT_TRUE(back.LoadFromFile(Path("s.bin"), true, false, -1));
  EXPECT_EQ(back.Text(), doc.Text());
  EXPECT_EQ(UnscrambleText(ScrambleText("abc")), "abc");
  EXPECT_EQ(ScrambleText(std::string("ab\0cd", 5)).size(), 2u);  // scrambling stops at a zero byte
}

TEST_F(XmlFile, ScrambledFileReadPlainIsAParseError) {
  XmlObject("<doc/>").SaveToFile(Path("s.bin"), true);
  XmlObject back;
  try {
    back.LoadFromFile(Path("s.bin"), false, false, -1);
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("Left angle bracket character expected"), std::string::npos);
  }
}

TEST_F(XmlFile, UnreadableFilesAnswerFalse) {
  XmlObject e("<keep/>");
  EXPECT_FALSE(e.LoadFromFile(Path("missing.xml"), false, false, -1));
  EXPECT_FALSE(e.LoadFromFile(Write("empty.xml", ""), false, false, -1));
  EXPECT_FALSE(e.LoadFromFile(Write("zero.xml", std::string("\0<a/>", 5)), false, false, -1));
  EXPECT_EQ(e.Name(), "keep");  // untouched so far
  EXPECT_FALSE(e.LoadFromFile(Write("blank.xml", " \n\t\r\n "), false, false, -1));
  // Only a regular file within the size limit is read: nothing waits on a FIFO, nothing larger is read.
  ASSERT_EQ(::mkfifo(Path("fifo.xml").c_str(), 0600), 0);
  EXPECT_FALSE(e.LoadFromFile(Path("fifo.xml"), false, false, -1));
  EXPECT_FALSE(e.LoadFromFile(dir_.string(), false, false, -1));
  EXPECT_FALSE(e.LoadFromFile("/dev/zero", false, false, -1));
  const std::string small = Write("small.xml", "<a>0123456789</a>");  // 17 bytes
  EXPECT_FALSE(e.LoadFromFile(small, false, false, -1, 16));
  EXPECT_TRUE(e.LoadFromFile(small, false, false, -1, 17));
  EXPECT_EQ(e.Text(), "0123456789");
  // SaveToFile answers true even when the file cannot be created.
  EXPECT_TRUE(XmlObject("<a/>").SaveToFile(Path("no/such/dir/a.xml"), false));
}

TEST_F(XmlFile, IndexModes) {
  const std::string path = Write("index.xml", "<a x='1'><c/></a>\n<!-- between -->\n<b y='2'>t</b>\n\n");
  const struct {
    bool indexMode;
    int index;
    bool result;
    const char* xml;
  } cases[] = {
      {true, -1, true, "<xmlIndex>\n  <a x=\"1\"/>\n  <b y=\"2\"/>\n</xmlIndex>\n"},
      {true, 1, true, "<xmlIndex>\n  <b y=\"2\"/>\n</xmlIndex>\n"},
      {true, 2, false, "<xmlIndex/>\n"},
      {false, -1, true, "<a x=\"1\">\n  <c/>\n</a>\n"},
      {false, 0, true, "<a x=\"1\">\n  <c/>\n</a>\n"},
      {false, 1, true, "<b y=\"2\">t</b>\n"},
      {false, 2, false, ""},
  };
  for (const auto& c : cases) {
    XmlObject e;
    EXPECT_EQ(e.LoadFromFile(path, false, c.indexMode, c.index), c.result) << c.indexMode << " " << c.index;
    EXPECT_EQ(e.ToString(), c.xml) << c.indexMode << " " << c.index;
  }
}

TEST_F(XmlFile, LoadIntoAChildDetachesIt) {
  const std::string path = Write("doc.xml", "<d/>");
  XmlObject root("<r><x/></r>");
  XmlObject& child = root.Children()[0];
  ASSERT_TRUE(child.LoadFromFile(path, false, false, -1));
  EXPECT_EQ(child.Parent(), nullptr);
  EXPECT_EQ(child.Name(), "d");
}

}  // namespace
}  // namespace rb
