// The LED's published properties and a form round trip: its port is
// written by name, its timer not at all, and Loaded reads the signal.
#include "led_test_util.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>

using namespace kxtapi;
using namespace kxtapi::test;

namespace {

/// A form whose constructor makes its port, as a designed form does.
class TLedTestForm : public TComponent {
public:
    explicit TLedTestForm(TComponent* AOwner) : TComponent(AOwner)
    {
        Port = new TComPort(this);
        Port->Set_Name("ComPort1");
        Port->Set_PortName("COM63");
        Port->SetSubComponent(true);
    }
    std::string ClassName() const override { return "TLedTestForm"; }
    TComPort* Port;
};

const bool FormRegistered = [] {
    RegisterClass<TLedTestForm, TComponent>("TLedTestForm");
    return true;
}();

class LedForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application()->SetMainThread();
        Pair = TSimulatedPair::Create();
        MapSimulatedPort("COM63", Pair);
    }
    void TearDown() override
    {
        MapSimulatedPort("COM63", nullptr);
        Application()->ProcessMessages();
    }
    std::shared_ptr<TSimulatedPair> Pair;
};

} // namespace

TEST_F(LedForm, PublishedPropertiesInOrder)
{
    const TClassInfo* Class = FindClass("TComPortLed");
    std::vector<std::string> Names;
    for (const TPropertyInfo* P : Class->Properties()) Names.push_back(P->Name());
    EXPECT_EQ(Names, (std::vector<std::string>{"Name", "Tag", "Left", "Top", "Width", "Height", "Visible",
                                               "Active", "Style", "ColorOn", "ColorOff", "ComPort", "Signal"}));
    EXPECT_TRUE(Class->FindProperty("Active")->IsReadOnly());
    for (const char* P : {"Style", "ColorOn", "ColorOff", "Signal"})
        EXPECT_FALSE(Class->FindProperty(P)->HasDefault()) << P;

    TComPortLed Led(nullptr);
    Class->FindProperty("ColorOn")->SetOrd(&Led, clYellow);
    Class->FindProperty("ColorOff")->SetOrd(&Led, clOlive);
    Class->FindProperty("Style")->SetAsText(&Led, "bsRaised");
    Class->FindProperty("Signal")->SetAsText(&Led, "csRXD");
    EXPECT_EQ(Led.Get_ColorOn(), clYellow);
    EXPECT_EQ(Led.Get_ColorOff(), clOlive);
    EXPECT_EQ(Led.Get_Style(), bsRaised);
    EXPECT_EQ(Led.Get_Signal(), csRXD);
    EXPECT_THROW(Class->FindProperty("Active")->SetOrd(&Led, 1), EPropertyError);
    TComponent NotAPort(nullptr);
    EXPECT_THROW(Class->FindProperty("ComPort")->SetReference(&Led, &NotAPort), EPropertyError);
}

TEST_F(LedForm, RoundTripLinksTheLedToThePortByName)
{
    std::string Text;
    {
        TLedTestForm Form(nullptr);
        auto* Led = new TComPortLed(&Form);
        Led->Set_Name("Led1");
        Led->SetBounds(8, 9, 16, 16);
        Led->SetSignal(csCTS);
        Led->SetStyle(bsRaised);
        Led->SetColor(0, clRed);
        Led->SetPort(Form.Port);
        Text = WriteComponentToString(&Form);
    }
    const auto Json = nlohmann::json::parse(Text);
    const auto& Components = Json["root"]["components"];
    ASSERT_EQ(Components.size(), 1u) << Text;  // no port, no timer: the constructors make them
    EXPECT_EQ(Components[0]["class"], "TComPortLed");
    EXPECT_TRUE(!Components[0].contains("components") || Components[0]["components"].empty()) << Text;
    const auto& Props = Components[0]["properties"];
    EXPECT_EQ(Props["ComPort"], "ComPort1");
    EXPECT_EQ(Props["Signal"], "csCTS");
    EXPECT_EQ(Props["Style"], "bsRaised");
    EXPECT_EQ(Props["ColorOn"], clRed);
    EXPECT_EQ(Props["ColorOff"], clGreen);  // no default: always written
    EXPECT_EQ(Props["Left"], 8);
    EXPECT_FALSE(Props.contains("Active"));

    // Read into a form whose port is open with CTS on: Loaded lights it.
    Pair->SetCTS(true);
    TLedTestForm Form(nullptr);
    Form.Port->Open();
    ReadComponent(Text, &Form);
    auto* Led = dynamic_cast<TComPortLed*>(Form.FindComponent("Led1"));
    ASSERT_NE(Led, nullptr);
    EXPECT_EQ(Led->Get_ComPort(), Form.Port);
    EXPECT_EQ(Led->Get_Signal(), csCTS);
    EXPECT_EQ(Led->Get_Style(), bsRaised);
    EXPECT_EQ(Led->Get_ColorOn(), clRed);
    EXPECT_EQ(Led->Get_Left(), 8);
    EXPECT_TRUE(Led->Get_Active());
    EXPECT_EQ(Led->ComponentCount(), 1);  // its own timer only

    // And it is linked: the line going off reaches it.
    Pair->SetCTS(false);
    EXPECT_TRUE(PumpUntil([&] { return !Led->Get_Active(); }));
}
