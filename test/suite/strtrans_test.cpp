// The message-catalog library strtrans.so, driven through the component's catalog client.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ravelbank/host.h"
#include "support/catalog.h"
#include "support/catalogtesting.h"
#include "support/libraryloader.h"
#include "support/oruerror.h"

namespace rb {
namespace {

// A language of its own for one test, with catalogs written into catalogs/<language>/ beside the library
// and removed afterwards. Each one has a name never used before, not even by this process (the library
// keeps what it loaded, and tests may run repeatedly).
class ScratchLanguage {
 public:
  explicit ScratchLanguage(const std::string& tag)
      : name_("t" + std::to_string(::getpid()) + "-" + std::to_string(++created) + "-" + tag),
        directory_(std::string(RAVELBANK_BINARY_DIR) + "/bin/catalogs/" + name_) {
    std::filesystem::create_directories(directory_);
  }
  ~ScratchLanguage() { std::filesystem::remove_all(directory_); }
  ScratchLanguage(const ScratchLanguage&) = delete;
  ScratchLanguage& operator=(const ScratchLanguage&) = delete;

  const std::string& Name() const { return name_; }
  void Write(const std::string& catalog, const std::string& content) const {
    std::ofstream(directory_ + "/" + catalog + ".xml", std::ios::binary) << content;
  }

 private:
  static inline std::atomic<int> created{0};
  std::string name_;
  std::string directory_;
};

class StrtransTest : public rbtest::CatalogTest {};

TEST_F(StrtransTest, AddCatalogAnswers) {
  const struct {
    std::string language;
    std::string name;
    int result;
  } cases[] = {
      {"de", "sdl", 1},  {"de", "sdl", 1},    {"en", "ravelbank", 1}, {"ja", "ravelbank", 1},
      {"de", "none", 0}, {"it", "sdl", 0},    {"de", "", 0},          {"de", "../de/sdl", 0},
      {"de", "SDL.", 0}, {"../de", "sdl", 1},  // an unusable language code counts as "en"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language + " " + c.name);
    SetLanguage(c.language);
    EXPECT_EQ(AddCatalog(c.name), c.result);
  }
}

TEST_F(StrtransTest, TranslatesThroughTheCatalogsOfTheCurrentLanguage) {
  for (const char* language : {"en", "de", "ja"}) UseLanguage(language);
  const struct {
    std::string language;
    std::string text;
    std::string translation;
  } cases[] = {
      {"de", "Success", "Erfolg"},
      {"de", "Device not found", "Gerät nicht gefunden"},  // from the second catalog
      {"de", "Uninitialized Test Component", "Testkomponente nicht initialisiert"},
      {"ja", "Test Started", "テストを開始しました"},
      {"ja", "Building Catalog", "カタログを作成しています"},
      {"de", "success", "success"},  // exact bytes only
      {"de", "Disk 3 failed", "Disk 3 failed"},
      {"de", "", ""},
      {"en", "Success", "Success"},  // English catalogs hold no texts
      {"it", "Success", "Success"},  // no catalogs at all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language + " " + c.text);
    SetLanguage(c.language);
    EXPECT_EQ(Translate(c.text), c.translation);
  }
}

TEST_F(StrtransTest, CatalogsServeOnlyTheLanguageTheyWereAddedFor) {
  const ScratchLanguage first("first"), second("second");
  first.Write("sdl", R"(<catalog><text source="Success">one</text></catalog>)");
  second.Write("sdl", R"(<catalog><text source="Success">two</text></catalog>)");
  SetLanguage(first.Name());
  EXPECT_EQ(AddCatalog("sdl"), 1);
  EXPECT_EQ(Translate("Success"), "one");
  SetLanguage(second.Name());
  EXPECT_EQ(Translate("Success"), "Success");
  EXPECT_EQ(AddCatalog("sdl"), 1);
  EXPECT_EQ(Translate("Success"), "two");
  SetLanguage(first.Name());
  EXPECT_EQ(Translate("Success"), "one");
}

// Every catalog also translates "Case n", so a catalog that was refused shows as an untranslated text.
TEST_F(StrtransTest, CatalogFilesThatBreakTheFormatAreNotLoaded) {
  const ScratchLanguage language("format");
  const std::string valid = R"(<text source="Case">ok</text>)";
  const struct {
    std::string content;
    bool loaded;
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- note -->\n<catalog name=\"c0\">" + valid +
           R"(<error message="m" code="123456"/></catalog>)",
       true},
      {"<catalogue>" + valid + "</catalogue>", false},
      {"<catalog>" + valid, false},
      {"", false},
      {R"(<catalog name="other">)" + valid + "</catalog>", false},
      {R"(<catalog language="de">)" + valid + "</catalog>", false},
      {"<catalog>" + valid + R"(<text>x</text></catalog>)", false},
      {"<catalog>" + valid + R"(<text source="x"></text></catalog>)", false},
      {"<catalog>" + valid + valid + "</catalog>", false},
      {"<catalog>" + valid + R"(<error message="m" code="12345"/></catalog>)", false},
      {"<catalog>" + valid + R"(<error message="m" code="12345x"/></catalog>)", false},
      {"<catalog>" + valid + R"(<error code="123456"/></catalog>)", false},
      {"<catalog>" + valid + R"(<note/></catalog>)", false},
  };
  SetLanguage(language.Name());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string name = "c" + std::to_string(i);
    std::string content = cases[i].content;
    for (std::size_t at = content.find("Case"); at != std::string::npos; at = content.find("Case", at + 1))
      content.insert(at + 4, " " + std::to_string(i));
    SCOPED_TRACE(content);
    language.Write(name, content);
    EXPECT_EQ(AddCatalog(name), cases[i].loaded ? 1 : 0);
    EXPECT_EQ(Translate("Case " + std::to_string(i)), cases[i].loaded ? "ok" : "Case " + std::to_string(i));
  }
}

