#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillmar::test {

// A small HTTP/1.1 server on 127.0.0.1 at a free port, serving canned answers from its own
// threads, for tests of downloads. As a proxy it takes only requests in absolute form
// ("GET http://host/path"), as an HTTP proxy gets them, and answers them from its own paths.
class HttpTestServer {
 public:
  enum class Mode {
    kNormal,        // the status, Content-Length and body
    kTruncated,     // announces more bytes than it sends, then closes
    kStall,         // reads the request and never answers
    kPartialStall,  // sends the headers and part of the body, then waits
    kRedirectLoop,  // 302 to the same path, forever
    kNoLength,      // the body without Content-Length, ended by closing
  };
  struct Response {
    int status = 200;
    std::string body;
    Mode mode = Mode::kNormal;
  };
  struct Request {
    std::string method;
    std::string target;                          // as sent: a path, or a URL for a proxy
    std::map<std::string, std::string> headers;  // names in lower case
  };

  explicit HttpTestServer(bool proxy = false);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  uint16_t Port() const { return port_; }
  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const;
  // Answers GETs of `path`; other paths get 404.
  void Serve(const std::string& path, Response response);
  void Serve(const std::string& path, std::string body) {
    Serve(path, Response{200, std::move(body)});
  }
  std::vector<Request> Requests() const;
  // How many requests asked for `path` (for a proxy: a URL ending in it).
  int Count(const std::string& path) const;

 private:
  void AcceptLoop();
  void Handle(int fd);
  bool WaitWhileOpen(int fd) const;

  bool proxy_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Response> routes_;
  std::vector<Request> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

}  // namespace quillmar::test
