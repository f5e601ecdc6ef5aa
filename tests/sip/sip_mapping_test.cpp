// What SIP means in TAPI terms, from tables: the disconnect modes of final
// responses and failures, and the caller's identity with its privacy.

#include "service/providers/sip/sip_caller_id.h"
#include "service/providers/sip/sip_status.h"

#include "kxtapi/tapi.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace kxtapi::service::sip {
namespace {

TEST(SipMapping, FinalResponsesGiveTheirDisconnectModes)
{
    const std::pair<uint16_t, uint32_t> Cases[] = {
        {486, LINEDISCONNECTMODE_BUSY},          {600, LINEDISCONNECTMODE_BUSY},
        {404, LINEDISCONNECTMODE_BADADDRESS},    {604, LINEDISCONNECTMODE_BADADDRESS},
        {484, LINEDISCONNECTMODE_BADADDRESS},    {410, LINEDISCONNECTMODE_NUMBERCHANGED},
        {480, LINEDISCONNECTMODE_UNAVAIL},       {408, LINEDISCONNECTMODE_NOANSWER},
        {603, LINEDISCONNECTMODE_REJECT},        {403, LINEDISCONNECTMODE_REJECT},
        {488, LINEDISCONNECTMODE_INCOMPATIBLE},  {503, LINEDISCONNECTMODE_CONGESTION},
        {500, LINEDISCONNECTMODE_UNAVAIL},       {504, LINEDISCONNECTMODE_UNREACHABLE},
        {302, LINEDISCONNECTMODE_FORWARDED},     {499, LINEDISCONNECTMODE_UNAVAIL},
        {699, LINEDISCONNECTMODE_REJECT},
    };
    for (auto [Status, Mode] : Cases) EXPECT_EQ(DisconnectModeOfStatus(Status), Mode) << Status;
    EXPECT_EQ(DisconnectModeOfError(ECONNRESET), LINEDISCONNECTMODE_NORMAL) << "the far end's BYE";
    EXPECT_EQ(DisconnectModeOfError(ETIMEDOUT), LINEDISCONNECTMODE_UNREACHABLE);
    EXPECT_EQ(DisconnectModeOfError(EPROTO), LINEDISCONNECTMODE_UNKNOWN);
}

TEST(SipMapping, CallerIdentityAndPrivacy)
{
    TPartyIdentity p = CallerIdentity("\"Alice \\\"A\\\" Example\"", "%2B4989123", "example.org", "");
    EXPECT_FALSE(p.Blocked);
    EXPECT_EQ(p.Number, "+4989123");
    EXPECT_EQ(p.Name, "Alice \"A\" Example");
    EXPECT_TRUE(CallerIdentity("Anonymous", "anonymous", "anonymous.invalid", "").Blocked);
    EXPECT_TRUE(CallerIdentity("", "alice", "anonymous.invalid", "").Blocked);
    EXPECT_TRUE(CallerIdentity("Bob", "bob", "example.org", "id").Blocked);
    TPartyIdentity Withheld = CallerIdentity("Bob", "bob", "example.org", "header; user");
    EXPECT_TRUE(Withheld.Blocked);
    EXPECT_EQ(Withheld.Number, "") << "nothing of a withheld identity is shown";
    EXPECT_FALSE(CallerIdentity("Bob", "bob", "example.org", "none").Blocked);
    EXPECT_FALSE(CallerIdentity("Bob", "bob", "example.org", "critical").Blocked);
    EXPECT_EQ(UnescapeUser("a%0d%0aVia%3a"), "aVia:") << "control characters dropped";
    EXPECT_EQ(UnescapeUser("100%"), "100%");
}

}  // namespace
}  // namespace kxtapi::service::sip
