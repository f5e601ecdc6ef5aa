// The bit-flag dialog's Qt form: a view of the TTapiDWordDlg model.

#include "kxtapi/qt/dword_dialog.h"

#include "kxtapi/rtl/strings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kxtapi {
namespace {

using L = TDWordDlgLayout;

QString Text(const std::string& S)
{
    return QString::fromStdString(Cp1252ToUtf8(S));
}

} // namespace

QImage TQtDWordDlg::Image(int Index)
{
    TCanvas canvas;
    DrawDWordDlgImage(Index, canvas);
    QImage image(canvas.Get_Width(), canvas.Get_Height(), QImage::Format_RGB32);
    for (int y = 0; y < canvas.Get_Height(); ++y)
        for (int x = 0; x < canvas.Get_Width(); ++x) {
            const TColor c = canvas.Get_Pixels(x, y);
            image.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    return image;
}

TQtDWordDlg::TQtDWordDlg(TTapiDWordDlg* Model, QWidget* Parent)
    : QDialog(Parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), FModel(Model)
{
    setObjectName("TapiDWordDlg");
    setWindowTitle(Text(FModel->Get_Caption()));
    setFont(QFont(L::FontName, L::FontSize));
    resize(L::Width, L::Height);

    FListView = new QTreeWidget(this);
    FListView->setObjectName("ListView");
    FListView->setColumnCount(2);
    FListView->setHeaderLabels({L::ValueColumn, L::InfoColumn});
    FListView->setColumnWidth(0, L::ValueColumnWidth);
    FListView->header()->setStretchLastSection(false);
    FListView->setColumnWidth(1, L::InfoColumnWidth);
    FListView->setRootIsDecorated(false);
    FListView->setItemsExpandable(false);
    FListView->setExpandsOnDoubleClick(false);
    FListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FListView->setIconSize(QSize(L::ImageSize, L::ImageSize));
    FListView->setContextMenuPolicy(Qt::CustomContextMenu);
    FListView->viewport()->installEventFilter(this);

    FPanel = new QWidget(this);
    FPanel->setObjectName("Panel1");
    FPanel->setFixedHeight(L::PanelHeight);
    FOKBtn = new QPushButton(L::OKCaption, FPanel);
    FOKBtn->setObjectName("OKBtn");
    FOKBtn->setDefault(true);
    FCancelBtn = new QPushButton(L::CancelCaption, FPanel);
    FCancelBtn->setObjectName("CancelBtn");
    FOKBtn->setGeometry(L::OKLeft, L::ButtonTop, L::ButtonWidth, L::ButtonHeight);
    FCancelBtn->setGeometry(L::CancelLeft, L::ButtonTop, L::ButtonWidth, L::ButtonHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FListView, 1);
    layout->addWidget(FPanel);

    FPopupMenu = new QMenu(this);
    FPopupMenu->setObjectName("PopupMenu1");
    QAction* set = FPopupMenu->addAction(L::SetCaption, this, [this] { FModel->Set1Click(FModel); });
    set->setObjectName("Set1");
    QAction* unset = FPopupMenu->addAction(L::UnsetCaption, this, [this] { FModel->Unset1Click(FModel); });
    unset->setObjectName("Unset1");
    QAction* toggle = FPopupMenu->addAction(L::ToggleCaption, this, [this] { FModel->Toggle1Click(FModel); });
    toggle->setObjectName("Toggle1");

    for (int i = 0; i < L::ImageCount; ++i) FImages[i] = QIcon(QPixmap::fromImage(Image(i)));

    connect(FOKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(FCancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(FListView, &QTreeWidget::itemSelectionChanged, this, [this] { TakeSelection(); });
    connect(FListView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& Pos) { FPopupMenu->popup(FListView->viewport()->mapToGlobal(Pos)); });

    FModel->Set_View(this);
    RowsChanged(-1);
}

TQtDWordDlg::~TQtDWordDlg()
{
    if (FModel->Get_View() == this) FModel->Set_View(nullptr);
}

int TQtDWordDlg::Execute()
{
    setWindowTitle(Text(FModel->Get_Caption()));
    const int result = exec() == QDialog::Accepted ? mrOk : mrCancel;
    FModel->Set_ModalResult(result);
    return result;
}

void TQtDWordDlg::closeEvent(QCloseEvent* Event)
{
    TCloseAction action = caHide;
    FModel->FormClose(FModel, action);
    if (action == caNone) Event->ignore();
    else QDialog::closeEvent(Event);
}

void TQtDWordDlg::resizeEvent(QResizeEvent* Event)
{
    QDialog::resizeEvent(Event);
    // The buttons keep their distance from the right edge.
    const int w = width();
    FOKBtn->move(w - (L::Width - L::OKLeft), L::ButtonTop);
    FCancelBtn->move(w - (L::Width - L::CancelLeft), L::ButtonTop);
}

void TQtDWordDlg::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    if (FCentred) return;
    FCentred = true;
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

bool TQtDWordDlg::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FListView->viewport() && Event->type() == QEvent::MouseButtonDblClick) {
        // Where the double-click happened is where the model asks about.
        FCursor = static_cast<QMouseEvent*>(Event)->position().toPoint();
        FModel->ListViewDblClick(FModel);
        return true;
    }
    return QDialog::eventFilter(Watched, Event);
}

int TQtDWordDlg::RowAtCursor()
{
    QTreeWidgetItem* item = FListView->itemAt(FCursor);
    return item != nullptr ? FListView->indexOfTopLevelItem(item) : -1;
}

void TQtDWordDlg::RowsChanged(int Row)
{
    if (Row >= 0 && Row < FListView->topLevelItemCount()) {
        ShowRow(Row);
        return;
    }
    while (FListView->topLevelItemCount() < FModel->RowCount()) FListView->addTopLevelItem(new QTreeWidgetItem);
    for (int i = 0; i < FModel->RowCount(); ++i) ShowRow(i);
}

void TQtDWordDlg::ShowRow(int Row)
{
    const TDWordDlgRow& r = FModel->Row(Row);
    QTreeWidgetItem* item = FListView->topLevelItem(Row);
    item->setText(0, Text(r.Caption));
    item->setText(1, Text(r.Info));
    item->setIcon(0, FImages[std::clamp(r.ImageIndex, 0, L::ImageCount - 1)]);
}

void TQtDWordDlg::TakeSelection()
{
    for (int i = 0; i < FListView->topLevelItemCount() && i < FModel->RowCount(); ++i)
        FModel->Set_Selected(i, FListView->topLevelItem(i)->isSelected());
}

int ShowQtDWordDlg(TTapiDWordDlg& Dialog)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return mrCancel;
    TQtDWordDlg form(&Dialog);
    return form.Execute();
}

TDWordDlgHook InstallQtDWordDlg()
{
    return SetDWordDlgHook(ShowQtDWordDlg);
}

namespace {

// An application that links the Qt front end gets the Qt dialog, unless it
// installed a view of its own first.
struct TInstallAtLoad {
    TInstallAtLoad()
    {
        if (!HasDWordDlgHook()) SetDWordDlgHook(ShowQtDWordDlg);
    }
} gInstallAtLoad;

} // namespace

} // namespace kxtapi
