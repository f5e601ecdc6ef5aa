// Reading form files: parse, check everything against the registry, then
// create, assign, link and load, undoing it all when a component refuses.
#include "kxtapi/rtl/forms.h"

#include "kxtapi/rtl/properties.h"
#include "kxtapi/rtl/strings.h"
#include "rtl/component_paths.h"
#include "rtl/form_context.h"
#include "rtl/form_format.h"
#include "rtl/form_plan.h"
#include "rtl/json_text.h"

#include <exception>
#include <fstream>
#include <istream>
#include <iterator>
#include <optional>
#include <typeindex>
#include <unordered_set>

namespace kxtapi {

namespace {

class TFormLoader {
public:
    TFormLoader(const TFormContext& Context, const TFormReadOptions& Options)
        : FContext(Context), FOptions(Options) {}

    /// Reads Plan into Existing, or into a new root owned by AOwner when
    /// Existing is null. Returns the root.
    TComponent* Run(const TComponentPlan& Plan, TComponent* Existing, TComponent* AOwner,
                    const std::type_info& Expected, bool (*IsExpected)(const TComponent*))
    {
        try {
            ApplyRoot(Plan, Existing, AOwner, Expected, IsExpected);
            ResolveReferences();
        } catch (...) {
            Undo();
            FreeCreated();
            throw;
        }
        return Finish();
    }

private:
    struct TUndo {
        TPersistent* Object;
        const TPropertyInfo* Property;
        int64_t Ord = 0;
        std::string Str;
        TComponent* Ref = nullptr;
    };
    struct TMark {
        TComponent* Component;
        bool Existing;
        bool WasLoading;
        bool WasReading;
    };
    struct TPendingReference {
        TPersistent* Object;
        const TValuePlan* Value;
        bool Existing;
        const std::string* Label;
    };

    // Calls Fn and reports a library exception as a read error at Pointer.
    template <class F>
    void Guard(const std::string& Pointer, const std::string& Label, const std::string& Property, F&& Fn)
    {
        try {
            Fn();
        } catch (const EReadError&) {
            throw;
        } catch (const Exception& e) {
            FContext.Fail(Pointer, false, Label, Property, e.Message());
        }
    }

    void ApplyRoot(const TComponentPlan& Plan, TComponent* Existing, TComponent* AOwner,
                   const std::type_info& Expected, bool (*IsExpected)(const TComponent*))
    {
        const std::string classPtr = TJsonText::Child(Plan.Pointer, form_format::kClassKey);
        if (Existing != nullptr) {
            if (!Plan.Class->IsInstance(Existing))
                FContext.Fail(classPtr, false, "", "",
                              "the form holds a " + Plan.Class->Name() + ", which " +
                                  (Existing->Get_Name().empty() ? std::string("the root") : Existing->Get_Name()) +
                                  " (a " + Existing->ClassName() + ") is not");
            FRoot = Existing;
            Enter(*Existing, Plan, true);
            return;
        }
        TComponent* root = nullptr;
        Guard(classPtr, Plan.Label, "", [&] { root = Plan.Class->CreateComponent(AOwner); });
        FCreated.push_back(root);
        FRoot = root;
        if (IsExpected != nullptr && !IsExpected(root)) {
            const TClassInfo* expected = TPropertyRegistry::GetClass(std::type_index(Expected));
            FContext.Fail(classPtr, false, "", "",
                          "the form holds a " + Plan.Class->Name() + ", not a " +
                              (expected != nullptr ? expected->Name() : std::string("component of the expected class")));
        }
        Enter(*root, Plan, false);
    }

    void ApplyChild(const TComponentPlan& Plan, TComponent& Parent, bool ParentExisting)
    {
        TComponent* found = Plan.Name.empty() ? nullptr : Parent.FindComponent(Plan.Name);
        if (found != nullptr) {
            if (!Plan.Class->IsInstance(found))
                FContext.Fail(TJsonText::Child(Plan.Pointer, form_format::kClassKey), false, Plan.Label, "",
                              "the form holds a " + Plan.Class->Name() + ", but " + found->Get_Name() +
                                  " exists as a " + found->ClassName());
            // A part of a component created here goes with it when the read fails.
            Enter(*found, Plan, ParentExisting);
            return;
        }
        TComponent* c = nullptr;
        Guard(TJsonText::Child(Plan.Pointer, form_format::kClassKey), Plan.Label, "",
              [&] { c = Plan.Class->CreateComponent(&Parent); });
        FCreated.push_back(c);
        Enter(*c, Plan, false);
    }

