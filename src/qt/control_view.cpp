#include "kxtapi/qt/control_view.h"

#include <QPainter>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdio>
#include <exception>

namespace kxtapi {

TQtControlView::TQtControlView(TCustomControl* Control, QWidget* Parent)
    : QWidget(Parent), FControl(Control)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (FControl) {
        FControl->AddObserver(this);
        FControl->Invalidate();   // a first picture, if it has none yet
    }
}

TQtControlView::~TQtControlView()
{
    if (FControl) FControl->RemoveObserver(this);
}

void TQtControlView::SetScale(int Value)
{
    Value = std::max(Value, 1);
    if (Value == FScale) return;
    FScale = Value;
    updateGeometry();
    update();
}

QImage TQtControlView::CanvasImage() const
{
    if (!FControl) return QImage();
    const TCanvas* Canvas = FControl->Canvas();
    const int W = Canvas->Get_Width();
    const int H = Canvas->Get_Height();
    if (W <= 0 || H <= 0) return QImage();
    QImage Image(W, H, QImage::Format_RGB32);
    const TColor* Pixel = Canvas->PixelData().data();
    for (int y = 0; y < H; ++y) {
        auto* Line = reinterpret_cast<QRgb*>(Image.scanLine(y));
        for (int x = 0; x < W; ++x, ++Pixel)
            Line[x] = qRgb(GetRValue(*Pixel), GetGValue(*Pixel), GetBValue(*Pixel));
    }
    return Image;
}

QSize TQtControlView::sizeHint() const
{
    if (!FControl) return QSize(0, 0);
    return QSize(FControl->Get_Width() * FScale, FControl->Get_Height() * FScale);
}

void TQtControlView::paintEvent(QPaintEvent*)
{
    QPainter Painter(this);
    Painter.fillRect(rect(), palette().window());
    const QImage Image = CanvasImage();
    if (Image.isNull()) return;
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    Painter.drawImage(QRect(0, 0, Image.width() * FScale, Image.height() * FScale), Image);
}

void TQtControlView::ControlPainted(TCustomControl*)
{
    updateGeometry();   // the control may have changed its size
    update();
}

void TQtControlView::ControlDestroying(TCustomControl*)
{
    FControl = nullptr;
    updateGeometry();
    update();
}

TQtMessagePump::TQtMessagePump(QObject* Parent) : QObject(Parent)
{
    const int Fd = Application()->PollFd();
    if (Fd < 0) throw Exception("The message loop has no descriptor to watch");
    FNotifier = new QSocketNotifier(Fd, QSocketNotifier::Read, this);
    QObject::connect(FNotifier, &QSocketNotifier::activated, this, [] {
        // Nothing may escape into Qt's loop; handler exceptions are dealt
        // with inside ProcessMessages already, this catches misuse.
        try {
            Application()->ProcessMessages();
        } catch (const std::exception& E) {
            std::fprintf(stderr, "kxtapi: %s\n", E.what());
        } catch (...) {
            std::fprintf(stderr, "kxtapi: unknown exception in the message loop\n");
        }
    });
}

TQtMessagePump::~TQtMessagePump() = default;

} // namespace kxtapi
