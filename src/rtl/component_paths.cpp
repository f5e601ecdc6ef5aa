#include "rtl/component_paths.h"

#include "kxtapi/rtl/strings.h"

#include <algorithm>
#include <vector>

namespace kxtapi::component_paths {

namespace {

std::vector<std::string> SplitPath(std::string_view Path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t dot = Path.find('.', start);
        parts.emplace_back(Path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts;
}

} // namespace

const TComponent* RootOf(const TComponent* C) noexcept
{
    if (C == nullptr) return nullptr;
    while (C->Get_Owner() != nullptr) C = C->Get_Owner();
    return C;
}

std::string ReferencePath(const TComponent* Target, const TComponent* Root)
{
    if (Target == nullptr) return {};
    if (Target == Root) return Target->Get_Name();
    std::vector<const std::string*> names;
    const TComponent* c = Target;
    for (; c != nullptr && c != Root; c = c->Get_Owner()) names.push_back(&c->Get_Name());
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if ((*it)->empty()) return {};
        if (!path.empty()) path += '.';
        path += **it;
    }
    return path;
}

TComponent* ResolveReferencePath(std::string_view Path, const TComponent* Root, const TFindRoot& FindRoot)
{
    if (Path.empty() || Root == nullptr) return nullptr;
    std::vector<std::string> parts = SplitPath(Path);
    TComponent* current = Root->FindComponent(parts[0]);
    if (current == nullptr && !Root->Get_Name().empty() && AnsiSameText(parts[0], Root->Get_Name()))
        current = const_cast<TComponent*>(Root);
    if (current == nullptr && FindRoot) current = FindRoot(parts[0]);
    for (size_t i = 1; current != nullptr && i < parts.size(); ++i) current = current->FindComponent(parts[i]);
    return current;
}

bool IsValidReferencePath(std::string_view Path)
{
    if (Path.empty()) return false;
    size_t start = 0;
    while (true) {
        size_t dot = Path.find('.', start);
        std::string_view part = Path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (!IsValidIdent(std::string(part))) return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

} // namespace kxtapi::component_paths
