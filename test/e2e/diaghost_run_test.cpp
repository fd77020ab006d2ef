// The built diaghost program run as people and scripts run it, against the built component on a
// simulated machine: what it prints and the exit status it ends with.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Slurp(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The name the summary gives the device whose serial number is `serial` (empty when none has it).
// Device names move as more controllers are found before the SCSI ports; serials stay.
std::string DeviceWithSerial(const std::string& summary, const std::string& serial) {
  const std::size_t at = summary.find("\n  Serial Number: " + serial + "\n");
  if (at == std::string::npos) return {};
  for (std::size_t end = at; end != std::string::npos && end > 0; end = summary.rfind('\n', end - 1)) {
    const std::size_t start = summary.rfind('\n', end - 1) + 1;  // npos + 1 is the first line
    if (summary[start] != ' ') return summary.substr(start, summary.find(':', start) - start);
  }
  return {};
}

// Each test runs diaghost in a scratch directory holding an empty simulated machine.
class DiaghostProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/diaghost-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    std::ofstream(directory_ / "machine.xml") << "<machine name=\"empty\"/>\n";
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  // Runs diaghost with --machine machine.xml (unless `onMachine` is false) and the arguments.
  Outcome Run(std::initializer_list<std::string> arguments, bool onMachine = true) const {
    std::string command = "cd " + Quote(directory_.string()) + " && " + Quote(DIAGHOST_E2E_PROGRAM);
    if (onMachine) command += " --machine machine.xml";
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    command += " >out.txt 2>err.txt </dev/null";
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = Slurp(directory_ / "out.txt");
    outcome.err = Slurp(directory_ / "err.txt");
    return outcome;
  }

  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(directory_ / name) << text;
  }

  std::filesystem::path directory_;
};

TEST_F(DiaghostProgram, VersionAsSummaryAndAsXml) {
  Outcome summary = Run({"version"});
  EXPECT_EQ(summary.status, 0) << summary.err;
  EXPECT_EQ(summary.out, "diagnostics version 7.9.1.2401A\n");
  Outcome xml = Run({"--xml", "version"});
  EXPECT_EQ(xml.status, 0) << xml.err;
  EXPECT_EQ(xml.out, "<diagVersion>7.9.1.2401A</diagVersion>\n");
}

