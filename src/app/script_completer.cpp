#include "app/script_completer.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTextBlock>
#include <QTreeView>
#include <algorithm>
#include <memory>

#include "app/build_objects.h"
#include "app/kestrix_view.h"
#include "app/live_analysis.h"

namespace kx {
namespace {

// How far above the caret the header of its routine is looked for.
constexpr int kMaxRoutineLines = 5000;

bool Is_Name_Part(QChar c) { return c == '_' || (c.unicode() < 128 && c.isLetterOrNumber()); }

ScriptCompleter::Candidate Symbol_Candidate(const ScriptSymbol& symbol) {
  const QString detail = QString::fromLatin1(symbol.detail);
  return {QString::fromLatin1(symbol.name),
          QString(Symbol_Kind_Word(symbol.kind)) + (detail.isEmpty() ? QString() : " " + detail)};
}

// The editor's lines from `first` to the caret of `cursor`, as file bytes.
std::string Bytes_To_Caret(const QTextBlock& first, const QTextCursor& cursor) {
  QString text;
  for (QTextBlock block = first; block.isValid(); block = block.next()) {
    if (block == cursor.block()) {
      text += block.text().left(cursor.positionInBlock());
      break;
    }
    text += block.text() + '\n';
  }
  text.replace(CKestrixView::kLoneCarriageReturn, '\r');
  return text.toLatin1().toStdString();
}

}  // namespace

ScriptCompleter::ScriptCompleter(CKestrixView& view, LiveAnalysis& analysis)
    : QObject(&view), view_(view), analysis_(analysis) {
  completer_.setWidget(&view);
  completer_.setModel(&model_);
  completer_.setCompletionMode(QCompleter::PopupCompletion);
  completer_.setCaseSensitivity(Qt::CaseInsensitive);
  completer_.setModelSorting(QCompleter::CaseInsensitivelySortedModel);
  completer_.setMaxVisibleItems(12);
  // The completer owns its list; Qt's interface takes it as a plain pointer.
  auto list = std::make_unique<QTreeView>();
  list->setObjectName("completionList");
  list->setHeaderHidden(true);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  completer_.setPopup(list.release());
  connect(&completer_, qOverload<const QModelIndex&>(&QCompleter::activated), this,
          [this](const QModelIndex& index) { Insert(index.sibling(index.row(), 0).data().toString()); });
}

ScriptCompleter::~ScriptCompleter() {
  completer_.popup()->setFocusProxy(nullptr);
  completer_.setWidget(nullptr);
}

std::vector<ScriptCompleter::Candidate> ScriptCompleter::Candidates() const {
  // The caret's routine, from its header down to the caret, read on its own
  // behind four empty data sections: it tells what the caret stands in.
  const QTextCursor cursor = view_.textCursor();
  QTextBlock header = cursor.block();
  for (int lines = 0; header.isValid() && lines < kMaxRoutineLines; header = header.previous(), ++lines) {
    const QString text = header.text().trimmed();
    if (!text.startsWith('[')) continue;
    if (!text.mid(1).trimmed().startsWith("routine", Qt::CaseInsensitive)) return {};
    break;
  }
  if (!header.isValid() || !header.text().trimmed().startsWith('[')) return {};
  // The routines of the latest analysis that the caret's line names follow
  // as empty ones, so that a routine operand before a label slot names one.
  const std::shared_ptr<const ScriptAnalysis> latest = analysis_.latest();
  const QString line = cursor.block().text();
  std::string routines;
  if (latest)
    for (const ScriptSymbol& symbol : latest->symbols())
      if (symbol.kind == SymbolKind::Routine && line.contains(QString::fromLatin1(symbol.name)))
        routines += "\n[routine," + symbol.name + ",0,false]";
  const ScriptAnalysis local = Analyse_Script(
      "[objects]\n[positions]\n[variables]\n[text]\n" + Bytes_To_Caret(header, cursor) + routines,
      Unlimited_Template());
  const PositionContext context =
      local.Context_At(5 + cursor.blockNumber() - header.blockNumber(), cursor.positionInBlock() + 1);

  std::vector<Candidate> candidates;
  // The symbols of `kind` of the latest analysis and of the routine read here
  // (which may be newer); labels only of the routine named `routine`.
  const auto add_symbols = [&](SymbolKind kind, const std::string& routine = {}) {
    for (const ScriptAnalysis* analysis : {latest.get(), &local}) {
      if (analysis == nullptr) continue;
      const std::vector<ScriptSymbol>& symbols = analysis->symbols();
      for (const ScriptSymbol& symbol : symbols) {
        if (symbol.kind != kind) continue;
        if (kind == SymbolKind::Label &&
            (symbol.routine < 0 || symbols[static_cast<std::size_t>(symbol.routine)].name != routine))
          continue;
        candidates.push_back(Symbol_Candidate(symbol));
      }
    }
  };
  const auto add_words = [&](OperandKind kind) {
    for (const char* word : Constant_Words_For(kind))
      candidates.push_back({word, kind == OperandKind::Color ? "colour" : "boolean"});
  };

  if (context.where == PositionContext::Where::StepStart ||
      context.where == PositionContext::Where::Operation) {
    for (const OpcodeDefinition& operation : kOpcodeTable)
      candidates.push_back({QString::fromLatin1(operation.name),
                            QString::fromLatin1(g_OperationCatalogue.Operand_Synopsis(operation.name))});
  } else if (context.where == PositionContext::Where::Operand && context.expected) {
    const OperandKind kind = context.expected->kind;
    if (kind == OperandKind::Label && context.label_routine >= 0)
      add_symbols(SymbolKind::Label, local.symbols()[static_cast<std::size_t>(context.label_routine)].name);
    else if (const std::optional<SymbolKind> symbols = Symbol_Kind_For(kind);
             symbols && kind != OperandKind::Label)
      add_symbols(*symbols);
    add_words(kind);
  }
  std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
  });
  // A name once, as the latest analysis describes it.
  candidates.erase(std::unique(candidates.begin(), candidates.end(),
                               [](const Candidate& a, const Candidate& b) { return a.name == b.name; }),
                   candidates.end());
  return candidates;
}

