// The FIFO's published properties and their round trip through a form.
#include "kxtapi/comm/fifo.h"
#include "kxtapi/rtl/forms.h"
#include "kxtapi/rtl/properties.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>

using namespace kxtapi;

TEST(FifoProperties, NameTagAndSizeArePublished)
{
    const TClassInfo* Class = FindClass("TkxFifo");
    ASSERT_TRUE(Class->CanCreate());
    std::vector<std::string> Names;
    for (const TPropertyInfo* P : Class->Properties()) Names.push_back(P->Name());
    EXPECT_EQ(Names, (std::vector<std::string>{"Name", "Tag", "Size"}));
    const TPropertyInfo* Size = Class->FindProperty("size");
    EXPECT_EQ(Size->TypeName(), "Word");
    EXPECT_EQ(Size->MaxValue(), 65535);

    TkxFifo Fifo(nullptr);
    EXPECT_EQ(Size->GetOrd(&Fifo), 2048);
    Size->SetAsText(&Fifo, "100");
    EXPECT_EQ(Fifo.Get_Size(), 100);
    EXPECT_EQ(Fifo.Get_Free(), 100);
    EXPECT_THROW(Size->SetOrd(&Fifo, 65536), EPropertyError);
    Fifo.Write("x");
    EXPECT_THROW(Size->SetOrd(&Fifo, 50), EBufferError);  // the FIFO's own refusal
}

TEST(FifoProperties, EverySizeSurvivesAFormRoundTrip)
{
    for (uint16_t Wanted : {uint16_t{2048}, uint16_t{4096}, uint16_t{1}, uint16_t{65535}}) {
        TComponent Form(nullptr);
        auto* Fifo = new TkxFifo(&Form);
        Fifo->Set_Name("Fifo1");
        Fifo->Set_Tag(7);
        Fifo->SetSize(Wanted);
        const std::string Text = WriteComponentToString(&Form);
        const auto Json = nlohmann::json::parse(Text);
        const auto& Props = Json["root"]["components"][0]["properties"];
        EXPECT_EQ(Props["Size"], Wanted) << Text;
        EXPECT_EQ(Props["Tag"], 7);

        auto Copy = ReadNewComponent<TComponent>(Text);
        auto* Read = dynamic_cast<TkxFifo*>(Copy->FindComponent("Fifo1"));
        ASSERT_NE(Read, nullptr);
        EXPECT_EQ(Read->Get_Size(), Wanted);
        EXPECT_EQ(Read->Get_Free(), Wanted);
        EXPECT_EQ(Read->Get_Tag(), 7);
        EXPECT_TRUE(Read->Write(std::string(Wanted, 'a')));
    }
}

TEST(FifoProperties, ASizeOutOfRangeInAFormIsRefused)
{
    const char* Text = R"({"format": "kxtapi-form", "version": 1, "root": {"class": "TComponent",
        "components": [{"class": "TkxFifo", "name": "Fifo1", "properties": {"Size": 70000}}]}})";
    EXPECT_THROW(ReadNewComponent<TComponent>(Text), EReadError);
}
