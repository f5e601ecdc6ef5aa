// The design tests' world: a form in design mode holding a line and a port,
// a designer over it with its own registry, and a session that is stopped
// again after each test (reading device names starts it).
#pragma once

#include "kxtapi/kxtapi.h"
#include "kxtapi/kxtapicomm.h"
#include "kxtapi/kxtapiprop.h"
#include "kxtapi/kxtapipropdlga.h"
#include "kxtapi/sim.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kxtapi::testing {

/// Collects what an editor's GetValues offers.
inline std::vector<std::string> ValuesOf(TPropertyEditor& Editor)
{
    std::vector<std::string> values;
    Editor.GetValues([&](const std::string& S) { values.push_back(S); });
    return values;
}

/// Installs a dialog hook for the lifetime of the object and restores the
/// one before it.
class THookScope {
public:
    explicit THookScope(TDWordDlgHook Hook) : FOld(SetDWordDlgHook(std::move(Hook))) {}
    ~THookScope() { SetDWordDlgHook(std::move(FOld)); }
    THookScope(const THookScope&) = delete;
    THookScope& operator=(const THookScope&) = delete;

private:
    TDWordDlgHook FOld;
};

class DesignTest : public ::testing::Test {
protected:
    DesignTest()
    {
        Application()->SetMainThread();
        sim::Switch().Reset();
        Form = std::make_unique<TComponent>(nullptr);
        Form->Set_Name("Form1");
        Form->SetDesigning(true);
        Line = new TTapiLine(Form.get());
        Line->Set_Name("Line1");
        Port = new TComPort(Form.get());
        Port->Set_Name("Port1");
        Designer = std::make_unique<TDesigner>(Form.get(), &Registry);
    }
    ~DesignTest() override
    {
        Designer.reset();
        Form.reset();
        if (TapiApplication->IsActive()) TapiApplication->Shutdown();
        Application()->ProcessMessages();
        sim::Switch().Reset();
    }

    /// The editor the designer picks for a dotted path below the form.
    std::unique_ptr<TPropertyEditor> Editor(const std::string& Path)
    {
        auto e = Designer->FindProperty(Path);
        if (!e) ADD_FAILURE() << "no property " << Path;
        return e;
    }

    /// An editor of class E over the property Path of Instance.
    template <class E>
    std::unique_ptr<TPropertyEditor> EditorOf(TPersistent* Instance, const std::string& PropName)
    {
        const TPropertyInfo* p = TPropertyRegistry::ClassOf(Instance)->FindProperty(PropName);
        if (p == nullptr) ADD_FAILURE() << "no property " << PropName;
        return EditorClass<E>()->Create(Designer.get(), {Instance}, p);
    }

    TDesignRegistry Registry;
    std::unique_ptr<TComponent> Form;
    TTapiLine* Line = nullptr;
    TComPort* Port = nullptr;
    std::unique_ptr<TDesigner> Designer;
};

} // namespace kxtapi::testing
