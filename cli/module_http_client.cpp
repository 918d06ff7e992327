#include "cli/module_http_client.h"

#include <utility>

#include "platform/native_dynamic_library.h"
#include "platform/net/http_module.h"

namespace quillmar::cli {

// One queued request. The transfer object handed out shares it: dropping the transfer silences
// the reports, aborting it ends the request at its next block.
struct ModuleHttpClient::Request {
  HttpRequest request;
  HttpReceiver* receiver = nullptr;
  bool dropped = false;
  bool aborted = false;
};

namespace {

using Request = ModuleHttpClient::Request;

class ModuleHttpTransfer : public HttpTransfer {
 public:
  explicit ModuleHttpTransfer(std::shared_ptr<Request> request) : request_(std::move(request)) {}
  ~ModuleHttpTransfer() override { request_->dropped = true; }
  void Abort() override { request_->aborted = true; }

 private:
  std::shared_ptr<Request> request_;
};

void OnStarted(void* context, int status, int64_t content_length) {
  auto* r = static_cast<Request*>(context);
  if (!r->dropped) r->receiver->Started(status, content_length);
}

int OnReceived(void* context, const char* data, size_t size) {
  auto* r = static_cast<Request*>(context);
  if (r->dropped || r->aborted) return 0;
  if (!r->receiver->Received(data, size)) r->aborted = true;
  return r->aborted ? 0 : 1;
}

void OnFinished(void* context, const char* error) {
  auto* r = static_cast<Request*>(context);
  if (!r->dropped) r->receiver->Finished(error);
}

}  // namespace

ModuleHttpClient::ModuleHttpClient(std::string modulePath) : module_path_(std::move(modulePath)) {}

// The module stays loaded: Qt keeps threads and global objects of its own that outlive any call.
ModuleHttpClient::~ModuleHttpClient() = default;

std::unique_ptr<HttpTransfer> ModuleHttpClient::Get(const HttpRequest& request,
                                                    HttpReceiver& receiver) {
  auto queued = std::make_shared<Request>();
  queued->request = request;
  queued->receiver = &receiver;
  pending_.push_back(queued);
  return std::make_unique<ModuleHttpTransfer>(std::move(queued));
}

void* ModuleHttpClient::Entry() {
  if (entry_ || !error_.empty()) return entry_;
  library_ = NativeDynamicLibraries().Load(module_path_);
  if (library_) entry_ = library_->Symbol(kRunHttpGetSymbol);
  if (!entry_) error_ = "the network module '" + module_path_ + "' cannot be loaded";
  return entry_;
}

void ModuleHttpClient::RunPending() {
  while (!pending_.empty()) {
    const std::shared_ptr<Request> r = pending_.front();
    pending_.pop_front();
    if (r->dropped) continue;
    if (r->aborted) {
      r->receiver->Finished("aborted");
      continue;
    }
    if (!Entry()) {
      r->receiver->Finished(error_);
      continue;
    }
    const HttpRequest& q = r->request;
    const QuillmarHttpGet get{
        q.url.c_str(),        q.user_agent.c_str(), q.referer.c_str(), q.accept.c_str(),
        q.proxy_host.c_str(), q.proxy_port,         q.timeout_ms,      r.get(),
        &OnStarted,           &OnReceived,          &OnFinished};
    reinterpret_cast<QuillmarRunHttpGet>(entry_)(&get);
  }
}

}  // namespace quillmar::cli
