// kxtapi-inspect on a form with a line, a phone and a port: the listing as the
// editors show it, value lists, setting through editors (a dialog editor
// through its dialog) and writing back, the dialog as text and as a
// picture, the palette picture, and its failures.
#ifdef KXTAPI_INSPECT

#include "kxtapi/kxtapireg.h"
#include "kxtapi/rtl.h"
#include "kxtapi/rtl/png.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace kxtapi;

namespace {

struct TRun {
    int Status = -1;
    std::string Out;  // stdout and stderr
};

std::string Quote(const std::string& S)
{
    std::string q = "'";
    for (char c : S) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

TRun Inspect(const std::string& Args)
{
    TRun r;
    const std::string cmd = std::string(KXTAPI_INSPECT) + " " + Args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.Out.append(buf, n);
    const int status = pclose(p);
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

/// The line of Out that starts with Prefix (after its indent), or "".
std::string LineOf(const std::string& Out, const std::string& Prefix)
{
    std::istringstream in(Out);
    std::string line;
    while (std::getline(in, line)) {
        const size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line.compare(start, Prefix.size(), Prefix) == 0) return line;
    }
    return "";
}

class InspectTool : public ::testing::Test {
protected:
    InspectTool()
    {
        Dir = std::filesystem::temp_directory_path() /
              ("kxtapi-inspect-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(Dir);
        Form = (Dir / "form.json").string();
        std::filesystem::copy_file(std::string(KXTAPI_DESIGN_FORMS) + "/line_phone_port.json", Form);
    }
    ~InspectTool() override { std::filesystem::remove_all(Dir); }

    std::filesystem::path Dir;
    std::string Form;
};

TEST_F(InspectTool, ListsThePropertiesAsTheEditorsShowThem)
{
    const TRun r = Inspect(Quote(Form));
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_NE(r.Out.find("Form1: TComponent\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\nLine1: TTapiLine\n"), std::string::npos);
    EXPECT_NE(r.Out.find("\nPhone1: TTapiPhone\n"), std::string::npos);
    EXPECT_NE(r.Out.find("\nPort1: TComPort\n"), std::string::npos);
    // The phone's device name has its list as the line's has.
    const size_t Phone = r.Out.find("\nPhone1: TTapiPhone\n");
    const size_t PhoneName = r.Out.find("DeviceName = Simulated Phone 1 ", Phone);
    ASSERT_NE(PhoneName, std::string::npos);
    EXPECT_LT(PhoneName, r.Out.find("\nPort1: TComPort\n"));
    EXPECT_NE(r.Out.substr(PhoneName, r.Out.find('\n', PhoneName) - PhoneName)
                  .find("TTapiDeviceNameProperty [paValueList]"),
              std::string::npos);
    const std::pair<const char*, const char*> Shown[] = {
        {"MediaModes = $14 ", "TTapiMediaModesProperty [paDialog]"},
        {"DeviceName = Simulated Line 1 ", "TTapiDeviceNameProperty [paValueList]"},
        {"BearerMode = VOICE ", "TTapiBearerModeProperty [paValueList]"},
        {"MediaMode = INTERACTIVEVOICE ", "TTapiMediaModeProperty [paValueList]"},
        {"DigitModes = DTMF ", "TTapiDigitModeProperty [paValueList]"},
        {"ExtLowVersion = $0 ", "TTapiHexProperty [paMultiSelect,paRevertable]"},
        {"ExtVersion = 0 ", "TIntegerProperty [paMultiSelect,paReadOnly,paRevertable]"},
        {"Active = False ", "TEnumProperty"},
        {"PortName = COM1 ", "TComPortStringProperty [paValueList,paSortList]"},
        {"Parity = N ", "TComPortParityProperty [paValueList]"},
        {"Baud = 19200 ", "TIntegerProperty"},
    };
    for (const auto& [Prefix, Editor] : Shown) {
        const std::string line = LineOf(r.Out, Prefix);
        EXPECT_NE(line.find(Editor), std::string::npos) << Prefix << " -> " << line;
    }
    // Nested properties are indented below their object.
    EXPECT_NE(LineOf(r.Out, "CallParams = (TTapiCallParameters)").find("[paSubProperties,paMultiSelect,paReadOnly]"),
              std::string::npos);
    EXPECT_EQ(LineOf(r.Out, "BearerMode = VOICE").find("    BearerMode"), 0u);
}

TEST_F(InspectTool, OffersTheValueLists)
{
    TRun r = Inspect(Quote(Form) + " --values Line1.DeviceName");
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_EQ(r.Out, "Simulated Line 1\nSimulated Line 2\n");
    r = Inspect(Quote(Form) + " --values Phone1.DeviceName");
    EXPECT_EQ(r.Out, "Simulated Phone 1\n");
    r = Inspect(Quote(Form) + " --values Port1.Parity");
    EXPECT_EQ(r.Out, "N\nO\nE\nM\nS\n");
    r = Inspect(Quote(Form) + " --values Line1.CallParams.BearerMode");
    EXPECT_EQ(r.Out, "VOICE\nSPEECH\nMULTIUSE\nDATA\nALTSPEECHDATA\nNONCALLSIGNALING\nPASSTHROUGH\n");
    r = Inspect(Quote(Form) + " --values Line1.MediaModes");
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Out.find("Line1.MediaModes (TTapiMediaModesProperty) offers no list of values"), std::string::npos)
        << r.Out;
}

TEST_F(InspectTool, SetsThroughTheEditorsAndWritesTheFormBack)
{
    const std::string Out = (Dir / "out.json").string();
    TRun r = Inspect(Quote(Form) + " Line1.MediaModes=DATAMODEM+G3FAX Line1.CallParams.BearerMode=DATA"
                                   " Line1.TSP.ExtLowVersion=' $1F ' Port1.Parity=E -o " + Quote(Out));
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_EQ(r.Out, "Line1.MediaModes = $30\nLine1.CallParams.BearerMode = DATA\nLine1.TSP.ExtLowVersion = $1F\n"
                     "Port1.Parity = E\nwrote " + Out + "\n");
    r = Inspect(Quote(Out));
    EXPECT_NE(LineOf(r.Out, "MediaModes = $30"), "");
    EXPECT_NE(LineOf(r.Out, "BearerMode = DATA"), "");
    EXPECT_NE(LineOf(r.Out, "Parity = E"), "");

    // A single name, and a number, written back into the form itself.
    r = Inspect(Quote(Form) + " Line1.MediaModes=LINEMEDIAMODE_DATAMODEM");
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_EQ(LineOf(r.Out, "Line1.MediaModes"), "Line1.MediaModes = DATAMODEM");
    r = Inspect(Quote(Form) + " Line1.MediaModes=\\$24");
    EXPECT_EQ(LineOf(r.Out, "Line1.MediaModes"), "Line1.MediaModes = $24");
    r = Inspect(Quote(Form));
    EXPECT_NE(LineOf(r.Out, "MediaModes = $24"), "");
}

TEST_F(InspectTool, RefusesWhatTheEditorsRefuse)
{
    const std::string Before = [&] {
        std::ifstream in(Form);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }();
    const std::pair<const char*, const char*> Refused[] = {
        {"Line1.TSP.ExtLowVersion=abc", "'abc' is not a valid integer value"},
        {"Line1.MediaModes=FAXMODEM", "the dialog of Line1.MediaModes has no bit named FAXMODEM"},
        {"Line1.Nothing=1", "no property Line1.Nothing in the form"},
        {"Line1.CallParams=x", "Line1.CallParams is read-only"},
    };
    for (const auto& [Arg, Message] : Refused) {
        const TRun r = Inspect(Quote(Form) + " " + Arg);
        EXPECT_EQ(r.Status, 1) << Arg;
        EXPECT_NE(r.Out.find(Message), std::string::npos) << r.Out;
    }
    std::ifstream in(Form);
    std::stringstream After;
    After << in.rdbuf();
    EXPECT_EQ(After.str(), Before);

    EXPECT_EQ(Inspect("").Status, 2);
    EXPECT_EQ(Inspect(Quote(Form) + " --values").Status, 2);
    EXPECT_EQ(Inspect(Quote(Form) + " --values X A=1").Status, 2);
    EXPECT_EQ(Inspect(Quote(Form) + " --screenshot x.png").Status, 2);
    const TRun Missing = Inspect(Quote((Dir / "none.json").string()));
    EXPECT_EQ(Missing.Status, 1);
    EXPECT_NE(Missing.Out.find("cannot read"), std::string::npos);
}

TEST_F(InspectTool, ShowsTheDialogAsText)
{
    const TRun r = Inspect(Quote(Form) + " --dialog Line1.MediaModes");
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')), "TTapiLine.MediaModes");
    EXPECT_NE(r.Out.find("  [-] - not defined -\n  [ ] LINEMEDIAMODE_UNKNOWN\n  [x] LINEMEDIAMODE_INTERACTIVEVOICE\n"
                         "  [ ] LINEMEDIAMODE_AUTOMATEDVOICE\n  [x] LINEMEDIAMODE_DATAMODEM\n"),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("  [ ] LINEMEDIAMODE_VIDEO\n"), std::string::npos);
    EXPECT_EQ(Inspect(Quote(Form) + " --dialog Line1.DeviceName").Status, 1);
}

#ifdef KXTAPI_HAVE_PNG
TEST_F(InspectTool, DrawsThePaletteOfTheRegisteredComponents)
{
    const std::string Png = (Dir / "palette.png").string();
    const TRun r = Inspect("--palette " + Quote(Png));
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_EQ(r.Out.substr(0, r.Out.find("wrote")), "kxTapi: TTapiLine\nkxTAPI: TTapiPhone TComPort\n");
    TCanvas Sheet, Line;
    LoadCanvasFromPng(Sheet, Png);
    EXPECT_EQ(Sheet.Get_Width(), 8 + 2 * (96 + 8));
    EXPECT_EQ(Sheet.Get_Height(), 8 + 2 * (96 + 8));
    ASSERT_TRUE(DrawComponentBitmap("TTapiLine", Line));
    int Wrong = 0;
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) Wrong += Sheet.Get_Pixels(8 + x, 8 + y) != Line.Get_Pixels(x / 4, y / 4);
    EXPECT_EQ(Wrong, 0);
}
#endif

#if defined(KXTAPI_INSPECT_QT) && defined(KXTAPI_HAVE_PNG)
TEST_F(InspectTool, RendersTheDialogOffscreen)
{
    const std::string Png = (Dir / "dialog.png").string();
    const TRun r = Inspect(Quote(Form) + " --dialog Line1.MediaModes --screenshot " + Quote(Png));
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_NE(r.Out.find("wrote " + Png + " (419 x 349)"), std::string::npos) << r.Out;
    TCanvas Shot;
    LoadCanvasFromPng(Shot, Png);
    EXPECT_EQ(Shot.Get_Width(), 419);
    EXPECT_EQ(Shot.Get_Height(), 349);
    // The checked rows' marks are in the picture.
    int Navy = 0;
    for (TColor P : Shot.PixelData()) Navy += P == clNavy;
    EXPECT_GE(Navy, 2 * 10);
}
#endif

} // namespace

#endif // KXTAPI_INSPECT
