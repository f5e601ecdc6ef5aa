// Ring behaviour of TkxFifo: wrapping, 16-bit limits, all-or-nothing writes,
// reads and peeks, ReadLn's line ends, sizing and the designer instance.
#include <kxtapi/kxtapicomm.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace kxtapi;

namespace {

std::string Content(const TkxFifo& F) { return F.GetStr(0, F.Get_Count()); }

} // namespace

TEST(FifoRing, WrapsAtTheEndOfTheRing)
{
    TkxFifo f(nullptr);
    f.SetSize(8);
    ASSERT_TRUE(f.Write("ABCDEF"));
    EXPECT_EQ(f.Read(4), "ABCD");
    ASSERT_TRUE(f.Write("GHIJ"));
    EXPECT_EQ(Content(f), "EFGHIJ");
    EXPECT_EQ(f.Get_ReadIndex(), 4);
    EXPECT_EQ(f.Get_WriteIndex(), 2); // I and J went to ring indexes 0 and 1
    EXPECT_EQ(f.Get_Count() + f.Get_Free(), 8);
    EXPECT_EQ(f.Search("FG"), 1);
    EXPECT_EQ(f.Search("HI"), 3); // crosses the physical end
    EXPECT_EQ(f.GetStr(3, 10), "HIJ");
    EXPECT_EQ(f.Read(100), "EFGHIJ");
    EXPECT_EQ(f.Get_ReadIndex(), 2);
    EXPECT_EQ(f.Get_Count(), 0);

    // Filling exactly to the end of the ring puts the write index at 0.
    TkxFifo g(nullptr);
    g.SetSize(4);
    ASSERT_TRUE(g.Write("wxyz"));
    EXPECT_EQ(g.Get_WriteIndex(), 0);
    EXPECT_FALSE(g.Write("!"));
    EXPECT_EQ(g.Read(4), "wxyz");
    EXPECT_EQ(g.Get_ReadIndex(), 0);
}

TEST(FifoRing, LargestRingWrapsAtSizeNotAt65536)
{
    TkxFifo f(nullptr);
    f.SetSize(65535);
    std::string fill(65000, 'a');
    ASSERT_TRUE(f.Write(fill));
    f.Remove(64990);
    EXPECT_EQ(f.Get_ReadIndex(), 64990);

    std::string tail;
    for (int i = 0; i < 2000; ++i) tail += static_cast<char>('0' + i % 10);
    ASSERT_TRUE(f.Write(tail));                  // runs over index 65534 to 0
    EXPECT_EQ(f.Get_WriteIndex(), (65000 + 2000) - 65535);
    EXPECT_EQ(f.GetStr(10, 2000), tail);         // peek across the end
    EXPECT_EQ(f.GetStr(600, 5), tail.substr(590, 5));

    f.Remove(1000);                              // 64990 + 1000 passes 65535
    EXPECT_EQ(f.Get_ReadIndex(), 64990 + 1000 - 65535);
    EXPECT_EQ(Content(f), tail.substr(990));
    EXPECT_EQ(f.Get_Count() + f.Get_Free(), 65535);

    // A write longer than 65535 bytes is refused, not cut to 16 bits.
    f.Clear();
    std::string huge(65536 + 3, 'x');
    EXPECT_FALSE(f.WriteData(huge.data(), static_cast<uint32_t>(huge.size())));
    EXPECT_EQ(f.Get_Count(), 0);
    EXPECT_TRUE(f.WriteData(huge.data(), 65535));
    EXPECT_EQ(f.Get_Free(), 0);
}

