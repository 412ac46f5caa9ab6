#pragma once
// The diagram cursor's row on the section: a thin line the view paints over the section where
// the last drawing put that row's picket, scrolled into view when the cursor leaves it.
#include "base/signal.h"

#include <QObject>

namespace trassel {

class SectionView;
class SurveyDocument;

// Follows the document's cursor and the section's drawings for one section view.
class SectionCursor : public QObject {
    Q_OBJECT
public:
    SectionCursor(SurveyDocument& doc, SectionView& view, QObject* parent = nullptr);

    // Puts the line on the cursor's row; with `scroll` the view is moved to show it.
    void follow(bool scroll);

private:
    SurveyDocument& doc_;
    SectionView& view_;
    Subscription subscription_;
};

} // namespace trassel
