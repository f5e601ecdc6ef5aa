// Reading a form in design mode, and showing it as the editors do.

#include "inspect.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <ostream>

namespace inspect {

using namespace kxtapi;

TDesignForm::TDesignForm(const std::string& FileName) : FHost(std::make_unique<TComponent>(nullptr))
{
    // Components created under a designing owner design too, so reading
    // the form stores Active wishes instead of opening devices.
    FHost->SetDesigning(true);
    TFormReadOptions Options;
    Options.SourceName = FileName;
    std::ifstream In(FileName, std::ios::binary);
    if (!In) throw EInspect("cannot read " + FileName);
    std::stringstream Text;
    Text << In.rdbuf();
    FRoot = ReadNewComponent(Text.str(), FHost.get(), Options);
    FDesigner = std::make_unique<TDesigner>(FRoot);
}

TDesignForm::~TDesignForm() = default;

std::unique_ptr<TPropertyEditor> TDesignForm::Editor(const std::string& Path)
{
    auto E = FDesigner->FindProperty(Path);
    if (!E) throw EInspect("no property " + Path + " in the form");
    return E;
}

void TDesignForm::Write(const std::string& FileName) const
{
    WriteComponentFile(FileName, FRoot);
}

std::string Show(const std::string& Cp1252)
{
    return Cp1252ToUtf8(Cp1252);
}

std::string AttributeText(TPropertyAttributes Attributes)
{
    static const char* const Names[] = {"paValueList", "paSubProperties", "paDialog",   "paMultiSelect",
                                        "paAutoUpdate", "paSortList",     "paReadOnly", "paRevertable"};
    std::string text;
    for (int i = 0; i < 8; ++i)
        if (Attributes.Contains(static_cast<TPropertyAttribute>(i))) {
            if (!text.empty()) text += ',';
            text += Names[i];
        }
    return text;
}

namespace {

constexpr size_t EditorColumn = 52;

void ListEditor(TPropertyEditor& E, int Depth, std::ostream& Out)
{
    std::string line(static_cast<size_t>(2 * Depth), ' ');
    line += E.GetName() + " = " + Show(E.GetValue());
    const TPropertyAttributes a = E.GetAttributes();
    line.resize(std::max(line.size() + 2, EditorColumn), ' ');
    Out << line << E.ClassName() << " [" << AttributeText(a) << "]\n";
    if (a.Contains(paSubProperties))
        E.GetProperties([&](std::unique_ptr<TPropertyEditor> Sub) { ListEditor(*Sub, Depth + 1, Out); });
}

void ListComponent(TDesignForm& Form, TComponent* C, const std::string& Name, std::ostream& Out)
{
    Out << Name << ": " << C->ClassName() << "\n";
    for (auto& E : Form.Designer().GetProperties(C)) ListEditor(*E, 1, Out);
    for (int i = 0; i < C->ComponentCount(); ++i) {
        TComponent* Child = C->Components(i);
        if (Child->IsSubComponent()) continue;
        ListComponent(Form, Child, Name + "." + Child->Get_Name(), Out);
    }
}

} // namespace

void ListForm(TDesignForm& Form, std::ostream& Out)
{
    TComponent* Root = Form.Root();
    Out << Root->Get_Name() << ": " << Root->ClassName() << "\n";
    for (auto& E : Form.Designer().GetProperties(Root)) ListEditor(*E, 1, Out);
    for (int i = 0; i < Root->ComponentCount(); ++i) {
        TComponent* C = Root->Components(i);
        if (!C->IsSubComponent()) ListComponent(Form, C, C->Get_Name(), Out);
    }
}

void ListValues(TDesignForm& Form, const std::string& Path, std::ostream& Out)
{
    auto E = Form.Editor(Path);
    const TPropertyAttributes a = E->GetAttributes();
    if (!a.Contains(paValueList)) throw EInspect(Path + " (" + E->ClassName() + ") offers no list of values");
    std::vector<std::string> values;
    E->GetValues([&](const std::string& S) { values.push_back(S); });
    if (a.Contains(paSortList))
        std::stable_sort(values.begin(), values.end(),
                         [](const std::string& A, const std::string& B) { return AnsiCompareText(A, B) < 0; });
    for (const std::string& v : values) Out << Show(v) << "\n";
}

} // namespace inspect
