// Downloads through the Qt HTTP client from a real server on 127.0.0.1.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <filesystem>
#include <optional>

#include "online/file_download.h"
#include "platform/net/qt_http_client.h"
#include "support/net/http_test_server.h"
#include "support/temp_dir.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using test::HttpTestServer;

QCoreApplication& App() {
  static int argc = 1;
  static char name[] = "online_download_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

std::vector<std::string> Files(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class OnlineDownload : public ::testing::Test {
 protected:
  OnlineDownload() { App(); }

  HttpRequest Request(const std::string& url) {
    HttpRequest r;
    r.url = url;
    r.user_agent = "reader 1.7";
    r.referer = " QMSA0001";
    return r;
  }

  // Runs one download to its end and returns its result; `on_progress` runs at each block.
  DownloadResult Fetch(const HttpRequest& request, std::function<void()> on_progress = nullptr) {
    std::optional<DownloadResult> result;
    FileDownload::Events events;
    events.progress = [&](int64_t, int64_t) {
      if (on_progress) on_progress();
    };
    events.finished = [&](const DownloadResult& r) { result = r; };
    EXPECT_TRUE(download.Start(target, request, events));
    Wait([&] { return result.has_value(); });
    return result.value_or(DownloadResult{});
  }

  // Processes events until `done`; the deadline only keeps a broken test from hanging.
  static void Wait(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(60000);
    while (!done() && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }

  test::TempDir dir;
  std::string target = dir.Sub("remote.dat");
  QtHttpClient client;
  FileDownload download{client};
};

TEST_F(OnlineDownload, ACompleteAnswerReplacesTheTargetAndTheRequestNamesTheReader) {
  HttpTestServer server;
  server.Serve("/web/caldrem.dat", std::string(100000, 'n'));
  server.Serve("/nolength",
               HttpTestServer::Response{200, "no length", HttpTestServer::Mode::kNoLength});
  test::WriteFile(target, "old");
  const DownloadResult r = Fetch(Request(server.Url("/web/caldrem.dat")));
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(test::ReadFile(target), std::string(100000, 'n'));
  EXPECT_EQ(download.Received(), 100000);
  EXPECT_EQ(Files(dir.path()), std::vector<std::string>{"remote.dat"});
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].headers.at("user-agent"), "reader 1.7");
  EXPECT_EQ(requests[0].headers.at("referer"), "QMSA0001");  // the leading blank is not kept
  EXPECT_EQ(requests[0].headers.at("accept"),
            "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");

  EXPECT_TRUE(Fetch(Request(server.Url("/nolength"))).ok);
  EXPECT_EQ(test::ReadFile(target), "no length");
}

TEST_F(OnlineDownload, EveryIncompleteAnswerLeavesTheTargetAndNoTemporaryFile) {
  using Mode = HttpTestServer::Mode;
  HttpTestServer server;
  server.Serve("/500", HttpTestServer::Response{500, "server error"});
  server.Serve("/truncated", HttpTestServer::Response{200, "half", Mode::kTruncated});
  server.Serve("/loop", HttpTestServer::Response{302, "", Mode::kRedirectLoop});
  server.Serve("/stall", HttpTestServer::Response{200, "", Mode::kStall});
  server.Serve("/stall-later", HttpTestServer::Response{200, "part", Mode::kPartialStall});
  std::string refused;  // a port nobody listens on any more
  {
    HttpTestServer gone;
    refused = gone.Url("/x");
  }
  test::WriteFile(target, "previous list");
  for (const std::string& url :
       {server.Url("/404"), server.Url("/500"), server.Url("/truncated"), server.Url("/loop"),
        server.Url("/stall"), server.Url("/stall-later"), refused}) {
    HttpRequest request = Request(url);
    request.timeout_ms = 300;
    const DownloadResult r = Fetch(request);
    EXPECT_FALSE(r.ok) << url;
    EXPECT_FALSE(r.error.empty()) << url;
    EXPECT_EQ(test::ReadFile(target), "previous list") << url;
    EXPECT_EQ(Files(dir.path()), std::vector<std::string>{"remote.dat"}) << url;
  }
  // Without a previous target there is none afterwards either.
  fs::remove(target);
  EXPECT_FALSE(Fetch(Request(server.Url("/404"))).ok);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(OnlineDownload, CancelEndsTheTransferAndASecondDownloadIsRefusedMeanwhile) {
  HttpTestServer server;
  server.Serve("/slow", HttpTestServer::Response{200, std::string(5000, 's'),
                                                 HttpTestServer::Mode::kPartialStall});
  server.Serve("/other", "other");
  test::WriteFile(target, "previous list");
  bool refused = false;
  const DownloadResult r = Fetch(Request(server.Url("/slow")), [&] {
    refused = !download.Start(dir.Sub("other.dat"), Request(server.Url("/other")), {});
    download.Cancel();
  });
  EXPECT_TRUE(refused);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(test::ReadFile(target), "previous list");
  EXPECT_EQ(Files(dir.path()), std::vector<std::string>{"remote.dat"});
  EXPECT_EQ(server.Count("/other"), 0);
  // Idle again: the next download runs.
  EXPECT_FALSE(download.Busy());
  EXPECT_TRUE(Fetch(Request(server.Url("/other"))).ok);
}

TEST_F(OnlineDownload, AProxyCarriesTheRequest) {
  HttpTestServer proxy(/*proxy=*/true);
  proxy.Serve("/web/caldrem.dat", "through the proxy");
  // The host does not resolve: only the proxy can answer.
  HttpRequest request = Request("http://online.quillmar.example.org/web/caldrem.dat");
  request.proxy_host = "127.0.0.1";
  request.proxy_port = proxy.Port();
  const DownloadResult r = Fetch(request);
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(test::ReadFile(target), "through the proxy");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].target, "http://online.quillmar.example.org/web/caldrem.dat");
  EXPECT_EQ(proxy.Requests()[0].headers.at("user-agent"), "reader 1.7");
}

}  // namespace
}  // namespace quillmar
