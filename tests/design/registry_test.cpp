// The designer's registry and the designer: palette pages, which editor a
// binding gives which property, the standard editors, and editors found by
// dotted paths.

#include "design_fixture.h"

using namespace kxtapi;
using namespace kxtapi::testing;

namespace {

/// A line class the application derived and never registered.
class TMyLine : public TTapiLine {
public:
    using TTapiLine::TTapiLine;
};

using DesignRegistryTest = DesignTest;

std::string EditorName(TDesignRegistry& R, TPersistent* Instance, const char* Prop)
{
    const TPropertyInfo* p = NearestClassInfo(Instance)->FindProperty(Prop);
    return R.GetEditorClass(p, Instance)->Name();
}

TEST_F(DesignRegistryTest, PalettePagesKeepTheirLetterCase)
{
    Registry.RegisterComponents("kxTapi", {ClassInfoOf<TTapiLine>()});
    Registry.RegisterComponents("kxTAPI", {ClassInfoOf<TComPort>()});
    Registry.RegisterComponents("kxTAPI", {ClassInfoOf<TkxFifo>()});
    EXPECT_EQ(Registry.Pages(), (std::vector<std::string>{"kxTapi", "kxTAPI"}));
    EXPECT_EQ(Registry.PageClasses("kxTAPI"),
              (std::vector<const TClassInfo*>{ClassInfoOf<TComPort>(), ClassInfoOf<TkxFifo>()}));
    EXPECT_TRUE(Registry.PageClasses("KXTAPI").empty());
    EXPECT_THROW(Registry.RegisterComponents("x", {nullptr}), EPropertyError);
    EXPECT_THROW(Registry.RegisterComponents("x", {ClassInfoOf<TTapiTSP>()}), EPropertyError);
    EXPECT_THROW(ClassInfoOf<TMyLine>(), EClassNotFound);
    EXPECT_EQ(Registry.Palette().size(), 3u);
    Registry.Clear();
    EXPECT_TRUE(Registry.Pages().empty());
}

TEST_F(DesignRegistryTest, BindingsApplyToTheClassAndItsDescendants)
{
    Registry.RegisterPropertyEditor(PropertyType<uint32_t>(), ClassInfoOf<TTapiTSP>(), "ExtLowVersion",
                                    EditorClass<TTapiHexProperty>());
    Registry.RegisterPropertyEditor(PropertyType<std::string>(), ClassInfoOf<TTapiLine>(), "DeviceName",
                                    EditorClass<TTapiDeviceNameProperty>());
    // The line's provider-version object is a TTapiLineTSP.
    EXPECT_EQ(EditorName(Registry, Line->Get_TSP(), "ExtLowVersion"), "TTapiHexProperty");
    EXPECT_EQ(EditorName(Registry, Line->Get_TSP(), "ExtHighVersion"), "TIntegerProperty");
    // DeviceName is published by TTapiDevice; the binding names the line.
    EXPECT_EQ(EditorName(Registry, Line, "DeviceName"), "TTapiDeviceNameProperty");
    TMyLine Mine(nullptr);
    EXPECT_EQ(EditorName(Registry, &Mine, "devicename"), "TTapiDeviceNameProperty");
    // Not for an ancestor's other descendants, nor for another type.
    TTapiAppl Appl(nullptr);
    EXPECT_EQ(EditorName(Registry, &Appl, "ApplName"), "TStringProperty");
    Registry.RegisterPropertyEditor(PropertyType<uint8_t>(), ClassInfoOf<TTapiLine>(), "MediaModes",
                                    EditorClass<TTapiHexProperty>());
    EXPECT_EQ(EditorName(Registry, Line, "MediaModes"), "TIntegerProperty");
}

TEST_F(DesignRegistryTest, TheNearestClassThenANameThenTheLaterBindingWins)
{
    const std::string Cardinal = PropertyType<uint32_t>();
    Registry.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiLine>(), "", EditorClass<TTapiHexProperty>());
    Registry.RegisterPropertyEditor(Cardinal, nullptr, "MediaModes", EditorClass<TTapiMediaModeProperty>());
    // The class outranks the name.
    EXPECT_EQ(EditorName(Registry, Line, "MediaModes"), "TTapiHexProperty");
    Registry.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiLine>(), "MediaModes",
                                    EditorClass<TTapiMediaModesProperty>());
    EXPECT_EQ(EditorName(Registry, Line, "MediaModes"), "TTapiMediaModesProperty");
    // An unnamed binding registered later does not displace a named one.
    Registry.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiLine>(), "", EditorClass<TTapiDigitModeProperty>());
    EXPECT_EQ(EditorName(Registry, Line, "MediaModes"), "TTapiMediaModesProperty");
    // A later one for the same class and name does.
    Registry.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiLine>(), "MediaModes",
                                    EditorClass<TTapiBearerModeProperty>());
    EXPECT_EQ(EditorName(Registry, Line, "MediaModes"), "TTapiBearerModeProperty");
    // A nearer class beats them all.
    TMyLine Mine(nullptr);
    Registry.RegisterPropertyEditor(Cardinal, ClassInfoOf<TTapiDevice>(), "MediaModes",
                                    EditorClass<TTapiAddressModeProperty>());
    EXPECT_EQ(EditorName(Registry, &Mine, "MediaModes"), "TTapiBearerModeProperty");
    EXPECT_THROW(Registry.RegisterPropertyEditor(Cardinal, nullptr, "X", nullptr), EPropertyError);
}

