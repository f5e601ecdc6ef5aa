// The designer's registry: palette pages and property-editor bindings.

#include "kxtapi/design/registry.h"

#include "kxtapi/design/standard_editors.h"
#include "kxtapi/rtl/strings.h"

namespace kxtapi {

const TClassInfo* ClassInfoOf(std::type_index Type)
{
    const TClassInfo* c = TPropertyRegistry::GetClass(Type);
    if (c == nullptr) throw EClassNotFound(std::string("Class ") + Type.name() + " not found");
    return c;
}

const TClassInfo* NearestClassInfo(const TPersistent* Instance)
{
    if (Instance == nullptr) return nullptr;
    if (const TClassInfo* own = TPropertyRegistry::ClassOf(Instance)) return own;
    const TClassInfo* nearest = nullptr;
    for (const TClassInfo* c : TPropertyRegistry::Classes())
        if (c->IsInstance(Instance) && (nearest == nullptr || c->InheritsFrom(nearest))) nearest = c;
    return nearest;
}

void TDesignRegistry::RegisterComponents(std::string_view Page, const std::vector<const TClassInfo*>& Classes)
{
    for (const TClassInfo* c : Classes) {
        if (c == nullptr) throw EPropertyError("RegisterComponents: no class");
        if (!c->IsComponentClass()) throw EPropertyError("RegisterComponents: " + c->Name() + " is no component class");
    }
    std::lock_guard<std::mutex> g(FLock);
    for (const TClassInfo* c : Classes) FPalette.push_back(TPaletteEntry{std::string(Page), c});
}

void TDesignRegistry::RegisterPropertyEditor(std::string_view PropertyType, const TClassInfo* ComponentClass,
                                             std::string_view PropertyName,
                                             const TPropertyEditorClass* EditorClass)
{
    if (EditorClass == nullptr) throw EPropertyError("RegisterPropertyEditor: no editor class");
    std::lock_guard<std::mutex> g(FLock);
    FBindings.push_back(
        TEditorBinding{std::string(PropertyType), ComponentClass, std::string(PropertyName), EditorClass});
}

std::vector<TPaletteEntry> TDesignRegistry::Palette() const
{
    std::lock_guard<std::mutex> g(FLock);
    return FPalette;
}

std::vector<std::string> TDesignRegistry::Pages() const
{
    std::lock_guard<std::mutex> g(FLock);
    std::vector<std::string> pages;
    for (const TPaletteEntry& e : FPalette) {
        bool known = false;
        for (const std::string& p : pages) known = known || p == e.Page;
        if (!known) pages.push_back(e.Page);
    }
    return pages;
}

std::vector<const TClassInfo*> TDesignRegistry::PageClasses(std::string_view Page) const
{
    std::lock_guard<std::mutex> g(FLock);
    std::vector<const TClassInfo*> classes;
    for (const TPaletteEntry& e : FPalette)
        if (e.Page == Page) classes.push_back(e.Class);
    return classes;
}

std::vector<TEditorBinding> TDesignRegistry::Bindings() const
{
    std::lock_guard<std::mutex> g(FLock);
    return FBindings;
}

namespace {

// Number of registered ancestors of Class: the deeper, the more specific.
int Depth(const TClassInfo* Class)
{
    int d = 0;
    for (const TClassInfo* c = Class->Parent(); c != nullptr; c = c->Parent()) ++d;
    return d;
}

} // namespace

const TPropertyEditorClass* TDesignRegistry::FindBoundEditor(const TPropertyInfo* Prop,
                                                             const TPersistent* Instance) const
{
    if (Prop == nullptr || Instance == nullptr) return nullptr;
    const std::string type = Prop->TypeName();
    std::lock_guard<std::mutex> g(FLock);
    const TEditorBinding* best = nullptr;
    int bestDepth = 0;
    for (const TEditorBinding& b : FBindings) {
        if (b.PropertyType != type) continue;
        if (!b.PropertyName.empty() && !AnsiSameText(b.PropertyName, Prop->Name())) continue;
        if (b.ComponentClass != nullptr && !b.ComponentClass->IsInstance(Instance)) continue;
        // Every class that applies is an ancestor of the instance's: the
        // deepest is the nearest. No class at all counts least.
        const int depth = b.ComponentClass != nullptr ? Depth(b.ComponentClass) : -1;
        const bool better = best == nullptr || depth > bestDepth ||
                            (depth == bestDepth && (!b.PropertyName.empty() || best->PropertyName.empty()));
        if (better) {
            best = &b;
            bestDepth = depth;
        }
    }
    return best != nullptr ? best->EditorClass : nullptr;
}

const TPropertyEditorClass* StandardEditorClass(TPropertyKind Kind)
{
    switch (Kind) {
    case pkInteger:
    case pkCardinal: return EditorClass<TIntegerProperty>();
    case pkChar: return EditorClass<TCharProperty>();
    case pkBoolean:
    case pkEnumeration: return EditorClass<TEnumProperty>();
    case pkSet: return EditorClass<TSetProperty>();
    case pkString: return EditorClass<TStringProperty>();
    case pkObject: return EditorClass<TClassProperty>();
    case pkComponent: return EditorClass<TComponentProperty>();
    }
    return EditorClass<TPropertyEditor>();
}

const TPropertyEditorClass* TDesignRegistry::GetEditorClass(const TPropertyInfo* Prop,
                                                            const TPersistent* Instance) const
{
    if (const TPropertyEditorClass* bound = FindBoundEditor(Prop, Instance)) return bound;
    return StandardEditorClass(Prop->Kind());
}

std::unique_ptr<TPropertyEditor> TDesignRegistry::CreateEditor(TDesigner* Designer,
                                                               std::vector<TPersistent*> Instances,
                                                               const TPropertyInfo* Prop) const
{
    if (Instances.empty() || Prop == nullptr) throw EPropertyError("CreateEditor: no object or no property");
    return GetEditorClass(Prop, Instances.front())->Create(Designer, std::move(Instances), Prop);
}

void TDesignRegistry::Clear()
{
    std::lock_guard<std::mutex> g(FLock);
    FPalette.clear();
    FBindings.clear();
}

TDesignRegistry& DesignRegistry()
{
    // Never freed: a designer may still look editors up while static objects
    // of other modules are destroyed.
    static TDesignRegistry* registry = new TDesignRegistry;
    return *registry;
}

void RegisterComponents(std::string_view Page, const std::vector<const TClassInfo*>& Classes)
{
    DesignRegistry().RegisterComponents(Page, Classes);
}

void RegisterPropertyEditor(std::string_view PropertyType, const TClassInfo* ComponentClass,
                            std::string_view PropertyName, const TPropertyEditorClass* EditorClass)
{
    DesignRegistry().RegisterPropertyEditor(PropertyType, ComponentClass, PropertyName, EditorClass);
}

} // namespace kxtapi
