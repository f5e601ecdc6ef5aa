#include "rtl/form_plan.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/strings.h"
#include "rtl/component_paths.h"
#include "rtl/form_format.h"

#include <cstdint>
#include <set>

namespace kxtapi {

namespace {

using json = nlohmann::ordered_json;
namespace ff = form_format;

std::string Describe(const json& V)
{
    switch (V.type()) {
    case json::value_t::null: return "null";
    case json::value_t::boolean: return "a Boolean";
    case json::value_t::number_float: return "the fractional number " + V.dump();
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: return "a number";
    case json::value_t::string: return "a string";
    case json::value_t::array: return "an array";
    case json::value_t::object: return "an object";
    default: return "a value of another kind";
    }
}

class TPlanBuilder {
public:
    TPlanBuilder(const TJsonText& Text, const TFormContext& Context) : FText(Text), FContext(Context) {}

    TComponentPlan Document()
    {
        const json& doc = FText.Value();
        if (!doc.is_object()) Fail("", false, "", "", "a form is a JSON object, not " + Describe(doc));
        CheckMembers(doc, "", {ff::kFormatKey, ff::kVersionKey, ff::kRootKey}, "");
        const json& format = Member(doc, "", ff::kFormatKey, "");
        const std::string formatPtr = TJsonText::Child("", ff::kFormatKey);
        if (!format.is_string() || format.get_ref<const std::string&>() != ff::kFormat)
            Fail(formatPtr, false, "", "", std::string("not a form file: \"format\" must be \"") + ff::kFormat + "\"");
        const json& version = Member(doc, "", ff::kVersionKey, "");
        if (!version.is_number_integer() || version.get<int64_t>() != ff::kVersion)
            Fail(TJsonText::Child("", ff::kVersionKey), false, "", "",
                 "unsupported form version " + Utf8ToCp1252(version.dump()) + " (this library reads version " +
                     std::to_string(ff::kVersion) + ")");
        return Component(Member(doc, "", ff::kRootKey, ""), TJsonText::Child("", ff::kRootKey));
    }

private:
    [[noreturn]] void Fail(const std::string& Pointer, bool AtKey, const std::string& Component,
                           const std::string& Property, const std::string& Detail) const
    {
        FContext.Fail(Pointer, AtKey, Component, Property, Detail);
    }

    void CheckMembers(const json& Object, const std::string& Pointer, std::initializer_list<const char*> Allowed,
                      const std::string& Label) const
    {
        for (auto it = Object.begin(); it != Object.end(); ++it) {
            bool known = false;
            for (const char* a : Allowed) known = known || it.key() == a;
            if (!known)
                Fail(TJsonText::Child(Pointer, it.key()), true, Label, "",
                     "unknown member \"" + Utf8ToCp1252(it.key()) + "\"");
        }
    }

    const json& Member(const json& Object, const std::string& Pointer, const char* Key, const std::string& Label) const
    {
        auto it = Object.find(Key);
        if (it == Object.end()) Fail(Pointer, false, Label, "", std::string("member \"") + Key + "\" is missing");
        return *it;
    }

    // A JSON string as Windows-1252; Fail when a character cannot be held.
    std::string Text(const json& V, const std::string& Pointer, const std::string& Label,
                     const std::string& Property) const
    {
        const std::string& utf8 = V.get_ref<const std::string&>();
        std::string text = Utf8ToCp1252(utf8);
        if (Cp1252ToUtf8(text) != utf8)
            Fail(Pointer, false, Label, Property, "the text holds characters that Windows-1252 lacks");
        return text;
    }

    TComponentPlan Component(const json& J, const std::string& Pointer)
    {
        if (!J.is_object()) Fail(Pointer, false, "", "", "a component is a JSON object, not " + Describe(J));
        TComponentPlan plan;
        plan.Pointer = Pointer;
        CheckMembers(J, Pointer, {ff::kClassKey, ff::kNameKey, ff::kPropertiesKey, ff::kComponentsKey}, "");

        const std::string classPtr = TJsonText::Child(Pointer, ff::kClassKey);
        const json& cls = Member(J, Pointer, ff::kClassKey, "");
        if (!cls.is_string()) Fail(classPtr, false, "", "", "the class is a string, not " + Describe(cls));
        const std::string className = Text(cls, classPtr, "", "");
        plan.Class = TPropertyRegistry::GetClass(className);
        if (plan.Class == nullptr) Fail(classPtr, false, "", "", "Class " + className + " not found");
        if (!plan.Class->IsComponentClass())
            Fail(classPtr, false, "", "", className + " is not a component class");
        plan.Label = "(" + plan.Class->Name() + ")";

        auto name = J.find(ff::kNameKey);
        if (name != J.end()) {
            const std::string namePtr = TJsonText::Child(Pointer, ff::kNameKey);
            if (!name->is_string()) Fail(namePtr, false, plan.Label, "", "the name is a string, not " + Describe(*name));
            plan.Name = Text(*name, namePtr, plan.Label, "");
            if (!plan.Name.empty() && !IsValidIdent(plan.Name))
                Fail(namePtr, false, plan.Label, "", "'" + plan.Name + "' is not a valid component name");
            if (!plan.Name.empty()) plan.Label = plan.Name;
        }

        auto props = J.find(ff::kPropertiesKey);
        if (props != J.end())
            plan.Properties = Properties(plan.Class, *props, TJsonText::Child(Pointer, ff::kPropertiesKey),
                                         plan.Label, "", 0);

        auto children = J.find(ff::kComponentsKey);
        if (children != J.end()) {
            const std::string childrenPtr = TJsonText::Child(Pointer, ff::kComponentsKey);
            if (!children->is_array())
                Fail(childrenPtr, false, plan.Label, "", "the components are an array, not " + Describe(*children));
            std::set<std::string> names;
            for (size_t i = 0; i < children->size(); ++i) {
                const std::string childPtr = TJsonText::Child(childrenPtr, i);
                TComponentPlan child = Component((*children)[i], childPtr);
                if (!child.Name.empty() && !names.insert(AnsiUpperCase(child.Name)).second)
                    Fail(TJsonText::Child(childPtr, ff::kNameKey), false, child.Label, "",
                         "A component named " + child.Name + " already exists");
                plan.Children.push_back(std::move(child));
            }
        }
        return plan;
    }

