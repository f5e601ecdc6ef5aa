#include "fake_components.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

using namespace kxtapi;
using namespace fake;
using json = nlohmann::ordered_json;

namespace {

class Forms : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterFakeClasses();
        LoadLog().clear();
    }
};

// A form with a port (non-default values of every kind), a panel owning a
// second port, and two LEDs referring to them.
std::unique_ptr<TFakeForm> SampleForm()
{
    auto form = std::make_unique<TFakeForm>(nullptr);
    form->Set_Name("Form1");
    form->Set_Caption("Gr\xFC\xDF" "e \x80 \x81");   // ü ß € and an undefined byte
    form->Set_Tag(-7);
    auto* port = new TFakePort(form.get());
    port->Set_Name("Port1");
    port->Set_Baud(19200);
    port->Set_Parity(fpEven);
    port->Set_Flow({ffUseRTS, ffXonXoff});
    port->Set_Active(true);
    port->Set_Description("K\xFChlschrank");
    port->Set_XonChar(static_cast<char>(0xA7));
    port->Get_Options()->Set_ReplyTimeout(1500);
    port->Get_Options()->Set_Limit(0, 5);
    auto* panel = new TFakePanel(form.get());
    panel->Set_Name("Panel1");
    auto* port2 = new TFakeFastPort(panel);
    port2->Set_Name("Port2");
    auto* led = new TFakeLed(form.get());
    led->Set_Name("Led1");
    led->Set_ComPort(port);
    led->Set_Signal(fsCTS);
    auto* led2 = new TFakeLed(panel);
    led2->Set_Name("Led2");
    led2->Set_ComPort(port2);
    return form;
}

} // namespace

TEST_F(Forms, WritesOnlyStoredValuesThatDifferFromTheirDefaults)
{
    auto form = SampleForm();
    const json doc = json::parse(WriteComponentToString(form.get()));
    EXPECT_EQ(doc["format"], "kxtapi-form");
    EXPECT_EQ(doc["version"], 1);
    const json& root = doc["root"];
    EXPECT_EQ(root["class"], "TFakeForm");
    EXPECT_EQ(root["name"], "Form1");
    EXPECT_EQ(root["properties"], json::parse(R"({"Tag": -7, "Caption": "Grüße € \u0081"})"));
    const json& port = root["components"][0];
    EXPECT_EQ(port, json::parse(R"({"class": "TFakePort", "name": "Port1", "properties": {
        "Active": true, "Baud": 19200, "Description": "Kühlschrank", "Flow": ["ffUseRTS", "ffXonXoff"],
        "Options": {"ReplyTimeout": 1500, "Retries": 5}, "Parity": "fpEven", "XonChar": "§"}})"));
    // A port at its defaults writes only what has no default.
    const json& port2 = root["components"][1]["components"][0];
    EXPECT_EQ(port2, json::parse(R"({"class": "TFakeFastPort", "name": "Port2",
        "properties": {"Active": false, "Flow": []}})"));
    EXPECT_EQ(root["components"][2]["properties"], json::parse(R"({"ComPort": "Port1", "Signal": "fsCTS"})"));
    EXPECT_EQ(root["components"][1]["components"][1]["properties"]["ComPort"], "Panel1.Port2");
}

TEST_F(Forms, RoundTripRecreatesTheTreeAndLoadedSeesEverythingSet)
{
    auto original = SampleForm();
    const std::string text = WriteComponentToString(original.get());
    std::unique_ptr<TFakeForm> copy = ReadNewComponent<TFakeForm>(text);

    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(WriteComponentToString(copy.get()), text);
    EXPECT_EQ(copy->Get_Caption(), original->Get_Caption());
    auto* port = dynamic_cast<TFakePort*>(copy->FindComponent("Port1"));
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->Get_Description(), "K\xFChlschrank");
    EXPECT_EQ(port->Get_XonChar(), static_cast<char>(0xA7));
    EXPECT_TRUE(port->IsOpen());   // the wish stored while loading, applied by Loaded
    EXPECT_EQ(port->Get_Options()->Get_Limit(0), 5);
    auto* panel = copy->FindComponent("Panel1");
    auto* port2 = dynamic_cast<TFakeFastPort*>(panel->FindComponent("Port2"));
    ASSERT_NE(port2, nullptr);
    EXPECT_EQ(dynamic_cast<TFakeLed*>(panel->FindComponent("Led2"))->Get_ComPort(), port2);

    // Loaded runs root first, then in creation order, after every property
    // and reference is in place, with csReading already cleared.
    EXPECT_EQ(LoadLog(), (std::vector<std::string>{
                             "Form1: caption=" + original->Get_Caption() + " children=3",
                             "Port1: loading=1 reading=0 baud=19200 timeout=1500 port=COM1",
                             "Port2: loading=1 reading=0 baud=115200 timeout=60000 port=COM1",
                             "Led2: port=Port2 portbaud=115200",
                             "Led1: port=Port1 portbaud=19200",
                         }));
    for (TComponent* c : {static_cast<TComponent*>(copy.get()), static_cast<TComponent*>(port),
                          static_cast<TComponent*>(port2)})
        EXPECT_FALSE(c->IsLoading());
}

