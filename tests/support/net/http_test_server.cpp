#include "support/net/http_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <stdexcept>

namespace quillmar::test {

namespace {

constexpr int kPollMs = 20;

void SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

std::string Head(int status, const std::string& extra) {
  return "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n" + extra +
         "Connection: close\r\n\r\n";
}

}  // namespace

HttpTestServer::HttpTestServer(bool proxy) : proxy_(proxy) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) throw std::runtime_error("socket");
  int on = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // any free port
  socklen_t size = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(listener_);
    throw std::runtime_error("bind/listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
  stop_ = true;
  acceptor_.join();
  for (std::thread& t : connections_) t.join();
  ::close(listener_);
}

std::string HttpTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpTestServer::Serve(const std::string& path, Response response) {
  const std::lock_guard guard(mutex_);
  routes_[path] = std::move(response);
}

std::vector<HttpTestServer::Request> HttpTestServer::Requests() const {
  const std::lock_guard guard(mutex_);
  return requests_;
}

int HttpTestServer::Count(const std::string& path) const {
  const std::lock_guard guard(mutex_);
  int count = 0;
  for (const Request& r : requests_) {
    const std::string& t = r.target;
    if (t == path ||
        (t.size() > path.size() && t.compare(t.size() - path.size(), path.size(), path) == 0 &&
         t.find("://") != std::string::npos))
      ++count;
  }
  return count;
}

void HttpTestServer::AcceptLoop() {
  while (!stop_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    const int fd = ::accept(listener_, nullptr, nullptr);
    if (fd < 0) continue;
    connections_.emplace_back([this, fd] {
      Handle(fd);
      ::close(fd);
    });
  }
}

// Waits until the server stops or the client closes; false when the server stopped.
bool HttpTestServer::WaitWhileOpen(int fd) const {
  char buffer[512];
  while (!stop_) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    if (::recv(fd, buffer, sizeof buffer, 0) <= 0) return true;
  }
  return false;
}

void HttpTestServer::Handle(int fd) {
  std::string data;
  char buffer[4096];
  while (!stop_ && data.find("\r\n\r\n") == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    data.append(buffer, static_cast<size_t>(n));
  }
  if (stop_) return;
  Request request;
  size_t line_end = data.find("\r\n");
  const std::string line = data.substr(0, line_end);
  const size_t first = line.find(' ');
  const size_t second = line.find(' ', first + 1);
  request.method = line.substr(0, first);
  request.target = line.substr(first + 1, second - first - 1);
  for (size_t at = line_end + 2; at < data.size();) {
    const size_t end = data.find("\r\n", at);
    if (end == std::string::npos || end == at) break;
    const std::string header = data.substr(at, end - at);
    const size_t colon = header.find(':');
    if (colon != std::string::npos) {
      size_t value = colon + 1;
      while (value < header.size() && header[value] == ' ') ++value;
      request.headers[Lower(header.substr(0, colon))] = header.substr(value);
    }
    at = end + 2;
  }
  std::string path = request.target;
  const size_t scheme = path.find("://");
  if (proxy_ != (scheme != std::string::npos)) {
    SendAll(fd, Head(400, "Content-Length: 0\r\n"));
    return;
  }
  if (scheme != std::string::npos) {
    const size_t slash = path.find('/', scheme + 3);
    path = slash == std::string::npos ? "/" : path.substr(slash);
  }
  Response response{404, "not found"};
  {
    const std::lock_guard guard(mutex_);
    requests_.push_back(request);
    if (const auto found = routes_.find(path); found != routes_.end()) response = found->second;
  }
  const std::string length = "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
  switch (response.mode) {
    case Mode::kNormal:
      SendAll(fd, Head(response.status, length) + response.body);
      break;
    case Mode::kTruncated:
      SendAll(fd, Head(response.status,
                       "Content-Length: " + std::to_string(response.body.size() + 100) + "\r\n") +
                      response.body);
      break;
    case Mode::kNoLength:
      SendAll(fd, Head(response.status, "") + response.body);
      break;
    case Mode::kStall:
      WaitWhileOpen(fd);
      break;
    case Mode::kPartialStall:
      SendAll(fd, Head(response.status,
                       "Content-Length: " + std::to_string(2 * response.body.size()) + "\r\n") +
                      response.body);
      WaitWhileOpen(fd);
      break;
    case Mode::kRedirectLoop:
      SendAll(fd, Head(302, "Location: " + request.target + "\r\nContent-Length: 0\r\n"));
      break;
  }
  ::shutdown(fd, SHUT_WR);
  // Lets the client read everything before the socket closes.
  WaitWhileOpen(fd);
}

}  // namespace quillmar::test
