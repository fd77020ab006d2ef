#include "summary.h"

#include <string_view>
#include <vector>

#include "xmldocument.h"

namespace diaghost {
namespace {

// The attributes of a test element that describe it rather than flag it.
constexpr std::string_view kTestTexts[] = {"name", "caption", "description", "disableUITime", "unavailable"};

std::string Indent(const std::string& text, std::size_t spaces) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out.append(spaces, ' ');
    out.append(text, start, end - start);
    out += '\n';
    start = end + 1;
  }
  return out;
}

std::string Plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// "name: caption [class]" and, when it adds something, the description below.
std::string DeviceHeading(const XmlNode& device) {
  std::string text = device.Attribute("name");
  const std::string caption = device.Attribute("caption");
  if (!caption.empty()) text += ": " + caption;
  const std::string elementClass = device.Attribute("class");
  if (!elementClass.empty()) text += " [" + elementClass + "]";
  if (device.Attribute("diagnosable") == "1") text += " (diagnosable)";
  text += '\n';
  const std::string description = device.Attribute("description");
  if (!description.empty() && description != caption) text += "  " + description + '\n';
  return text;
}

std::string Error(const XmlNode& error, std::size_t indent) {
  const std::string pad(indent, ' ');
  std::string text = pad + "error: " + error.Attribute("caption") + '\n';
  std::string when = error.Attribute("errorCode");
  const std::string time = error.Attribute("time");
  if (!time.empty()) when += (when.empty() ? "" : ", ") + time;
  if (!when.empty()) text += pad + "  code " + when + '\n';
  if (!error.text.empty()) text += pad + "  detail: " + error.text + '\n';
  if (const XmlNode* repair = error.Child("repairAction"))
    text += pad + "  repair action: " + repair->text + '\n';
  return text;
}

std::string Parameter(const XmlNode& parameter) {
  std::string text = "    " + parameter.Attribute("name") + " (" + parameter.Attribute("type");
  if (parameter.Has("defaultValue")) text += ", default " + parameter.Attribute("defaultValue");
  if (parameter.Has("min") || parameter.Has("max")) {
    text += ", " + parameter.Attribute("min") + ".." + parameter.Attribute("max");
  }
  std::string choices;
  for (const XmlNode* item : parameter.Children("TextItem")) {
    if (!choices.empty()) choices += '|';
    choices += item->Attribute("name");
  }
  if (!choices.empty()) text += ", one of " + choices;
  text += ")";
  const std::string caption = parameter.Attribute("caption");
  if (!caption.empty()) text += " " + caption;
  const std::string description = parameter.Attribute("description");
  if (!description.empty() && description != caption) text += ": " + description;
  return text + '\n';
}

std::string CatalogTest(const XmlNode& test) {
  std::string text = "  " + test.Attribute("name");
  const std::string caption = test.Attribute("caption");
  if (!caption.empty()) text += ": " + caption;
  std::string flags;
  for (const auto& [name, value] : test.attributes) {
    bool descriptive = false;
    for (std::string_view known : kTestTexts) descriptive = descriptive || EqualsNoCase(name, known);
    if (!descriptive && value == "1") flags += (flags.empty() ? "" : ", ") + name;
  }
  if (!flags.empty()) text += " [" + flags + "]";
  text += '\n';
  const std::string description = test.Attribute("description");
  if (!description.empty() && description != caption) text += "    " + description + '\n';
  if (test.Has("unavailable")) text += "    unavailable: " + test.Attribute("unavailable") + '\n';
  for (const XmlNode* parameter : test.Children("parameter")) text += Parameter(*parameter);
  return text;
}

// "Logical Disks: 2" and a line per volume: its name, label, file system, size and free space.
std::string FixedVolumes(const XmlNode& volumes) {
  const std::vector<const XmlNode*> disks = volumes.Children("logicalDisk");
  std::string text = volumes.Attribute("caption", "Logical Disks") + ": ";
  if (!volumes.text.empty()) return text + volumes.text + '\n';
  text += std::to_string(disks.size()) + '\n';
  for (const XmlNode* disk : disks) {
    text += "  " + disk->Attribute("name");
    for (const XmlNode* property : disk->Children("property"))
      text += "  " + property->Attribute("caption", property->Attribute("name")) + ": " +
              property->Attribute("value");
    text += '\n';
  }
  return text;
}

// One property line; a property that holds properties of its own (an enclosure's element block) has
// them below it, indented further.
std::string Property(const XmlNode& property, const std::string& indent) {
  const std::string caption = property.Attribute("caption");
  std::string text = indent + (caption.empty() ? property.Attribute("name") : caption) + ": " +
                     property.Attribute("value") + '\n';
  for (const XmlNode* nested : property.Children("property")) text += Property(*nested, indent + "  ");
  return text;
}

// "linked to <name> (<role>)" of an interface element.
std::string Link(const XmlNode& link) {
  const std::string role = link.Attribute("role");
  return "linked to " + link.Attribute("name") + (role.empty() ? "" : " (" + role + ")") + '\n';
}

