// The package's property editors: texts shown, lists offered, typed text
// taken, and what each refuses or ignores.

#include "design_fixture.h"

using namespace kxtapi;
using namespace kxtapi::testing;

namespace {

using TapiEditors = DesignTest;

TEST_F(TapiEditors, HexShowsDollarHexAndTakesNumbers)
{
    TTapiTSP* Tsp = Line->Get_TSP();
    auto E = EditorOf<TTapiHexProperty>(Tsp, "ExtLowVersion");
    EXPECT_TRUE(E->GetAttributes() == (TPropertyAttributes{paMultiSelect, paRevertable}));

    Tsp->Set_ExtLowVersion(0x00010004);
    EXPECT_EQ(E->GetValue(), "$10004");
    Tsp->Set_ExtLowVersion(0x2001F);
    EXPECT_EQ(E->GetValue(), "$2001F");
    Tsp->Set_ExtLowVersion(0);
    EXPECT_EQ(E->GetValue(), "$0");

    E->SetValue(" $1F ");
    EXPECT_EQ(Tsp->Get_ExtLowVersion(), 31u);
    E->SetValue("42");
    EXPECT_EQ(Tsp->Get_ExtLowVersion(), 42u);
    E->SetValue("$FFFFFFFF");
    EXPECT_EQ(Tsp->Get_ExtLowVersion(), 0xFFFFFFFFu);
    E->SetValue("4294967295");
    EXPECT_EQ(Tsp->Get_ExtLowVersion(), 0xFFFFFFFFu);
    // Not a number by its first character, but an integer all the same.
    E->SetValue("-1");
    EXPECT_EQ(Tsp->Get_ExtLowVersion(), 0xFFFFFFFFu);
    EXPECT_EQ(Designer->ModifiedCount(), 5);
}

TEST_F(TapiEditors, HexRefusesTextThatIsNoNumberWithAConversionError)
{
    TTapiTSP* Tsp = Line->Get_TSP();
    Tsp->Set_ExtLowVersion(7);
    auto E = EditorOf<TTapiHexProperty>(Tsp, "ExtLowVersion");
    try {
        E->SetValue("abc");
        FAIL() << "no error";
    } catch (const EConvertError& Err) {
        EXPECT_EQ(Err.Message(), "'abc' is not a valid integer value");
    }
    // Beyond 32 bits is refused too rather than cut to another value.
    EXPECT_THROW(E->SetValue("$100000000"), EConvertError);
    EXPECT_THROW(E->SetValue("-3000000000"), EConvertError);
    EXPECT_EQ(Tsp->Get_ExtLowVersion(), 7u);
    EXPECT_EQ(Designer->ModifiedCount(), 0);

    // The numeric entry alone swallows the failure.
    auto* Hex = static_cast<TTapiHexProperty*>(E.get());
    EXPECT_FALSE(Hex->SetNumValue("abc"));
    EXPECT_FALSE(Hex->SetNumValue("$XYZ"));
    EXPECT_FALSE(Hex->SetNumValue("  "));
    EXPECT_FALSE(Hex->SetNumValue("99999999999"));
    EXPECT_EQ(Tsp->Get_ExtLowVersion(), 7u);
}

TEST_F(TapiEditors, MediaModesShowOneBitByNameAndOthersInHex)
{
    auto E = Editor("Line1.MediaModes");
    ASSERT_TRUE(E);
    auto M = EditorOf<TTapiMediaModesProperty>(Line, "MediaModes");
    EXPECT_TRUE(M->GetAttributes() == TPropertyAttributes{paDialog});

    Line->Set_MediaModes(0x10);
    EXPECT_EQ(M->GetValue(), "DATAMODEM");
    Line->Set_MediaModes(0x18);
    EXPECT_EQ(M->GetValue(), "$18");
    Line->Set_MediaModes(0x14);
    EXPECT_EQ(M->GetValue(), "$14");
    Line->Set_MediaModes(0);
    EXPECT_EQ(M->GetValue(), "$0");

    // Names are chosen in the dialog: typed names change nothing.
    Line->Set_MediaModes(0x14);
    M->SetValue("DATAMODEM");
    M->SetValue("garbage");
    EXPECT_EQ(Line->Get_MediaModes(), 0x14u);
    EXPECT_EQ(Designer->ModifiedCount(), 0);
    M->SetValue("$20");
    EXPECT_EQ(Line->Get_MediaModes(), 0x20u);
    M->SetValue("36");
    EXPECT_EQ(Line->Get_MediaModes(), 36u);
}

TEST_F(TapiEditors, MediaModeNamesListAndLookup)
{
    TTapiCallParameters* Params = Line->Get_CallParams();
    auto E = EditorOf<TTapiMediaModeProperty>(Params, "MediaMode");
    EXPECT_TRUE(E->GetAttributes() == TPropertyAttributes{paValueList});

    Params->Set_MediaMode(LINEMEDIAMODE_G3FAX);
    EXPECT_EQ(E->GetValue(), "G3FAX");
    const std::vector<std::string> Values = ValuesOf(*E);
    ASSERT_EQ(Values.size(), 14u);
    EXPECT_EQ(Values.front(), "UNKNOWN");
    EXPECT_EQ(Values[1], "INTERACTIVEVOICE");
    EXPECT_EQ(Values.back(), "VOICEVIEW");

    E->SetValue("DATAMODEM");
    EXPECT_EQ(Params->Get_MediaMode(), static_cast<uint32_t>(LINEMEDIAMODE_DATAMODEM));
    E->SetValue("VIDEO");
    EXPECT_EQ(Params->Get_MediaMode(), 0x8000u);
    E->SetValue("$4");
    EXPECT_EQ(Params->Get_MediaMode(), 4u);
    // An unknown name stores the lookup's fallback.
    E->SetValue("datamodem");
    EXPECT_EQ(Params->Get_MediaMode(), 0u);
}

TEST_F(TapiEditors, BearerAddressAndDigitModes)
{
    TTapiCallParams Full;
    TTapiCallParams* Params = &Full;
    auto Bearer = EditorOf<TTapiBearerModeProperty>(Params, "BearerMode");
    Params->Set_BearerMode(LINEBEARERMODE_DATA);
    EXPECT_EQ(Bearer->GetValue(), "DATA");
    EXPECT_EQ(ValuesOf(*Bearer), (std::vector<std::string>{"VOICE", "SPEECH", "MULTIUSE", "DATA", "ALTSPEECHDATA",
                                                             "NONCALLSIGNALING", "PASSTHROUGH"}));
    Bearer->SetValue("1");
    EXPECT_EQ(Params->Get_BearerMode(), 1u);
    Bearer->SetValue("PASSTHROUGH");
    EXPECT_EQ(Params->Get_BearerMode(), static_cast<uint32_t>(LINEBEARERMODE_PASSTHROUGH));
    Bearer->SetValue("nothing");
    EXPECT_EQ(Params->Get_BearerMode(), 0u);
    EXPECT_EQ(Bearer->GetValue(), "$0");

    auto Address = EditorOf<TTapiAddressModeProperty>(Params, "AddressMode");
    EXPECT_EQ(Address->GetValue(), "ADDRESSID");
    EXPECT_EQ(ValuesOf(*Address), (std::vector<std::string>{"ADDRESSID", "DIALABLEADDR"}));
    Address->SetValue("DIALABLEADDR");
    EXPECT_EQ(Params->Get_AddressMode(), static_cast<uint32_t>(LINEADDRESSMODE_DIALABLEADDR));
    Address->SetValue("x");
    EXPECT_EQ(Params->Get_AddressMode(), 0u);

    TTapiCallGatherDigitsParams* Gather = Line->Get_CallOptions()->Get_GatherDigits();
    auto Digits = EditorOf<TTapiDigitModeProperty>(Gather, "DigitModes");
    EXPECT_EQ(Digits->GetValue(), "DTMF");
    EXPECT_EQ(ValuesOf(*Digits), (std::vector<std::string>{"DTMF", "DTMFEND", "PULSE"}));
    Digits->SetValue("PULSE");
    EXPECT_EQ(Gather->Get_DigitModes(), static_cast<uint32_t>(LINEDIGITMODE_PULSE));
    Digits->SetValue("$6");
    EXPECT_EQ(Gather->Get_DigitModes(), 6u);
    EXPECT_EQ(Digits->GetValue(), "$6");
    Digits->SetValue("dtmf");
    EXPECT_EQ(Gather->Get_DigitModes(), 0u);
}

TEST_F(TapiEditors, CallPrivilegeNamesJoinedByPlus)
{
    // No published property holds call privileges; a Cardinal stands in.
    TTapiCallParams Full;
    TTapiCallParams* Params = &Full;
    auto E = EditorOf<TTapiCallPrivilegeProperty>(Params, "Flags");
    const std::pair<uint32_t, const char*> Shown[] = {
        {0, ""}, {1, "NONE"}, {2, "MONITOR"}, {4, "OWNER"}, {6, "OWNER+MONITOR"}, {7, "NONE+OWNER+MONITOR"},
        {8, ""}};
    for (const auto& [Value, Text] : Shown) {
        Params->Set_Flags(Value);
        EXPECT_EQ(E->GetValue(), Text) << Value;
    }
    EXPECT_EQ(ValuesOf(*E), (std::vector<std::string>{"NONE", "MONITOR", "OWNER", "OWNER+MONITOR"}));

    const std::pair<const char*, uint32_t> Typed[] = {{"NONE", 1}, {"MONITOR", 2}, {"OWNER", 4}, {"OWNER+MONITOR", 6}};
    for (const auto& [Text, Value] : Typed) {
        E->SetValue(Text);
        EXPECT_EQ(Params->Get_Flags(), Value) << Text;
    }
    // Exact and case-sensitive; numbers are no names either.
    const int Before = Designer->ModifiedCount();
    for (const char* Ignored : {"owner", "MONITOR+OWNER", " NONE", "4", ""}) E->SetValue(Ignored);
    EXPECT_EQ(Params->Get_Flags(), 6u);
    EXPECT_EQ(Designer->ModifiedCount(), Before);
}

TEST_F(TapiEditors, DeviceNamesComeFromTheSessionsLists)
{
    auto E = Editor("Line1.DeviceName");
    ASSERT_TRUE(E);
    auto D = EditorOf<TTapiDeviceNameProperty>(Line, "DeviceName");
    EXPECT_FALSE(D->AutoFill());
    EXPECT_TRUE(D->GetAttributes() == TPropertyAttributes{paValueList});
    EXPECT_EQ(ValuesOf(*D), (std::vector<std::string>{"Simulated Line 1", "Simulated Line 2"}));
    EXPECT_TRUE(TapiApplication->IsActive());
    // Reading the list tells the designer.
    EXPECT_EQ(Designer->ModifiedCount(), 1);

    D->SetValue("Simulated Line 2");
    EXPECT_EQ(Line->Get_DeviceName(), "Simulated Line 2");

    // A list handed in is replaced, not appended to.
    TStringList List{"stale"};
    static_cast<TTapiDeviceNameProperty*>(D.get())->GetValueList(&List);
    EXPECT_EQ(List.ToVector(), (std::vector<std::string>{"Simulated Line 1", "Simulated Line 2"}));

    // Any other object has no device names.
    auto Other = EditorOf<TTapiDeviceNameProperty>(Port, "PortName");
    TStringList Empty;
    static_cast<TTapiDeviceNameProperty*>(Other.get())->GetValueList(&Empty);
    EXPECT_EQ(Empty.Count(), 0);
}

TEST_F(TapiEditors, ProviderVersionsExpandReadOnly)
{
    auto E = Editor("Line1.TSP");
    ASSERT_TRUE(E);
    auto T = EditorOf<TTapiTSPProperty>(Line, "TSP");
    EXPECT_TRUE(T->GetAttributes() == (TPropertyAttributes{paSubProperties, paReadOnly}));
    EXPECT_EQ(T->GetValue(), "(TTapiLineTSP)");
    T->Edit();
    std::vector<std::string> Names;
    T->GetProperties([&](std::unique_ptr<TPropertyEditor> P) { Names.push_back(P->GetName()); });
    EXPECT_EQ(Names, (std::vector<std::string>{"ExtVersion", "ExtLowVersion", "ExtHighVersion", "ExtensionID0",
                                               "ExtensionID1", "ExtensionID2", "ExtensionID3"}));
}

TEST_F(TapiEditors, PortNamesAndParityLetters)
{
    auto Pair = TSimulatedPair::Create();
    MapSimulatedPort("COM41", Pair);
    MapSimulatedPort("COM40", Pair);
    auto Names = EditorOf<TComPortStringProperty>(Port, "PortName");
    EXPECT_TRUE(Names->GetAttributes() == (TPropertyAttributes{paValueList, paSortList}));
    const std::vector<std::string> Offered = ValuesOf(*Names);
    EXPECT_EQ(Offered, Port->Get_Ports()->ToVector());
    EXPECT_NE(std::find(Offered.begin(), Offered.end(), "COM40"), Offered.end());
    EXPECT_NE(std::find(Offered.begin(), Offered.end(), "COM41"), Offered.end());
    MapSimulatedPort("COM40", nullptr);
    MapSimulatedPort("COM41", nullptr);

    auto Parity = EditorOf<TComPortParityProperty>(Port, "Parity");
    EXPECT_TRUE(Parity->GetAttributes() == TPropertyAttributes{paValueList});
    EXPECT_EQ(ValuesOf(*Parity), (std::vector<std::string>{"N", "O", "E", "M", "S"}));
    EXPECT_EQ(Parity->GetValue(), "N");
    Parity->SetValue("E");
    EXPECT_EQ(Port->Get_Parity(), 'E');

    // Bound to anything but a port, both fail as an invalid cast.
    TTapiCallParams Full;
    TTapiCallParams* Params = &Full;
    auto Wrong = EditorOf<TComPortStringProperty>(Params, "CalledParty");
    try {
        ValuesOf(*Wrong);
        FAIL() << "no error";
    } catch (const EInvalidCast& Err) {
        EXPECT_EQ(Err.Message(), "Invalid class typecast");
    }
    auto WrongParity = EditorOf<TComPortParityProperty>(Params, "AddressID");
    EXPECT_THROW(ValuesOf(*WrongParity), EInvalidCast);
}

} // namespace
