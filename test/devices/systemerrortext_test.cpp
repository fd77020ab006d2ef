#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "devices/scsi/scsidriver.h"
#include "platform/codepage.h"
#include "support/catalogtesting.h"

namespace {

// "日本" in code page 932 and in UTF-8.
const std::string kShiftJis = "\x93\xfa\x96\x7b";
const std::string kUtf8 = "\xe6\x97\xa5\xe6\x9c\xac";

TEST(CodePage932, ConvertsToUtf8AndLeavesBrokenTextAlone) {
  EXPECT_EQ(os::CodePage932ToUtf8(kShiftJis + " ok."), kUtf8 + " ok.");
  EXPECT_EQ(os::CodePage932ToUtf8("plain"), "plain");
  EXPECT_EQ(os::CodePage932ToUtf8("\x93"), "\x93");  // a lead byte without its trail
}

// A Japanese system whose message texts come in code page 932.
class JapaneseSystem : public rbtest::LibraryControlPlatform {
 public:
  std::string FormatMessage(win::DWORD error) override { return kShiftJis + std::to_string(error); }
};

class SystemErrorTextTest : public rbtest::CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    os::Install(std::make_unique<JapaneseSystem>());
  }
};

TEST_F(SystemErrorTextTest, IsConvertedOnlyWhenTheLanguageIsJapanese) {
  SetLanguage("de");
  EXPECT_EQ(rb::ScsiDriver::SystemErrorText(5), kShiftJis + "5");
  rb::ForgetCatalogLibraryForTesting();
  SetLanguage("ja");
  EXPECT_EQ(rb::ScsiDriver::SystemErrorText(5), kUtf8 + "5");
}

}  // namespace
