// The SIP provider's own readers: URIs, dialed destinations, listen
// addresses, port ranges, and the accounts of the configuration.

#include "service/config/config_error.h"
#include "service/providers/sip/sip_account.h"
#include "service/providers/sip/sip_uri.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace kxtapi::service::sip {
namespace {

TEST(SipUri, ReadsTheParts)
{
    auto u = ParseSipUri("sip:alice@127.0.0.1:5060;transport=udp;lr?Subject=hi&Priority=urgent");
    ASSERT_TRUE(u);
    EXPECT_FALSE(u->Secure);
    EXPECT_EQ(u->User, "alice");
    EXPECT_EQ(u->Host, "127.0.0.1");
    EXPECT_EQ(u->Port, 5060);
    EXPECT_EQ(u->Parameters, ";transport=udp;lr");
    EXPECT_EQ(u->Headers, "?Subject=hi&Priority=urgent");
    u = ParseSipUri("SIPS:[2001:db8::1]:5061");
    ASSERT_TRUE(u);
    EXPECT_TRUE(u->Secure);
    EXPECT_EQ(u->Host, "[2001:db8::1]");
    EXPECT_EQ(u->Port, 5061);
    u = ParseSipUri("sip:+49%2089;phone-context=x@example.org");
    ASSERT_TRUE(u) << "a user part may hold escapes and ';'";
    EXPECT_EQ(u->User, "+49%2089;phone-context=x");
    EXPECT_EQ(u->Host, "example.org");
}

TEST(SipUri, RefusesWhatIsNoSipUri)
{
    for (const char* Bad :
         {"", "sip:", "tel:+123", "http://example.org", "sip:a b@example.org", "sip:alice@", "sip:alice@host:",
          "sip:alice@host:0", "sip:alice@host:65536", "sip:alice@-host", "sip:alice@ho_st", "sip:[::1", "sip:[zz::1]",
          "sip:alice@host;", "sip:alice@host?", "sip:alice@host?a", "sip:al%2@host", "sip:alice@host\r\nVia: x",
          "sip:alice:secret@host"})
        EXPECT_FALSE(ParseSipUri(Bad)) << Bad;
}

TEST(SipUri, DestinationsBecomeUris)
{
    struct {
        const char* Dest;
        const char* Uri;
    } Cases[] = {
        {"201", "sip:201@example.org"},
        {" +1 (206) 555-1234 ", "sip:+12065551234@example.org"},
        {"*21#", "sip:*21%23@example.org"},
        {"9,5551234", "sip:9@example.org"},
        {"12W34", "sip:12@example.org"},
        {"sip:bob@127.0.0.1:5070", "sip:bob@127.0.0.1:5070"},
        {"bob@127.0.0.1:5070", "sip:bob@127.0.0.1:5070"},
        {"123@", "sip:123@example.org"},
        {"bob", "sip:bob@example.org"},
        {"bob.smith", "sip:bob.smith@example.org"},
        // A '?' would start the URI's headers.
        {"5080?Replace", "sip:5080%3FReplace@example.org"},
    };
    for (const auto& c : Cases) EXPECT_EQ(DestinationUri(c.Dest, "example.org").value_or("-"), c.Uri) << c.Dest;
    for (const char* Bad : {"", "   ", "+", "a b", "bob:x", ",123", "sip:bad uri"})
        EXPECT_FALSE(DestinationUri(Bad, "example.org")) << Bad;
}

TEST(SipUri, ListenAddressesAndPortRanges)
{
    auto l = ParseListenAddress("127.0.0.1:5080");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->Host, "127.0.0.1");
    EXPECT_EQ(l->Port, 5080);
    l = ParseListenAddress("[::1]:0");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->Host, "::1");
    EXPECT_EQ(l->Port, 0);
    for (const char* Bad : {"127.0.0.1", "localhost:5080", "127.0.0.256:1", "1.2.3:5", "[::1]", "::1:5080",
                            "127.0.0.1:70000", "127.0.0.1:"})
        EXPECT_FALSE(ParseListenAddress(Bad)) << Bad;
    auto r = ParsePortRange("20000-20099");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->First, 20000);
    EXPECT_EQ(r->Last, 20099);
    for (const char* Bad : {"20000", "20099-20000", "80-90", "20000-70000", "-", "a-b", "20000-"})
        EXPECT_FALSE(ParsePortRange(Bad)) << Bad;
}

