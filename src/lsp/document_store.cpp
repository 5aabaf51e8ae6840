#include "lsp/document_store.h"

#include <algorithm>

namespace kx::lsp {

void Apply_Change(std::string& text, const TextChange& change) {
  if (!change.range) {
    text = change.text;
    return;
  }
  const TextIndex index(text);
  std::size_t from = index.Offset_Of(change.range->first);
  std::size_t to = index.Offset_Of(change.range->second);
  if (to < from) std::swap(from, to);
  text.replace(from, to - from, change.text);
}

void DocumentStore::Open(const std::string& uri, std::string text, int version) {
  Document& document = documents_[uri];
  document.text = std::move(text);
  document.version = version;
  document.analysed.reset();
  document.diagnostics_due = true;
}

bool DocumentStore::Change(const std::string& uri, int version, const std::vector<TextChange>& changes) {
  Document* document = Find(uri);
  if (document == nullptr) return false;
  for (const TextChange& change : changes) Apply_Change(document->text, change);
  document->version = version;
  document->analysed.reset();
  document->diagnostics_due = true;
  return true;
}

Document* DocumentStore::Find(const std::string& uri) {
  const auto found = documents_.find(uri);
  return found == documents_.end() ? nullptr : &found->second;
}

}  // namespace kx::lsp
