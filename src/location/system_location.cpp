#include "kxtapi/location/system_location.h"

#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/location_structs.h"
#include "location/location_blocks.h"

#include <cstddef>

namespace kxtapi {

int32_t TTapiSystemLocation::GetCurrentLocationID(uint32_t& ID)
{
    TVarBlock Caps(TranslateCapsSize);
    const uint32_t r = location::FetchTranslateCaps(Caps, 0, 0x00020001);
    if (r == 0) ID = Caps.Dword(static_cast<uint32_t>(offsetof(LINETRANSLATECAPS, dwCurrentLocationID)));
    return static_cast<int32_t>(r);
}

int32_t TTapiSystemLocation::SetCurrentLocationID(uint32_t ID)
{
    CheckTapiResult(lineSetCurrentLocation(location::SessionLineApp(), ID));
    return Update();
}

bool TTapiSystemLocation::Init()
{
    if (GetCurrentLocationID(LocationID) != 0) {
        Clear();
        return false;
    }
    Update();
    return Valid;
}

int32_t TTapiSystemLocation::Update()
{
    const int32_t r = GetCurrentLocationID(LocationID);
    if (r != 0) {
        // Old contents would pass for the location that is current now.
        Clear();
        return r;
    }
    return TTapiLocation::Update();
}

} // namespace kxtapi
