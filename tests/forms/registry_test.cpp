#include "fake_components.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kxtapi;
using namespace fake;

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { RegisterFakeClasses(); }
};

std::vector<std::string> Names(const TClassInfo* C)
{
    std::vector<std::string> names;
    for (const TPropertyInfo* p : C->Properties()) names.push_back(p->Name());
    return names;
}

} // namespace

TEST_F(Registry, ListsAncestorsFirstInDeclarationOrderAndKeepsARedeclaredPropertyInPlace)
{
    const TClassInfo* port = FindClass("TFakePort");
    EXPECT_EQ(Names(port), (std::vector<std::string>{"Name", "Tag", "Active", "Baud", "CTS", "Databits",
                                                      "Description", "Flow", "Options", "Parity", "PortName",
                                                      "XonChar"}));
    const TClassInfo* fast = FindClass("tfakefastport");
    std::vector<std::string> fastNames = Names(port);
    fastNames.push_back("Burst");
    EXPECT_EQ(Names(fast), fastNames);
    EXPECT_EQ(fast->Parent(), port);
    EXPECT_TRUE(fast->InheritsFrom(FindClass("TComponent")));
    EXPECT_FALSE(port->InheritsFrom(fast));

    const TPropertyInfo* baud = fast->FindProperty("BAUD");
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(baud->OrdDefault(), 115200);
    EXPECT_EQ(baud->DeclaringClass(), fast);
    EXPECT_EQ(port->FindProperty("Baud")->OrdDefault(), 9600);
}

TEST_F(Registry, DescribesKindsRangesDefaultsAndTypes)
{
    const TClassInfo* port = FindClass("TFakePort");
    struct Row { const char* Name; TPropertyKind Kind; const char* Type; bool ReadOnly; bool HasDefault; };
    for (const Row& r : {Row{"Baud", pkInteger, "Integer", false, true}, Row{"Databits", pkCardinal, "Byte", false, true},
                         Row{"Active", pkBoolean, "Boolean", false, false}, Row{"CTS", pkBoolean, "Boolean", true, false},
                         Row{"Description", pkString, "String", false, false}, Row{"Flow", pkSet, "set of TFakeFlow", false, false},
                         Row{"Options", pkObject, "TFakeOptions", false, false}, Row{"Parity", pkEnumeration, "TFakeParity", false, true},
                         Row{"XonChar", pkChar, "Char", false, true}, Row{"Tag", pkInteger, "Int64", false, true}}) {
        const TPropertyInfo* p = port->FindProperty(r.Name);
        ASSERT_NE(p, nullptr) << r.Name;
        EXPECT_EQ(p->Kind(), r.Kind) << r.Name;
        EXPECT_EQ(p->TypeName(), r.Type) << r.Name;
        EXPECT_EQ(p->IsReadOnly(), r.ReadOnly) << r.Name;
        EXPECT_EQ(p->HasDefault(), r.HasDefault) << r.Name;
    }
    EXPECT_EQ(port->FindProperty("Databits")->MaxValue(), 255);
    EXPECT_EQ(port->FindProperty("Flow")->MaxValue(), 7);
    EXPECT_EQ(port->FindProperty("Parity")->MaxValue(), 2);
    EXPECT_FALSE(port->FindProperty("Name")->IsStored());
    EXPECT_EQ(FindClass("TFakeLed")->FindProperty("ComPort")->ReferenceClass(), port);
}

TEST_F(Registry, EnumerationsListTheirValueNamesForEditors)
{
    const TEnumInfo* flow = TPropertyRegistry::FindEnum("tfakeflow");
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->ValueNames(), (std::vector<std::string>{"ffUseDTR", "ffUseRTS", "ffXonXoff"}));
    EXPECT_EQ(flow->IndexOf("FFUSERTS"), 1);
    EXPECT_EQ(flow->IndexOf("ffNone"), -1);
    EXPECT_EQ(flow->ValueName(3), "");
    EXPECT_EQ(flow->SetToText(0b101), "[ffUseDTR,ffXonXoff]");
    EXPECT_EQ(flow->TextToSet(" [ ffXonXoff , ffusedtr ] "), 0b101u);
    EXPECT_EQ(flow->TextToSet("ffUseRTS"), 0b010u);
    EXPECT_EQ(flow->TextToSet("[]"), 0u);
    EXPECT_THROW(flow->TextToSet("[ffUseDTR,,ffUseRTS]"), EPropertyError);
    EXPECT_THROW(flow->TextToSet("[ffUseDTR"), EPropertyError);
    // Registering the same names again is harmless; other names are refused.
    EXPECT_NO_THROW(RegisterEnum<TFakeFlow>("TFakeFlow", {"ffUseDTR", "ffUseRTS", "ffXonXoff"}));
    EXPECT_THROW(RegisterEnum<TFakeFlow>("TFakeFlow", {"ffA", "ffB"}), EPropertyError);
}

