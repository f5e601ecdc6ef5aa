// A form being designed: its root component, the registry that chooses the
// property editors, and the "form changed" notice the editors give.
//
//   std::unique_ptr<TComponent> Form = ReadFormForDesign(Text);
//   TDesigner Designer(Form.get());
//   Designer.OnModified = [](TDesigner*) { MarkUnsaved(); };
//   for (auto& Editor : Designer.GetProperties(Form->FindComponent("Line1")))
//       Show(Editor->GetName(), Editor->GetValue());
//   Designer.FindProperty("Line1.CallParams.BearerMode")->SetValue("DATA");
//
// Main (designer) thread only.
#pragma once

#include "kxtapi/design/property_editor.h"
#include "kxtapi/design/registry.h"
#include "kxtapi/rtl/classes.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kxtapi {

class TDesigner {
public:
    /// Root is the form (not owned; may be null). Registry defaults to
    /// `DesignRegistry()`.
    explicit TDesigner(TComponent* Root = nullptr, TDesignRegistry* Registry = nullptr);
    virtual ~TDesigner() = default;
    TDesigner(const TDesigner&) = delete;
    TDesigner& operator=(const TDesigner&) = delete;

    TComponent* Root() const noexcept { return FRoot; }
    TDesignRegistry& Registry() const noexcept { return *FRegistry; }

    /// An editor changed the form: counts and raises OnModified.
    virtual void Modified();
    /// How often `Modified` was called.
    int ModifiedCount() const noexcept { return FModifiedCount; }
    std::function<void(TDesigner* Sender)> OnModified;

    /// The editors of Instance's published properties, in publishing order.
    /// Names are left out (the designer shows them apart), and so is an
    /// instance whose class is not registered (no editors).
    std::vector<std::unique_ptr<TPropertyEditor>> GetProperties(TPersistent* Instance);
    /// The editor of a property below Instance, dotted through sub-objects
    /// ("CallOptions.MonitorMedia.MediaModes"); null when there is none.
    std::unique_ptr<TPropertyEditor> FindProperty(TPersistent* Instance, std::string_view Path);
    /// The same from the root: the first name is a component of the form
    /// (dotted through owned components, "Panel1.Line1.MediaModes"), or the
    /// root's own property.
    std::unique_ptr<TPropertyEditor> FindProperty(std::string_view Path);

    /// The component of the form a dotted name leads to (the root for an
    /// empty name); null when there is none.
    TComponent* FindComponent(std::string_view DottedName) const;

private:
    TComponent* FRoot;
    TDesignRegistry* FRegistry;
    int FModifiedCount = 0;
};

} // namespace kxtapi
