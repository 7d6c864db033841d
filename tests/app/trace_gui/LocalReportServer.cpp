#include "LocalReportServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTcpSocket>
#include <stdexcept>

namespace errwintest {
namespace {

// True once `bytes` hold the header and as many body bytes as it announces.
bool WholeRequest(const QByteArray& bytes) {
    const auto end = bytes.indexOf("\r\n\r\n");
    if (end < 0) return false;
    const QByteArray name = "\r\nContent-Length: ";
    const auto at = bytes.left(end).indexOf(name);
    if (at < 0) return true;
    const auto from = at + name.size();
    auto to = bytes.indexOf("\r\n", from);
    if (to < 0 || to > end) to = end;
    bool ok = false;
    const qint64 length = bytes.mid(from, to - from).toLongLong(&ok);
    return ok && bytes.size() - (end + 4) >= length;
}

}  // namespace

LocalReportServer::LocalReportServer(Mode mode, QByteArray answer) : mode_(mode), answer_(std::move(answer)) {
    if (!server_.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("no listener on 127.0.0.1");
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
        while (QTcpSocket* peer = server_.nextPendingConnection()) {
            const bool first = ++connections == 1;
            QObject::connect(peer, &QTcpSocket::readyRead, peer, [this, peer, first] {
                const QByteArray bytes = peer->readAll();
                if (!first || requestComplete) return;
                received += bytes;
                if (!WholeRequest(received)) return;
                requestComplete = true;
                switch (mode_) {
                    case Mode::Answer:
                        peer->write(answer_);
                        peer->disconnectFromHost();
                        break;
                    case Mode::AnswerAndHold:
                        peer->write(answer_);
                        break;
                    case Mode::Silent:
                        break;
                    case Mode::CloseWithoutAnswer:
                        peer->close();
                        break;
                }
            });
        }
    });
}

quint16 RefusingPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("no listener on 127.0.0.1");
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

StalledListener::StalledListener() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    // A backlog of 0 holds one connection that nobody accepts; the filler
    // takes it, and the kernel drops every later connection's handshake.
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 0) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("no stalled listener");
    port_ = ntohs(address.sin_port);
    filler_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (filler_ < 0 || ::connect(filler_, reinterpret_cast<sockaddr*>(&address), size) != 0)
        throw std::runtime_error("no filler connection");
}

StalledListener::~StalledListener() {
    if (filler_ >= 0) ::close(filler_);
    if (listener_ >= 0) ::close(listener_);
}

std::map<std::string, std::string> DecodeForm(std::string_view body) {
    auto decode = [](std::string_view s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '+') {
                out += ' ';
            } else if (s[i] == '%' && i + 2 < s.size()) {
                out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
                i += 2;
            } else {
                out += s[i];
            }
        }
        return out;
    };
    std::map<std::string, std::string> fields;
    while (!body.empty()) {
        const auto amp = body.find('&');
        const std::string_view pair = body.substr(0, amp);
        const auto eq = pair.find('=');
        fields[decode(pair.substr(0, eq))] = eq == std::string_view::npos ? "" : decode(pair.substr(eq + 1));
        if (amp == std::string_view::npos) break;
        body.remove_prefix(amp + 1);
    }
    return fields;
}

}  // namespace errwintest