TEST_F(Registry, ReadsAndWritesValuesAsOrdinalsAndAsText)
{
    TFakePort port(nullptr);
    const TClassInfo* c = TPropertyRegistry::ClassOf(&port);
    ASSERT_EQ(c, FindClass("TFakePort"));
    auto prop = [&](const char* n) { return c->FindProperty(n); };

    prop("Flow")->SetAsText(&port, "[ffUseRTS,ffXonXoff]");
    EXPECT_EQ(port.Get_Flow(), (TSet<TFakeFlow>{ffUseRTS, ffXonXoff}));
    EXPECT_EQ(prop("Flow")->GetOrd(&port), 0b110);
    EXPECT_EQ(prop("Flow")->GetAsText(&port), "[ffUseRTS,ffXonXoff]");

    prop("Parity")->SetAsText(&port, "fpeven");
    EXPECT_EQ(port.Get_Parity(), fpEven);
    EXPECT_EQ(prop("Parity")->GetAsText(&port), "fpEven");
    prop("Parity")->SetOrd(&port, 1);
    EXPECT_EQ(port.Get_Parity(), fpOdd);

    prop("Baud")->SetAsText(&port, " $4B00 ");
    EXPECT_EQ(port.Get_Baud(), 19200);
    EXPECT_EQ(prop("Baud")->GetAsText(&port), "19200");
    prop("Databits")->SetAsText(&port, "7");
    EXPECT_EQ(port.Get_Databits(), 7);

    EXPECT_EQ(prop("XonChar")->GetAsText(&port), "#17");
    prop("XonChar")->SetAsText(&port, "Q");
    EXPECT_EQ(prop("XonChar")->GetAsText(&port), "Q");
    prop("XonChar")->SetAsText(&port, "#200");
    EXPECT_EQ(port.Get_XonChar(), static_cast<char>(200));

    prop("Active")->SetAsText(&port, "true");
    EXPECT_TRUE(port.Get_Active());
    EXPECT_EQ(prop("Active")->GetAsText(&port), "True");

    prop("Description")->SetAsText(&port, "M\xFC" "ller");
    EXPECT_EQ(port.Get_Description(), "M\xFC" "ller");
    EXPECT_EQ(prop("Options")->GetAsText(&port), "(TFakeOptions)");
    EXPECT_EQ(prop("Options")->GetObject(&port), port.Get_Options());
    EXPECT_EQ(prop("Parity")->OrdToText(2), "fpEven");
    EXPECT_EQ(prop("Parity")->TextToOrd("fpNone"), 0);
}

TEST_F(Registry, RefusesBadValuesReadOnlyPropertiesAndForeignObjects)
{
    TFakePort port(nullptr);
    TFakeLed led(nullptr);
    const TClassInfo* c = FindClass("TFakePort");
    EXPECT_THROW(c->FindProperty("Databits")->SetOrd(&port, 256), EPropertyError);
    EXPECT_THROW(c->FindProperty("Databits")->SetAsText(&port, "-1"), EPropertyError);
    EXPECT_THROW(c->FindProperty("Baud")->SetAsText(&port, "fast"), EPropertyError);
    EXPECT_THROW(c->FindProperty("Baud")->SetAsText(&port, "99999999999"), EPropertyError);
    EXPECT_THROW(c->FindProperty("Parity")->SetOrd(&port, 3), EPropertyError);
    EXPECT_THROW(c->FindProperty("Parity")->SetAsText(&port, "fpMark"), EPropertyError);
    EXPECT_THROW(c->FindProperty("Flow")->SetOrd(&port, 8), EPropertyError);
    EXPECT_THROW(c->FindProperty("Active")->SetAsText(&port, "yes"), EPropertyError);
    EXPECT_THROW(c->FindProperty("XonChar")->SetAsText(&port, "#256"), EPropertyError);
    EXPECT_THROW(c->FindProperty("CTS")->SetOrd(&port, 1), EPropertyError);
    EXPECT_THROW(c->FindProperty("Baud")->GetOrd(&led), EPropertyError);
    EXPECT_THROW(c->FindProperty("Baud")->GetString(&port), EPropertyError);
    EXPECT_THROW(c->FindProperty("Options")->SetAsText(&port, "x"), EPropertyError);
    EXPECT_EQ(port.Get_Databits(), 8);
    EXPECT_EQ(port.Get_Baud(), 9600);
    try {
        c->FindProperty("Databits")->SetOrd(&port, 300);
    } catch (const EPropertyError& e) {
        EXPECT_EQ(e.Message(), "Property TFakePort.Databits: 300 is out of range 0..255");
    }
}

