// Parameters: the expression an operator types into a numeric field, the validation rules of each kind,
// their catalog elements and the list that takes its values from a runTest command.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>

#include "framework/booleanparameter.h"
#include "framework/enumerationparameter.h"
#include "framework/numericexpression.h"
#include "framework/numericparameter.h"
#include "framework/parameterlist.h"
#include "framework/stringparameter.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

constexpr const char* kDivide = "Please don't divide by zero.";
constexpr const char* kParenthesis = "Malformed expression, Check your parenthesis.";

// The detail of the FrontendError a call raises; nullopt when it raises nothing.
template <class F>
std::optional<std::string> RejectionOf(F&& call) {
  try {
    call();
  } catch (const FrontendError& error) {
    EXPECT_EQ(error.Message(), "Parameter outside acceptable range");
    return error.Detail();
  }
  return std::nullopt;
}

TEST(NumericExpression, ThirtyTwoBitTable) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"2K", 2048}, {"1G", 1073741824}, {"4G", 0}, {"3M", 3 << 20},
      {"0x10", 16}, {"0x10K", 0},  // the suffix path reads "0x10" as decimal
      {"MAX/2", 32767}, {"MIN+1", 1}, {"max", 0}, {"10-2+3", 11}, {"2+3*4", 14}, {"(1+2)*3", 9},
      {"((1+2)*3)+4", 13}, {"12abc", 12}, {" 1 + 2 ", 3}, {"", 0}, {"()", 0}, {"5+", 5}, {"7/2", 3},
      {"-5", -5}, {"(0-7)/2", -3}, {"0x7fffffff+1", INT_MIN}, {"0x80000000/(0-1)", INT_MIN},
      {"99999999999", static_cast<int>(99999999999LL & 0xffffffff)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EvaluateNumericExpression<int>(c.text, 0, 65535), c.value) << c.text;
}

TEST(NumericExpression, SixtyFourBitUnsignedTable) {
  const struct {
    const char* text;
    std::uint64_t value;
  } cases[] = {
      {"4G", 4294967296ull}, {"16G", 17179869184ull}, {"(0-7)/2", 9223372036854775804ull},
      {"0xFFFFFFFFFFFFFFFF+1", 0}, {"0xffffffffffffffff", UINT64_MAX}, {"MAX", 1000}, {"2*MIN", 20},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EvaluateNumericExpression<std::uint64_t>(c.text, 10, 1000), c.value) << c.text;
}

TEST(NumericExpression, DivisionByZeroAndParentheses) {
  const struct {
    const char* text;
    const char* detail;
  } cases[] = {
      {"5/0", kDivide}, {"5/(2-2)", kDivide}, {"(1+2", kParenthesis}, {"1+2)", kParenthesis},
      {"(1)2", kParenthesis}, {"2(3)", kParenthesis}, {"((1)", kParenthesis},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RejectionOf([&] { EvaluateNumericExpression<int>(c.text, 0, 0); }), c.detail) << c.text;
    EXPECT_EQ(RejectionOf([&] { EvaluateNumericExpression<std::uint64_t>(c.text, 0, 0); }), c.detail) << c.text;
  }
  // Nesting deeper than anyone types is refused, not followed down the stack.
  const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  EXPECT_EQ(RejectionOf([&] { EvaluateNumericExpression<int>(deep, 0, 0); }), kParenthesis);
}

TEST(NumericParameter, AcceptsOnlyValuesWithinItsLimits) {
  const struct {
    const char* text;
    bool accepted;
    int stored;
  } cases[] = {
      {"", true, 30},        {"0", true, 0},       {"MAX", true, 65535}, {"2K", true, 2048},
      {"00", false, 0},      {"0x0", false, 0},    {"5-5", false, 0},    {"4G", false, 0},
      {"70000", false, 70000}, {"-1", false, -1},  // the rejected result stays stored
  };
  for (const auto& c : cases) {
    NumericParameter<int> timeout("timeout", "Timeout", "Timeout period at which this test will abort", 30, 0, 65535);
    const auto rejection = RejectionOf([&] { timeout.SetValue(c.text); });
    EXPECT_EQ(!rejection.has_value(), c.accepted) << c.text;
    EXPECT_EQ(timeout.Value(), c.stored) << c.text;
  }
  NumericParameter<int> timeout("timeout", "Timeout", "", 0, 0, 65535);
  EXPECT_EQ(RejectionOf([&] { timeout.SetValue("70000"); }),
            "You entered 70000, please enter a value between 0 and 65535");

  // A maximum not above the minimum sets no upper limit.
  NumericParameter<std::uint64_t> blocks("blocks", "Blocks", "", 0, 0, 0);
  EXPECT_EQ(RejectionOf([&] { blocks.SetValue("0xFFFFFFFFFF"); }), std::nullopt);
  EXPECT_EQ(blocks.Value(), 0xFFFFFFFFFFull);
  NumericParameter<int> above("above", "", "", 5, 5, 3);
  EXPECT_EQ(RejectionOf([&] { above.SetValue("4"); }), "You entered 4, please enter a value between 5 and 3");
}

