#include "app/undo_bridge.h"

#include "document/survey_document.h"

#include <QUndoStack>

namespace trassel {

EditCommand::EditCommand(SurveyDocument& doc, std::unique_ptr<Edit> edit, Failed failed)
    : doc_(&doc), edit_(std::move(edit)), failed_(std::move(failed))
{
    setText(QString::fromStdString(edit_->text()));
}

void EditCommand::undo()
{
    if (!edit_)
        return;
    try {
        doc_->undo(*edit_);
    } catch (...) {
        if (failed_)
            failed_(std::current_exception());
    }
}

void EditCommand::redo()
{
    if (!pushed_) {
        pushed_ = true; // the document applied the edit before it reached the stack
        return;
    }
    if (!edit_)
        return;
    try {
        doc_->redo(*edit_);
    } catch (...) {
        if (failed_)
            failed_(std::current_exception());
    }
}

int EditCommand::id() const { return edit_ ? edit_->mergeKey() : -1; }

bool EditCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = dynamic_cast<const EditCommand*>(other);
    if (next == nullptr || !edit_ || !next->edit_)
        return false;
    return edit_->mergeWith(*next->edit_);
}

UndoBridge::UndoBridge(SurveyDocument& doc, QUndoStack* stack, EditCommand::Failed failed, QObject* parent)
    : QObject(parent), doc_(&doc), stack_(stack), failed_(std::move(failed))
{
    doc_->setEditSink(this);
    connect(stack_, &QUndoStack::indexChanged, this, &UndoBridge::changed);
    connect(stack_, &QUndoStack::undoTextChanged, this, &UndoBridge::changed);
    connect(stack_, &QUndoStack::redoTextChanged, this, &UndoBridge::changed);
}

UndoBridge::~UndoBridge() { doc_->setEditSink(nullptr); }

void UndoBridge::push(std::unique_ptr<Edit> applied)
{
    stack_->push(new EditCommand(*doc_, std::move(applied), failed_));
    enforceBudget();
    Q_EMIT changed();
}

bool UndoBridge::canUndo() const
{
    if (!stack_->canUndo())
        return false;
    const auto* command = dynamic_cast<const EditCommand*>(stack_->command(stack_->index() - 1));
    return command == nullptr || !command->expired();
}

bool UndoBridge::canRedo() const { return stack_->canRedo(); }

std::size_t UndoBridge::historyBytes() const
{
    std::size_t total = 0;
    for (int i = 0; i < stack_->count(); ++i)
        if (const auto* command = dynamic_cast<const EditCommand*>(stack_->command(i)))
            total += command->bytes();
    return total;
}

void UndoBridge::enforceBudget()
{
    std::size_t total = historyBytes();
    // The stack owns its commands and offers them read-only; giving back an old step's data
    // changes nothing the stack relies on.
    for (int i = 0; i < stack_->index() && total > budget_; ++i) {
        auto* command = const_cast<EditCommand*>(dynamic_cast<const EditCommand*>(stack_->command(i)));
        if (command == nullptr || command->expired())
            continue;
        const std::size_t before = command->bytes();
        command->expire();
        total -= before - command->bytes();
    }
}

} // namespace trassel
