// The bit-flag dialog's model, its pictures, and the media-modes editor that
// shows it.

#include "design_fixture.h"

using namespace kxtapi;
using namespace kxtapi::testing;

namespace {

/// A view whose cursor is wherever the test puts it, counting repaints.
class TFakeView : public TDWordDlgView {
public:
    int Cursor = -1;
    int Changes = 0;
    int RowAtCursor() override { return Cursor; }
    void RowsChanged(int) override { ++Changes; }
};

std::vector<int> CheckedRows(const TTapiDWordDlg& Dlg)
{
    std::vector<int> rows;
    for (int i = 0; i < Dlg.RowCount(); ++i)
        if (Dlg.Row(i).ImageIndex & dfChecked) rows.push_back(i);
    return rows;
}

void DefineMediaModes(TTapiDWordDlg& Dlg)
{
    for (uint32_t Bit = 0x2; Bit <= 0x8000; Bit <<= 1) Dlg.DefineBit("BIT" + IntToHex(Bit, 1), Bit, "");
}

TEST(DWordDialog, CreatedWithItsCaptionAndMultipleChecks)
{
    TTapiDWordDlg Dlg(nullptr);
    EXPECT_EQ(Dlg.Get_Caption(), "TapiDWordDlg");
    EXPECT_TRUE(Dlg.AllowMultiple);
    EXPECT_EQ(Dlg.RowCount(), 0);
    EXPECT_EQ(Dlg.GetChecked(), 0u);
    TCloseAction Action = caFree;
    Dlg.FormClose(&Dlg, Action);
    EXPECT_EQ(Action, caHide);
}

TEST(DWordDialog, DefineBitAppendsUndefinedRowsBelowIt)
{
    TTapiDWordDlg Dlg(nullptr);
    Dlg.DefineBit("LINEMEDIAMODE_DATAMODEM", 0x10, "data");
    ASSERT_EQ(Dlg.RowCount(), 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Dlg.Row(i).Caption, "- not defined -");
        EXPECT_EQ(Dlg.Row(i).Info, "");
        EXPECT_EQ(Dlg.Row(i).ImageIndex, 4);
    }
    EXPECT_EQ(Dlg.Row(4).Caption, "LINEMEDIAMODE_DATAMODEM");
    EXPECT_EQ(Dlg.Row(4).Info, "data");
    EXPECT_EQ(Dlg.Row(4).ImageIndex, 0);

    // Only the lowest set bit counts; 0 names nothing.
    Dlg.DefineBit("LOW", 0x18, "");
    EXPECT_EQ(Dlg.Row(3).Caption, "LOW");
    EXPECT_EQ(Dlg.Row(4).Caption, "LINEMEDIAMODE_DATAMODEM");
    Dlg.DefineBit("NONE", 0, "");
    EXPECT_EQ(Dlg.RowCount(), 5);
    EXPECT_THROW(Dlg.Row(5), EListError);
}

TEST(DWordDialog, MediaModeRowsCheckOnlyDefinedBits)
{
    TTapiDWordDlg Dlg(nullptr);
    DefineMediaModes(Dlg);
    ASSERT_EQ(Dlg.RowCount(), 16);
    EXPECT_EQ(Dlg.Row(0).ImageIndex, dfUndefined);
    Dlg.SetChecked(0x15, true);
    EXPECT_EQ(CheckedRows(Dlg), (std::vector<int>{2, 4}));
    EXPECT_EQ(Dlg.GetChecked(), 0x14u);
    // Bits beyond the rows are ignored.
    Dlg.SetChecked(0xFFFF0000, true);
    EXPECT_EQ(Dlg.GetChecked(), 0x14u);
    Dlg.SetChecked(0x4, false);
    EXPECT_EQ(Dlg.GetChecked(), 0x10u);
}

