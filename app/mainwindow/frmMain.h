#pragma once
// The main window: the menu bar, the toolbar along the top, the record tree
// on the left, the value box on the right with the splitter between them, and
// the status bar at the bottom. The program runs on in its events; its exit
// ends the program.
//
// Each control is a member named as the control, with that objectName, so
// tests find them with findChild. Event handlers are the public functions
// named control_Event; the Qt event overrides only translate their arguments
// (twips, button and shift codes, key codes) and call them.
#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/CoreView.h"
#include "app/dialogs/TrayIconTarget.h"
#include "app/trace/Trace.h"

class clsDatabase;
class ImageList;
class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QStatusBar;
class QTextEdit;
class QTimer;
class QToolBar;
class QTreeWidgetItem;
class RecordTree;
class SplitterBar;
class frmSysTray;

class frmMain : public QMainWindow, public trace::Traced, public CoreView, public TrayIconTarget {
public:
    // The caption, which no language text replaces.
    static constexpr const char* kCaption = "Norvask Quellon Password Manager";
    // The smallest inner size of the window, in pixels: room for the bars
    // and a few rows of the tree. The window is never made smaller, a stored
    // size below it is raised to it, and a size below it that the window
    // system forces on the window is neither laid out nor stored.
    static constexpr int kMinimumWidth = 300;
    static constexpr int kMinimumHeight = 200;

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    const char* TraceName() const override { return "frmMain"; }
    std::string DumpModuleVars() const override;

    // Loads the window (once) and shows it: what the start procedure does last.
    void Show();

    // ---- Seams: what the window starts that lives elsewhere ----

    // Shows a dialog modally and returns when it has closed: `form` is the
    // dialog's name ("frmPassword", "frmEditRecord", ...) and `input` what the
    // caller sets before the show (the user name, the record's key, ...).
    // The password dialog leaves its results in FrmPaswResult and
    // FrmPaswEnetered. Unset, the program's own dialogs show
    // (ShowOwnDialog); tests set it to answer in their place.
    static inline std::function<void(frmMain& owner, const std::string& form, const std::string& input)> ShowForm;
    // Shows the program's own dialog named `form` with `input`, modally; an
    // unknown name shows nothing.
    void ShowOwnDialog(const std::string& form, const std::string& input);
    // Whether the desktop offers a notification area.
    static inline std::function<bool()> TrayAvailable;
    // Ends the program after the exit work (the application's event loop).
    static inline std::function<void()> EndProgram;

    // ---- Life cycle and layout ----
    void Form_Load();
    void Form_Paint();
    void Form_QueryUnload(std::int32_t& Cancel, std::int32_t UnloadMode);
    void Form_Unload(std::int32_t& Cancel);
    void Form_Resize();
    void DoConfig();
    void SaveGUIConf();
    void picSepar_MouseDown(int Button, int Shift, float X, float Y);
    void picSepar_MouseMove(int Button, int Shift, float X, float Y);
    void picSepar_MouseUp(int Button, int Shift, float X, float Y);
    // Tray mode counts only while a notification-area icon really exists.
    bool InTrayMode() const;

    // ---- Texts ----
    void ShowFormLang();

    // ---- Commands ----
    void mnuFileAddUser_Click();
    void mnuFileDelCurUser_Click();
    void mnuFileSelectUser_Click();
    void mnuFileUnloadUser_Click();
    void mnuFileChangeUsPasw_Click();
    void mnuFileSaveDB_Click();
    void mnuFileBackup_Click();
    void mnuFileExit_Click();
    void mnuViewToolBar_Click();
    void mnuViewStatusbar_Click();
    void mnuViewOnTop_Click();
    void mnuToolsGenerator_Click();
    void mnuToolsFlash_Click();
    void mnuToolsClearClip_Click();
    void mnuToolsFind_Click();
    void mnuToolsOptions_Click();
    void mnuHelpContents_Click();
    void mnuHelpAskSupport_Click();
    void mnuHelpAbout_Click();
    void mnuTrayShow_Click();
    void mnuTrayGenPasw_click();
    void mnuTraySaveDB_Click();
    void mnuTraySelectUser_Click();
    void mnuTrayExit_Click();
    void tlbToolbar_ButtonClick(int ButtonIndex, const std::string& ButtonKey);
    void picTrayHook_MouseDown(int Button, int Shift, float X, float Y);

    // ---- Value box ----
    void txtValue_MouseDown(int Button, int Shift, float X, float Y);
    void mnuContextValCopyPasw_Click();
    void mnuContextValCopyLog_Click();
    void mnuContextValCopyTit_Click();
    void mnuContextValCopyDesc_Click();
    void mnuContextTrvEdit_Click();
    void mnuContextTrvRename_Click();

