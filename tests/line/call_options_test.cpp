// The per-call option templates: initial values, assignment rules, published
// properties, and a form round trip with the line's two option objects as
// sub-objects of a component.
#include "kxtapi/line/call_options.h"
#include "kxtapi/line/call_parameters.h"
#include "kxtapi/line/call_params.h"
#include "kxtapi/line/registration.h"
#include "kxtapi/rtl/forms.h"
#include "kxtapi/rtl/properties.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

using namespace kxtapi;

namespace {

// Stands in for a running monitor: refuses mode changes while active.
class TRunningDigitMonitor : public TTapiCallMonitorDigitsParams {
public:
    bool Active = false;
    void SetDigitModes(uint32_t Value) override
    {
        if (Active) throw Exception("Unable to set DigitModes while monitoring is active.");
        TTapiCallMonitorDigitsParams::SetDigitModes(Value);
    }
};

class TRunningMediaMonitor : public TTapiCallMonitorMediaParams {
public:
    bool Active = false;
    void SetMediaModes(uint32_t Value) override
    {
        if (Active) throw Exception("Unable to set MediaModes while monitoring is active.");
        TTapiCallMonitorMediaParams::SetMediaModes(Value);
    }
};

// Stands in for the gather monitor, whose digit buffer holds gathered digits.
class TGatherMonitor : public TTapiCallGatherDigitsParams {
public:
    void Gathered(const std::string& Value) { FDigits = Value; }
};

// A component carrying the line's two option objects, as a line does.
class TOptionsHolder : public TComponent {
public:
    explicit TOptionsHolder(TComponent* AOwner) : TComponent(AOwner) {}
    std::string ClassName() const override { return "TOptionsHolder"; }
    TTapiCallOptions* Get_CallOptions() const { return FCallOptions.get(); }
    TTapiCallParameters* Get_CallParams() const { return FCallParams.get(); }

private:
    std::unique_ptr<TTapiCallOptions> FCallOptions = std::make_unique<TTapiCallOptions>();
    std::unique_ptr<TTapiCallParameters> FCallParams = std::make_unique<TTapiCallParameters>();
};

void RegisterHolder()
{
    static const bool Done = [] {
        RegisterLineClasses();
        RegisterClass<TOptionsHolder, TComponent>("TOptionsHolder")
            .Object("CallOptions", &TOptionsHolder::Get_CallOptions)
            .Object("CallParams", &TOptionsHolder::Get_CallParams);
        return true;
    }();
    (void)Done;
}

std::vector<std::string> PropertyNames(const char* Class)
{
    std::vector<std::string> Names;
    for (const TPropertyInfo* p : FindClass(Class)->Properties()) Names.push_back(p->Name());
    return Names;
}

} // namespace

TEST(CallOptions, InitialValues)
{
    TTapiCallOptions O;
    EXPECT_EQ(O.Get_GatherDigits()->Get_DigitModes(), LINEDIGITMODE_DTMF);
    EXPECT_EQ(O.Get_GatherDigits()->Get_TerminationDigits(), "*#");
    EXPECT_EQ(O.Get_GatherDigits()->Get_FirstDigitTimeout(), 5000u);
    EXPECT_EQ(O.Get_GatherDigits()->Get_InterDigitTimeout(), 5000u);
    EXPECT_EQ(O.Get_GatherDigits()->Get_NumDigits(), 0u);
    EXPECT_EQ(O.Get_GatherDigits()->Get_Digits(), "0123456789");
    EXPECT_EQ(O.Get_MonitorDigits()->Get_DigitModes(), LINEDIGITMODE_DTMF);
    EXPECT_EQ(O.Get_MonitorMedia()->Get_MediaModes(), 0u);
    EXPECT_EQ(O.Get_MonitorSilence()->Get_Duration(), 0u);
    EXPECT_EQ(O.Get_Comm()->Get_DeviceClass(), "comm/datamodem");
    EXPECT_FALSE(O.Get_Comm()->Get_Enabled());

    TTapiCallParameters P;
    EXPECT_EQ(P.Get_AddressID(), 0u);
    EXPECT_EQ(P.Get_BearerMode(), LINEBEARERMODE_VOICE);
    EXPECT_FALSE(P.Get_BlockID());
    EXPECT_EQ(P.Get_MediaMode(), LINEMEDIAMODE_INTERACTIVEVOICE);
    EXPECT_EQ(P.Get_NoAnswerTimeout(), 0u);
}

