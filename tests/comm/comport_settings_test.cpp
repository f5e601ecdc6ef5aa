// Properties of a closed port: defaults, checks, the line settings they
// build, error texts, the port list and mode strings.
#include "comm/mode_strings.h"
#include "comm_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kxtapi;

namespace {

class ComSettings : public ::testing::Test {
protected:
    void SetUp() override { Application()->SetMainThread(); }
    TComPort Port{nullptr};
};

template <typename F>
std::string MessageOf(F&& Op)
{
    try {
        Op();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

} // namespace

TEST_F(ComSettings, FreshPortDefaultsAndLineSettings)
{
    EXPECT_EQ(Port.Get_PortName(), "COM1");
    EXPECT_EQ(Port.Get_Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Port.Get_MonitorEvents().Bits(), 0x1FFu);
    EXPECT_EQ(Port.Get_InBufferSize(), 4096);
    EXPECT_EQ(Port.Get_OutBufferSize(), 2048);
    EXPECT_EQ(Port.Get_ReadTimeout(), 3000);
    EXPECT_TRUE(Port.Get_DTR());
    EXPECT_TRUE(Port.Get_RTS());
    EXPECT_FALSE(Port.Get_CTS());  // no handle: false, no exception
    EXPECT_EQ(Port.Get_InCount(), 0u);
    EXPECT_EQ(Port.Get_ProviderSubtype(), 0xFFFFFFFFu);
    EXPECT_EQ(Port.Get_EventChars()->Get_XonChar(), 17);

    DCB d;
    Port.InitDCB(INVALID_HANDLE_VALUE, d);
    EXPECT_EQ(d.DCBlength, 28u);
    EXPECT_EQ(d.BaudRate, 9600u);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.XonLim, 1024);
    EXPECT_EQ(d.XoffLim, 1024);
    EXPECT_EQ(d.Flags, DCB_fBinary | DTR_CONTROL_ENABLE | RTS_CONTROL_ENABLE);
    EXPECT_EQ(d.XoffChar, 19);
}

TEST_F(ComSettings, StopBitsFlowControlAndOptionsInTheDcb)
{
    DCB d;
    Port.Set_Stopbits(2);
    Port.Set_Databits(5);
    Port.InitDCB(INVALID_HANDLE_VALUE, d);
    EXPECT_EQ(d.StopBits, ONE5STOPBITS);  // two with five data bits
    Port.Set_Databits(8);
    Port.InitDCB(INVALID_HANDLE_VALUE, d);
    EXPECT_EQ(d.StopBits, TWOSTOPBITS);
    Port.Set_Stopbits(15);
    Port.InitDCB(INVALID_HANDLE_VALUE, d);
    EXPECT_EQ(d.StopBits, ONE5STOPBITS);

    Port.Set_DTR(false);
    Port.InitDCB(INVALID_HANDLE_VALUE, d);
    EXPECT_EQ(d.Flags & DCB_fDtrControlMask, DTR_CONTROL_DISABLE);
    Port.Set_FlowControl(TFlowControlSet{fcUseDTR, fcRequireDSR, fcUseXonXoff, fcRequireXonXoff});
    Port.Set_Options(TCommOptions{coParityCheck, coNullStrip, coErrorChar});
    Port.Set_Parity('M');
    Port.InitDCB(INVALID_HANDLE_VALUE, d);
    EXPECT_EQ(d.Flags & DCB_fDtrControlMask, DTR_CONTROL_HANDSHAKE);  // whatever DTR says
    EXPECT_EQ(d.Flags & (DCB_fOutxDsrFlow | DCB_fOutX | DCB_fInX | DCB_fParity | DCB_fNull | DCB_fErrorChar),
              DCB_fOutxDsrFlow | DCB_fOutX | DCB_fInX | DCB_fParity | DCB_fNull | DCB_fErrorChar);
    EXPECT_FALSE(d.Flags & DCB_fAbortOnError);
    EXPECT_EQ(d.Parity, MARKPARITY);
}

TEST_F(ComSettings, ChecksKeepTheOldValue)
{
    EXPECT_EQ(MessageOf([&] { Port.Set_Stopbits(3); }), "Invalid stop bits value");
    EXPECT_EQ(Port.Get_Stopbits(), 1);
    EXPECT_EQ(MessageOf([&] { Port.Set_Databits(9); }), "Invalid data bits value");
    EXPECT_EQ(MessageOf([&] { Port.Set_Databits(3); }), "Invalid data bits value");
    EXPECT_EQ(Port.Get_Databits(), 8);
    Port.Set_Databits(4);  // stored: the line refuses it at open
    EXPECT_EQ(MessageOf([&] { Port.Set_Parity('n'); }), "Invalid Parity Char");
    EXPECT_EQ(Port.Get_Parity(), 'N');
    EXPECT_EQ(MessageOf([&] { Port.Read(1); }), "COM1 not open, unable to complete operation");
    EXPECT_EQ(MessageOf([&] { Port.Write("x"); }), "COM1 not open, unable to complete operation");
    EXPECT_EQ(MessageOf([&] { Port.Set_XONState(true); }), "Error accessing COM1");
    try {
        Port.Read(1);
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode, 0u);
    }
}

