#include "radargram/qt/calibration_dialog.h"

#include "base/error.h"
#include "base/numbers.h"
#include "platform/qt_convert.h"
#include "radargram/radargram_scene.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace trassel {
namespace {

enum Column { kPicket, kColumn, kDepth, kSource, kPicked, kMisfit, kColumns };

QString Cell(const QTableWidget* t, int row, int col)
{
    const QTableWidgetItem* item = t->item(row, col);
    return item ? item->text().trimmed() : QString();
}

QTableWidgetItem* Shown(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// Plus zero: a misfit of -0.01 rounded is 0, never "-0".
QString Number(double v, int decimals) { return toQString(NumberToText(RoundTo(v, decimals) + 0.0)); }

} // namespace

CalibrationDialog::CalibrationDialog(std::vector<KnownDepth> initial,
                                     std::function<CalibrationResult(std::span<const KnownDepth>)> fit,
                                     std::function<std::vector<KnownDepth>()> fromBoreholes, QWidget* parent)
    : QDialog(parent), fit_(std::move(fit)), fromBoreholes_(std::move(fromBoreholes))
{
    setObjectName(QStringLiteral("CalibrationDialog"));
    setWindowTitle(QStringLiteral("Калибровка"));
    sgKnownDepths = new QTableWidget(0, kColumns, this);
    sgKnownDepths->setObjectName(QStringLiteral("sgKnownDepths"));
    sgKnownDepths->setHorizontalHeaderLabels({QStringLiteral("ПК"), QStringLiteral("Столбец"),
                                              QStringLiteral("Глубина, см"), QStringLiteral("Источник"),
                                              QStringLiteral("В таблице, см"), QStringLiteral("Невязка, см")});
    sgKnownDepths->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    memoCalibration = new QPlainTextEdit(this);
    memoCalibration->setObjectName(QStringLiteral("memoCalibration"));
    memoCalibration->setReadOnly(true);
    btnFromBoreholes = new QPushButton(QStringLiteral("Из выработок"), this);
    btnFromBoreholes->setObjectName(QStringLiteral("btnFromBoreholes"));
    btnAddRow = new QPushButton(QStringLiteral("Добавить строку"), this);
    btnAddRow->setObjectName(QStringLiteral("btnAddRow"));
    btnRemoveRow = new QPushButton(QStringLiteral("Удалить строку"), this);
    btnRemoveRow->setObjectName(QStringLiteral("btnRemoveRow"));
    auto* box = new QDialogButtonBox(this);
    btnApply = box->addButton(QStringLiteral("Применить ε"), QDialogButtonBox::AcceptRole);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    box->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(btnFromBoreholes);
    rowButtons->addWidget(btnAddRow);
    rowButtons->addWidget(btnRemoveRow);
    rowButtons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rowButtons);
    layout->addWidget(sgKnownDepths, 3);
    layout->addWidget(memoCalibration, 2);
    layout->addWidget(box);
    resize(760, 560);

    connect(btnFromBoreholes, &QPushButton::clicked, this, [this] {
        std::vector<KnownDepth> rows = known();
        for (KnownDepth& k : fromBoreholes_())
            if (std::find(rows.begin(), rows.end(), k) == rows.end())
                rows.push_back(std::move(k));
        setRows(rows);
    });
    connect(btnAddRow, &QPushButton::clicked, this, [this] {
        sgKnownDepths->insertRow(sgKnownDepths->rowCount());
        sgKnownDepths->setCurrentCell(sgKnownDepths->rowCount() - 1, kPicket);
    });
    connect(btnRemoveRow, &QPushButton::clicked, this, [this] {
        if (sgKnownDepths->currentRow() >= 0)
            sgKnownDepths->removeRow(sgKnownDepths->currentRow());
        refit();
    });
    connect(sgKnownDepths, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling_ && item->column() < kPicked)
            refit();
    });
    setRows(initial);
}