QString ScriptCompleter::Word_Before_Caret() const {
  const QTextCursor cursor = view_.textCursor();
  const QString text = cursor.block().text();
  int start = cursor.positionInBlock();
  while (start > 0 && Is_Name_Part(text.at(start - 1))) --start;
  if (start < text.size() && text.at(start).isDigit()) return QString();
  return text.mid(start, cursor.positionInBlock() - start);
}

bool ScriptCompleter::Is_Open() const { return completer_.popup()->isVisible(); }

void ScriptCompleter::Open(bool typed) {
  const QString prefix = Word_Before_Caret();
  if (typed && prefix.size() != 1) return;
  const std::vector<Candidate> candidates = Candidates();
  if (candidates.empty()) {
    completer_.popup()->hide();
    return;
  }
  model_.clear();
  QColor faint = view_.palette().color(QPalette::Text);
  faint.setAlphaF(0.6f);
  for (const Candidate& candidate : candidates) {
    auto name = std::make_unique<QStandardItem>(candidate.name);
    auto detail = std::make_unique<QStandardItem>(candidate.detail);
    detail->setForeground(faint);
    // The model owns its items; Qt's interface takes them as plain pointers.
    model_.appendRow({name.release(), detail.release()});
  }
  completer_.setCompletionPrefix(prefix);
  if (completer_.completionCount() == 0) {
    completer_.popup()->hide();
    return;
  }
  auto* list = static_cast<QTreeView*>(completer_.popup());
  list->setCurrentIndex(completer_.completionModel()->index(0, 0));
  const int name_width = completer_.popup()->sizeHintForColumn(0) + 16;
  list->setColumnWidth(0, name_width);
  QRect place = view_.cursorRect();
  place.translate(view_.viewport()->pos());
  place.setWidth(name_width + completer_.popup()->sizeHintForColumn(1) +
                 list->verticalScrollBar()->sizeHint().width() + 8);
  completer_.complete(place);
}

void ScriptCompleter::After_Key(const QString& typed) {
  if (!Is_Open()) {
    if (typed.size() == 1 && Is_Name_Part(typed.at(0))) Open(true);
    return;
  }
  const QString prefix = Word_Before_Caret();
  if (prefix.isEmpty()) {
    completer_.popup()->hide();
    return;
  }
  completer_.setCompletionPrefix(prefix);
  if (completer_.completionCount() == 0) {
    completer_.popup()->hide();
    return;
  }
  completer_.popup()->setCurrentIndex(completer_.completionModel()->index(0, 0));
}

void ScriptCompleter::Insert(const QString& name) {
  QTextCursor cursor = view_.textCursor();
  const QString text = cursor.block().text();
  int start = cursor.positionInBlock();
  int end = start;
  while (start > 0 && Is_Name_Part(text.at(start - 1))) --start;
  while (end < text.size() && Is_Name_Part(text.at(end))) ++end;
  cursor.setPosition(cursor.block().position() + start);
  cursor.setPosition(cursor.block().position() + end, QTextCursor::KeepAnchor);
  if (!view_.Fits(cursor, name)) return;
  view_.Insert_Text(cursor, name);
  view_.setTextCursor(cursor);
}

}  // namespace kx