TEST(DWordDialog, CheckingModesAndUndefinedRows)
{
    TTapiDWordDlg Dlg(nullptr);
    DefineMediaModes(Dlg);
    Dlg.SetItemChecking(3, 1);
    Dlg.SetItemChecking(3, 1);
    EXPECT_EQ(Dlg.GetChecked(), 0x8u);
    Dlg.SetItemChecking(3, -1);
    EXPECT_EQ(Dlg.GetChecked(), 0u);
    Dlg.SetItemChecking(3, -1);
    EXPECT_EQ(Dlg.GetChecked(), 0x8u);
    Dlg.SetItemChecking(3, 0);
    EXPECT_EQ(Dlg.GetChecked(), 0u);
    // Other modes, undefined rows and rows that do not exist change nothing.
    Dlg.SetItemChecking(3, 2);
    Dlg.SetItemChecking(0, -1);
    Dlg.SetItemChecking(0, 1);
    Dlg.SetItemChecking(16, 1);
    Dlg.SetItemChecking(-1, 1);
    EXPECT_EQ(Dlg.GetChecked(), 0u);
    EXPECT_EQ(Dlg.Row(0).ImageIndex, dfUndefined);
}

TEST(DWordDialog, SingleCheckUnchecksTheOthers)
{
    TTapiDWordDlg Dlg(nullptr);
    DefineMediaModes(Dlg);
    Dlg.SetChecked(0x16, true);
    Dlg.AllowMultiple = false;
    Dlg.SetItemChecking(3, 1);
    EXPECT_EQ(CheckedRows(Dlg), (std::vector<int>{3}));
    // Unchecking leaves the others as they are.
    Dlg.SetItemChecking(3, 0);
    EXPECT_EQ(Dlg.GetChecked(), 0u);
    Dlg.SetChecked(0x30, true);
    EXPECT_EQ(CheckedRows(Dlg), (std::vector<int>{5}));
}

TEST(DWordDialog, SupportedFlagSkipsUndefinedRows)
{
    TTapiDWordDlg Dlg(nullptr);
    DefineMediaModes(Dlg);
    Dlg.SetSupported(0x7, true);
    EXPECT_EQ(Dlg.Row(0).ImageIndex, dfUndefined);
    EXPECT_EQ(Dlg.Row(1).ImageIndex, dfSupported);
    EXPECT_EQ(Dlg.Row(2).ImageIndex, dfSupported);
    Dlg.SetChecked(0x4, true);
    EXPECT_EQ(Dlg.Row(2).ImageIndex, dfSupported | dfChecked);
    Dlg.SetSupported(0x4, false);
    EXPECT_EQ(Dlg.Row(2).ImageIndex, dfChecked);
    EXPECT_EQ(Dlg.GetChecked(), 0x4u);
}

TEST(DWordDialog, ReservedTextsAndRowLimits)
{
    TTapiDWordDlg Dlg(nullptr);
    Dlg.SetItemDW(0x4, "ignored", 7);
    ASSERT_EQ(Dlg.RowCount(), 3);
    EXPECT_EQ(Dlg.Row(2).Caption, "0x00000000000000000000000000000004");
    EXPECT_EQ(Dlg.Row(2).Info, "Reserved");
    EXPECT_EQ(Dlg.Row(0).Caption, "- not defined -");
    Dlg.SetItemDW(0, "nothing", 0);
    EXPECT_EQ(Dlg.RowCount(), 3);
    Dlg.SetText(31, "");
    EXPECT_EQ(Dlg.Row(31).Caption, "0x00000000000000000000000080000000");
    // A flag word has 32 bits: no row stands for a 33rd.
    EXPECT_THROW(Dlg.SetText(32, ""), EListError);
    EXPECT_THROW(Dlg.SetText(-1, ""), EListError);
    Dlg.SetCount(1000);
    EXPECT_EQ(Dlg.RowCount(), 32);
    TStringList Strings{"a"};
    Dlg.SetStrings(&Strings);
    EXPECT_EQ(Dlg.RowCount(), 32);
}

