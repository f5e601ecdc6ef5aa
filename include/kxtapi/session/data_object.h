// Base of the small objects that cache one piece of device data.
#pragma once

#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// Caches data read from the telephony service and knows whether the cache
/// is current. A descendant fetches in UpdateData (returning the TAPI
/// result); the object is valid exactly after a successful UpdateData.
/// `Update` is the quiet form for the library's own use, `Refresh` the
/// raising form for application calls; `Invalidate` marks the cache stale
/// when a message reports a change.
class TTapiDataObject : public TObject {
public:
    std::string ClassName() const override { return "TTapiDataObject"; }

    bool Available() const { return Get_Available(); }
    bool Enabled() const { return Get_Enabled(); }
    bool Valid() const { return Get_Valid(); }

    /// False in the base.
    virtual bool Get_Available() const;
    /// False in the base.
    virtual bool Get_Enabled() const;
    virtual bool Get_Valid() const;
    /// Fetches the data; 0 in the base.
    virtual uint32_t UpdateData();
    virtual void Invalidate();
    /// Update, result discarded.
    virtual void Init();
    /// Close when Enabled, then invalid. Returns 0.
    virtual uint32_t Done();
    /// Update; returns 0.
    virtual uint32_t Open();
    /// Update; returns 0.
    virtual uint32_t Close();
    /// UpdateData; valid when it returned 0. Returns its result.
    virtual uint32_t Update();
    /// Update through CheckTapiResult: a negative result raises ETapiError.
    virtual uint32_t Refresh();

protected:
    bool FValid = false;
};

} // namespace kxtapi
