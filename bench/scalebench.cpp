// scalebench: discovery (`id`) at scale. Two simulated machines of SCSI disks, 16 ports of 64 LUNs
// (1,024 disks) and 32 ports of 64 LUNs (2,048 disks), are written into a temporary folder; each is
// inventoried by the built component, loaded like a host loads it, in a process of its own (the
// component picks its machine, and fills its per-process caches, once per process). It prints the time
// of each machine's first `id` (what a host waits for) and of the fastest of the repeats, the disks
// found, and the ratio of the two first times against the goals: under a second for 1,024 disks, at
// most 2.2 times as long for twice the disks.
//
//   scalebench [--component PATH] [--runs N]
//
// Exit status 1 when a machine's `id` finds fewer disks than the machine has (the figures would not
// measure the work), or when the component cannot be run; 0 otherwise, whether the goals are met or not.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "component.h"
#include "hostos.h"
#include "xmldocument.h"

namespace {

constexpr int kLunsPerPort = 64;
// Eight targets of eight LUNs a port; target 7 is the initiator's own.
constexpr int kTargets[] = {0, 1, 2, 3, 4, 5, 6, 8};
constexpr int kLunsPerTarget = kLunsPerPort / 8;

constexpr double kGoalSeconds = 1.0;
constexpr double kGoalRatio = 2.2;

struct Machine {
  int ports;
  std::filesystem::path file;
  std::set<std::string> serials;  // one per disk, found again in the idResult
};

std::string Serial(int port, int target, int lun) {
  char serial[32];
  std::snprintf(serial, sizeof serial, "SC%02dT%dL%d", port, target, lun);
  return serial;
}

// A machine of `ports` SCSI ports, each with 64 disks, written into `folder`.
Machine WriteMachine(const std::filesystem::path& folder, int ports) {
  Machine machine{ports, folder / ("scale" + std::to_string(ports) + ".xml"), {}};
  std::ofstream out(machine.file);
  out << "<machine>\n  <scsi>\n";
  for (int port = 0; port < ports; ++port) {
    out << "    <port number=\"" << port << "\">\n";
    for (const int target : kTargets) {
      for (int lun = 0; lun < kLunsPerTarget; ++lun) {
        const std::string serial = Serial(port, target, lun);
        machine.serials.insert(serial);
        out << "      <disk target=\"" << target << "\" lun=\"" << lun
            << "\" vendor=\"RAVEL\" product=\"RB600 SCALE DISK\" revision=\"S001\" serial=\"" << serial
            << "\" blocks=\"1171875000\"/>\n";
      }
    }
    out << "    </port>\n";
  }
  out << "  </scsi>\n</machine>\n";
  if (!out.flush()) throw std::runtime_error("cannot write " + machine.file.string());
  return machine;
}

// The machine's disks that a device of the answer names by serial number (as an attribute or a
// property's value), wherever the device sits in the tree.
void FindDisks(const diaghost::XmlNode& node, const std::set<std::string>& serials,
               std::set<std::string>& found) {
  if (node.Is("device")) {
    for (const auto& [name, value] : node.attributes)
      if (serials.count(value) != 0) found.insert(value);
    for (const diaghost::XmlNode* property : node.Children("property")) {
      const std::string value = property->Attribute("value");
      if (serials.count(value) != 0) found.insert(value);
    }
  }
  for (const diaghost::XmlNode& child : node.children) FindDisks(child, serials, found);
}

char* EventIgnored(const char*) {
  return nullptr;
}

struct Figures {
  double firstSeconds = 0;
  double bestSeconds = 0;
  int disks = 0;
};

// In the child process: the component on the machine, `runs` discoveries; the figures or a message.
std::optional<Figures> Inventory(const std::string& component, const Machine& machine,
                                 const std::filesystem::path& folder, int runs, std::string& error) {
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);  // ddResult.xml and the like are written here
  if (!diaghost::SetEnvironment("RAVELBANK_MACHINE", machine.file.string())) {
    error = "cannot set RAVELBANK_MACHINE";
    return std::nullopt;
  }
  const std::optional<diaghost::ComponentExports> exports = diaghost::LoadComponent(component, error);
  if (!exports) return std::nullopt;
  exports->initialize("<options component=\"ravelbank.dll\"/>");
  if (!exports->isInitialized()) {
    error = "the component did not initialise";
    return std::nullopt;
  }
  diaghost::TakeDocument(exports->setCallback(&EventIgnored));

