#include "service/config/config_sections.h"

#include "service/providers/modem/modem_config.h"
#include "service/providers/sip/sip_section.h"

namespace kxtapi::service {

const std::vector<TConfigSection>& ConfigSections()
{
    static const std::vector<TConfigSection> Sections = {
        {"sip", &sip::ReadSipSection},
        {"modem", &modem::ReadModemSection},
    };
    return Sections;
}

}  // namespace kxtapi::service
