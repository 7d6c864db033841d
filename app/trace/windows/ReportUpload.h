#pragma once
// The upload of an error report to the maker's report server: one HTTP/1.0
// POST over a plain TCP connection (the error window's Winsock control).
//
//   POST /reports/quellonpm/autoreport.php HTTP/1.0
//   Host: <host>
//   Content-Type: application/x-www-form-urlencoded
//   Content-Length: <bytes of the body>
//
//   Submit=1&msg=<URLEncode(report)>
//
// A ReportUpload makes one attempt and tells its owner how it went through
// its signals, each at most once and every wait bounded:
//
//   Connect       the connection stands; the request goes out as one write
//   Error         the connection failed, or broke before the answer's status
//                 line, or no status line came within the answer limit
//   DataArrival   the status line came: accepted (2xx) or not
//   TimedOut      more than the connect limit passed without a connection
//
// After Error while connecting the connect wait goes on and still ends in
// TimedOut. Only the status line of the answer is read, never more than
// kStatusLineLimit bytes, and no length the server gives is trusted.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QTcpSocket;
class QTimer;

namespace trace {

struct ReportServer {
    std::string host;  // empty: no report server is configured; every attempt fails
    std::uint16_t port = 80;
    int connectLimitMs = 10000;  // the wait for the connection; strictly more ends it
    int answerLimitMs = 30000;   // the wait for the status line once the request is out
};

// The server the program reports to (the build's report host, port 80, 10 s).
ReportServer DefaultReportServer();
// The server the next attempt uses: the test's listener, or the default again
// (nothing).
void SetReportServerForTests(std::optional<ReportServer> server);
ReportServer CurrentReportServer();

// Keeps A-Z, a-z and 0-9; every other byte of the code-page text becomes "%"
// and two upper-case hexadecimal digits.
std::string URLEncode(std::string_view str);
// The request's bytes as they go on the connection.
std::string ErrorReportRequest(std::string_view host, std::string_view report);

inline constexpr std::size_t kStatusLineLimit = 1024;

enum class AnswerStatus { Incomplete, Accepted, Refused };
// The server's verdict from what it sent so far: Incomplete until the status
// line is complete (ended by LF, or by the close of the connection); Accepted
// for "HTTP/<digits>.<digits> 2xx"; Refused for any other status, a line that
// is no status line, or kStatusLineLimit bytes without a line end.
AnswerStatus StatusOfAnswer(std::string_view received, bool closed);

class ReportUpload : public QObject {
    Q_OBJECT

public:
    explicit ReportUpload(QObject* parent = nullptr);
    ~ReportUpload() override;
    ReportUpload(const ReportUpload&) = delete;
    ReportUpload& operator=(const ReportUpload&) = delete;

    // Starts the one attempt of this object with the current server; false
    // (and nothing happens) when it was started before.
    bool Start(const std::string& report);
    bool Started() const noexcept { return phase_ != Phase::Idle; }

signals:
    void Connect();
    void Error(int number, const QString& description);
    void DataArrival(bool accepted);
    void TimedOut();

private:
    enum class Phase { Idle, Connecting, Sent, Done };

    void OnConnected();
    void OnReadyRead();
    void OnSocketError();
    void OnDeadline();
    void Decide(bool closed);
    void Fail(int number, const QString& description);
    void ArmDeadline(int limitMs);
    void Finish();

    ReportServer server_;
    QTcpSocket* socket_;
    QTimer* deadline_;
    QElapsedTimer clock_;
    int limitMs_ = 0;
    Phase phase_ = Phase::Idle;
    bool connectFailed_ = false;
    std::string request_;
    std::string received_;
};

}  // namespace trace
