// Every dialing location of the telephony service.
#pragma once

#include "kxtapi/location/location.h"
#include "kxtapi/session/protected_list.h"
#include "kxtapi/session/var_block.h"
#include "kxtapi/tapi/types.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kxtapi {

/// The service's dialing locations, read with lineGetTranslateCapsA. The
/// list owns its TTapiLocation objects; Update refreshes them in place, so
/// references to the first entries stay valid while the system keeps that
/// many locations.
///
///   TTapiLocationList List;            // reads at once
///   if (List.Valid)
///       for (int i = 0; i < List.Count(); ++i) Show(List.Get(i)->LocationName);
///   TTapiLocation* Here = List.Get_SystemLocation();
///
/// Main thread only: the list inherits the lock of TProtectedList but does
/// not take it itself.
class TTapiLocationList : public TProtectedList {
public:
    static constexpr uint32_t DefaultAPIVersion = 0x00020001;
    /// Size of the LINETRANSLATECAPS block a list starts with.
    static constexpr uint32_t TranslateCapsSize = 1044;

    /// LineApp from the session's LineAppHandle (0 while it is not started),
    /// APIVersion 0x00020001; then Init.
    TTapiLocationList();
    /// Clear.
    ~TTapiLocationList() override;
    std::string ClassName() const override { return "TTapiLocationList"; }

    /// Update.
    int32_t Init();
    /// Stores ALineApp and AAPIVersion, then Update.
    int32_t Init(uint32_t ALineApp, uint32_t AAPIVersion);
    /// Reads the translate capabilities. A version the service calls
    /// incompatible is stepped down and tried again (0x00020002 to
    /// 0x00020000 to 0x00010004 to 0x00010003; other versions are not
    /// stepped) and the version reached is kept. On an error, LastError and
    /// the result are the service's code and the entries stay as they were.
    /// On success entry i is refilled from location i (existing objects
    /// reused, new ones appended), surplus entries are freed from the end,
    /// Valid becomes true and the result is 0. Locations are counted only as
    /// far as whole entries lie inside the answer.
    virtual int32_t Update();
    /// Not Valid; frees every entry and the translate-caps block.
    void Clear() override;
    /// Update, raising ETapiError for a negative result.
    int32_t Refresh();

    /// Entry Index (null where a null was Put); a bad index raises EListError.
    TTapiLocation* Get(int Index) const;
    /// Replaces entry Index; the list owns Location, and the entry it
    /// replaces is handed back to the caller.
    std::unique_ptr<TTapiLocation> Put(int Index, std::unique_ptr<TTapiLocation> Location);
    /// Appends Location, which the list then owns; returns its index.
    int Add(std::unique_ptr<TTapiLocation> Location);
    /// Index of the first entry named Name, ignoring case; -1 if none.
    int IndexOf(const std::string& Name) const;
    /// Index of Location in the list; -1 if it is not there.
    int IndexOf(const TTapiLocation* Location) const { return TList::IndexOf(Location); }
    /// Index of the first entry with that LocationID; -1 if none.
    int IndexOfID(uint32_t ID) const;

    /// The current location's identifier from the last read, reading first
    /// when the list is not Valid. Raises Exception "Unable to retrieve
    /// system location from TAPI" when it still is not.
    uint32_t Get_SystemLocationID();
    /// The entry of the current location (owned by the list), or null when
    /// the list is not Valid (no re-read) or has no such entry.
    TTapiLocation* Get_SystemLocation() const;
    /// Shows the service's dialing-rule dialog (lineTranslateDialogA with
    /// LineApp, device 0, APIVersion, OwnerWindow, no address), raising
    /// ETapiError when it fails, with nothing re-read; then Update, whose
    /// result it returns.
    int32_t ShowDialog(HWND OwnerWindow);

    /// The LINETRANSLATECAPS block of the last read (no buffer after Clear).
    const TVarBlock& Get_TranslateCaps() const noexcept { return FCaps; }

    /// Line usage handle passed to the service.
    uint32_t LineApp = 0;
    /// API version passed to the service (lowered by the step-down).
    uint32_t APIVersion = DefaultAPIVersion;
    /// The last Update succeeded.
    bool Valid = false;
    /// Result of the last Update.
    int32_t LastError = 0;

private:
    // Raw pointer access would bypass the list's ownership of its entries.
    using TList::Delete;
    using TList::Insert;
    using TList::Remove;

    TVarBlock FCaps;
};

} // namespace kxtapi