    void Enter(TComponent& C, const TComponentPlan& Plan, bool Existing)
    {
        FMarks.push_back({&C, Existing, C.IsLoading(), C.ComponentState().Contains(csReading)});
        C.SetStreamingState(csLoading, true);
        C.SetStreamingState(csReading, true);
        FLoaded.push_back(&C);
        if (!Plan.Name.empty() && Plan.Name != C.Get_Name()) {
            if (Existing) FUndo.push_back({&C, NameProperty(), 0, C.Get_Name(), nullptr});
            Guard(TJsonText::Child(Plan.Pointer, form_format::kNameKey), Plan.Label, "",
                  [&] { C.Set_Name(Plan.Name); });
        }
        Assign(C, Plan.Properties, Existing, Plan.Label);
        for (const TComponentPlan& child : Plan.Children) ApplyChild(child, C, Existing);
    }

    void Assign(TPersistent& Object, const std::vector<TValuePlan>& Values, bool Existing, const std::string& Label)
    {
        for (const TValuePlan& v : Values) {
            const TPropertyInfo* p = v.Property;
            switch (p->Kind()) {
            case pkObject: {
                TPersistent* sub = nullptr;
                Guard(v.Pointer, Label, v.Name, [&] { sub = p->GetObject(&Object); });
                if (sub == nullptr) FContext.Fail(v.Pointer, false, Label, v.Name, "the object has no such sub-object");
                Assign(*sub, v.Nested, Existing, Label);
                break;
            }
            case pkComponent:
                FReferences.push_back({&Object, &v, Existing, &Label});
                break;
            case pkString:
                Guard(v.Pointer, Label, v.Name, [&] {
                    if (Existing) FUndo.push_back({&Object, p, 0, p->GetString(&Object), nullptr});
                    p->SetString(&Object, v.Str);
                });
                break;
            default:
                Guard(v.Pointer, Label, v.Name, [&] {
                    if (Existing) FUndo.push_back({&Object, p, p->GetOrd(&Object), {}, nullptr});
                    p->SetOrd(&Object, v.Ord);
                });
                break;
            }
        }
    }

    void ResolveReferences()
    {
        for (const TPendingReference& r : FReferences) {
            const TValuePlan& v = *r.Value;
            const TPropertyInfo* p = v.Property;
            TComponent* target = nullptr;
            if (!v.Str.empty()) {
                Guard(v.Pointer, *r.Label, v.Name, [&] {
                    target = component_paths::ResolveReferencePath(v.Str, FRoot, FOptions.FindRoot);
                });
                if (target == nullptr)
                    FContext.Fail(v.Pointer, false, *r.Label, v.Name, "component " + v.Str + " not found");
                if (!p->AcceptsReference(target))
                    FContext.Fail(v.Pointer, false, *r.Label, v.Name,
                                  v.Str + " is a " + target->ClassName() + ", not a " + p->TypeName());
            }
            Guard(v.Pointer, *r.Label, v.Name, [&] {
                if (r.Existing) FUndo.push_back({r.Object, p, 0, {}, p->GetReference(r.Object)});
                p->SetReference(r.Object, target);
            });
        }
    }

    TComponent* Finish()
    {
        for (const TMark& m : FMarks) m.Component->SetStreamingState(csReading, false);
        // Every component leaves the loading state even when one fails.
        std::exception_ptr first;
        for (TComponent* c : FLoaded) {
            try {
                c->Loaded();
            } catch (...) {
                if (!first) first = std::current_exception();
            }
        }
        if (first) {
            FreeCreated();
            std::rethrow_exception(first);
        }
        return FRoot;
    }

