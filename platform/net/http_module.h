#pragma once

// The interface of the network module: a shared library the command-line tool loads when a
// command first needs HTTP, so that a tool that only reads collections never maps Qt and its
// network stack. Plain C types only, so the module and the tool share nothing but this header.

#include <cstddef>
#include <cstdint>

extern "C" {

// One GET request with the receiver's callbacks. Texts are UTF-8, never null (empty for none).
struct QuillmarHttpGet {
  const char* url;
  const char* user_agent;
  const char* referer;
  const char* accept;
  const char* proxy_host;
  int32_t proxy_port;
  int32_t timeout_ms;

  void* context;
  // As HttpReceiver: started once the answer's headers are in, received for each block of the
  // body (0 ends the transfer), finished exactly once with an empty error when it ran to its end.
  void (*started)(void* context, int status, int64_t content_length);
  int (*received)(void* context, const char* data, size_t size);
  void (*finished)(void* context, const char* error);
};

// Runs the request to its end on an event loop of its own (with an application object made for
// it when the process has none); every callback comes from within the call.
typedef void (*QuillmarRunHttpGet)(const QuillmarHttpGet* request);

}  // extern "C"

namespace quillmar {

// The module's one export, of type QuillmarRunHttpGet.
constexpr char kRunHttpGetSymbol[] = "quillmar_run_http_get";

}  // namespace quillmar
