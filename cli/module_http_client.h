#pragma once

#include <deque>
#include <memory>
#include <string>

#include "system/dynamic_library.h"
#include "system/http_client.h"

namespace quillmar::cli {

// HTTP for the tool through the network module (platform/net/http_module.h), loaded at the first
// request that runs, so that commands which never go online do not map Qt's network stack.
//
// Get only queues the request; RunPending runs the queued requests one after the other, each to
// its end, and the receiver's reports come from within it. A module that cannot be loaded fails
// each request with a message naming the file looked for.
class ModuleHttpClient : public HttpClient {
 public:
  explicit ModuleHttpClient(std::string modulePath);
  ~ModuleHttpClient() override;

  std::unique_ptr<HttpTransfer> Get(const HttpRequest& request, HttpReceiver& receiver) override;
  void RunPending();

  struct Request;

 private:
  // The module's entry point, or nullptr with error_ set.
  void* Entry();

  std::string module_path_;
  std::unique_ptr<DynamicLibrary> library_;
  void* entry_ = nullptr;
  std::string error_;
  std::deque<std::shared_ptr<Request>> pending_;
};

}  // namespace quillmar::cli
