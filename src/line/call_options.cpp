// TTapiCallOptions: creates and frees its five parts.

#include "kxtapi/line/call_options.h"

namespace kxtapi {

TTapiCallOptions::TTapiCallOptions()
    : FGatherDigits(std::make_unique<TTapiCallGatherDigitsParams>()),
      FMonitorDigits(std::make_unique<TTapiCallMonitorDigitsParams>()),
      FMonitorMedia(std::make_unique<TTapiCallMonitorMediaParams>()),
      FMonitorSilence(std::make_unique<TTapiCallMonitorSilenceParams>()),
      FComm(std::make_unique<TTapiCallCommParams>())
{
}

TTapiCallOptions::~TTapiCallOptions() = default;

} // namespace kxtapi
