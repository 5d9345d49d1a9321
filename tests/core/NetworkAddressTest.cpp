#include <gtest/gtest.h>

#include "NetworkAddress.h"
#include "Types.h"

using namespace clipvane;
using namespace clipvane::NetworkAddress;

TEST(NetworkAddress, IPv4Forms) {
  EXPECT_EQ(parseIPv4(u"192.168.0.1"), (IPv4{192, 168, 0, 1}));
  EXPECT_EQ(parseIPv4(u"0.0.0.0"), (IPv4{0, 0, 0, 0}));
  for (auto bad : {u"256.0.0.1", u"1.2.3", u"1.2.3.4.5", u"01.2.3.4", u"1..2.3", u"1.2.3.4 ",
                   u"1234.1.1.1", u"", u"a.b.c.d"})
    EXPECT_FALSE(parseIPv4(bad)) << toUtf8(bad);
}

TEST(NetworkAddress, IPv6Forms) {
  const IPv6 loopback{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(parseIPv6(u"::1"), loopback);
  EXPECT_EQ(parseIPv6(u"0:0:0:0:0:0:0:1"), loopback);
  EXPECT_EQ(parseIPv6(u"::"), IPv6{});
  const auto mapped = parseIPv6(u"::FFFF:10.1.2.3");
  ASSERT_TRUE(mapped);
  EXPECT_EQ((*mapped)[10], 0xff);
  EXPECT_EQ((*mapped)[12], 10);
  EXPECT_EQ(parseIPv6(u"fe80::1%eth0"), parseIPv6(u"fe80::1"));
  for (auto good : {u"2001:db8::", u"1:2:3:4:5:6:7::", u"::2:3:4:5:6:7:8",
                    u"2001:0db8:85a3:0000:0000:8a2e:0370:7334", u"64:ff9b::192.0.2.33"})
    EXPECT_TRUE(parseIPv6(good)) << toUtf8(good);
  for (auto bad :
       {u"1:2:3:4:5:6:7:8:9", u"1::2::3", u"12:30:45", u"00:1a:2b:3c:4d:5e", u":1:2", u"1:2:",
        u"12345::1", u"fe80::1%", u"::1.2.3", u"1:2:3:4:5:6:7:1.2.3.4", u"g::1"})
    EXPECT_FALSE(parseIPv6(bad)) << toUtf8(bad);
}

TEST(NetworkAddress, Ranges) {
  struct Row {
    std::u16string_view address;
    bool local, isPrivateRange;
  };
  const Row rows[] = {
      {u"127.0.0.1", true, false},
      {u"127.255.1.2", true, false},
      {u"0.0.0.0", true, false},
      {u"10.0.0.1", false, true},
      {u"172.16.0.1", false, true},
      {u"172.31.255.1", false, true},
      {u"172.32.0.1", false, false},
      {u"192.168.1.1", false, true},
      {u"169.254.1.1", false, true},
      {u"100.64.0.1", false, true},
      {u"100.128.0.1", false, false},
      {u"8.8.8.8", false, false},
      {u"::1", true, false},
      {u"::", true, false},
      {u"fe80::1", false, true},
      {u"febf::1", false, true},
      {u"fec0::1", false, false},
      {u"fd00::1", false, true},
      {u"fc00::1", false, true},
      {u"2001:db8::1", false, false},
      {u"::ffff:127.0.0.1", true, false},
      {u"::ffff:192.168.0.1", false, true},
  };
  for (const auto& r : rows) {
    if (const auto v4 = parseIPv4(r.address)) {
      EXPECT_EQ(isLocal(*v4), r.local) << toUtf8(r.address);
      EXPECT_EQ(isPrivate(*v4), r.isPrivateRange) << toUtf8(r.address);
    } else {
      const auto v6 = parseIPv6(r.address);
      ASSERT_TRUE(v6);
      EXPECT_EQ(isLocal(*v6), r.local) << toUtf8(r.address);
      EXPECT_EQ(isPrivate(*v6), r.isPrivateRange) << toUtf8(r.address);
    }
  }
}