  Figures figures;
  std::string answer;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    answer = diaghost::TakeDocument(exports->executeXmlCommand("<id/>")).value_or("");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (run == 0) figures.firstSeconds = figures.bestSeconds = seconds;
    figures.bestSeconds = std::min(figures.bestSeconds, seconds);
  }
  exports->uninitialize("<options component=\"ravelbank.dll\"/>");

  const diaghost::XmlNode document = diaghost::ParseXml(answer);
  if (!document.Is("idResult")) {
    error = "id answered <" + document.name + "> instead of an idResult";
    return std::nullopt;
  }
  std::set<std::string> found;
  FindDisks(document, machine.serials, found);
  figures.disks = static_cast<int>(found.size());
  return figures;
}

// Runs Inventory in a process of its own; the figures come back through a pipe.
std::optional<Figures> InventoryApart(const std::string& component, const Machine& machine,
                                      const std::filesystem::path& folder, int runs) {
  int channel[2];
  if (pipe(channel) != 0) return std::nullopt;
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    close(channel[0]);
    std::string error;
    std::optional<Figures> figures;
    try {
      figures = Inventory(component, machine, folder, runs, error);
    } catch (const std::exception& failure) {
      error = failure.what();
    }
    if (!figures) std::fprintf(stderr, "scalebench: %d ports: %s\n", machine.ports, error.c_str());
    const bool sent = figures && write(channel[1], &*figures, sizeof *figures) == sizeof *figures;
    std::fflush(nullptr);
    _exit(sent ? 0 : 1);
  }
  close(channel[1]);
  Figures figures;
  const bool received = read(channel[0], &figures, sizeof figures) == sizeof figures;
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return figures;
}

int Main(int argc, char** argv) {
  std::string component = RAVELBANK_BENCH_COMPONENT;
  int runs = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--component" && i + 1 < argc) {
      component = std::filesystem::absolute(argv[++i]).string();
    } else if (argument == "--runs" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
      runs = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: scalebench [--component PATH] [--runs N]\n");
      return 2;
    }
  }

  std::string pattern = (std::filesystem::temp_directory_path() / "ravelbank-scalebench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("scalebench: mkdtemp");
    return 1;
  }
  const std::filesystem::path folder = pattern;
  const Machine machines[] = {WriteMachine(folder, 16), WriteMachine(folder, 32)};

  std::printf("id on simulated machines of SCSI disks (%d LUNs a port), %d run(s) each, component %s\n",
              kLunsPerPort, runs, component.c_str());
  bool complete = true;
  std::vector<Figures> results;
  for (const Machine& machine : machines) {
    const std::optional<Figures> figures =
        InventoryApart(component, machine, folder / ("run" + std::to_string(machine.ports)), runs);
    if (!figures) {
      complete = false;
      continue;
    }
    const int disks = static_cast<int>(machine.serials.size());
    std::printf("  %2d ports, %4d disks: first id %8.3f s, fastest %8.3f s, disks found %4d%s\n",
                machine.ports, disks, figures->firstSeconds, figures->bestSeconds, figures->disks,
                figures->disks < disks ? "  (FEWER than the machine has)" : "");
    complete = complete && figures->disks >= disks;
    results.push_back(*figures);
  }
  std::filesystem::remove_all(folder);

  if (complete && results.size() == 2) {
    const double first = results[0].firstSeconds;
    const double ratio = first > 0 ? results[1].firstSeconds / first : 0;
    std::printf("  1,024 disks: %.3f s (goal under %.1f s: %s)\n", first, kGoalSeconds,
                first < kGoalSeconds ? "met" : "MISSED");
    std::printf("  2,048 disks over 1,024: %.2fx (goal at most %.1fx: %s)\n", ratio, kGoalRatio,
                ratio <= kGoalRatio ? "met" : "MISSED");
  }
  if (!complete) {
    std::printf("scalebench: id did not find every disk; the times do not measure discovery\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "scalebench: %s\n", error.what());
    return 1;
  }
}
