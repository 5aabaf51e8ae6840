#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "lsp/document_store.h"

namespace kx::lsp {

// The answers of the protocol's features over one analysed text, in the
// protocol's JSON; places arrive and leave as protocol places.

// The range of the bytes text[from, to).
nlohmann::json Range_Of(const TextIndex& index, std::size_t from, std::size_t to);
// The range of `length` bytes at a script place.
nlohmann::json Script_Range(const TextIndex& index, int line, int column, int length);

// The failure a build would report and the warnings, as Diagnostic[]: the
// build log's message, severity 1 (error) or 2 (warning), source "kestrix".
// A failure tied to no place of the script stands at the start of the text.
nlohmann::json Diagnostics(const AnalysedText& text);

// CompletionItem[]: operation names, each with its synopsis as detail, where
// a step may start or on an operation's name; in an operand slot, what the
// slot's kind takes (the labels of the routine the slot names, routines,
// objects, positions, variables, texts, true and false, the colours).
nlohmann::json Completion(const AnalysedText& text, LspPosition position);

// Hover on an operation (its synopsis) or on a name (its kind, name, defining
// line and detail); null elsewhere.
nlohmann::json Hover(const AnalysedText& text, LspPosition position);

// The Location of the declaration of the routine, label or symbol at the
// place; null elsewhere.
nlohmann::json Definition(const AnalysedText& text, const std::string& uri, LspPosition position);
// Location[] of every name of the same routine, label or symbol, in text
// order; the declaration only when `include_declaration`.
nlohmann::json References(const AnalysedText& text, const std::string& uri, LspPosition position,
                          bool include_declaration);

// DocumentSymbol[]: each data section with its symbols, each routine with its
// labels, in text order.
nlohmann::json Document_Symbols(const AnalysedText& text);

// The legend of Semantic_Tokens: standard token types and one modifier,
// "declaration".
nlohmann::json Semantic_Tokens_Legend();
// SemanticTokens of the analysis' tokens, relative encoding, a token that
// runs over a protocol line end cut at it. Names left open, punctuation and
// refused characters have no token.
nlohmann::json Semantic_Tokens(const AnalysedText& text);

}  // namespace kx::lsp
