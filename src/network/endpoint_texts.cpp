#include "network/endpoint_texts.h"

#include "support/format.h"

namespace kvt {
namespace {

std::string Ipv4Text(const uint8_t* bytes) {
  return Format("%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
}

bool IsMappedIpv4(const TIpAddress& address) {
  for (int i = 0; i < 10; ++i)
    if (address.Bytes[i] != 0) return false;
  return address.Bytes[10] == 0xFF && address.Bytes[11] == 0xFF;
}

// Only a link-local address needs its zone to be told apart (fe80::/10, and
// multicast of the node or link); Wine gives the loopback address one too.
bool HasZone(const TIpAddress& address) {
  const uint8_t* b = address.Bytes.data();
  return (b[0] == 0xFE && (b[1] & 0xC0) == 0x80) || (b[0] == 0xFF && (b[1] & 0x0F) <= 2);
}

// The longest run of two or more zero groups, the first of equals: the run
// the short form writes as "::". Length 0 when there is none.
void LongestZeroRun(const uint16_t (&groups)[8], int& start, int& length) {
  start = 0;
  length = 0;
  for (int i = 0; i < 8;) {
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i > length && j - i >= 2) {
      start = i;
      length = j - i;
    }
    i = j == i ? i + 1 : j;
  }
}

std::string Ipv6Text(const TIpAddress& address) {
  if (IsMappedIpv4(address)) return "::ffff:" + Ipv4Text(&address.Bytes[12]);
  uint16_t groups[8];
  for (int i = 0; i < 8; ++i)
    groups[i] = static_cast<uint16_t>(address.Bytes[2 * i] << 8 | address.Bytes[2 * i + 1]);
  int start = 0, length = 0;
  LongestZeroRun(groups, start, length);
  std::string text;
  for (int i = 0; i < 8; ++i) {
    if (length > 0 && i == start) {
      text += "::";
      i += length - 1;
      continue;
    }
    if (!text.empty() && text.back() != ':') text += ':';
    text += Format("%x", groups[i]);
  }
  if (address.ScopeId != 0 && HasZone(address)) text += Format("%%%u", address.ScopeId);
  return text;
}

}  // namespace

std::string AddressText(const TIpAddress& address) {
  return address.Width == 16 ? Ipv6Text(address) : Ipv4Text(address.Bytes.data());
}

std::string AddressWithPort(const TIpAddress& address, uint16_t port) {
  const std::string text = AddressText(address);
  return (address.Width == 16 ? "[" + text + "]" : text) + Format(":%u", port);
}

std::string RemoteEndText(const TEndpoint& endpoint) {
  if (!IsTcp(endpoint.Protocol) || endpoint.State == kTcpStateListen) return "*:*";
  return AddressWithPort(endpoint.RemoteAddress, endpoint.RemotePort);
}

std::string StateText(const TEndpoint& endpoint) {
  static const char* const kStates[] = {
      "CLOSED",     "LISTENING",  "SYN_SENT", "SYN_RECEIVED", "ESTABLISHED", "FIN_WAIT_1",
      "FIN_WAIT_2", "CLOSE_WAIT", "CLOSING",  "LAST_ACK",     "TIME_WAIT",   "DELETE_TCB"};
  if (!IsTcp(endpoint.Protocol)) return std::string();
  if (endpoint.State >= 1 && endpoint.State <= 12) return kStates[endpoint.State - 1];
  return std::to_string(endpoint.State);
}

const char* ProtocolText(TEndpointProtocol protocol) {
  switch (protocol) {
    case TEndpointProtocol::Tcp:
      return "TCP";
    case TEndpointProtocol::Udp:
      return "UDP";
    case TEndpointProtocol::Tcp6:
      return "TCPv6";
    case TEndpointProtocol::Udp6:
      return "UDPv6";
  }
  return "";
}

}  // namespace kvt
