// kxtapi-inspect: loads a form file in design mode and shows, offers, sets
// and renders its properties through the package's property editors.

#include "inspect.h"

#include "kxtapi/kxtapi.h"
#include "kxtapi/kxtapireg.h"

#include <cstring>
#include <iostream>
#include <optional>

namespace {

const char* const Usage =
    "usage: kxtapi-inspect FORMFILE                       list the components and their properties\n"
    "       kxtapi-inspect FORMFILE --values PATH         the values the editor of PATH offers\n"
    "       kxtapi-inspect FORMFILE PATH=TEXT... [--output FILE]\n"
    "                                                     set through the editors, write the form back\n"
    "       kxtapi-inspect FORMFILE --dialog PATH [--screenshot FILE.png]\n"
    "                                                     the bit-flag dialog of PATH, as text or a picture\n"
    "       kxtapi-inspect [FORMFILE] --palette FILE.png  the palette pictures of the registered components\n"
    "PATH names a component and a property, dotted: Line1.MediaModes, Line1.CallParams.BearerMode.\n";

struct TArgs {
    std::string Form;
    std::vector<std::pair<std::string, std::string>> Sets;
    std::optional<std::string> Values, Dialog, Screenshot, Palette, Output;
};

// Answers false for arguments that make no sense.
bool Parse(int argc, char** argv, TArgs& A)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto Next = [&](std::optional<std::string>& Into) {
            if (i + 1 >= argc || Into) return false;
            Into = argv[++i];
            return true;
        };
        if (arg == "--values") { if (!Next(A.Values)) return false; }
        else if (arg == "--dialog") { if (!Next(A.Dialog)) return false; }
        else if (arg == "--screenshot") { if (!Next(A.Screenshot)) return false; }
        else if (arg == "--palette") { if (!Next(A.Palette)) return false; }
        else if (arg == "--output" || arg == "-o") { if (!Next(A.Output)) return false; }
        else if (arg.starts_with("-")) return false;
        else if (A.Form.empty()) A.Form = arg;
        else if (const size_t eq = arg.find('='); eq != std::string::npos && eq > 0)
            A.Sets.emplace_back(arg.substr(0, eq), arg.substr(eq + 1));
        else return false;
    }
    const int modes = (A.Values ? 1 : 0) + (A.Dialog ? 1 : 0) + (A.Sets.empty() ? 0 : 1);
    if (modes > 1) return false;
    if (A.Screenshot && !A.Dialog) return false;
    if (A.Output && A.Sets.empty()) return false;
    return !A.Form.empty() || A.Palette;
}

int Run(const TArgs& A)
{
    using namespace inspect;
    kxtapi::Register();
    if (A.Palette) DrawPalette(*A.Palette, std::cout);
    if (A.Form.empty()) return 0;
    TDesignForm Form(A.Form);
    if (A.Values) ListValues(Form, *A.Values, std::cout);
    else if (A.Dialog && A.Screenshot) ScreenshotDialog(Form, *A.Dialog, *A.Screenshot, std::cout);
    else if (A.Dialog) PrintDialog(Form, *A.Dialog, std::cout);
    else if (!A.Sets.empty()) {
        for (const auto& [Path, Text] : A.Sets) SetProperty(Form, Path, Text, std::cout);
        const std::string Target = A.Output ? *A.Output : A.Form;
        Form.Write(Target);
        std::cout << "wrote " << Target << "\n";
    } else if (!A.Palette) {
        ListForm(Form, std::cout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    TArgs A;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << Usage;
        return 0;
    }
    if (!Parse(argc, argv, A)) {
        std::cerr << Usage;
        return 2;
    }
    kxtapi::Application()->SetMainThread();
    int rc = 1;
    try {
        rc = Run(A);
    } catch (const kxtapi::Exception& E) {
        std::cerr << "kxtapi-inspect: " << kxtapi::Cp1252ToUtf8(E.Message()) << "\n";
    } catch (const std::exception& E) {
        std::cerr << "kxtapi-inspect: " << E.what() << "\n";
    }
    // Reading device names starts the telephony session; end it before exit.
    if (kxtapi::TapiApplication->IsActive()) kxtapi::TapiApplication->Shutdown();
    return rc;
}