TEST_F(ComSettings, ErrorTextsFollowTheLocale)
{
    Port.Set_PortName("COM2");
    setenv("LANG", "en_US.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    EXPECT_EQ(Port.ErrorText(3), "COM2 not open, unable to complete operation");
    EXPECT_EQ(Port.ErrorText(9), "Read timeout");
    EXPECT_EQ(Port.ErrorText(999), "Error on COM2");
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(Port.ErrorText(3), "Der Vorgang kann nicht ausgef\xFChrt werden, da COM2 nicht ge\xF6" "ffnet ist.");
    EXPECT_EQ(Port.ErrorText(4097), "\xDC" "berlauf im Empfangspuffer von COM2.");
    EXPECT_EQ(Port.ErrorText(999), "Fehler an COM2");
    setenv("LANG", "fr_FR.UTF-8", 1);  // every other language: German
    EXPECT_EQ(Port.ErrorText(18), "Ung\xFCltiger Stopbits-Wert.");
    Port.Set_PortName("%s%d");  // a port name is never a format
    EXPECT_EQ(Port.ErrorText(8), "Lesefehler an %s%d.");
    unsetenv("LANG");
}

TEST(ComErrorsToStr, JoinsTheSetFlagsInOrder)
{
    EXPECT_EQ(ComErrorsToStr(0x11), "Receive Queue Overflow/Break Detected");
    EXPECT_EQ(ComErrorsToStr(0x10E), "Receive Overrun Error/Receive Parity Error/Receive Framing Error/TX Queue is full");
    EXPECT_EQ(ComErrorsToStr(0), "");
    EXPECT_EQ(ComErrorsToStr(0x400 | 0x20), "");
}

TEST_F(ComSettings, PortListHasFullNamesSorted)
{
    auto a = TSimulatedPair::Create(), b = TSimulatedPair::Create();
    MapSimulatedPort("COM10", a);
    MapSimulatedPort("COM2", b);
    Port.Set_PortName("COM2");
    const TStringList* ports = Port.Get_Ports();
    EXPECT_GE(ports->IndexOf("COM10"), 0);  // not cut to COM1
    EXPECT_GE(ports->IndexOf("COM2"), 0);
    EXPECT_LT(ports->IndexOf("COM10"), ports->IndexOf("COM2"));  // a sorted string list
    MapSimulatedPort("COM10", nullptr);
    MapSimulatedPort("COM2", nullptr);
}

TEST_F(ComSettings, EventCharsAssignCopiesAllFive)
{
    TCommEventChars other(nullptr);
    other.Set_XonChar('a');
    other.Set_XoffChar('b');
    other.Set_ErrorChar('c');
    other.Set_EofChar('d');
    other.Set_EvtChar('e');
    Port.Get_EventChars()->Assign(&other);
    EXPECT_EQ(Port.Get_EventChars()->Get_XonChar(), 'a');
    EXPECT_EQ(Port.Get_EventChars()->Get_EvtChar(), 'e');
    DCB d;
    Port.InitDCB(INVALID_HANDLE_VALUE, d);
    EXPECT_EQ(d.ErrorChar, 'c');
    EXPECT_EQ(d.EofChar, 'd');
    TPersistent plain;
    EXPECT_THROW(Port.Get_EventChars()->Assign(&plain), EAssignError);
}

TEST_F(ComSettings, GetModeDescribesTheSettings)
{
    EXPECT_EQ(Port.GetMode(), "BAUD=9600 PARITY=N DATA=8 STOP=1 to=off xon=off dtr=on odsr=off rts=on octs=off idsr=off");
    Port.Set_FlowControl(TFlowControlSet{fcUseDTR, fcUseRTS});
    Port.Set_DTR(false);
    Port.Set_Stopbits(15);
    EXPECT_EQ(Port.GetMode(), "BAUD=9600 PARITY=N DATA=8 STOP=1.5 to=off xon=off dtr=hs odsr=off rts=hs octs=off idsr=off");
    Port.Set_FlowControl(TFlowControlSet{fcRequireXonXoff, fcRequireCTS, fcRequireDSR});
    Port.Set_Options(TCommOptions{coDsrSensitivity});
    EXPECT_EQ(Port.GetMode(), "BAUD=9600 PARITY=N DATA=8 STOP=1.5 to=off xon=on dtr=off odsr=on rts=on octs=on idsr=on");
}

TEST_F(ComSettings, ShortStyleMode)
{
    Port.SetMode("com2:19200,e,7,2");
    EXPECT_EQ(Port.Get_PortName(), "COM2");
    EXPECT_EQ(Port.Get_Baud(), 19200);
    EXPECT_EQ(Port.Get_Parity(), 'E');
    EXPECT_EQ(Port.Get_Databits(), 7);
    EXPECT_EQ(Port.Get_Stopbits(), 2);
    Port.Set_FlowControl(TFlowControlSet{fcUseRTS});
    Port.SetMode("9600,N,8,1.5,ignored,too");
    EXPECT_EQ(Port.Get_PortName(), "COM2");
    EXPECT_EQ(Port.Get_Stopbits(), 15);
    EXPECT_TRUE(Port.Get_FlowControl().Contains(fcUseRTS));  // not touched
    Port.SetMode("");
    EXPECT_EQ(Port.Get_Baud(), 9600);

    EXPECT_EQ(MessageOf([&] { Port.SetMode("COM3:"); }), "No or invalid Baudrate defined");
    EXPECT_EQ(Port.Get_PortName(), "COM3");  // the field before stays
    EXPECT_EQ(MessageOf([&] { Port.SetMode("4800,X,8,1"); }), "No or invalid parity defined");
    EXPECT_EQ(Port.Get_Baud(), 4800);
    EXPECT_EQ(MessageOf([&] { Port.SetMode(":9600"); }), "No Port defined");
    EXPECT_EQ(MessageOf([&] { Port.SetMode("9600,N,9"); }), "No or invalid Databits defined");
    EXPECT_EQ(MessageOf([&] { Port.SetMode("9600,N,8,3"); }), "No or invalid Stopbits defined");
    EXPECT_EQ(MessageOf([&] { Port.SetMode("-1"); }), "No or invalid Baudrate defined");
    try {
        Port.SetMode("x");
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode, 0u);
    }
}

