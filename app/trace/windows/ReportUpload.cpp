#include "app/trace/windows/ReportUpload.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

#ifndef QPM_REPORT_HOST
#define QPM_REPORT_HOST ""
#endif

namespace trace {
namespace {

std::optional<ReportServer> g_testServer;

bool KeptAsIs(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// "HTTP/<digits>.<digits> <3 digits>" followed by the end or a blank; the
// status code, or nothing for any other line.
std::optional<int> StatusCode(std::string_view line) {
    constexpr std::string_view head = "HTTP/";
    if (line.substr(0, head.size()) != head) return std::nullopt;
    line.remove_prefix(head.size());
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    const std::string_view version = line.substr(0, blank);
    const auto dot = version.find('.');
    if (dot == std::string_view::npos || !AllDigits(version.substr(0, dot)) || !AllDigits(version.substr(dot + 1)))
        return std::nullopt;
    const std::string_view rest = line.substr(blank + 1);
    if (rest.size() < 3 || !AllDigits(rest.substr(0, 3)) || (rest.size() > 3 && rest[3] != ' ')) return std::nullopt;
    return (rest[0] - '0') * 100 + (rest[1] - '0') * 10 + (rest[2] - '0');
}

}  // namespace

ReportServer DefaultReportServer() {
    ReportServer server;
    server.host = QPM_REPORT_HOST;
    return server;
}

void SetReportServerForTests(std::optional<ReportServer> server) { g_testServer = std::move(server); }

ReportServer CurrentReportServer() { return g_testServer ? *g_testServer : DefaultReportServer(); }

std::string URLEncode(std::string_view str) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(str.size() * 3);
    for (char ch : str) {
        const auto c = static_cast<unsigned char>(ch);
        if (KeptAsIs(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string ErrorReportRequest(std::string_view host, std::string_view report) {
    const std::string body = "Submit=1&msg=" + URLEncode(report);
    std::string request = "POST /reports/quellonpm/autoreport.php HTTP/1.0\r\n";
    request += "Host: ";
    request += host;
    request += "\r\n";
    request += "Content-Type: application/x-www-form-urlencoded\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "\r\n";
    request += body;
    return request;
}

AnswerStatus StatusOfAnswer(std::string_view received, bool closed) {
    const std::string_view head = received.substr(0, kStatusLineLimit);
    std::string_view line;
    if (const auto lf = head.find('\n'); lf != std::string_view::npos)
        line = head.substr(0, lf);
    else if (head.size() >= kStatusLineLimit)
        return AnswerStatus::Refused;
    else if (closed && !head.empty())
        line = head;
    else
        return AnswerStatus::Incomplete;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto code = StatusCode(line);
    return code && *code >= 200 && *code <= 299 ? AnswerStatus::Accepted : AnswerStatus::Refused;
}

// ---- The attempt ----

ReportUpload::ReportUpload(QObject* parent)
    : QObject(parent), socket_(new QTcpSocket(this)), deadline_(new QTimer(this)) {
    // Straight to the server, whatever proxy the desktop names.
    socket_->setProxy(QNetworkProxy::NoProxy);
    // The socket keeps no more of the answer than the status line can use.
    socket_->setReadBufferSize(static_cast<qint64>(kStatusLineLimit));
    deadline_->setSingleShot(true);
    connect(socket_, &QTcpSocket::connected, this, &ReportUpload::OnConnected);
    connect(socket_, &QTcpSocket::readyRead, this, &ReportUpload::OnReadyRead);
    connect(socket_, &QTcpSocket::errorOccurred, this, &ReportUpload::OnSocketError);
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        if (phase_ == Phase::Sent) Decide(true);
    });
    connect(deadline_, &QTimer::timeout, this, &ReportUpload::OnDeadline);
}

ReportUpload::~ReportUpload() {
    // No signal of a dying attempt reaches the owner.
    socket_->disconnect(this);
    socket_->abort();
}

bool ReportUpload::Start(const std::string& report) {
    if (phase_ != Phase::Idle) return false;
    server_ = CurrentReportServer();
    request_ = ErrorReportRequest(server_.host, report);
    phase_ = Phase::Connecting;
    ArmDeadline(server_.connectLimitMs);
    if (server_.host.empty()) {
        QTimer::singleShot(0, this, [this] {
            Fail(QAbstractSocket::HostNotFoundError, QStringLiteral("No report server is configured"));
        });
    } else {
        socket_->connectToHost(QString::fromStdString(server_.host), server_.port);
    }
    return true;
}

void ReportUpload::ArmDeadline(int limitMs) {
    limitMs_ = limitMs < 0 ? 0 : limitMs;
    clock_.start();
    deadline_->start(limitMs_ + 1);
}

void ReportUpload::OnDeadline() {
    // The wait ends only when strictly more than the limit has passed on the
    // monotonic clock (a timer may fire a little early).
    const qint64 elapsed = clock_.elapsed();
    if (elapsed <= limitMs_) {
        deadline_->start(static_cast<int>(limitMs_ - elapsed) + 1);
        return;
    }
    if (phase_ == Phase::Connecting) {
        Finish();
        emit TimedOut();
    } else if (phase_ == Phase::Sent) {
        Fail(QAbstractSocket::SocketTimeoutError, QStringLiteral("The report server did not answer"));
    }
}

void ReportUpload::OnConnected() {
    if (phase_ != Phase::Connecting || connectFailed_) return;
    phase_ = Phase::Sent;
    ArmDeadline(server_.answerLimitMs);
    socket_->write(request_.data(), static_cast<qint64>(request_.size()));
    emit Connect();
}

void ReportUpload::OnReadyRead() {
    if (phase_ != Phase::Sent) return;
    const auto room = static_cast<qint64>(kStatusLineLimit - received_.size());
    if (room > 0) received_ += socket_->read(room).toStdString();
    Decide(false);
}

void ReportUpload::OnSocketError() {
    const auto error = socket_->error();
    if (phase_ == Phase::Connecting) {
        if (!connectFailed_) Fail(error, socket_->errorString());
    } else if (phase_ == Phase::Sent) {
        if (error == QAbstractSocket::RemoteHostClosedError) {
            OnReadyRead();  // what came before the close
            if (phase_ == Phase::Sent) Decide(true);
        } else {
            Fail(error, socket_->errorString());
        }
    }
}

void ReportUpload::Decide(bool closed) {
    const AnswerStatus status = StatusOfAnswer(received_, closed);
    if (status == AnswerStatus::Incomplete) {
        if (closed) Fail(QAbstractSocket::RemoteHostClosedError, QStringLiteral("The report server sent no answer"));
        return;
    }
    Finish();
    emit DataArrival(status == AnswerStatus::Accepted);
}

void ReportUpload::Fail(int number, const QString& description) {
    if (phase_ == Phase::Connecting) {
        // The connect wait goes on to its limit.
        connectFailed_ = true;
        socket_->abort();
    } else if (phase_ == Phase::Sent) {
        Finish();
    } else {
        return;
    }
    emit Error(number, description);
}

void ReportUpload::Finish() {
    phase_ = Phase::Done;
    deadline_->stop();
    socket_->abort();
}

}  // namespace trace
