// Throughput of the XML subsystem on a generated inventory document of about 10 MB: parsing, writing and
// copying the whole tree, next to pugixml parsing and writing the very same text, and path lookups with an
// attribute predicate in a board database. Every benchmark checks a result it timed (element and attribute
// counts, decoded text, the names found), so none of them can measure a no-op.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <vector>

#include "support/xmlobject.h"

namespace {

// splitmix64: small, fast and the same sequence everywhere, so every run sees the same document.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
  bool Chance(std::uint32_t percent) { return Below(100) < percent; }

 private:
  std::uint64_t state_;
};

constexpr std::uint64_t kSeed = 0x5EED0F1A7B3C2D11ull;

// A word as written in the document (escaped) and as a parser must hand it back.
struct Word {
  const char* raw;
  const char* decoded;
};
constexpr Word kWords[] = {
    {"disk", "disk"},
    {"array", "array"},
    {"controller", "controller"},
    {"cache", "cache"},
    {"battery", "battery"},
    {"&amp;", "&"},
    {"&lt;spare&gt;", "<spare>"},
    {"firmware", "firmware"},
    {"rev.", "rev."},
    {"enclosure", "enclosure"},
    {"bay", "bay"},
    {"&quot;hot&quot;", "\"hot\""},
    {"it&apos;s", "it's"},
    {"degraded", "degraded"},
    {"rebuild", "rebuild"},
    {"R&amp;D", "R&D"},
    {"a&lt;b", "a<b"},
    {"volume", "volume"},
    {"sector", "sector"},
    {"parity", "parity"},
    {"fan", "fan"},
    {"power", "power"},
    {"supply", "supply"},
    {"logical", "logical"},
};
constexpr std::uint32_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

struct PropertyName {
  const char* name;
  const char* caption;
};
constexpr PropertyName kProperties[] = {
    {"model", "Model"},
    {"serial", "Serial Number"},
    {"firmware", "Firmware Revision"},
    {"capacity", "Capacity"},
    {"vendor", "Vendor"},
    {"status", "Status"},
    {"temperature", "Temperature"},
    {"rpm", "Rotational Speed"},
};
constexpr const char* kClasses[] = {"disk", "tape", "optical", "controller", "enclosure"};

// Elements and attributes in a tree; both parsers must agree with the generator.
struct Counts {
  std::size_t elements = 0;
  std::size_t attributes = 0;
  bool operator==(const Counts&) const = default;
};

struct Document {
  std::string text;
  Counts counts;
  std::size_t racks = 0;
  std::string firstDescription;  // decoded, as a parser must return it
};