TEST(CallOptions, GatherDigitsAssignKeepsTheDigitBuffer)
{
    TTapiCallGatherDigitsParams Template;
    Template.Set_DigitModes(LINEDIGITMODE_PULSE);
    Template.Set_TerminationDigits("#");
    Template.Set_FirstDigitTimeout(100);
    Template.Set_InterDigitTimeout(200);
    Template.Set_NumDigits(4);
    TGatherMonitor Monitor;
    Monitor.Gathered("12");
    Monitor.Assign(&Template);
    EXPECT_EQ(Monitor.Get_DigitModes(), LINEDIGITMODE_PULSE);
    EXPECT_EQ(Monitor.Get_TerminationDigits(), "#");
    EXPECT_EQ(Monitor.Get_FirstDigitTimeout(), 100u);
    EXPECT_EQ(Monitor.Get_InterDigitTimeout(), 200u);
    EXPECT_EQ(Monitor.Get_NumDigits(), 4u);
    EXPECT_EQ(Monitor.Get_Digits(), "12");
}

TEST(CallOptions, ModeAssignmentGoesThroughTheMonitorsCheck)
{
    TTapiCallMonitorDigitsParams DigitTemplate;
    DigitTemplate.SetDigitModes(LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND);
    TRunningDigitMonitor Digits;
    Digits.Assign(&DigitTemplate);
    EXPECT_EQ(Digits.Get_DigitModes(), 6u);
    Digits.Active = true;
    DigitTemplate.SetDigitModes(LINEDIGITMODE_PULSE);
    EXPECT_THROW(Digits.Assign(&DigitTemplate), Exception);
    EXPECT_EQ(Digits.Get_DigitModes(), 6u);
    // The published setter is the checking one too.
    const TPropertyInfo* Prop = FindClass("TTapiCallMonitorDigitsParams")->FindProperty("DigitModes");
    EXPECT_THROW(Prop->SetOrd(&Digits, 1), Exception);
    EXPECT_EQ(Digits.Get_DigitModes(), 6u);

    TTapiCallMonitorMediaParams MediaTemplate;
    MediaTemplate.SetMediaModes(LINEMEDIAMODE_DATAMODEM);
    TRunningMediaMonitor Media;
    Media.Assign(&MediaTemplate);
    EXPECT_EQ(Media.Get_MediaModes(), LINEMEDIAMODE_DATAMODEM);
    Media.Active = true;
    MediaTemplate.SetMediaModes(0);
    EXPECT_THROW(Media.Assign(&MediaTemplate), Exception);
    EXPECT_EQ(Media.Get_MediaModes(), LINEMEDIAMODE_DATAMODEM);
}

TEST(CallOptions, ForeignSourcesRaiseExceptForSilenceWhichIgnoresThem)
{
    TTapiCallCommParams Foreign;
    TTapiCallGatherDigitsParams Gather;
    TTapiCallMonitorDigitsParams Digits;
    TTapiCallMonitorMediaParams Media;
    EXPECT_THROW(Gather.Assign(&Foreign), EAssignError);
    EXPECT_THROW(Digits.Assign(&Foreign), EAssignError);
    EXPECT_THROW(Media.Assign(&Foreign), EAssignError);

    TTapiCallMonitorSilenceParams Silence, Template;
    Silence.Set_Duration(300);
    EXPECT_NO_THROW(Silence.Assign(&Foreign));
    EXPECT_NO_THROW(Silence.Assign(nullptr));
    EXPECT_EQ(Silence.Get_Duration(), 300u);
    Template.Set_Duration(750);
    Silence.Assign(&Template);
    EXPECT_EQ(Silence.Get_Duration(), 750u);
}

TEST(CallOptions, PublishedPropertiesInOrderWithTheirDefaults)
{
    RegisterLineClasses();
    EXPECT_EQ(PropertyNames("TTapiCallOptions"),
              (std::vector<std::string>{"GatherDigits", "MonitorDigits", "MonitorMedia", "MonitorSilence", "Comm"}));
    EXPECT_EQ(PropertyNames("TTapiCallGatherDigitsParams"),
              (std::vector<std::string>{"DigitModes", "TerminationDigits", "FirstDigitTimeout", "InterDigitTimeout",
                                        "NumDigits"}));
    EXPECT_EQ(PropertyNames("TTapiCallCommParams"), (std::vector<std::string>{"Enabled"}));
    EXPECT_EQ(PropertyNames("TTapiCallParameters"),
              (std::vector<std::string>{"AddressID", "BearerMode", "BlockID", "MediaMode", "NoAnswerTimeout"}));
    EXPECT_EQ(PropertyNames("TTapiCallParams"),
              (std::vector<std::string>{"BearerMode", "MinRate", "MaxRate", "MediaMode", "Flags", "AddressMode",
                                        "AddressID", "DialParams", "OrigAddress", "DisplayableAddress",
                                        "CalledParty", "Comment", "TargetAddress", "NoAnswerTimeout",
                                        "CallingPartyID"}));
    EXPECT_EQ(PropertyNames("TTapiDialParams"),
              (std::vector<std::string>{"DialPause", "DialSpeed", "DigitDuration", "WaitForDialtone"}));

    // Freshly made objects are at their declared defaults, so nothing of them
    // would be written to a form.
    TTapiCallOptions Options;
    TTapiCallParameters Parameters;
    TTapiCallParams Params;
    for (const auto& [Class, Object] : std::vector<std::pair<const char*, const TPersistent*>>{
             {"TTapiCallOptions", &Options}, {"TTapiCallParameters", &Parameters}, {"TTapiCallParams", &Params}})
        for (const TPropertyInfo* p : FindClass(Class)->Properties())
            EXPECT_TRUE(p->IsDefaultValue(Object)) << Class << "." << p->Name();
    EXPECT_EQ(FindClass("TTapiCallGatherDigitsParams")->FindProperty("TerminationDigits")->StringDefault(), "*#");
}

