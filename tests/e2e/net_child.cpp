// A process with endpoints for kvtProc to list: kvt_net_child <report path>.
// It listens on a loopback port, connects to it, sends a byte each way over
// the connection, binds a UDP socket on the IPv6 loopback address where the
// system has one, and writes "<listening port> <client's port> <UDP port>"
// (0 for no IPv6) to the report; then waits until it is ended.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <string>

namespace {

unsigned short LocalPort(SOCKET socket) {
  sockaddr_storage address = {};
  int length = sizeof address;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                             : reinterpret_cast<sockaddr_in&>(address).sin_port);
}

bool Exchange(SOCKET from, SOCKET to) {
  char byte = 'k';
  return send(from, &byte, 1, 0) == 1 && recv(to, &byte, 1, 0) == 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 3;
  sockaddr_in loopback = {};
  loopback.sin_family = AF_INET;
  loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (bind(listener, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback) != 0 ||
      listen(listener, 1) != 0)
    return 4;
  loopback.sin_port = htons(LocalPort(listener));
  const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (connect(client, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback) != 0) return 5;
  const SOCKET accepted = accept(listener, nullptr, nullptr);
  if (accepted == INVALID_SOCKET || !Exchange(client, accepted) || !Exchange(accepted, client))
    return 6;

  unsigned short udpPort = 0;
  const SOCKET udp = socket(AF_INET6, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in6 loopback6 = {};
  loopback6.sin6_family = AF_INET6;
  loopback6.sin6_addr = in6addr_loopback;
  if (udp != INVALID_SOCKET &&
      bind(udp, reinterpret_cast<sockaddr*>(&loopback6), sizeof loopback6) == 0)
    udpPort = LocalPort(udp);

  // Written whole under another name, then renamed: a reader sees all or nothing.
  const std::string part = std::string(argv[1]) + ".part";
  FILE* report = std::fopen(part.c_str(), "w");
  if (report == nullptr) return 7;
  std::fprintf(report, "%u %u %u\n", LocalPort(listener), LocalPort(client), udpPort);
  std::fclose(report);
  if (!MoveFileA(part.c_str(), argv[1])) return 8;
  Sleep(INFINITE);
  return 0;
}