void Indent(std::string& out, int depth) {
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

// Appends 1..maxWords words separated by spaces to `raw`, and their decoded form to `decoded`.
void AppendWords(Random& rng, std::uint32_t maxWords, std::string& raw, std::string* decoded) {
  const std::uint32_t n = 1 + rng.Below(maxWords);
  for (std::uint32_t i = 0; i < n; ++i) {
    const Word& w = kWords[rng.Below(kWordCount)];
    if (i > 0) raw.push_back(' ');
    raw.append(w.raw);
    if (decoded != nullptr) {
      if (i > 0) decoded->push_back(' ');
      decoded->append(w.decoded);
    }
  }
}

// <inventory> with 20 racks of 1,000 devices; each device has 2-4 attributes, 2-4 property children, a
// location three levels deep and a description of escaped text. Indented two spaces per level.
Document MakeInventory() {
  constexpr int kRacks = 20;
  constexpr int kDevicesPerRack = 1000;
  Random rng(kSeed);
  Document d;
  std::string& out = d.text;
  out.reserve(std::size_t{11} << 20);
  auto element = [&d](std::size_t attributes) {
    ++d.counts.elements;
    d.counts.attributes += attributes;
  };
  char buf[160];

  out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  std::snprintf(buf, sizeof buf, "<inventory generator=\"xmlbench\" devices=\"%d\">\n",
                kRacks * kDevicesPerRack);
  out.append(buf);
  element(2);
  for (int r = 0; r < kRacks; ++r) {
    Indent(out, 1);
    std::snprintf(buf, sizeof buf, "<rack index=\"%d\" name=\"Rack %d &amp; spares\">\n", r, r);
    out.append(buf);
    element(2);
    ++d.racks;
    for (int i = 0; i < kDevicesPerRack; ++i) {
      const int serial = r * kDevicesPerRack + i;
      const std::uint32_t attributes = 2 + rng.Below(3);
      Indent(out, 2);
      std::snprintf(buf, sizeof buf, "<device id=\"D%05d\" class=\"%s\"", serial, kClasses[rng.Below(5)]);
      out.append(buf);
      if (attributes >= 3) {
        std::snprintf(buf, sizeof buf, " bus=\"%u\"", rng.Below(8));
        out.append(buf);
      }
      if (attributes >= 4) {
        std::snprintf(buf, sizeof buf, " slot='%u'", rng.Below(64));
        out.append(buf);
      }
      out.append(">\n");
      element(attributes);

      const std::uint32_t properties = 2 + rng.Below(3);
      for (std::uint32_t p = 0; p < properties; ++p) {
        const PropertyName& name = kProperties[rng.Below(8)];
        Indent(out, 3);
        out.append("<property name=\"").append(name.name).append("\" caption=\"").append(name.caption);
        out.append("\" value=\"");
        if (rng.Chance(50)) {
          std::snprintf(buf, sizeof buf, "%u", rng.Below(1000000));
          out.append(buf);
        } else {
          AppendWords(rng, 3, out, nullptr);
        }
        out.append("\"/>\n");
        element(3);
      }

      Indent(out, 3);
      out.append("<location kind=\"scsi\">\n");
      element(1);
      const std::uint32_t port = rng.Below(8);
      const std::uint32_t target = rng.Below(16);
      Indent(out, 4);
      std::snprintf(buf, sizeof buf, "<path>\\\\.\\SCSI%u: target %u &amp; up</path>\n", port, target);
      out.append(buf);
      element(0);
      Indent(out, 4);
      std::snprintf(buf, sizeof buf, "<port index=\"%u\" channel=\"%u\">\n", port, rng.Below(4));
      out.append(buf);
      element(2);
      Indent(out, 5);
      std::snprintf(buf, sizeof buf, "<lun>%u</lun>\n", rng.Below(8));
      out.append(buf);
      element(0);
      Indent(out, 4);
      out.append("</port>\n");
      Indent(out, 3);
      out.append("</location>\n");

      Indent(out, 3);
      out.append("<description>");
      AppendWords(rng, 8, out, serial == 0 ? &d.firstDescription : nullptr);
      out.append("</description>\n");
      element(0);

      Indent(out, 2);
      out.append("</device>\n");
    }
    Indent(out, 1);
    out.append("</rack>\n");
  }
  out.append("</inventory>\n");
  return d;
}

const Document& Inventory() {
  static const Document document = MakeInventory();
  return document;
}

void Count(const rb::XmlObject& e, Counts& c) {
  ++c.elements;
  c.attributes += e.Attributes().size();
  for (const rb::XmlObject& child : e.Children()) Count(child, c);
}

void Count(const pugi::xml_node& parent, Counts& c) {
  for (const pugi::xml_node& child : parent.children()) {
    if (child.type() != pugi::node_element) continue;
    ++c.elements;
    for (const pugi::xml_attribute& a : child.attributes()) {
      (void)a;
      ++c.attributes;
    }
    Count(child, c);
  }
}

// Answers an empty string when the tree is the whole inventory document, else what is wrong.
std::string Check(const rb::XmlObject& root, const Document& d) {
  Counts c;
  Count(root, c);
  if (!(c == d.counts)) {
    return "element/attribute counts " + std::to_string(c.elements) + "/" + std::to_string(c.attributes) +
           ", expected " + std::to_string(d.counts.elements) + "/" + std::to_string(d.counts.attributes);
  }
  if (root.GetValue("rack/device/description") != d.firstDescription) return "first description differs";
  return {};
}

std::string Check(const pugi::xml_document& doc, const Document& d) {
  Counts c;
  Count(doc, c);
  if (!(c == d.counts)) {
    return "element/attribute counts " + std::to_string(c.elements) + "/" + std::to_string(c.attributes) +
           ", expected " + std::to_string(d.counts.elements) + "/" + std::to_string(d.counts.attributes);
  }
  const char* first = doc.child("inventory").child("rack").child("device").child("description").child_value();
  if (d.firstDescription != first) return "first description differs";
  return {};
}

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Every timed benchmark reports the source document's size as the bytes processed, so MB/s compares
// directly across parsers and writers. Freeing the parsed tree is not timed; its cost appears as the
// free_ms counter (milliseconds per tree).
void ParseOurs(benchmark::State& state) {
  const Document& d = Inventory();
  bool checked = false;
  double freeMs = 0;
  for (auto _ : state) {
    auto doc = std::make_unique<rb::XmlObject>(d.text);
    benchmark::DoNotOptimize(doc.get());
    state.PauseTiming();
    if (!checked) {
      const std::string why = Check(*doc, d);
      if (!why.empty()) {
        state.SkipWithError(why.c_str());
        break;
      }
      checked = true;
    }
    const Clock::time_point start = Clock::now();
    doc.reset();
    freeMs += MillisecondsSince(start);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.text.size()));
  state.counters["free_ms"] = benchmark::Counter(freeMs, benchmark::Counter::kAvgIterations);
}

