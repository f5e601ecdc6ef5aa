#include "fake_components.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace kxtapi;
using namespace fake;

namespace {

class FormErrors : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterFakeClasses();
        LoadLog().clear();
    }
};

// A form document whose root is a TFakeForm holding Components (JSON text)
// and, on line 4 onwards, nothing else: positions below count on it.
std::string Form(const std::string& Components)
{
    return "{\n"
           "  \"format\": \"kxtapi-form\", \"version\": 1,\n"
           "  \"root\": {\"class\": \"TFakeForm\", \"name\": \"F\", \"properties\": {\"Caption\": \"old\"},\n"
           "    \"components\": [\n" +
           Components + "\n    ]}}\n";
}

EReadError ReadError(const std::string& Text, TComponent* Into = nullptr)
{
    try {
        if (Into != nullptr) ReadComponent(Text, Into, {"test.json", {}});
        else ReadNewComponent(Text, TFormReadOptions{"test.json", {}});
    } catch (const EReadError& e) {
        return e;
    }
    ADD_FAILURE() << "no EReadError for:\n" << Text;
    return EReadError("");
}

} // namespace

TEST_F(FormErrors, MalformedJsonNamesLineAndColumn)
{
    EReadError e = ReadError("{\n  \"format\": \"kxtapi-form\",\n  \"version\" 1}");
    EXPECT_EQ(e.Line, 3);
    EXPECT_EQ(e.Column, 13);
    EXPECT_EQ(e.SourceName, "test.json");
    EXPECT_EQ(e.Message().rfind("Error reading \"test.json\" at line 3, column 13: syntax error", 0), 0u) << e.Message();

    for (const char* bad : {"", "   ", "[", "{\"a\":1} x", "{\"a\": 1, \"a\": 2}", "\xFF", "{\"a\": 1e999}",
                            "{\"a\": \"\xC3\"}", "// comment\n{}"}) {
        EXPECT_THROW(ReadNewComponent(bad), EReadError) << bad;
    }
    EXPECT_EQ(ReadError("{\"root\": 1,\n \"root\": 2}").Line, 2);   // duplicate key, at the second
    EXPECT_GT(ReadError(std::string(300, '[') + std::string(300, ']')).Line, 0);   // too deep
}

TEST_F(FormErrors, DocumentShapeIsChecked)
{
    EXPECT_NE(ReadError("[]").Message().find("a form is a JSON object"), std::string::npos);
    EXPECT_NE(ReadError(R"({"format": "other", "version": 1, "root": {}})").Message().find("not a form file"),
              std::string::npos);
    EReadError v = ReadError(R"({"format": "kxtapi-form", "version": 2, "root": {}})");
    EXPECT_EQ(v.Path, "/version");
    EXPECT_NE(v.Message().find("unsupported form version 2"), std::string::npos);
    EXPECT_NE(ReadError(R"({"format": "kxtapi-form", "version": 1})").Message().find("\"root\" is missing"),
              std::string::npos);
    const std::string withExtra = R"({"format": "kxtapi-form", "version": 1, "root": {"class": "TFakeForm", "x": 1}})";
    EReadError extra = ReadError(withExtra);
    EXPECT_EQ(extra.Path, "/root/x");
    EXPECT_EQ(extra.Column, static_cast<int>(withExtra.find("\"x\"")) + 1);   // at the key
}

