#include "table/qt/table_properties_page.h"

#include "document/survey_document.h"
#include "platform/qt_convert.h"
#include "table/delimiters.h"
#include "table/grid_io.h"
#include "table/qt/string_grid_view.h"
#include "widgets/style_controls.h"

#include <QComboBox>
#include <QCommandLinkButton>
#include <QFormLayout>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QSpinBox>

namespace trassel {

TablePropertiesPage::TablePropertiesPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent)
    : QWidget(parent), doc_(&doc), guard_(std::move(guard))
{
    auto* form = new QFormLayout(this);
    seNumberOfHeaderRows = makeSpinEdit(this, "seNumberOfHeaderRows", 1, 1, 0, kMaxHeaderRows);
    form->addRow(QStringLiteral("Количество заголовочных строк"), seNumberOfHeaderRows);
    cmbDelimiter = new QComboBox(this);
    cmbDelimiter->setObjectName(QStringLiteral("cmbDelimiter"));
    cmbDelimiter->setEditable(true);
    cmbDelimiter->setInsertPolicy(QComboBox::NoInsert);
    for (int item = 0; item < kDelimiterCount; ++item)
        cmbDelimiter->addItem(toQString(DelimiterName(item)));
    cmbDelimiter->setCurrentIndex(-1);
    cmbDelimiter->setEditText(toQString(DelimiterName(0)));
    form->addRow(QStringLiteral("Разделитель исходного файла"), cmbDelimiter);
    btnAutoSizeCol = new QCommandLinkButton(QStringLiteral("Авторазмер ширины колонок"), this);
    btnAutoSizeCol->setObjectName(QStringLiteral("btnAutoSizeCol"));
    form->addRow(btnAutoSizeCol);
    auto* range = new QGroupBox(QStringLiteral("Диапазон"), this);
    auto* rangeForm = new QFormLayout(range);
    seFirstRow = makeSpinEdit(range, "seFirstRow", doc.firstDataRow());
    seLastRow = makeSpinEdit(range, "seLastRow", 3);
    rangeForm->addRow(QStringLiteral("Начальная строка"), seFirstRow);
    rangeForm->addRow(QStringLiteral("Конечная строка"), seLastRow);
    form->addRow(range);

    connect(seNumberOfHeaderRows, &QSpinBox::valueChanged, this,
            [this] { guard_([this] { seNumberOfHeaderRowsChange(); }); });
    connect(seFirstRow, &QSpinBox::valueChanged, this, [this] { guard_([this] { seFirstRowChange(); }); });
    connect(seLastRow, &QSpinBox::valueChanged, this, [this] { guard_([this] { seLastRowChange(); }); });
    // Typing into the field leaves the combo box's current item as it was: a typed text is
    // no item, whatever was chosen before.
    auto delimiterChanged = [this] {
        const std::string text = toStdString(cmbDelimiter->currentText());
        doc_->setDelimiter(ChosenDelimiterItem(cmbDelimiter->currentIndex(), text), text);
    };
    connect(cmbDelimiter, &QComboBox::currentIndexChanged, this, delimiterChanged);
    connect(cmbDelimiter, &QComboBox::editTextChanged, this, delimiterChanged);
    connect(btnAutoSizeCol, &QCommandLinkButton::clicked, this, [this] { guard_([this] { btnAutoSizeColClick(); }); });
    subscription_ = doc.subscribe([this](const DocumentChange& change) { onDocumentChange(change); });
}

TablePropertiesPage::~TablePropertiesPage() = default;

void TablePropertiesPage::setAutoSizedGrids(StringGridView* first, StringGridView* second)
{
    autoSized_[0] = first;
    autoSized_[1] = second;
}

void TablePropertiesPage::seNumberOfHeaderRowsChange() { doc_->setHeaderRowCount(seNumberOfHeaderRows->value()); }

void TablePropertiesPage::seFirstRowChange() { doc_->setFirstDataRow(seFirstRow->value()); }

void TablePropertiesPage::seLastRowChange() { doc_->setLastDataRow(seLastRow->value()); }

void TablePropertiesPage::btnAutoSizeColClick()
{
    for (StringGridView* grid : autoSized_)
        if (grid != nullptr)
            grid->autoSizeColumns();
}

void TablePropertiesPage::onDocumentChange(const DocumentChange& change)
{
    if (change.what == DocumentChange::What::Settings) {
        const TableSettings& s = doc_->settings();
        const QSignalBlocker b1(seNumberOfHeaderRows), b2(cmbDelimiter);
        if (seNumberOfHeaderRows->value() != s.headerRowCount)
            seNumberOfHeaderRows->setValue(s.headerRowCount);
        // A field that shows a typed text already stands for no item: choosing none would
        // clear the text being typed.
        const int shown = ChosenDelimiterItem(cmbDelimiter->currentIndex(), toStdString(cmbDelimiter->currentText()));
        if (shown != s.delimiterIndex)
            cmbDelimiter->setCurrentIndex(s.delimiterIndex);
        if (toStdString(cmbDelimiter->currentText()) != s.delimiterText)
            cmbDelimiter->setEditText(QString::fromStdString(s.delimiterText));
    } else if (change.what == DocumentChange::What::Range) {
        const QSignalBlocker b1(seFirstRow), b2(seLastRow);
        seFirstRow->setValue(doc_->firstDataRow());
        seLastRow->setValue(doc_->lastDataRow());
    }
}

} // namespace trassel
