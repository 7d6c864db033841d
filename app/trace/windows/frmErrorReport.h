#pragma once
// The report window: the whole error report, read-only, as it would be sent,
// with a note on privacy. Opened modally over the error window; "Назад" (or
// its close box) returns to the error window.
#include <QDialog>
#include <cstdint>
#include <string>

#include "app/trace/Dump.h"

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class frmErrorReport : public QDialog, public trace::Traced {
    Q_OBJECT

public:
    frmErrorReport(std::string report, QWidget* owner);
    ~frmErrorReport() override;
    frmErrorReport(const frmErrorReport&) = delete;
    frmErrorReport& operator=(const frmErrorReport&) = delete;

    const char* TraceName() const override { return "frmErrorReport"; }

    // Loads the window and runs it modally until it is closed.
    void ShowModal();

    void cmdBack_Click();

    QLabel* lblReportDataCap;
    QPlainTextEdit* txtReportData;
    QGroupBox* fraPrivacyCap;
    QLabel* lblPrivacy;
    QPushButton* cmdBack;

    void done(int result) override;

protected:
    void Form_Load();
    void Form_Unload();

private:
    std::string report_;
    std::int16_t traceInstanceId_ = 0;
};