TEST(DWordDialog, PopupItemsWorkOnTheSelectedRows)
{
    TTapiDWordDlg Dlg(nullptr);
    DefineMediaModes(Dlg);
    Dlg.Set_Selected(0, true);
    Dlg.Set_Selected(2, true);
    Dlg.Set_Selected(5, true);
    Dlg.Set1Click(&Dlg);
    EXPECT_EQ(Dlg.GetChecked(), 0x24u);
    Dlg.Set_Selected(5, false);
    Dlg.Set_Selected(6, true);
    Dlg.Toggle1Click(&Dlg);
    EXPECT_EQ(Dlg.GetChecked(), 0x60u);
    Dlg.Unset1Click(&Dlg);
    EXPECT_EQ(Dlg.GetChecked(), 0x20u);
    EXPECT_FALSE(Dlg.Get_Selected(99));
}

TEST(DWordDialog, DoubleClickTogglesTheRowUnderTheCursor)
{
    TTapiDWordDlg Dlg(nullptr);
    DefineMediaModes(Dlg);
    // Without a view there is no cursor row.
    Dlg.ListViewDblClick(&Dlg);
    EXPECT_EQ(Dlg.GetChecked(), 0u);

    TFakeView View;
    Dlg.Set_View(&View);
    View.Cursor = 4;
    Dlg.ListViewDblClick(&Dlg);
    EXPECT_EQ(Dlg.GetChecked(), 0x10u);
    EXPECT_GT(View.Changes, 0);
    Dlg.ListViewDblClick(&Dlg);
    EXPECT_EQ(Dlg.GetChecked(), 0u);
    View.Cursor = -1;  // outside any row
    Dlg.ListViewDblClick(&Dlg);
    View.Cursor = 0;   // the undefined row
    Dlg.ListViewDblClick(&Dlg);
    EXPECT_EQ(Dlg.GetChecked(), 0u);
    Dlg.Set_View(nullptr);
}

TEST(DWordDialog, ModalResultComesFromTheHook)
{
    TTapiDWordDlg Dlg(nullptr);
    {
        THookScope NoHook(nullptr);
        EXPECT_FALSE(HasDWordDlgHook());
        EXPECT_EQ(Dlg.ShowModal(), mrCancel);
    }
    {
        THookScope Ok([](TTapiDWordDlg& D) {
            D.SetItemChecking(0, 1);
            return mrOk;
        });
        EXPECT_EQ(Dlg.ShowModal(), mrOk);
        EXPECT_EQ(Dlg.Get_ModalResult(), mrOk);
    }
    {
        // A view closed without a result counts as cancelled.
        THookScope None([](TTapiDWordDlg&) { return mrNone; });
        EXPECT_EQ(Dlg.ShowModal(), mrCancel);
    }
}

TEST(DWordDialog, SixPicturesOfBoxCheckAndCross)
{
    TCanvas C;
    auto Count = [&](TColor Color) {
        int n = 0;
        for (TColor P : C.PixelData()) n += P == Color;
        return n;
    };
    for (int i = 0; i < 6; ++i) {
        DrawDWordDlgImage(i, C);
        ASSERT_EQ(C.Get_Width(), 16);
        ASSERT_EQ(C.Get_Height(), 16);
        EXPECT_EQ(C.Get_Pixels(0, 0), clWhite) << i;
        EXPECT_EQ(C.Get_Pixels(2, 2), clGray) << i;
        EXPECT_EQ(Count(clYellow) > 0, (i & dfSupported) != 0) << i;
        EXPECT_EQ(Count(clNavy) > 0, (i & dfChecked) != 0) << i;
        EXPECT_EQ(Count(clMaroon) > 0, (i & dfUndefined) != 0) << i;
    }
    EXPECT_THROW(DrawDWordDlgImage(6, C), EListError);
    EXPECT_THROW(DrawDWordDlgImage(-1, C), EListError);
}

using MediaModesDialog = DesignTest;

