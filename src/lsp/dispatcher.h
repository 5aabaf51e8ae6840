#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

#include "lsp/message_stream.h"

namespace kx::lsp {

using Json = nlohmann::json;

// The error codes of JSON-RPC and the protocol that the server answers with.
enum ErrorCode : int {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
};

// Thrown by a request handler to answer with an error.
class RpcError : public std::runtime_error {
 public:
  RpcError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// Turns message bodies into calls of handlers by method and their results
// into responses, and keeps the server's lifecycle:
//   before "initialize": requests are answered with kServerNotInitialized,
//     notifications other than "exit" are dropped;
//   after "shutdown": requests are answered with kInvalidRequest,
//     notifications other than "exit" are dropped;
//   "exit" ends the session, with status 0 after "shutdown" and 1 without.
// A body that is no JSON is answered with kParseError, a message that is no
// request, notification or response with kInvalidRequest, an unknown request
// with kMethodNotFound; an unknown notification is logged (those of "$/"
// silently) and dropped, as are responses. A handler that fails on its
// parameters (a JSON type or range error) is answered with kInvalidParams,
// any other exception with kInternalError; a failing notification is logged.
class Dispatcher {
 public:
  using Send = std::function<void(const Json& message)>;
  using Request = std::function<Json(const Json& params)>;
  using Notification = std::function<void(const Json& params)>;

  enum class State { Starting, Running, ShutDown, Exited };

  Dispatcher(Send send, Log log) : send_(std::move(send)), log_(std::move(log)) {}

  // "initialize" and "shutdown" are requests like the others; their success
  // moves the state on. Parameters that are left out arrive as null.
  void On_Request(const std::string& method, Request handler) { requests_[method] = std::move(handler); }
  void On_Notification(const std::string& method, Notification handler) {
    notifications_[method] = std::move(handler);
  }

  // Handles one message body; sends its response, if any, before returning.
  void Handle(std::string_view body);

  State state() const { return state_; }
  // After "exit": 0 when "shutdown" came first, else 1.
  int exit_status() const { return exit_status_; }

 private:
  void Handle_Request(const Json& id, const std::string& method, const Json& params);
  void Handle_Notification(const std::string& method, const Json& params);
  void Send_Error(const Json& id, int code, const std::string& message);

  Send send_;
  Log log_;
  std::map<std::string, Request, std::less<>> requests_;
  std::map<std::string, Notification, std::less<>> notifications_;
  State state_ = State::Starting;
  int exit_status_ = 1;
};

}  // namespace kx::lsp
