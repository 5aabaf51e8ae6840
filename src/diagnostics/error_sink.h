#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kx {

// Receives the finished text of a diagnostic. An error sink ends the running
// operation after delivering by throwing BuildFailure with line 0; a notice
// sink only delivers.
class ErrorSink {
 public:
  virtual ~ErrorSink() = default;
  virtual void Deliver(const std::string& text) = 0;
};

// Delivers each line of a text as one entry, in order, to whoever receives
// the build log: an empty line becomes an empty entry, a line break at the
// very end adds none.
class ListSink final : public ErrorSink {
 public:
  using Receiver = std::function<void(const std::string& entry)>;

  explicit ListSink(bool ends_build, Receiver receiver = {})
      : ends_build_(ends_build), receiver_(std::move(receiver)) {}

  void Deliver(const std::string& text) override;

 private:
  bool ends_build_;
  Receiver receiver_;
};

// Appends each text unchanged to a log file, creating it when missing, and
// closes it again at once. A file that cannot be opened loses the text
// silently.
class LogFileSink final : public ErrorSink {
 public:
  LogFileSink(bool ends_build, std::filesystem::path path)
      : ends_build_(ends_build), path_(std::move(path)) {}

  void Set_Path(std::filesystem::path path) { path_ = std::move(path); }
  const std::filesystem::path& path() const { return path_; }
  void Deliver(const std::string& text) override;

 private:
  bool ends_build_;
  std::filesystem::path path_;
};

// Splits a text into list entries the way ListSink delivers them.
std::vector<std::string> Split_Entries(const std::string& text);

}  // namespace kx
