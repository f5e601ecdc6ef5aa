// The SIP tests' world: lines of the library that are SIP accounts on
// 127.0.0.1 (ports found free at run time), a session without the simulated
// switch, and bounded waits on the line's events and on the far ends.
#pragma once

#include "message_pump.h"
#include "sim_session_test.h"
#include "sip_peers.h"

#include "kxtapi/kxtapi.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kxtapi::testing {

/// One SIP account of the configuration.
struct TSipLineSpec {
    TSipLineSpec(std::string AName, std::string AUser, std::string AExtra = {})
        : Name(std::move(AName)), User(std::move(AUser)), Extra(std::move(AExtra))
    {
    }
    std::string Name;        // line_name
    std::string User;
    std::string Registrar;   // empty: direct calls
    std::string Password;
    std::string Extra;       // further keys, as JSON members ("\"max_calls\": 2")
    uint16_t Port = 0;       // filled in: the listen port
    /// sip:user@127.0.0.1:port, for direct calls to this line.
    std::string Uri() const { return "sip:" + User + "@127.0.0.1:" + std::to_string(Port); }
};

/// A line's events as short names, in order.
class TSipEventLog {
public:
    void Attach(TTapiLine& Line);
    void Add(const std::string& Name) { Names.push_back(Name); }
    bool Has(const std::string& Name) const;
    /// Names that are in Wanted, in the order raised.
    std::vector<std::string> Only(const std::vector<std::string>& Wanted) const;
    std::vector<std::string> Names;
};

class SipTest : public ::testing::Test {
protected:
    SipTest();
    ~SipTest() override;

    /// Configures the accounts (ports chosen here) and starts the session.
    void Configure(std::vector<TSipLineSpec>& Lines, bool SimulatedSwitch = false);
    /// Opens the line named Name; fast clean-up of calls.
    void Open(TTapiLine& Line, const std::string& Name);
    /// lineGetLineDevStatusA: in service, and the provider's text.
    bool InService(TTapiLine& Line, std::string* Text = nullptr);
    bool WaitInService(TTapiLine& Line, bool Wanted, int Ms = 5000);
public:
    /// The line's first call in State (or any state when State is 0).
    static TTapiCall* CallIn(TTapiLine& Line, uint32_t State);

protected:
    TTapiCall* WaitCall(TTapiLine& Line, uint32_t State, int Ms = 5000);
    static void ResetSession();
};

}  // namespace kxtapi::testing
