// The dialing location that is current for the whole system.
#pragma once

#include "kxtapi/location/location.h"

#include <cstdint>

namespace kxtapi {

/// The system's current dialing location. It follows the system only when
/// Init, Update, Refresh or SetCurrentLocationID is called; a line calls
/// Update when the service reports changed translate settings.
///
///   TTapiSystemLocation Here;
///   Here.Init();                       // the current location
///   Here.SetCurrentLocationID(2);      // make location 2 current; re-read
///
/// Main thread only.
class TTapiSystemLocation : public TTapiLocation {
public:
    /// Size of the LINETRANSLATECAPS block the current identifier is read with.
    static constexpr uint32_t TranslateCapsSize = 1044;

    std::string ClassName() const override { return "TTapiSystemLocation"; }

    /// Reads the translate capabilities (usage handle 0, version 0x00020001)
    /// and on success gives their dwCurrentLocationID in ID (unchanged
    /// otherwise). Returns the service's result.
    int32_t GetCurrentLocationID(uint32_t& ID);
    /// Makes location ID current (lineSetCurrentLocation with the session's
    /// line usage handle), raising ETapiError when the service refuses, with
    /// nothing re-read; then Update, whose result it returns.
    int32_t SetCurrentLocationID(uint32_t ID);
    /// Reads the current identifier into LocationID, then Update; returns
    /// Valid. When the identifier cannot be read the location is cleared and
    /// the result is false at once.
    bool Init();
    /// Reads the current identifier into LocationID and fills the location
    /// as TTapiLocation::Update does. When the identifier cannot be read the
    /// location is cleared (LocationID kept) and the error returned.
    int32_t Update() override;
};

} // namespace kxtapi
