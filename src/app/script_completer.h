#pragma once

#include <QCompleter>
#include <QStandardItemModel>
#include <vector>

class QAbstractItemView;

namespace kx {

class CKestrixView;
class LiveAnalysis;

// Completion in the script editor. At the start of a step it offers the
// operation names with their synopses beside them; in an operand slot the
// names of the kind the catalogue expects there: the labels of the step's
// routine (or of the routine a routine operand before them names), routine
// names, objects, positions, variables, texts, true and false, the colours.
//
// What the caret stands in is read from the editor's text around it at
// once; the symbols come from the latest analysis, so typing never waits.
class ScriptCompleter : public QObject {
  Q_OBJECT

 public:
  struct Candidate {
    QString name;
    QString detail;  // the synopsis, or what the name is
  };

  ScriptCompleter(CKestrixView& view, LiveAnalysis& analysis);
  // Lets go of the editor first: the list would otherwise pass the editor's
  // focus on while the editor is being destroyed.
  ~ScriptCompleter() override;

  // The names that fit at the editor's caret, in name order (letter case aside).
  std::vector<Candidate> Candidates() const;
  // Opens the list at the caret, filtered by the word before it. Opened by
  // typing (`typed`), it opens only on the first letter of a word.
  void Open(bool typed);
  // After the editor has taken a key that typed `typed`: follows the word.
  void After_Key(const QString& typed);
  bool Is_Open() const;
  QAbstractItemView* popup() const { return completer_.popup(); }

 private:
  // The name characters before the caret, when they begin with a letter or an underscore.
  QString Word_Before_Caret() const;
  // Puts the chosen name in place of the word at the caret.
  void Insert(const QString& name);

  CKestrixView& view_;
  LiveAnalysis& analysis_;
  QStandardItemModel model_;
  QCompleter completer_;
};

}  // namespace kx
