// The window's layout, its geometry options and the splitter.
#include <QCursor>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QWindow>
#include <algorithm>

#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/mainwindow/MainLayout.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/SplitterBar.h"
#include "app/mainwindow/Twips.h"
#include "app/mainwindow/WindowOptions.h"
#include "app/mainwindow/frmMain.h"
#include "platform/VbStrings.h"

using modMain::Option;

namespace {

void Place(QWidget* w, const mainlayout::Rect& r) {
    w->setGeometry(twips::ToPixels(r.left), twips::ToPixels(r.top), twips::ToPixels(r.width),
                   twips::ToPixels(r.height));
}

// The height a bar gets when shown: its tag, or `design` when the tag is no
// number.
float TagHeight(const QWidget* bar, std::int32_t design) {
    return static_cast<float>(modMain::CLngText(bar->property("Tag").toString().toStdString()).value_or(design));
}

}  // namespace

bool frmMain::BelowMinimum() const { return width() < minimumWidth() || height() < minimumHeight(); }

float frmMain::ClientWidth() const { return static_cast<float>(twips::FromPixels(client->width())); }

float frmMain::ClientHeight() const { return static_cast<float>(twips::FromPixels(client->height())); }

void frmMain::PlaceBars() {
    const int toolbar = twips::ToPixels(toolbarHeight_);
    const int status = twips::ToPixels(statusBarHeight_);
    tlbToolbar->setGeometry(0, 0, client->width(), toolbar);
    stbStatusBar->setGeometry(0, client->height() - status, client->width(), status);
}

void frmMain::Form_Resize() try {
    TRACE("Form_Resize");
    // A window squeezed below its minimum keeps the layout and the tree
    // width it had, for when it has its size again.
    if (applyingConfig_ || isMinimized() || !isVisible() || BelowMinimum()) return;
    SaveGUIConf();
    mainlayout::Input in;
    in.W = ClientWidth();
    in.H = ClientHeight();
    in.toolbarShown = modMain::OptionBool(Option::Toolbar, true, modMain::IfUnusable::Quiet);
    in.toolbarHeight = toolbarHeight_;
    in.statusHeight = statusBarHeight_;
    in.treeWidth = treeWidth_;
    const mainlayout::Result r = mainlayout::Layout(in);
    treeWidth_ = r.treeWidth;
    // A clamp lays out once more, and that pass stores the new tree width.
    if (r.passes > 1) SaveGUIConf();
    Place(trvDatabase, r.tree);
    Place(txtValue, r.value);
    Place(picSepar, r.splitter);
    splitterLeft_ = r.splitter.left;
}
TRACE_BOUNDARY

void frmMain::SaveGUIConf() {
    TRACE("SaveGUIConf");
    if (BelowMinimum()) {
        modMain::DbgPrint("SaveGUIConf: the window is smaller than its minimum; the stored geometry stays");
        return;
    }
    const QRect frame = frameGeometry();
    modMain::SetOption(Option::Width, winopt::CStrSingle(static_cast<float>(twips::FromPixels(frame.width()))));
    modMain::SetOption(Option::Height, winopt::CStrSingle(static_cast<float>(twips::FromPixels(frame.height()))));
    modMain::SetOption(Option::Left, winopt::CStrSingle(static_cast<float>(twips::FromPixels(frame.x()))));
    modMain::SetOption(Option::Top, winopt::CStrSingle(static_cast<float>(twips::FromPixels(frame.y()))));
    modMain::SetOption(Option::TreeWidth, winopt::CStrSingle(treeWidth_));
}