    std::vector<TValuePlan> Properties(const TClassInfo* Class, const json& J, const std::string& Pointer,
                                       const std::string& Label, const std::string& Prefix, int Depth)
    {
        if (!J.is_object()) {
            const std::string what = Prefix.empty() ? std::string() : Prefix.substr(0, Prefix.size() - 1);
            Fail(Pointer, false, Label, what, "the properties are an object, not " + Describe(J));
        }
        std::vector<TValuePlan> values;
        std::set<const TPropertyInfo*> seen;
        for (auto it = J.begin(); it != J.end(); ++it) {
            const std::string ptr = TJsonText::Child(Pointer, it.key());
            const std::string given = Utf8ToCp1252(it.key());
            const TPropertyInfo* p = Class->FindProperty(given);
            if (p == nullptr) Fail(ptr, true, Label, Prefix + given, Class->Name() + " has no property " + given);
            const std::string name = Prefix + p->Name();
            if (!seen.insert(p).second) Fail(ptr, true, Label, name, "the property is given twice");
            if (p->IsReadOnly()) Fail(ptr, true, Label, name, "the property is read-only");
            values.push_back(Value(p, it.value(), ptr, Label, name, Depth));
        }
        return values;
    }

    TValuePlan Value(const TPropertyInfo* P, const json& V, const std::string& Pointer, const std::string& Label,
                     const std::string& Name, int Depth)
    {
        TValuePlan plan;
        plan.Property = P;
        plan.Pointer = Pointer;
        plan.Name = Name;
        auto fail = [&](const std::string& Detail) { Fail(Pointer, false, Label, Name, Detail); };
        auto expect = [&](bool Ok, const char* What) {
            if (!Ok) fail(std::string("expected ") + What + ", found " + Describe(V));
        };
        switch (P->Kind()) {
        case pkInteger:
        case pkCardinal: {
            expect(V.is_number_integer(), "an integer");
            if (V.is_number_unsigned() && V.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX))
                fail(V.dump() + Format(" is out of range %d..%d", P->MinValue(), P->MaxValue()));
            plan.Ord = V.get<int64_t>();
            if (plan.Ord < P->MinValue() || plan.Ord > P->MaxValue())
                fail(Format("%d is out of range %d..%d", plan.Ord, P->MinValue(), P->MaxValue()));
            break;
        }
        case pkBoolean:
            expect(V.is_boolean(), "true or false");
            plan.Ord = V.get<bool>() ? 1 : 0;
            break;
        case pkChar: {
            expect(V.is_string(), "a one-character string");
            const std::string c = Text(V, Pointer, Label, Name);
            if (c.size() != 1) fail("expected one character, found " + std::to_string(c.size()));
            plan.Ord = static_cast<unsigned char>(c[0]);
            break;
        }
        case pkString:
            expect(V.is_string(), "a string");
            plan.Str = Text(V, Pointer, Label, Name);
            break;
        case pkEnumeration: {
            expect(V.is_string(), "a value name");
            const std::string value = Text(V, Pointer, Label, Name);
            plan.Ord = P->EnumType()->IndexOf(value);
            if (plan.Ord < 0) fail("'" + value + "' is not a value of " + P->EnumType()->Name());
            break;
        }
        case pkSet: {
            expect(V.is_array(), "an array of value names");
            for (size_t i = 0; i < V.size(); ++i) {
                const std::string ptr = TJsonText::Child(Pointer, i);
                const json& item = V[i];
                if (!item.is_string())
                    Fail(ptr, false, Label, Name, "expected a value name, found " + Describe(item));
                const std::string value = Text(item, ptr, Label, Name);
                const int index = P->EnumType()->IndexOf(value);
                if (index < 0)
                    Fail(ptr, false, Label, Name, "'" + value + "' is not a value of " + P->EnumType()->Name());
                plan.Ord |= int64_t{1} << index;
            }
            break;
        }
        case pkObject:
            expect(V.is_object(), "an object of properties");
            if (Depth >= ff::kMaxObjectDepth) fail("sub-objects nested too deep");
            plan.Nested = Properties(P->ObjectClass(), V, Pointer, Label, Name + ".", Depth + 1);
            break;
        case pkComponent:
            if (V.is_null()) break;
            expect(V.is_string(), "a component name or null");
            plan.Str = Text(V, Pointer, Label, Name);
            if (!component_paths::IsValidReferencePath(plan.Str))
                fail("'" + plan.Str + "' is not a component name");
            break;
        }
        return plan;
    }

    const TJsonText& FText;
    const TFormContext& FContext;
};

} // namespace

TComponentPlan BuildFormPlan(const TJsonText& Text, const TFormContext& Context)
{
    return TPlanBuilder(Text, Context).Document();
}

} // namespace kxtapi
