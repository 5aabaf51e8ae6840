#include "lsp/server.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "lsp/features.h"

namespace kx::lsp {
namespace {

constexpr int kIncrementalSync = 2;

// A place of the protocol; numbers beyond an int are clamped, a place that
// is no place fails as invalid parameters.
LspPosition Position_Of(const Json& position) {
  const auto number = [&position](const char* name) {
    const Json& value = position.at(name);
    if (!value.is_number_integer()) throw RpcError(kInvalidParams, std::string("Invalid params: ") + name);
    if (value.is_number_unsigned())
      return static_cast<int>(std::min<std::uint64_t>(value.get<std::uint64_t>(), INT_MAX));
    return static_cast<int>(std::clamp<std::int64_t>(value.get<std::int64_t>(), INT_MIN, INT_MAX));
  };
  return {number("line"), number("character")};
}

const std::string& Uri_Of(const Json& params) {
  return params.at("textDocument").at("uri").get_ref<const std::string&>();
}

int Version_Of(const Json& params) {
  const Json& document = params.at("textDocument");
  const Json version = document.value("version", Json(0));
  return version.is_number_integer() ? static_cast<int>(version.get<std::int64_t>() & INT_MAX) : 0;
}

}  // namespace

LanguageServer::LanguageServer(std::filesystem::path program_directory, Dispatcher::Send send, Log log)
    : program_directory_(std::move(program_directory)),
      send_(std::move(send)),
      log_(std::move(log)),
      dispatcher_(send_, log_) {
  Register_Lifecycle();
  Register_Documents();
  Register_Features();
}

Json LanguageServer::Initialize(const Json& params) {
  if (params.is_object()) Read_Settings(params.value("initializationOptions", Json()), settings_);
  template_ = Load_Template(settings_, program_directory_, log_);
  return {{"capabilities",
           {{"positionEncoding", "utf-16"},
            {"textDocumentSync", {{"openClose", true}, {"change", kIncrementalSync}, {"save", true}}},
            {"completionProvider", {{"triggerCharacters", {","}}}},
            {"hoverProvider", true},
            {"definitionProvider", true},
            {"referencesProvider", true},
            {"documentSymbolProvider", true},
            {"semanticTokensProvider", {{"legend", Semantic_Tokens_Legend()}, {"full", true}}}}},
          {"serverInfo", {{"name", "kestrix-lsp"}, {"version", KX_VERSION}}}};
}

void LanguageServer::Configure() {
  template_ = Load_Template(settings_, program_directory_, log_);
  for (auto& [uri, document] : documents_.documents()) {
    document.analysed.reset();
    document.diagnostics_due = true;
  }
}

void LanguageServer::Register_Lifecycle() {
  dispatcher_.On_Request("initialize", [this](const Json& params) { return Initialize(params); });
  dispatcher_.On_Notification("initialized", [](const Json&) {});
  dispatcher_.On_Request("shutdown", [](const Json&) { return Json(); });
  dispatcher_.On_Notification("workspace/didChangeConfiguration", [this](const Json& params) {
    const Json settings = params.value("settings", Json());
    Read_Settings(settings, settings_);
    if (settings.is_object()) Read_Settings(settings.value("kestrix", Json()), settings_);
    Configure();
  });
}

void LanguageServer::Register_Documents() {
  dispatcher_.On_Notification("textDocument/didOpen", [this](const Json& params) {
    documents_.Open(Uri_Of(params), params.at("textDocument").at("text").get<std::string>(),
                    Version_Of(params));
  });
  dispatcher_.On_Notification("textDocument/didChange", [this](const Json& params) {
    std::vector<TextChange> changes;
    for (const Json& change : params.at("contentChanges")) {
      TextChange& added = changes.emplace_back();
      added.text = change.at("text").get<std::string>();
      if (change.contains("range"))
        added.range = {Position_Of(change["range"].at("start")), Position_Of(change["range"].at("end"))};
    }
    if (!documents_.Change(Uri_Of(params), Version_Of(params), changes))
      log_("kestrix-lsp: a change of a document that is not open: " + Uri_Of(params));
  });
  dispatcher_.On_Notification("textDocument/didSave", [this](const Json& params) {
    if (Document* document = documents_.Find(Uri_Of(params)); document != nullptr && params.contains("text"))
      documents_.Change(Uri_Of(params), document->version,
                        {{std::nullopt, params["text"].get<std::string>()}});
  });
  dispatcher_.On_Notification("textDocument/didClose", [this](const Json& params) {
    const std::string uri = Uri_Of(params);
    documents_.Close(uri);
    send_({{"jsonrpc", "2.0"},
           {"method", "textDocument/publishDiagnostics"},
           {"params", {{"uri", uri}, {"diagnostics", Json::array()}}}});
  });
}

void LanguageServer::Register_Features() {
  const auto on_place = [this](const char* method, auto feature) {
    dispatcher_.On_Request(method, [this, feature](const Json& params) {
      return feature(Analysed(Document_Of(params)), params, Position_Of(params.at("position")));
    });
  };
  on_place("textDocument/completion",
           [](const AnalysedText& text, const Json&, LspPosition place) { return Completion(text, place); });
  on_place("textDocument/hover",
           [](const AnalysedText& text, const Json&, LspPosition place) { return Hover(text, place); });
  on_place("textDocument/definition", [](const AnalysedText& text, const Json& params, LspPosition place) {
    return Definition(text, Uri_Of(params), place);
  });
  on_place("textDocument/references", [](const AnalysedText& text, const Json& params, LspPosition place) {
    const Json context = params.value("context", Json::object());
    return References(text, Uri_Of(params), place, context.value("includeDeclaration", false));
  });
  dispatcher_.On_Request("textDocument/documentSymbol", [this](const Json& params) {
    return Document_Symbols(Analysed(Document_Of(params)));
  });
  dispatcher_.On_Request("textDocument/semanticTokens/full", [this](const Json& params) {
    return Semantic_Tokens(Analysed(Document_Of(params)));
  });
}

Document& LanguageServer::Document_Of(const Json& params) {
  Document* document = documents_.Find(Uri_Of(params));
  if (document == nullptr) throw RpcError(kInvalidParams, "The document is not open: " + Uri_Of(params));
  return *document;
}

const AnalysedText& LanguageServer::Analysed(Document& document) {
  if (!document.analysed) document.analysed = std::make_unique<AnalysedText>(document.text, template_);
  return *document.analysed;
}

bool LanguageServer::Diagnostics_Due() const {
  if (dispatcher_.state() != Dispatcher::State::Running) return false;
  for (const auto& [uri, document] : documents_.documents())
    if (document.diagnostics_due) return true;
  return false;
}

void LanguageServer::Publish_Diagnostics() {
  if (dispatcher_.state() != Dispatcher::State::Running) return;
  for (auto& [uri, document] : documents_.documents()) {
    if (!document.diagnostics_due) continue;
    document.diagnostics_due = false;
    send_(
        {{"jsonrpc", "2.0"},
         {"method", "textDocument/publishDiagnostics"},
         {"params",
          {{"uri", uri}, {"version", document.version}, {"diagnostics", Diagnostics(Analysed(document))}}}});
  }
}

}  // namespace kx::lsp