TEST_F(Registry, ReferencesAreTypeCheckedAndFoundByNameUnderTheRoot)
{
    TFakeForm form(nullptr);
    auto* panel = new TFakePanel(&form);
    panel->Set_Name("Panel1");
    auto* port = new TFakePort(panel);
    port->Set_Name("Port2");
    auto* led = new TFakeLed(&form);
    led->Set_Name("Led1");
    const TPropertyInfo* ref = FindClass("TFakeLed")->FindProperty("ComPort");

    ref->SetAsText(led, "panel1.port2");
    EXPECT_EQ(led->Get_ComPort(), port);
    EXPECT_EQ(ref->GetAsText(led), "Panel1.Port2");
    EXPECT_THROW(ref->SetReference(led, panel), EPropertyError);
    EXPECT_THROW(ref->SetAsText(led, "Panel1"), EPropertyError);
    EXPECT_THROW(ref->SetAsText(led, "Nowhere"), EPropertyError);
    EXPECT_EQ(led->Get_ComPort(), port);
    EXPECT_FALSE(ref->IsDefaultValue(led));
    ref->SetAsText(led, "");
    EXPECT_EQ(led->Get_ComPort(), nullptr);
    EXPECT_TRUE(ref->IsDefaultValue(led));
}

TEST_F(Registry, DefaultValuesFollowTheDeclaredDefaultOrTheKindsRule)
{
    TFakePort port(nullptr);
    const TClassInfo* c = FindClass("TFakePort");
    EXPECT_TRUE(c->FindProperty("Baud")->IsDefaultValue(&port));
    EXPECT_FALSE(c->FindProperty("Active")->IsDefaultValue(&port));       // no default: always written
    EXPECT_TRUE(c->FindProperty("Description")->IsDefaultValue(&port));   // empty string
    EXPECT_TRUE(c->FindProperty("Options")->IsDefaultValue(&port));
    port.Get_Options()->Set_SyncMode(false);
    EXPECT_FALSE(c->FindProperty("Options")->IsDefaultValue(&port));
    TFakeFastPort fast(nullptr);
    EXPECT_TRUE(FindClass("TFakeFastPort")->FindProperty("Baud")->IsDefaultValue(&fast));
    fast.Set_Baud(9600);
    EXPECT_FALSE(FindClass("TFakeFastPort")->FindProperty("Baud")->IsDefaultValue(&fast));
}

namespace {
class TLate : public TPersistent {
public:
    int32_t Get_A() const { return 0; }
    void Set_A(int32_t) {}
};
class TNoEnum : public TPersistent {
public:
    enum TUnlisted { uA, uB };
    TUnlisted Get_U() const { return uA; }
};
class TClash : public TFakePort {
public:
    using TFakePort::TFakePort;
};
} // namespace

TEST_F(Registry, RegistrationMistakesAreReported)
{
    EXPECT_THROW((RegisterClass<TClash, TFakePort>("TFakePort")), EPropertyError);   // name taken
    EXPECT_THROW((RegisterClass<TFakeLed, TComponent>("TOtherLed")), EPropertyError);  // type taken
    EXPECT_THROW((RegisterClass<TClash, TFakePort>("TClash").Integer("Baud", &TClash::Get_Baud, &TClash::Set_Baud),
                  FindClass("TClash")->Properties()),
                 EPropertyError);  // republished instead of redeclared
    auto builder = RegisterClass<TLate, TPersistent>("TLate");
    builder.Integer("A", &TLate::Get_A, &TLate::Set_A);
    EXPECT_THROW(builder.Integer("a", &TLate::Get_A, &TLate::Set_A), EPropertyError);
    ASSERT_EQ(FindClass("TLate")->Properties().size(), 1u);
    EXPECT_THROW(builder.Integer("B", &TLate::Get_A, &TLate::Set_A), EPropertyError);  // after first use
    RegisterClass<TNoEnum, TPersistent>("TNoEnum").Enum("U", &TNoEnum::Get_U);
    EXPECT_THROW(FindClass("TNoEnum")->Properties(), EPropertyError);
}

TEST_F(Registry, CreatesComponentsByClassName)
{
    TFakeForm owner(nullptr);
    TComponent* c = CreateComponent("tfakeled", &owner);
    EXPECT_NE(dynamic_cast<TFakeLed*>(c), nullptr);
    EXPECT_EQ(c->Get_Owner(), &owner);
    std::unique_ptr<TComponent> free(CreateComponent("TFakeFastPort", nullptr));
    EXPECT_EQ(static_cast<TFakePort*>(free.get())->Get_Baud(), 115200);
    try {
        CreateComponent("TNoSuchThing", &owner);
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TNoSuchThing not found");
    }
    EXPECT_THROW(CreateComponent("TFakeOptions", nullptr), Exception);  // not a component
    EXPECT_EQ(GetClass("TNoSuchThing"), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);
}
