#include "thickness/qt/norms_dialog.h"

#include "base/error.h"
#include "base/numbers.h"
#include "platform/qt_convert.h"
#include "thickness/thickness.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <vector>

namespace trassel {
namespace {

enum StretchColumn { kFrom, kTo, kClass, kSleeper };

QTableWidget* MakeTable(const QString& name, const QStringList& header, int rows)
{
    auto* table = new QTableWidget(rows, static_cast<int>(header.size()));
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(header);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

QDoubleSpinBox* MakeSpin(const QString& name, double maximum, int decimals, double value)
{
    auto* spin = new QDoubleSpinBox;
    spin->setObjectName(name);
    spin->setDecimals(decimals);
    spin->setRange(0, maximum);
    spin->setValue(value);
    return spin;
}

QString CellText(const QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item == nullptr ? QString() : item->text().trimmed();
}

void SetCell(QTableWidget* table, int row, int column, const QString& text, bool editable = true)
{
    auto* item = new QTableWidgetItem(text);
    if (!editable)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    table->setItem(row, column, item);
}

// A position as the user writes it and reads it back into the same metres: "123+45",
// "123+45.5" between whole metres.
QString PositionText(double metres) { return toQString(PicketText(metres)); }

QString NumberText(std::optional<double> value) { return value ? toQString(NumberToText(*value)) : QString(); }

// A number of cm or %, "," taken for the point; nothing for an empty cell.
std::optional<double> ReadNumberCell(const QString& text, const std::string& where)
{
    if (text.isEmpty())
        return std::nullopt;
    QString dotted = text;
    dotted.replace(QLatin1Char(','), QLatin1Char('.'));
    if (const std::optional<double> value = TryReadStrict(toStdString(dotted)))
        return value;
    throw Error(where + ": «" + toStdString(text) + "» — не число.");
}

} // namespace

NormsDialog::NormsDialog(const DesignNorms& norms, std::vector<NormsLayer> layers, QWidget* parent)
    : QDialog(parent), base_(norms), layers_(std::move(layers))
{
    setObjectName(QStringLiteral("FmNorms"));
    setWindowTitle(QStringLiteral("Нормы проектирования"));
    auto* layout = new QVBoxLayout(this);

    // The design stretches.
    auto* stretches = new QGroupBox(QStringLiteral("Участки проекта"));
    auto* stretchesLayout = new QVBoxLayout(stretches);
    sgStretches = MakeTable(QStringLiteral("sgStretches"),
                            {QStringLiteral("Начало (ПК или км + м)"), QStringLiteral("Конец"),
                             QStringLiteral("Класс пути (1–5)"), QStringLiteral("Шпалы")},
                            static_cast<int>(norms.stretches.size()));
    for (int row = 0; row < sgStretches->rowCount(); ++row) {
        const DesignStretch& s = norms.stretches[static_cast<std::size_t>(row)];
        SetCell(sgStretches, row, kFrom, PositionText(s.fromM));
        SetCell(sgStretches, row, kTo, PositionText(s.toM));
        SetCell(sgStretches, row, kClass, QString::number(s.trackClass));
        SetCell(sgStretches, row, kSleeper, toQString(SleeperName(s.sleeper)));
    }
    stretchesLayout->addWidget(sgStretches);
    auto* stretchButtons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Добавить участок"));
    add->setObjectName(QStringLiteral("btnAddStretch"));
    auto* remove = new QPushButton(QStringLiteral("Удалить участок"));
    remove->setObjectName(QStringLiteral("btnRemoveStretch"));
    connect(add, &QPushButton::clicked, this, [this] { addStretch(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeStretch(); });
    stretchButtons->addWidget(add);
    stretchButtons->addWidget(remove);
    stretchButtons->addStretch(1);
    stretchesLayout->addLayout(stretchButtons);
    layout->addWidget(stretches);

    // The ballast table and the norms of the layers side by side.
    auto* tables = new QHBoxLayout;
    auto* ballast = new QGroupBox(QStringLiteral("Балласт под шпалой, см"));
    auto* ballastLayout = new QVBoxLayout(ballast);
    sgBallast = MakeTable(QStringLiteral("sgBallast"),
                          {toQString(SleeperName(Sleeper::Wooden)), toQString(SleeperName(Sleeper::Concrete))},
                          kTrackClasses);
    for (int c = 1; c <= kTrackClasses; ++c) {
        sgBallast->setVerticalHeaderItem(c - 1, new QTableWidgetItem(QStringLiteral("Класс %1").arg(c)));
        SetCell(sgBallast, c - 1, 0, NumberText(norms.ballast.at(c, Sleeper::Wooden)));
        SetCell(sgBallast, c - 1, 1, NumberText(norms.ballast.at(c, Sleeper::Concrete)));
    }
    ballastLayout->addWidget(sgBallast);
    ballastLayout->addWidget(new QLabel(QStringLiteral("Пустая клетка: нормы нет, её вписывает пользователь.")));
    tables->addWidget(ballast);

    auto* layerBox = new QGroupBox(QStringLiteral("Нормы слоёв"));
    auto* layerLayout = new QVBoxLayout(layerBox);
    sgLayerNorms = MakeTable(QStringLiteral("sgLayerNorms"),
                             {QStringLiteral("Колонка"), QStringLiteral("Название"), QStringLiteral("Норма, см")},
                             static_cast<int>(layers_.size()));
    for (int row = 0; row < sgLayerNorms->rowCount(); ++row) {
        const NormsLayer& layer = layers_[static_cast<std::size_t>(row)];
        SetCell(sgLayerNorms, row, 0, QString::number(layer.column), false);
        const LayerNorm* own = norms.layer(layer.column);
        SetCell(sgLayerNorms, row, 1, own != nullptr && !own->name.empty() ? toQString(own->name) : QString());
        SetCell(sgLayerNorms, row, 2, own != nullptr ? NumberText(own->normCm) : QString());
        sgLayerNorms->item(row, 1)->setToolTip(toQString(layer.defaultName));
    }
    layerLayout->addWidget(sgLayerNorms);
    layerLayout->addWidget(new QLabel(QStringLiteral("Первый слой — балласт: его норма по участкам проекта,\n"
                                                     "а своя норма — там, где участка нет.")));
    tables->addWidget(layerBox);
    layout->addLayout(tables);

    // The parameters of judging and the condition classes.
    auto* lower = new QHBoxLayout;
    auto* params = new QGroupBox(QStringLiteral("Параметры"));
    auto* form = new QFormLayout(params);
    seSleeperBase = MakeSpin(QStringLiteral("seSleeperBase"), kMaxLayerCm, 3, norms.sleeperBaseCm);
    seTolerance = MakeSpin(QStringLiteral("seTolerance"), kMaxLayerCm, 3, norms.toleranceCm);
    seMinLength = MakeSpin(QStringLiteral("seMinLength"), kMaxLineM, 3, norms.minLengthM);
    seJoinGap = MakeSpin(QStringLiteral("seJoinGap"), kMaxLineM, 3, norms.joinGapM);
    sePrismWidth = MakeSpin(QStringLiteral("sePrismWidth"), kMaxPrismWidthM, 3, norms.prismWidthM);
    form->addRow(QStringLiteral("Основание шпалы ниже нуля, см"), seSleeperBase);
    form->addRow(QStringLiteral("Допуск, см"), seTolerance);
    form->addRow(QStringLiteral("Наименьшая длина участка, м"), seMinLength);
    form->addRow(QStringLiteral("Разрыв, объединяющий участки, м"), seJoinGap);
    form->addRow(QStringLiteral("Ширина призмы, м"), sePrismWidth);
    lower->addWidget(params);

    auto* classes = new QGroupBox(QStringLiteral("Состояние отрезка"));
    auto* classesLayout = new QVBoxLayout(classes);
    sgClasses = MakeTable(QStringLiteral("sgClasses"),
                          {QStringLiteral("Состояние"), QStringLiteral("Доля ниже нормы до, %")},
                          static_cast<int>(norms.classes.size()));
    for (int row = 0; row < sgClasses->rowCount(); ++row) {
        const ConditionClass& c = norms.classes[static_cast<std::size_t>(row)];
        SetCell(sgClasses, row, 0, toQString(c.name));
        SetCell(sgClasses, row, 1, toQString(NumberToText(c.maxSharePercent)));
    }
    classesLayout->addWidget(sgClasses);
    auto* classButtons = new QHBoxLayout;
    auto* addClass = new QPushButton(QStringLiteral("Добавить состояние"));
    addClass->setObjectName(QStringLiteral("btnAddClass"));
    auto* removeClass = new QPushButton(QStringLiteral("Удалить состояние"));
    removeClass->setObjectName(QStringLiteral("btnRemoveClass"));
    connect(addClass, &QPushButton::clicked, this, [this] { addConditionClass(); });
    connect(removeClass, &QPushButton::clicked, this, [this] { removeConditionClass(); });
    classButtons->addWidget(addClass);
    classButtons->addWidget(removeClass);
    classButtons->addStretch(1);
    classesLayout->addLayout(classButtons);
    lower->addWidget(classes);
    layout->addLayout(lower);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("btnsNorms"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void NormsDialog::addStretch()
{
    const int row = sgStretches->rowCount();
    sgStretches->insertRow(row);
    for (int column = kFrom; column <= kSleeper; ++column)
        SetCell(sgStretches, row, column, QString());
    SetCell(sgStretches, row, kClass, QStringLiteral("1"));
    SetCell(sgStretches, row, kSleeper, toQString(SleeperName(Sleeper::Concrete)));
    sgStretches->setCurrentCell(row, kFrom);
}

void NormsDialog::removeStretch()
{
    if (const int row = sgStretches->currentRow(); row >= 0)
        sgStretches->removeRow(row);
}

void NormsDialog::addConditionClass()
{
    // A new class goes after the one chosen (or last), its share between its neighbours'.
    const int rows = sgClasses->rowCount();
    if (static_cast<std::size_t>(rows) >= kMaxConditionClasses)
        return;
    const int current = sgClasses->currentRow();
    const int row = current >= 0 ? current + 1 : rows;
    const auto shareAt = [this](int r) {
        QString text = CellText(sgClasses, r, 1);
        text.replace(QLatin1Char(','), QLatin1Char('.'));
        return TryReadStrict(toStdString(text));
    };
    const std::optional<double> before = row > 0 ? shareAt(row - 1) : std::optional<double>(0.0);
    const std::optional<double> after = row < rows ? shareAt(row) : std::optional<double>(100.0);
    sgClasses->insertRow(row);
    SetCell(sgClasses, row, 0, QString());
    SetCell(sgClasses, row, 1,
            before && after ? toQString(NumberToText(RoundTo((*before + *after) / 2, 1))) : QString());
    sgClasses->setCurrentCell(row, 0);
}

void NormsDialog::removeConditionClass()
{
    // One class at least: every segment falls in some class.
    if (const int row = sgClasses->currentRow(); row >= 0 && sgClasses->rowCount() > 1)
        sgClasses->removeRow(row);
}

DesignNorms NormsDialog::norms() const
{
    DesignNorms n = base_;
    n.stretches.clear();
    for (int row = 0; row < sgStretches->rowCount(); ++row) {
        const std::string where = "Участок " + IntToText(row + 1);
        const auto position = [&](int column, const char* what) {
            const QString text = CellText(sgStretches, row, column);
            if (const std::optional<double> m = LinePositionMetres(toStdString(text)))
                return *m;
            throw Error(where + ": " + what + " «" + toStdString(text) +
                        "» — не пикет (123+45) и не километры с метрами (12 км 345 м).");
        };
        DesignStretch s;
        s.fromM = position(kFrom, "начало");
        s.toM = position(kTo, "конец");
        const QString trackClass = CellText(sgStretches, row, kClass);
        const std::optional<int> c = TryReadInteger(toStdString(trackClass));
        if (!c || *c < 1 || *c > kTrackClasses)
            throw Error(where + ": класс пути «" + toStdString(trackClass) + "» — не число от 1 до 5.");
        s.trackClass = *c;
        const QString sleeper = CellText(sgStretches, row, kSleeper);
        const std::optional<Sleeper> kind = SleeperByName(toStdString(sleeper.toLower()));
        if (!kind)
            throw Error(where + ": шпалы «" + toStdString(sleeper) + "» — пишут «дерево» или «железобетон».");
        s.sleeper = *kind;
        n.stretches.push_back(s);
    }
    for (int c = 1; c <= kTrackClasses; ++c) {
        const std::string where = "Балласт, класс " + IntToText(c);
        n.ballast.set(c, Sleeper::Wooden, ReadNumberCell(CellText(sgBallast, c - 1, 0), where + ", дерево"));
        n.ballast.set(c, Sleeper::Concrete, ReadNumberCell(CellText(sgBallast, c - 1, 1), where + ", железобетон"));
    }
    // The layers listed here are replaced; what was said of other columns stays.
    for (const NormsLayer& layer : layers_)
        std::erase_if(n.layers, [&](const LayerNorm& l) { return l.column == layer.column; });
    for (int row = 0; row < sgLayerNorms->rowCount(); ++row) {
        LayerNorm l;
        l.column = layers_[static_cast<std::size_t>(row)].column;
        l.name = toStdString(CellText(sgLayerNorms, row, 1));
        l.normCm = ReadNumberCell(CellText(sgLayerNorms, row, 2), "Норма слоя колонки " + IntToText(l.column));
        if (!l.name.empty() || l.normCm)
            n.layers.push_back(std::move(l));
    }
    n.sleeperBaseCm = seSleeperBase->value();
    n.toleranceCm = seTolerance->value();
    n.minLengthM = seMinLength->value();
    n.joinGapM = seJoinGap->value();
    n.prismWidthM = sePrismWidth->value();
    n.classes.clear();
    for (int row = 0; row < sgClasses->rowCount(); ++row) {
        ConditionClass c;
        c.name = toStdString(CellText(sgClasses, row, 0));
        const std::optional<double> share = ReadNumberCell(CellText(sgClasses, row, 1),
                                                           "Состояние «" + c.name + "»: доля ниже нормы");
        if (!share)
            throw Error("Состояние «" + c.name + "»: доля ниже нормы не указана.");
        c.maxSharePercent = *share;
        n.classes.push_back(std::move(c));
    }
    return n;
}

} // namespace trassel
