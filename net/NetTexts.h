#pragma once

namespace viz::net_texts {

// Ping results as the network page shows them; %s is the dotted address.
inline constexpr char kPingReplyUnderOneMs[] = "\r\nReply from %s : bytes32 time<1ms TTL=%02d.\r\n";
inline constexpr char kPingReply[] = "\r\nReply from %s : bytes32 time=%ums TTL=%02d.\r\n";
inline constexpr char kPingTimedOut[] = "\r\nRequest timed out.\r\n";
inline constexpr char kPingNotPermitted[] =
    "\r\n系统不允许当前用户发送ping，请检查 sysctl net.ipv4.ping_group_range 是否包含你的用户组。\r\n";

}  // namespace viz::net_texts
