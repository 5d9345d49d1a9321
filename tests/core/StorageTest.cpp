#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "Activity.h"
#include "Crypto.h"
#include "Storage.h"
#include "TempHome.h"
#include "Vault.h"

using namespace clipvane;
namespace fs = std::filesystem;

namespace {

const Date kNow = *parseISO8601("2026-12-06T20:00:00Z");

// Sets or unsets environment variables for one scope.
class Env {
 public:
  void set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~Env() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second)
        ::setenv(it->first.c_str(), it->second->c_str(), 1);
      else
        ::unsetenv(it->first.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

ActivityEntry activity(Date date, std::u16string place = u"Terminal") {
  ActivityEntry e;
  e.date = date;
  e.place = std::move(place);
  return e;
}

}  // namespace

TEST(Paths, DirectoryFromTheEnvironment) {
  struct Row {
    const char *home, *xdg, *userHome;
    const char* expected;
  };
  const Row rows[] = {
      {"/tmp/cv-home", "/xdg", "/users/ann", "/tmp/cv-home"},
      {"", "/xdg", "/users/ann", "/xdg/Clipvane"},
      {nullptr, "/xdg", "/users/ann", "/xdg/Clipvane"},
      {nullptr, "relative/xdg", "/users/ann", "/users/ann/.local/share/Clipvane"},
      {nullptr, "", "/users/ann", "/users/ann/.local/share/Clipvane"},
      {nullptr, nullptr, "/users/ann", "/users/ann/.local/share/Clipvane"},
  };
  for (const auto& r : rows) {
    Env env;
    env.set("CLIPVANE_HOME", r.home);
    env.set("XDG_DATA_HOME", r.xdg);
    env.set("HOME", r.userHome);
    EXPECT_EQ(Paths::directory(), fs::path(r.expected));
    EXPECT_EQ(Paths::file("vault.bin"), fs::path(r.expected) / "vault.bin");
  }
}

class StorageTest : public TempHome {};

TEST_F(StorageTest, DirectoryIsCreatedPrivateAndTightened) {
  Env env;
  const fs::path nested = home / "a" / "b" / "Clipvane";
  env.set("CLIPVANE_HOME", nested.c_str());
  EXPECT_EQ(Paths::ensureDirectory(), nested);
  EXPECT_EQ(mode("a/b/Clipvane"), 0700);
  ::chmod(nested.c_str(), 0755);
  Paths::ensureDirectory();
  EXPECT_EQ(mode("a/b/Clipvane"), 0700);
  write("a/b/file", "x");
  env.set("CLIPVANE_HOME", (home / "a" / "b" / "file").c_str());
  EXPECT_THROW(Paths::ensureDirectory(), StorageError);
}

TEST_F(StorageTest, WholeFileWritesReplaceAndStayPrivate) {
  const fs::path target = home / "data.json";
  EXPECT_EQ(readFile(target), std::nullopt);
  write("data.json", "old");
  ::chmod(target.c_str(), 0644);
  writeFileAtomically(target, std::string("new\0bytes", 9));
  EXPECT_EQ(readFile(target), std::string("new\0bytes", 9));
  EXPECT_EQ(mode("data.json"), 0600);
  writeFileAtomically(target, "");
  EXPECT_EQ(readFile(target), std::string());
  // No temporary file is left behind.
  int files = 0;
  for ([[maybe_unused]] const auto& f : fs::directory_iterator(home)) ++files;
  EXPECT_EQ(files, 1);
  EXPECT_THROW(writeFileAtomically(home / "missing" / "x", "x"), StorageError);
  EXPECT_THROW(readFile(home), StorageError) << "a folder is not a file";
}

// The vault held in memory is used only while the file is byte for byte what
// was written: any other length, content or kind of file is a difference.
TEST_F(StorageTest, AFileHoldsExactlyItsBytesAndNothingElse) {
  const std::string big(200 * 1024 + 3, 'v');  // past the buffer it is compared through
  write("vault.bin", big);
  const fs::path file = home / "vault.bin";
  EXPECT_TRUE(fileHolds(file, big));
  std::string changed = big;
  changed[150 * 1024] = 'w';
  EXPECT_FALSE(fileHolds(file, changed)) << "a byte past the first read";
  EXPECT_FALSE(fileHolds(file, big.substr(0, big.size() - 1))) << "the file is longer";
  EXPECT_FALSE(fileHolds(file, big + "x")) << "the file is shorter";
  write("empty", "");
  EXPECT_TRUE(fileHolds(home / "empty", ""));
  EXPECT_FALSE(fileHolds(home / "missing", ""));
  EXPECT_FALSE(fileHolds(home, "")) << "a folder";
  ASSERT_EQ(::mkfifo((home / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(fileHolds(home / "pipe", "")) << "a pipe, without waiting for a writer";
}

// A sealing into memory that held a longer vault gives the new one alone.
TEST(CryptoTest, SealingIntoReusedMemoryGivesJustTheNewVault) {
  const std::string key = Crypto::randomBytes(Crypto::keySize);
  std::string out = Crypto::seal(key, std::string(4096, 'o'));
  Crypto::sealInto(key, "short", out);
  EXPECT_EQ(out.size(), Crypto::nonceSize + 5 + Crypto::tagSize);
  EXPECT_EQ(Crypto::open(key, out), "short");
  const std::string before = out;
  Crypto::sealInto(key, "short", out);
  EXPECT_NE(out.substr(0, Crypto::nonceSize), before.substr(0, Crypto::nonceSize))
      << "a fresh nonce every time";
}

TEST_F(StorageTest, LockExcludesOtherThreads) {
  // Each thread increments a counter file under the lock; a lost update
  // would show as a smaller total.
  const fs::path counter = home / "counter";
  writeFileAtomically(counter, "0");
  constexpr int threads = 4, rounds = 50;
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&] {
      for (int i = 0; i < rounds; ++i) {
        const FileLock lock;
        const int n = std::stoi(*readFile(counter));
        writeFileAtomically(counter, std::to_string(n + 1));
      }
    });
  for (auto& t : pool) t.join();
  EXPECT_EQ(*readFile(counter), std::to_string(threads * rounds));
  EXPECT_EQ(mode(".lock"), 0600);
}

class ActivityStoreTest : public TempHome {
 protected:
  void SetUp() override {
    TempHome::SetUp();
    freezeClock(kNow);
  }
};

TEST_F(ActivityStoreTest, AppendKeepsThirtyDaysAndReadGetsEveryField) {
  EXPECT_TRUE(ActivityStore::read().empty());
  ActivityEntry full = activity(kNow, u"chat.example.com");
  full.placeKind = ActivityEntry::PlaceKind::site;
  full.outcome = ActivityEntry::Outcome::blocked;
  full.counts = {{Kind::email, 2}, {Kind::privateKey, 1}};
  full.kept = 3;
  full.masks = std::vector<std::u16string>{u"[EMAIL_1]", u"[EMAIL_2]"};
  ActivityStore::append(activity(kNow - std::chrono::days(31)));
  ActivityStore::append(activity(kNow - std::chrono::days(29)));
  const auto stored = ActivityStore::append(full);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[1], full);
  EXPECT_EQ(stored[1].hiddenCount(), 3);
  EXPECT_EQ(stored[0].hiddenCount(), 0);
  EXPECT_EQ(ActivityStore::read(), stored);
  EXPECT_EQ(mode("activity.json"), 0600);
  const std::string text = contents("activity.json");
  EXPECT_NE(text.find("\"placeKind\": \"site\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"privateKey\": 1"), std::string::npos) << text;

  // Thirty days later only the newest is left.
  now = kNow + std::chrono::days(29) + std::chrono::hours(23);
  EXPECT_EQ(ActivityStore::append(activity(now)).size(), 2u);
  ActivityStore::clear();
  EXPECT_TRUE(ActivityStore::read().empty());
}

TEST_F(ActivityStoreTest, DamagedHistoryIsSetAsideBeforeWriting) {
  const char* damaged[] = {"[{\"id\": ", "{}", "[{\"id\": \"x\"}]", "[1, 2]"};
  for (const char* text : damaged) {
    write("activity.json", text);
    EXPECT_TRUE(ActivityStore::read().empty()) << text;
    EXPECT_EQ(contents("activity.json"), text) << "reading changes nothing";
    const auto stored = ActivityStore::append(activity(kNow));
    EXPECT_EQ(stored.size(), 1u);
    EXPECT_EQ(contents("activity.json.bad"), text);
    EXPECT_EQ(ActivityStore::read(), stored);
  }
}

TEST_F(ActivityStoreTest, ConcurrentProcessesLoseNoEntry) {
  constexpr int processes = 4, rounds = 15;
  std::vector<pid_t> children;
  for (int p = 0; p < processes; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = 0;
      try {
        for (int i = 0; i < rounds; ++i) {
          ActivityStore::append(activity(kNow, u"p" + toUtf16(std::to_string(p))));
          VaultStore::update(3600, [&](Vault& v) {
            v.entries.push_back(
                {u"[P" + toUtf16(std::to_string(p)) + u"_" + toUtf16(std::to_string(i)) + u"]",
                 u"x", Kind::custom, kNow, std::nullopt});
          });
        }
      } catch (...) {
        status = 1;
      }
      ::_exit(status);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(ActivityStore::read().size(), std::size_t(processes * rounds));
  EXPECT_EQ(VaultStore::read(3600).entries.size(), std::size_t(processes * rounds));
}
