// This file sees only the kernel's terminal headers: <termios.h> declares a
// struct termios of its own that collides with them.
#include "serial/termios_map.h"

#include <asm/termbits.h>

#include <cstddef>

namespace kxtapi {

namespace {

struct TSpeed {
    uint32_t Baud;
    uint32_t Code;
};

constexpr TSpeed kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

} // namespace

uint32_t StandardSpeedCode(uint32_t Baud) noexcept
{
    for (const auto& s : kSpeeds)
        if (s.Baud == Baud) return s.Code;
    return 0;
}

uint32_t TermiosSpeed(const termios2& T) noexcept
{
    const uint32_t code = T.c_cflag & CBAUD;
    if (code == BOTHER) return T.c_ospeed;
    for (const auto& s : kSpeeds)
        if (s.Code == code) return s.Baud;
    return 0;
}

void DcbToTermios(const DCB& Dcb, termios2& T, bool Marked) noexcept
{
    T.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL
                   | IUCLC | IXON | IXANY | IXOFF | IMAXBEL);
    // Breaks read as FF 00 00, bytes in error as FF 00 b, a real FF as FF FF.
    if (Marked) T.c_iflag |= PARMRK;
    if (Dcb.Flags & DCB_fParity) T.c_iflag |= INPCK;
    if (Dcb.Flags & DCB_fOutX) T.c_iflag |= IXON;
    if (Dcb.Flags & DCB_fInX) T.c_iflag |= IXOFF;

    T.c_oflag &= ~OPOST;
    T.c_lflag &= ~(ISIG | ICANON | XCASE | ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT
                   | ECHOKE | IEXTEN | NOFLSH | TOSTOP);

    T.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    T.c_cflag |= CREAD | CLOCAL;
    switch (Dcb.ByteSize) {
    case 5: T.c_cflag |= CS5; break;
    case 6: T.c_cflag |= CS6; break;
    case 7: T.c_cflag |= CS7; break;
    default: T.c_cflag |= CS8; break;
    }
    switch (Dcb.Parity) {
    case ODDPARITY: T.c_cflag |= PARENB | PARODD; break;
    case EVENPARITY: T.c_cflag |= PARENB; break;
    case MARKPARITY: T.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: T.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    // With five data bits a UART sends one and a half stop bits for CSTOPB.
    if (Dcb.StopBits == ONE5STOPBITS || Dcb.StopBits == TWOSTOPBITS) T.c_cflag |= CSTOPB;
    // The kernel has one switch for both directions of hardware flow control.
    if ((Dcb.Flags & DCB_fOutxCtsFlow)
        || (Dcb.Flags & DCB_fRtsControlMask) == RTS_CONTROL_HANDSHAKE)
        T.c_cflag |= CRTSCTS;

    if (const uint32_t code = StandardSpeedCode(Dcb.BaudRate)) {
        T.c_cflag |= code;  // input speed 0: the same as the output speed
    } else {
        T.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    }
    T.c_ospeed = T.c_ispeed = Dcb.BaudRate;

    // VMIN 1: on the non-blocking descriptor an empty queue reads as EAGAIN,
    // so a read of 0 bytes means the line hung up.
    T.c_cc[VMIN] = 1;
    T.c_cc[VTIME] = 0;
    T.c_cc[VSTART] = static_cast<cc_t>(Dcb.XonChar);
    T.c_cc[VSTOP] = static_cast<cc_t>(Dcb.XoffChar);
}

void TermiosToDcb(const termios2& T, DCB& Dcb) noexcept
{
    Dcb = DCB{};
    Dcb.BaudRate = TermiosSpeed(T);
    switch (T.c_cflag & CSIZE) {
    case CS5: Dcb.ByteSize = 5; break;
    case CS6: Dcb.ByteSize = 6; break;
    case CS7: Dcb.ByteSize = 7; break;
    default: Dcb.ByteSize = 8; break;
    }
    if (T.c_cflag & PARENB) {
        const bool odd = T.c_cflag & PARODD;
        if (T.c_cflag & CMSPAR) Dcb.Parity = odd ? MARKPARITY : SPACEPARITY;
        else Dcb.Parity = odd ? ODDPARITY : EVENPARITY;
    }
    if (T.c_cflag & CSTOPB) Dcb.StopBits = Dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    Dcb.Flags = DCB_fBinary | DTR_CONTROL_ENABLE;
    if (T.c_cflag & CRTSCTS) Dcb.Flags |= DCB_fOutxCtsFlow | RTS_CONTROL_HANDSHAKE;
    else Dcb.Flags |= RTS_CONTROL_ENABLE;
    if (T.c_iflag & INPCK) Dcb.Flags |= DCB_fParity;
    if (T.c_iflag & IXON) Dcb.Flags |= DCB_fOutX;
    if (T.c_iflag & IXOFF) Dcb.Flags |= DCB_fInX;
    Dcb.XonChar = static_cast<char>(T.c_cc[VSTART]);
    Dcb.XoffChar = static_cast<char>(T.c_cc[VSTOP]);
    Dcb.XonLim = Dcb.XoffLim = 1024;
}

} // namespace kxtapi
