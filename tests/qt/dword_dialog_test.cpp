// The bit-flag dialog's Qt form, driven with clicks on the offscreen
// platform: its controls as laid out, double-clicks toggling rows, the
// popup menu on the selected rows, and OK, Cancel and Escape through the
// media-modes editor's modal Edit.
#if defined(KXTAPI_HAVE_QT) && defined(KXTAPI_HAVE_QT_TEST)

#include "kxtapi/kxtapi.h"
#include "kxtapi/kxtapiprop.h"
#include "kxtapi/qt/dword_dialog.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kxtapi;

namespace {

class QtDWordDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (QApplication::instance() != nullptr) return;
        static int Argc = 1;
        static char Name[] = "test_qt";
        static char* Argv[] = {Name, nullptr};
        App = new QApplication(Argc, Argv);
    }
    static void TearDownTestSuite()
    {
        delete App;
        App = nullptr;
    }

    QtDWordDialog()
    {
        Application()->SetMainThread();
        for (uint32_t Bit = 0x2; Bit <= 0x8000; Bit <<= 1) Model.DefineBit("BIT" + IntToHex(Bit, 1), Bit, "info");
    }

    static QPoint RowCentre(TQtDWordDlg& Form, int Row)
    {
        QTreeWidget* List = Form.ListView();
        return List->visualItemRect(List->topLevelItem(Row)).center();
    }
    static void DoubleClick(TQtDWordDlg& Form, QPoint Where)
    {
        QTest::mouseDClick(Form.ListView()->viewport(), Qt::LeftButton, Qt::NoModifier, Where);
    }

    /// Runs Drive inside the modal loop of the next dialog shown, then Edit
    /// of the line's media-modes editor; answers the modal result. A guard
    /// rejects the dialog should Drive leave it open.
    int EditWith(TTapiLine& Line, TDesigner& Designer, const std::function<void(TQtDWordDlg&)>& Drive)
    {
        bool Driven = false;
        QTimer::singleShot(0, [&] {
            auto* Form = dynamic_cast<TQtDWordDlg*>(QApplication::activeModalWidget());
            if (Form == nullptr) return;
            Driven = true;
            Drive(*Form);
        });
        QTimer Guard;
        Guard.setSingleShot(true);
        QObject::connect(&Guard, &QTimer::timeout, [] {
            if (auto* W = qobject_cast<QDialog*>(QApplication::activeModalWidget())) W->reject();
        });
        Guard.start(10000);
        const TPropertyInfo* P = ClassInfoOf<TTapiLine>()->FindProperty("MediaModes");
        auto Editor = EditorClass<TTapiMediaModesProperty>()->Create(&Designer, {&Line}, P);
        Editor->Edit();
        EXPECT_TRUE(Driven);
        return Line.Get_MediaModes();
    }

    static QApplication* App;
    TTapiDWordDlg Model{nullptr};
};

QApplication* QtDWordDialog::App = nullptr;

