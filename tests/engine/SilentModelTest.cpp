// A local model that takes requests and never answers them: copies, detection
// and the safe paste go on without it.
#include "AICheck.h"
#include "PasteFixture.h"

namespace clipvane {
namespace {

using testing::PasteFixture;

class SilentModelTest : public PasteFixture {
 protected:
  SilentModelTest() {
    set(&AppSettings::aiCheck, true);
    systemPorts.model.close();
  }
  ~SilentModelTest() override { systemPorts.model.open(); }
};

// More copies than the shared pool has threads, each starting a request the
// model never answers (and, the worst case, cannot be made to give up).
TEST_F(SilentModelTest, ManyCopiesHoldUpNeitherDetectionNorThePaste) {
  systemPorts.model.deaf = true;
  const int copies = QThreadPool::globalInstance()->maxThreadCount() + 2;
  for (int i = 0; i < copies; ++i) {
    const QString text = QString("Zebulon Quill wrote %1 lines").arg(i);
    userCopies(text);
    // Detected, then handed to the model.
    ASSERT_TRUE(testing::waitUntil([&] {
      return AICheck::shared().running() && AICheck::shared().running()->text == text;
    })) << i;
  }
  ASSERT_TRUE(model().lastScan());
  EXPECT_EQ(model().lastScan()->text, QString("Zebulon Quill wrote %1 lines").arg(copies - 1));

  // The paste waits its 4 s for the model, then detection runs and it pastes.
  clipboardHolds("mail ada@example.com");
  model().safePaste(AppModel::Trigger::hotkey);
  ASSERT_TRUE(testing::waitUntil([&] { return !pasted.isEmpty(); }, 7000));
  EXPECT_FALSE(pasted[0].contains("ada@example.com"));
  EXPECT_FALSE(model().safePasteWaiting());
}

TEST_F(SilentModelTest, ASupersededRequestIsGivenUp) {
  AICheck::shared().check("First, Ada Lovelace.");
  ASSERT_TRUE(testing::waitUntil([&] { return systemPorts.model.chats.load() == 1; }));
  AICheck::shared().check("Second, Ada Lovelace again.");
  ASSERT_TRUE(testing::waitUntil([&] { return systemPorts.model.givenUp.load() == 1; }));
  ASSERT_TRUE(testing::waitUntil([&] { return systemPorts.model.chats.load() == 2; }));
  EXPECT_EQ(systemPorts.model.givenUp.load(), 1);  // the newest one still waits for its answer
}

}  // namespace
}  // namespace clipvane