TEST_F(DesignRegistryTest, StandardEditorsByKind)
{
    EXPECT_EQ(EditorName(Registry, Line, "Active"), "TEnumProperty");
    EXPECT_EQ(EditorName(Registry, Line, "Tag"), "TIntegerProperty");
    EXPECT_EQ(EditorName(Registry, Line, "CallParams"), "TClassProperty");
    EXPECT_EQ(EditorName(Registry, Port, "Parity"), "TCharProperty");
    EXPECT_EQ(EditorName(Registry, Port, "FlowControl"), "TSetProperty");
    EXPECT_EQ(EditorName(Registry, Port, "PortName"), "TStringProperty");

    auto Active = Editor("Line1.Active");
    EXPECT_EQ(ValuesOf(*Active), (std::vector<std::string>{"False", "True"}));
    EXPECT_EQ(Active->GetValue(), "False");
    auto Parity = Editor("Port1.Parity");
    Parity->SetValue("#79");
    EXPECT_EQ(Port->Get_Parity(), 'O');
    EXPECT_THROW(Parity->SetValue("OE"), EPropertyError);
    auto Tag = Editor("Line1.Tag");
    Tag->SetValue("$10");
    EXPECT_EQ(Line->Get_Tag(), 16);
    EXPECT_EQ(Tag->GetValue(), "16");
    EXPECT_TRUE(Editor("Line1.CallParams")->GetAttributes().Contains(paSubProperties));
    // Without a setter a property is shown, not typed into.
    EXPECT_TRUE(Editor("Line1.TSP.ExtVersion")->GetAttributes().Contains(paReadOnly));
    EXPECT_FALSE(Editor("Line1.TSP.ExtLowVersion")->GetAttributes().Contains(paReadOnly));
    EXPECT_THROW(Editor("Line1.TSP.ExtVersion")->SetValue("1"), EPropertyError);
}

TEST_F(DesignRegistryTest, ReferencesOfferTheFormsComponentsOfTheirClass)
{
    auto* Led = new TComPortLed(Form.get());
    Led->Set_Name("Led1");
    auto Ref = Designer->FindProperty(Led, "ComPort");
    ASSERT_TRUE(Ref);
    EXPECT_EQ(Ref->ClassName(), "TComponentProperty");
    EXPECT_EQ(ValuesOf(*Ref), (std::vector<std::string>{"Port1"}));
    Ref->SetValue("Port1");
    EXPECT_EQ(Led->Get_ComPort(), Port);
    EXPECT_EQ(Ref->GetValue(), "Port1");
    Ref->SetValue("");
    EXPECT_EQ(Led->Get_ComPort(), nullptr);
}