void frmMain::DoConfig() {
    TRACE("DoConfig");
    // Every option is read before the window changes: showing or moving it
    // lays out and stores the geometry it has then.
    const bool onTop = modMain::OptionBool(Option::OnTop, false);
    const bool statusBar = modMain::OptionBool(Option::StatusBar, true);
    const bool toolbar = modMain::OptionBool(Option::Toolbar, true);
    const std::int32_t treeWidth = modMain::OptionLong(Option::TreeWidth, 3015);
    const std::optional<std::int32_t> width = modMain::OptionLong(Option::Width);
    const std::optional<std::int32_t> height = modMain::OptionLong(Option::Height);
    const std::optional<std::int32_t> top = modMain::OptionLong(Option::Top);
    const std::optional<std::int32_t> left = modMain::OptionLong(Option::Left);

    // While the window is set up no resize lays out or stores half of it.
    applyingConfig_ = true;
    mnuViewOnTop->setChecked(onTop);
    mnuViewStatusbar->setChecked(statusBar);
    mnuViewToolBar->setChecked(toolbar);
    toolbarHeight_ = toolbar ? TagHeight(tlbToolbar, 495) : 0;
    tlbToolbar->setVisible(toolbar);
    statusBarHeight_ = statusBar ? TagHeight(stbStatusBar, 255) : 0;

    // The options hold the outer size and place; a missing size gives the
    // design client area of 9090 x 7350. The window is placed before it is
    // first shown, so the position is taken as the frame's.
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    const int menuHeight = menuBar()->sizeHint().height();
    treeWidth_ = static_cast<float>(treeWidth);
    const int widthPx = width ? twips::ToPixels(*width) - frameExtra.width() : twips::ToPixels(9090);
    const int heightPx = height ? twips::ToPixels(*height) - frameExtra.height() : twips::ToPixels(7350) + menuHeight;
    resize(std::max(widthPx, 1), std::max(heightPx, 1));
    move(left ? twips::ToPixels(*left) : frameGeometry().x(), top ? twips::ToPixels(*top) : frameGeometry().y());
    // Before the window has its frame its size cannot be known: the outer
    // size waits until the frame comes (FitFrameToOptions), or every start
    // would add the frame to the stored size once more.
    pendingFrameSize_.reset();
    if (frameExtra.isNull() && (width || height))
        pendingFrameSize_ = QSize(width ? twips::ToPixels(*width) : 0, height ? twips::ToPixels(*height) : 0);
    ApplyOnTop(onTop);
    applyingConfig_ = false;

    show();
    PlaceBars();
    Form_Resize();
}

void frmMain::FitFrameToOptions() {
    // Once only: every later move is the user's or the window manager's and
    // leaves the size alone.
    if (!pendingFrameSize_) return;
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    if (frameExtra.isNull()) return;  // no frame yet
    const QSize outer = *pendingFrameSize_;
    pendingFrameSize_.reset();
    const int widthPx = outer.width() ? outer.width() - frameExtra.width() : width();
    const int heightPx = outer.height() ? outer.height() - frameExtra.height() : height();
    resize(std::max(widthPx, 1), std::max(heightPx, 1));
}

void frmMain::ApplyOnTop(bool onTop) {
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) != onTop) {
        flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
        if (QWindow* window = windowHandle()) {
            // A change of the z-order only. QWidget::setWindowFlags would make
            // the native window anew, and a window manager places and sizes a
            // new window as it likes; the window's own flags change the
            // window manager's "above" state of the window as it is.
            overrideWindowFlags(flags);
            window->setFlags(flags);
        } else {
            setWindowFlags(flags);  // nothing native to lose yet
        }
    }
    // Placing the window in the z-order also shows it.
    show();
}

void frmMain::picSepar_MouseDown(int Button, int Shift, float X, float Y) try {
    TRACE("picSepar_MouseDown", TV(Button), TV(Shift), TV(X), TV(Y));
    if (Button != 1) return;
    Splitting = true;
    // The pointer goes onto the splitter's left edge, so the drag moves the
    // edge exactly with it.
    QPoint pos = QCursor::pos();
    pos.setX(pos.x() - twips::ToPixels(X));
    QCursor::setPos(pos);
}
TRACE_BOUNDARY

void frmMain::picSepar_MouseMove(int Button, int Shift, float X, float Y) try {
    TRACE("picSepar_MouseMove", TV(Button), TV(Shift), TV(X), TV(Y));
    if (!Splitting) return;
    const std::int32_t W = vb::CLng(static_cast<double>(ClientWidth()));
    const float left = mainlayout::DragSplitter(W, splitterLeft_, X);
    splitterLeft_ = left;
    picSepar->move(twips::ToPixels(left), picSepar->y());
    treeWidth_ = mainlayout::TreeWidthForSplitter(left);
    Form_Resize();
}
TRACE_BOUNDARY

void frmMain::picSepar_MouseUp(int Button, int Shift, float X, float Y) try {
    TRACE("picSepar_MouseUp", TV(Button), TV(Shift), TV(X), TV(Y));
    Splitting = false;
}
TRACE_BOUNDARY
