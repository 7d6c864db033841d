// The bytes of the upload and the reading of the server's answer.
#include <gtest/gtest.h>

#include <string>

#include "LocalReportServer.h"
#include "app/trace/windows/ReportUpload.h"

namespace {

using trace::AnswerStatus;

TEST(URLEncode, KeepsOnlyLettersAndDigitsAndWritesEveryOtherByteAsUpperCaseHex) {
    std::string all;
    std::string expected;
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
        const bool kept = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9');
        if (kept) {
            expected += static_cast<char>(b);
        } else {
            expected += '%';
            expected += kHex[b >> 4];
            expected += kHex[b & 15];
        }
    }
    EXPECT_EQ(trace::URLEncode(all), expected);
    EXPECT_EQ(trace::URLEncode(" \r\n"), "%20%0D%0A");
    EXPECT_EQ(trace::URLEncode("\xE9\x87\xFF"), "%E9%87%FF");  // code-page bytes, never sign-extended
    EXPECT_EQ(trace::URLEncode(""), "");
}

TEST(ErrorReportRequest, IsThePostWithItsHeadersAndTheEncodedReport) {
    EXPECT_EQ(trace::ErrorReportRequest("reports.example", "A b"),
              "POST /reports/quellonpm/autoreport.php HTTP/1.0\r\n"
              "Host: reports.example\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 18\r\n"
              "\r\n"
              "Submit=1&msg=A%20b");
}

TEST(ErrorReportRequest, AFormDecoderGetsTheWholeReportBackAndTheLengthIsTheBodysBytes) {
    const std::string report = "Error Number: 5\r\na&b=c+d%20e %\r\n<x>\xE9\x87</x>" + std::string(1, '\0') + "end";
    const std::string request = trace::ErrorReportRequest("h", report);
    const auto headerEnd = request.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    const std::string body = request.substr(headerEnd + 4);
    EXPECT_NE(request.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
    const auto fields = errwintest::DecodeForm(body);
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields.at("Submit"), "1");
    EXPECT_EQ(fields.at("msg"), report);
}

TEST(StatusOfAnswer, ReadsOnlyTheStatusLine) {
    struct Case {
        std::string received;
        bool closed;
        AnswerStatus status;
    };
    const std::string longLine(trace::kStatusLineLimit, 'x');
    const Case cases[] = {
        {"HTTP/1.0 200 OK\r\n", false, AnswerStatus::Accepted},
        {"HTTP/1.1 204 No Content\r\nContent-Length: 99999999999\r\n", false, AnswerStatus::Accepted},
        {"HTTP/1.0 200\n", false, AnswerStatus::Accepted},
        {"HTTP/1.0 299 Fine\r\n", false, AnswerStatus::Accepted},
        {"HTTP/1.0 200 OK", true, AnswerStatus::Accepted},  // closed after the line
        {"HTTP/1.0 404 Not Found\r\n", false, AnswerStatus::Refused},
        {"HTTP/1.0 500 Internal Server Error\r\n", false, AnswerStatus::Refused},
        {"HTTP/1.0 302 Found\r\n", false, AnswerStatus::Refused},
        {"HTTP/1.0 2000 OK\r\n", false, AnswerStatus::Refused},
        {"HTTP/1.0 20 OK\r\n", false, AnswerStatus::Refused},
        {"HTTP/x.0 200 OK\r\n", false, AnswerStatus::Refused},
        {"HTTP/1 200 OK\r\n", false, AnswerStatus::Refused},
        {"200 OK\r\n", false, AnswerStatus::Refused},
        {"Thank you\r\n", false, AnswerStatus::Refused},
        {"\r\n", false, AnswerStatus::Refused},
        {"HTT", true, AnswerStatus::Refused},
        {longLine, false, AnswerStatus::Refused},  // no line end within the limit
        {longLine + "\nHTTP/1.0 200 OK\n", false, AnswerStatus::Refused},
        {"HTTP/1.0 200 OK", false, AnswerStatus::Incomplete},
        {"", false, AnswerStatus::Incomplete},
        {"", true, AnswerStatus::Incomplete},  // closed without an answer: no verdict
    };
    for (const Case& c : cases)
        EXPECT_EQ(trace::StatusOfAnswer(c.received, c.closed), c.status)
            << "received \"" << c.received.substr(0, 40) << "\" closed " << c.closed;
}

TEST(ReportServer, DefaultsToPort80AndTenSecondsAndTestsCanPointItElsewhere) {
    const trace::ReportServer server = trace::DefaultReportServer();
    EXPECT_EQ(server.port, 80);
    EXPECT_EQ(server.connectLimitMs, 10000);
    trace::SetReportServerForTests(trace::ReportServer{"127.0.0.1", 1234, 5, 6});
    EXPECT_EQ(trace::CurrentReportServer().host, "127.0.0.1");
    EXPECT_EQ(trace::CurrentReportServer().port, 1234);
    trace::SetReportServerForTests(std::nullopt);
    EXPECT_EQ(trace::CurrentReportServer().host, server.host);
    EXPECT_EQ(trace::CurrentReportServer().port, 80);
}

}  // namespace
