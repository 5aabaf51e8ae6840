#pragma once

#include <filesystem>
#include <string_view>

#include "lsp/configuration.h"
#include "lsp/dispatcher.h"
#include "lsp/document_store.h"

namespace kx::lsp {

// The language server without its input and output: it takes message bodies
// and hands its messages to `send`. Documents are analysed when a request
// needs them or when their diagnostics are published; the caller publishes
// (Publish_Diagnostics) when the client has paused, so that a burst of
// changes is analysed once.
class LanguageServer {
 public:
  // `program_directory` is where the companion files are looked for.
  LanguageServer(std::filesystem::path program_directory, Dispatcher::Send send, Log log);

  LanguageServer(const LanguageServer&) = delete;
  LanguageServer& operator=(const LanguageServer&) = delete;

  void Handle(std::string_view body) { dispatcher_.Handle(body); }

  // True when a document has changed since its diagnostics were published.
  bool Diagnostics_Due() const;
  // Analyses every such document and publishes its diagnostics.
  void Publish_Diagnostics();

  const Dispatcher& dispatcher() const { return dispatcher_; }

 private:
  void Register_Lifecycle();
  void Register_Documents();
  void Register_Features();

  Json Initialize(const Json& params);
  void Configure();
  // The open document of params.textDocument.uri; an error for one that is not open.
  Document& Document_Of(const Json& params);
  const AnalysedText& Analysed(Document& document);

  std::filesystem::path program_directory_;
  Dispatcher::Send send_;
  Log log_;
  Dispatcher dispatcher_;
  Settings settings_;
  TemplateConfig template_;
  DocumentStore documents_;
};

}  // namespace kx::lsp
