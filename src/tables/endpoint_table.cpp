#include "tables/endpoint_table.h"

#include <string>

#include "network/endpoint_texts.h"
#include "processes/process_details.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

using R = TEndpointRow;
using C = TColumn<R>;

const TEndpoint& E(const R& r) { return *r.Endpoint; }

}  // namespace

const TTable<TEndpointRow>& EndpointTable() {
  // The text joins each address with its port, as the system's own tools
  // write them; the forms keep them apart, ports as numbers. UDP has no
  // remote end: the text says "*:*", the forms leave it empty.
  static const TTable<R> kTable = {
      C().Form("PID", "ProcessID").Decimal([](R& r) { return E(r).ProcessId; }),
      // No XML attribute: the rows stand inside their process's element.
      C().Form("Filename", nullptr)
          .Text([](R& r) { return r.Owner ? r.Owner->FilenameOnly() : std::string(); }),
      C().Titled("Proto", 6).Form("Protocol", "Protocol")
          .Text([](R& r) { return std::string(ProtocolText(E(r).Protocol)); }),
      C().Titled("Local address", 23)
          .Text([](R& r) { return AddressWithPort(E(r).LocalAddress, E(r).LocalPort); }),
      C().Form("LocalAddress", "LocalAddress").Text([](R& r) { return AddressText(E(r).LocalAddress); }),
      C().Form("LocalPort", "LocalPort").Decimal([](R& r) { return E(r).LocalPort; }),
      C().Titled("Remote address", 23).Text([](R& r) { return RemoteEndText(E(r)); }),
      C().Form("RemoteAddress", "RemoteAddress")
          .Text([](R& r) { return IsTcp(E(r).Protocol) ? AddressText(E(r).RemoteAddress) : ""; }),
      C().Form("RemotePort", "RemotePort").Reads(TColumnKind::Decimal, [](R& r) {
        return IsTcp(E(r).Protocol) ? std::to_string(E(r).RemotePort) : std::string();
      }),
      C().Titled("State", 12).Form("State", "State").Text([](R& r) { return StateText(E(r)); }),
      // The text in this machine's local time, the forms in UTC.
      C().Titled("Created", 19).Form("Created", "Created")
          .Reads(TColumnKind::Time,
                 [](R& r) { return E(r).CreateTime ? UtcIsoText(E(r).CreateTime) : std::string(); })
          .ShownAs([](R& r) { return E(r).CreateTime ? LocalTimeText(E(r).LocalCreateTime) : ""; }),
      C().Titled("Service").Form("Service", "Service").Text([](R& r) { return E(r).Service; }),
  };
  return kTable;
}

}  // namespace kvt