TEST(CallOptions, FormRoundTripAsSubObjects)
{
    RegisterHolder();
    std::string Form;
    {
        TComponent Root(nullptr);
        Root.Set_Name("Form1");
        auto* Holder = new TOptionsHolder(&Root);
        Holder->Set_Name("Line1");
        TTapiCallOptions* O = Holder->Get_CallOptions();
        O->Get_GatherDigits()->Set_TerminationDigits("");
        O->Get_GatherDigits()->Set_NumDigits(4);
        O->Get_MonitorDigits()->SetDigitModes(LINEDIGITMODE_PULSE);
        O->Get_MonitorMedia()->SetMediaModes(LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_AUTOMATEDVOICE);
        O->Get_MonitorSilence()->Set_Duration(1500);
        O->Get_Comm()->Set_Enabled(true);
        O->Get_Comm()->Set_DeviceClass("comm");  // public only: not streamed
        Holder->Get_CallParams()->Set_BearerMode(LINEBEARERMODE_DATA);
        Holder->Get_CallParams()->Set_BlockID(true);
        Holder->Get_CallParams()->Set_NoAnswerTimeout(30);
        Form = WriteComponentToString(&Root);
    }
    const auto Doc = nlohmann::json::parse(Form);
    EXPECT_EQ(Doc["root"]["components"][0]["properties"], nlohmann::json::parse(R"({
        "CallOptions": {"GatherDigits": {"TerminationDigits": "", "NumDigits": 4},
                        "MonitorDigits": {"DigitModes": 1}, "MonitorMedia": {"MediaModes": 24},
                        "MonitorSilence": {"Duration": 1500}, "Comm": {"Enabled": true}},
        "CallParams": {"BearerMode": 8, "BlockID": true, "NoAnswerTimeout": 30}})"))
        << Form;

    TComponent Copy(nullptr);
    ReadComponent(Form, &Copy);
    auto* Holder = dynamic_cast<TOptionsHolder*>(Copy.FindComponent("Line1"));
    ASSERT_NE(Holder, nullptr);
    const TTapiCallOptions* O = Holder->Get_CallOptions();
    EXPECT_EQ(O->Get_GatherDigits()->Get_TerminationDigits(), "");
    EXPECT_EQ(O->Get_GatherDigits()->Get_NumDigits(), 4u);
    EXPECT_EQ(O->Get_GatherDigits()->Get_FirstDigitTimeout(), 5000u);
    EXPECT_EQ(O->Get_MonitorDigits()->Get_DigitModes(), LINEDIGITMODE_PULSE);
    EXPECT_EQ(O->Get_MonitorMedia()->Get_MediaModes(), 24u);
    EXPECT_EQ(O->Get_MonitorSilence()->Get_Duration(), 1500u);
    EXPECT_TRUE(O->Get_Comm()->Get_Enabled());
    EXPECT_EQ(O->Get_Comm()->Get_DeviceClass(), "comm/datamodem");
    const TTapiCallParameters* P = Holder->Get_CallParams();
    EXPECT_EQ(P->Get_BearerMode(), LINEBEARERMODE_DATA);
    EXPECT_TRUE(P->Get_BlockID());
    EXPECT_EQ(P->Get_NoAnswerTimeout(), 30u);
    EXPECT_EQ(P->Get_MediaMode(), LINEMEDIAMODE_INTERACTIVEVOICE);
    EXPECT_EQ(P->Get_AddressID(), 0u);
}

TEST(CallOptions, CallParamsPublishTheDialValuesAsASubObject)
{
    RegisterLineClasses();
    TTapiCallParams Params;
    Params.Get_DialParams()->Set_DialSpeed(70);
    Params.Set_CalledParty("Zentrale");
    const TClassInfo* Class = FindClass("TTapiCallParams");
    const TPropertyInfo* Dial = Class->FindProperty("DialParams");
    EXPECT_EQ(Dial->Kind(), pkObject);
    EXPECT_FALSE(Dial->IsDefaultValue(&Params));
    EXPECT_EQ(Dial->ObjectClass(), FindClass("TTapiDialParams"));
    EXPECT_EQ(FindClass("TTapiDialParams")->FindProperty("DialSpeed")->GetOrd(Dial->GetObject(&Params)), 70);
    Class->FindProperty("calledparty")->SetAsText(&Params, "Empfang");
    EXPECT_EQ(Params.Get_CalledParty(), "Empfang");
}
