#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "lsp/text_positions.h"

namespace kx::lsp {

// A text as analysed, with the index of its places. Made in place and never
// moved: the index views the analysis' copy of the text.
class AnalysedText {
 public:
  AnalysedText(std::string_view text, const TemplateConfig& config)
      : analysis(Analyse_Script(text, config)), index(analysis.text()) {}
  AnalysedText(const AnalysedText&) = delete;
  AnalysedText& operator=(const AnalysedText&) = delete;

  const ScriptAnalysis analysis;
  const TextIndex index;
};

// One change of a document: the text that replaces a range (protocol
// places in the text as the earlier changes left it), or the whole text.
struct TextChange {
  std::optional<std::pair<LspPosition, LspPosition>> range;
  std::string text;
};

// An open document: the client's text and what the server made of it.
struct Document {
  std::string text;
  int version = 0;
  std::unique_ptr<AnalysedText> analysed;  // null until analysed, and after each change
  bool diagnostics_due = true;             // its diagnostics are to be published
};

// The documents the client has opened, by URI.
class DocumentStore {
 public:
  // Opens (or reopens) a document.
  void Open(const std::string& uri, std::string text, int version);
  // Applies changes in order; false for a document that is not open. A
  // range's places are clamped to the text, and a range whose end comes
  // before its start is taken from the end to the start.
  bool Change(const std::string& uri, int version, const std::vector<TextChange>& changes);
  void Close(const std::string& uri) { documents_.erase(uri); }

  // nullptr for a document that is not open.
  Document* Find(const std::string& uri);
  std::map<std::string, Document>& documents() { return documents_; }
  const std::map<std::string, Document>& documents() const { return documents_; }

 private:
  std::map<std::string, Document> documents_;
};

// Replaces the range of `change` (or everything) in `text`.
void Apply_Change(std::string& text, const TextChange& change);

}  // namespace kx::lsp
