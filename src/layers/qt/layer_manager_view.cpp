#include "layers/qt/layer_manager_view.h"

#include "platform/qt_text.h"

#include <QHeaderView>
#include <QSignalBlocker>

#include <optional>

namespace trassel {
namespace {

constexpr int kEntryRole = Qt::UserRole;

} // namespace

LayerManagerView::LayerManagerView(LayerManager& manager, QWidget* parent) : QTreeWidget(parent), manager_(&manager)
{
    setObjectName(QStringLiteral("lwLayerManager"));
    setColumnCount(1);
    setHeaderLabels({QStringLiteral("Слой")});
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // The manager decides the order; the widget's own sorting would compare differently.
    setSortingEnabled(false);

    connect(this, &QTreeWidget::itemChanged, this, &LayerManagerView::onItemChanged);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &LayerManagerView::onSelectionChanged);
    subscription_ = manager.subscribe([this] {
        if (!updating_)
            refresh();
    });
    refresh();
}

LayerManagerView::~LayerManagerView() = default;

EntryId LayerManagerView::entryAtRow(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kEntryRole).toInt() : 0;
}

void LayerManagerView::refresh()
{
    updating_ = true;
    const QSignalBlocker blocker(this);
    const int count = manager_->entryCount();
    while (topLevelItemCount() > count)
        delete takeTopLevelItem(topLevelItemCount() - 1);
    while (topLevelItemCount() < count) {
        auto* item = new QTreeWidgetItem(this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    }
    QTreeWidgetItem* selected = nullptr;
    for (int i = 0; i < count; ++i) {
        const LayerEntry& entry = manager_->entryAt(i);
        QTreeWidgetItem* item = topLevelItem(i);
        item->setData(0, kEntryRole, entry.id);
        item->setText(0, toQString(entry.caption));
        item->setCheckState(0, entry.checked ? Qt::Checked : Qt::Unchecked);
        if (entry.selected)
            selected = item;
    }
    if (selected) {
        setCurrentItem(selected);
        selected->setSelected(true);
    } else {
        clearSelection();
    }
    // The blocked signals also kept the viewport from hearing of the new selection.
    viewport()->update();
    updating_ = false;
}

void LayerManagerView::onItemChanged(QTreeWidgetItem* item, int column)
{
    if (updating_ || column != 0)
        return;
    const EntryId id = item->data(0, kEntryRole).toInt();
    const bool checked = item->checkState(0) == Qt::Checked;
    if (manager_->isChecked(id) == checked)
        return;
    updating_ = true;
    if (checkHandler_)
        checkHandler_(id, checked);
    else
        manager_->setChecked(id, checked);
    updating_ = false;
    Q_EMIT entryCheckChanged(id, checked);
}

void LayerManagerView::onSelectionChanged()
{
    if (updating_)
        return;
    const std::optional<EntryId> before = manager_->selectedEntry();
    const QList<QTreeWidgetItem*> items = selectedItems();
    const std::optional<EntryId> after = items.isEmpty()
                                             ? std::nullopt
                                             : std::optional<EntryId>(items.front()->data(0, kEntryRole).toInt());
    if (before == after)
        return;
    updating_ = true;
    if (after)
        manager_->select(*after);
    else
        manager_->clearSelection();
    updating_ = false;
    if (before)
        Q_EMIT entrySelectionChanged(*before, false);
    if (after)
        Q_EMIT entrySelectionChanged(*after, true);
}

} // namespace trassel
