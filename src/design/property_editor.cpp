// The property-editor base: access to the edited property of the selected
// objects and the default operations.

#include "kxtapi/design/property_editor.h"

#include "kxtapi/design/designer.h"
#include "kxtapi/rtl/format.h"

namespace kxtapi {

bool TPropertyEditorClass::InheritsFrom(const TPropertyEditorClass* Ancestor) const noexcept
{
    if (Ancestor == nullptr) return false;
    // Compared by name: each module instantiating EditorClass<E> may hold a
    // copy of the class value.
    for (const TPropertyEditorClass* c = this; c != nullptr; c = c->FParent)
        if (c == Ancestor || c->FName == Ancestor->FName) return true;
    return false;
}

TPropertyEditor::TPropertyEditor(TDesigner* ADesigner, std::vector<TPersistent*> AInstances,
                                 const TPropertyInfo* AProp)
    : FDesigner(ADesigner), FInstances(std::move(AInstances)), FProp(AProp)
{
    if (FProp == nullptr) throw EPropertyError("Property editor without a property");
    if (FInstances.empty()) throw EPropertyError("Property editor without an object for " + FProp->Name());
    for (TPersistent* p : FInstances)
        if (p == nullptr) throw EPropertyError("Property editor with a null object for " + FProp->Name());
}

TPersistent* TPropertyEditor::GetComponent(int Index) const
{
    if (Index < 0 || Index >= PropCount())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return FInstances[static_cast<size_t>(Index)];
}

uint32_t TPropertyEditor::GetOrdValue() const
{
    return static_cast<uint32_t>(FProp->GetOrd(FInstances.front()));
}

void TPropertyEditor::SetOrdValue(uint32_t Value)
{
    const int64_t v = FProp->MinValue() < 0 ? static_cast<int64_t>(static_cast<int32_t>(Value))
                                            : static_cast<int64_t>(Value);
    SetInt64Value(v);
}

int64_t TPropertyEditor::GetInt64Value() const
{
    return FProp->GetOrd(FInstances.front());
}

void TPropertyEditor::SetInt64Value(int64_t Value)
{
    for (TPersistent* p : FInstances) FProp->SetOrd(p, Value);
    Modified();
}

std::string TPropertyEditor::GetStrValue() const
{
    if (FProp->Kind() == pkString) return FProp->GetString(FInstances.front());
    return FProp->GetAsText(FInstances.front());
}

void TPropertyEditor::SetStrValue(const std::string& Value)
{
    for (TPersistent* p : FInstances) {
        if (FProp->Kind() == pkString) FProp->SetString(p, Value);
        else FProp->SetAsText(p, Value);
    }
    Modified();
}

void TPropertyEditor::Modified()
{
    if (FDesigner != nullptr) FDesigner->Modified();
}

bool TPropertyEditor::AutoFill()
{
    return true;
}

void TPropertyEditor::Edit() {}

TPropertyAttributes TPropertyEditor::GetAttributes()
{
    TPropertyAttributes a{paRevertable};
    if (FProp->IsReadOnly()) a.Include(paReadOnly);
    return a;
}

std::string TPropertyEditor::GetValue()
{
    return FProp->GetAsText(FInstances.front());
}

void TPropertyEditor::GetValues(const TGetStrProc&) {}

void TPropertyEditor::SetValue(const std::string& Value)
{
    for (TPersistent* p : FInstances) FProp->SetAsText(p, Value);
    Modified();
}

void TPropertyEditor::GetProperties(const TGetPropProc&) {}

} // namespace kxtapi