TEST_F(FormErrors, EachBadValueNamesItsPositionPathAndProperty)
{
    struct Case {
        const char* Component;   // line 5 of the document, after six blanks
        const char* Marker;      // where the error points: its first occurrence
        const char* Path;
        const char* Property;
        const char* Detail;
    };
    const Case cases[] = {
        {R"({"class": "TNoSuch"})", "\"TNoSuch", "/root/components/0/class", "", "Class TNoSuch not found"},
        {R"({"class": "TFakeOptions"})", "\"TFakeOptions", "/root/components/0/class", "", "TFakeOptions is not a component class"},
        {R"({"class": "TFakePort", "name": "1x"})", "\"1x", "/root/components/0/name", "", "'1x' is not a valid component name"},
        {R"({"class": "TFakePort", "properties": {"Speed": 1}})", "\"Speed", "/root/components/0/properties/Speed", "Speed",
         "TFakePort has no property Speed"},
        {R"({"class": "TFakePort", "properties": {"CTS": true}})", "\"CTS", "/root/components/0/properties/CTS", "CTS",
         "the property is read-only"},
        {R"({"class": "TFakePort", "properties": {"Baud": 3000000000}})", "3000000000", "/root/components/0/properties/Baud",
         "Baud", "3000000000 is out of range -2147483648..2147483647"},
        {R"({"class": "TFakePort", "properties": {"Baud": 1.5}})", "1.5", "/root/components/0/properties/Baud", "Baud",
         "expected an integer, found the fractional number 1.5"},
        {R"({"class": "TFakePort", "properties": {"Databits": -1}})", "-1", "/root/components/0/properties/Databits",
         "Databits", "-1 is out of range 0..255"},
        {R"({"class": "TFakePort", "properties": {"Active": "yes"}})", "\"yes", "/root/components/0/properties/Active",
         "Active", "expected true or false, found a string"},
        {R"({"class": "TFakePort", "properties": {"Parity": "fpMark"}})", "\"fpMark", "/root/components/0/properties/Parity",
         "Parity", "'fpMark' is not a value of TFakeParity"},
        {R"({"class": "TFakePort", "properties": {"Flow": ["ffUseDTR", "ffNone"]}})", "\"ffNone",
         "/root/components/0/properties/Flow/1", "Flow", "'ffNone' is not a value of TFakeFlow"},
        {R"({"class": "TFakePort", "properties": {"XonChar": "ab"}})", "\"ab", "/root/components/0/properties/XonChar",
         "XonChar", "expected one character, found 2"},
        {R"({"class": "TFakePort", "properties": {"PortName": "日本 €"}})", "\"日本", "/root/components/0/properties/PortName",
         "PortName", "the text holds characters that Windows-1252 lacks"},
        {R"({"class": "TFakePort", "properties": {"Options": {"SyncMode": 0}}})", "0}",
         "/root/components/0/properties/Options/SyncMode", "Options.SyncMode", "expected true or false, found a number"},
        {R"({"class": "TFakePort", "properties": {"Options": {"Retry": 0}}})", "\"Retry",
         "/root/components/0/properties/Options/Retry", "Options.Retry", "TFakeOptions has no property Retry"},
        {R"({"class": "TFakePort", "properties": {"Description": "Grüße €", "Baud": "x"}})", "\"x",
         "/root/components/0/properties/Baud", "Baud", "expected an integer, found a string"},
        {R"({"class": "TFakePort", "properties": {"Description": "a \"q\" \\", "Baud": "x"}})", "\"x",
         "/root/components/0/properties/Baud", "Baud", "expected an integer, found a string"},
        {R"({"class": "TFakeLed", "properties": {"ComPort": 5}})", "5}", "/root/components/0/properties/ComPort",
         "ComPort", "expected a component name or null, found a number"},
    };
    for (const Case& c : cases) {
        const std::string text = Form(std::string("      ") + c.Component);
        EReadError e = ReadError(text);
        const std::string component = c.Component;
        // Columns count characters: the marker may follow non-ASCII text.
        std::string before = component.substr(0, component.find(c.Marker));
        int column = 7;
        for (unsigned char b : before) column += (b & 0xC0) != 0x80;
        EXPECT_EQ(e.Line, 5) << c.Component;
        EXPECT_EQ(e.Column, column) << c.Component;
        EXPECT_EQ(e.Path, c.Path) << c.Component;
        EXPECT_EQ(e.PropertyName, c.Property) << c.Component;
        const std::string tail = std::string(": ") + c.Detail;
        ASSERT_GE(e.Message().size(), tail.size()) << e.Message();
        EXPECT_EQ(e.Message().substr(e.Message().size() - tail.size()), tail) << e.Message();
        EXPECT_EQ(e.Message().rfind("Error reading \"test.json\" at line 5, column " + std::to_string(column) +
                                        " (" + c.Path + "): ",
                                    0),
                  0u)
            << e.Message();
    }
}

