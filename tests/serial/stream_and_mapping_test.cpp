// The pure parts of the driver layer: the marked-stream parser, the byte
// queue, DCB validation and the DCB/termios mapping.
#include "serial/byte_ring.h"
#include "serial/comm_device.h"
#include "serial/mark_parser.h"
#include "serial/termios_map.h"

#include <asm/termbits.h>

#include <gtest/gtest.h>

#include <string>

using namespace kxtapi;

namespace {

struct TRecorder {
    std::string Out;  // data as is, a break as "<B>", an error byte b as "<E:b>"
    void Data(const uint8_t* P, size_t N) { Out.append(reinterpret_cast<const char*>(P), N); }
    void Break() { Out += "<B>"; }
    void ErrorByte(uint8_t B) { Out += "<E:" + std::string(1, static_cast<char>(B)) + ">"; }
};

std::string Parse(std::initializer_list<std::string> Chunks)
{
    TMarkParser p;
    TRecorder r;
    for (const auto& c : Chunks) p.Feed(reinterpret_cast<const uint8_t*>(c.data()), c.size(), r);
    return r.Out;
}

} // namespace

TEST(MarkParser, SplitsDataBreaksAndErrorBytes)
{
    using namespace std::string_literals;
    EXPECT_EQ(Parse({"abc"}), "abc");
    EXPECT_EQ(Parse({"a\xFF\xFF" "b"}), "a\xFF" "b");
    EXPECT_EQ(Parse({"a\xFF\x00\x00" "b"s}), "a<B>b");
    EXPECT_EQ(Parse({"\xFF\x00x"s}), "<E:x>");
    // Marks split over reads keep their meaning.
    EXPECT_EQ(Parse({"a\xFF", "\x00"s, "\x00"s, "z"}), "a<B>z");
    EXPECT_EQ(Parse({"\xFF", "\xFF"}), "\xFF");
    // Something the line discipline never writes is kept, not lost.
    EXPECT_EQ(Parse({"\xFF" "q"}), "\xFF" "q");
}

TEST(ByteRing, WrapsAndKeepsOrderAcrossResize)
{
    TByteRing r(4);
    const uint8_t in[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(r.Push(in, 5), 4u);
    uint8_t out[8];
    EXPECT_EQ(r.Pop(out, 3), 3u);
    EXPECT_EQ(r.Push(in, 3), 3u);  // wraps around
    r.SetCapacity(2);              // never below what is queued
    EXPECT_EQ(r.Capacity(), 4u);
    EXPECT_EQ(r.Pop(out, 8), 4u);
    EXPECT_EQ(std::string(out, out + 4), std::string("\x04\x01\x02\x03"));
    EXPECT_EQ(r.Pop(out, 1), 0u);
}

TEST(ValidateDcb, RefusesLinesAUartCannotRun)
{
    DCB d;
    d.BaudRate = 9600;
    d.ByteSize = 8;
    EXPECT_EQ(ValidateDcb(d), 0u);
    DCB bad = d;
    bad.BaudRate = 0;  // B0 would hang the line up
    EXPECT_NE(ValidateDcb(bad), 0u);
    bad = d;
    bad.ByteSize = 4;
    EXPECT_NE(ValidateDcb(bad), 0u);
    bad = d;
    bad.StopBits = ONE5STOPBITS;
    EXPECT_NE(ValidateDcb(bad), 0u);
    bad.ByteSize = 5;
    EXPECT_EQ(ValidateDcb(bad), 0u);
    bad.StopBits = TWOSTOPBITS;
    EXPECT_NE(ValidateDcb(bad), 0u);
    bad = d;
    bad.Flags |= DCB_fOutX;
    bad.XonChar = bad.XoffChar = 17;
    EXPECT_NE(ValidateDcb(bad), 0u);
}

TEST(TermiosMap, FramingParityAndFlowControl)
{
    DCB d;
    d.BaudRate = 19200;
    d.ByteSize = 7;
    d.Parity = MARKPARITY;
    d.StopBits = TWOSTOPBITS;
    d.Flags = DCB_fBinary | DCB_fParity | DCB_fOutX | DCB_fInX | DCB_fOutxCtsFlow | RTS_CONTROL_HANDSHAKE;
    d.XonChar = 0x11;
    d.XoffChar = 0x13;
    termios2 t{};
    t.c_iflag = ICRNL | IXANY;
    t.c_lflag = ICANON | ECHO | ISIG;
    t.c_oflag = OPOST;
    DcbToTermios(d, t);
    EXPECT_EQ(t.c_cflag & CBAUD, static_cast<unsigned>(B19200));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<unsigned>(CS7));
    EXPECT_TRUE(t.c_cflag & PARENB);
    EXPECT_TRUE(t.c_cflag & CMSPAR);
    EXPECT_TRUE(t.c_cflag & PARODD);  // mark
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_TRUE(t.c_iflag & (IXON | IXOFF | INPCK | PARMRK));
    EXPECT_FALSE(t.c_iflag & (ICRNL | IXANY));
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_EQ(t.c_cc[VMIN], 1);

    DCB back;
    TermiosToDcb(t, back);
    EXPECT_EQ(back.BaudRate, 19200u);
    EXPECT_EQ(back.ByteSize, 7);
    EXPECT_EQ(back.Parity, MARKPARITY);
    EXPECT_EQ(back.StopBits, TWOSTOPBITS);
    EXPECT_TRUE(back.Flags & DCB_fOutxCtsFlow);
    EXPECT_TRUE(back.Flags & DCB_fOutX);
    EXPECT_TRUE(back.Flags & DCB_fInX);

    d.Parity = SPACEPARITY;
    d.ByteSize = 5;
    d.StopBits = ONE5STOPBITS;  // CSTOPB with five data bits
    d.Flags = DCB_fBinary;
    DcbToTermios(d, t);
    EXPECT_TRUE(t.c_cflag & CMSPAR);
    EXPECT_FALSE(t.c_cflag & PARODD);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | INPCK));
    TermiosToDcb(t, back);
    EXPECT_EQ(back.StopBits, ONE5STOPBITS);
    EXPECT_EQ(back.Parity, SPACEPARITY);
}

TEST(TermiosMap, NonStandardSpeedsUseBOTHER)
{
    DCB d;
    d.ByteSize = 8;
    d.BaudRate = 250000;
    termios2 t{};
    DcbToTermios(d, t);
    EXPECT_EQ(t.c_cflag & CBAUD, static_cast<unsigned>(BOTHER));
    EXPECT_EQ(t.c_ospeed, 250000u);
    EXPECT_EQ(t.c_ispeed, 250000u);
    EXPECT_EQ(TermiosSpeed(t), 250000u);
    d.BaudRate = 115200;  // a standard speed goes back to its code
    DcbToTermios(d, t);
    EXPECT_EQ(t.c_cflag & CBAUD, static_cast<unsigned>(B115200));
    EXPECT_EQ(TermiosSpeed(t), 115200u);
}
