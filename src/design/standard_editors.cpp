// The standard editors of each property kind.

#include "kxtapi/design/standard_editors.h"

#include "kxtapi/design/designer.h"
#include "kxtapi/rtl/format.h"

#include <functional>

namespace kxtapi {

namespace {

// A property without a setter is shown, not typed into.
TPropertyAttributes WithReadOnly(TPropertyAttributes A, const TPropertyInfo* P)
{
    if (P->IsReadOnly()) A.Include(paReadOnly);
    return A;
}

} // namespace

TPropertyAttributes TOrdinalProperty::GetAttributes()
{
    return WithReadOnly({paMultiSelect, paRevertable}, GetPropInfo());
}

std::string TIntegerProperty::GetValue()
{
    return IntToStr(GetInt64Value());
}

void TIntegerProperty::SetValue(const std::string& Value)
{
    for (int i = 0; i < PropCount(); ++i) GetPropInfo()->SetAsText(GetComponent(i), Value);
    Modified();
}

std::string TCharProperty::GetValue()
{
    const auto c = static_cast<unsigned char>(GetInt64Value());
    if (c > 32 && c < 127) return std::string(1, static_cast<char>(c));
    return "#" + IntToStr(c);
}

void TCharProperty::SetValue(const std::string& Value)
{
    int64_t code = -1;
    if (Value.size() == 1) code = static_cast<unsigned char>(Value[0]);
    else if (Value.size() > 1 && Value[0] == '#') code = StrToIntDef(std::string_view(Value).substr(1), -1);
    if (code < 0 || code > 255) throw EPropertyError("Invalid property value");
    SetInt64Value(code);
}

TPropertyAttributes TEnumProperty::GetAttributes()
{
    return WithReadOnly({paMultiSelect, paValueList, paSortList, paRevertable}, GetPropInfo());
}

void TEnumProperty::GetValues(const TGetStrProc& Proc)
{
    const TPropertyInfo* p = GetPropInfo();
    if (p->Kind() == pkBoolean) {
        Proc("False");
        Proc("True");
    } else if (const TEnumInfo* e = p->EnumType()) {
        for (const std::string& name : e->ValueNames()) Proc(name);
    }
}

TPropertyAttributes TStringProperty::GetAttributes()
{
    return WithReadOnly({paMultiSelect, paRevertable}, GetPropInfo());
}

std::string TStringProperty::GetValue()
{
    return GetStrValue();
}

void TStringProperty::SetValue(const std::string& Value)
{
    SetStrValue(Value);
}

TPropertyAttributes TClassProperty::GetAttributes()
{
    return {paMultiSelect, paSubProperties, paReadOnly};
}

void TClassProperty::GetProperties(const TGetPropProc& Proc)
{
    TPersistent* sub = GetPropInfo()->GetObject(GetComponent(0));
    if (sub == nullptr) return;
    TDesigner* designer = Designer();
    if (designer != nullptr) {
        for (auto& editor : designer->GetProperties(sub)) Proc(std::move(editor));
        return;
    }
    TDesigner local;
    for (auto& editor : local.GetProperties(sub)) Proc(std::move(editor));
}

TPropertyAttributes TComponentProperty::GetAttributes()
{
    return WithReadOnly({paMultiSelect, paValueList, paSortList, paRevertable}, GetPropInfo());
}

void TComponentProperty::GetValues(const TGetStrProc& Proc)
{
    TDesigner* designer = Designer();
    TComponent* root = designer != nullptr ? designer->Root() : nullptr;
    if (root == nullptr) return;
    const TPropertyInfo* p = GetPropInfo();
    // Dotted below the root, as references are written.
    std::function<void(TComponent*, const std::string&)> walk = [&](TComponent* Owner, const std::string& Prefix) {
        for (int i = 0; i < Owner->ComponentCount(); ++i) {
            TComponent* c = Owner->Components(i);
            if (c->Get_Name().empty()) continue;
            const std::string name = Prefix + c->Get_Name();
            if (p->AcceptsReference(c)) Proc(name);
            walk(c, name + ".");
        }
    };
    walk(root, "");
}

} // namespace kxtapi
