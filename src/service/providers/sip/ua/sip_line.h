// A SIP account as the service sees it: a line device with one address.
// Everything here runs under the service lock; the account's user agent
// (sip_ua.h) lives on the libre thread and is only ever posted to.
#pragma once

#include "service/provider.h"
#include "service/providers/sip/sip_account.h"
#include "service/providers/sip/ua/sip_context.h"

#include <memory>
#include <string>
#include <vector>

namespace kxtapi::service::sip {

class TSipCall;
class TSipUa;

class TSipLine final : public TProviderLine, public std::enable_shared_from_this<TSipLine> {
public:
    TSipLine(TSipContext& Ctx, const TSipAccount& Account, uint32_t PermanentID);

    // TProviderLine
    TVersionRange APIVersions() const override { return {0x00010004, 0x00020001}; }
    TVersionRange ExtVersions() const override { return {}; }
    LINEEXTENSIONID ExtensionID() const override { return {}; }
    uint32_t NumAddresses() const override { return 1; }
    uint32_t GetDevCaps(uint32_t APIVersion, uint32_t ExtVersion, TLineCapsData& Caps) override;
    uint32_t GetAddressCaps(uint32_t AddressID, uint32_t APIVersion, uint32_t ExtVersion,
                            TAddressCapsData& Caps) override;
    uint32_t GetDevStatus(TLineStatusData& Status) override;
    uint32_t GetAddressStatus(uint32_t AddressID, TAddressStatusData& Status) override;
    uint32_t GetID(uint32_t Select, uint32_t AddressID, TProviderCall* Call, const std::string& DeviceClass,
                   TDeviceIDData& ID) override;
    uint32_t GetIcon(const std::string& DeviceClass, HICON& Icon) override;
    uint32_t Open() override;
    void Close() override;
    std::vector<std::shared_ptr<TProviderCall>> Calls(uint32_t Select, uint32_t AddressID) override;
    uint32_t MakeCall(TRequestID Request, uint32_t AddressID, const std::string& Dest, uint32_t CountryCode,
                      const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Call) override;
    uint32_t Unpark(TRequestID Request, uint32_t AddressID, const std::string& Dest,
                    std::shared_ptr<TProviderCall>& Call) override;
    uint32_t SetupConference(TRequestID Request, TProviderCall* Call, uint32_t AddressID, uint32_t NumParties,
                             const TCallParamsData& Params, std::shared_ptr<TProviderCall>& Conference,
                             std::shared_ptr<TProviderCall>& Consult) override;

    // Under the service lock, from the user agent's reports.
    /// Registration succeeded (InService) or failed or lapsed; Text says
    /// which, for LINEDEVSTATUS's device-specific part.
    void SetRegistration(bool InService, const std::string& Text);
    /// A new call of the line, listed from now on.
    void AddCall(const std::shared_ptr<TSipCall>& Call);
    /// The call went idle: the line forgets it.
    void RemoveCall(const TSipCall* Call);
    /// Calls that are not idle, for the maximum and the counts.
    size_t CallCount() const { return FCalls.size(); }
    /// A new call object of this line (not listed yet).
    std::shared_ptr<TSipCall> NewCall(uint32_t Origin);

    TSipContext& Ctx;
    const TSipAccount& Account;
    /// The account's user agent on the libre thread; set once at start.
    TSipUa* Ua = nullptr;
    bool Opened = false;

private:
    uint32_t FPermanentID;
    bool FInService = false;
    std::string FStatusText;
    std::vector<std::shared_ptr<TSipCall>> FCalls;
};

}  // namespace kxtapi::service::sip
