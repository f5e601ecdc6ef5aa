// The bit-flag dialog: a 32-bit flag word edited as a list of rows, one row
// per bit, each with its name, an info text and a check-box picture that
// shows whether the bit is set, supported and defined at all.
//
// `TTapiDWordDlg` is the dialog's form as a model, independent of any
// toolkit: its rows, their flags and pictures, the selection, the handlers
// of the list and its popup menu, and the modal result. A view shows it:
// `ShowModal` hands the model to the installed dialog hook, which shows it
// and answers the modal result (the Qt front end's hook, in
// kxtapi/qt/dword_dialog.h, shows a real dialog). Without a hook the dialog
// answers mrCancel at once, so an editor changes nothing.
//
//   auto Dlg = std::make_unique<TTapiDWordDlg>(nullptr);
//   Dlg->DefineBit("LINEMEDIAMODE_DATAMODEM", 0x10, "");
//   Dlg->Set_Caption("TTapiLine.MediaModes");
//   Dlg->SetChecked(Line.Get_MediaModes(), true);
//   if (Dlg->ShowModal() == mrOk) Line.Set_MediaModes(Dlg->GetChecked());
//
// Row i stands for bit i (value 1 shl i); rows are only appended. Main
// (designer) thread only.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/graphics.h"
#include "kxtapi/rtl/strings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kxtapi {

/// Modal results of a dialog.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

/// What closing a form does with it.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

/// Flags of a row's image index.
inline constexpr int dfSupported = 1;   ///< the bit is supported
inline constexpr int dfChecked = 2;     ///< the bit is set
inline constexpr int dfUndefined = 4;   ///< no name given: cannot be checked or supported

/// The form's layout, as its views build it.
struct TDWordDlgLayout {
    static constexpr const char* Caption = "TapiDWordDlg";
    static constexpr int Width = 419;
    static constexpr int Height = 349;
    static constexpr const char* FontName = "MS Sans Serif";
    static constexpr int FontSize = 8;
    /// Panel1: bottom-aligned, holds the buttons.
    static constexpr int PanelHeight = 30;
    /// OKBtn and CancelBtn: anchored top and right.
    static constexpr int ButtonWidth = 100;
    static constexpr int ButtonHeight = 25;
    static constexpr int OKLeft = 202;
    static constexpr int CancelLeft = 307;
    static constexpr int ButtonTop = 4;
    static constexpr const char* OKCaption = "OK";
    static constexpr const char* CancelCaption = "Cancel";
    /// ListView's columns.
    static constexpr const char* ValueColumn = "Value/Bit";
    static constexpr int ValueColumnWidth = 280;
    static constexpr const char* InfoColumn = "Info";
    static constexpr int InfoColumnWidth = 100;
    /// PopupMenu1's items, in order.
    static constexpr const char* SetCaption = "Set";
    static constexpr const char* UnsetCaption = "Unset";
    static constexpr const char* ToggleCaption = "Toggle";
    /// ImageList2: 16 x 16 images on white.
    static constexpr int ImageSize = 16;
    static constexpr int ImageCount = 6;
};

/// One row of the list.
struct TDWordDlgRow {
    std::string Caption;   ///< column "Value/Bit"
    std::string Info;      ///< column "Info" (the one sub-item)
    int ImageIndex = 0;    ///< dfSupported | dfChecked | dfUndefined
    bool Selected = false;
};

class TTapiDWordDlg;

/// What the model needs of the view that shows it.
class TDWordDlgView {
public:
    /// The row under the mouse cursor, in list coordinates; -1 for none.
    virtual int RowAtCursor() = 0;
    /// Rows changed (Row, or every row for -1): show them again.
    virtual void RowsChanged(int Row) = 0;

protected:
    ~TDWordDlgView() = default;
};

/// Shows a dialog modally and answers its modal result.
using TDWordDlgHook = std::function<int(TTapiDWordDlg& Dialog)>;

/// Installs the hook `ShowModal` uses (an empty one removes it) and answers
/// the one installed before.
TDWordDlgHook SetDWordDlgHook(TDWordDlgHook Hook);
/// Whether a hook is installed.
bool HasDWordDlgHook();

/// The bit-flag dialog's form.
class TTapiDWordDlg : public TComponent {
public:
    /// Creates the form and runs `FormCreate`.
    explicit TTapiDWordDlg(TComponent* AOwner);
    ~TTapiDWordDlg() override;
    std::string ClassName() const override { return "TTapiDWordDlg"; }

