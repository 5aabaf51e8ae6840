// The built kestrix-lsp on pipes: scripted messages and the exact answers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "lsp/message_stream.h"
#include "util/testing.h"

namespace kx::lsp {
namespace {

using Json = nlohmann::json;

// kestrix-lsp with its standard input and output on pipes and its log in a file.
class ServerProcess {
 public:
  explicit ServerProcess(const std::filesystem::path& log) {
    int in[2], out[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    char* argv[] = {const_cast<char*>(KESTRIX_LSP_PATH), nullptr};
    EXPECT_EQ(posix_spawn(&pid_, KESTRIX_LSP_PATH, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~ServerProcess() {
    if (to_ >= 0) close(to_);
    close(from_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }

  void Send(const std::string& bytes) {
    ASSERT_EQ(write(to_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // The next message, or null when none comes within five seconds.
  Json Receive() {
    for (;;) {
      if (auto body = reader_.Next()) return Json::parse(*body);
      pollfd ready{from_, POLLIN, 0};
      char buffer[65536];
      const ssize_t count = poll(&ready, 1, 5000) == 1 ? read(from_, buffer, sizeof buffer) : 0;
      if (count <= 0) return nullptr;
      reader_.Append(std::string_view(buffer, static_cast<std::size_t>(count)));
    }
  }

  // Closes the input; the exit status and whether anything was left to read.
  std::pair<int, bool> Finish() {
    close(to_);
    to_ = -1;
    int status = -1;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    char byte;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(from_, &byte, 1) > 0};
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1, from_ = -1;
  MessageReader reader_{[](const std::string&) {}};
};

struct Exchange {
  std::string send;    // a JSON message, framed here; raw bytes when it does not start with "{"
  std::string expect;  // the messages that answer it, as a JSON array
};

std::string Replaced(std::string text, const std::string& mark, const std::string& by) {
  for (std::size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, mark.size(), by);
  return text;
}

void Run_Session(const std::vector<Exchange>& exchanges, int status, const std::string& log_holds) {
  testing::TempDir dir;
  ServerProcess server(dir.path() / "log");
  for (const Exchange& exchange : exchanges) {
    SCOPED_TRACE(exchange.send.substr(0, 120));
    std::string send = Replaced(exchange.send, "@CONF", KX_TEMPLATES_DIR "/Kestrix.conf");
    if (send.starts_with("{")) send = "Content-Length: " + std::to_string(send.size()) + "\r\n\r\n" + send;
    server.Send(send);
    for (const Json& expected : Json::parse(exchange.expect)) EXPECT_EQ(server.Receive(), expected);
  }
  EXPECT_EQ(server.Finish(), std::make_pair(status, false));
  EXPECT_NE(testing::Read_File(dir.path() / "log").find(log_holds), std::string::npos);
}

const std::string kHead = R"({"jsonrpc":"2.0",)";
const std::string kPublish = kHead + R"("method":"textDocument/publishDiagnostics","params":)";
const std::string kA = R"("textDocument":{"uri":"file:///w/a.kxs"})";
const std::string kB = R"("textDocument":{"uri":"file:///w/b.kxs"})";

const std::string kInitialized =
    "[" + kHead + R"("id":2,"result":{"capabilities":{"positionEncoding":"utf-16",
          "textDocumentSync":{"openClose":true,"change":2,"save":true},
          "completionProvider":{"triggerCharacters":[","]},"hoverProvider":true,"definitionProvider":true,
          "referencesProvider":true,"documentSymbolProvider":true,"semanticTokensProvider":{"full":true,
          "legend":{"tokenTypes":["namespace","keyword","function","property","class","struct","variable","enum",
                    "number","string","regexp","enumMember","comment"],"tokenModifiers":["declaration"]}}},
        "serverInfo":{"name":"kestrix-lsp","version":")" KX_VERSION R"("}}}])";

TEST(KestrixLsp, AnswersAScriptedSession) {
  std::string big = "[objects]\\n[positions]\\n[variables]\\n[text]\\n[routine,Main,1,true]\\n";
  while (big.size() < (1 << 20)) big += "// " + std::string(60, '.') + "\\n";
  const std::vector<Exchange> session = {
      {kHead + R"("id":1,"method":"textDocument/hover","params":{}})",
       "[" + kHead + R"("id":1,"error":{"code":-32002,"message":"The server is not initialized."}}])"},
      {kHead + R"("id":2,"method":"initialize","params":{"capabilities":{},)"
               R"("initializationOptions":{"config":"@CONF","template":"sample-small"}}})",
       kInitialized},
      {kHead + R"("method":"initialized","params":{}})", "[]"},
      {kHead +
           R"("method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///w/a.kxs","version":1,)"
           R"("languageId":"kxs","text":"[objects]\ntank <65>\n[positions]\n[variables]\n[text]\n)"
           R"([routine,Main,1,true]\ntop: Attack,tank,tank,1\n Audio,\"é😀\" Wait,x\n JumpTo,top\n"}}})",
       "[" + kPublish + R"({"uri":"file:///w/a.kxs","version":1,"diagnostics":[{"range":{"start":{"line":1,
          "character":6},"end":{"line":1,"character":8}},"severity":1,"source":"kestrix",
          "message":"The object count exceeds the limit of 64 objects set for the target template DLL output file."}]}}])"},
      // Another template entry: every open document is checked again.
      {kHead +
           R"("method":"workspace/didChangeConfiguration","params":{"settings":{"kestrix":{"template":"sample"}}}})",
       "[" + kPublish + R"({"uri":"file:///w/a.kxs","version":1,"diagnostics":[{"range":{"start":{"line":7,
          "character":18},"end":{"line":7,"character":19}},"severity":1,"source":"kestrix",
          "message":"Found a literal when expecting an integer, or '-'."}]}}])"},
      {kHead +
           R"("method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///w/a.kxs","version":2},)"
           R"("contentChanges":[{"range":{"start":{"line":7,"character":18},"end":{"line":7,"character":19}},)"
           R"("text":"5"}]}})",
       "[" + kPublish + R"({"uri":"file:///w/a.kxs","version":2,"diagnostics":[]}}])"},
      {kHead + R"("id":3,"method":"textDocument/completion","params":{)" + kA +
           R"(,"position":{"line":6,"character":12}}})",
       "[" + kHead + R"("id":3,"result":[{"label":"tank","kind":7,"detail":"object <65>"}]}])"},
      {kHead + R"("id":4,"method":"textDocument/hover","params":{)" + kA +
           R"(,"position":{"line":6,"character":6}}})",
       "[" + kHead +
           R"("id":4,"result":{"contents":{"kind":"plaintext","value":"Attack,Object,Object,Integer"},
          "range":{"start":{"line":6,"character":5},"end":{"line":6,"character":11}}}}])"},
      {kHead + R"("id":5,"method":"textDocument/hover","params":{)" + kA +
           R"(,"position":{"line":8,"character":9}}})",
       "[" + kHead +
           R"("id":5,"result":{"contents":{"kind":"plaintext","value":"label top of routine Main, line 7"},
          "range":{"start":{"line":8,"character":8},"end":{"line":8,"character":11}}}}])"},
      {kHead + R"("id":6,"method":"textDocument/definition","params":{)" + kA +
           R"(,"position":{"line":8,"character":11}}})",
       "[" + kHead + R"("id":6,"result":{"uri":"file:///w/a.kxs","range":{"start":{"line":6,"character":0},
          "end":{"line":6,"character":3}}}}])"},
      {kHead + R"("id":7,"method":"textDocument/references","params":{)" + kA +
           R"(,"position":{"line":6,"character":13},"context":{"includeDeclaration":false}}})",
       "[" + kHead + R"("id":7,"result":[
          {"uri":"file:///w/a.kxs","range":{"start":{"line":6,"character":12},"end":{"line":6,"character":16}}},
          {"uri":"file:///w/a.kxs","range":{"start":{"line":6,"character":17},"end":{"line":6,"character":21}}}]}])"},
      {kHead + R"("id":8,"method":"textDocument/documentSymbol","params":{)" + kA + "}}",
       "[" + kHead + R"("id":8,"result":[
          {"name":"objects","kind":3,"range":{"start":{"line":0,"character":0},"end":{"line":1,"character":9}},
           "selectionRange":{"start":{"line":0,"character":1},"end":{"line":0,"character":8}},"children":[
             {"name":"tank","kind":19,"detail":"<65>","range":{"start":{"line":1,"character":0},
              "end":{"line":1,"character":4}},"selectionRange":{"start":{"line":1,"character":0},
              "end":{"line":1,"character":4}}}]},
          {"name":"positions","kind":3,"range":{"start":{"line":2,"character":0},"end":{"line":2,"character":11}},
           "selectionRange":{"start":{"line":2,"character":1},"end":{"line":2,"character":10}},"children":[]},
          {"name":"variables","kind":3,"range":{"start":{"line":3,"character":0},"end":{"line":3,"character":11}},
           "selectionRange":{"start":{"line":3,"character":1},"end":{"line":3,"character":10}},"children":[]},
          {"name":"text","kind":3,"range":{"start":{"line":4,"character":0},"end":{"line":4,"character":6}},
           "selectionRange":{"start":{"line":4,"character":1},"end":{"line":4,"character":5}},"children":[]},
          {"name":"Main","kind":12,"detail":"speed 1, priority true, debug false",
           "range":{"start":{"line":5,"character":0},"end":{"line":8,"character":11}},
           "selectionRange":{"start":{"line":5,"character":9},"end":{"line":5,"character":13}},"children":[
             {"name":"top","kind":20,"range":{"start":{"line":6,"character":0},"end":{"line":6,"character":3}},
              "selectionRange":{"start":{"line":6,"character":0},"end":{"line":6,"character":3}}}]}]}])"},
      // A lone carriage return ends a line for the client alone: the string is cut there.
      {kHead +
           R"("method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///w/b.kxs","version":3,)"
           R"("languageId":"kxs","text":"[objects]\ntank // é😀\n[positions]\n[variables]\n[text]\nt,\"a\rb\"\n"}}})",
       "[" + kPublish + R"({"uri":"file:///w/b.kxs","version":3,"diagnostics":[
          {"range":{"start":{"line":6,"character":1},"end":{"line":6,"character":2}},"severity":1,"source":"kestrix",
           "message":"Found an end of file when expecting a literal, or '['."},
          {"range":{"start":{"line":1,"character":0},"end":{"line":1,"character":4}},"severity":2,"source":"kestrix",
           "message":"The object 'tank' is never used."},
          {"range":{"start":{"line":5,"character":0},"end":{"line":5,"character":1}},"severity":2,"source":"kestrix",
           "message":"The text 't' is never used."}]}}])"},
      {kHead + R"("id":9,"method":"textDocument/semanticTokens/full","params":{)" + kB + "}}",
       "[" + kHead + R"("id":9,"result":{"data":[0,0,1,0,0, 0,1,7,0,0, 0,7,1,0,0, 1,0,4,4,1, 0,5,6,12,0,
          1,0,1,0,0, 0,1,9,0,0, 0,9,1,0,0, 1,0,1,0,0, 0,1,9,0,0, 0,9,1,0,0, 1,0,1,0,0, 0,1,4,0,0, 0,4,1,0,0,
          1,0,1,7,1, 0,2,2,9,0, 1,0,2,9,0]}}])"},
      {kHead + R"("method":"textDocument/didClose","params":{)" + kB + "}}",
       "[" + kPublish + R"({"uri":"file:///w/b.kxs","diagnostics":[]}}])"},
      // Faults.
      {kHead + R"("id":10,"method":"textDocument/hover","params":{)" + kA +
           R"(,"position":{"line":999,"character":999}}})",
       "[" + kHead + R"("id":10,"result":null}])"},
      {"{bad json",
       "[" + kHead +
           R"("id":null,"error":{"code":-32700,"message":"Parse error: the message is no JSON."}}])"},
      {kHead + R"("id":11,"params":{}})",
       "[" + kHead + R"("id":11,"error":{"code":-32600,"message":"Invalid request: no method."}}])"},
      {kHead + R"("id":12,"method":"kestrix/unknown"})",
       "[" + kHead + R"("id":12,"error":{"code":-32601,"message":"Unknown method: kestrix/unknown"}}])"},
      {kHead + R"("method":"kestrix/unknown"})", "[]"},
      {"Content-Type: x\r\n\r\n" + kHead + R"("id":13,"method":"shutdown"})", "[]"},
      {"Content-Length: nine\r\n\r\n" + kHead + R"("id":14,"method":"shutdown"})", "[]"},
      {kHead +
           R"("method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///w/big.kxs","version":1,)"
           R"("languageId":"kxs","text":")" +
           big + "\"}}}",
       "[" + kPublish + R"({"uri":"file:///w/big.kxs","version":1,"diagnostics":[]}}])"},
      {kHead + R"("id":15,"method":"shutdown"})", "[" + kHead + R"("id":15,"result":null}])"},
      {kHead + R"("id":16,"method":"textDocument/hover","params":{)" + kA +
           R"(,"position":{"line":0,"character":0}}})",
       "[" + kHead + R"("id":16,"error":{"code":-32600,"message":"The server is shut down."}}])"},
      {kHead + R"("method":"exit"})", "[]"},
  };
  Run_Session(session, 0,
              "a message without a valid Content-Length header; skipping to the next Content-Length header");
}

TEST(KestrixLsp, ExitsWithOneWithoutShutdown) {
  Run_Session(
      {{kHead +
            R"("id":2,"method":"initialize","params":{"initializationOptions":{"config":"/nowhere/Kestrix.conf"}}})",
        kInitialized},
       {kHead + R"("method":"exit"})", "[]"}},
      1,
      "kestrix-lsp: cannot read the configuration /nowhere/Kestrix.conf; scripts are checked without limits");
}

}  // namespace
}  // namespace kx::lsp
