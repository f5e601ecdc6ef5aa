// Helpers shared by the files that implement the TAPI C functions.
#pragma once

#include "service/blocks.h"
#include "service/service.h"
#include "service/service_lock.h"

#include <cstdint>
#include <string>

namespace kxtapi::service {

/// The API versions TAPI defines, lowest first; negotiation picks one of
/// them, never a value between.
inline constexpr uint32_t KnownAPIVersions[] = {0x00010003, 0x00010004, 0x00020000, 0x00020001};

/// The highest known version in [Low, High] that the device and the service
/// both speak; 0 when there is none.
uint32_t NegotiateVersion(const TVersionRange& Device, uint32_t Low, uint32_t High);

/// Whether Version is a known version the device and the service speak.
bool ValidAPIVersion(const TVersionRange& Device, uint32_t Version);

/// Whether an extension version is acceptable for the device (0: none).
bool ValidExtVersion(const TVersionRange& Device, uint32_t Version);

/// Negotiates an extension version: 0 with Out set, or
/// LINEERR_INCOMPATIBLEEXTVERSION / LINEERR_OPERATIONUNAVAIL.
uint32_t NegotiateExt(const TVersionRange& Device, uint32_t Low, uint32_t High, uint32_t& Out);

/// A zero-terminated argument, "" for null.
inline std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

/// The text of a byte buffer of Size (user-user information), empty for null.
inline std::string Bytes(const char* s, uint32_t Size) { return s && Size ? std::string(s, Size) : std::string(); }

/// Writes an image into the caller's block (its dwTotalSize already checked).
inline void Deliver(const TBlockImage& Image, void* Block, THostileBlock Hostile = hbNone)
{
    Image.WriteTo(Block, BlockTotalSize(Block), Hostile);
}

/// Base name of the running program (for lineSetAppPriorityA matches).
std::string ProgramBaseName();

}  // namespace kxtapi::service
