// ZEPHA's threat zones arriving by message: "IMP2" from ZEPHA reads the footprint file beside the
// installed ZEPHA and names the zones after their colours; the same file from another program
// keeps ZEPHA's names.
#include "app/threat_zone_wiring.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/object_message_wiring.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "edit/object_access.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/recording_transport.h"
#include "store/summary.h"
#include "support/objects_fixture.h"
#include "tools/threat_zone.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

std::string Record(const std::string& name, const char* id) {
  return "\"\" \"\" \"\" \"\" 2 \"\" \"" + name + "\" 0 \"ZEPHA\" \"\" RECT \"" + id +
         "\" 0 \"\" 0 ONLY 0\r\nRED 2 DASHES NONE -70.5 41.25 -70.25 41.5\r\n";
}

class ThreatZoneMessageTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    test::ObjectsTest::SetUp();
    IacPlaces places;
    places.programFolder = (root / "Program").string() + "/";
    places.programFilesFolder = (root / "opt").string() + "/";
    test::WriteWholeFile(places.programFolder + "libWEXO_32.so", "library");
    SetIacPlaces(places);
    ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
    DefaultRecordingTransport().running.insert("ZPH5");
    DefaultRecordingTransport().running.insert("PEER");
    // ZEPHA installed in its known place, its footprint file in another case beside it.
    const fs::path zepha = root / "opt" / "ZEPHA";
    test::MakeFolders(zepha);
    test::WriteWholeFile(zepha / "ZEPHA", "#!/bin/sh\n");
    ::chmod((zepha / "ZEPHA").c_str(), 0755);
    test::WriteWholeFile(zepha / "Zep_Ftp.pas",
                         "FOOTPRINT [COLOR: RED] [LOC: 60 min (AEGL-3): 2 ppm]\r\n"
                         "FOOTPRINT [COLOR: YELLOW] [LOC: 60 min (AEGL-1): 0.1 ppm]\r\n");
    WireObjectMessages(FrontEndHooks());
    WireThreatZones();
    test::WriteWholeFile(
        root / "zones.mie",
        Record("ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm", "0000000000000001") +
            Record("ZEPHA Confidence Lines 60 min (AEGL-1): 0.1 ppm", "0000000000000002") +
            Record("ZEPHA Threat Zone 60 min (AEGL-2): 0.5 ppm", "0000000000000003"));
  }

  int32_t Send(const std::string& sign) {
    const std::string envelope = "MSSG\x0BIMP2\x0BSIGN\x0B" + sign + "\x0BPSIG\x0B" + sign +
                                 "\x0B"
                                 "FILE\x0B" +
                                 (root / "zones.mie").string() +
                                 "\x0B"
                                 "FRWD\x0BN";
    return DispatchIACMessage(envelope.c_str());
  }

  // The names on the User's Map's overlay "ZEPHA", in file order.
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    const int32_t user = UserMapID();
    const int32_t overlay = LayerAt(LayerNameToIndex("ZEPHA")).layerID;
    std::vector<int32_t> positions;
    int32_t m = -1, f = -1;
    ForEachSummaryRecord(
        user, overlay,
        [&positions](const SummaryRecord& record, int32_t) {
          if (SummaryRecordLive(record)) positions.push_back(record.position);
          return 0;
        },
        &m, &f);
    for (const int32_t position : positions) {
      std::string prefix, name;
      EXPECT_EQ(UseObjectFile(user, overlay), 0);
      EXPECT_EQ(FSGetObjectName(CurrentObjectFile(), position, prefix, name), 0);
      names.push_back(name);
    }
    return names;
  }
};

TEST_F(ThreatZoneMessageTest, ZephasImportNamesItsZones) {
  ASSERT_EQ(Send("ZPH5"), 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Red Threat Zone 60 min (AEGL-3): 2 ppm",
                                               "Yellow Confidence Lines 60 min (AEGL-1): 0.1 ppm",
                                               "ZEPHA Threat Zone 60 min (AEGL-2): 0.5 ppm"}));
  // The texts belonged to that import only.
  EXPECT_EQ(CurrentThreatZoneLabels(), ThreatZoneLabels());
}

TEST_F(ThreatZoneMessageTest, AnotherSendersImportKeepsTheNames) {
  ASSERT_EQ(Send("PEER"), 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm",
                                               "ZEPHA Confidence Lines 60 min (AEGL-1): 0.1 ppm",
                                               "ZEPHA Threat Zone 60 min (AEGL-2): 0.5 ppm"}));
}

TEST_F(ThreatZoneMessageTest, WithoutZephaInstalledTheZonesKeepTheirNames) {
  fs::remove_all(root / "opt" / "ZEPHA");
  ASSERT_EQ(Send("ZPH5"), 0);
  EXPECT_EQ(Names()[0], "ZEPHA Threat Zone 60 min (AEGL-3): 2 ppm");
}

}  // namespace
}  // namespace tlv
