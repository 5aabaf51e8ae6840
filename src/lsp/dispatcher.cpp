#include "lsp/dispatcher.h"

namespace kx::lsp {

void Dispatcher::Send_Error(const Json& id, int code, const std::string& message) {
  send_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void Dispatcher::Handle(std::string_view body) {
  if (state_ == State::Exited) return;
  Json message = Json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    log_("kestrix-lsp: a message that is no JSON");
    Send_Error(nullptr, kParseError, "Parse error: the message is no JSON.");
    return;
  }
  const auto field = [&message](const char* name) {
    return message.is_object() && message.contains(name) ? message[name] : Json();
  };
  const Json id = field("id");
  const Json method = field("method");
  const bool id_valid = id.is_number_integer() || id.is_string();
  if (!message.is_object() || field("jsonrpc") != "2.0" || (!id.is_null() && !id_valid) ||
      (!method.is_null() && !method.is_string())) {
    Send_Error(id_valid ? id : Json(), kInvalidRequest, "Invalid request: not a JSON-RPC 2.0 message.");
    return;
  }
  if (method.is_null()) {
    if (id_valid && (message.contains("result") || message.contains("error"))) return;  // a response
    Send_Error(id_valid ? id : Json(), kInvalidRequest, "Invalid request: no method.");
    return;
  }
  if (message.contains("id") && id.is_null()) {
    Send_Error(nullptr, kInvalidRequest, "Invalid request: the id is null.");
    return;
  }
  if (id_valid)
    Handle_Request(id, method.get<std::string>(), field("params"));
  else
    Handle_Notification(method.get<std::string>(), field("params"));
}

void Dispatcher::Handle_Request(const Json& id, const std::string& method, const Json& params) {
  if (state_ == State::Starting && method != "initialize") {
    Send_Error(id, kServerNotInitialized, "The server is not initialized.");
    return;
  }
  if (state_ == State::ShutDown) {
    Send_Error(id, kInvalidRequest, "The server is shut down.");
    return;
  }
  if (state_ == State::Running && method == "initialize") {
    Send_Error(id, kInvalidRequest, "The server is initialized already.");
    return;
  }
  const auto handler = requests_.find(method);
  if (handler == requests_.end()) {
    Send_Error(id, kMethodNotFound, "Unknown method: " + method);
    return;
  }
  try {
    Json result = handler->second(params);
    if (method == "initialize") state_ = State::Running;
    if (method == "shutdown") state_ = State::ShutDown;
    send_({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
  } catch (const RpcError& error) {
    Send_Error(id, error.code(), error.what());
  } catch (const Json::exception& error) {
    Send_Error(id, kInvalidParams, std::string("Invalid params: ") + error.what());
  } catch (const std::exception& error) {
    log_("kestrix-lsp: " + method + " failed: " + error.what());
    Send_Error(id, kInternalError, std::string("Internal error: ") + error.what());
  }
}

void Dispatcher::Handle_Notification(const std::string& method, const Json& params) {
  if (method == "exit") {
    exit_status_ = state_ == State::ShutDown ? 0 : 1;
    state_ = State::Exited;
    return;
  }
  if (state_ != State::Running) return;
  const auto handler = notifications_.find(method);
  if (handler == notifications_.end()) {
    if (method.rfind("$/", 0) != 0) log_("kestrix-lsp: ignoring the notification " + method);
    return;
  }
  try {
    handler->second(params);
  } catch (const std::exception& error) {
    log_("kestrix-lsp: " + method + " failed: " + error.what());
  }
}

}  // namespace kx::lsp
