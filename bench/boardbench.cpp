// Board-name lookups in a 5,000-entry board database: the indexed lookup the component uses
// (BoardDatabase, and LookupBoardName over the process's all-boards database), the path query it
// replaces, and loading the file with its indexes. Every benchmark first checks the answers it is about
// to time, so none of them can measure a wrong or empty result.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/xmlobject.h"
#include "sysid/boarddatabase.h"
#include "sysid/pciidentification.h"

namespace {

constexpr int kBoards = 5000;
constexpr int kLookups = 10000;

struct Lookup {
  std::uint16_t vendor, device, subVendor, subsystem;
  std::optional<std::string> name;  // what the lookup must answer
};

struct Boards {
  std::string path;  // the database file
  std::string text;
  std::vector<Lookup> lookups;  // about 10% misses, 10% found through the vendor-and-device key
  std::size_t hits = 0;
};

// A deterministic database: four in five boards under the four-ID key, the others under the vendor and
// device key; names with an escaped ampersand now and then.
const Boards& Database() {
  static const Boards boards = [] {
    Boards b;
    std::uint64_t state = 0x5EEDB0A2D5ull;
    auto next = [&state] {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      return static_cast<std::uint32_t>(state >> 33);
    };
    const std::uint16_t vendors[] = {0x1000, 0x1077, 0x10DF, 0x8086, 0x9005, 0x1028, 0x15B3, 0x1B4B};
    std::set<std::string> pairs;  // every board its own vendor and device
    std::vector<Lookup> listed;
    b.text = "<?xml version=\"1.0\"?>\n<SSBoardList>\n<PCI>\n";
    while (static_cast<int>(listed.size()) < kBoards) {
      Lookup l{vendors[next() % 8], static_cast<std::uint16_t>(next()), vendors[next() % 8],
               static_cast<std::uint16_t>(next()), std::nullopt};
      if (!pairs.insert(rb::BoardKey(l.vendor, l.device)).second) continue;
      const bool twoIds = listed.size() % 5 == 4;
      const std::string id = twoIds ? rb::BoardKey(l.vendor, l.device)
                                    : rb::BoardKey(l.vendor, l.device, l.subVendor, l.subsystem);
      const std::size_t n = listed.size();
      l.name = "Board " + std::to_string(n) + (n % 9 == 0 ? " & Cache" : "");
      b.text += "<dev id=\"" + id + "\"><name>Board " + std::to_string(n) +
                (n % 9 == 0 ? " &amp; Cache" : "") +
                "</name><PhyType>SAS</PhyType><HardwareErrorsSupport>1</HardwareErrorsSupport></dev>\n";
      listed.push_back(l);
    }
    b.text += "</PCI>\n</SSBoardList>\n";
    for (int i = 0; i < kLookups; ++i) {
      if (next() % 10 == 0) {
        b.lookups.push_back({0xFFFE, static_cast<std::uint16_t>(next()), 0, 0, std::nullopt});
      } else {
        b.lookups.push_back(listed[next() % kBoards]);
        ++b.hits;
      }
    }
    const std::filesystem::path directory = std::filesystem::temp_directory_path() / "ravelbank-boardbench";
    std::filesystem::create_directories(directory);
    b.path = (directory / "allboards.xml").string();
    std::ofstream(b.path, std::ios::binary) << b.text;
    return b;
  }();
  return boards;
}

bool Check(benchmark::State& state, const std::optional<std::string>& got, const Lookup& l) {
  if (got == l.name) return true;
  state.SkipWithError(
      ("wrong answer for " + rb::BoardKey(l.vendor, l.device, l.subVendor, l.subsystem)).c_str());
  return false;
}

void PerLookup(benchmark::State& state, std::size_t lookups) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lookups));
  state.counters["per_lookup"] =
      benchmark::Counter(static_cast<double>(lookups),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// BoardDatabase::LookupName: the four-ID key, then the vendor-and-device key.
void IndexedLookup(benchmark::State& state) {
  const Boards& b = Database();
  rb::BoardDatabase database({b.path});
  for (const Lookup& l : b.lookups)
    if (!Check(state, database.LookupName(l.vendor, l.device, l.subVendor, l.subsystem), l)) return;
  for (auto _ : state) {
    std::size_t hits = 0;
    for (const Lookup& l : b.lookups) {
      const auto name = database.LookupName(l.vendor, l.device, l.subVendor, l.subsystem);
      benchmark::DoNotOptimize(name);
      hits += name.has_value();
    }
    if (hits != b.hits) state.SkipWithError("wrong number of names found");
  }
  PerLookup(state, b.lookups.size());
}

// LookupBoardName with every board in the all-boards database of the current directory.
void LookupBoardName(benchmark::State& state) {
  const Boards& b = Database();
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::path(b.path).parent_path());
  rb::ResetPciIdentificationForTesting();
  std::vector<Lookup> listed;
  for (const Lookup& l : b.lookups)
    if (l.name) listed.push_back(l);
  bool ok = true;
  for (const Lookup& l : listed)
    if (!(ok = Check(state, rb::LookupBoardName(l.vendor, l.device, l.subVendor, l.subsystem), l))) break;
  for (auto _ : state) {
    if (!ok) break;
    for (const Lookup& l : listed)
      benchmark::DoNotOptimize(rb::LookupBoardName(l.vendor, l.device, l.subVendor, l.subsystem));
  }
  PerLookup(state, listed.size());
  rb::ResetPciIdentificationForTesting();
  std::filesystem::current_path(previous);
}

// The path queries the lookup stands for, on the parsed file: "PCI/dev[@id='…']/name", four IDs then two.
void PathQuery(benchmark::State& state) {
  const Boards& b = Database();
  const rb::XmlObject document(b.text);
  auto query = [&document](const Lookup& l) -> std::optional<std::string> {
    for (const std::string& key :
         {rb::BoardKey(l.vendor, l.device, l.subVendor, l.subsystem), rb::BoardKey(l.vendor, l.device)}) {
      const std::string name = document.GetValue("PCI/dev[@id='" + key + "']/name", "");
      if (!name.empty()) return name;
    }
    return std::nullopt;
  };
  for (const Lookup& l : b.lookups)
    if (!Check(state, query(l), l)) return;
  for (auto _ : state)
    for (const Lookup& l : b.lookups) benchmark::DoNotOptimize(query(l));
  PerLookup(state, b.lookups.size());
}

// Reading the file and building the indexes, once per process in the component.
void Load(benchmark::State& state) {
  const Boards& b = Database();
  for (auto _ : state) {
    rb::BoardDatabase database({b.path});
    if (!database.Accepted()) state.SkipWithError("the database was not accepted");
  }
}

BENCHMARK(IndexedLookup)->Name("boards/indexed_lookup10000")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(LookupBoardName)->Name("boards/LookupBoardName")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(PathQuery)->Name("boards/path_query10000")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Load)->Name("boards/load")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
