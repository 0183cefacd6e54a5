// The endpoint tables: their reader, the texts of addresses and states, and
// how the tables are read from each kind of system.
#include <gtest/gtest.h>

#include "network/endpoint_reader.h"
#include "network/endpoint_replies.h"
#include "network/endpoint_texts.h"
#include "os/fake/fake_os.h"

namespace kvt {
namespace {

TIpAddress Ip6(std::initializer_list<uint16_t> groups, uint32_t scope = 0) {
  TIpAddress ip;
  ip.Width = 16;
  ip.ScopeId = scope;
  int i = 0;
  for (uint16_t group : groups) {
    ip.Bytes[i++] = static_cast<uint8_t>(group >> 8);
    ip.Bytes[i++] = static_cast<uint8_t>(group);
  }
  return ip;
}

TEndpoint Endpoint(TEndpointProtocol protocol, uint32_t pid, uint16_t localPort) {
  TEndpoint endpoint;
  endpoint.Protocol = protocol;
  endpoint.ProcessId = pid;
  endpoint.LocalPort = localPort;
  const bool ipv6 = protocol == TEndpointProtocol::Tcp6 || protocol == TEndpointProtocol::Udp6;
  endpoint.LocalAddress = ipv6 ? Ip6({0, 0, 0, 0, 0, 0, 0, 1}, 3) : TIpAddress{{127, 0, 0, 1}, 4, 0};
  if (IsTcp(protocol)) {
    endpoint.RemoteAddress = endpoint.LocalAddress;
    endpoint.RemotePort = 443;
    endpoint.State = 5;
  }
  endpoint.CreateTime = 0x01DC000012345678;
  endpoint.ServiceTag = 9;
  return endpoint;
}

TEST(EndpointTexts, AddressesInTheirShortForms) {
  const struct {
    TIpAddress Address;
    const char* Text;
  } cases[] = {
      {TIpAddress{{192, 168, 0, 10}, 4, 0}, "192.168.0.10"},
      {Ip6({}), "::"},
      {Ip6({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
      {Ip6({0, 0, 0, 0, 0, 0xFFFF, 0x0A00, 0x0001}), "::ffff:10.0.0.1"},
      {Ip6({0xFE80, 0, 0, 0, 0, 0, 0, 1}, 4), "fe80::1%4"},
      {Ip6({0, 0, 0, 0, 0, 0, 0, 1}, 4096), "::1"},  // a zone only where it tells apart
      // The first of two equal runs, and no "::" for a single zero group.
      {Ip6({0x2001, 0xDB8, 0, 0, 1, 0, 0, 1}), "2001:db8::1:0:0:1"},
      {Ip6({0x2001, 0xDB8, 0, 1, 1, 1, 1, 1}), "2001:db8:0:1:1:1:1:1"},
      {Ip6({0x2001, 0, 0, 1, 0, 0, 0, 0}), "2001:0:0:1::"},
  };
  for (const auto& c : cases) EXPECT_EQ(AddressText(c.Address), c.Text);
  EXPECT_EQ(AddressWithPort(Ip6({0, 0, 0, 0, 0, 0, 0, 1}), 443), "[::1]:443");
  EXPECT_EQ(AddressWithPort(TIpAddress{{127, 0, 0, 1}, 4, 0}, 8080), "127.0.0.1:8080");
}

TEST(EndpointTexts, StatesAndTheRemoteEndOfListenersAndUdp) {
  TEndpoint tcp = Endpoint(TEndpointProtocol::Tcp, 1, 80);
  const char* const states[] = {"CLOSED",     "LISTENING",  "SYN_SENT", "SYN_RECEIVED",
                                "ESTABLISHED", "FIN_WAIT_1", "FIN_WAIT_2", "CLOSE_WAIT",
                                "CLOSING",    "LAST_ACK",   "TIME_WAIT", "DELETE_TCB"};
  for (uint32_t state = 1; state <= 12; ++state) {
    tcp.State = state;
    EXPECT_EQ(StateText(tcp), states[state - 1]);
  }
  tcp.State = 13;
  EXPECT_EQ(StateText(tcp), "13");
  tcp.State = 5;
  EXPECT_EQ(RemoteEndText(tcp), "127.0.0.1:443");
  tcp.State = kTcpStateListen;
  EXPECT_EQ(RemoteEndText(tcp), "*:*");
  const TEndpoint udp = Endpoint(TEndpointProtocol::Udp6, 1, 53);
  EXPECT_EQ(RemoteEndText(udp), "*:*");
  EXPECT_EQ(StateText(udp), "");
}

// Every class the system gives, built by the fake from the shared layouts
// and read back; a count of rows the reply cannot hold is refused whole.
TEST(EndpointReplies, EachClassReadBackAndItsBounds) {
  FakeOs os;
  for (TEndpointProtocol protocol : {TEndpointProtocol::Tcp, TEndpointProtocol::Tcp6,
                                     TEndpointProtocol::Udp, TEndpointProtocol::Udp6})
    os.Endpoints.push_back(Endpoint(protocol, 700, 8080));
  for (bool modules : {true, false}) {
    os.EndpointModuleClasses = modules;
    const std::vector<TEndpoint> read = ReadEndpointTables(os).Endpoints;
    ASSERT_EQ(read.size(), 4u);
    for (size_t i = 0; i < read.size(); ++i) {
      const TEndpoint& want = os.Endpoints[i];
      EXPECT_EQ(read[i].Protocol, want.Protocol);
      EXPECT_EQ(AddressText(read[i].LocalAddress), AddressText(want.LocalAddress));
      EXPECT_EQ(read[i].LocalPort, 8080);
      EXPECT_EQ(read[i].RemotePort, want.RemotePort);
      EXPECT_EQ(read[i].State, want.State);
      EXPECT_EQ(read[i].ProcessId, 700u);
      EXPECT_EQ(read[i].CreateTime, modules ? want.CreateTime : 0u);
      EXPECT_EQ(read[i].ServiceTag, modules ? 9u : 0u);
    }
  }
  std::vector<TEndpoint> rows;
  const uint8_t twoRowsOfOne[4 + 24] = {2};
  EXPECT_FALSE(ReadEndpointRows(twoRowsOfOne, sizeof twoRowsOfOne, kTcp4OwnerPid,
                                TEndpointProtocol::Tcp, rows));
  const uint8_t hugeCount[8] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_FALSE(ReadEndpointRows(hugeCount, sizeof hugeCount, kTcp6OwnerModule,
                                TEndpointProtocol::Tcp6, rows));
  EXPECT_FALSE(ReadEndpointRows(hugeCount, 3, kUdp4OwnerPid, TEndpointProtocol::Udp, rows));
  EXPECT_TRUE(ReadEndpointRows(hugeCount + 4, 4, kUdp4OwnerPid, TEndpointProtocol::Udp, rows));
  EXPECT_TRUE(rows.empty());
}

TEST(EndpointReader, ATableThatGrewIsReadAgainOneThatKeepsGrowingIsAnError) {
  FakeOs os;
  os.Endpoints.push_back(Endpoint(TEndpointProtocol::Tcp, 700, 1));
  int reads = 0;
  // Each of the first three calls of the TCP table finds 500 rows more, more
  // than the first room holds and than each read leaves spare.
  const auto grow = [&os] { os.Endpoints.resize(os.Endpoints.size() + 500, os.Endpoints[0]); };
  os.OnEndpointTableRead = [&] {
    if (++reads <= 3) grow();
  };
  EXPECT_EQ(ReadEndpointTables(os).Endpoints.size(), 1501u);
  EXPECT_EQ(os.CallCount("GetExtendedTcpTable"), 5u);  // four of IPv4, one of IPv6
  os.OnEndpointTableRead = grow;
  EXPECT_THROW(ReadEndpointTables(os), EEndpointTableError);
}

TEST(EndpointReader, OlderSystems) {
  FakeOs os;
  os.Endpoints = {Endpoint(TEndpointProtocol::Tcp, 700, 80), Endpoint(TEndpointProtocol::Udp6, 700, 53)};
  // XP without IPv6: the IPv4 tables alone.
  os.Ipv6Refused = true;
  EXPECT_EQ(ReadEndpointTables(os).Endpoints.size(), 1u);
  // Before XP SP2: the stack's own tables, IPv4 only.
  os.ExtendedEndpointTablesBound = false;
  os.StackEndpointTablesBound = true;
  TEndpointTables tables = ReadEndpointTables(os);
  ASSERT_EQ(tables.Endpoints.size(), 1u);
  EXPECT_EQ(tables.Endpoints[0].LocalPort, 80);
  EXPECT_FALSE(tables.OwnersUnknown);
  // NT 4.0 and 2000: no call tells the owners.
  os.StackEndpointTablesBound = false;
  tables = ReadEndpointTables(os);
  EXPECT_TRUE(tables.OwnersUnknown);
  EXPECT_TRUE(tables.Endpoints.empty());
}

TEST(EndpointReader, ServicesByTagElseTheOnlyServiceOfTheProcess) {
  FakeOs os;
  std::vector<TEndpoint> endpoints(4, Endpoint(TEndpointProtocol::Tcp, 800, 135));
  endpoints[1].ServiceTag = 0;
  endpoints[2].ProcessId = 801;
  endpoints[2].ServiceTag = 0;
  endpoints[3].ProcessId = 802;
  os.ServiceTags[{800, 9}] = "RpcSs";
  const std::map<uint32_t, std::vector<std::string>> services = {
      {800, {"RpcSs", "RpcEptMapper"}}, {801, {"Dnscache"}}, {802, {"W32Time", "Dhcp"}}};
  std::vector<TEndpoint*> kept;
  for (TEndpoint& endpoint : endpoints) kept.push_back(&endpoint);
  NameEndpointServices(os, kept, [&services]() -> const auto& { return services; });
  EXPECT_EQ(endpoints[0].Service, "RpcSs");
  EXPECT_EQ(endpoints[1].Service, "");  // no tag, and the process hosts two
  EXPECT_EQ(endpoints[2].Service, "Dnscache");
  EXPECT_EQ(endpoints[3].Service, "");
  EXPECT_EQ(os.CallCount("I_QueryTagInformation"), 2u);  // one per process and tag
}

}  // namespace
}  // namespace kvt
