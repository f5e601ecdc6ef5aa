#include "service/config/config_reader.h"

namespace kxtapi::service {

using json = nlohmann::json;

TConfigNode::TConfigNode(const json& Value, std::string Path) : FValue(&Value), FPath(std::move(Path))
{
    if (!Value.is_object()) throw TConfigError(FPath, "must be an object");
}

bool TConfigNode::Has(const char* Key) const
{
    return Member(Key) != nullptr;
}

std::string TConfigNode::KeyPath(const char* Key) const
{
    return FPath.empty() ? std::string(Key) : FPath + "." + Key;
}

void TConfigNode::Fail(const char* Key, const std::string& Problem) const
{
    throw TConfigError(KeyPath(Key), Problem);
}

const json* TConfigNode::Member(const char* Key) const
{
    auto it = FValue->find(Key);
    // A null value reads as absent, which lets a generated file write every
    // key.
    if (it == FValue->end() || it->is_null()) return nullptr;
    return &*it;
}

std::optional<std::string> TConfigNode::String(const char* Key) const
{
    const json* v = Member(Key);
    if (!v) return std::nullopt;
    if (!v->is_string()) Fail(Key, "must be a text");
    return v->get<std::string>();
}

std::string TConfigNode::String(const char* Key, const std::string& Default) const
{
    return String(Key).value_or(Default);
}

std::string TConfigNode::RequiredString(const char* Key) const
{
    std::optional<std::string> s = String(Key);
    if (!s) Fail(Key, "is missing");
    if (s->empty()) Fail(Key, "must not be empty");
    return *s;
}

bool TConfigNode::Bool(const char* Key, bool Default) const
{
    const json* v = Member(Key);
    if (!v) return Default;
    if (!v->is_boolean()) Fail(Key, "must be true or false");
    return v->get<bool>();
}

int64_t TConfigNode::Integer(const char* Key, int64_t Min, int64_t Max, int64_t Default) const
{
    const json* v = Member(Key);
    if (!v) return Default;
    if (!v->is_number_integer()) Fail(Key, "must be a whole number");
    // Unsigned values above INT64_MAX are out of range whatever Max is.
    if (v->is_number_unsigned() && v->get<uint64_t>() > static_cast<uint64_t>(INT64_MAX))
        Fail(Key, "must be between " + std::to_string(Min) + " and " + std::to_string(Max));
    int64_t n = v->get<int64_t>();
    if (n < Min || n > Max) Fail(Key, "must be between " + std::to_string(Min) + " and " + std::to_string(Max));
    return n;
}

std::vector<std::string> TConfigNode::StringList(const char* Key, const std::vector<std::string>& Default) const
{
    const json* v = Member(Key);
    if (!v) return Default;
    if (!v->is_array()) Fail(Key, "must be a list of texts");
    std::vector<std::string> Out;
    for (size_t i = 0; i < v->size(); ++i) {
        const json& e = (*v)[i];
        if (!e.is_string())
            throw TConfigError(KeyPath(Key) + "[" + std::to_string(i) + "]", "must be a text");
        Out.push_back(e.get<std::string>());
    }
    return Out;
}

std::vector<TConfigNode> TConfigNode::Objects(const char* Key) const
{
    const json* v = Member(Key);
    if (!v) return {};
    if (!v->is_array()) Fail(Key, "must be a list");
    std::vector<TConfigNode> Out;
    Out.reserve(v->size());
    for (size_t i = 0; i < v->size(); ++i)
        Out.emplace_back((*v)[i], KeyPath(Key) + "[" + std::to_string(i) + "]");
    return Out;
}

std::optional<TConfigNode> TConfigNode::Object(const char* Key) const
{
    const json* v = Member(Key);
    if (!v) return std::nullopt;
    return TConfigNode(*v, KeyPath(Key));
}

}  // namespace kxtapi::service