TEST_F(DiaghostProgram, ExitStatusTellsWhetherTheCommandSucceeded) {
  const struct {
    std::initializer_list<std::string> arguments;
    int status;
    const char* out;  // a line the output must hold
    const char* err;  // and one of the error stream
  } cases[] = {
      {{"send", "<frobnicate/>"},
       1,
       "error: Invalid Command\n",
       "diaghost: error: Invalid Command (frobnicate)\n"},
      {{"run", "disk9", "accessTest", "loop=1"}, 1, "error: Device not found\n", "* Error: "},
      {{"diagnose", "disk9"}, 1, "  detail: disk9\n", "diaghost: error: Device not found (disk9)\n"},
      {{"cancel", "disk9", "accessTest"},
       1,
       "disk9 accessTest: no result\n",
       "diaghost: disk9 accessTest answered an error: Device not found (disk9)\n"},
      {{"action", "disk9", "action=blink"}, 0, "(no response document)\n", ""},
      {{"id"}, 0, "no devices found\n", "* Device Discovery Started\n"},
      {{"send", "<id"}, 1, "error: XML Parsing Error (line 1", "diaghost: error: XML Parsing Error"},
      {{}, 2, "", "diaghost: no command given (see diaghost --help)\n"},
      {{"frobnicate"}, 2, "", "unknown command 'frobnicate'"},
      {{"run", "disk0"}, 2, "", "usage: run DEVICE TEST [NAME=VALUE ...]"},
      {{"script", "missing.txt"}, 2, "", "cannot read the script missing.txt"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Run(c.arguments);
    std::string line;
    for (const std::string& argument : c.arguments) line += argument + " ";
    EXPECT_EQ(outcome.status, c.status) << line << "\n" << outcome.out << outcome.err;
    EXPECT_NE(outcome.out.find(c.out), std::string::npos) << line << "\n" << outcome.out;
    EXPECT_NE(outcome.err.find(c.err), std::string::npos) << line << "\n" << outcome.err;
  }
}

TEST_F(DiaghostProgram, LoadProblemsAreReportedBeforeAnything) {
  const Outcome library = Run({"--component-library", "/nonexistent/ravelbank.so", "version"});
  EXPECT_EQ(library.status, 3);
  EXPECT_NE(library.err.find("diaghost: cannot load the component /nonexistent/ravelbank.so: "),
            std::string::npos)
      << library.err;
  const Outcome machine = Run({"--machine", "nowhere.xml", "version"}, false);
  EXPECT_EQ(machine.status, 2);
  EXPECT_EQ(machine.err, "diaghost: no machine description nowhere.xml\n");
  EXPECT_EQ(Run({"--help"}).status, 0);
}

TEST_F(DiaghostProgram, ScriptRunsEveryLineInOneSession) {
  Write("session.txt",
        "# discovery, then the version two ways, then a mistake\nid\nversion\n<GETDIAGVERSION/>\n"
        "send '<frobnicate/>'\ncatalog\n");
  const Outcome outcome = Run({"script", "session.txt"});
  EXPECT_EQ(outcome.status, 1) << outcome.err;  // one command failed, the others still ran
  EXPECT_EQ(outcome.out.substr(0, outcome.out.find("> catalog")),
            "> id\nno devices found\nLogical Disks: 0\n"
            "> version\ndiagnostics version 7.9.1.2401A\n"
            "> <GETDIAGVERSION/>\ndiagnostics version 7.9.1.2401A\n"
            "> send <frobnicate/>\nerror: Invalid Command\n  code 000000, " +
                outcome.out.substr(outcome.out.find("000000, ") + 8, 24) + "\n  detail: frobnicate\n");
  EXPECT_NE(outcome.out.find("> catalog\n"), std::string::npos);

  Write("broken.txt", "version\nrun disk0\n");
  const Outcome broken = Run({"script", "broken.txt"});
  EXPECT_EQ(broken.status, 2);
  EXPECT_EQ(broken.out, "");  // nothing runs when a line is wrong
  EXPECT_NE(broken.err.find("broken.txt:2: usage: run DEVICE TEST"), std::string::npos) << broken.err;
}

TEST_F(DiaghostProgram, EnvironmentAnswersFollowTheVariables) {
  ASSERT_EQ(setenv("SPARROW", "", 1), 0);
  const Outcome sparrow = Run({"env"});
  unsetenv("SPARROW");
  EXPECT_EQ(sparrow.status, 0);
  EXPECT_NE(sparrow.out.find("dvmIsSparrow        1\n"), std::string::npos) << sparrow.out;
  EXPECT_NE(sparrow.out.find("dvmIsOnline         0\n"), std::string::npos) << sparrow.out;
  const Outcome online = Run({"env"});
  EXPECT_NE(online.out.find("dvmIsSparrow        0\n"), std::string::npos) << online.out;
  EXPECT_NE(online.out.find("dvmIsOnline         1\n"), std::string::npos) << online.out;
}

TEST_F(DiaghostProgram, PersistentStateIsWrittenAtTheEnd) {
  const Outcome outcome = Run({"--persistent", "state.bin", "id"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_TRUE(std::filesystem::exists(directory_ / "state.bin"));
  const Outcome again = Run({"--persistent", "state.bin", "version"});  // starts from the file
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "diagnostics version 7.9.1.2401A\n");
}

TEST_F(DiaghostProgram, TheDemoSessionOfTheReadme) {
  const std::string machines = RAVELBANK_SOURCE_DIR "/machines/";
  const Outcome outcome =
      Run({"--machine", machines + "demo.xml", "script", machines + "demo.script"}, false);
  EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
  // Discovery lists the demo server's storage and its fixed volumes; the catalog the kinds of device.
  for (const char* shown : {
           "SCTRL0: RB 12Gb SAS HBA [ScsiController]\n",
           "sasDisk0: SAS Hard Drive [sasDisk]\n  Storage: Hard Drive(s)\n  Model: SEAGATE ST600MM0006\n"
           "  Firmware: B001\n  Capacity: 600.1 Gbytes\n",
           "sataDisk0: SATA Hard Disk [sataDisk]\n",
           "  Capacity: 8001.6 Gbytes\n",
           "cdrom0: Optical Drive 1 [cdrom]\n",
           "usbDisk0: USB Hard Drive [usbDisk]\n",
           "usbFloppy0: Diskette Drive 1 [usbFloppy]\n",
       })
    EXPECT_NE(outcome.out.find(shown), std::string::npos) << shown << "\n" << outcome.out;
  // A disk behind the BMIC controller offers its history diagnosis; the SCSI port's disk does not.
  const std::string arrayDisk = DeviceWithSerial(outcome.out, "3KR0A001");
  const std::string portDisk = DeviceWithSerial(outcome.out, "3KR0D4F1");
  EXPECT_NE(outcome.out.find(arrayDisk + ": SCSI Hard Drive [scsiDisk] (diagnosable)\n"), std::string::npos)
      << arrayDisk << "\n"
      << outcome.out;
  EXPECT_NE(outcome.out.find(portDisk + ": SCSI Hard Drive [scsiDisk]\n"), std::string::npos)
      << portDisk << "\n"
      << outcome.out;
  EXPECT_NE(outcome.out.find("Logical Disks: 2\n  C:  Volume Name: System  File System: NTFS"),
            std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.out.find("> catalog\n"), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("sasDisk: SAS Hard Drive [sasDisk]"), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("> version\ndiagnostics version 7.9.1.2401A\n"), std::string::npos)
      << outcome.out;
}

TEST_F(DiaghostProgram, TheDemoListsItsBmicArrayControllerWithItsDrives) {
  const std::string machines = RAVELBANK_SOURCE_DIR "/machines/";
  const Outcome outcome = Run({"--machine", machines + "demo.xml", "id"}, false);
  EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
  for (const char* shown : {
           "bmicController0: Array Controller 5 [Controller]\n  Array Controller\n"
           "  Model: RB Array Controller L200\n  Firmware: 2.36\n  Configured logical drives: 1\n"
           "  Total Memory Size: 128 Mbytes\n  Installed Memory: 128 Mbytes\n  Usable Cache RAM: 48 Mbytes\n"
           "  Battery 1: OK\n  Battery 2: Charging\n",
           "  Unassigned Drives: bmicController0b1d0, bmicController0b1d1\n  Physical Drives: "
           "bmicController0b0d0, "
           "bmicController0b0d1, bmicController0b0d2, bmicController0b1d0, bmicController0b1d1\n",
           "  Drive type: SATA Hard Disk\n  Physical Drive: bmicController0b1d0\n",
           "  Bad Target Count: 00000000\n  linked to bmicController0 (parent)\n",
           "bmicController0v0: Logical Volume 1, Controller Slot 5 [logicalVolume]\n  Logical Volume\n"
           "  Storage: Hard Drive(s)\n  Status Code: 0\n  Status Description: OK\n  Capacity: 293.6 Gbytes\n",
           "  Fault Tolerance: RAID 5\n",
       })
    EXPECT_NE(outcome.out.find(shown), std::string::npos) << shown << "\n" << outcome.out;
  // Its SAS and SATA drives, found by their serial numbers.
  for (const auto& [serial, shown] : {std::pair{"3KR0A003", ": SAS Hard Drive [sasDisk] (diagnosable)\n"},
                                      std::pair{"5QE0A004", ": SATA Hard Disk [sataDisk] (diagnosable)\n"}}) {
    const std::string name = DeviceWithSerial(outcome.out, serial);
    EXPECT_NE(outcome.out.find(name + shown), std::string::npos) << serial << " " << name << "\n"
                                                                 << outcome.out;
  }
}

TEST_F(DiaghostProgram, TheDemoCsmiAdapterListsItsRaidVolumeWithItsMembers) {
  const std::string machines = RAVELBANK_SOURCE_DIR "/machines/";
  const Outcome outcome = Run({"--machine", machines + "demo.xml", "id"}, false);
  EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
  // The mirror's members are the adapter's SAS and SATA disks, found by their serial numbers.
  const std::string sas = DeviceWithSerial(outcome.out, "6SL0A1B2");
  const std::string sata = DeviceWithSerial(outcome.out, "ZA1B2C3D");
  const std::string shown = "csmiVolume0: Logical Volume 1 Controller Slot 1 bus 6 [logicalVolume]\n"
                            "  Logical Volume\n  Capacity: 600 Gbytes\n  RAID Level: RAID 1\n  Status: OK\n"
                            "  RAID Array\n    linked to " + sas + " (child)\n    linked to " + sata +
                            " (child)\n  linked to SCTRL3 (parent)\n";
  EXPECT_NE(outcome.out.find(shown), std::string::npos) << shown << "\n" << outcome.out;
  EXPECT_NE(outcome.out.find("  CSMI: Supported\n  linked to " + sas + " (child)\n  linked to " + sata +
                             " (child)\n  linked to csmiVolume0 (child)\n"),
            std::string::npos)
      << outcome.out;
}

TEST_F(DiaghostProgram, TheDemoTapeIsListedWithItsCapabilitiesAndEjectsOnce) {
  const std::string machines = RAVELBANK_SOURCE_DIR "/machines/";
  Write("tape.txt",
        "id\nrun scsiTape0 scsiEjectTapeTest retries=0\nrun scsiTape0 scsiEjectTapeTest retries=0\n");
  Write("answers.txt", "OK\n");
  const Outcome outcome =
      Run({"--machine", machines + "demo.xml", "--answers", "answers.txt", "script", "tape.txt"}, false);
  EXPECT_EQ(outcome.status, 1) << "the second run fails\n" << outcome.out << outcome.err;
  for (const char* shown : {
           "scsiTape0: Tape Drive [scsiTape]\n  Storage: Tape Drive\n  Model: RAVEL RB TAPE LTO3\n",
           "  Status Description: Drive Ready\n",
           "  Capabilities\n    General Drive Parameters :\n      Drive Enable / Disable: Yes\n",
           "    Filemark and Setmark Support :\n      Move by Filemark: Yes\n",
           "    scsiEjectTapeTest  Tape Eject Test\n",
       })
    EXPECT_NE(outcome.out.find(shown), std::string::npos) << shown << "\n" << outcome.out;
  // The first run ejects the cartridge; the second finds the drive empty, asks for a tape and fails.
  const std::size_t second = outcome.out.rfind("> run scsiTape0 scsiEjectTapeTest");
  ASSERT_NE(second, std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("scsiTape0 scsiEjectTapeTest: passed"), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("scsiTape0 scsiEjectTapeTest: failed", second), std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.out.find("error: Media not present in drive", second), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.err.find("? scsiTape0 scsiEjectTapeTest: Insert a tape in the tape drive."),
            std::string::npos)
      << outcome.err;
}

TEST_F(DiaghostProgram, TheDemoCissControllerListsItsDevicesAndReadsItsVolumesAndADisk) {
  const std::string machines = RAVELBANK_SOURCE_DIR "/machines/";
  const Outcome listing = Run({"--machine", machines + "demo.xml", "id"}, false);
  ASSERT_EQ(listing.status, 0) << listing.out << listing.err;
  const std::string controller = DeviceWithSerial(listing.out, "PB6120DEMO");
  const std::string disk = DeviceWithSerial(listing.out, "6SL1B001");
  const std::string external = DeviceWithSerial(listing.out, "EXT6120DEMO");
  ASSERT_FALSE(controller.empty() || disk.empty() || external.empty()) << listing.out;
  for (const std::string& shown :
       {controller + "v0: Logical Volume 1, Controller Slot 6 [logicalVolume]\n",
        controller + "v1: Logical Volume 2, Controller Slot 6 [logicalVolume]\n",
        external + ": External Array Controller 1 [Controller]\n",
        std::string("  World Wide Name: 500143800A1B2C30\n"), "  linked to " + controller + " (parent)\n"})
    EXPECT_NE(listing.out.find(shown), std::string::npos) << shown << "\n" << listing.out;
  // The external controller's SATA drives are listed as its children.
  for (const char* serial : {"5QE1B101", "5QE1B102"})
    EXPECT_FALSE(DeviceWithSerial(listing.out, serial).empty()) << serial;

  Write("reads.txt", "id\nrun " + controller + "v1 SeqReadTest retries=0 blockCount=65536\nrun " +
                         controller + "v0 SeqReadTest retries=0 blockCount=65536\nrun " + disk +
                         " SeqReadTest retries=0 blockCount=65536\n");
  const Outcome outcome = Run({"--machine", machines + "demo.xml", "script", "reads.txt"}, false);
  EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
  for (const std::string& device : {controller + "v1", controller + "v0", disk})
    EXPECT_NE(outcome.out.find(device + " SeqReadTest: passed"), std::string::npos) << device << "\n"
                                                                                    << outcome.out;
}

TEST_F(DiaghostProgram, TheDemoStorageBoxControllersShowTheirNvramPartsAndWarnTheUnreadableOnes) {
  const std::string machines = RAVELBANK_SOURCE_DIR "/machines/";
  const Outcome listing = Run({"--machine", machines + "demo.xml", "id"}, false);
  ASSERT_EQ(listing.status, 0) << listing.out << listing.err;
  const std::string healthy = DeviceWithSerial(listing.out, "SIMARRAY52420103");
  const std::string failing = DeviceWithSerial(listing.out, "SIMARRAY52420106");
  ASSERT_FALSE(healthy.empty() || failing.empty()) << listing.out;
  const std::size_t from = listing.out.find(healthy + ": ");
  const std::size_t to = listing.out.find("\n" + failing + ": ");
  ASSERT_TRUE(from != std::string::npos && to != std::string::npos && from < to) << listing.out;
  const std::string entry = listing.out.substr(from, to - from);
  for (const char* shown :
       {"  Local NVRAM information\n    NVRAM Array Controller Product Name: RB Array Controller S430\n",
        "    NVRAM Array Controller Board Signature: 524201030a51\n",
        "  SPD information\n    NVRAM Array Controller Product Name: RB 512MB DDR2 Cache\n"})
    EXPECT_NE(entry.find(shown), std::string::npos) << shown << "\n" << entry;
  EXPECT_EQ(entry.find("  warning: "), std::string::npos) << entry;
  const std::string rest = listing.out.substr(to);
  EXPECT_NE(rest.find("  warning: Error reading bootstrap NVRAM CRC\n"
                      "  warning: Error encountered during cache nvram retrieval\n"
                      "  warning: Error encountered during SPD info retrieval\n"),
            std::string::npos)
      << rest;
}

TEST_F(DiaghostProgram, TheDemoDisksRunTheirExtendedSelfTestsOnTheSimulatedClock) {
  const std::string machines = RAVELBANK_SOURCE_DIR "/machines/";
  // The two disks of the SCSI port, by their serial numbers.
  const Outcome listing = Run({"--machine", machines + "demo.xml", "id"}, false);
  const std::string passing = DeviceWithSerial(listing.out, "3KR0D4F1");
  const std::string failing = DeviceWithSerial(listing.out, "3KR0D4F2");
  ASSERT_FALSE(passing.empty() || failing.empty()) << listing.out;
  Write("selftest.txt",
        "id\nrun " + passing + " EOSTTest retries=0\nrun " + failing + " EOSTTest retries=0\n");
  const Outcome outcome = Run({"--machine", machines + "demo.xml", "script", "selftest.txt"}, false);
  EXPECT_EQ(outcome.status, 1) << "the second disk fails\n" << outcome.out << outcome.err;
  // An hour of simulated polling: the limit of 93 minutes counted down, and the progress up to 100.
  for (const std::string& shown :
       {"progress   1%  " + passing + " EOSTTest running: Will timeout in 92 minutes\n",
        "progress 100%  " + passing + " EOSTTest running: Will timeout in 31 minutes\n"})
    EXPECT_NE(outcome.err.find(shown), std::string::npos) << shown << "\n" << outcome.err;
  EXPECT_NE(outcome.out.find(passing + " EOSTTest: passed, 100%, time  1:02:18"), std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.out.find("    Test completed in 100% of the expected time\n"), std::string::npos)
      << outcome.out;
  const std::size_t failed = outcome.out.find(failing + " EOSTTest: failed");
  ASSERT_NE(failed, std::string::npos) << outcome.out;
  EXPECT_NE(
      outcome.out.find("  error: The selftest completed having the read element of the test failed.", failed),
      std::string::npos)
      << outcome.out;
}

}  // namespace

// Save-write-read-compare-restore through diaghost on a disk kept in a file: a run that passes and one
// that a write fault fails both leave every byte of the medium as it was; a mounted disk is refused
// before any block is read or written.
TEST_F(DiaghostProgram, RwrcLeavesTheMediumAsItWas) {
  std::string medium(2048 * 512, '\0');
  std::uint32_t state = 12345;
  for (char& byte : medium) byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  const struct {
    const char* what;
    const char* disk;
    const char* test;
    int status;
    const char* shown;
  } cases[] = {
      {"passing", "", "SeqRwrcTest", 0, "scsiDisk0 SeqRwrcTest: passed, 100%"},
      {"passing at random", "", "RandRwrcTest", 0, "scsiDisk0 RandRwrcTest: passed, 100%"},
      {"a write fault", R"(<fault sense="3" asc="0x0C" ascq="0" opcode="0x2A" lba="700" count="4"/>)",
       "SeqRwrcTest", 1, "Restore failed (Block 640: Could not write block"},
      {"a read-back fault", R"(<fault sense="3" asc="0x11" ascq="0" opcode="0x28" lba="700" skip="1"/>)",
       "SeqRwrcTest", 1, "Could not read block"},
      {"a mounted disk", "mounted", "SeqRwrcTest", 1, "Write refused: the disk holds a mounted file system"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write("disk.img", medium);
    const bool mounted = std::string(c.disk) == "mounted";
    Write("machine.xml", std::string("<machine><scsi><port number=\"0\"><disk target=\"0\" vendor=\"RAVEL\" "
                                     "product=\"RB TEST DISK\" blocks=\"2048\" backingFile=\"disk.img\"") +
                             (mounted ? " mounted=\"1\">" : ">") + (mounted ? "" : c.disk) +
                             "</disk></port></scsi></machine>\n");
    Write("session.txt", std::string("id\nrun scsiDisk0 ") + c.test + " SkipFactor=0 retries=0\n");
    const Outcome outcome = Run({"script", "session.txt"});
    EXPECT_EQ(outcome.status, c.status) << outcome.out << outcome.err;
    EXPECT_NE((outcome.out + outcome.err).find(c.shown), std::string::npos) << outcome.out << outcome.err;
    EXPECT_TRUE(Slurp(directory_ / "disk.img") == medium) << "the medium changed";
  }
}

// The zip and diskette drives' access tests ask the operator for the medium (and the zip drive to take
// it out at the end); an operator who cancels fails the run before any access.
TEST_F(DiaghostProgram, ZipAndDisketteAccessTestsAskForTheirMedium) {
  const std::string demo = RAVELBANK_SOURCE_DIR "/machines/demo.xml";
  const struct {
    const char* run;
    const char* answers;
    int status;
    std::vector<std::string> shown;
  } cases[] = {
      {"run IdeZipDrive0 ZipAccessTest AccessMode=RWRC quick=1 retries=0",
       "OK\nOK\n",
       0,
       {"? IdeZipDrive0 ZipAccessTest: Please ensure that the zip drive contains a zip disk and press OK",
        "? IdeZipDrive0 ZipAccessTest: Remove the ZIP disk and press OK.",
        "IdeZipDrive0 ZipAccessTest: passed, 100%"}},
      {"run IdeZipDrive0 ZipAccessTest retries=0",
       "Cancel\n",
       1,
       {"Unit not ready (Media not present in drive)"}},
      {"run Diskette0 IdeFloppyAccessTest AccessMode=RWRC quick=1 retries=0",
       "OK\n",
       0,
       {"? Diskette0 IdeFloppyAccessTest: Insert a floppy that is not write-protected and click [OK]",
        "Diskette0 IdeFloppyAccessTest: passed, 100%"}},
      {"run Diskette0 IdeFloppyAccessTest quick=1 retries=0",
       "OK\n",
       0,
       {"? Diskette0 IdeFloppyAccessTest: Insert Floppy and click [OK]"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.run);
    Write("session.txt", std::string("id\n") + c.run + "\n");
    Write("answers.txt", c.answers);
    const Outcome outcome =
        Run({"--machine", demo, "--answers", "answers.txt", "script", "session.txt"}, false);
    EXPECT_EQ(outcome.status, c.status) << outcome.out << outcome.err;
    for (const std::string& line : c.shown)
      EXPECT_NE((outcome.out + outcome.err).find(line), std::string::npos) << line << "\n"
                                                                           << outcome.out << outcome.err;
  }
}

// The demo's optical drives: the ATAPI drive's no-media test fails while its disc is in, its tray test
// opens the tray (the operator takes the disc) and closes it, after which the no-media test passes;
// the SCSI drive's no-media test asks for its disc to be taken out first.
TEST_F(DiaghostProgram, OpticalTrayAndNoMediaTestsOnTheDemoDrives) {
  const std::string demo = RAVELBANK_SOURCE_DIR "/machines/demo.xml";
  Write("session.txt",
        "id\nrun cdrom1 cdNoMediaPresentTest\nrun cdrom1 trayTest\nrun cdrom1 cdNoMediaPresentTest\n"
        "run cdrom0 cdNoMediaPresentTest\n");
  Write("answers.txt", "OK\nYes\nOK\n");
  const Outcome outcome =
      Run({"--machine", demo, "--answers", "answers.txt", "script", "session.txt"}, false);
  const std::string shown = outcome.out + outcome.err;
  EXPECT_EQ(outcome.status, 1) << shown;  // the first no-media run fails
  for (const std::string line : {
           "Check for no media test fails, media is installed",
           "? cdrom1 trayTest: Remove the media from the drive and press OK",
           "? cdrom1 trayTest: Did the Tray open and then close",
           "cdrom1 trayTest: passed, 100%",
           "? cdrom0 cdNoMediaPresentTest: There is media in the drive. Please remove the media",
           "cdrom0 cdNoMediaPresentTest: passed, 100%",
       })
    EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;
  // The ATAPI drive's no-media test fails before the tray test and passes after it.
  const std::size_t failed = outcome.out.find("cdrom1 cdNoMediaPresentTest: failed");
  const std::size_t tray = outcome.out.find("cdrom1 trayTest: passed");
  const std::size_t passed = outcome.out.find("cdrom1 cdNoMediaPresentTest: passed");
  ASSERT_NE(failed, std::string::npos) << outcome.out;
  EXPECT_LT(failed, tray);
  EXPECT_LT(tray, passed);
  EXPECT_NE(passed, std::string::npos);
}

// The demo's fibre-channel adapter is listed with its driver's report and the inventory's details; its
// three loopback tests pass through the built adapter library, and fail once its loop is declared
// failing.
TEST_F(DiaghostProgram, TheDemoFibreAdapterPassesItsLoopbacksAndFailsOnAFailingLoop) {
  std::string demo = Slurp(RAVELBANK_SOURCE_DIR "/machines/demo.xml");
  Write("demo.xml", demo);
  const std::size_t good = demo.find("loop=\"good\"");
  ASSERT_NE(good, std::string::npos);
  Write("failing.xml", demo.replace(good, 11, "loop=\"failing\""));
  Write("loopbacks.txt",
        "id\nrun fcctrl0 ExternalFibreLoopBackTest retries=0\nrun fcctrl0 Internal_1Bit_FibreLoopBackTest "
        "retries=0\nrun fcctrl0 Internal_10Bit_FibreLoopBackTest retries=0\n");
  Write("answers.txt", "OK\n");

  Outcome outcome =
      Run({"--machine", "demo.xml", "--answers", "answers.txt", "script", "loopbacks.txt"}, false);
  EXPECT_EQ(outcome.status, 0) << outcome.out << outcome.err;
  for (const char* shown : {
           "fcctrl0: Fibre Channel Adapter, Slot 3 [FibreChannelController]\n"
           "  RB 8Gb Fibre Channel Host Adapter\n"
           "  Board ID: 10dff180\n  Serial Number: FC91234567\n  Status: Good\n  Driver Name: rbfc\n",
           "  Driver Version: 12.8 (build 340, release 8)\n  Device: 0\n",
           "  Slot: 3\n",
           "  I/O Port Base 0: c800\n",
           "fcctrl0 ExternalFibreLoopBackTest: passed",
           "fcctrl0 Internal_1Bit_FibreLoopBackTest: passed",
           "fcctrl0 Internal_10Bit_FibreLoopBackTest: passed",
       })
    EXPECT_NE(outcome.out.find(shown), std::string::npos) << shown << "\n" << outcome.out;
  EXPECT_NE(outcome.err.find("Please connect the port to a loopback plug"), std::string::npos) << outcome.err;

  outcome = Run({"--machine", "failing.xml", "--answers", "answers.txt", "script", "loopbacks.txt"}, false);
  EXPECT_EQ(outcome.status, 1) << outcome.out << outcome.err;
  for (const char* test :
       {"ExternalFibreLoopBackTest", "Internal_1Bit_FibreLoopBackTest", "Internal_10Bit_FibreLoopBackTest"})
    EXPECT_NE(outcome.out.find(std::string("fcctrl0 ") + test + ": failed"), std::string::npos)
        << outcome.out;
  EXPECT_NE(outcome.out.find("error: Fibre result incorrect\n"), std::string::npos) << outcome.out;
  EXPECT_NE(outcome.out.find("repair action: Replace a new HBA, then rerun the test\n"), std::string::npos)
      << outcome.out;
}
