#include "tests/removable/floppyformattest.h"

#include <algorithm>

#include "devices/ata/idefloppy.h"
#include "framework/booleanparameter.h"
#include "framework/numericparameter.h"
#include "support/alignedbuffer.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/removable/operatorquestions.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

constexpr int kLastCylinder = 79;
constexpr int kSectors = 18;

void AddNumber(ParameterList& list, const char* name, const char* caption, const char* description, int value,
               int least, int most) {
  list.Add(std::make_unique<NumericParameter<int>>(name, Translate(caption), Translate(description), value,
                                                   least, most));
}

}  // namespace

FloppyFormatTest::FloppyFormatTest()
    : FloppyTest("FloppyFormatTest", "Floppy Format test", "Perform a floppy format of removable media") {
  capabilities_.interactive = true;
  capabilities_.destructive = true;
  ParameterList& list = Parameters();
  AddNumber(list, "StartTrack", "StartTrack", "First cylinder to format", 0, 0, kLastCylinder);
  AddNumber(list, "EndTrack", "EndTrack", "Last cylinder to format", kLastCylinder, 0, kLastCylinder);
  AddNumber(list, "TrackStepping", "Track Stepping", "Format every nth cylinder of the range", 1, 1,
            kLastCylinder);
  AddNumber(list, "StartSector", "StartSector", "First sector of each track to read back", 1, 1, kSectors);
  AddNumber(list, "EndSector", "EndSector", "Last sector of each track to read back", kSectors, 1, kSectors);
  AddNumber(list, "SectorStepping", "Sector Stepping", "Read back every nth sector of the range", 1, 1,
            kSectors);
  list.Add(std::make_unique<BooleanParameter>("Complete", Translate("Complete"),
                                              Translate("Read back the formatted sectors"), false));
}

bool FloppyFormatTest::Execute(const XmlObject&) {
  ParameterList& list = Parameters();
  const int first = IntegerValue(list, "StartTrack", 0);
  const int last = IntegerValue(list, "EndTrack", kLastCylinder);
  const int step = std::max(1, IntegerValue(list, "TrackStepping", 1));
  if (first > last) throw OruError("Invalid parameter list", Translate("StartTrack is beyond EndTrack"));
  AskOk(*this, Translate("Insert the diskette to format and click [OK]") + "\n" +
                   Translate("Formatting erases everything on the diskette."));
  RequireMedium();
  RequireWritable();
  IdeFloppy& drive = Drive();
  const win::DiskGeometry geometry = Geometry();
  const std::uint32_t heads = Heads(geometry);
  const std::uint32_t sectors = SectorsPerTrack(geometry);
  if (last >= geometry.Cylinders)
    throw OruError("Invalid parameter list", Translate("EndTrack is beyond the diskette"));
  const auto fail = [&](const std::string& detail) {
    SetError(OruError(Translate("Format command failed"), detail));
    return false;
  };
  for (int cylinder = first; cylinder <= last; cylinder += step) {
    if (CancelRequested()) return false;
    SetOperationCaption(StringPrintf("%s %d", Translate("Formatting cylinder").c_str(), cylinder));
    if (!drive.FormatTracks(geometry.MediaType, static_cast<std::uint32_t>(cylinder),
                            static_cast<std::uint32_t>(cylinder), 0, heads - 1))
      return fail(StringPrintf("%s %d", Translate("Cylinder").c_str(), cylinder));
    SetProgress(static_cast<std::uint32_t>(cylinder - first + 1),
                static_cast<std::uint32_t>(last - first + 1));
  }
  if (first == 0 && !drive.WriteBootSector()) return fail(Translate("Boot sector"));
  if (BooleanValue(list, "Complete", false)) {
    const int firstSector = IntegerValue(list, "StartSector", 1);
    const int lastSector =
        std::min<int>(IntegerValue(list, "EndSector", kSectors), static_cast<int>(sectors));
    const int sectorStep = std::max(1, IntegerValue(list, "SectorStepping", 1));
    AlignedBuffer buffer(std::max<std::uint32_t>(geometry.BytesPerSector, 512));
    for (int cylinder = first; cylinder <= last; cylinder += step)
      for (std::uint32_t head = 0; head < heads; ++head)
        for (int sector = firstSector; sector <= lastSector; sector += sectorStep) {
          const std::uint64_t lba =
              (std::uint64_t(cylinder) * heads + head) * sectors + std::uint64_t(sector - 1);
          try {
            drive.Access(BlockDevice::kRead, lba, 1, buffer.data());
          } catch (const OruError& error) {
            return fail(StringPrintf("%s %d %s %u %s %d: ", Translate("Cylinder").c_str(), cylinder,
                                     Translate("Head").c_str(), head, Translate("Sector").c_str(), sector) +
                        error.Message());
          }
        }
  }
  Output() << StringPrintf("%s %d-%d\n", Translate("Formatted cylinders").c_str(), first, last);
  return true;
}

}  // namespace rb
