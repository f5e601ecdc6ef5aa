// Writing a component tree as a form file.
#include "kxtapi/rtl/forms.h"

#include "kxtapi/rtl/properties.h"
#include "kxtapi/rtl/strings.h"
#include "rtl/component_paths.h"
#include "rtl/form_format.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <ostream>

namespace kxtapi {

namespace {

using json = nlohmann::ordered_json;
namespace ff = form_format;

std::string Label(const TComponent* C)
{
    return C->Get_Name().empty() ? "(" + C->ClassName() + ")" : C->Get_Name();
}

class TFormWriter {
public:
    explicit TFormWriter(const TComponent* Root) : FRoot(Root) {}

    json Document()
    {
        json doc = json::object();
        doc[ff::kFormatKey] = ff::kFormat;
        doc[ff::kVersionKey] = ff::kVersion;
        doc[ff::kRootKey] = Component(FRoot);
        return doc;
    }

private:
    json Component(const TComponent* C)
    {
        const TClassInfo* cls = TPropertyRegistry::ClassOf(C);
        if (cls == nullptr || !cls->IsComponentClass())
            throw EWriteError("Cannot write " + Label(C) + ": class " + C->ClassName() + " is not registered");
        json j = json::object();
        j[ff::kClassKey] = cls->Name();
        if (!C->Get_Name().empty()) j[ff::kNameKey] = Cp1252ToUtf8(C->Get_Name());
        json props = Properties(C, cls, C, "", 0);
        if (!props.empty()) j[ff::kPropertiesKey] = std::move(props);
        json children = json::array();
        for (int i = 0; i < C->ComponentCount(); ++i) {
            const TComponent* child = C->Components(i);
            if (!child->IsSubComponent()) children.push_back(Component(child));
        }
        if (!children.empty()) j[ff::kComponentsKey] = std::move(children);
        return j;
    }

    json Properties(const TPersistent* Object, const TClassInfo* Class, const TComponent* Owner,
                    const std::string& Prefix, int Depth)
    {
        json out = json::object();
        for (const TPropertyInfo* p : Class->Properties()) {
            if (!p->IsStored() || p->IsReadOnly()) continue;
            const std::string name = Prefix + p->Name();
            if (p->Kind() == pkObject) {
                const TPersistent* sub = p->GetObject(Object);
                if (sub == nullptr) continue;
                if (Depth >= ff::kMaxObjectDepth)
                    throw EWriteError("Cannot write " + Label(Owner) + "." + name + ": sub-objects nested too deep");
                json nested = Properties(sub, p->ObjectClass(), Owner, name + ".", Depth + 1);
                if (!nested.empty()) out[p->Name()] = std::move(nested);
                continue;
            }
            if (p->IsDefaultValue(Object)) continue;
            out[p->Name()] = Value(Object, p, Owner, name);
        }
        return out;
    }

    json Value(const TPersistent* Object, const TPropertyInfo* P, const TComponent* Owner, const std::string& Name)
    {
        auto fail = [&](const std::string& Why) {
            return EWriteError("Cannot write " + Label(Owner) + "." + Name + ": " + Why);
        };
        switch (P->Kind()) {
        case pkInteger:
        case pkCardinal:
            return P->GetOrd(Object);
        case pkBoolean:
            return P->GetOrd(Object) != 0;
        case pkChar:
            return Cp1252ToUtf8(std::string(1, static_cast<char>(P->GetOrd(Object))));
        case pkString:
            return Cp1252ToUtf8(P->GetString(Object));
        case pkEnumeration: {
            const int64_t v = P->GetOrd(Object);
            const std::string& name = P->EnumType()->ValueName(v);
            if (name.empty()) throw fail(std::to_string(v) + " is not a value of " + P->TypeName());
            return name;
        }
        case pkSet: {
            const int64_t bits = P->GetOrd(Object);
            if (bits < 0 || (bits & ~P->MaxValue()) != 0)
                throw fail("the set holds members outside " + P->EnumType()->Name());
            json names = json::array();
            for (int i = 0; i < P->EnumType()->Count(); ++i)
                if ((bits >> i) & 1) names.push_back(P->EnumType()->ValueName(i));
            return names;
        }
        case pkComponent: {
            const TComponent* target = P->GetReference(Object);
            std::string path = component_paths::ReferencePath(target, FRoot);
            if (path.empty()) throw fail("it refers to a component without a name");
            return Cp1252ToUtf8(path);
        }
        case pkObject:
            break;
        }
        throw fail("unexpected property kind");
    }

    const TComponent* FRoot;
};

} // namespace

std::string WriteComponentToString(const TComponent* Root)
{
    if (Root == nullptr) throw EWriteError("Cannot write a form without a root component");
    return TFormWriter(Root).Document().dump(2) + "\n";
}

void WriteComponent(std::ostream& Out, const TComponent* Root)
{
    const std::string text = WriteComponentToString(Root);
    Out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!Out) throw EWriteError("Cannot write the form to the stream");
}

void WriteComponentFile(const std::string& FileName, const TComponent* Root)
{
    // Everything that can fail in the writer fails before the file is touched.
    const std::string text = WriteComponentToString(Root);
    const std::string temporary = FileName + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) throw EWriteError("Cannot create file " + temporary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            throw EWriteError("Cannot write file " + temporary);
        }
    }
    if (std::rename(temporary.c_str(), FileName.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw EWriteError("Cannot replace file " + FileName);
    }
}

} // namespace kxtapi
