// One SIP account of the telephony configuration: a line device with one
// address, its SIP URI.
#pragma once

#include "service/config/config_reader.h"
#include "service/providers/sip/sip_uri.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi::service::sip {

enum TSipTransport { stUdp, stTcp };

/// The G.711 codecs the provider speaks, with their static RTP payload types.
enum TSipCodec : uint8_t { scPCMU = 0, scPCMA = 8 };

struct TSipAccount {
    /// Path of the account in the configuration ("sip.accounts[0]"), for
    /// error texts about it later (a listen address that is taken).
    std::string Key;
    std::string LineName;
    std::string DisplayName;
    std::string User;
    std::string Domain;
    std::string Registrar;       // SIP URI, or empty: direct calls only
    std::string AuthUser;
    std::string Password;        // never written into a text
    uint32_t Expires = 3600;     // seconds asked of the registrar
    std::string OutboundProxy;   // SIP URI, or empty
    TListenAddress Listen;
    TSipTransport Transport = stUdp;
    TPortRange RtpPorts{16384, 32767};
    std::vector<TSipCodec> Codecs{scPCMU, scPCMA};
    uint32_t MaxCalls = 4;
    /// Seconds without RTP from the far end of a connected call (not on
    /// hold) before it is taken as gone; 0: never.
    uint32_t RtpTimeout = 60;

    /// "sip:user@domain": the address of the line.
    std::string AddressUri() const { return "sip:" + User + "@" + Domain; }
};

/// Reads one account. Throws TConfigError naming the key.
TSipAccount ReadSipAccount(const TConfigNode& Node);

/// Reads the "sip" key: its accounts, checked against each other (line
/// names and listen addresses are each used once).
std::vector<TSipAccount> ReadSipAccounts(const TConfigNode& Section);

}  // namespace kxtapi::service::sip