void ParsePugixml(benchmark::State& state) {
  const Document& d = Inventory();
  bool checked = false;
  double freeMs = 0;
  for (auto _ : state) {
    auto doc = std::make_unique<pugi::xml_document>();
    const pugi::xml_parse_result result = doc->load_buffer(d.text.data(), d.text.size());
    benchmark::DoNotOptimize(doc.get());
    state.PauseTiming();
    if (!result) {
      state.SkipWithError(result.description());
      break;
    }
    if (!checked) {
      const std::string why = Check(*doc, d);
      if (!why.empty()) {
        state.SkipWithError(why.c_str());
        break;
      }
      checked = true;
    }
    const Clock::time_point start = Clock::now();
    doc.reset();
    freeMs += MillisecondsSince(start);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.text.size()));
  state.counters["free_ms"] = benchmark::Counter(freeMs, benchmark::Counter::kAvgIterations);
}

// The written text must parse back into the same tree; out_MB is the size of one written document.
void WriteOurs(benchmark::State& state) {
  const Document& d = Inventory();
  const rb::XmlObject doc(d.text);
  const std::string reference = doc.ToString();
  const std::string why = Check(rb::XmlObject(reference), d);
  if (!why.empty()) {
    state.SkipWithError(("written text: " + why).c_str());
    return;
  }
  for (auto _ : state) {
    std::string out = doc.ToString();
    benchmark::DoNotOptimize(out.data());
    if (out.size() != reference.size()) {
      state.SkipWithError("written text changed size");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.text.size()));
  state.counters["out_MB"] = static_cast<double>(reference.size()) / 1e6;
}

class StringWriter : public pugi::xml_writer {
 public:
  void write(const void* data, std::size_t size) override {
    text.append(static_cast<const char*>(data), size);
  }
  std::string text;
};

void WritePugixml(benchmark::State& state) {
  const Document& d = Inventory();
  pugi::xml_document doc;
  if (!doc.load_buffer(d.text.data(), d.text.size())) {
    state.SkipWithError("pugixml cannot parse the document");
    return;
  }
  StringWriter reference;
  doc.save(reference, "  ", pugi::format_default);
  pugi::xml_document reparsed;
  if (!reparsed.load_buffer(reference.text.data(), reference.text.size())) {
    state.SkipWithError("pugixml cannot parse its own text");
    return;
  }
  const std::string why = Check(reparsed, d);
  if (!why.empty()) {
    state.SkipWithError(("written text: " + why).c_str());
    return;
  }
  for (auto _ : state) {
    StringWriter out;
    doc.save(out, "  ", pugi::format_default);
    benchmark::DoNotOptimize(out.text.data());
    if (out.text.size() != reference.text.size()) {
      state.SkipWithError("written text changed size");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.text.size()));
  state.counters["out_MB"] = static_cast<double>(reference.text.size()) / 1e6;
}

// A deep copy of the parsed tree; freeing the copy is not timed.
void CopyOurs(benchmark::State& state) {
  const Document& d = Inventory();
  const rb::XmlObject doc(d.text);
  bool checked = false;
  for (auto _ : state) {
    auto copy = std::make_unique<rb::XmlObject>(doc);
    benchmark::DoNotOptimize(copy.get());
    state.PauseTiming();
    if (!checked) {
      const std::string why = Check(*copy, d);
      if (!why.empty()) {
        state.SkipWithError(why.c_str());
        break;
      }
      checked = true;
    }
    copy.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.text.size()));
}

// ---- board database lookups ----

struct BoardDatabase {
  std::string text;
  std::size_t entries = 0;
  std::vector<std::string> paths;     // "PCI/dev[@id='…']/name"
  std::vector<std::string> expected;  // the decoded name, empty for an id that is not there
  std::size_t hits = 0;
};

constexpr int kBoards = 5000;
constexpr int kLookups = 10000;

std::string BoardId(std::uint32_t vendor, std::uint32_t device, std::uint32_t subvendor,
                    std::uint32_t subdevice) {
  char buf[20];
  std::snprintf(buf, sizeof buf, "%04X%04X%04X%04X", vendor, device, subvendor, subdevice);
  return buf;
}

