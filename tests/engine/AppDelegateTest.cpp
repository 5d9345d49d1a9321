#include "AppDelegate.h"

#include <gtest/gtest.h>

#include "EngineTest.h"

namespace clipvane {
namespace {

using testing::EngineTest;

TEST(UrlRouting, Table) {
  using T = SettingsTab;
  struct Case {
    const char* url;
    std::optional<UrlRoute> route;
  };
  const Case cases[] = {
      {"clipvane://activity", UrlRoute{true}},
      {"clipvane://settings/privacy", UrlRoute{false, T::autoMask}},
      {"clipvane://settings/automask", UrlRoute{false, T::autoMask}},
      {"clipvane://anything/detection/more", UrlRoute{false, T::detection}},
      {"clipvane://x//apps/", UrlRoute{false, T::apps}},
      {"clipvane://apps", UrlRoute{false, T::general}},  // the host never names the tab
      {"clipvane://x/unknown", UrlRoute{false, T::general}},
      {"clipvane://x/Apps", UrlRoute{false, T::general}},
      {"clipvane:", UrlRoute{false, T::general}},
      {"clipvane:///apps", UrlRoute{false, T::apps}},
      {"clipvane://Activity", UrlRoute{false, T::general}},
      {"CLIPVANE://activity", std::nullopt},  // the scheme is compared exactly
      {"https://activity", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(AppDelegate::route(c.url), c.route) << c.url;
}

class AppDelegateTest : public EngineTest {};

TEST_F(AppDelegateTest, FirstCopyOpensEachUrlInOrderAndSkipsOtherSchemes) {
  AppDelegate delegate(&model());
  delegate.willFinishLaunching();
  delegate.open({"clipvane://x/apps", "https://example.com", "clipvane://activity/about"});
  EXPECT_EQ(fakes::journal(), (QStringList{"settings apps", "activity 0"}));
}

TEST_F(AppDelegateTest, FirstCopyListensAndStartsTheModel) {
  ports.instance.copies = {ports.instance.current};
  AppDelegate delegate(&model());
  delegate.willFinishLaunching();
  delegate.didFinishLaunching();
  EXPECT_TRUE(model().monitor().isRunning());
  EXPECT_TRUE(ports.statusItem.installed);

  fakes::journal().clear();
  ports.instance.onReopen();  // a later copy without URLs
  ports.instance.onUrls({"clipvane://x/detection"});
  EXPECT_FALSE(delegate.shouldHandleReopen());
  EXPECT_EQ(fakes::journal(),
            (QStringList{"settings general", "settings detection", "settings general"}));
}

TEST_F(AppDelegateTest, SecondCopyHandsItsUrlsOverAfterTheDelayAndStartsNothing) {
  ports.instance.copies = {{1, std::nullopt}, ports.instance.current};
  AppDelegate delegate(&model());
  delegate.willFinishLaunching();
  ASSERT_TRUE(delegate.runningCopy());
  delegate.open({"clipvane://x/apps"});
  delegate.didFinishLaunching();
  delegate.open({"clipvane://activity"});  // arrives within the delay: goes along
  EXPECT_TRUE(ports.instance.handedOver.empty());
  EXPECT_FALSE(delegate.shouldHandleReopen());

  ASSERT_TRUE(testing::waitUntil([&] { return ports.instance.terminations == 1; }));
  ASSERT_EQ(ports.instance.handedOver.size(), 1u);
  EXPECT_EQ(ports.instance.handedOver[0].first,
            (QStringList{"clipvane://x/apps", "clipvane://activity"}));
  EXPECT_EQ(ports.instance.handedOver[0].second, 1);
  EXPECT_FALSE(model().monitor().isRunning());
  EXPECT_FALSE(ports.statusItem.installed);
  EXPECT_FALSE(fakes::journal().contains("settings general"));
}

// Another process holds the program's name and does not answer as the
// program does: it is handed nothing, nothing starts, and the user is told.
TEST_F(AppDelegateTest, ACopyThatFindsItsNameHeldByAnotherProcessSaysSoAndEnds) {
  AppDelegate::refusalWait() = 0.05;
  RunningCopy holder{7, std::nullopt};
  holder.isThisProgram = false;
  ports.instance.copies = {holder, ports.instance.current};
  AppDelegate delegate(&model());
  delegate.willFinishLaunching();
  delegate.open({"clipvane://x/apps"});
  ::testing::internal::CaptureStderr();
  delegate.didFinishLaunching();
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "Clipvane could not start: another process (7) holds its name app.ostrel.Clipvane on "
            "the session bus\n");
  EXPECT_EQ(ports.panels.texts(),
            QStringList{"Clipvane could not start: another process holds its name on the "
                        "session bus"});
  ASSERT_TRUE(testing::waitUntil([&] { return ports.instance.terminations == 1; }));
  AppDelegate::refusalWait() = AppDelegate::defaultRefusalWait;
  EXPECT_EQ(ports.instance.exitCodes, std::vector<int>{1});
  EXPECT_TRUE(ports.instance.handedOver.empty());
  EXPECT_EQ(ports.instance.reopensPosted, 0);
  EXPECT_FALSE(ports.instance.onUrls);
  EXPECT_FALSE(model().monitor().isRunning());
  EXPECT_FALSE(ports.statusItem.installed);
}

}  // namespace
}  // namespace clipvane