void CalibrationDialog::setRows(const std::vector<KnownDepth>& known)
{
    filling_ = true;
    sgKnownDepths->setRowCount(static_cast<int>(known.size()));
    for (int r = 0; r < static_cast<int>(known.size()); ++r) {
        const KnownDepth& k = known[static_cast<std::size_t>(r)];
        sgKnownDepths->setItem(r, kPicket, new QTableWidgetItem(toQString(NumberToText(k.picket))));
        sgKnownDepths->setItem(r, kColumn, new QTableWidgetItem(QString::number(k.column)));
        sgKnownDepths->setItem(r, kDepth,
                               new QTableWidgetItem(k.depthCm ? toQString(NumberToText(*k.depthCm)) : QString()));
        sgKnownDepths->setItem(r, kSource, new QTableWidgetItem(toQString(k.source)));
    }
    filling_ = false;
    refit();
}

std::vector<KnownDepth> CalibrationDialog::known() const
{
    std::vector<KnownDepth> rows;
    for (int r = 0; r < sgKnownDepths->rowCount(); ++r) {
        const QString picket = Cell(sgKnownDepths, r, kPicket);
        const QString column = Cell(sgKnownDepths, r, kColumn);
        const QString depth = Cell(sgKnownDepths, r, kDepth);
        if (picket.isEmpty() && column.isEmpty() && depth.isEmpty())
            continue;
        KnownDepth k;
        try {
            k.picket = ReadPicketText(toStdString(picket));
        } catch (const Error&) {
            continue;
        }
        const std::optional<int> c = TryReadInteger(toStdString(column));
        if (!c || *c < 1)
            continue;
        k.column = *c;
        if (!depth.isEmpty()) {
            const std::optional<double> d = TryReadStrict(toStdString(depth));
            if (!d || !std::isfinite(*d) || *d <= 0)
                continue;
            k.depthCm = d;
        }
        k.source = toStdString(Cell(sgKnownDepths, r, kSource));
        rows.push_back(std::move(k));
    }
    return rows;
}

void CalibrationDialog::refit()
{
    // The rows that do not read are named by their line in the table.
    QStringList lines;
    std::vector<int> tableRow;
    for (int r = 0; r < sgKnownDepths->rowCount(); ++r) {
        const QString picket = Cell(sgKnownDepths, r, kPicket);
        const QString column = Cell(sgKnownDepths, r, kColumn);
        const QString depth = Cell(sgKnownDepths, r, kDepth);
        if (picket.isEmpty() && column.isEmpty() && depth.isEmpty())
            continue;
        QString fault;
        try {
            ReadPicketText(toStdString(picket));
        } catch (const Error&) {
            fault = QStringLiteral("пикет «%1» не прочитан").arg(picket);
        }
        const std::optional<int> c = TryReadInteger(toStdString(column));
        if (fault.isEmpty() && (!c || *c < 1))
            fault = QStringLiteral("столбец «%1» не прочитан").arg(column);
        if (fault.isEmpty() && !depth.isEmpty()) {
            const std::optional<double> d = TryReadStrict(toStdString(depth));
            if (!d || !std::isfinite(*d) || *d <= 0)
                fault = QStringLiteral("глубина «%1» не прочитана: нужно число больше 0").arg(depth);
        }
        if (fault.isEmpty())
            tableRow.push_back(r);
        else
            lines << QStringLiteral("Строка %1: %2 — строка не сохранится.").arg(r + 1).arg(fault);
    }
    const std::vector<KnownDepth> rows = known();
    filling_ = true;
    for (int r = 0; r < sgKnownDepths->rowCount(); ++r) {
        sgKnownDepths->setItem(r, kPicked, Shown(QString()));
        sgKnownDepths->setItem(r, kMisfit, Shown(QString()));
    }
    result_.reset();
    try {
        result_ = fit_(rows);
        for (const CalibratedPoint& p : result_->points) {
            const int r = tableRow.at(p.index);
            sgKnownDepths->setItem(r, kPicked, Shown(Number(p.pickedCm, 1)));
            sgKnownDepths->setItem(r, kMisfit, Shown(Number(p.misfitCm, 1)));
        }
        for (const std::string& line : DescribeCalibration(*result_))
            lines << toQString(line);
    } catch (const Error& e) {
        lines << toQString(e.what());
    }
    filling_ = false;
    btnApply->setEnabled(result_ && result_->anyFitted());
    memoCalibration->setPlainText(lines.join(QLatin1Char('\n')));
}

} // namespace trassel