// A group of properties in a device element (a tape drive's capabilities, an array's member disks):
// its caption, its properties, links and its own groups, each level indented further.
std::string PropertyGroup(const XmlNode& group, const std::string& indent) {
  std::string text = indent + group.Attribute("caption", group.name) + '\n';
  for (const XmlNode& child : group.children) {
    if (child.Is("property")) {
      text += Property(child, indent + "  ");
    } else if (child.Is("interface")) {
      text += indent + "  " + Link(child);
    } else if (child.Child("property") != nullptr || !child.children.empty()) {
      text += PropertyGroup(child, indent + "  ");
    }
  }
  return text;
}

std::string Discovery(const XmlNode& result) {
  const std::vector<const XmlNode*> devices = result.Children("device");
  std::string text =
      devices.empty() ? "no devices found\n" : Plural(devices.size(), "device", "devices") + '\n';
  for (const XmlNode* device : devices) {
    text += DeviceHeading(*device);
    for (const XmlNode* property : device->Children("property")) text += Property(*property, "  ");
    for (const XmlNode& child : device->children) {
      if (child.Is("property") || child.Is("interface") || child.Is("test") || child.children.empty())
        continue;
      text += PropertyGroup(child, "  ");
    }
    // An optional block the device could not read.
    for (const XmlNode* warning : device->Children("warning"))
      text += "  warning: " + warning->Attribute("caption") + '\n';
    for (const XmlNode* link : device->Children("interface")) text += "  " + Link(*link);
    const std::vector<const XmlNode*> tests = device->Children("test");
    if (!tests.empty()) text += "  tests:\n";
    for (const XmlNode* test : tests) {
      const std::string caption = test->Attribute("caption");
      text += "    " + test->Attribute("name") + (caption.empty() ? "" : "  " + caption) + '\n';
    }
  }
  if (const XmlNode* volumes = result.Child("logicalDisks")) text += FixedVolumes(*volumes);
  return text;
}

std::string Catalog(const XmlNode& result) {
  const std::vector<const XmlNode*> kinds = result.Children("device");
  std::string text = Plural(kinds.size(), "device kind", "device kinds") + '\n';
  for (const XmlNode* kind : kinds) {
    text += DeviceHeading(*kind);
    for (const XmlNode* test : kind->Children("test")) text += CatalogTest(*test);
  }
  return text;
}

std::string TestResult(const XmlNode& result) {
  std::string subject = result.Attribute("device");
  const std::string test = result.Attribute("test");
  if (!test.empty()) subject += (subject.empty() ? "" : " ") + test;
  const std::string state = result.Attribute("currentState");
  std::string text = subject + ": " + (state.empty() ? "no result" : state);
  if (result.Has("percentComplete")) text += ", " + result.Attribute("percentComplete") + "%";
  if (result.Has("testTime")) text += ", time " + result.Attribute("testTime");
  if (result.Has("loop") || result.Has("recordNum")) {
    text +=
        " (loop " + result.Attribute("loop", "0") + ", record " + result.Attribute("recordNum", "0") + ")";
  }
  text += '\n';
  const std::string caption = result.Attribute("OperationCaption");
  if (!caption.empty()) text += "  last operation: " + caption + '\n';
  if (const XmlNode* output = result.Child("output"); output != nullptr && !output->text.empty()) {
    text += "  output:\n" + Indent(output->text, 4);
  }
  for (const XmlNode* error : result.Children("error")) text += Error(*error, 2);
  return text;
}

std::string Diagnosis(const XmlNode& result) {
  std::string text =
      result.Attribute("caption", result.Attribute("device")) + ": " + result.Attribute("currentState");
  if (result.Has("testTime")) text += ", time " + result.Attribute("testTime");
  text += '\n';
  for (const XmlNode& child : result.children) text += Indent(PrettyXml(child), 2);
  return text;
}

bool IsCancelAnswer(const XmlNode& response) {
  return response.Is("diagOutput") && response.Attribute("type") == "cancelTest";
}

}  // namespace

bool IsFailure(const XmlNode& response) {
  if (response.Is("error")) return true;
  const std::string state = response.Attribute("currentState");
  if (response.Is("testResult"))
    return state == "failed" || (state.empty() && response.Child("error") != nullptr);
  return response.Is("diagnosisResult") && state == "failed";
}

std::string FailureLine(const XmlNode& response) {
  if (response.Is("error")) {
    return "error: " + response.Attribute("caption") +
           (response.text.empty() ? "" : " (" + response.text + ")");
  }
  std::string line = response.Attribute("device");
  const std::string test = response.Attribute("test");
  if (!test.empty()) line += (line.empty() ? "" : " ") + test;
  line += response.Has("currentState") ? " failed" : " answered an error";
  if (const XmlNode* error = response.Child("error")) {
    line += ": " + error->Attribute("caption") + (error->text.empty() ? "" : " (" + error->text + ")");
  }
  return line;
}

std::string Summarize(const XmlNode& response) {
  if (response.Is("idResult")) return Discovery(response);
  if (response.Is("catResult")) return Catalog(response);
  if (response.Is("testResult")) return TestResult(response);
  if (response.Is("diagnosisResult")) return Diagnosis(response);
  if (response.Is("error")) return Error(response, 0);
  if (response.Is("diagVersion")) return "diagnostics version " + response.text + '\n';
  if (IsCancelAnswer(response)) {
    return "cancel requested: " + response.Attribute("status") + " (loop " + response.Attribute("loop", "0") +
           ", record " + response.Attribute("recordNum", "0") + ")\n";
  }
  return PrettyXml(response);
}

}  // namespace diaghost