TEST_F(Forms, SetsLoadingBeforeAnyPropertyOnTheComponentsReadOnly)
{
    // Active stored while loading does not open; only Loaded does.
    const char* text = R"({"format": "kxtapi-form", "version": 1, "root": {"class": "TFakeForm",
        "components": [{"class": "TFakePort", "name": "P", "properties": {"Active": true}}]}})";
    TFakeForm form(nullptr);
    auto* bystander = new TFakePort(&form);
    bystander->Set_Name("Bystander");
    ReadComponent(text, &form);
    auto* p = dynamic_cast<TFakePort*>(form.FindComponent("P"));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->IsOpen());
    ASSERT_EQ(LoadLog().size(), 2u);
    EXPECT_EQ(LoadLog()[1], "P: loading=1 reading=0 baud=9600 timeout=60000 port=COM1");
    // A component the form does not mention is not marked and gets no Loaded.
    EXPECT_FALSE(bystander->IsLoading());
}

TEST_F(Forms, ReadsIntoAnExistingRootReusingTheComponentsItsConstructorMade)
{
    TDesignedForm designed(nullptr);
    designed.Set_Name("Main");
    designed.Set_Caption("Terminal");
    designed.Port1->Set_Baud(57600);
    designed.Led1->Set_ComPort(designed.Port1);
    const std::string text = WriteComponentToString(&designed);
    EXPECT_EQ(text.find("TComponent"), std::string::npos);   // the sub-component is not written

    TDesignedForm target(nullptr);
    TFakePort* port = target.Port1;
    ReadComponent(text, &target);
    EXPECT_EQ(target.Get_Name(), "Main");
    EXPECT_EQ(target.Get_Caption(), "Terminal");
    EXPECT_EQ(target.ComponentCount(), 3);   // nothing duplicated
    EXPECT_EQ(target.Port1, port);
    EXPECT_EQ(port->Get_Baud(), 57600);
    EXPECT_EQ(target.Led1->Get_ComPort(), port);
    EXPECT_FALSE(target.Timer->IsLoading());
    EXPECT_EQ(LoadLog().size(), 3u);
}

TEST_F(Forms, FilesAndStreamsCarryTheSameText)
{
    auto form = SampleForm();
    const auto dir = std::filesystem::temp_directory_path() / ("kxtapi_forms_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "form.json").string();
    WriteComponentFile(file, form.get());
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
    auto fromFile = ReadNewComponentFile<TFakeForm>(file);
    EXPECT_EQ(WriteComponentToString(fromFile.get()), WriteComponentToString(form.get()));

    std::stringstream stream;
    WriteComponent(stream, form.get());
    TFakeForm into(nullptr);
    ReadComponent(stream, &into);
    EXPECT_EQ(into.ComponentCount(), 3);

    try {
        ReadComponentFile((dir / "missing.json").string(), &into);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Line, 0);
        EXPECT_NE(e.Message().find("Cannot open file"), std::string::npos);
    }
    std::filesystem::remove_all(dir);
}

TEST_F(Forms, ReferencesOutsideTheFormNeedAFinder)
{
    TFakeForm other(nullptr);
    other.Set_Name("Other");
    auto* port = new TFakePort(&other);
    port->Set_Name("Port9");
    TFakeForm form(nullptr);
    form.Set_Name("Form1");
    auto* led = new TFakeLed(&form);
    led->Set_Name("Led1");
    led->Set_ComPort(port);
    const std::string text = WriteComponentToString(&form);
    EXPECT_NE(text.find("\"Other.Port9\""), std::string::npos);

    EXPECT_THROW(ReadNewComponent(text), EReadError);
    TFormReadOptions options;
    options.FindRoot = [&](const std::string& Name) -> TComponent* {
        return AnsiSameText(Name, "other") ? &other : nullptr;
    };
    auto copy = ReadNewComponent<TFakeForm>(text, options);
    EXPECT_EQ(dynamic_cast<TFakeLed*>(copy->FindComponent("Led1"))->Get_ComPort(), port);
}

TEST_F(Forms, WritingRefusesWhatCouldNotBeReadBack)
{
    TFakeForm form(nullptr);
    auto* port = new TFakePort(&form);   // unnamed
    auto* led = new TFakeLed(&form);
    led->Set_ComPort(port);
    EXPECT_THROW(WriteComponentToString(&form), EWriteError);
    led->Set_ComPort(nullptr);
    port->Set_Parity(static_cast<TFakeParity>(3));   // within the type, but no name
    EXPECT_THROW(WriteComponentToString(&form), EWriteError);
    port->Set_Parity(fpNone);
    new TUnregistered(&form);
    EXPECT_THROW(WriteComponentToString(&form), EWriteError);
}