    // Gives existing objects back the values they had, last change first, and
    // their loading state.
    void Undo() noexcept
    {
        for (auto it = FUndo.rbegin(); it != FUndo.rend(); ++it) {
            try {
                switch (it->Property->Kind()) {
                case pkString: it->Property->SetString(it->Object, it->Str); break;
                case pkComponent: it->Property->SetReference(it->Object, it->Ref); break;
                default: it->Property->SetOrd(it->Object, it->Ord); break;
                }
            } catch (...) {
                // The value was the object's own a moment ago; nothing better to do.
            }
        }
        for (const TMark& m : FMarks) {
            if (!m.Existing) continue;
            m.Component->SetStreamingState(csLoading, m.WasLoading);
            m.Component->SetStreamingState(csReading, m.WasReading);
        }
    }

    // Frees the components created here; those owned by another of them go
    // with their owner.
    void FreeCreated() noexcept
    {
        const std::unordered_set<TComponent*> created(FCreated.begin(), FCreated.end());
        std::vector<TComponent*> tops;
        for (TComponent* c : FCreated) {
            bool nested = false;
            for (TComponent* o = c->Get_Owner(); o != nullptr && !nested; o = o->Get_Owner())
                nested = created.count(o) != 0;
            if (!nested) tops.push_back(c);
        }
        for (auto it = tops.rbegin(); it != tops.rend(); ++it) delete *it;
        FCreated.clear();
    }

    static const TPropertyInfo* NameProperty()
    {
        static const TPropertyInfo* name = TPropertyRegistry::GetClass(typeid(TComponent))->FindProperty("Name");
        return name;
    }

    const TFormContext& FContext;
    const TFormReadOptions& FOptions;
    TComponent* FRoot = nullptr;
    std::vector<TComponent*> FCreated;
    std::vector<TComponent*> FLoaded;
    std::vector<TMark> FMarks;
    std::vector<TUndo> FUndo;
    std::vector<TPendingReference> FReferences;
};

TComponent* Read(std::string_view Text, TComponent* Existing, TComponent* AOwner, const TFormReadOptions& Options,
                 const std::type_info& Expected, bool (*IsExpected)(const TComponent*))
{
    TFormContext context(Options.SourceName);
    std::optional<TJsonText> text;
    try {
        text.emplace(Text, form_format::kMaxJsonDepth);
    } catch (const TJsonSyntaxError& e) {
        context.FailSyntax(Text, e);
    }
    context.SetText(&*text);
    const TComponentPlan plan = BuildFormPlan(*text, context);
    return TFormLoader(context, Options).Run(plan, Existing, AOwner, Expected, IsExpected);
}

} // namespace

void ReadComponent(std::string_view Text, TComponent* Root, const TFormReadOptions& Options)
{
    if (Root == nullptr) throw EReadError("Cannot read a form into no component", Options.SourceName);
    Read(Text, Root, nullptr, Options, typeid(void), nullptr);
}

void ReadComponent(std::istream& In, TComponent* Root, const TFormReadOptions& Options)
{
    ReadComponent(form_detail::ReadAll(In, Options.SourceName), Root, Options);
}

void ReadComponentFile(const std::string& FileName, TComponent* Root, TFormReadOptions Options)
{
    if (Options.SourceName.empty()) Options.SourceName = FileName;
    ReadComponent(form_detail::ReadFile(FileName), Root, Options);
}

TComponent* ReadNewComponent(std::string_view Text, TComponent* AOwner, const TFormReadOptions& Options)
{
    return Read(Text, nullptr, AOwner, Options, typeid(void), nullptr);
}

namespace form_detail {

TComponent* ReadNewRoot(std::string_view Text, TComponent* AOwner, const TFormReadOptions& Options,
                        const std::type_info& Expected, bool (*IsExpected)(const TComponent*))
{
    return Read(Text, nullptr, AOwner, Options, Expected, IsExpected);
}

std::string ReadAll(std::istream& In, const std::string& SourceName)
{
    std::string text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    if (In.bad()) throw EReadError("Cannot read the form from the stream", SourceName);
    return text;
}

std::string ReadFile(const std::string& FileName)
{
    std::ifstream in(FileName, std::ios::binary);
    if (!in) throw EReadError("Cannot open file " + FileName, FileName);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EReadError("Cannot read file " + FileName, FileName);
    return text;
}

} // namespace form_detail

} // namespace kxtapi
