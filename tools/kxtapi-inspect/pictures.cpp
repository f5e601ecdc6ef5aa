// Pictures: the bit-flag dialog rendered offscreen, and the palette.

#include "inspect.h"

#include "kxtapi/kxtapipropdlga.h"
#include "kxtapi/kxtapireg.h"
#include "kxtapi/rtl/png.h"

#ifdef KXTAPI_HAVE_QT
#include "kxtapi/qt/dword_dialog.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#endif

#include <algorithm>
#include <cstdlib>
#include <ostream>

namespace inspect {

using namespace kxtapi;

void ScreenshotDialog(TDesignForm& Form, const std::string& Path, const std::string& PngFile, std::ostream& Out)
{
#ifdef KXTAPI_HAVE_QT
    auto E = Form.Editor(Path);
    if (!E->GetAttributes().Contains(paDialog)) throw EInspect(Path + " (" + E->ClassName() + ") has no dialog");
    // Rendered in memory, whatever display there is.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int Argc = 1;
    static char Name[] = "kxtapi-inspect";
    static char* Argv[] = {Name, nullptr};
    QApplication App(Argc, Argv);
    std::string failure;
    QSize size;
    TDWordDlgHook old = SetDWordDlgHook([&](TTapiDWordDlg& D) {
        TQtDWordDlg View(&D);
        View.setWindowTitle(QString::fromStdString(Cp1252ToUtf8(D.Get_Caption())));
        View.show();
        QApplication::processEvents();
        const QImage Shot = View.grab().toImage();
        size = Shot.size();
        if (!Shot.save(QString::fromStdString(PngFile), "PNG")) failure = "cannot write " + PngFile;
        return mrCancel;
    });
    try {
        E->Edit();
    } catch (...) {
        SetDWordDlgHook(std::move(old));
        throw;
    }
    SetDWordDlgHook(std::move(old));
    if (!failure.empty()) throw EInspect(failure);
    if (size.isEmpty()) throw EInspect("the editor of " + Path + " shows no dialog for this object");
    Out << "wrote " << PngFile << " (" << size.width() << " x " << size.height() << ")\n";
#else
    (void)Form;
    (void)Path;
    (void)PngFile;
    (void)Out;
    throw EInspect("this kxtapi-inspect was built without Qt: no dialog screenshots");
#endif
}

void DrawPalette(const std::string& PngFile, std::ostream& Out)
{
#ifdef KXTAPI_HAVE_PNG
    constexpr int Scale = 4, Gap = 8;
    constexpr int Cell = PaletteBitmapSize * Scale;
    const TDesignRegistry& R = DesignRegistry();
    const std::vector<std::string> Pages = R.Pages();
    size_t Widest = 1;
    for (const std::string& Page : Pages) Widest = std::max(Widest, R.PageClasses(Page).size());
    const int Rows = std::max<int>(1, static_cast<int>(Pages.size()));
    TCanvas Sheet;
    Sheet.SetSize(Gap + static_cast<int>(Widest) * (Cell + Gap), Gap + Rows * (Cell + Gap));
    Sheet.Brush()->Set_Color(clWhite);
    Sheet.FillRect(Sheet.ClipRect());
    for (size_t p = 0; p < Pages.size(); ++p) {
        Out << Pages[p] << ":";
        const std::vector<const TClassInfo*> Classes = R.PageClasses(Pages[p]);
        for (size_t c = 0; c < Classes.size(); ++c) {
            Out << " " << Classes[c]->Name();
            TCanvas Picture;
            if (!DrawComponentBitmap(Classes[c]->Name(), Picture)) {
                Out << "(no picture)";
                continue;
            }
            const int X0 = Gap + static_cast<int>(c) * (Cell + Gap), Y0 = Gap + static_cast<int>(p) * (Cell + Gap);
            for (int y = 0; y < Cell; ++y)
                for (int x = 0; x < Cell; ++x) Sheet.Set_Pixels(X0 + x, Y0 + y, Picture.Get_Pixels(x / Scale, y / Scale));
        }
        Out << "\n";
    }
    SaveCanvasToPng(Sheet, PngFile);
    Out << "wrote " << PngFile << " (" << Sheet.Get_Width() << " x " << Sheet.Get_Height() << ")\n";
#else
    (void)PngFile;
    (void)Out;
    throw EInspect("this kxtapi-inspect was built without libpng: no palette picture");
#endif
}

} // namespace inspect