TEST(OtherParameterKinds, ValidateTheirText) {
  BooleanParameter verify("verify", "Verify", "Read back what was written", true);
  EXPECT_EQ(RejectionOf([&] { verify.SetValue("true"); }),
            "You entered true, please enter either true(1) or false(0).\n");
  verify.SetValue("0");
  EXPECT_FALSE(verify.Value());
  verify.SetValue("");
  EXPECT_TRUE(verify.Value());

  StringParameter file("file", "File", "Image to flash", "nvram.bin");
  file.SetValue("other.bin");
  EXPECT_EQ(file.Value(), "other.bin");
  file.SetValue("");
  EXPECT_EQ(file.Value(), "nvram.bin");

  EnumerationParameter mode("mode", "Mode", "Access pattern", "READ");
  mode.AddOption(EnumOption("READ", "Read", "Reads only"));
  mode.AddOption(EnumOption("WRITE", "Write", "Writes and reads"));
  EXPECT_EQ(RejectionOf([&] { mode.SetValue("read"); }),
            "You entered 'read', please enter a value from the list instead.\n");
  EXPECT_EQ(mode.Value(), "READ");
  mode.SetValue("WRITE");
  EXPECT_EQ(mode.Value(), "WRITE");
}

TEST(ParameterList, DescribesItsParametersAndTakesTheirValuesFromTheCommand) {
  ParameterList list;
  list.Add(std::make_unique<NumericParameter<int>>("timeout", "Timeout", "Seconds", 0, 0, 65535));
  list.Add(std::make_unique<BooleanParameter>("verify", "Verify", "Read back", false));
  auto mode = std::make_unique<EnumerationParameter>("mode", "Mode", "Pattern", "READ");
  mode->AddOption(EnumOption("READ", "Read", "Reads only"));
  list.Add(std::move(mode));

  const XmlObject described = list.Describe();
  EXPECT_EQ(described.Name(), "");
  ASSERT_EQ(described.Children().size(), 3u);
  EXPECT_EQ(described.Children()[0].GetAttribute("name"), "timeout");
  EXPECT_EQ(list.Parameters()[0]->Describe().ToString(),
            "<parameter name=\"timeout\" caption=\"Timeout\" description=\"Seconds\" type=\"int\" "
            "defaultValue=\"0\" min=\"0\" max=\"65535\"/>\n");
  EXPECT_EQ(described.Children()[1].GetAttribute("type") + described.Children()[1].GetAttribute("defaultValue"),
            "bool0");
  EXPECT_EQ(list.Parameters()[2]->Describe().ToString(),
            "<parameter name=\"mode\" caption=\"Mode\" description=\"Pattern\" type=\"ENUM\" defaultValue=\"READ\">\n"
            "  <TextItem name=\"READ\" caption=\"Read\" description=\"Reads only\"/>\n</parameter>\n");

  auto& timeout = dynamic_cast<NumericParameter<int>&>(*list.Parameters()[0]);
  auto& verify = dynamic_cast<BooleanParameter&>(*list.Parameters()[1]);
  list.SetValues(XmlObject("<runTest timeout='2K' verify='1'/>"));
  EXPECT_EQ(timeout.Value(), 2048);
  EXPECT_TRUE(verify.Value());
  // The first bad value raises; the parameters after it keep their values.
  EXPECT_EQ(RejectionOf([&] { list.SetValues(XmlObject("<runTest timeout='5/0' verify='0'/>")); }), kDivide);
  EXPECT_TRUE(verify.Value());
  // Absent attributes give the defaults.
  list.SetValues(XmlObject("<runTest/>"));
  EXPECT_EQ(timeout.Value(), 0);
  EXPECT_FALSE(verify.Value());
}

}  // namespace
}  // namespace rb