TEST_F(DesignRegistryTest, DesignerFindsPropertiesByDottedPaths)
{
    EXPECT_TRUE(Designer->FindProperty("Line1.CallOptions.GatherDigits.DigitModes"));
    EXPECT_TRUE(Designer->FindProperty("line1.callparams.bearermode"));
    EXPECT_TRUE(Designer->FindProperty("Tag"));  // the root's own
    EXPECT_FALSE(Designer->FindProperty("Line1"));
    EXPECT_FALSE(Designer->FindProperty("Line1.Nothing"));
    EXPECT_FALSE(Designer->FindProperty("Line1.MediaModes.Deeper"));
    EXPECT_FALSE(Designer->FindProperty("Line2.MediaModes"));
    EXPECT_FALSE(Designer->FindProperty(""));
    EXPECT_EQ(Designer->FindComponent("Port1"), Port);
    EXPECT_EQ(Designer->FindComponent(""), Form.get());
    EXPECT_EQ(Designer->FindComponent("Port1.X"), nullptr);

    // An application's own line class, never registered, edits as a line.
    auto* Mine = new TMyLine(Form.get());
    Mine->Set_Name("Mine");
    EXPECT_EQ(NearestClassInfo(Mine), ClassInfoOf<TTapiLine>());
    EXPECT_TRUE(Designer->FindProperty("Mine.MediaModes"));

    std::vector<std::string> Names;
    for (auto& E : Designer->GetProperties(Line)) Names.push_back(E->GetName());
    EXPECT_EQ(Names.front(), "Tag");
    EXPECT_NE(std::find(Names.begin(), Names.end(), "MediaModes"), Names.end());
    EXPECT_EQ(std::find(Names.begin(), Names.end(), "Name"), Names.end());

    // Changing through an editor tells the designer.
    int Told = 0;
    Designer->OnModified = [&](TDesigner*) { ++Told; };
    Designer->FindProperty("Line1.CallParams.NoAnswerTimeout")->SetValue("9600");
    EXPECT_EQ(Line->Get_CallParams()->Get_NoAnswerTimeout(), 9600u);
    EXPECT_EQ(Told, 1);
}

TEST_F(DesignRegistryTest, EditorsNeedAPropertyAndObjects)
{
    const TPropertyInfo* P = ClassInfoOf<TTapiLine>()->FindProperty("MediaModes");
    EXPECT_THROW(TPropertyEditor(Designer.get(), {}, P), EPropertyError);
    EXPECT_THROW(TPropertyEditor(Designer.get(), {Line}, nullptr), EPropertyError);
    EXPECT_THROW(TPropertyEditor(Designer.get(), {nullptr}, P), EPropertyError);
    // Several objects: shown from the first, stored in all.
    TTapiLine Other(nullptr);
    auto E = EditorClass<TTapiHexProperty>()->Create(Designer.get(), {Line, &Other}, P);
    EXPECT_EQ(E->PropCount(), 2);
    E->SetValue("$24");
    EXPECT_EQ(Line->Get_MediaModes(), 0x24u);
    EXPECT_EQ(Other.Get_MediaModes(), 0x24u);
    EXPECT_EQ(E->GetComponent(1), &Other);
    EXPECT_THROW(E->GetComponent(2), EListError);
    EXPECT_TRUE(EditorClass<TTapiMediaModesProperty>()->InheritsFrom(EditorClass<TStringProperty>()));
    EXPECT_FALSE(EditorClass<TStringProperty>()->InheritsFrom(EditorClass<TTapiHexProperty>()));
}

} // namespace
