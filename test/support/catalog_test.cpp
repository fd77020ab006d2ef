#include "support/catalog.h"

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "support/catalogtesting.h"
#include "support/oruerror.h"
#include "support/timeformat.h"

namespace rb {
namespace {

using rbtest::CatalogTest;

std::vector<std::string> AttributeNames(const XmlObject& element) {
  std::vector<std::string> names;
  for (const XmlAttribute& attribute : element.Attributes()) names.push_back(attribute.name);
  return names;
}

// The run-time library's ctime form without its newline: "Wed Jun 30 21:49:08 1993".
void ExpectCtimeForm(const std::string& time) {
  EXPECT_EQ(time.size(), 24u) << time;
  EXPECT_TRUE(std::regex_match(
      time, std::regex("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 1-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] "
                       "[0-9]{4}")))
      << time;
}

TEST_F(CatalogTest, WithoutTheLibraryEveryCallIsANoOpAndEachTriesToLoadAgain) {
  platform->refuseLoads = true;
  SetLanguage("de");
  EXPECT_EQ(AddCatalog("sdl"), 0);
  EXPECT_EQ(Translate("Success"), "Success");
  EXPECT_EQ(GetLanguageCode(), "");
  OruError error("Device not found", "d");
  OruErrorCrossRef(error, "frontEnd", "frontEnd");
  EXPECT_EQ(error.ErrorCode(), "000000");
  EXPECT_EQ(error.RepairAction(), "");
  EXPECT_EQ(platform->loads, 4);
}

TEST_F(CatalogTest, AFailedLoadIsRetriedAndASuccessfulOneKept) {
  SetLanguage("de");
  platform->refuseLoads = true;
  EXPECT_EQ(AddCatalog("sdl"), 0);
  platform->refuseLoads = false;
  EXPECT_EQ(AddCatalog("sdl"), 1);
  EXPECT_EQ(Translate("Success"), "Erfolg");
  EXPECT_EQ(GetLanguageCode(), "de");
  EXPECT_EQ(platform->loads, 2);
}

// Entry points are looked up on every call: hiding one after the library is loaded disables that call
// alone.
TEST_F(CatalogTest, AMissingEntryPointDisablesOnlyItsCall) {
  UseLanguage("de");
  for (const char* hidden : {catalogabi::kAddCatalog, catalogabi::kOruErrorCrossRef, catalogabi::kTranslate,
                             catalogabi::kGetLanguageCode}) {
    SCOPED_TRACE(hidden);
    platform->hidden = {hidden};
    const std::string name = hidden;
    EXPECT_EQ(AddCatalog("sdl"), name == catalogabi::kAddCatalog ? 0 : 1);
    EXPECT_EQ(Translate("Success"), name == catalogabi::kTranslate ? "Success" : "Erfolg");
    EXPECT_EQ(GetLanguageCode(), name == catalogabi::kGetLanguageCode ? "" : "de");
    OruError error("Device not found", "d");
    OruErrorCrossRef(error, "frontEnd", "frontEnd");
    EXPECT_EQ(error.ErrorCode(), name == catalogabi::kOruErrorCrossRef ? "000000" : "120001");
  }
  EXPECT_EQ(platform->loads, 1);
}

TEST_F(CatalogTest, DurationFollowsTheLanguageCode) {
  const struct {
    std::optional<std::string> variable;
    bool library;
    std::string code;
    std::string duration;
  } cases[] = {
      {std::nullopt, true, "en", " 1:02:05"}, {"", true, "en", " 1:02:05"},
      {"de", true, "de", "01:02:05"},         {"de", false, "", " 1:02:05"},
      {"fr", true, "fr", "01:02:05"},         {"es", true, "es", "01:02:05"},
      {"it", true, "it", "1.02.05"},          {"ja", true, "ja", "1:02:05"},
      {"DE", true, "DE", " 1:02:05"},         {"deu", true, "deu", " 1:02:05"},
      {"../de", true, "en", " 1:02:05"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.variable.value_or("(unset)") + (c.library ? "" : " without the library"));
    ForgetCatalogLibraryForTesting();
    platform->refuseLoads = !c.library;
    SetLanguage(c.variable);
    EXPECT_EQ(GetLanguageCode(), c.code);
    EXPECT_EQ(FormatDuration(3725), c.duration);
  }
}

TEST_F(CatalogTest, ElapsedTimeTranslatesItsUnit) {
  const struct {
    std::optional<std::string> language;  // nullopt: without the library
    double seconds;
    std::string elapsed;
  } cases[] = {
      {std::nullopt, 0.0005, "< 1 ms"}, {std::nullopt, 0.25, "250 ms"}, {std::nullopt, 59.9, " 0:00:59"},
      {"de", 0.0005, "< 1 ms"},         {"de", 0.25, "250 ms"},         {"de", 59.9, "00:00:59"},
      {"ja", 0.0005, "< 1 ミリ秒"},     {"ja", 0.5, "500 ミリ秒"},      {"ja", 3725.5, "1:02:05"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language.value_or("(no library)") + " " + std::to_string(c.seconds));
    ForgetCatalogLibraryForTesting();
    platform->refuseLoads = !c.language;
    if (c.language) UseLanguage(*c.language);
    EXPECT_EQ(FormatElapsed(c.seconds), c.elapsed);
  }
}

TEST_F(CatalogTest, ErrorXmlWithoutTheLibrary) {
  platform->refuseLoads = true;
  OruError error("Device not found", "d");
  OruErrorCrossRef(error, "frontEnd", "frontEnd");
  const XmlObject xml = error.ToXml();
  EXPECT_EQ(xml.Name(), "error");
  EXPECT_EQ(AttributeNames(xml), (std::vector<std::string>{"caption", "time", "errorCode"}));
  EXPECT_EQ(xml.GetAttribute("caption"), "Device not found");
  ExpectCtimeForm(xml.GetAttribute("time"));
  EXPECT_EQ(xml.GetAttribute("errorCode"), "000000");
  EXPECT_EQ(xml.Text(), "d");
  EXPECT_TRUE(xml.Children().empty());
}

TEST_F(CatalogTest, ErrorXmlWithTheLibraryIsTranslatedAndCrossReferenced) {
  const struct {
    std::string language;
    std::string caption;
    std::string repairAction;
  } cases[] = {
      {"en", "Device not found", "Run device discovery again and choose a device from the new list."},
      {"de", "Gerät nicht gefunden",
       "Führen Sie die Geräteerkennung erneut aus und wählen Sie ein Gerät aus der neuen Liste."},
      {"ja", "デバイスが見つかりません",
       "デバイス検出をもう一度実行し、新しい一覧からデバイスを選択してください。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    UseLanguage(c.language);
    FrontendError error("Device not found", "no device named x");
    OruErrorCrossRef(error, "frontEnd", "frontEnd");
    const XmlObject xml = error.ToXml();
    EXPECT_EQ(xml.Name(), "error");
    EXPECT_EQ(AttributeNames(xml), (std::vector<std::string>{"caption", "time", "errorCode"}));
    EXPECT_EQ(xml.GetAttribute("caption"), c.caption);
    ExpectCtimeForm(xml.GetAttribute("time"));
    EXPECT_EQ(xml.GetAttribute("errorCode"), "120001");
    EXPECT_EQ(xml.Text(), "no device named x");
    ASSERT_EQ(xml.Children().size(), 1u);
    EXPECT_EQ(xml.Children()[0].Name(), "repairAction");
    EXPECT_EQ(xml.Children()[0].Text(), c.repairAction);
  }
}

TEST_F(CatalogTest, WarningWithoutDetailHasCaptionOnly) {
  for (const std::optional<std::string>& language :
       {std::optional<std::string>(), std::optional<std::string>("de")}) {
    SCOPED_TRACE(language.value_or("(no library)"));
    ForgetCatalogLibraryForTesting();
    platform->refuseLoads = !language;
    if (language) UseLanguage(*language);
    const XmlObject xml = OruWarning("Device not found", "").ToXml();
    EXPECT_EQ(xml.Name(), "warning");
    EXPECT_EQ(AttributeNames(xml), std::vector<std::string>{"caption"});
    EXPECT_EQ(xml.GetAttribute("caption"), language ? "Gerät nicht gefunden" : "Device not found");
    EXPECT_EQ(xml.Text(), "");
    EXPECT_TRUE(xml.Children().empty());
  }
}

}  // namespace
}  // namespace rb
