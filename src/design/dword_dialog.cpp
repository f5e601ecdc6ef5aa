// The bit-flag dialog's model: rows, flags, selection, handlers and the
// modal result.

#include "kxtapi/design/dword_dialog.h"

#include "kxtapi/rtl/format.h"

#include <bit>

namespace kxtapi {
namespace {

// A flag word has 32 bits; rows beyond them would stand for no bit.
constexpr int MaxRows = 32;

TDWordDlgHook& Hook()
{
    static TDWordDlgHook hook;
    return hook;
}

} // namespace

TDWordDlgHook SetDWordDlgHook(TDWordDlgHook NewHook)
{
    TDWordDlgHook old = std::move(Hook());
    Hook() = std::move(NewHook);
    return old;
}

bool HasDWordDlgHook()
{
    return static_cast<bool>(Hook());
}

int BitIndex(uint32_t Value) noexcept
{
    return Value == 0 ? -1 : std::countr_zero(Value);
}

TTapiDWordDlg::TTapiDWordDlg(TComponent* AOwner) : TComponent(AOwner)
{
    FormCreate(this);
}

TTapiDWordDlg::~TTapiDWordDlg() = default;

const TDWordDlgRow& TTapiDWordDlg::Row(int Index) const
{
    if (Index < 0 || Index >= RowCount()) throw EListError(Format("List index out of bounds (%d)", Index));
    return FRows[static_cast<size_t>(Index)];
}

void TTapiDWordDlg::Changed(int Row)
{
    if (FView != nullptr) FView->RowsChanged(Row);
}

void TTapiDWordDlg::SetCount(int Count)
{
    if (Count > MaxRows) Count = MaxRows;
    if (RowCount() >= Count) return;
    while (RowCount() < Count) FRows.push_back(TDWordDlgRow{"- not defined -", "", dfUndefined, false});
    Changed(-1);
}

void TTapiDWordDlg::DefineBit(const std::string& Name, uint32_t Bit, const std::string& Info)
{
    const int i = BitIndex(Bit);
    if (i < 0) return;
    SetCount(i + 1);
    TDWordDlgRow& r = FRows[static_cast<size_t>(i)];
    r.Caption = Name;
    r.Info = Info;
    r.ImageIndex &= ~dfUndefined;
    Changed(i);
}

void TTapiDWordDlg::SetItemDW(uint32_t Bit, const std::string& Text, uint32_t)
{
    const int i = BitIndex(Bit);
    if (i != -1) SetText(i, Text);
}

void TTapiDWordDlg::SetText(int Index, const std::string&)
{
    if (Index < 0 || Index >= MaxRows) throw EListError(Format("List index out of bounds (%d)", Index));
    SetCount(Index + 1);
    TDWordDlgRow& r = FRows[static_cast<size_t>(Index)];
    r.Caption = "0x" + IntToHex(uint32_t{1} << Index, 32);
    r.Info = "Reserved";
    Changed(Index);
}

void TTapiDWordDlg::SetStrings(TStrings*) {}

void TTapiDWordDlg::SetChecked(uint32_t Mask, bool On)
{
    for (int i = 0; i < RowCount(); ++i)
        if ((Mask & (uint32_t{1} << i)) != 0) SetItemChecking(i, On ? 1 : 0);
}

uint32_t TTapiDWordDlg::GetChecked() const
{
    uint32_t bits = 0;
    for (int i = 0; i < RowCount(); ++i)
        if ((FRows[static_cast<size_t>(i)].ImageIndex & dfChecked) != 0) bits |= uint32_t{1} << i;
    return bits;
}

void TTapiDWordDlg::SetSupported(uint32_t Mask, bool On)
{
    for (int i = 0; i < RowCount(); ++i) {
        TDWordDlgRow& r = FRows[static_cast<size_t>(i)];
        if ((Mask & (uint32_t{1} << i)) == 0 || (r.ImageIndex & dfUndefined) != 0) continue;
        if (On) r.ImageIndex |= dfSupported;
        else r.ImageIndex &= ~dfSupported;
        Changed(i);
    }
}

void TTapiDWordDlg::SetChecking(int Mode)
{
    for (int i = 0; i < RowCount(); ++i)
        if (FRows[static_cast<size_t>(i)].Selected) SetItemChecking(i, Mode);
}

void TTapiDWordDlg::SetItemChecking(int Row, int Mode)
{
    if (Row < 0 || Row >= RowCount()) return;
    TDWordDlgRow& r = FRows[static_cast<size_t>(Row)];
    if ((r.ImageIndex & dfUndefined) != 0) return;
    switch (Mode) {
    case -1: r.ImageIndex ^= dfChecked; break;
    case 0: r.ImageIndex &= ~dfChecked; break;
    case 1: r.ImageIndex |= dfChecked; break;
    default: return;
    }
    Changed(Row);
    if ((r.ImageIndex & dfChecked) != 0) CheckMultiSelect(Row);
}

void TTapiDWordDlg::CheckMultiSelect(int Row)
{
    if (AllowMultiple) return;
    for (int i = 0; i < RowCount(); ++i) {
        TDWordDlgRow& r = FRows[static_cast<size_t>(i)];
        if (i == Row || (r.ImageIndex & dfChecked) == 0) continue;
        r.ImageIndex &= ~dfChecked;
        Changed(i);
    }
}

bool TTapiDWordDlg::Get_Selected(int Row) const
{
    return Row >= 0 && Row < RowCount() && FRows[static_cast<size_t>(Row)].Selected;
}

void TTapiDWordDlg::Set_Selected(int Row, bool Value)
{
    if (Row < 0 || Row >= RowCount()) return;
    FRows[static_cast<size_t>(Row)].Selected = Value;
}

void TTapiDWordDlg::FormCreate(TObject*)
{
    AllowMultiple = true;
}

void TTapiDWordDlg::FormClose(TObject*, TCloseAction& Action)
{
    Action = caHide;
}

void TTapiDWordDlg::ListViewDblClick(TObject*)
{
    const int row = FView != nullptr ? FView->RowAtCursor() : -1;
    if (row >= 0) SetItemChecking(row, -1);
}

void TTapiDWordDlg::Set1Click(TObject*)
{
    SetChecking(1);
}

void TTapiDWordDlg::Unset1Click(TObject*)
{
    SetChecking(0);
}

void TTapiDWordDlg::Toggle1Click(TObject*)
{
    SetChecking(-1);
}

int TTapiDWordDlg::ShowModal()
{
    FModalResult = mrNone;
    // A copy: the hook may install another while it runs.
    TDWordDlgHook hook = Hook();
    const int result = hook ? hook(*this) : mrCancel;
    FModalResult = result == mrNone ? mrCancel : result;
    return FModalResult;
}

} // namespace kxtapi
