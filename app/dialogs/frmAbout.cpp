#include "app/dialogs/frmAbout.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdint>
#include <functional>

#include "app/core/modMain.h"
#include "app/trace/ExceptionFilter.h"
#include "app/trace/Trace.h"
#include "platform/VbStrings.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

// The size of the test buttons: 135 x 255 twips.
constexpr int kTestButtonWidth = 9;
constexpr int kTestButtonHeight = 17;
constexpr std::uint32_t kAccessViolation = 0xC0000005u;

// A read-only text box that reports a click, as the original's clickable
// text boxes do.
class LinkBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLineEdit::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && onClick) onClick();
    }
};

std::string VersionMajorMinor() {
    const trace::Version v = trace::ProgramVersion();
    return vb::CStr(v.major) + "." + vb::CStr(v.minor);
}

QIcon ProgramIcon() {
    const std::string file = modMain::Pt(modMain::AppPath()) + "mainicon.ico";
    if (modMain::FileExist(file)) return QIcon(qtplat::PathToQString(file));
    return QIcon(QStringLiteral(":/app/mainicon.ico"));
}

}  // namespace

frmAbout::frmAbout() : VbDialog("frmAbout", Owner::MainWindow) {
    const QIcon icon = ProgramIcon();
    picMainLogo = Control<QLabel>("picMainLogo");
    picMainLogo->setPixmap(icon.pixmap(64, 64));
    picLogo = Control<QLabel>("picLogo");
    picLogo->setPixmap(icon.pixmap(24, 24));
    auto* title = new QLabel(QStringLiteral("Quellon Password Manager"), this);
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    title->setFont(big);
    lblVersionCap = Control<QLabel>("lblVersionCap");
    lblVersionCap->setText(QStringLiteral("Version:"));
    lblVersion = Control<QLabel>("lblVersion");
    lblNotice = Control<QLabel>("lblNotice");
    lblNotice->setText(
        QStringLiteral("Quellon Password Manager keeps your passwords enciphered on this computer.\n"
                       "Copyright \u00A9 Quellon. All rights reserved."));
    lblNotice->setWordWrap(true);
    frmMainFrame = Control<QGroupBox>("frmMain");
    auto* mail = Control<LinkBox>("txtMail");
    mail->onClick = [this] { txtMail_Click(); };
    txtMail = mail;
    txtMail->setText(QString::fromLatin1(kSupportAddress));
    auto* site = Control<LinkBox>("txtSite");
    site->onClick = [this] { txtSite_Click(); };
    txtSite = site;
    txtSite->setText(QString::fromLatin1(kSiteHost));
    for (QLineEdit* link : {txtMail, txtSite}) {
        link->setReadOnly(true);
        link->setFrame(false);
        link->setCursor(Qt::PointingHandCursor);
        QFont underlined = link->font();
        underlined.setUnderline(true);
        link->setFont(underlined);
        link->setMinimumWidth(220);
    }
    cmdBack = Control<QPushButton>("cmdBack");
    cmdBack->setText(QStringLiteral("Back"));
    cmdTestException = Control<QPushButton>("cmdTestException");
    cmdTestException->setText(QStringLiteral("X"));
    cmdTestError = Control<QPushButton>("cmdTestError");
    cmdTestError->setText(QStringLiteral("E"));
    for (QPushButton* test : {cmdTestException, cmdTestError}) {
        test->setFixedSize(kTestButtonWidth, kTestButtonHeight);
        test->setFocusPolicy(Qt::NoFocus);
    }

    auto* links = new QVBoxLayout(frmMainFrame);
    txtMail->setParent(frmMainFrame);
    txtSite->setParent(frmMainFrame);
    links->addWidget(txtMail);
    links->addWidget(txtSite);

    auto* tests = new QHBoxLayout;
    tests->setSpacing(3);
    tests->addStretch();
    tests->addWidget(cmdTestException);
    tests->addWidget(cmdTestError);
    auto* heading = new QHBoxLayout;
    heading->addWidget(picLogo);
    heading->addWidget(title);
    heading->addStretch();
    auto* version = new QHBoxLayout;
    version->addWidget(lblVersionCap);
    version->addWidget(lblVersion);
    version->addStretch();
    auto* text = new QVBoxLayout;
    text->addLayout(heading);
    text->addLayout(version);
    text->addWidget(lblNotice);
    text->addWidget(frmMainFrame);
    auto* body = new QHBoxLayout;
    body->addWidget(picMainLogo, 0, Qt::AlignTop);
    body->addLayout(text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdBack);
    auto* form = new QVBoxLayout(this);
    form->addLayout(tests);
    form->addLayout(body);
    form->addLayout(buttons);

    connect(cmdBack, &QPushButton::clicked, this, [this] { cmdBack_Click(); });
    connect(cmdTestError, &QPushButton::clicked, this, [this] { cmdTestError_Click(); });
    connect(cmdTestException, &QPushButton::clicked, this, [this] { cmdTestException_Click(); });
    cmdBack->setFocus();
}

void frmAbout::Show() {
    frmAbout dialog;
    dialog.ShowModal();
}

std::string frmAbout::MailLink() { return std::string("mailto:") + kSupportAddress; }

std::string frmAbout::SiteLink() {
    return std::string("https://") + kSiteHost + "/index.html?ref=quellonpm" + VersionMajorMinor() + "_pabout";
}

void frmAbout::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    ShowFormLang();
}

void frmAbout::ShowFormLang() {
    TRACE("ShowFormLang");
    lblVersion->setText(QString::fromStdString(VersionMajorMinor()));
    SetCaption(lblVersionCap, 55);
    SetCaption(cmdBack, 98);
    SetTitle(100);
}

void frmAbout::txtMail_Click() try {
    TRACE("txtMail_Click");
    // A link nothing can open fails silently.
    qtplat::ShellOpen(MailLink());
}
TRACE_BOUNDARY

void frmAbout::txtSite_Click() try {
    TRACE("txtSite_Click");
    qtplat::ShellOpen(SiteLink());
}
TRACE_BOUNDARY

void frmAbout::cmdBack_Click() try {
    TRACE("cmdBack_Click");
    Unload();
}
TRACE_BOUNDARY

void frmAbout::cmdTestError_Click() try {
    TRACE("cmdTestError_Click");
    std::int32_t x = 0;
    TRACE_LOCAL(x);
    std::int32_t y = 2;
    TRACE_LOCAL(y);
    // A floating division by zero: run-time error 11, reported with x and y.
    y = vb::CLng(trace::FloatDivide(y, x));
}
TRACE_BOUNDARY

void frmAbout::cmdTestException_Click() try {
    TRACE("cmdTestException_Click");
    trace::RaiseException(kAccessViolation, 0, 0, nullptr);
}
TRACE_BOUNDARY
