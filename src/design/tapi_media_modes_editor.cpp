// The media-modes editor: a bit set of LINEMEDIAMODE_ values, edited in the
// bit-flag dialog.

#include "kxtapi/design/tapi_editors.h"

#include "kxtapi/design/dword_dialog.h"
#include "kxtapi/kxtapi.h"
#include "kxtapi/kxtapiutils.h"
#include "kxtapi/rtl/format.h"

#include <bit>
#include <memory>

namespace kxtapi {
namespace {

struct TMediaModeBit {
    const char* Name;
    uint32_t Bit;
};

// Bit 0x1 stays an undefined row.
constexpr TMediaModeBit MediaModeBits[] = {
    {"LINEMEDIAMODE_UNKNOWN", 0x2},          {"LINEMEDIAMODE_INTERACTIVEVOICE", 0x4},
    {"LINEMEDIAMODE_AUTOMATEDVOICE", 0x8},   {"LINEMEDIAMODE_DATAMODEM", 0x10},
    {"LINEMEDIAMODE_G3FAX", 0x20},           {"LINEMEDIAMODE_TDD", 0x40},
    {"LINEMEDIAMODE_G4FAX", 0x80},           {"LINEMEDIAMODE_DIGITALDATA", 0x100},
    {"LINEMEDIAMODE_TELETEX", 0x200},        {"LINEMEDIAMODE_VIDEOTEX", 0x400},
    {"LINEMEDIAMODE_TELEX", 0x800},          {"LINEMEDIAMODE_MIXED", 0x1000},
    {"LINEMEDIAMODE_ADSI", 0x2000},          {"LINEMEDIAMODE_VOICEVIEW", 0x4000},
    {"LINEMEDIAMODE_VIDEO", 0x8000},
};

} // namespace

void TTapiMediaModesProperty::Edit()
{
    // Owned here, so it is freed whatever the dialog or the setters raise.
    auto dialog = std::make_unique<TTapiDWordDlg>(nullptr);
    for (const TMediaModeBit& b : MediaModeBits) dialog->DefineBit(b.Name, b.Bit, "");
    TPersistent* edited = GetComponent(0);
    if (auto* line = dynamic_cast<TTapiLine*>(edited)) {
        dialog->Set_Caption("TTapiLine.MediaModes");
        dialog->SetChecked(line->Get_MediaModes(), true);
        if (dialog->ShowModal() == mrOk) {
            line->Set_MediaModes(dialog->GetChecked());
            Modified();
        }
    } else if (auto* monitor = dynamic_cast<TTapiCallMonitorMediaParams*>(edited)) {
        dialog->Set_Caption("TTapiLine.MonitorMedia.MediaModes");
        dialog->SetChecked(monitor->Get_MediaModes(), true);
        if (dialog->ShowModal() == mrOk) {
            monitor->SetMediaModes(dialog->GetChecked());
            Modified();
        }
    }
}

TPropertyAttributes TTapiMediaModesProperty::GetAttributes()
{
    return {paDialog};
}

std::string TTapiMediaModesProperty::GetValue()
{
    const uint32_t v = GetOrdValue();
    if (std::popcount(v) == 1) return LineMediaModeToStr(v);
    return "$" + IntToHex(v, 1);
}

void TTapiMediaModesProperty::SetValue(const std::string& Value)
{
    // Names are chosen in the dialog; typed text other than a number is
    // ignored.
    SetNumValue(Value);
}

} // namespace kxtapi
