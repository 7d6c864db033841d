#include "app/trace/windows/frmErrorReport.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/trace/Trace.h"
#include "app/trace/windows/FormControls.h"
#include "platform/qt/AnsiText.h"

namespace {

// The report as the text box shows it: one line per CR LF.
QString ShownText(const std::string& report) {
    QString text = qtplat::AnsiToQString(report);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

frmErrorReport::frmErrorReport(std::string report, QWidget* owner) : QDialog(owner), report_(std::move(report)) {
    setObjectName(QStringLiteral("frmErrorReport"));
    setWindowModality(Qt::ApplicationModal);

    lblReportDataCap = trace::NamedControl<QLabel>(this, "lblReportDataCap");
    txtReportData = trace::NamedControl<QPlainTextEdit>(this, "txtReportData");
    fraPrivacyCap = trace::NamedControl<QGroupBox>(this, "fraPrivacyCap");
    lblPrivacy = trace::NamedControl<QLabel>(fraPrivacyCap, "lblPrivacy");
    cmdBack = trace::NamedControl<QPushButton>(this, "cmdBack");

    lblReportDataCap->setTextFormat(Qt::PlainText);
    lblPrivacy->setTextFormat(Qt::PlainText);
    lblPrivacy->setWordWrap(true);
    // What is shown is what would be sent: the box cannot change it.
    txtReportData->setReadOnly(true);
    txtReportData->setLineWrapMode(QPlainTextEdit::NoWrap);
    cmdBack->setAutoDefault(false);

    auto* privacy = new QVBoxLayout(fraPrivacyCap);
    privacy->addWidget(lblPrivacy);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdBack);
    auto* root = new QVBoxLayout(this);
    root->addWidget(lblReportDataCap);
    root->addWidget(txtReportData, 1);
    root->addWidget(fraPrivacyCap);
    root->addLayout(buttons);
    resize(560, 480);

    connect(cmdBack, &QPushButton::clicked, this, &frmErrorReport::cmdBack_Click);
}

frmErrorReport::~frmErrorReport() = default;

void frmErrorReport::ShowModal() {
    Form_Load();
    exec();
}

void frmErrorReport::Form_Load() {
    TRACE("Form_Load");
    trace::TraceObjectLoaded("frmErrorReport", true, traceInstanceId_);
    // Fixed texts, the same every time; not language texts.
    txtReportData->setPlainText(ShownText(report_));
    setWindowTitle(QStringLiteral("Отчет об ошибке"));
    lblReportDataCap->setText(QStringLiteral("Данные отчета об ошибке:"));
    lblPrivacy->setText(QStringLiteral(
        "Мы намеренно не собираем данные о Вашем адресе, имени, паролях, адресах эллектронной почты и другие "
        "подобные данные. Но они могут попасть в отчёт об ошибке. Здесь Вы можете увидеть все данные, которые "
        "будут отосланы и решить, посылать нам их или нет."));
    cmdBack->setText(QStringLiteral("Назад"));
}

void frmErrorReport::cmdBack_Click() try {
    TRACE("cmdBack_Click");
    close();
}
TRACE_BOUNDARY

void frmErrorReport::done(int result) {
    if (isVisible()) {
        try {
            Form_Unload();
        }
        TRACE_BOUNDARY
    }
    QDialog::done(result);
}

void frmErrorReport::Form_Unload() {
    TRACE("Form_Unload");
    trace::TraceUnload("frmErrorReport", traceInstanceId_);
}
