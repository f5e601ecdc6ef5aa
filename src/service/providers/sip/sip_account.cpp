#include "service/providers/sip/sip_account.h"

#include <algorithm>
#include <cctype>

namespace kxtapi::service::sip {

namespace {

std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void CheckText(const TConfigNode& n, const char* Key, const std::string& Value)
{
    if (HasControlCharacters(Value)) n.Fail(Key, "must not contain control characters");
}

std::string ReadUri(const TConfigNode& n, const char* Key)
{
    std::string v = n.String(Key, "");
    if (n.Has(Key) && !ParseSipUri(v)) n.Fail(Key, "must be a SIP URI such as sip:host:port");
    return v;
}

}  // namespace

TSipAccount ReadSipAccount(const TConfigNode& n)
{
    TSipAccount a;
    a.Key = n.Path();
    a.User = n.RequiredString("user");
    if (!IsSipUser(a.User)) n.Fail("user", "must be the user part of a SIP URI (no blanks, '@' or ':')");
    a.Domain = n.RequiredString("domain");
    if (!IsHostPort(a.Domain)) n.Fail("domain", "must be a host name or address, optionally with :port");
    a.DisplayName = n.String("display_name", "");
    CheckText(n, "display_name", a.DisplayName);
    std::string Uri = a.User + "@" + a.Domain;
    a.LineName = n.String("line_name", a.DisplayName.empty() ? Uri : a.DisplayName + " (" + Uri + ")");
    if (a.LineName.empty()) n.Fail("line_name", "must not be empty");
    CheckText(n, "line_name", a.LineName);
    a.Registrar = ReadUri(n, "registrar");
    a.OutboundProxy = ReadUri(n, "outbound_proxy");
    a.AuthUser = n.String("auth_user", a.User);
    if (a.AuthUser.empty()) n.Fail("auth_user", "must not be empty");
    CheckText(n, "auth_user", a.AuthUser);
    a.Password = n.String("password", "");
    CheckText(n, "password", a.Password);
    a.Expires = static_cast<uint32_t>(n.Integer("expires", 10, 86400, 3600));

    std::string Listen = n.RequiredString("listen");
    std::optional<TListenAddress> l = ParseListenAddress(Listen);
    if (!l) n.Fail("listen", "must be an IP address and port such as 127.0.0.1:5080 or [::1]:5080");
    a.Listen = *l;
    std::string Transport = n.String("transport", "udp");
    if (Transport == "udp") a.Transport = stUdp;
    else if (Transport == "tcp") a.Transport = stTcp;
    else n.Fail("transport", "must be \"udp\" or \"tcp\"");

    if (n.Has("rtp_ports")) {
        std::optional<TPortRange> r = ParsePortRange(n.String("rtp_ports", ""));
        if (!r) n.Fail("rtp_ports", "must be a range such as 20000-20099 within 1024-65535");
        a.RtpPorts = *r;
    }
    std::vector<std::string> Codecs = n.StringList("codecs", {"PCMU", "PCMA"});
    if (Codecs.empty()) n.Fail("codecs", "must name at least one codec");
    a.Codecs.clear();
    for (size_t i = 0; i < Codecs.size(); ++i) {
        std::string c = Upper(Codecs[i]);
        TSipCodec Codec;
        if (c == "PCMU") Codec = scPCMU;
        else if (c == "PCMA") Codec = scPCMA;
        else
            throw TConfigError(n.KeyPath("codecs") + "[" + std::to_string(i) + "]",
                               "unknown codec; the codecs are PCMU and PCMA");
        if (std::find(a.Codecs.begin(), a.Codecs.end(), Codec) == a.Codecs.end()) a.Codecs.push_back(Codec);
    }
    a.MaxCalls = static_cast<uint32_t>(n.Integer("max_calls", 1, 1000, 4));
    a.RtpTimeout = static_cast<uint32_t>(n.Integer("rtp_timeout", 0, 3600, 60));
    return a;
}

std::vector<TSipAccount> ReadSipAccounts(const TConfigNode& Section)
{
    std::vector<TSipAccount> Accounts;
    for (const TConfigNode& n : Section.Objects("accounts")) {
        TSipAccount a = ReadSipAccount(n);
        for (const TSipAccount& b : Accounts) {
            if (Upper(b.LineName) == Upper(a.LineName))
                n.Fail("line_name", "is the line name of " + b.Key + " already");
            if (b.Listen.Port != 0 && b.Listen.Port == a.Listen.Port && b.Listen.Host == a.Listen.Host &&
                b.Transport == a.Transport)
                n.Fail("listen", "is the listen address of " + b.Key + " already");
        }
        Accounts.push_back(std::move(a));
    }
    return Accounts;
}

}  // namespace kxtapi::service::sip
