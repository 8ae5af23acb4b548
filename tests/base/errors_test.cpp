#include "base/errors.h"

#include <gtest/gtest.h>

#include "base/memory.h"
#include "base/strings.h"
#include "support/test_support.h"

namespace tlv {
namespace {

using ErrorsTest = test::CoreTest;

constexpr const char* kOutOfMemory =
    "Not enough memory to complete this operation.  You may want to quit other running "
    "programs.";

TEST_F(ErrorsTest, TechnicalReportNamesCalleeCodeAndCaller) {
  ReportError("LoadMaps()", "FSReadBuf()", -39);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text,
            "Sorry.  A technical error occurred:\n\nFSReadBuf() returned -39 in LoadMaps().");
  EXPECT_EQ(platform().alerts[0].kind, kStopAlert);
}

TEST_F(ErrorsTest, AllocationFailuresShowTheOutOfMemoryTextAndReleaseTheReserveOnce) {
  ASSERT_EQ(AllocateMemoryReserve(), 0);
  const int32_t live = LiveBlockCount();
  ReportError("CommonInit()", "MyNewHandle()", 0);
  EXPECT_FALSE(MemoryReserveHeld());
  EXPECT_EQ(LiveBlockCount(), live - 1);
  ReportError("Other()", "SetPtrSize()", 0);
  ReportError("Other()", "FSWriteBuf()", kErrMemoryFull);
  EXPECT_EQ(LiveBlockCount(), live - 1);
  ASSERT_EQ(platform().alerts.size(), 3u);
  for (const auto& alert : platform().alerts) EXPECT_EQ(alert.text, kOutOfMemory);
  // A name that merely contains an allocator's name is an ordinary failure.
  ReportError("X()", "MyNewHandleSomething()", 0);
  EXPECT_NE(platform().alerts.back().text, kOutOfMemory);
}

TEST_F(ErrorsTest, FileReportsAppendThePath) {
  SetFilePathResolver([](int16_t, int32_t folderID, const char* name, std::string& path) {
    if (folderID != 17) return false;
    path = std::string("/maps/Settings/") + name;
    return true;
  });
  ReportFileError("SaveMaps()", "FSWriteBuf()", -1, 0, 17, "NAME.MAP");
  ReportFileContentsError("LoadMaps()", -39, 0, 99, "XTRAMAPS.PLT");
  SetFilePathResolver(nullptr);
  ASSERT_EQ(platform().alerts.size(), 2u);
  EXPECT_EQ(platform().alerts[0].text,
            "Sorry.  A technical error occurred:\n\nFSWriteBuf() returned -1 in SaveMaps()."
            "\r\n\r\n/maps/Settings/NAME.MAP");
  EXPECT_EQ(platform().alerts[1].text,
            "Sorry.  A technical error occurred:\n\nReadFileContents() returned -39 in "
            "LoadMaps().\r\nFile:\r\nXTRAMAPS.PLT");
}

TEST_F(ErrorsTest, DisarmedAlertsGoToTheMessageLine) {
  DisarmAlerts();
  ShowAlert("second thoughts", kNoteAlert);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(platform().messageLine, "second thoughts");
  ArmAlerts();
  ShowAlert("shown", kCautionAlert);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].kind, kCautionAlert);
  EXPECT_TRUE(AlertsArmed()) << "alerts are armed again when the box returns";
}

// An alert raised while another box is up (a timer message during the modal loop) must not stack
// a second box: it goes to the message line.
class NestingPlatform : public HeadlessPlatform {
 public:
  void ShowAlertBox(std::string_view text, int kind) override {
    HeadlessPlatform::ShowAlertBox(text, kind);
    if (alerts.size() == 1) ShowAlert("raised meanwhile", kNoteAlert);
  }
};

TEST_F(ErrorsTest, AlertDuringAnAlertGoesToTheMessageLine) {
  NestingPlatform nesting;
  InstallPlatform(&nesting);
  ShowAlert("first", kStopAlert);
  InstallPlatform(nullptr);
  ASSERT_EQ(nesting.alerts.size(), 1u);
  EXPECT_EQ(nesting.messageLine, "raised meanwhile");
  EXPECT_TRUE(AlertsArmed());
}

}  // namespace
}  // namespace tlv
