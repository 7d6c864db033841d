#include "app/trace/windows/frmError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>

#include "app/trace/Trace.h"
#include "app/trace/windows/FormControls.h"
#include "app/trace/windows/ReportUpload.h"
#include "app/trace/windows/frmErrorReport.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

QLabel* TextLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = trace::NamedControl<QLabel>(parent, name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setText(QString::fromLatin1(text));
    return label;
}

}  // namespace

frmError::frmError(std::string report) : QDialog(nullptr), report_(std::move(report)) {
    setObjectName(QStringLiteral("frmError"));
    setWindowTitle(QStringLiteral("Unexpected Error"));
    setWindowModality(Qt::ApplicationModal);

    fraTopMainFrame = trace::NamedControl<QFrame>(this, "fraTopMainFrame");
    picCriticalError = trace::NamedControl<QLabel>(fraTopMainFrame, "picCriticalError");
    lblErrorOccured = TextLabel(fraTopMainFrame, "lblErrorOccured",
                                "Norvask Quellon Password Manager has encoutered a problem and needs to close. We "
                                "are sorry for the inconvenience.");
    fraTopInframe = trace::NamedControl<QFrame>(this, "fraTopInframe");
    lblCreatedErrorReport = TextLabel(fraTopInframe, "lblCreatedErrorReport",
                                      "We have created an error report that you can send to us. We will treat that "
                                      "report as confidential and anonymous.");
    lblHelpUs = TextLabel(fraTopInframe, "lblHelpUs", "Please help us fix the problem.");
    lblToSeeData = TextLabel(fraTopInframe, "lblToSeeData", "To see what data this error report contains,");
    lblToSeeData->setWordWrap(false);
    lblClickHere = TextLabel(fraTopInframe, "lblClickHere", "click here.");
    lblClickHere->setWordWrap(false);
    lblMightBeLost = TextLabel(fraTopInframe, "lblMightBeLost",
                               "If you were in the middle of something, the information you were working on might "
                               "be lost");
    fraBotFrame = trace::NamedControl<QFrame>(this, "fraBotFrame");
    cmdSend = trace::NamedControl<QPushButton>(fraBotFrame, "cmdSend");
    cmdSend->setText(QStringLiteral("Help"));
    cmdDontSend = trace::NamedControl<QPushButton>(fraBotFrame, "cmdDontSend");
    cmdDontSend->setText(QStringLiteral("Don't Help"));
    wskErrorReport = new trace::ReportUpload(this);
    wskErrorReport->setObjectName(QStringLiteral("wskErrorReport"));

    // Look: the apology on a light band with the critical icon, the offer
    // below it, the two buttons at the bottom right.
    const int icon = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    picCriticalError->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this).pixmap(icon));
    picCriticalError->setAlignment(Qt::AlignTop);
    fraTopMainFrame->setAutoFillBackground(true);
    fraTopMainFrame->setBackgroundRole(QPalette::Base);
    QFont bold = lblErrorOccured->font();
    bold.setBold(true);
    lblErrorOccured->setFont(bold);
    lblHelpUs->setFont(bold);
    QFont link = lblClickHere->font();
    link.setUnderline(true);
    lblClickHere->setFont(link);
    lblClickHere->setForegroundRole(QPalette::Link);
    lblClickHere->setCursor(Qt::PointingHandCursor);
    lblClickHere->installEventFilter(this);
    fraBotFrame->setFrameShape(QFrame::NoFrame);
    // Enter never sends: only a click (or Space on the focused button) does.
    cmdSend->setAutoDefault(false);
    cmdDontSend->setAutoDefault(false);

    auto* top = new QHBoxLayout(fraTopMainFrame);
    top->addWidget(picCriticalError);
    top->addWidget(lblErrorOccured, 1);
    auto* seeData = new QHBoxLayout;
    seeData->setSpacing(4);
    seeData->addWidget(lblToSeeData);
    seeData->addWidget(lblClickHere);
    seeData->addStretch(1);
    auto* offer = new QVBoxLayout(fraTopInframe);
    offer->addWidget(lblCreatedErrorReport);
    offer->addWidget(lblHelpUs);
    offer->addLayout(seeData);
    offer->addWidget(lblMightBeLost);
    auto* bottom = new QHBoxLayout(fraBotFrame);
    bottom->addStretch(1);
    bottom->addWidget(cmdSend);
    bottom->addWidget(cmdDontSend);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(fraTopMainFrame);
    root->addWidget(fraTopInframe);
    root->addWidget(fraBotFrame);
    setFixedWidth(460);

    connect(cmdSend, &QPushButton::clicked, this, &frmError::cmdSend_Click);
    connect(cmdDontSend, &QPushButton::clicked, this, &frmError::cmdDontSend_Click);
    connect(wskErrorReport, &trace::ReportUpload::Connect, this, &frmError::wskErrorReport_Connect);
    connect(wskErrorReport, &trace::ReportUpload::DataArrival, this, &frmError::wskErrorReport_DataArrival);
    connect(wskErrorReport, &trace::ReportUpload::Error, this, [this](int number, const QString& description) {
        wskErrorReport_Error(number, qtplat::QStringToAnsiLossy(description));
    });
    connect(wskErrorReport, &trace::ReportUpload::TimedOut, this, &frmError::wskErrorReport_TimedOut);
}