    // ---- Tree ----
    void trvDatabaseClick();
    std::int32_t CheckPointedNode(float x, float y);
    void trvDatabase_Click();
    // The end of the label edit of `node`; Cancel (set for a text the code
    // page cannot hold) keeps the node's old text.
    void trvDatabase_AfterLabelEdit(QTreeWidgetItem* node, std::int32_t& Cancel, const QString& NewString);
    void trvDatabase_DblClick();
    void trvDatabase_KeyUp(int KeyCode, int Shift);
    void trvDatabase_MouseDown(int Button, int Shift, float x, float y);
    void trvDatabase_MouseMove(int Button, int Shift, float x, float y);
    void trvDatabase_MouseUp(int Button, int Shift, float x, float y);
    void mnuContextTrvAddFolder_Click();
    void mnuContextTrvDelFolder_Click();
    void mnuContextTrvAddRec_Click();
    void mnuContextTrvDelRec_Click();

    // ---- Timers, the inactivity lock and the notification-area icon ----
    void tmrTimer_Timer();
    void tmrAutobackup_Timer();
    // 1 creates the notification-area icon, 2 removes it; DoUnloadTIcon
    // follows.
    void TrayIconManagement(std::int32_t action) override;
    void m_frmSysTray_MenuClick(std::int32_t lIndex, const std::string& sKey);
    void m_frmSysTray_SysTrayDoubleClick(int eButton);
    void m_frmSysTray_SysTrayMouseDown(int eButton);
    // The desktop session is ending: the exit work runs at once, without a
    // question, and the close that follows ends the program.
    void Session_CommitData();
    // The notification-area window while the icon exists.
    frmSysTray* m_frmSysTray = nullptr;
    // ---- Dragging nodes ----
    // Effects: 0 none, 1 copy, 2 move; states: 0 enter, 1 leave, 2 over.
    void trvDatabase_OLEStartDrag(QMimeData& Data, std::int32_t& AllowedEffects);
    void trvDatabase_OLEDragOver(const QMimeData& Data, std::int32_t& Effect, int Button, int Shift, float x, float y,
                                 int State);
    void trvDatabase_OLEGiveFeedback(std::int32_t& Effect, bool& DefaultCursors);
    void trvDatabase_OLEDragDrop(const QMimeData& Data, std::int32_t& Effect, int Button, int Shift, float x, float y);
    void trvDatabase_OLECompleteDrag(std::int32_t& Effect);
    // Ends a node drag that is armed or running, moving nothing (the lock
    // calls it before it empties the tree).
    void CancelNodeDrag();

    // ---- What the core shows through the window ----
    void ClearTree() override;
    void AddTreeNode(const std::string& parentKey, const TreeNode& node) override;
    void BeginTreeFill() override;
    void EndTreeFill() noexcept override;
    void ExpandTreeNode(const std::string& key) override;
    void SelectTreeNode(const std::string& key) override;
    void ClearValueBox() override;
    void AppendValueText(const std::string& text, std::int32_t colour, std::int32_t styleBits) override;
    void EnableToolbarButton(const std::string& key, bool enabled) override;
    // After a login: tells the user that the database could be read only in
    // part, and where the file as it was is kept.
    void TellPartialLoad(const std::string& keptCopy) override;

    // ---- Controls ----
    QWidget* client = nullptr;  // the client area the layout places controls in
    QToolBar* tlbToolbar = nullptr;
    QStatusBar* stbStatusBar = nullptr;
    QLabel* stbStatusBarPanel1 = nullptr;
    RecordTree* trvDatabase = nullptr;
    QTextEdit* txtValue = nullptr;
    SplitterBar* picSepar = nullptr;
    ImageList* imlMainList = nullptr;
    ImageList* imlToolBarList = nullptr;
    QTimer* tmrTimer = nullptr;
    QTimer* tmrAutobackup = nullptr;
    QWidget* picTrayHook = nullptr;

    QMenu* mnufile = nullptr;
    QAction* mnuFileAddUser = nullptr;
    QAction* mnuFileDelCurUser = nullptr;
    QAction* mnuFileSelectUser = nullptr;
    QAction* mnuFileUnloadUser = nullptr;
    QAction* mnuFileChangeUsPasw = nullptr;
    QAction* mnuFileSaveDB = nullptr;
    QAction* mnuFileBackup = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuViewToolBar = nullptr;
    QAction* mnuViewStatusbar = nullptr;
    QAction* mnuViewOnTop = nullptr;
    QMenu* mnuTools = nullptr;
    QAction* mnuToolsGenerator = nullptr;
    QAction* mnuToolsFlash = nullptr;
    QAction* mnuToolsClearClip = nullptr;
    QAction* mnuToolsFind = nullptr;
    QAction* mnuToolsOptions = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpAskSupport = nullptr;
    QAction* mnuHelpAbout = nullptr;
    QMenu* mnuContextTrv = nullptr;
    QAction* mnuContextTrvAddFolder = nullptr;
    QAction* mnuContextTrvDelFolder = nullptr;
    QAction* mnuContextTrvAddRec = nullptr;
    QAction* mnuContextTrvDelRec = nullptr;
    QAction* mnuContextTrvEdit = nullptr;
    QAction* mnuContextTrvRename = nullptr;
    QMenu* mnuContextVal = nullptr;
    QAction* mnuContextValCopyPasw = nullptr;
    QAction* mnuContextValCopyLog = nullptr;
    QAction* mnuContextValCopyTit = nullptr;
    QAction* mnuContextValCopyDesc = nullptr;
    QMenu* mnuTray = nullptr;
    QAction* mnuTrayShow = nullptr;
    QAction* mnuTrayGenPasw = nullptr;
    QAction* mnuTraySaveDB = nullptr;
    QAction* mnuTraySelectUser = nullptr;
    QAction* mnuTrayExit = nullptr;