TEST_F(ComSettings, ShortStyleKeepsTheCaseOfADevicePath)
{
    Port.SetMode("/dev/ttyUSB0:9600,n,8,1");
    EXPECT_EQ(Port.Get_PortName(), "/dev/ttyUSB0");
    EXPECT_EQ(Port.Get_Parity(), 'N');
    Port.SetMode("/dev/serial/by-id/usb-Modem_ABc-if00:57600,e,7,2");
    EXPECT_EQ(Port.Get_PortName(), "/dev/serial/by-id/usb-Modem_ABc-if00");
    EXPECT_EQ(Port.Get_Baud(), 57600);
    EXPECT_EQ(Port.Get_Parity(), 'E');
    // Anything else in the port field is a COM name and upper-cased.
    Port.SetMode("com7:9600");
    EXPECT_EQ(Port.Get_PortName(), "COM7");
    Port.SetMode("ttyUSB0:9600");
    EXPECT_EQ(Port.Get_PortName(), "TTYUSB0");
}

TEST_F(ComSettings, KeywordStyleMode)
{
    Port.Set_DTR(false);
    Port.SetMode("BAUD=4800 PARITY=O DATA=7 STOP=1 xon=on dtr=hs rts=off");
    EXPECT_EQ(Port.Get_Baud(), 4800);
    EXPECT_EQ(Port.Get_Parity(), 'O');
    EXPECT_EQ(Port.Get_Databits(), 7);
    EXPECT_EQ(Port.Get_FlowControl(), (TFlowControlSet{fcUseDTR, fcUseXonXoff, fcRequireXonXoff}));
    EXPECT_FALSE(Port.Get_RTS());
    EXPECT_FALSE(Port.Get_DTR());  // kept under dtr=hs

    Port.Set_RTS(true);
    Port.SetMode("BAUD=1200");  // missing flags switch the lines off
    EXPECT_TRUE(Port.Get_FlowControl().Empty());
    EXPECT_FALSE(Port.Get_DTR());
    EXPECT_FALSE(Port.Get_RTS());

    EXPECT_EQ(MessageOf([&] { Port.SetMode("BAUD = 9600"); }), "No or invalid baudrate defined");
    EXPECT_EQ(MessageOf([&] { Port.SetMode("COMX BAUD=9600"); }), "No or invalid port defined");
    EXPECT_EQ(MessageOf([&] { Port.SetMode("COM4 PARITY=Q"); }), "No or invalid Parity defined");
    EXPECT_EQ(Port.Get_PortName(), "COM4");
    EXPECT_EQ(MessageOf([&] { Port.SetMode("DATA=3"); }), "No or invalid Databits defined");
    EXPECT_EQ(MessageOf([&] { Port.SetMode("STOP=1,5"); }), "No or invalid Stopbits defined");

    // What GetMode writes comes back, except idsr=off (Options is never cleared).
    Port.Set_FlowControl(TFlowControlSet{fcRequireCTS, fcUseRTS, fcRequireDSR});
    Port.Set_DTR(true);
    Port.Set_Stopbits(15);
    Port.Set_Options(TCommOptions{coDsrSensitivity});
    const std::string mode = Port.GetMode();
    TComPort copy(nullptr);
    copy.SetMode(mode);
    EXPECT_EQ(copy.GetMode(), mode);
    EXPECT_EQ(copy.Get_FlowControl(), Port.Get_FlowControl());
    Port.Set_Options(TCommOptions{});
    copy.SetMode(Port.GetMode());
    EXPECT_TRUE(copy.Get_Options().Contains(coDsrSensitivity));
}