TEST(FifoRing, WriteThatDoesNotFitStoresNothing)
{
    TkxFifo f(nullptr);
    f.SetSize(8);
    int overflows = 0, changes = 0;
    f.OnOverflow = [&](TObject* Sender) { EXPECT_EQ(Sender, &f); ++overflows; };
    f.OnChange = [&](TObject*) { ++changes; };

    EXPECT_FALSE(f.Write("123456789"));
    EXPECT_EQ(overflows, 1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(f.Get_Count(), 0);

    ASSERT_TRUE(f.Write("12345"));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(f.Write("abcd")); // 4 > 3 free: no part of it goes in
    EXPECT_EQ(Content(f), "12345");
    EXPECT_EQ(changes, 1);

    // The overflow handler may make room.
    f.OnOverflow = [&](TObject*) { f.Remove(2); };
    EXPECT_TRUE(f.Write("abcd"));
    EXPECT_EQ(Content(f), "345abcd");
}

TEST(FifoRing, ReadsAndPeeksTakeWhatIsHeld)
{
    TkxFifo f(nullptr);
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    ASSERT_TRUE(f.Write("hello"));
    EXPECT_EQ(f.GetStr(5, 1), "");
    EXPECT_EQ(f.GetStr(3, 99), "lo");
    char buf[8] = {};
    EXPECT_EQ(f.GetData(buf, 1, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "ell");
    EXPECT_EQ(f.Get_Count(), 5);

    changes = 0;
    EXPECT_EQ(f.ReadData(buf, 8), 5u);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(f.ReadData(buf, 8), 0u);
    EXPECT_EQ(changes, 2); // also when nothing was taken
    EXPECT_EQ(f.Read(3), "");
    f.Remove(10);
    EXPECT_EQ(f.Get_Free(), 2048);
}

TEST(FifoRing, ReadLnLineEnds)
{
    TkxFifo f(nullptr);
    ASSERT_TRUE(f.Write("ab\r\ncd"));
    EXPECT_EQ(f.ReadLn(), "ab");
    EXPECT_EQ(Content(f), "cd");
    EXPECT_EQ(f.ReadLn(), "cd"); // no line end: returned but kept
    EXPECT_EQ(Content(f), "cd");

    f.Clear();
    ASSERT_TRUE(f.Write("a\rb\nc\n\rd\r"));
    EXPECT_EQ(f.ReadLn(), "a");
    EXPECT_EQ(f.ReadLn(), "b");
    EXPECT_EQ(f.ReadLn(), "c");
    EXPECT_EQ(f.ReadLn(), ""); // LF CR: the CR ends an empty line
    EXPECT_EQ(f.ReadLn(), "d");
    EXPECT_EQ(f.Get_Count(), 0);
    EXPECT_EQ(f.ReadLn(), "");

    // A line that runs over the physical end of the ring.
    TkxFifo g(nullptr);
    g.SetSize(6);
    ASSERT_TRUE(g.Write("xxxx"));
    g.Remove(4);
    ASSERT_TRUE(g.Write("abc\r\n"));
    EXPECT_EQ(g.ReadLn(), "abc");
    EXPECT_EQ(g.Get_Count(), 0);
}

TEST(FifoRing, SizeChangesOnlyWhileEmpty)
{
    TkxFifo f(nullptr);
    EXPECT_EQ(f.Get_Size(), 2048);
    ASSERT_TRUE(f.Write("x"));
    try {
        f.SetSize(16);
        FAIL() << "no exception";
    } catch (const EBufferError& e) {
        EXPECT_EQ(e.Message(), "FBuffer size can not be set while data in FBuffer");
    }
    EXPECT_EQ(f.Get_Size(), 2048);
    f.Clear();
    f.SetSize(16);
    EXPECT_EQ(f.Get_Size(), 16);
    EXPECT_EQ(f.Get_Free(), 16);
    EXPECT_EQ(f.Get_ReadIndex(), 0);
    EXPECT_EQ(f.Get_WriteIndex(), 0);

    // While a form is being loaded, too.
    f.SetLoading(true);
    f.SetSize(32);
    f.Loaded();
    EXPECT_EQ(f.Get_Size(), 32);

    // A zero-size ring holds nothing but stays usable.
    f.SetSize(0);
    EXPECT_TRUE(f.Write(""));
    EXPECT_FALSE(f.Write("a"));
    EXPECT_EQ(f.Read(1), "");
    f.SetSize(4);
    EXPECT_TRUE(f.Write("abcd"));
}

TEST(FifoRing, DesignerInstanceHasNoBuffer)
{
    TComponent form(nullptr);
    form.SetDesigning(true);
    auto* f = new TkxFifo(&form);
    EXPECT_FALSE(f->HasBuffer());
    auto expectNoBuffer = [](auto&& Op) {
        try {
            Op();
            ADD_FAILURE() << "no exception";
        } catch (const EBufferError& e) {
            EXPECT_EQ(e.Message(), "FBuffer not initialised.");
        }
    };
    expectNoBuffer([&] { f->Write("a"); });
    expectNoBuffer([&] { f->Read(1); });
    expectNoBuffer([&] { f->ReadLn(); });
    expectNoBuffer([&] { f->Remove(1); });
    expectNoBuffer([&] { f->GetStr(0, 1); });
    expectNoBuffer([&] { f->Search("a"); });
    expectNoBuffer([&] { f->Clear(); });

    // The designer streams Size, so it keeps the value.
    f->SetSize(512);
    EXPECT_EQ(f->Get_Size(), 512);
    EXPECT_FALSE(f->HasBuffer());

    // Out of design mode a FIFO without a buffer cannot be sized.
    form.SetDesigning(false);
    try {
        f->SetSize(64);
        FAIL() << "no exception";
    } catch (const EBufferError& e) {
        EXPECT_EQ(e.Message(), "FBuffer size can not be set at run-time");
    }
}