TEST_F(QtDWordDialog, TheFormsControlsAsLaidOut)
{
    Model.Set_Caption("TTapiLine.MediaModes");
    TQtDWordDlg Form(&Model);
    Form.show();
    EXPECT_EQ(Form.windowTitle(), "TTapiLine.MediaModes");
    EXPECT_EQ(Form.size(), QSize(419, 349));
    EXPECT_TRUE(Form.windowFlags() & Qt::Tool);
    EXPECT_FALSE(Form.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
    EXPECT_EQ(Form.Panel1()->height(), 30);
    EXPECT_EQ(Form.Panel1()->geometry().bottom(), Form.height() - 1);
    EXPECT_EQ(Form.OKBtn()->text(), "OK");
    EXPECT_EQ(Form.OKBtn()->geometry(), QRect(202, 4, 100, 25));
    EXPECT_TRUE(Form.OKBtn()->isDefault());
    EXPECT_EQ(Form.CancelBtn()->text(), "Cancel");
    EXPECT_EQ(Form.CancelBtn()->geometry(), QRect(307, 4, 100, 25));
    // Anchored right: a wider form moves them along.
    Form.resize(519, 349);
    EXPECT_EQ(Form.OKBtn()->x(), 302);
    EXPECT_EQ(Form.CancelBtn()->x(), 407);

    QTreeWidget* List = Form.ListView();
    EXPECT_EQ(List->headerItem()->text(0), "Value/Bit");
    EXPECT_EQ(List->headerItem()->text(1), "Info");
    EXPECT_EQ(List->columnWidth(0), 280);
    EXPECT_EQ(List->columnWidth(1), 100);
    EXPECT_EQ(List->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(List->editTriggers(), QAbstractItemView::NoEditTriggers);
    ASSERT_EQ(List->topLevelItemCount(), 16);
    EXPECT_EQ(List->topLevelItem(0)->text(0), "- not defined -");
    EXPECT_EQ(List->topLevelItem(4)->text(0), "BIT10");
    EXPECT_EQ(List->topLevelItem(4)->text(1), "info");

    const QList<QAction*> Items = Form.PopupMenu1()->actions();
    ASSERT_EQ(Items.size(), 3);
    EXPECT_EQ(Items[0]->text(), "Set");
    EXPECT_EQ(Items[1]->text(), "Unset");
    EXPECT_EQ(Items[2]->text(), "Toggle");

    // The six pictures, as the model draws them.
    TCanvas C;
    for (int i = 0; i < 6; ++i) {
        const QImage Img = TQtDWordDlg::Image(i);
        ASSERT_EQ(Img.size(), QSize(16, 16));
        DrawDWordDlgImage(i, C);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const TColor P = C.Get_Pixels(x, y);
                ASSERT_EQ(Img.pixel(x, y), qRgb(GetRValue(P), GetGValue(P), GetBValue(P))) << i;
            }
    }
}

TEST_F(QtDWordDialog, DoubleClickTogglesTheRowUnderTheMouse)
{
    TQtDWordDlg Form(&Model);
    Form.show();
    DoubleClick(Form, RowCentre(Form, 4));
    EXPECT_EQ(Model.GetChecked(), 0x10u);
    EXPECT_EQ(Model.Row(4).ImageIndex, dfChecked);
    DoubleClick(Form, RowCentre(Form, 6));
    EXPECT_EQ(Model.GetChecked(), 0x50u);
    DoubleClick(Form, RowCentre(Form, 4));
    EXPECT_EQ(Model.GetChecked(), 0x40u);
    // The undefined row and the empty space below the rows do nothing.
    DoubleClick(Form, RowCentre(Form, 0));
    QTreeWidget* List = Form.ListView();
    const QRect Last = List->visualItemRect(List->topLevelItem(15));
    ASSERT_LT(Last.bottom() + 5, List->viewport()->height());
    DoubleClick(Form, QPoint(20, Last.bottom() + 5));
    EXPECT_EQ(Model.GetChecked(), 0x40u);
}

TEST_F(QtDWordDialog, PopupSetUnsetToggleOnTheSelectedRows)
{
    TQtDWordDlg Form(&Model);
    Form.show();
    QWidget* Viewport = Form.ListView()->viewport();
    QTest::mouseClick(Viewport, Qt::LeftButton, Qt::NoModifier, RowCentre(Form, 2));
    QTest::mouseClick(Viewport, Qt::LeftButton, Qt::ControlModifier, RowCentre(Form, 5));
    EXPECT_TRUE(Model.Get_Selected(2));
    EXPECT_TRUE(Model.Get_Selected(5));
    EXPECT_FALSE(Model.Get_Selected(3));

    auto Choose = [&](int Item) {
        const QPoint At = RowCentre(Form, 5);
        QContextMenuEvent Menu(QContextMenuEvent::Mouse, At, Viewport->mapToGlobal(At));
        QApplication::sendEvent(Viewport, &Menu);
        QMenu* Popup = Form.PopupMenu1();
        ASSERT_TRUE(Popup->isVisible());
        QAction* A = Popup->actions()[Item];
        QTest::mouseClick(Popup, Qt::LeftButton, Qt::NoModifier, Popup->actionGeometry(A).center());
        EXPECT_FALSE(Popup->isVisible());
    };
    Choose(0);  // Set
    EXPECT_EQ(Model.GetChecked(), 0x24u);
    // The rows show the checked picture now.
    auto Shown = [&](int Row) {
        return Form.ListView()->topLevelItem(Row)->icon(0).pixmap(16, 16).toImage().convertToFormat(
            QImage::Format_RGB32);
    };
    EXPECT_EQ(Shown(2), TQtDWordDlg::Image(dfChecked));
    EXPECT_EQ(Shown(3), TQtDWordDlg::Image(0));
    QTest::mouseClick(Viewport, Qt::LeftButton, Qt::ControlModifier, RowCentre(Form, 5));
    QTest::mouseClick(Viewport, Qt::LeftButton, Qt::ControlModifier, RowCentre(Form, 7));
    Choose(2);  // Toggle rows 2 and 7
    EXPECT_EQ(Model.GetChecked(), 0xA0u);
    Choose(1);  // Unset rows 2 and 7
    EXPECT_EQ(Model.GetChecked(), 0x20u);
}

TEST_F(QtDWordDialog, OkStoresTheBitsCancelAndEscapeDoNot)
{
    InstallQtDWordDlg();
    TComponent Form(nullptr);
    TTapiLine* Line = new TTapiLine(&Form);
    TDesigner Designer(&Form);
    Line->Set_MediaModes(0x14);

    std::string Title;
    std::vector<int> Checked;
    const uint32_t AfterOk = EditWith(*Line, Designer, [&](TQtDWordDlg& D) {
        Title = D.windowTitle().toStdString();
        for (int i = 0; i < D.ListView()->topLevelItemCount(); ++i)
            if (D.Model()->Row(i).ImageIndex & dfChecked) Checked.push_back(i);
        DoubleClick(D, RowCentre(D, 2));
        DoubleClick(D, RowCentre(D, 3));
        QTest::mouseClick(D.OKBtn(), Qt::LeftButton);
    });
    EXPECT_EQ(Title, "TTapiLine.MediaModes");
    EXPECT_EQ(Checked, (std::vector<int>{2, 4}));
    EXPECT_EQ(AfterOk, 0x18u);
    EXPECT_EQ(Designer.ModifiedCount(), 1);

    const uint32_t AfterCancel = EditWith(*Line, Designer, [&](TQtDWordDlg& D) {
        DoubleClick(D, RowCentre(D, 5));
        QTest::mouseClick(D.CancelBtn(), Qt::LeftButton);
    });
    EXPECT_EQ(AfterCancel, 0x18u);
    const uint32_t AfterEscape = EditWith(*Line, Designer, [&](TQtDWordDlg& D) {
        DoubleClick(D, RowCentre(D, 5));
        QTest::keyClick(&D, Qt::Key_Escape);
    });
    EXPECT_EQ(AfterEscape, 0x18u);
    EXPECT_EQ(Designer.ModifiedCount(), 1);
}

} // namespace

#endif // KXTAPI_HAVE_QT && KXTAPI_HAVE_QT_TEST
