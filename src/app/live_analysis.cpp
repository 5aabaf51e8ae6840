#include "app/live_analysis.h"

#include <QtConcurrent>

#include "app/kestrix_view.h"

namespace kx {

LiveAnalysis::LiveAnalysis(CKestrixView& view) : QObject(&view), view_(view), config_(Unlimited_Template()) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &LiveAnalysis::Start);
  connect(&watcher_, &QFutureWatcher<Result>::finished, this, &LiveAnalysis::Finished);
  connect(view.document(), &QTextDocument::contentsChange, this, &LiveAnalysis::Text_Changed);
  timer_.start(kDelayMs);
}

LiveAnalysis::~LiveAnalysis() { watcher_.waitForFinished(); }

void LiveAnalysis::Set_Template(const TemplateConfig& config) {
  config_ = config;
  Text_Changed();
}

void LiveAnalysis::Text_Changed() {
  if (applying_) return;
  ++generation_;
  timer_.start(kDelayMs);  // a change after Analyse_Soon waits again
}

void LiveAnalysis::Start() {
  // One analysis at a time: a change while one runs starts the next when it ends.
  if (watcher_.isRunning()) return;
  running_generation_ = generation_;
  const QByteArray bytes = view_.Stored_Bytes();
  watcher_.setFuture(QtConcurrent::run([text = bytes.toStdString(), config = config_]() -> Result {
    return std::make_shared<const ScriptAnalysis>(Analyse_Script(text, config));
  }));
}

void LiveAnalysis::Finished() {
  const quint64 generation = running_generation_;
  running_generation_ = 0;
  if (generation == generation_)
    Apply(watcher_.result(), generation);
  else if (!timer_.isActive() && !Is_Current())  // Current() may have caught up meanwhile
    Start();
}

std::shared_ptr<const ScriptAnalysis> LiveAnalysis::Current() {
  if (!Is_Current())
    Apply(std::make_shared<const ScriptAnalysis>(Analyse_Script(view_.Stored_Bytes().toStdString(), config_)),
          generation_);
  return latest_;
}

void LiveAnalysis::Apply(Result result, quint64 generation) {
  latest_ = std::move(result);
  latest_generation_ = generation;
  // What the result changes in the editor (formats, marks) is no change of the text.
  applying_ = true;
  emit Analysis_Ready();
  applying_ = false;
}

}  // namespace kx