// <boards><PCI><dev id='…'><name>…</name></dev>…</PCI></boards>, then 10,000 lookups of ids picked
// uniformly over the database, about one in ten of them an id that is not there.
BoardDatabase MakeBoards() {
  constexpr std::uint32_t kVendors[] = {0x1000, 0x103C, 0x1077, 0x8086, 0x9005, 0x0E11, 0x1028, 0x15B3};
  Random rng(kSeed ^ 0xB0A2D5);
  BoardDatabase db;
  std::vector<std::string> ids;
  std::vector<std::string> names;
  std::set<std::string> taken;
  auto randomId = [&rng, &kVendors] {
    const std::uint32_t vendor = kVendors[rng.Below(8)];
    return BoardId(vendor, rng.Below(0x10000), rng.Chance(50) ? vendor : kVendors[rng.Below(8)],
                   rng.Below(0x10000));
  };
  db.text = "<boards>\n<PCI>\n";
  while (ids.size() < kBoards) {
    std::string id = randomId();
    if (!taken.insert(id).second) continue;
    const std::size_t n = ids.size();
    char raw[96];
    char decoded[96];
    const char* family = n % 7 == 0 ? "Array Controller" : "Host Bus Adapter";
    std::snprintf(raw, sizeof raw, "%s %zu%s", family, n, n % 5 == 0 ? " &amp; Cache Module" : "");
    std::snprintf(decoded, sizeof decoded, "%s %zu%s", family, n, n % 5 == 0 ? " & Cache Module" : "");
    db.text.append("<dev id='").append(id).append("'><name>").append(raw).append("</name></dev>\n");
    ids.push_back(std::move(id));
    names.emplace_back(decoded);
  }
  db.text.append("</PCI>\n</boards>\n");
  db.entries = ids.size();
  for (int i = 0; i < kLookups; ++i) {
    std::string id;
    std::string name;
    if (rng.Chance(10)) {
      do id = randomId();
      while (taken.count(id) != 0);
    } else {
      const std::uint32_t at = rng.Below(kBoards);
      id = ids[at];
      name = names[at];
      ++db.hits;
    }
    db.paths.push_back("PCI/dev[@id='" + id + "']/name");
    db.expected.push_back(std::move(name));
  }
  return db;
}

// One iteration is 10,000 lookups; per_lookup is the time of one.
void LookupOurs(benchmark::State& state) {
  const BoardDatabase db = MakeBoards();
  const rb::XmlObject root(db.text);
  if (root.SelectNodes("PCI/dev").size() != db.entries) {
    state.SkipWithError("the database does not hold every entry");
    return;
  }
  for (std::size_t i = 0; i < db.paths.size(); ++i) {
    if (root.GetValue(db.paths[i], "") != db.expected[i]) {
      state.SkipWithError(("wrong answer for " + db.paths[i]).c_str());
      return;
    }
  }
  for (auto _ : state) {
    std::size_t hits = 0;
    for (const std::string& path : db.paths) {
      const std::string name = root.GetValue(path, "");
      benchmark::DoNotOptimize(name.data());
      hits += name.empty() ? 0 : 1;
    }
    if (hits != db.hits) {
      state.SkipWithError("wrong number of names found");
      break;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * db.paths.size()));
  state.counters["per_lookup"] =
      benchmark::Counter(static_cast<double>(db.paths.size()),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(ParseOurs)->Name("parse/ravelbank")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ParsePugixml)->Name("parse/pugixml")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WriteOurs)->Name("write/ravelbank")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WritePugixml)->Name("write/pugixml")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyOurs)->Name("copy/ravelbank")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LookupOurs)->Name("lookup10000/ravelbank")->Unit(benchmark::kMillisecond)->UseRealTime();

// The console report, followed by our time over pugixml's for parsing and writing, against the targets.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  explicit SummaryReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      Mean& m = seconds_[run.run_name.function_name];
      m.sum += run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      ++m.count;
    }
  }

  void PrintSummary(std::ostream& out) const {
    out << "\nours / pugixml (real time):\n";
    Ratio(out, "parse", 3.0);
    Ratio(out, "write", 2.0);
  }

 private:
  struct Mean {
    double sum = 0;
    int count = 0;
  };

  void Ratio(std::ostream& out, const std::string& what, double target) const {
    const auto ours = seconds_.find(what + "/ravelbank");
    const auto theirs = seconds_.find(what + "/pugixml");
    if (ours == seconds_.end() || theirs == seconds_.end()) return;
    const double ratio =
        (ours->second.sum / ours->second.count) / (theirs->second.sum / theirs->second.count);
    char line[160];
    std::snprintf(line, sizeof line, "  %-6s %6.2fx  (target at most %.0fx: %s)\n", what.c_str(), ratio,
                  target, ratio <= target ? "met" : "MISSED");
    out << line;
  }

  std::map<std::string, Mean> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const Document& d = Inventory();
  std::printf("document: %zu bytes, %zu elements, %zu attributes\n", d.text.size(), d.counts.elements,
              d.counts.attributes);
  std::fflush(stdout);
  SummaryReporter reporter(isatty(STDOUT_FILENO) ? SummaryReporter::OO_Color : SummaryReporter::OO_None);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary(std::cout);
  benchmark::Shutdown();
  return 0;
}
