// The SIP provider: each configured account is a line device with one
// address, a SIP user agent of its own on the provider's libre thread.
#pragma once

#include "service/provider.h"
#include "service/providers/sip/sip_account.h"

#include <memory>
#include <vector>

namespace kxtapi::service::sip {

/// The provider (named "sip") for Accounts, not started.
std::shared_ptr<TProvider> MakeSipProvider(std::vector<TSipAccount> Accounts);

}  // namespace kxtapi::service::sip