frmError::~frmError() = default;

std::string frmError::DumpModuleVars() const { return trace::DumpVariable("IsConnected", IsConnected); }

void frmError::ShowReport(const std::string& report) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) {
        trace::WriteReportToStderr(report);
        return;
    }
    frmError window(report);
    window.ShowModal();
}

void frmError::ShowModal() {
    Form_Load();
    if (!ending_) exec();
}

void frmError::Form_Load() {
    TRACE("Form_Load");
    trace::TraceObjectLoaded("frmError", true, traceInstanceId_);
}

void frmError::Form_Unload() {
    TRACE("Form_Unload");
    trace::TraceUnload("frmError", traceInstanceId_);
}

// ---- Events ----

void frmError::cmdSend_Click() try {
    TRACE("cmdSend_Click");
    // One attempt: a second click would start a second connection while the
    // first one's wait still runs.
    if (wskErrorReport->Started()) return;
    cmdSend->setEnabled(false);
    IsConnected = false;
    wskErrorReport->Start(report_);
}
TRACE_BOUNDARY

void frmError::cmdDontSend_Click() try {
    TRACE("cmdDontSend_Click");
    Form_Unload();
    EndProgram();
}
TRACE_BOUNDARY

void frmError::lblClickHere_Click() try {
    TRACE("lblClickHere_Click");
    frmErrorReport window(report_, this);
    window.ShowModal();
}
TRACE_BOUNDARY

void frmError::wskErrorReport_Connect() try {
    TRACE("wskErrorReport_Connect");
    IsConnected = true;
}
TRACE_BOUNDARY

void frmError::wskErrorReport_DataArrival(bool accepted) try {
    TRACE("wskErrorReport_DataArrival", TV(accepted));
    // Only an answer that accepted the report is thanked for; any other
    // status means it did not arrive.
    if (accepted)
        qtplat::MsgBox("Thank you for your help!", qtplat::vbOKOnly);
    else
        qtplat::MsgBox("Information sending failed", qtplat::vbOKOnly | qtplat::vbCritical);
    EndProgram();
}
TRACE_BOUNDARY

void frmError::wskErrorReport_Error(int Number, const std::string& Description) try {
    TRACE("wskErrorReport_Error", TV(Number), TV(Description));
    qtplat::MsgBox("Information sending failed", qtplat::vbOKOnly | qtplat::vbCritical);
    // While connecting the wait goes on and ends the program at its limit;
    // once the request was out, the attempt is over.
    if (IsConnected) EndProgram();
}
TRACE_BOUNDARY

void frmError::wskErrorReport_TimedOut() try {
    TRACE("wskErrorReport_TimedOut");
    EndProgram();
}
TRACE_BOUNDARY

// ---- Closing ----

void frmError::EndProgram() {
    ending_ = true;
    // Boxes and windows over this one go first, the innermost each time; the
    // nested runs they hold then return to this window's run, which ends.
    for (int guard = 0; guard < 64; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == this) break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal) break;
    }
    QDialog::done(QDialog::Rejected);
}

void frmError::done(int result) {
    if (ending_) QDialog::done(result);
}

void frmError::closeEvent(QCloseEvent* event) {
    event->accept();
    if (ending_) return;
    // The close box: as Don't Help.
    try {
        Form_Unload();
        EndProgram();
    }
    TRACE_BOUNDARY
}

bool frmError::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblClickHere && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && lblClickHere->rect().contains(mouse->position().toPoint())) {
            lblClickHere_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
