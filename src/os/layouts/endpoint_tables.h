#pragma once
// The IP helper's endpoint tables: a count of rows, then the rows. The
// layouts are the same for both program widths (the rows hold no pointers);
// the owner-module classes align their rows to 8 bytes for the creation time.
// Ports are the low 16 bits of a word in network order; addresses the bytes
// in network order. A field of width 0 is one the class does not give.
#include <cstdint>

#include "os/layouts/reply_field.h"

namespace kvt {

struct TEndpointTableLayout {
  uint8_t FirstRow;  // the rows' offset after the count
  uint8_t RowSize;
  uint8_t AddressWidth;  // 4 (IPv4) or 16 (IPv6)
  TReplyField LocalAddress, LocalScopeId, LocalPort;
  TReplyField RemoteAddress, RemoteScopeId, RemotePort;
  TReplyField State, ProcessId, CreateTime, ServiceTag;
};

constexpr TReplyField kNoField = {0, 0};

// TCP over IPv4 and IPv6, with the owner's id, then with its module.
constexpr TEndpointTableLayout kTcp4OwnerPid = {
    4, 24, 4, {4, 4}, kNoField, {8, 2}, {12, 4}, kNoField, {16, 2}, {0, 4}, {20, 4}, kNoField,
    kNoField};
constexpr TEndpointTableLayout kTcp4OwnerModule = {
    8, 160, 4, {4, 4}, kNoField, {8, 2}, {12, 4}, kNoField, {16, 2}, {0, 4}, {20, 4}, {24, 8},
    {32, 4}};
constexpr TEndpointTableLayout kTcp6OwnerPid = {
    4, 56, 16, {0, 16}, {16, 4}, {20, 2}, {24, 16}, {40, 4}, {44, 2}, {48, 4}, {52, 4}, kNoField,
    kNoField};
constexpr TEndpointTableLayout kTcp6OwnerModule = {
    8, 192, 16, {0, 16}, {16, 4}, {20, 2}, {24, 16}, {40, 4}, {44, 2}, {48, 4}, {52, 4}, {56, 8},
    {64, 4}};
// UDP: no remote end and no state.
constexpr TEndpointTableLayout kUdp4OwnerPid = {
    4, 12, 4, {0, 4}, kNoField, {4, 2}, kNoField, kNoField, kNoField, kNoField, {8, 4}, kNoField,
    kNoField};
constexpr TEndpointTableLayout kUdp4OwnerModule = {
    8, 160, 4, {0, 4}, kNoField, {4, 2}, kNoField, kNoField, kNoField, kNoField, {8, 4}, {16, 8},
    {32, 4}};
constexpr TEndpointTableLayout kUdp6OwnerPid = {
    4, 28, 16, {0, 16}, {16, 4}, {20, 2}, kNoField, kNoField, kNoField, kNoField, {24, 4},
    kNoField, kNoField};
constexpr TEndpointTableLayout kUdp6OwnerModule = {
    8, 176, 16, {0, 16}, {16, 4}, {20, 2}, kNoField, kNoField, kNoField, kNoField, {24, 4},
    {32, 8}, {48, 4}};

}  // namespace kvt