    // The toolbar's buttons by index (1 to 11; separators included) and key.
    QAction* ToolbarButton(int index) const;
    QAction* ToolbarButton(const std::string& key) const;
    void EnableButton(const std::string& key, bool enabled);
    // Enables or disables a command (nothing for a missing one).
    void Enable(QAction* action, bool enabled);

    // ---- Window state ----
    bool ForceExit = false;        // the next unload really ends the program
    bool IsProtected = false;      // locked after inactivity; the next paint asks the password
    bool Splitting = false;        // a splitter drag is in progress
    std::int32_t SelectedRec = 0;  // IndNum of the record the value box shows
    bool mbIndrag = false;
    std::string moDragNode;  // key of the node a left press armed for dragging
    // The tree width and the splitter's left edge in twips, as the layout
    // keeps them.
    float TreeWidth() const { return treeWidth_; }
    float SplitterLeft() const { return splitterLeft_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildControls();
    void BuildMenus();
    void BuildToolbar();
    void ConnectHandlers();
    void ApplyOnTop(bool onTop);
    // Gives the window the outer size the options asked for once its frame
    // is known (it comes after the first show).
    void FitFrameToOptions();
    void CopyField(const char* fieldName);
    // Shows a dialog (through ShowForm when set); the password dialog's
    // prompt counts as cancelled unless a dialog says otherwise.
    void ShowDialog(const char* form, const std::string& input = {});
    void AskPassword(const std::string& userName);
    // The user is logged in with the password dialog's hash; the user is
    // told when the database cannot be loaded.
    void LogInWithEnteredPassword(const std::string& userName);
    void SetStatusText(const std::string& text);
    // Tells the user when a save of the logged-in user (its result) failed;
    // the file on disk is then as it was and the changes stay in memory.
    void TellIfNotSaved(std::int32_t saved);
    // True when no drop is allowed at (x, y) twips of the tree.
    bool CheckPointerState(float x, float y);
    // True when Data is the data of the node drag this window runs now.
    bool IsOwnDrag(const QMimeData& Data) const;
    void EndAfterExit();
    // The exit work: the database, the icon, the geometry unless minimised,
    // the options. False when the database could not be saved and the user
    // chose to stay (never asked while the session ends).
    bool ExitWork();

    // ---- The lock ----
    void EnableByState();
    void Lock();
    // Ends label edits, drags and popup menus and unloads every dialog and
    // message box, innermost first; false when one would not go.
    bool CloseOtherWindows();
    // Out of sight: hidden while the icon can bring the window back, else
    // minimised.
    void HideLocked();
    // The database whose save failed at the lock is still the open one.
    bool KeptAtLock() const;
    // After the right password: the database kept at the lock is shown
    // again and saved once more; the user is told when that still fails.
    void ReopenKeptDatabase();
    // Runs the password prompt of the locked window once the current event
    // is over. A paint asks only while the window is on screen and not
    // minimised; the user's click, key or activation (byUser) shows that it
    // is on screen, so the window is restored and asked for.
    void QueueUnlockPrompt(bool byUser);
    // While locked, a click or key in the window asks for the password
    // instead of reaching a control; true when the event was taken.
    bool TakeLockedInput(QObject* watched, QEvent* e);
    std::shared_ptr<clsDatabase> keptAtLock_;
    bool unlocking_ = false;      // the password prompt and what follows it run
    bool askOnActivate_ = false;  // the next activation of the locked window asks
    bool promptByUser_ = false;   // the queued prompt was asked for by the user
    bool sessionEnded_ = false;
    void PlaceBars();
    bool BelowMinimum() const;
    float ClientWidth() const;
    float ClientHeight() const;

    QPointer<const QMimeData> dragData_;  // the data of the node drag running now
    float dragFromX_ = 0;                 // where the left press armed it, twips
    float dragFromY_ = 0;
    // The result of the save after a drop, told once the drag is over: a
    // message box inside the drop would run while the drag still holds the
    // pointer.
    std::int32_t dropSaved_ = 2;
    std::vector<QAction*> toolbarButtons_;  // index 1 .. 11 at 0 .. 10
    std::vector<std::string> toolbarKeys_;
    float treeWidth_ = 3015;
    float splitterLeft_ = 0;     // the splitter's left edge, twips
    float toolbarHeight_ = 495;  // the bars' heights, twips (0 while hidden)
    float statusBarHeight_ = 255;
    bool loaded_ = false;
    bool applyingConfig_ = false;  // DoConfig's geometry changes lay nothing out
    // The outer size (pixels; 0: keep that side) waiting for the frame.
    std::optional<QSize> pendingFrameSize_;
    bool paintQueued_ = false;
    std::int16_t mnIndex = 0;
    bool ReallyExit = false;
    std::int16_t TraceInstanceID = 0;
};
