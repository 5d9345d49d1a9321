#include "SingleInstance.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "fakes/FakePorts.h"

namespace clipvane {
namespace {

Date at(int seconds) { return Date{std::chrono::seconds(1'700'000'000 + seconds)}; }

TEST(SingleInstance, OlderCopyByLaunchKey) {
  struct Case {
    const char* name;
    RunningCopy current;
    std::vector<RunningCopy> copies;
    std::optional<qint64> older;
  };
  const RunningCopy me{500, at(10)};
  const Case cases[] = {
      {"alone", me, {me}, std::nullopt},
      {"equal dates: the lower pid is older", me, {{400, at(10)}, me}, 400},
      {"equal dates: a higher pid is newer", me, {{600, at(10)}, me}, std::nullopt},
      {"no launch date counts as earliest", me, {{900, std::nullopt}, {400, at(5)}}, 900},
      {"terminated copies are ignored", me, {{400, at(5), true}}, std::nullopt},
      {"later copies are ignored", me, {{400, at(20)}}, std::nullopt},
      {"three copies: the newest hands to the earliest",
       {700, at(30)},
       {{500, at(20)}, {400, at(10)}, {700, at(30)}},
       400},
  };
  for (const Case& c : cases) {
    fakes::FakePorts ports;
    ports.instance.current = c.current;
    ports.instance.copies = c.copies;
    const auto older = SingleInstance::olderCopy();
    EXPECT_EQ(older ? std::optional<qint64>(older->pid) : std::nullopt, c.older) << c.name;
  }
}

TEST(SingleInstance, NoIdentifierMeansNoOlderCopy) {
  fakes::FakePorts ports;
  ports.instance.bundleID.reset();
  ports.instance.copies = {{1, std::nullopt}};
  EXPECT_FALSE(SingleInstance::olderCopy());
}

TEST(SingleInstance, HandOverWithUrlsEndsAfterTheOpenWithoutThemPostsReopen) {
  fakes::FakePorts ports;
  SingleInstance::handOver({"clipvane://x/apps"}, {400, std::nullopt});
  EXPECT_EQ(ports.instance.handedOver.size(), 1u);
  EXPECT_EQ(ports.instance.terminations, 0);  // on the main thread, later
  ASSERT_TRUE(testing::waitUntil([&] { return ports.instance.terminations == 1; }));
  EXPECT_EQ(ports.instance.reopensPosted, 0);

  fakes::FakePorts second;
  SingleInstance::handOver({}, {400, std::nullopt});
  EXPECT_EQ(second.instance.reopensPosted, 1);
  EXPECT_EQ(second.instance.terminations, 1);
  EXPECT_TRUE(second.instance.handedOver.empty());

  fakes::FakePorts third;  // a copy that takes no URLs gets the reopen request
  SingleInstance::handOver({"clipvane://x/apps"}, {400, std::nullopt, false, false});
  EXPECT_EQ(third.instance.reopensPosted, 1);
  EXPECT_TRUE(third.instance.handedOver.empty());
}

}  // namespace
}  // namespace clipvane
