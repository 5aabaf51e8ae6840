// make_operations_page: writes the operations reference operations.htm from
// the opcode catalogue, so the help pane always matches the catalogue. One
// anchor per operation, named exactly like it, with its synopsis, its code
// and a sentence per operand.
//
// Usage: make_operations_page OUTPUT
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "diagnostics/error_context.h"
#include "diagnostics/error_sink.h"
#include "util/atomic_file.h"
#include "vmopcode/vmopcode.h"

namespace kx {
namespace {

// What an operand of a slot accepts.
std::string Operand_Sentence(const OperandSlot& slot) {
  if (slot.zero_ends) return "An integer; when it is 0 the step ends there and the operands after it are not written.";
  if (slot.optional && slot.kind == OperandKind::Integer) return "An integer; it may be left out, which stands for 0.";
  if (slot.optional && slot.kind == OperandKind::Boolean) return "True or false; it may be left out, which stands for false.";
  std::string sentence;
  switch (slot.kind) {
    case OperandKind::Object:
      sentence = "The name of an object of the [objects] section";
      break;
    case OperandKind::String:
      sentence = "A string between double quotes, taken as written";
      break;
    case OperandKind::TextName:
      sentence = "The name of a text of the [text] section";
      break;
    case OperandKind::Variable:
      sentence = "The name of a variable of the [variables] section";
      break;
    case OperandKind::Routine:
      sentence = "The name of a routine of the script";
      break;
    case OperandKind::Position:
      sentence = "The name of a position of the [positions] section";
      break;
    case OperandKind::Label:
      sentence = "A location label of the same routine";
      break;
    case OperandKind::Integer:
      sentence = "An integer, with a minus sign where it is negative";
      break;
    case OperandKind::Boolean:
      sentence = "True or false";
      break;
    case OperandKind::Number:
      sentence = "True, false or an integer without a minus sign";
      break;
    case OperandKind::Color:
      sentence = "A colour: white, green or red";
      break;
  }
  return sentence + (slot.optional ? "; it may be left out." : ".");
}

std::string Escape_Html(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string Operation_Entry(VMOpcode& catalogue, const OpcodeRecord& record) {
  const std::string name = Escape_Html(record.name);
  std::string entry = "<h2><a name=\"" + name + "\" id=\"" + name + "\"></a>" + name + "</h2>\n";
  entry += "<p><code>" + Escape_Html(catalogue.Synopsis_Of(record)) + "</code></p>\n";
  entry += "<p>Code " + std::to_string(record.code) + ".";
  if (record.operand_types[0] == 0) entry += " It takes no operands.";
  entry += "</p>\n";
  if (record.operand_types[0] != 0) {
    entry += "<ol>\n";
    for (VMOpcode_Operand_Type type : record.operand_types) {
      if (type == 0) break;
      const std::optional<OperandSlot> slot = Decode_Operand_Type(type);
      entry += "<li>" + Escape_Html(slot ? Operand_Sentence(*slot) : "") + "</li>\n";
    }
    entry += "</ol>\n";
  }
  return entry;
}

std::string Operations_Page(VMOpcode& catalogue) {
  std::string index;
  std::string entries;
  SearchTree<OpcodeRecord>& by_name = catalogue.by_name();
  for (const OpcodeRecord* record = by_name.First(); record != nullptr; record = by_name.Next(*record)) {
    const std::string name = Escape_Html(record->name);
    index += (index.empty() ? "" : " ") + std::string("<a href=\"#") + name + "\">" + name + "</a>";
    entries += Operation_Entry(catalogue, *record);
  }
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Kestrix operations</title>\n"
         "</head>\n<body>\n<h1>Kestrix operations</h1>\n"
         "<p>A step of a routine is an operation followed by its operands, each after a comma: "
         "<code>Wait,5</code>. Operands in braces may be left out, and the two forms of a step whose "
         "operand list ends at a 0 are joined by \"or\". Operation names may be written in any letter "
         "case.</p>\n<p>" +
         index + "</p>\n" + entries + "</body>\n</html>\n";
}

bool Write_Page(const std::string& page, const char* path) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  AtomicFile file;
  if (!file.Open(path) || std::fwrite(page.data(), 1, page.size(), file.get()) != page.size() ||
      !file.Commit()) {
    std::fprintf(stderr, "make_operations_page: cannot write %s: %s\n", path, std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace
}  // namespace kx

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_operations_page OUTPUT\n");
    return 2;
  }
  kx::ErrorContext errors(kx::kConfigurationLogWidth,
                          std::make_unique<kx::ListSink>(true, [](const std::string& entry) {
                            std::fprintf(stderr, "%s\n", entry.c_str());
                          }));
  try {
    kx::VMOpcode catalogue(errors);
    return kx::Write_Page(kx::Operations_Page(catalogue), argv[1]) ? 0 : 1;
  } catch (const kx::BuildFailure&) {
    return 1;
  }
}