TEST_F(MediaModesDialog, OpensWithTheLinesBitsAndStoresThemOnOk)
{
    Registry.RegisterPropertyEditor(PropertyType<uint32_t>(), ClassInfoOf<TTapiLine>(), "MediaModes",
                                    EditorClass<TTapiMediaModesProperty>());
    Line->Set_MediaModes(0x14);
    std::string Caption;
    std::vector<int> Checked;
    int Rows = 0;
    THookScope Hook([&](TTapiDWordDlg& D) {
        Caption = D.Get_Caption();
        Checked = CheckedRows(D);
        Rows = D.RowCount();
        D.SetItemChecking(2, 0);
        D.SetItemChecking(5, 1);
        return mrOk;
    });
    auto E = Editor("Line1.MediaModes");
    ASSERT_TRUE(E);
    E->Edit();
    EXPECT_EQ(Caption, "TTapiLine.MediaModes");
    EXPECT_EQ(Checked, (std::vector<int>{2, 4}));
    EXPECT_EQ(Rows, 16);
    EXPECT_EQ(Line->Get_MediaModes(), 0x30u);
    EXPECT_EQ(Designer->ModifiedCount(), 1);
}

TEST_F(MediaModesDialog, CancelAndNoHookChangeNothing)
{
    Line->Set_MediaModes(0x14);
    auto E = EditorOf<TTapiMediaModesProperty>(Line, "MediaModes");
    {
        THookScope Hook([](TTapiDWordDlg& D) {
            D.SetChecked(0xFFFF, true);
            return mrCancel;
        });
        E->Edit();
    }
    {
        THookScope NoHook(nullptr);
        E->Edit();
    }
    EXPECT_EQ(Line->Get_MediaModes(), 0x14u);
    EXPECT_EQ(Designer->ModifiedCount(), 0);
}

TEST_F(MediaModesDialog, MonitorMediaOptionsAndOtherObjects)
{
    Registry.RegisterPropertyEditor(PropertyType<uint32_t>(), ClassInfoOf<TTapiCallMonitorMediaParams>(),
                                    "MediaModes", EditorClass<TTapiMediaModesProperty>());
    TTapiCallMonitorMediaParams* Monitor = Line->Get_CallOptions()->Get_MonitorMedia();
    Monitor->SetMediaModes(0x8000);
    std::string Caption;
    int Shown = 0;
    THookScope Hook([&](TTapiDWordDlg& D) {
        ++Shown;
        Caption = D.Get_Caption();
        D.SetItemChecking(4, 1);
        return mrOk;
    });
    auto E = Editor("Line1.CallOptions.MonitorMedia.MediaModes");
    ASSERT_TRUE(E);
    EXPECT_EQ(E->GetValue(), "$8000");
    E->Edit();
    EXPECT_EQ(Caption, "TTapiLine.MonitorMedia.MediaModes");
    EXPECT_EQ(Monitor->Get_MediaModes(), 0x8010u);

    // Bound to any other object, nothing is shown.
    auto Other = EditorOf<TTapiMediaModesProperty>(Line->Get_CallParams(), "MediaMode");
    Other->Edit();
    EXPECT_EQ(Shown, 1);
    EXPECT_EQ(Designer->ModifiedCount(), 1);
}

TEST_F(MediaModesDialog, AnExceptionFromTheViewStillFreesTheDialog)
{
    TTapiDWordDlg* Seen = nullptr;
    THookScope Hook([&](TTapiDWordDlg& D) -> int {
        Seen = &D;
        throw Exception("view failed");
    });
    auto E = EditorOf<TTapiMediaModesProperty>(Line, "MediaModes");
    EXPECT_THROW(E->Edit(), Exception);
    EXPECT_NE(Seen, nullptr);
    EXPECT_EQ(Line->Get_MediaModes(), static_cast<uint32_t>(LINEMEDIAMODE_INTERACTIVEVOICE));
    // AddressSanitizer's leak check at exit proves the dialog was freed.
}

} // namespace