TEST_F(StrtransTest, CrossReferenceMatchesMessageThenSourceAndCategory) {
  for (const char* language : {"en", "de"}) UseLanguage(language);
  const struct {
    std::string language;
    std::string message;
    std::string source;
    std::string category;
    std::string code;
    std::string repairAction;
  } cases[] = {
      {"en", "Device not found", "frontEnd", "frontEnd", "120001",
       "Run device discovery again and choose a device from the new list."},
      {"en", "Device not found", "storage", "device", "120010",
       "Check that the device is powered and cabled, then run device discovery again."},
      {"en", "Device not found", "frontEnd", "device", "120010",
       "Check that the device is powered and cabled, then run device discovery again."},
      {"en", "Invalid Command", "frontEnd", "frontEnd", "100001",
       "Send one of the commands the component lists in its catalog."},
      {"en", "Test not found", "storage", "device", "000000", ""},
      {"en", "device not found", "frontEnd", "frontEnd", "000000", ""},
      {"de", "Test not found", "frontEnd", "frontEnd", "120002",
       "Fordern Sie den Katalog erneut an und wählen Sie einen Test, den das Gerät anbietet."},
      {"it", "Device not found", "frontEnd", "frontEnd", "000000", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language + " " + c.message + " " + c.source + " " + c.category);
    SetLanguage(c.language);
    OruError error(c.message, "d");
    OruErrorCrossRef(error, c.source, c.category);
    EXPECT_EQ(error.ErrorCode(), c.code);
    EXPECT_EQ(error.RepairAction(), c.repairAction);
  }
}

// The library sees the error only through its two virtual operations.
TEST_F(StrtransTest, CrossReferenceGoesThroughTheErrorsVirtualOperations) {
  class RecordingError : public OruError {
   public:
    RecordingError() : OruError("Something else", "") {}
    const char* MessageText() const override { return "Invalid Command"; }
    void SetCrossReference(const char* errorCode, const char* repairAction) override {
      calls.push_back(std::string(errorCode) + "|" + (repairAction ? repairAction : "(null)"));
    }
    std::vector<std::string> calls;
  };
  UseLanguage("en");
  RecordingError error;
  OruErrorCrossRef(error, "frontEnd", "frontEnd");
  EXPECT_EQ(error.calls,
            std::vector<std::string>{"100001|Send one of the commands the component lists in its catalog."});
  EXPECT_EQ(error.ErrorCode(), "000000");

  const ScratchLanguage language("norepair");
  language.Write("sdl", R"(<catalog><error message="Invalid Command" code="654321"/></catalog>)");
  SetLanguage(language.Name());
  ASSERT_EQ(AddCatalog("sdl"), 1);
  OruErrorCrossRef(error, "frontEnd", "frontEnd");
  ASSERT_EQ(error.calls.size(), 2u);
  EXPECT_EQ(error.calls[1], "654321|(null)");  // no repair action in the catalog: the error keeps its own
}

TEST_F(StrtransTest, AnswersAreHostAllocatorBlocks) {
  UseLanguage("de");
  const win::HMODULE module = LoadLibraryOrThrow(catalogabi::kLibraryName);
  const auto translate = reinterpret_cast<catalogabi::TranslateFunction>(
      os::Current().GetProcAddress(module, catalogabi::kTranslate));
  const auto languageCode = reinterpret_cast<catalogabi::GetLanguageCodeFunction>(
      os::Current().GetProcAddress(module, catalogabi::kGetLanguageCode));
  ASSERT_NE(translate, nullptr);
  ASSERT_NE(languageCode, nullptr);

  const std::uint64_t blocks = OruGetOutstandingBlocks();
  char* const answers[] = {translate("Success"), translate("unknown"), languageCode()};
  EXPECT_EQ(OruGetOutstandingBlocks(), blocks + 3);
  EXPECT_STREQ(answers[0], "Erfolg");
  EXPECT_STREQ(answers[1], "unknown");
  EXPECT_STREQ(answers[2], "de");
  for (char* answer : answers) OruFree(answer);
  EXPECT_EQ(OruGetOutstandingBlocks(), blocks);

  // The client releases what it copied.
  EXPECT_EQ(Translate("Success") + Translate("unknown") + GetLanguageCode(), "Erfolgunknownde");
  EXPECT_EQ(OruGetOutstandingBlocks(), blocks);
}

TEST_F(StrtransTest, ConcurrentCallersShareTheCatalogs) {
  const ScratchLanguage language("threads");
  language.Write("shared", R"(<catalog><text source="Success">together</text></catalog>)");
  SetLanguage(language.Name());
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int& count : mismatches) {
    threads.emplace_back([&count] {
      for (int i = 0; i < 200; ++i) {
        if (AddCatalog("shared") != 1) ++count;
        if (Translate("Success") != "together") ++count;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace rb
