#pragma once
// Listeners on 127.0.0.1 standing in for the report server; nothing in the
// tests reaches the network.
#include <QByteArray>
#include <QTcpServer>
#include <map>
#include <string>
#include <string_view>

namespace errwintest {

// Accepts connections, keeps the bytes of the first one and, once its whole
// request is in (the header's Content-Length counted), acts as `mode` says.
class LocalReportServer {
public:
    enum class Mode {
        Answer,             // writes `answer` and closes
        AnswerAndHold,      // writes `answer` and keeps the connection open
        Silent,             // never answers, keeps the connection open
        CloseWithoutAnswer  // closes at once
    };
    explicit LocalReportServer(Mode mode = Mode::Answer, QByteArray answer = "HTTP/1.0 200 OK\r\n\r\nThanks");
    quint16 Port() const { return server_.serverPort(); }

    int connections = 0;
    QByteArray received;
    bool requestComplete = false;

private:
    QTcpServer server_;
    Mode mode_;
    QByteArray answer_;
};

// A port on 127.0.0.1 where nothing listens: a connection is refused.
quint16 RefusingPort();

// A listener whose accept queue is full: a further connection neither
// connects nor fails.
class StalledListener {
public:
    StalledListener();
    ~StalledListener();
    StalledListener(const StalledListener&) = delete;
    StalledListener& operator=(const StalledListener&) = delete;
    quint16 Port() const { return port_; }

private:
    int listener_ = -1;
    int filler_ = -1;
    quint16 port_ = 0;
};

// A standard decoder of a form-encoded body ("+" is a blank, "%XX" a byte).
std::map<std::string, std::string> DecodeForm(std::string_view body);

}  // namespace errwintest
