#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QTimer>
#include <memory>

#include "analysis/analysis.h"

namespace kx {

class CKestrixView;

// Keeps a script analysis of the editor's text at hand. The analysis runs
// on a worker thread kDelayMs after the last change of the text, one at a
// time; a result for a text that has changed since it was taken is dropped,
// never applied, and the text is analysed again.
class LiveAnalysis : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDelayMs = 300;

  explicit LiveAnalysis(CKestrixView& view);
  // Waits for a running analysis.
  ~LiveAnalysis() override;

  // The template entry whose limits the analysis applies; the text is analysed again.
  void Set_Template(const TemplateConfig& config);
  const TemplateConfig& template_config() const { return config_; }

  // The latest result applied; null before the first. Its positions are
  // those of the text at the time: they hold while Is_Current().
  const std::shared_ptr<const ScriptAnalysis>& latest() const { return latest_; }
  bool Is_Current() const { return latest_ && latest_generation_ == generation_; }
  // The analysis of the text as it is now: latest() when current, otherwise
  // made at once on this thread and applied.
  std::shared_ptr<const ScriptAnalysis> Current();
  // Analyses the text without waiting for the delay (a text just opened).
  void Analyse_Soon() { timer_.start(0); }

 signals:
  // latest() has changed.
  void Analysis_Ready();

 private:
  using Result = std::shared_ptr<const ScriptAnalysis>;

  void Text_Changed();
  void Start();
  void Finished();
  void Apply(Result result, quint64 generation);

  CKestrixView& view_;
  TemplateConfig config_;
  QTimer timer_;
  QFutureWatcher<Result> watcher_;
  quint64 generation_ = 1;  // of the text: one more at every change
  quint64 running_generation_ = 0;
  quint64 latest_generation_ = 0;
  Result latest_;
  bool applying_ = false;
};

}  // namespace kx
