#include "app/undo_bridge.h"

#include "document/survey_document.h"

#include <QUndoStack>

namespace trassel {

EditCommand::EditCommand(SurveyDocument& doc, std::unique_ptr<Edit> edit, FollowUp followUp)
    : doc_(&doc), edit_(std::move(edit)), followUp_(std::move(followUp))
{
    setText(QString::fromStdString(edit_->text()));
}

void EditCommand::undo()
{
    if (!edit_)
        return;
    edit_->revert(*doc_);
    if (followUp_)
        followUp_(edit_->follow());
}

void EditCommand::redo()
{
    if (!pushed_) {
        pushed_ = true;  // the document applied the edit before it reached the stack
        return;
    }
    if (!edit_)
        return;
    edit_->apply(*doc_);
    if (followUp_)
        followUp_(edit_->follow());
}

int EditCommand::id() const { return edit_ ? edit_->mergeKey() : -1; }

bool EditCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = dynamic_cast<const EditCommand*>(other);
    if (next == nullptr || !edit_ || !next->edit_)
        return false;
    return edit_->mergeWith(*next->edit_);
}

UndoBridge::UndoBridge(SurveyDocument& doc, QUndoStack* stack, EditCommand::FollowUp followUp, QObject* parent)
    : QObject(parent), doc_(&doc), stack_(stack), followUp_(std::move(followUp))
{
    doc_->setEditSink(this);
    connect(stack_, &QUndoStack::indexChanged, this, &UndoBridge::changed);
    connect(stack_, &QUndoStack::undoTextChanged, this, &UndoBridge::changed);
    connect(stack_, &QUndoStack::redoTextChanged, this, &UndoBridge::changed);
}

UndoBridge::~UndoBridge()
{
    doc_->setEditSink(nullptr);
}

void UndoBridge::push(std::unique_ptr<Edit> applied)
{
    stack_->push(new EditCommand(*doc_, std::move(applied), followUp_));
    enforceBudget();
    emit changed();
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
