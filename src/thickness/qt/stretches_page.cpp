#include "thickness/qt/stretches_page.h"

#include "base/error.h"
#include "base/numbers.h"
#include "document/survey_document.h"
#include "platform/qt_convert.h"
#include "thickness/thickness.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>
#include <vector>

namespace trassel {

// One line per failing stretch of any layer, layer by layer in the layers' order.
class StretchesModel : public QAbstractTableModel {
public:
    enum Column { Layer, From, To, Length, Least, Deficit, Volume, ColumnCount };

    struct Line {
        QString layer;
        FailingStretch stretch;
        int row = 0; // the table row of its first point
    };

    void setLines(std::vector<Line> lines)
    {
        beginResetModel();
        lines_ = std::move(lines);
        endResetModel();
    }
    const Line& line(int row) const { return lines_[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(lines_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::UserRole && role != Qt::TextAlignmentRole))
            return {};
        if (role == Qt::TextAlignmentRole)
            return index.column() == Layer ? QVariant() : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
        const Line& l = line(index.row());
        const FailingStretch& s = l.stretch;
        // Sorting reads the numbers (UserRole); the view shows their texts.
        const auto number = [role](double value, int decimals) -> QVariant {
            if (role == Qt::UserRole)
                return std::isnan(value) ? QVariant(-1e300) : QVariant(value);
            return std::isnan(value) ? QString() : toQString(NumberToText(RoundTo(value, decimals)));
        };
        switch (index.column()) {
        case Layer: return l.layer;
        case From: return role == Qt::UserRole ? QVariant(s.fromM) : QVariant(toQString(PicketText(s.fromM)));
        case To: return role == Qt::UserRole ? QVariant(s.toM) : QVariant(toQString(PicketText(s.toM)));
        case Length: return number(s.lengthM, 1);
        case Least: return number(s.leastCm, 1);
        case Deficit: return number(s.meanDeficitCm, 1);
        case Volume: return number(s.volumeM3, 2);
        default: return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        static const char* const kTitles[] = {"Слой",
                                              "Начало",
                                              "Конец",
                                              "Длина, м",
                                              "Наименьшая толщина, см",
                                              "Средний недостаток, см",
                                              "Объём недостатка, м³"};
        return section >= 0 && section < ColumnCount ? QString::fromUtf8(kTitles[section]) : QVariant();
    }

private:
    std::vector<Line> lines_;
};

StretchesPage::StretchesPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent)
    : QWidget(parent), doc_(&doc), guard_(std::move(guard))
{
    setObjectName(QStringLiteral("Участки"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    lblStretches = new QLabel;
    lblStretches->setObjectName(QStringLiteral("lblStretches"));
    lblStretches->setContentsMargins(4, 2, 4, 2);
    lblStretches->setWordWrap(true);
    layout->addWidget(lblStretches);
    model_ = new StretchesModel;
    model_->setParent(this);
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(Qt::UserRole);
    tvStretches = new QTableView;
    tvStretches->setObjectName(QStringLiteral("tvStretches"));
    tvStretches->setModel(sorted_);
    tvStretches->setSortingEnabled(true);
    tvStretches->sortByColumn(-1, Qt::AscendingOrder); // the layers' order until a header is clicked
    tvStretches->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvStretches->setSelectionMode(QAbstractItemView::SingleSelection);
    tvStretches->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvStretches->verticalHeader()->hide();
    tvStretches->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tvStretches->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(tvStretches, 1);
    connect(tvStretches, &QTableView::clicked, this,
            [this](const QModelIndex& index) { guard_([this, index] { chooseRow(index.row()); }); });
    subscription_ = doc.subscribe([this](const DocumentChange& change) {
        if (!ChangesCompliance(change))
            return;
        stale_ = true;
        if (isVisible())
            refresh();
    });
}

StretchesPage::~StretchesPage() = default;

void StretchesPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (stale_)
        refresh();
}

void StretchesPage::refresh()
{
    stale_ = false;
    std::vector<StretchesModel::Line> lines;
    try {
        const Compliance& compliance = doc_->compliance();
        for (const LayerCompliance& layer : compliance.layers)
            for (const FailingStretch& s : layer.stretches)
                lines.push_back({toQString(layer.line.name), s, compliance.points.rows[s.first]});
        lblStretches->setText(lines.empty() ? QStringLiteral("Участков ниже нормы нет")
                                            : QStringLiteral("Участков ниже нормы: %1").arg(lines.size()));
    } catch (const Error& e) {
        // The table is edited on: its pickets may be out of order for a while.
        lines.clear();
        lblStretches->setText(QStringLiteral("Толщины не посчитаны: ") + toQString(e.what()));
    }
    model_->setLines(std::move(lines));
}

void StretchesPage::chooseRow(int row)
{
    const QModelIndex index = sorted_->mapToSource(sorted_->index(row, 0));
    if (!index.isValid())
        return;
    const StretchesModel::Line& line = model_->line(index.row());
    doc_->moveChartCursor(line.row);
    const Compliance& compliance = doc_->compliance();
    const double first = compliance.points.size() > 0 ? compliance.points.posM.front() : 0.0;
    Q_EMIT stretchChosen(line.stretch.fromM - first);
}

} // namespace trassel