TEST(SipUri, ReferTargetsAndTheirReplaces)
{
    const std::string Replaces = "abc@host;to-tag=1;from-tag=2";
    const std::string Escaped = EscapeUriHeader(Replaces);
    EXPECT_EQ(Escaped, "abc%40host%3Bto-tag%3D1%3Bfrom-tag%3D2");
    auto t = ParseReferTarget("sip:cora@127.0.0.1:5080?Subject=x&Replaces=" + Escaped);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Uri, "sip:cora@127.0.0.1:5080");
    EXPECT_EQ(t->Replaces, Replaces);
    t = ParseReferTarget("sip:cora@127.0.0.1");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Replaces, "");
    EXPECT_FALSE(ParseReferTarget("sip:cora@127.0.0.1?Replaces=x%0D%0AVia:%20evil")) << "a header line break";
    EXPECT_FALSE(ParseReferTarget("http://example.org"));
}

std::vector<TSipAccount> Read(const char* Json)
{
    nlohmann::json j = nlohmann::json::parse(Json);
    return ReadSipAccounts(TConfigNode(j, "sip"));
}

TEST(SipAccount, ReadsEveryKeyAndTheDefaults)
{
    auto a = Read(R"({"accounts": [{
        "line_name": "Office", "display_name": "Alice Example", "user": "alice", "domain": "127.0.0.1",
        "registrar": "sip:127.0.0.1:5060", "auth_user": "alice-auth", "password": "secret", "expires": 300,
        "outbound_proxy": "sip:127.0.0.1:5060;lr", "listen": "127.0.0.1:5080", "rtp_ports": "20000-20099",
        "codecs": ["pcma", "PCMU", "PCMA"], "max_calls": 8, "rtp_timeout": 0, "transport": "tcp"},
        {"user": "bob", "domain": "example.org", "display_name": "Bob", "listen": "127.0.0.1:0"},
        {"user": "carol", "domain": "example.org", "listen": "127.0.0.1:0"}]})");
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0].LineName, "Office");
    EXPECT_EQ(a[0].AuthUser, "alice-auth");
    EXPECT_EQ(a[0].Expires, 300u);
    EXPECT_EQ(a[0].Listen.Port, 5080);
    EXPECT_EQ(a[0].Transport, stTcp);
    EXPECT_EQ(a[0].RtpPorts.First, 20000);
    EXPECT_EQ(a[0].Codecs, (std::vector<TSipCodec>{scPCMA, scPCMU})) << "order kept, repeats dropped";
    EXPECT_EQ(a[0].MaxCalls, 8u);
    EXPECT_EQ(a[0].RtpTimeout, 0u);
    EXPECT_EQ(a[0].AddressUri(), "sip:alice@127.0.0.1");
    EXPECT_EQ(a[1].LineName, "Bob (bob@example.org)");
    EXPECT_EQ(a[1].AuthUser, "bob");
    EXPECT_EQ(a[1].Registrar, "");
    EXPECT_EQ(a[1].Expires, 3600u);
    EXPECT_EQ(a[1].Transport, stUdp);
    EXPECT_EQ(a[1].MaxCalls, 4u);
    EXPECT_EQ(a[1].Key, "sip.accounts[1]");
    EXPECT_EQ(a[2].LineName, "carol@example.org");
    EXPECT_TRUE(Read(R"({})").empty());
}

}  // namespace
}  // namespace kxtapi::service::sip
