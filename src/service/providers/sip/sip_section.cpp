#include "service/providers/sip/sip_section.h"

#include "service/providers/sip/sip_account.h"

#if KXTAPI_HAVE_SIP
#include "service/providers/sip/ua/sip_provider.h"
#endif

namespace kxtapi::service::sip {

std::shared_ptr<TProvider> ReadSipSection(const TConfigNode& Section)
{
    std::vector<TSipAccount> Accounts = ReadSipAccounts(Section);
    if (Accounts.empty()) return nullptr;
#if KXTAPI_HAVE_SIP
    return MakeSipProvider(std::move(Accounts));
#else
    throw TConfigError(Section.KeyPath("accounts"), "SIP lines need a build with libre, which this one is not");
#endif
}

}  // namespace kxtapi::service::sip