TEST_F(FormErrors, MessageNamesTheComponentAndProperty)
{
    EReadError e = ReadError(Form(R"(      {"class": "TFakePort", "name": "Port1", "properties": {"Baud": "fast"}})"));
    EXPECT_EQ(e.ComponentName, "Port1");
    EXPECT_EQ(e.PropertyName, "Baud");
    EXPECT_NE(e.Message().find("property Port1.Baud: expected an integer, found a string"), std::string::npos)
        << e.Message();
    EXPECT_EQ(e.ClassName(), "EReadError");
}

TEST_F(FormErrors, InstanceFaultsAreFoundWhileApplyingAndUndone)
{
    // Each is valid JSON for the registry; only the components can refuse.
    const char* cases[] = {
        R"({"class": "TFakePort", "name": "P", "properties": {"Baud": 0}})",                 // the setter refuses
        R"({"class": "TFakeLed", "properties": {"ComPort": "Nowhere"}})",                      // unresolved
        R"({"class": "TFakePanel", "name": "Q"}, {"class": "TFakeLed", "properties": {"ComPort": "Q"}})",  // wrong class
    };
    const char* details[] = {"Baud rate must be positive", "component Nowhere not found", "Q is a TFakePanel, not a TFakePort"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        EReadError e = ReadError(Form(std::string("      ") + cases[i]));
        EXPECT_EQ(e.Line, 5);
        EXPECT_NE(e.Message().find(details[i]), std::string::npos) << e.Message();
    }
}

TEST_F(FormErrors, AFailedReadCreatesNothingAndLeavesAnExistingRootAsItWas)
{
    // The port is created and assigned before the LED's reference fails.
    const std::string text = Form(R"(      {"class": "TFakePort", "name": "P", "properties": {"Baud": 1200}},
      {"class": "TFakeLed", "name": "L", "properties": {"ComPort": "Missing"}})");
    TFakeForm root(nullptr);
    root.Set_Name("Keep");
    root.Set_Caption("mine");
    auto* kept = new TFakePort(&root);
    kept->Set_Name("Kept");
    // The root's name and caption are assigned before the failure.
    EReadError e = ReadError(text, &root);
    EXPECT_NE(e.Message().find("component Missing not found"), std::string::npos);
    EXPECT_EQ(root.ComponentCount(), 1);
    EXPECT_EQ(root.Components(0), kept);
    EXPECT_EQ(root.Get_Name(), "Keep");
    EXPECT_EQ(root.Get_Caption(), "mine");
    EXPECT_FALSE(root.IsLoading());
    EXPECT_FALSE(root.ComponentState().Contains(csReading));
    EXPECT_TRUE(LoadLog().empty());

    // Into a reused component: its properties are restored too.
    TDesignedForm designed(nullptr);
    designed.Port1->Set_Baud(4800);
    const std::string reuse = Form(R"(      {"class": "TFakePort", "name": "Port1", "properties": {"Baud": 1200, "Parity": "fpOdd"}},
      {"class": "TFakeLed", "name": "Led1", "properties": {"ComPort": "Port1", "Signal": "fsBad"}})");
    ReadError(reuse, &designed);
    EXPECT_EQ(designed.Port1->Get_Baud(), 4800);
    EXPECT_EQ(designed.ComponentCount(), 3);

    // Valid for the registry, refused by the last port's setter after the
    // root, Port1 and Led1 have been assigned.
    const std::string late = Form(R"(      {"class": "TFakePort", "name": "Port1", "properties": {"Baud": 1200, "Parity": "fpOdd"}},
      {"class": "TFakeLed", "name": "Led1", "properties": {"ComPort": "Port1", "Signal": "fsCTS"}},
      {"class": "TFakePort", "properties": {"Baud": -5}})");
    designed.Set_Caption("designed");
    EReadError refused = ReadError(late, &designed);
    EXPECT_EQ(refused.Line, 7);
    EXPECT_EQ(designed.Get_Caption(), "designed");
    EXPECT_EQ(designed.Get_Name(), "");
    EXPECT_EQ(designed.Port1->Get_Baud(), 4800);
    EXPECT_EQ(designed.Port1->Get_Parity(), fpNone);
    EXPECT_EQ(designed.Led1->Get_ComPort(), nullptr);
    EXPECT_EQ(designed.Led1->Get_Signal(), fsDSR);
    EXPECT_EQ(designed.ComponentCount(), 3);
    EXPECT_FALSE(designed.Port1->IsLoading());
}

