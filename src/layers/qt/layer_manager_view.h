#pragma once
// The layer list widget: one checkable line per layer, in the order the manager keeps.
#include "base/signal.h"
#include "layers/layers.h"

#include <QTreeWidget>

#include <functional>

namespace trassel {

// Shows the LayerManager's entries (one column "Слой", check boxes, single selection) and
// passes the user's check and selection changes to the manager and on as signals. The
// manager must outlive the view; the view follows every change of the manager by itself.
class LayerManagerView : public QTreeWidget {
    Q_OBJECT
public:
    explicit LayerManagerView(LayerManager& manager, QWidget* parent = nullptr);
    ~LayerManagerView() override;

    LayerManager& manager() { return *manager_; }
    // Re-reads the entries; called on every change of the manager.
    void refresh();
    // The entry shown on line `row`, 0 when there is none.
    EntryId entryAtRow(int row) const;
    // With a handler, a check box the user ticks goes to it (the document, which makes it an
    // undoable step) instead of straight to the manager.
    void setCheckHandler(std::function<void(EntryId, bool)> handler) { checkHandler_ = std::move(handler); }

Q_SIGNALS:
    void entryCheckChanged(int entry, bool checked);
    // An entry became selected or lost the selection; a move of the selection reports the
    // entry that lost it first.
    void entrySelectionChanged(int entry, bool selected);

private:
    void onItemChanged(QTreeWidgetItem* item, int column);
    void onSelectionChanged();

    LayerManager* manager_;
    Subscription subscription_;
    bool updating_ = false;
    std::function<void(EntryId, bool)> checkHandler_;
};

} // namespace trassel
