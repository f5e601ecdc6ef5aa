// The package's registration: its eighteen calls in order, and what the
// designer then shows for the line, the phone and the port.

#include "design_fixture.h"

#include "kxtapi/kxtapireg.h"

using namespace kxtapi;
using namespace kxtapi::testing;

namespace {

/// A registry that also writes each call down.
class TRecordingRegistry : public TDesignRegistry {
public:
    std::vector<std::string> Calls;
    void RegisterComponents(std::string_view Page, const std::vector<const TClassInfo*>& Classes) override
    {
        std::string c = "RegisterComponents " + std::string(Page);
        for (const TClassInfo* k : Classes) c += " " + k->Name();
        Calls.push_back(c);
        TDesignRegistry::RegisterComponents(Page, Classes);
    }
    void RegisterPropertyEditor(std::string_view PropertyType, const TClassInfo* ComponentClass,
                                std::string_view PropertyName, const TPropertyEditorClass* EditorClass) override
    {
        Calls.push_back("RegisterPropertyEditor " + std::string(PropertyType) + " " + ComponentClass->Name() + " " +
                        std::string(PropertyName) + " " + EditorClass->Name());
        TDesignRegistry::RegisterPropertyEditor(PropertyType, ComponentClass, PropertyName, EditorClass);
    }
};

TEST(Register, EighteenCallsInOrder)
{
    TRecordingRegistry R;
    Register(R);
    EXPECT_EQ(R.Calls, (std::vector<std::string>{
                           "RegisterComponents kxTapi TTapiLine",
                           "RegisterPropertyEditor String TTapiLine DeviceName TTapiDeviceNameProperty",
                           "RegisterPropertyEditor Cardinal TTapiLine MediaModes TTapiMediaModesProperty",
                           "RegisterPropertyEditor Cardinal TTapiTSP APILowVersion TTapiHexProperty",
                           "RegisterPropertyEditor Cardinal TTapiTSP APIHighVersion TTapiHexProperty",
                           "RegisterPropertyEditor Cardinal TTapiTSP ExtLowVersion TTapiHexProperty",
                           "RegisterPropertyEditor Cardinal TTapiTSP ExtHighVersion TTapiHexProperty",
                           "RegisterPropertyEditor Cardinal TTapiCallParameters BearerMode TTapiBearerModeProperty",
                           "RegisterPropertyEditor Cardinal TTapiCallParameters MediaMode TTapiMediaModeProperty",
                           "RegisterPropertyEditor Cardinal TTapiCallParams BearerMode TTapiBearerModeProperty",
                           "RegisterPropertyEditor Cardinal TTapiCallGatherDigitsParams DigitModes TTapiDigitModeProperty",
                           "RegisterPropertyEditor Cardinal TTapiCallMonitorDigitsParams DigitModes TTapiDigitModeProperty",
                           "RegisterPropertyEditor Cardinal TTapiCallMonitorMediaParams MediaModes TTapiMediaModesProperty",
                           "RegisterComponents kxTAPI TTapiPhone",
                           "RegisterPropertyEditor String TTapiPhone DeviceName TTapiDeviceNameProperty",
                           "RegisterComponents kxTAPI TComPort",
                           "RegisterPropertyEditor String TComPort PortName TComPortStringProperty",
                           "RegisterPropertyEditor Char TComPort Parity TComPortParityProperty",
                       }));
    // Two pages, each class with its picture.
    EXPECT_EQ(R.Pages(), (std::vector<std::string>{"kxTapi", "kxTAPI"}));
    for (const TPaletteEntry& E : R.Palette()) {
        TCanvas Picture;
        EXPECT_TRUE(DrawComponentBitmap(E.Class->Name(), Picture)) << E.Class->Name();
        EXPECT_EQ(Picture.Get_Width(), 24);
    }
    // Three editors are bound to nothing.
    for (const TEditorBinding& B : R.Bindings())
        for (const char* Unbound : {"TTapiAddressModeProperty", "TTapiCallPrivilegeProperty", "TTapiTSPProperty"})
            EXPECT_NE(B.EditorClass->Name(), Unbound);
}

TEST(Register, TheApiVersionBindingsFindNoProperty)
{
    TDesignRegistry R;
    Register(R);
    int Hex = 0;
    for (const TClassInfo* C : TPropertyRegistry::Classes()) {
        if (!C->InheritsFrom(ClassInfoOf<TTapiTSP>())) continue;
        EXPECT_EQ(C->FindProperty("APILowVersion"), nullptr) << C->Name();
        EXPECT_EQ(C->FindProperty("APIHighVersion"), nullptr) << C->Name();
    }
    // In the line's and the phone's provider versions only the extension
    // versions get the hexadecimal editor.
    TTapiLine Line(nullptr);
    TTapiPhone Phone(nullptr);
    for (TPersistent* Tsp : {static_cast<TPersistent*>(Line.Get_TSP()), static_cast<TPersistent*>(Phone.Get_TSP())})
        for (const TPropertyInfo* P : NearestClassInfo(Tsp)->Properties()) {
            const TPropertyEditorClass* E = R.FindBoundEditor(P, Tsp);
            if (E != nullptr && E->Name() == "TTapiHexProperty") {
                ++Hex;
                EXPECT_TRUE(P->Name() == "ExtLowVersion" || P->Name() == "ExtHighVersion") << P->Name();
            }
        }
    EXPECT_EQ(Hex, 4);
}

class Registered : public DesignTest {
protected:
    Registered()
    {
        Register(Registry);
        Phone = new TTapiPhone(Form.get());
        Phone->Set_Name("Phone1");
    }
    std::string EditorAt(const std::string& Path)
    {
        auto E = Editor(Path);
        return E ? E->ClassName() : "";
    }
    TTapiPhone* Phone = nullptr;
};

TEST_F(Registered, TheDesignerShowsTheBoundEditors)
{
    const std::pair<const char*, const char*> Bound[] = {
        {"Line1.DeviceName", "TTapiDeviceNameProperty"},
        {"Line1.MediaModes", "TTapiMediaModesProperty"},
        {"Line1.TSP.ExtLowVersion", "TTapiHexProperty"},
        {"Line1.TSP.ExtHighVersion", "TTapiHexProperty"},
        {"Line1.TSP.ExtVersion", "TIntegerProperty"},
        {"Line1.CallParams.BearerMode", "TTapiBearerModeProperty"},
        {"Line1.CallParams.MediaMode", "TTapiMediaModeProperty"},
        {"Line1.CallParams.AddressID", "TIntegerProperty"},
        {"Line1.CallOptions.GatherDigits.DigitModes", "TTapiDigitModeProperty"},
        {"Line1.CallOptions.MonitorDigits.DigitModes", "TTapiDigitModeProperty"},
        {"Line1.CallOptions.MonitorMedia.MediaModes", "TTapiMediaModesProperty"},
        {"Line1.TSP", "TClassProperty"},
        {"Phone1.DeviceName", "TTapiDeviceNameProperty"},
        {"Phone1.TSP.ExtLowVersion", "TTapiHexProperty"},
        {"Port1.PortName", "TComPortStringProperty"},
        {"Port1.Parity", "TComPortParityProperty"},
        {"Port1.Baud", "TIntegerProperty"},
    };
    for (const auto& [Path, Editor] : Bound) EXPECT_EQ(EditorAt(Path), Editor) << Path;

    // The full call parameters: bearer mode bound, media mode not.
    TTapiCallParams Params;
    EXPECT_EQ(Designer->FindProperty(&Params, "BearerMode")->ClassName(), "TTapiBearerModeProperty");
    EXPECT_EQ(Designer->FindProperty(&Params, "MediaMode")->ClassName(), "TIntegerProperty");

    EXPECT_EQ(Editor("Line1.CallParams.BearerMode")->GetValue(), "VOICE");
    EXPECT_EQ(ValuesOf(*Editor("Phone1.DeviceName")), (std::vector<std::string>{"Simulated Phone 1"}));
    EXPECT_EQ(ValuesOf(*Editor("Port1.Parity")), (std::vector<std::string>{"N", "O", "E", "M", "S"}));
}

} // namespace
