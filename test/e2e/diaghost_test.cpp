// diaghost's pieces: its command line, the command documents it builds, its scripts, its XML reader, its
// summaries and failure verdicts, and its event printer with prompts.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "eventprinter.h"
#include "options.h"
#include "summary.h"
#include "xmldocument.h"

namespace diaghost {
namespace {

using Words = std::vector<std::string>;

TEST(DiaghostArguments, OptionsAnywhereAndCommandWords) {
  const Options a =
      ParseArguments({"--xml", "run", "disk0", "accessTest", "loop=2", "--component=storage.so"});
  EXPECT_TRUE(a.xml);
  EXPECT_EQ(a.component, "storage.so");
  EXPECT_EQ(a.words, (Words{"run", "disk0", "accessTest", "loop=2"}));

  const Options b = ParseArguments({"--machine", "m.xml", "--answers", "a.txt", "--persistent", "p.bin",
                                    "--component-library", "/x/ravelbank.so", "--debug", "--quiet", "id"});
  EXPECT_EQ(b.machine, "m.xml");
  EXPECT_EQ(b.answersFile, "a.txt");
  EXPECT_EQ(b.persistentFile, "p.bin");
  EXPECT_EQ(b.componentLibrary, "/x/ravelbank.so");
  EXPECT_TRUE(b.debug && b.quiet && !b.xml);
  EXPECT_EQ(b.component, "ravelbank");

  EXPECT_EQ(ParseArguments({"--", "send", "--not-an-option"}).words, (Words{"send", "--not-an-option"}));
  EXPECT_TRUE(ParseArguments({"--help"}).help);
}

TEST(DiaghostArguments, MistakesAreUsageErrors) {
  const struct {
    Words arguments;
    const char* message;
  } cases[] = {
      {{}, "no command given"},
      {{"--bogus", "id"}, "unknown option --bogus"},
      {{"id", "--persistent"}, "--persistent needs a value"},
      {{"--xml=1", "id"}, "--xml takes no value"},
      {{"--component=", "id"}, "--component needs a non-empty name"},
  };
  for (const auto& c : cases) {
    try {
      ParseArguments(c.arguments);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const UsageError& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

TEST(DiaghostCommands, WordsBecomeCommandDocuments) {
  const struct {
    Words words;
    const char* document;
  } cases[] = {
      {{"id"}, "<id component=\"rb\"/>"},
      {{"catalog"}, "<catalog component=\"rb\"/>"},
      {{"version"}, "<getDiagVersion component=\"rb\"/>"},
      {{"run", "disk0", "accessTest", "loop=2", "pattern=a\"<b", "empty="},
       "<runTest device=\"disk0\" test=\"accessTest\" component=\"rb\" loop=\"2\" pattern=\"a&quot;&lt;b\" "
       "empty=\"\"/>"},
      {{"cancel", "disk0", "accessTest"},
       "<cancelTest device=\"disk0\" test=\"accessTest\" component=\"rb\"/>"},
      {{"diagnose", "a&b"}, "<runDiagnosis device=\"a&amp;b\" component=\"rb\"/>"},
      {{"action", "cd0", "action=eject"}, "<deviceAction device=\"cd0\" component=\"rb\" action=\"eject\"/>"},
      {{"send", "<anything at='all'"}, "<anything at='all'"},
  };
  for (const auto& c : cases) {
    const Command command = BuildCommand(c.words, "rb");
    EXPECT_EQ(command.kind, Command::Kind::kDocument);
    EXPECT_EQ(command.document, c.document);
  }
  EXPECT_EQ(BuildCommand({"env"}, "rb").kind, Command::Kind::kEnvironment);
}

TEST(DiaghostCommands, WrongWordsAreUsageErrors) {
  const Words cases[] = {
      {"run", "disk0"},
      {"cancel", "disk0", "t", "loop=1"},
      {"run", "d", "t", "loop"},
      {"run", "d", "t", "1a=b"},
      {"run", "d", "t", "device=x"},
      {"action", "d", "component=x"},
      {"id", "extra"},
      {"frobnicate"},
      {"script", "nested.txt"},
      {"send"},
  };
  for (const Words& words : cases) EXPECT_THROW(BuildCommand(words, "rb"), UsageError) << words[0];
}

TEST(DiaghostCommands, ScriptLinesAreWordsOrDocuments) {
  EXPECT_EQ(SplitWords("  run disk0 \"a b\" 'c d'\tx=\"1 2\"  "),
            (Words{"run", "disk0", "a b", "c d", "x=1 2"}));
  EXPECT_THROW(SplitWords("run 'disk0"), UsageError);

  std::istringstream script(
      "# comment\r\n\r\nversion\r\n  <runTest device='d' test='t'/>\nrun d t 'retries=0'\n");
  const std::vector<Command> commands = ReadScript(script, "s.txt", "rb");
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0].document, "<getDiagVersion component=\"rb\"/>");
  EXPECT_EQ(commands[1].document, "<runTest device='d' test='t'/>");
  EXPECT_EQ(commands[2].document, "<runTest device=\"d\" test=\"t\" component=\"rb\" retries=\"0\"/>");

  std::istringstream bad("id\n# fine\nrun disk0\n");
  try {
    ReadScript(bad, "s.txt", "rb");
    ADD_FAILURE() << "accepted a bad line";
  } catch (const UsageError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("s.txt:3: usage: run DEVICE TEST", 0), 0u) << error.what();
  }
}

TEST(DiaghostXml, ReadsWhatTheComponentWrites) {
  const XmlNode root = ParseXml(
      "<?xml version=\"1.0\"?>\n<!-- c -->\n<testResult device='d&apos;1' "
      "OperationCaption=\"a&#10;b&#x41;\">\n"
      "  <output>line&lt;1&gt;&#09;&amp;</output>\n  <error caption=\"E\">detail  "
      "<repairAction>fix</repairAction>\n"
      "  </error>\n  <data><![CDATA[<raw & text>]]></data>\n</testResult>\n");
  EXPECT_TRUE(root.Is("TESTRESULT"));
  EXPECT_EQ(root.Attribute("device"), "d'1");
  EXPECT_EQ(root.Attribute("operationcaption"), "a\nbA");
  EXPECT_EQ(root.Attribute("missing", "fallback"), "fallback");
  ASSERT_NE(root.Child("output"), nullptr);
  EXPECT_EQ(root.Child("output")->text, "line<1>\t&");
  EXPECT_EQ(root.Child("error")->text, "detail");  // mixed content: the indentation is not text
  EXPECT_EQ(root.Child("error")->Child("repairAction")->text, "fix");
  EXPECT_EQ(root.Child("data")->text, "<raw & text>");
  EXPECT_TRUE(root.text.empty());
}

TEST(DiaghostXml, RejectsMalformedDocuments) {
  for (const char* text : {"", "text", "<a>", "<a></b>", "<a x=1/>", "<a x='1/>", "<a>&bogus;</a>",
                           "<a/><b/>", "<a><!-- open</a>", "<a>&#xZZ;</a>", "<a x='<'/>"}) {
    EXPECT_THROW(ParseXml(text), XmlSyntaxError) << text;
  }
  try {
    ParseXml("<a>\n\n<b>");
    ADD_FAILURE();
  } catch (const XmlSyntaxError& error) {
    EXPECT_EQ(std::string(error.what()), "malformed XML (line 3): missing end tag of b");
  }
}

TEST(DiaghostXml, PrettyPrintsIndentedAndEscaped) {
  const XmlNode root = ParseXml("<a x='1&quot;'><b>t&lt;</b><c/><d y=\"2\"><e/></d></a>");
  EXPECT_EQ(PrettyXml(root),
            "<a x=\"1&quot;\">\n  <b>t&lt;</b>\n  <c/>\n  <d y=\"2\">\n    <e/>\n  </d>\n</a>\n");
}

TEST(DiaghostSummary, FailureVerdicts) {
  const struct {
    const char* response;
    bool failed;
  } cases[] = {
      {"<error caption='Device not found'>disk9</error>", true},
      {"<testResult device='d' test='t' currentState='failed'/>", true},
      {"<testResult device='d' test='t' currentState='passed'><output/></testResult>", false},
      {"<testResult device='d' test='t' currentState='canceled'/>", false},
      {"<testResult device='d' test='t' currentState='blocked'/>", false},
      {"<testResult device='d' test='t'><error caption='Device not found'/></testResult>", true},
      {"<diagnosisResult device='d' currentState='failed'/>", true},
      {"<diagnosisResult device='d' currentState='unavailable'/>", false},
      {"<diagVersion>7.9.1.2401A</diagVersion>", false},
      {"<idResult/>", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsFailure(ParseXml(c.response)), c.failed) << c.response;
  EXPECT_EQ(FailureLine(ParseXml("<error caption='Invalid Command'>frob</error>")),
            "error: Invalid Command (frob)");
  EXPECT_EQ(FailureLine(ParseXml("<testResult device='d' test='t' currentState='failed'>"
                                 "<error caption='Medium error'>block 7</error></testResult>")),
            "d t failed: Medium error (block 7)");
}

TEST(DiaghostSummary, DiscoveryListsDevicesWithTheirTests) {
  const XmlNode result = ParseXml(
      "<idResult><device name='disk0' class='ScsiDisk' caption='SCSI Hard Drive' description='Model X' "
      "diagnosable='1'><property name='serial' caption='Serial Number' value='S1'/>"
      "<test name='accessTest' caption='Access Test' quick='1'/><test name='sost' caption=''/>"
      "<interface name='scsi0' role='parent'/></device><device name='cdrom0' caption='Optical Drive' "
      "description='Optical Drive'/></idResult>");
  EXPECT_EQ(Summarize(result),
            "2 devices\n"
            "disk0: SCSI Hard Drive [ScsiDisk] (diagnosable)\n"
            "  Model X\n"
            "  Serial Number: S1\n"
            "  linked to scsi0 (parent)\n"
            "  tests:\n"
            "    accessTest  Access Test\n"
            "    sost\n"
            "cdrom0: Optical Drive\n");
  EXPECT_EQ(Summarize(ParseXml("<idResult/>")), "no devices found\n");
}

TEST(DiaghostSummary, CatalogShowsTestsFlagsAndParameters) {
  const std::string text = Summarize(ParseXml(
      "<catResult><device name='scsiDisk' class='ScsiDisk' caption='SCSI Hard Drive'>"
      "<test name='accessTest' caption='Access Test' description='Exercises I/O' interactive='0' quick='1' "
      "destructive='1' unavailable='no media'><parameter name='retries' caption='Retries' type='int' min='0' "
      "max='5' defaultValue='1' description='Number of retries if test fails'/><parameter name='mode' "
      "caption='Mode' type='ENUM' defaultValue='read'><TextItem name='read'/><TextItem name='write'/>"
      "</parameter></test></device></catResult>"));
  EXPECT_EQ(text,
            "1 device kind\n"
            "scsiDisk: SCSI Hard Drive [ScsiDisk]\n"
            "  accessTest: Access Test [quick, destructive]\n"
            "    Exercises I/O\n"
            "    unavailable: no media\n"
            "    retries (int, default 1, 0..5) Retries: Number of retries if test fails\n"
            "    mode (ENUM, default read, one of read|write) Mode\n");
}

TEST(DiaghostSummary, TestResultAndErrorDetails) {
  EXPECT_EQ(
      Summarize(ParseXml(
          "<testResult device='disk0' test='accessTest' percentComplete='100' currentState='failed' loop='2' "
          "recordNum='0' OperationCaption='Reading' testTime='0:00:05'><output>read 10 blocks\nfailed at 7"
          "</output><error caption='Medium error' time='Thu Dec 10 04:51:47 2026' errorCode='000042'>block 7"
          "<repairAction>Replace the drive</repairAction></error></testResult>")),
      "disk0 accessTest: failed, 100%, time 0:00:05 (loop 2, record 0)\n"
      "  last operation: Reading\n"
      "  output:\n"
      "    read 10 blocks\n"
      "    failed at 7\n"
      "  error: Medium error\n"
      "    code 000042, Thu Dec 10 04:51:47 2026\n"
      "    detail: block 7\n"
      "    repair action: Replace the drive\n");
  EXPECT_EQ(Summarize(ParseXml("<diagOutput loop='7' recordNum='0' type='cancelTest' status='Success'/>")),
            "cancel requested: Success (loop 7, record 0)\n");
  EXPECT_EQ(Summarize(ParseXml("<diagVersion>7.9.1.2401A</diagVersion>")),
            "diagnostics version 7.9.1.2401A\n");
  EXPECT_EQ(Summarize(ParseXml("<other a='1'><b/></other>")), "<other a=\"1\">\n  <b/>\n</other>\n");
}

constexpr const char* kPrompt =
    "<diagPrompt test='cdLedTest' device='cdrom0' type='button' width='500' height='200' loop='0' "
    "recordNum='0'>How many times did the LED blink?<option caption='OK'/><option caption='No Blinks' "
    "hotkey='n'/></diagPrompt>";

TEST(DiaghostEvents, PromptsTakeScriptedAnswersThenTheInput) {
  std::ostringstream out;
  std::istringstream in("typed at the terminal\r\n");
  EventPrinter::Settings settings;
  settings.answers = {"3", "a\"<b"};
  settings.answersName = "answers.txt";
  EventPrinter printer(out, in, settings);

  EXPECT_EQ(printer.Handle(kPrompt), "<promptAnswer value=\"3\"/>");
  const std::optional<std::string> quoted = printer.Handle(kPrompt);
  ASSERT_TRUE(quoted);
  EXPECT_EQ(ParseXml(*quoted).Attribute("value"), "a\"<b");
  EXPECT_EQ(printer.Handle(kPrompt), "<promptAnswer value=\"typed at the terminal\"/>");
  EXPECT_EQ(printer.Handle(kPrompt), "<promptAnswer value=\"\"/>");  // input exhausted

  const std::string shown = out.str();
  EXPECT_NE(shown.find("? cdrom0 cdLedTest: How many times did the LED blink?\n"), std::string::npos)
      << shown;
  EXPECT_NE(shown.find("  options: OK | [n] No Blinks\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("answer> 3 (from answers.txt)\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("(end of input: empty answer)"), std::string::npos) << shown;
}

TEST(DiaghostEvents, EventsAndProgressLines) {
  std::ostringstream out;
  std::istringstream in;
  EventPrinter printer(out, in, EventPrinter::Settings{});
  for (const char* document :
       {"<diagEvent component='c' caption='Test Started' description='Disk - Access Test'/>",
        "<diagUpdate device='disk0' test='accessTest' percentComplete='0' currentState='running' loop='0' "
        "recordNum='0' OperationCaption=''/>",
        "<diagUpdate device='disk0' test='accessTest' percentComplete='0' currentState='running' loop='0' "
        "recordNum='0' OperationCaption=''/>",
        "<diagUpdate device='disk0' percentComplete='50'/>",
        "<diagEvent caption='Device Discovery Started'/>", "<unexpected/>", "not xml"}) {
    EXPECT_FALSE(printer.Handle(document)) << document;
  }
  EXPECT_EQ(out.str(),
            "* Test Started: Disk - Access Test\n"
            "progress   0%  disk0 accessTest running\n"
            "progress  50%  disk0\n"
            "* Device Discovery Started\n"
            "<unexpected/>\n"
            "* unreadable event (malformed XML (line 1): no root element): not xml\n");

  std::ostringstream quietOut;
  std::istringstream answer("yes\n");
  EventPrinter::Settings quiet;
  quiet.quiet = true;
  EventPrinter silent(quietOut, answer, quiet);
  silent.Handle("<diagEvent caption='Hidden'/>");
  EXPECT_EQ(silent.Handle(kPrompt), "<promptAnswer value=\"yes\"/>");  // prompts are never silenced
  EXPECT_EQ(quietOut.str().find("Hidden"), std::string::npos);
}

TEST(DiaghostEvents, TheProgressBarGivesWayToOtherLines) {
  std::ostringstream out;
  std::istringstream in;
  EventPrinter::Settings settings;
  settings.progressBar = true;
  EventPrinter printer(out, in, settings);
  printer.Handle("<diagUpdate device='d' test='t' percentComplete='50' currentState='running'/>");
  printer.Handle("<diagUpdate device='d' test='t' percentComplete='100' currentState='passed'/>");
  printer.Handle("<diagEvent caption='Test passed'/>");
  printer.Handle("<diagUpdate device='d' percentComplete='10'/>");
  printer.EndProgress();
  EXPECT_EQ(out.str(),
            "\r[###############...............]  50%  d t running"
            "\r[##############################] 100%  d t passed "  // blanks the longer line before
            "\n* Test passed\n"
            "\r[###...........................]  10%  d\n");
}

TEST(DiaghostEvents, CallbacksFromManyThreadsPrintWholeLines) {
  std::ostringstream out;
  std::istringstream in;
  EventPrinter printer(out, in, EventPrinter::Settings{});
  EventPrinter::Install(&printer);
  constexpr int kThreads = 8;
  constexpr int kEvents = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kEvents; ++i) {
        const std::string document = "<diagEvent caption='thread " + std::to_string(t) +
                                     "' description='event " + std::to_string(i) + "'/>";
        EXPECT_EQ(EventPrinter::Callback(document.c_str()), nullptr);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EventPrinter::Install(nullptr);

  std::set<std::string> expected;
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kEvents; ++i)
      expected.insert("* thread " + std::to_string(t) + ": event " + std::to_string(i));
  }
  std::istringstream lines(out.str());
  std::set<std::string> seen;
  for (std::string line; std::getline(lines, line);) EXPECT_TRUE(seen.insert(line).second) << line;
  EXPECT_EQ(seen, expected);
}

TEST(DiaghostEvents, TheCallbackAnswersPromptsInAllocatorBlocks) {
  std::ostringstream out;
  std::istringstream in;
  EventPrinter::Settings settings;
  settings.answers = {"OK"};
  settings.answersName = "answers";
  EventPrinter printer(out, in, settings);
  EventPrinter::Install(&printer);
  const std::uint64_t before = OruGetOutstandingBlocks();
  char* answer = EventPrinter::Callback(kPrompt);
  EventPrinter::Install(nullptr);
  ASSERT_NE(answer, nullptr);
  EXPECT_STREQ(answer, "<promptAnswer value=\"OK\"/>");
  EXPECT_EQ(OruGetOutstandingBlocks(), before + 1);  // the component frees it with OruFree
  OruFree(answer);
  EXPECT_EQ(OruGetOutstandingBlocks(), before);
  EXPECT_EQ(EventPrinter::Callback(kPrompt), nullptr);  // no printer installed
}

}  // namespace
}  // namespace diaghost
