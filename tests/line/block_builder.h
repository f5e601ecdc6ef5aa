// Blocks built by hand for the view tests: a patterned fixed part, strings
// placed at chosen offsets, and a list of expected fields.
#pragma once

#include "kxtapi/line/block_view.h"
#include "kxtapi/rtl/properties.h"
#include "kxtapi/session/var_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace linetest {

/// The value the patterned block holds in the 32-bit word at Offset.
inline uint32_t Pattern(uint32_t Offset) { return 0x5A000000u | Offset; }

/// A block of Size bytes whose every aligned word after the header holds
/// Pattern(its offset).
inline kxtapi::TVarBlock PatternBlock(uint32_t Size)
{
    kxtapi::TVarBlock B(Size);
    for (uint32_t o = 12; o + 4 <= Size; o += 4) B.SetDword(o, Pattern(o));
    return B;
}

/// Writes Bytes at Offset and points the pair at SizeField to them with the
/// given size.
inline void PutString(kxtapi::TVarBlock& B, uint32_t SizeField, uint32_t Offset, std::string_view Bytes,
                      uint32_t Size)
{
    ASSERT_LE(Offset + Bytes.size(), B.Size());
    std::memcpy(B.Data() + Offset, Bytes.data(), Bytes.size());
    B.SetDword(SizeField, Size);
    B.SetDword(SizeField + 4, Offset);
}

struct TExpectedField {
    const char* Name;
    uint32_t Offset;
};

/// Every index of the view reads the word of its field in a patterned
/// block, its table names it, and its published property of that name reads
/// the same value.
template <class V>
void ExpectFieldsRead(const std::vector<TExpectedField>& Expected, uint32_t BlockSize)
{
    const kxtapi::TVarBlock B = PatternBlock(BlockSize);
    const V View(&B);
    ASSERT_EQ(View.DWordFields().size(), Expected.size());
    const kxtapi::TClassInfo* Class = kxtapi::GetClass(View.ClassName());
    for (size_t i = 0; i < Expected.size(); ++i) {
        const int Index = static_cast<int>(i);
        EXPECT_EQ(View.GetDWORD(Index), Pattern(Expected[i].Offset)) << Expected[i].Name;
        EXPECT_STREQ(View.DWordFields()[i].Name, Expected[i].Name);
        if (Class != nullptr) {
            const kxtapi::TPropertyInfo* P = Class->FindProperty(Expected[i].Name);
            ASSERT_NE(P, nullptr) << Expected[i].Name;
            EXPECT_TRUE(P->IsReadOnly());
            EXPECT_EQ(P->GetOrd(&View), static_cast<int64_t>(Pattern(Expected[i].Offset))) << Expected[i].Name;
        }
    }
    EXPECT_EQ(View.GetDWORD(-1), 0u);
    EXPECT_EQ(View.GetDWORD(static_cast<int>(Expected.size())), 0u);
}

} // namespace linetest

#define KX_FIELD(Struct, Name) linetest::TExpectedField{#Name, offsetof(Struct, dw##Name)}
