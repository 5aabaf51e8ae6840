// Writes the libFuzzer dictionary of the harnesses: the words of the script
// language and of the configuration file, every operation name of the
// catalogue, and the punctuation and openings that both formats use.
//
// Usage: make_dictionary OUTPUT
#include <cstdio>
#include <fstream>
#include <string>

#include "vmopcode/vmopcode.h"

namespace {

constexpr const char* kWords[] = {
    // script headers and values
    "objects", "positions", "variables", "text", "routine", "true", "false", "white", "green", "red",
    "[objects]", "[positions]", "[variables]", "[text]", "[routine,",
    // the configuration file
    "template", "list", "entry", "dll", "blank", "max", "count", "object", "step", "data", "array",
    "position", "name", "speed", "integer", "priority", "offset", "objective", "debug", "rows", "cols",
    "template list {", "template entry", "0x", "0X", ";", "{", "}",
    // tokens and their edges
    "//", "\"", "\\n", ",", ":", "<", ">", "[", "]", "-", "\t", "\r\n", "4294967295", "4294967296",
    "2147483648", "-2147483648", "65535", "70000"};

// A dictionary entry: the text in double quotes, with \xNN for quotes, backslashes and bytes outside ASCII.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (unsigned char c : text) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    quoted += c == '"' || c == '\\' || c < 0x20 || c >= 0x7F ? std::string(hex)
                                                             : std::string(1, static_cast<char>(c));
  }
  return quoted + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_dictionary OUTPUT\n");
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << "# The words of Kestrix scripts and configuration files. Made by make_dictionary.\n";
  for (const char* word : kWords) out << Quoted(word) << '\n';
  for (const kx::OpcodeDefinition& opcode : kx::kOpcodeTable) out << Quoted(opcode.name) << '\n';
  out.close();
  return out ? 0 : 1;
}
