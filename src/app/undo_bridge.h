#pragma once
// Puts the document's edits on Qt's undo stack: each edit becomes one command whose undo and
// redo revert and apply it, with its name as the command text. The history is bounded by the
// memory its edits hold: past the bound the oldest steps give their data back and can no
// longer be undone.
#include "document/edit.h"

#include <QObject>
#include <QUndoCommand>

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>

class QUndoStack;

namespace trassel {

class SurveyDocument;

// One edit on the undo stack. The edit arrives applied, so the first redo (the one push
// makes) does nothing. Undo and redo take the document's road, so the pictures follow as after
// the command; a redraw that fails there is handed to `failed`, since the stack cannot carry
// an error out.
class EditCommand : public QUndoCommand {
public:
    using Failed = std::function<void(const std::exception_ptr&)>;
    EditCommand(SurveyDocument& doc, std::unique_ptr<Edit> edit, Failed failed);
    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

    std::size_t bytes() const { return edit_ ? edit_->bytes() : sizeof(*this); }
    // The step is past the memory bound: its data is gone and it cannot be undone.
    bool expired() const { return edit_ == nullptr; }
    void expire() { edit_.reset(); }

private:
    SurveyDocument* doc_;
    std::unique_ptr<Edit> edit_;
    Failed failed_;
    bool pushed_ = false;
};

// The document's edit sink in the window.
class UndoBridge : public QObject, public EditSink {
    Q_OBJECT
public:
    static constexpr std::size_t kDefaultBudget = std::size_t{512} << 20;

    // `failed` reports a redraw that failed after an undo or a redo.
    UndoBridge(SurveyDocument& doc, QUndoStack* stack, EditCommand::Failed failed, QObject* parent = nullptr);
    ~UndoBridge() override;

    void push(std::unique_ptr<Edit> applied) override;

    // Whether the step before the stack's index can still be undone.
    bool canUndo() const;
    bool canRedo() const;
    // Bytes held by the steps that can still be undone or redone.
    std::size_t historyBytes() const;
    void setBudget(std::size_t bytes) { budget_ = bytes; }

Q_SIGNALS:
    // The undo or redo possibility or the step names changed.
    void changed();

private:
    void enforceBudget();

    SurveyDocument* doc_;
    QUndoStack* stack_;
    EditCommand::Failed failed_;
    std::size_t budget_ = kDefaultBudget;
};

} // namespace trassel