    /// Window caption; "TapiDWordDlg" until the caller replaces it.
    const std::string& Get_Caption() const noexcept { return FCaption; }
    void Set_Caption(const std::string& Value) { FCaption = Value; }

    /// When false, checking a row unchecks every other row. Set true by
    /// `FormCreate`.
    bool AllowMultiple = false;

    int RowCount() const noexcept { return static_cast<int>(FRows.size()); }
    /// Row Index; raises EListError outside 0 .. RowCount - 1.
    const TDWordDlgRow& Row(int Index) const;

    /// Names the lowest set bit of Bit (nothing for 0): its row gets Name and
    /// Info and loses dfUndefined; rows below it are appended as needed.
    void DefineBit(const std::string& Name, uint32_t Bit, const std::string& Info);
    /// Appends "- not defined -" rows (image 4, empty info) up to Count rows.
    void SetCount(int Count);
    /// `SetText` of the lowest set bit of Bit; Text and Flag change nothing
    /// shown.
    void SetItemDW(uint32_t Bit, const std::string& Text, uint32_t Flag);
    /// Row Index (0..31) shows "0x" and 32 hexadecimal digits of 1 shl Index
    /// and the info "Reserved"; rows are appended up to it. Text changes
    /// nothing shown. Raises EListError for an index outside 0 .. 31.
    void SetText(int Index, const std::string& Text);
    /// Does nothing.
    void SetStrings(TStrings* Strings);
    /// Checks (On) or unchecks the existing rows whose bit is in Mask.
    void SetChecked(uint32_t Mask, bool On);
    /// The bits of the checked rows.
    uint32_t GetChecked() const;
    /// Marks the existing defined rows whose bit is in Mask supported (On)
    /// or not.
    void SetSupported(uint32_t Mask, bool On);
    /// `SetItemChecking` of every selected row.
    void SetChecking(int Mode);
    /// Mode -1 toggles the row's check, 0 clears it, 1 sets it, any other
    /// does nothing; an undefined row or an index outside the rows is left
    /// alone. A row left checked goes through `CheckMultiSelect`.
    void SetItemChecking(int Row, int Mode);
    /// Unless AllowMultiple, unchecks every row other than Row.
    void CheckMultiSelect(int Row);

    /// Row's selection in the list (views keep it up to date).
    bool Get_Selected(int Row) const;
    void Set_Selected(int Row, bool Value);

    // Handlers of the form, its list and its popup menu.
    /// OnCreate: AllowMultiple := true.
    void FormCreate(TObject* Sender);
    /// OnClose: the form is hidden (its owner frees it).
    void FormClose(TObject* Sender, TCloseAction& Action);
    /// Toggles the row under the mouse cursor, if any.
    void ListViewDblClick(TObject* Sender);
    /// Popup "Set", "Unset", "Toggle": `SetChecking` 1, 0, -1.
    void Set1Click(TObject* Sender);
    void Unset1Click(TObject* Sender);
    void Toggle1Click(TObject* Sender);

    /// Shows the form modally through the dialog hook and answers its modal
    /// result (also kept in ModalResult): mrOk by OK, mrCancel by Cancel or
    /// Escape; mrCancel at once without a hook.
    int ShowModal();
    int Get_ModalResult() const noexcept { return FModalResult; }
    void Set_ModalResult(int Value) noexcept { FModalResult = Value; }

    /// The view showing the form (null when none); a view sets itself and
    /// clears itself before it goes.
    TDWordDlgView* Get_View() const noexcept { return FView; }
    void Set_View(TDWordDlgView* Value) noexcept { FView = Value; }

private:
    void Changed(int Row);

    std::string FCaption = TDWordDlgLayout::Caption;
    std::vector<TDWordDlgRow> FRows;
    int FModalResult = mrNone;
    TDWordDlgView* FView = nullptr;
};

/// The bit index of Value: its lowest set bit (0 to 31), -1 for 0.
int BitIndex(uint32_t Value) noexcept;

/// Draws image Index (0 .. 5) of the dialog's image list into Canvas, which
/// becomes 16 x 16: 0 an empty white box, 1 the box on a yellow dotted
/// ground (supported), 2 a dark blue check mark in the white box, 3 the
/// check on the dotted ground, 4 a dark red cross in the white box (not
/// defined), 5 the cross on the dotted ground. Raises EListError for
/// another index.
void DrawDWordDlgImage(int Index, TCanvas& Canvas);

} // namespace kxtapi
