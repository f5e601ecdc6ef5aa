// The telephony configuration file: which providers the service starts and
// how (the simulated switch, SIP accounts, modems ...).
//
// The service reads the configuration each time it starts, that is when the
// first application initialises (lineInitializeExA, or a session's first
// enabled component). It looks, in this order, at:
// - what a program set with SetTelephonyConfigFile or SetTelephonyConfigText;
// - the file named by the environment variable KXTAPI_CONFIG (set but empty:
//   no file);
// - $XDG_CONFIG_HOME/kxtapi/telephony.json, or ~/.config/kxtapi/telephony.json
//   when XDG_CONFIG_HOME is unset, if that file exists.
// Without a configuration the simulated switch alone serves.
//
// The file is JSON:
//
//   {
//     "simulated_switch": true,
//     "sip": { "accounts": [ { "user": "alice", "domain": "127.0.0.1", ... } ] }
//   }
//
// "simulated_switch" (default true) false leaves the simulated switch out.
// Every further key belongs to one provider ("sip", "modem"); keys this
// version does not know are ignored, so files stay portable between
// versions. README.md documents every key with a complete example.
//
// A configuration that cannot be used (unreadable file, malformed JSON, a
// missing or mistyped key, a bad value, a provider that cannot start with
// it) fails the start: lineInitializeExA answers LINEERR_INIFILECORRUPT (or
// LINEERR_NODRIVER when a provider could not start), phoneInitializeExA the
// PHONEERR_ counterparts, and nothing of the configuration stays started.
// TelephonyStartError tells why in one text that names the file and the
// key; a session raises ETapiError with that text. Passwords never appear
// in these texts.
#pragma once

#include <string>

namespace kxtapi {

/// Reads the configuration from the file at Path from the next start of the
/// service on (a running service keeps its configuration until the last
/// application shuts down); an empty Path means no file at all, whatever the
/// environment says. Thread-safe.
void SetTelephonyConfigFile(const std::string& Path);

/// Uses Json as the configuration text from the next start on; error texts
/// name it "configuration text". Thread-safe.
void SetTelephonyConfigText(const std::string& Json);

/// Forgets what SetTelephonyConfigFile or SetTelephonyConfigText set: the
/// environment and the user's configuration directory decide again.
void UseDefaultTelephonyConfig();

/// Where the next start reads its configuration: a file path,
/// "configuration text", or the empty string for none.
std::string TelephonyConfigSource();

/// Why the service's last start failed, as "SOURCE: KEY: PROBLEM"; empty
/// when it started. Thread-safe.
std::string TelephonyStartError();

}  // namespace kxtapi
