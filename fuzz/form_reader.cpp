// Arbitrary bytes into the form reader: each input is read as a new root and
// into an existing one. The reader may only succeed or raise EReadError; a
// form it accepts must write and read back to the same text, and a failed
// read must leave the existing root's tree as it was.
#include <kxtapi/rtl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

namespace {

using namespace kxtapi;

enum TMode { mdOff, mdOn, mdAuto };
enum TLine { lnDTR, lnRTS, lnCTS, lnDSR };

class TSettings : public TPersistent {
public:
    uint32_t Get_Timeout() const { return FTimeout; }
    void Set_Timeout(uint32_t V) { FTimeout = V; }
    bool Get_Sync() const { return FSync; }
    void Set_Sync(bool V) { FSync = V; }

private:
    uint32_t FTimeout = 60000;
    bool FSync = true;
};

class TPort : public TComponent {
public:
    explicit TPort(TComponent* AOwner) : TComponent(AOwner) {}
    int32_t Get_Baud() const { return FBaud; }
    void Set_Baud(int32_t V)
    {
        if (V <= 0) throw Exception("bad baud");
        FBaud = V;
    }
    uint16_t Get_Size() const { return FSize; }
    void Set_Size(uint16_t V) { FSize = V; }
    TMode Get_Mode() const { return FMode; }
    void Set_Mode(TMode V) { FMode = V; }
    TSet<TLine> Get_Lines() const { return FLines; }
    void Set_Lines(TSet<TLine> V) { FLines = V; }
    const std::string& Get_Text() const { return FText; }
    void Set_Text(const std::string& V) { FText = V; }
    char Get_Letter() const { return FLetter; }
    void Set_Letter(char V) { FLetter = V; }
    bool Get_Active() const { return FActive; }
    void Set_Active(bool V) { FActive = V; }
    TSettings* Get_Settings() { return &FSettings; }

private:
    int32_t FBaud = 9600;
    uint16_t FSize = 4096;
    TMode FMode = mdOff;
    TSet<TLine> FLines;
    std::string FText;
    char FLetter = 'N';
    bool FActive = false;
    TSettings FSettings;
};

class TLed : public TComponent {
public:
    explicit TLed(TComponent* AOwner) : TComponent(AOwner) {}
    TPort* Get_Port() const { return FPort; }
    void Set_Port(TPort* V)
    {
        if (FPort != nullptr) RemoveFreeNotification(FPort);
        FPort = V;
        if (FPort != nullptr) FreeNotification(FPort);
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FPort) FPort = nullptr;
    }

private:
    TPort* FPort = nullptr;
};

class TBox : public TComponent {
public:
    explicit TBox(TComponent* AOwner) : TComponent(AOwner) {}
    const std::string& Get_Caption() const { return FCaption; }
    void Set_Caption(const std::string& V) { FCaption = V; }

private:
    std::string FCaption;
};

void Register()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterEnum<TMode>("TMode", {"mdOff", "mdOn", "mdAuto"});
        RegisterEnum<TLine>("TLine", {"lnDTR", "lnRTS", "lnCTS", "lnDSR"});
        RegisterClass<TSettings, TPersistent>("TSettings")
            .Cardinal("Timeout", &TSettings::Get_Timeout, &TSettings::Set_Timeout, 60000)
            .Boolean("Sync", &TSettings::Get_Sync, &TSettings::Set_Sync, true);
        RegisterClass<TPort, TComponent>("TPort")
            .Boolean("Active", &TPort::Get_Active, &TPort::Set_Active)
            .Integer("Baud", &TPort::Get_Baud, &TPort::Set_Baud, 9600)
            .Char("Letter", &TPort::Get_Letter, &TPort::Set_Letter, 'N')
            .Set("Lines", &TPort::Get_Lines, &TPort::Set_Lines)
            .Enum("Mode", &TPort::Get_Mode, &TPort::Set_Mode, mdOff)
            .Object("Settings", &TPort::Get_Settings)
            .Cardinal("Size", &TPort::Get_Size, &TPort::Set_Size, 4096)
            .String("Text", &TPort::Get_Text, &TPort::Set_Text);
        RegisterClass<TLed, TComponent>("TLed").Reference("Port", &TLed::Get_Port, &TLed::Set_Port);
        RegisterClass<TBox, TComponent>("TBox").String("Caption", &TBox::Get_Caption, &TBox::Set_Caption);
    });
}

[[noreturn]] void Crash(const char* What, const std::string& Detail)
{
    std::fprintf(stderr, "form_reader: %s: %s\n", What, Detail.c_str());
    std::abort();
}

// Reads and, on success, checks that the written form reads back the same.
template <class F>
void Check(F&& Read)
{
    try {
        std::string written = Read();
        if (written.empty()) return;
        std::unique_ptr<TComponent> again = ReadNewComponent(written);
        if (WriteComponentToString(again.get()) != written) Crash("round trip differs", written);
    } catch (const EReadError&) {
        // the only failure a read may have
    } catch (const std::exception& e) {
        Crash("unexpected exception", e.what());
    } catch (...) {
        Crash("unexpected exception", "not a std::exception");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    Register();
    const std::string text(reinterpret_cast<const char*>(Data), Size);

    Check([&] {
        std::unique_ptr<TComponent> root = ReadNewComponent(text);
        // Refusals are the writer's right (a reference to a root outside the
        // form is one); only what it writes must read back.
        try {
            return WriteComponentToString(root.get());
        } catch (const EWriteError&) {
            return std::string();
        }
    });

    TBox box(nullptr);
    box.Set_Name("Box");
    box.Set_Caption("before");
    auto* port = new TPort(&box);
    port->Set_Name("Port1");
    const std::string before = WriteComponentToString(&box);
    bool failed = false;
    Check([&] {
        failed = true;
        ReadComponent(text, &box);
        failed = false;
        return std::string();
    });
    if (failed && WriteComponentToString(&box) != before) Crash("failed read changed the root", text);
    return 0;
}
