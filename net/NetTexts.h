#pragma once

namespace viz::net_texts {

// Ping results as the network page shows them; %s is the dotted address.
inline constexpr char kPingReplyUnderOneMs[] = "\r\nReply from %s : bytes32 time<1ms TTL=%02d.\r\n";
inline constexpr char kPingReply[] = "\r\nReply from %s : bytes32 time=%ums TTL=%02d.\r\n";
inline constexpr char kPingTimedOut[] = "\r\nRequest timed out.\r\n";

}  // namespace viz::net_texts
