// A form being designed: editors for the properties of its components.

#include "kxtapi/design/designer.h"

#include "kxtapi/rtl/strings.h"

namespace kxtapi {
namespace {

std::vector<std::string_view> SplitDots(std::string_view Path)
{
    std::vector<std::string_view> parts;
    while (true) {
        const size_t dot = Path.find('.');
        parts.push_back(Path.substr(0, dot));
        if (dot == std::string_view::npos) break;
        Path.remove_prefix(dot + 1);
    }
    return parts;
}

} // namespace

TDesigner::TDesigner(TComponent* Root, TDesignRegistry* Registry)
    : FRoot(Root), FRegistry(Registry != nullptr ? Registry : &DesignRegistry())
{
}

void TDesigner::Modified()
{
    ++FModifiedCount;
    if (auto handler = OnModified) handler(this);
}

std::vector<std::unique_ptr<TPropertyEditor>> TDesigner::GetProperties(TPersistent* Instance)
{
    std::vector<std::unique_ptr<TPropertyEditor>> editors;
    const TClassInfo* c = NearestClassInfo(Instance);
    if (c == nullptr) return editors;
    const TPropertyInfo* name = TPropertyRegistry::GetClass(typeid(TComponent))->FindProperty("Name");
    for (const TPropertyInfo* p : c->Properties()) {
        if (p == name) continue;
        editors.push_back(FRegistry->CreateEditor(this, {Instance}, p));
    }
    return editors;
}

std::unique_ptr<TPropertyEditor> TDesigner::FindProperty(TPersistent* Instance, std::string_view Path)
{
    if (Instance == nullptr || Path.empty()) return nullptr;
    const std::vector<std::string_view> parts = SplitDots(Path);
    TPersistent* holder = Instance;
    for (size_t i = 0; i < parts.size(); ++i) {
        const TClassInfo* c = NearestClassInfo(holder);
        const TPropertyInfo* p = c != nullptr ? c->FindProperty(parts[i]) : nullptr;
        if (p == nullptr) return nullptr;
        if (i + 1 == parts.size()) return FRegistry->CreateEditor(this, {holder}, p);
        if (p->Kind() != pkObject) return nullptr;
        holder = p->GetObject(holder);
        if (holder == nullptr) return nullptr;
    }
    return nullptr;
}

std::unique_ptr<TPropertyEditor> TDesigner::FindProperty(std::string_view Path)
{
    if (FRoot == nullptr) return nullptr;
    const std::vector<std::string_view> parts = SplitDots(Path);
    // The longest run of component names from the root, then properties.
    TComponent* owner = FRoot;
    size_t used = 0;
    while (used + 1 < parts.size()) {
        TComponent* next = owner->FindComponent(std::string(parts[used]));
        if (next == nullptr) break;
        owner = next;
        ++used;
    }
    std::string rest;
    for (size_t i = used; i < parts.size(); ++i) {
        if (!rest.empty()) rest += '.';
        rest += parts[i];
    }
    return FindProperty(owner, rest);
}

TComponent* TDesigner::FindComponent(std::string_view DottedName) const
{
    if (FRoot == nullptr || DottedName.empty()) return FRoot;
    TComponent* c = FRoot;
    for (std::string_view part : SplitDots(DottedName)) {
        c = c->FindComponent(std::string(part));
        if (c == nullptr) return nullptr;
    }
    return c;
}

} // namespace kxtapi