TEST_F(FormErrors, ANewRootIsFreedWithEverythingItOwnsAndItsOwnerKeepsNothing)
{
    TFakeForm owner(nullptr);
    const std::string text = Form(R"(      {"class": "TFakePanel", "name": "Pn"},
      {"class": "TFakePort", "name": "P", "properties": {"Baud": -1}})");
    EXPECT_THROW(ReadNewComponent(text, &owner), EReadError);
    EXPECT_EQ(owner.ComponentCount(), 0);
    // The root's class must be what the caller asked for.
    EReadError e("");
    try {
        ReadNewComponent<TDesignedForm>(Form(""));
    } catch (const EReadError& x) {
        e = x;
    }
    EXPECT_NE(e.Message().find("the form holds a TFakeForm, not a TDesignedForm"), std::string::npos) << e.Message();
    // Reading into a root of another class.
    TFakePanel panel(nullptr);
    EXPECT_THROW(ReadComponent(Form(""), &panel), EReadError);
}

TEST_F(FormErrors, DuplicateNamesAndPropertiesAreRefused)
{
    EReadError dup = ReadError(Form(R"(      {"class": "TFakePanel", "name": "A"},
      {"class": "TFakePanel", "name": "a"})"));
    EXPECT_EQ(dup.Line, 6);
    EXPECT_EQ(dup.Path, "/root/components/1/name");
    EXPECT_NE(dup.Message().find("A component named a already exists"), std::string::npos);
    EReadError twice = ReadError(Form(R"(      {"class": "TFakePort", "properties": {"Baud": 1, "baud": 2}})"));
    EXPECT_EQ(twice.Path, "/root/components/0/properties/baud");
    EXPECT_NE(twice.Message().find("given twice"), std::string::npos);
}

TEST_F(FormErrors, AFailingLoadedLetsTheOthersLoadThenFreesWhatWasCreated)
{
    const std::string text = Form(R"(      {"class": "TFakePanel", "name": "Pn", "properties": {"FailLoaded": true}},
      {"class": "TFakePort", "name": "P"})");
    TFakeForm owner(nullptr);
    try {
        ReadNewComponent(text, &owner);
        FAIL();
    } catch (const EReadError&) {
        FAIL() << "a component's own failure is not a file error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "panel Pn cannot load");
    }
    EXPECT_EQ(owner.ComponentCount(), 0);
    ASSERT_EQ(LoadLog().size(), 2u);   // the port after the panel still loaded
    EXPECT_EQ(LoadLog()[1].rfind("P: ", 0), 0u);

    // Into an existing root: the root has finished loading and keeps its
    // properties; the components created are gone.
    TFakeForm root(nullptr);
    EXPECT_THROW(ReadComponent(text, &root), Exception);
    EXPECT_EQ(root.ComponentCount(), 0);
    EXPECT_EQ(root.Get_Caption(), "old");
    EXPECT_FALSE(root.IsLoading());
}
