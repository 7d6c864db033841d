#pragma once
// The About window: the program's version (major.minor), the support address
// and the maker's web site, each opened with the desktop's program for it
// when clicked, and two small buttons that start a test error ("E": run-time
// error 11) and a test exception ("X": an access violation) through the
// error trace, which reports them and ends the program.
#include <string>

#include "app/dialogs/VbDialog.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmAbout : public VbDialog {
public:
    // The support address and the maker's web-site host.
    static constexpr const char* kSupportAddress = "support@quellon-pm.invalid";
    static constexpr const char* kSiteHost = "www.quellon-pm.invalid";

    // The main window opens it from its Help menu, as the owner.
    frmAbout();

    // Shows the window modally over the main window.
    static void Show();

    // "mailto:" and the support address.
    static std::string MailLink();
    // The web site's start page, tagged with the program's version.
    static std::string SiteLink();

    void ShowFormLang() override;

    void txtMail_Click();
    void txtSite_Click();
    void cmdBack_Click();
    void cmdTestError_Click();
    void cmdTestException_Click();

    QLabel* picMainLogo;
    QLabel* picLogo;
    QLabel* lblVersionCap;
    QLabel* lblVersion;
    QLabel* lblNotice;
    // The frame around the links (the form's "frmMain" frame; not the main
    // window).
    QGroupBox* frmMainFrame;
    QLineEdit* txtMail;
    QLineEdit* txtSite;
    QPushButton* cmdBack;
    QPushButton* cmdTestError;
    QPushButton* cmdTestException;

protected:
    void Form_Load() override;
};
