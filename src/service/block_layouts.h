// The layouts of the blocks the service answers with: provider data in,
// block image out.
#pragma once

#include "service/blocks.h"
#include "service/provider_data.h"

#include <string>
#include <vector>

namespace kxtapi::service {

/// One application that has a line open (the LINEAPPINFO list).
struct TAppInfo {
    std::string UserName, ModuleName, FriendlyName;
    uint32_t MediaModes = 0;
};

TBlockImage LineCapsImage(const TLineCapsData& Caps);
TBlockImage AddressCapsImage(const TAddressCapsData& Caps);
TBlockImage LineStatusImage(const TLineStatusData& Status, const std::vector<TAppInfo>& Apps);
TBlockImage AddressStatusImage(const TAddressStatusData& Status);
TBlockImage CallStatusImage(const TCallStatusData& Status);
TBlockImage CallInfoImage(const TCallInfoData& Info);
TBlockImage CallListImage(const std::vector<uint32_t>& Calls);
TBlockImage PhoneCapsImage(const TPhoneCapsData& Caps);
TBlockImage PhoneStatusImage(const TPhoneStatusData& Status, const std::string& OwnerName);
TBlockImage ButtonInfoImage(const TButtonInfoData& Info);

}  // namespace kxtapi::service
