#pragma once
// An edit: one change of the user's data that applies and reverts itself exactly. Edits keep
// only what they change, so that a day's history on a large survey stays small.
#include <cstddef>
#include <memory>
#include <string>

namespace trassel {

class SurveyDocument;

class Edit {
public:
    explicit Edit(std::string text) : text_(std::move(text)) { }
    virtual ~Edit() = default;
    Edit(const Edit&) = delete;
    Edit& operator=(const Edit&) = delete;

    // Redo: puts the edit's result in place. Undo: puts back what was there before. Either way
    // the document is told what changed, and the pictures follow by the document's rules.
    virtual void apply(SurveyDocument& doc) = 0;
    virtual void revert(SurveyDocument& doc) = 0;
    // Bytes the edit holds, for the history's memory bound.
    virtual std::size_t bytes() const = 0;
    // Edits with the same non-negative key may absorb a later one (consecutive corrections of
    // one cell become one step); returns true when `next` was absorbed.
    virtual int mergeKey() const { return -1; }
    virtual bool mergeWith(const Edit& next)
    {
        static_cast<void>(next);
        return false;
    }

    // The command's name, as the undo and redo actions show it ("Вставить строку").
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// Where the document hands each edit it has just applied: the undo history of the window,
// or a test's list.
class EditSink {
public:
    virtual ~EditSink() = default;
    virtual void push(std::unique_ptr<Edit> applied) = 0;
};

} // namespace trassel
