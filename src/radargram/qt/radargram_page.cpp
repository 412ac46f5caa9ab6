#include "radargram/qt/radargram_page.h"

#include "base/error.h"
#include "base/numbers.h"
#include "document/survey_document.h"
#include "platform/qt_canvas.h"
#include "platform/qt_text.h"
#include "radargram/qt/radargram_overlay_paint.h"
#include "radargram/radargram_reader.h"
#include "table/pickets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace trassel {

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

} // namespace

// ---- the view ----

RadargramView::RadargramView(RadargramScene& scene, QWidget* parent) : QWidget(parent), scene_(scene)
{
    setObjectName(QStringLiteral("imgRadargram"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::WheelFocus);
    setMinimumSize(RadargramMargins::kLeft + 100, RadargramMargins::kTop + 60);
}

void RadargramView::resizeEvent(QResizeEvent* event)
{
    scene_.setSize(width(), height());
    QWidget::resizeEvent(event);
}

void RadargramView::paintEvent(QPaintEvent*)
{
    syncSize();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (scene_.ready()) {
        try {
            const Picture& raster = scene_.raster();
            if (image_.isNull() || imageRevision_ != scene_.rasterRevision()) {
                image_ = ImageOfPicture(raster);
                imageRevision_ = scene_.rasterRevision();
            }
            painter.drawImage(RadargramMargins::kLeft, RadargramMargins::kTop, image_);
        } catch (const std::exception& e) {
            // A file cut short under the program: say so where the picture would be.
            painter.drawText(rect().adjusted(RadargramMargins::kLeft + 8, RadargramMargins::kTop + 8, 0, 0),
                             QString::fromUtf8(e.what()));
        }
    }
    if (scene_.ready() && overlayPainter) {
        painter.save();
        painter.setClipRect(RadargramMargins::kLeft, RadargramMargins::kTop, scene_.plotWidth(), scene_.plotHeight());
        overlayPainter(painter);
        painter.restore();
    }
    VectorCanvas canvas(painter, width(), height());
    scene_.drawScales(canvas);
}

void RadargramView::keyPressEvent(QKeyEvent* event)
{
    DiagramKey key = DiagramKey::Other;
    switch (event->key()) {
    case Qt::Key_Up: key = DiagramKey::Up; break;
    case Qt::Key_Down: key = DiagramKey::Down; break;
    case Qt::Key_Left: key = DiagramKey::Left; break;
    case Qt::Key_Right: key = DiagramKey::Right; break;
    case Qt::Key_Delete: key = DiagramKey::Delete; break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
    Q_EMIT keyDown(key);
}

void RadargramView::syncSize()
{
    // A hidden widget learns its size late; the scene must know it before any step of the view.
    if (scene_.width() != width() || scene_.height() != height())
        scene_.setSize(width(), height());
}

void RadargramView::wheelEvent(QWheelEvent* event)
{
    syncSize();
    const QPoint angle = event->angleDelta();
    const double notches = (angle.y() != 0 ? angle.y() : angle.x()) / 120.0;
    if (notches == 0) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    if (event->modifiers() & Qt::ControlModifier) {
        const double factor = std::pow(kZoomStep, notches);
        scene_.zoomAt(at.x(), at.y(), factor, factor);
    } else {
        const double pixels = -notches * kScrollStep;
        const RadargramViewport before = scene_.view();
        const bool along = (event->modifiers() & Qt::ShiftModifier) || angle.y() == 0;
        if (!along)
            scene_.scrollBy(0, pixels);
        // The whole trace in view: the wheel goes along the line instead.
        if (along || scene_.view() == before)
            scene_.scrollBy(pixels, 0);
    }
    event->accept();
    update();
}

void RadargramView::mousePressEvent(QMouseEvent* event)
{
    syncSize();
    if (event->button() == Qt::LeftButton) {
        dragFrom_ = event->position().toPoint();
        dragged_ = false;
    }
    QWidget::mousePressEvent(event);
}

void RadargramView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->position().toPoint();
    const QPoint moved = at - dragFrom_;
    if (!dragged_ && moved.manhattanLength() < 4)
        return;
    dragged_ = true;
    scene_.scrollBy(-moved.x(), -moved.y());
    dragFrom_ = at;
    update();
}

void RadargramView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !dragged_ && scene_.ready()) {
        const int x = event->position().toPoint().x();
        const int plotRight = RadargramMargins::kLeft + scene_.plotWidth();
        if (x >= RadargramMargins::kLeft && x < plotRight) {
            Q_EMIT traceClicked(static_cast<std::int64_t>(std::floor(scene_.traceAt(x))));
            Q_EMIT clicked(event->position().toPoint(), event->modifiers());
        }
    }
    QWidget::mouseReleaseEvent(event);
}

// ---- the page ----

namespace {

QDoubleSpinBox* Spin(const char* name, double min, double max, int decimals, double step)
{
    auto* spin = new QDoubleSpinBox;
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(min, max);
    spin->setDecimals(decimals);
    spin->setSingleStep(step);
    // Typing gives one change when it is done, not one per key.
    spin->setKeyboardTracking(false);
    return spin;
}

} // namespace

RadargramPage::RadargramPage(SurveyDocument& doc, CommandGuard guard, QWidget* parent)
    : QWidget(parent), doc_(doc), guard_(std::move(guard))
{
    setObjectName(QStringLiteral("pageRadargram"));
    imgRadargram = new RadargramView(scene_);

    cbGain = new QComboBox;
    cbGain->setObjectName(QStringLiteral("cbGain"));
    cbGain->addItems({QStringLiteral("постоянное"), QStringLiteral("линейное"), QStringLiteral("экспоненциальное"),
                      QStringLiteral("АРУ")});
    seGainValue = Spin("seGainValue", -1000, 1000, 3, 0.1);
    seAgcWindow = Spin("seAgcWindow", 0.01, 10000, 2, 1);
    seContrast = Spin("seContrast", 0.01, 1000, 2, 0.1);
    cbColors = new QComboBox;
    cbColors->setObjectName(QStringLiteral("cbColors"));
    cbColors->addItems({QStringLiteral("серая"), QStringLiteral("сине-бело-красная")});
    cbChannel = new QComboBox;
    cbChannel->setObjectName(QStringLiteral("cbChannel"));
    sePermittivity = Spin("sePermittivity", kMinPermittivity, kMaxPermittivity, 2, 0.5);
    seTimeZero = Spin("seTimeZero", -100000, 100000, 2, 0.5);
    lblFile = new QLabel;
    lblFile->setObjectName(QStringLiteral("lblFile"));
    // A long file name is cut rather than widening the page.
    lblFile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    // The ties: the table, then the fields of a new tie.
    sgTies = new QTableWidget(0, 3);
    sgTies->setObjectName(QStringLiteral("sgTies"));
    sgTies->setHorizontalHeaderLabels({QStringLiteral("Трасса"), QStringLiteral("Пикет"), QStringLiteral("км + м")});
    sgTies->verticalHeader()->hide();
    sgTies->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgTies->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgTies->setSelectionMode(QAbstractItemView::SingleSelection);
    sgTies->horizontalHeader()->setStretchLastSection(true);
    cbMarks = new QComboBox;
    cbMarks->setObjectName(QStringLiteral("cbMarks"));
    seTieTrace = new QSpinBox;
    seTieTrace->setObjectName(QStringLiteral("seTieTrace"));
    seTieTrace->setRange(0, 0);
    edTiePicket = new QLineEdit;
    edTiePicket->setObjectName(QStringLiteral("edTiePicket"));
    edTiePicket->setPlaceholderText(QStringLiteral("123.45 или 123+45"));
    edTieKm = new QLineEdit;
    edTieKm->setObjectName(QStringLiteral("edTieKm"));
    edTieM = new QLineEdit;
    edTieM->setObjectName(QStringLiteral("edTieM"));
    btnTieAdd = new QPushButton(QStringLiteral("Привязать"));
    btnTieAdd->setObjectName(QStringLiteral("btnTieAdd"));
    btnTieRemove = new QPushButton(QStringLiteral("Удалить привязку"));
    btnTieRemove->setObjectName(QStringLiteral("btnTieRemove"));
    cbSnap = new QCheckBox(QStringLiteral("Притягивать к отражению"));
    cbSnap->setObjectName(QStringLiteral("cbSnap"));
    cbSnap->setToolTip(QStringLiteral(
        "Ctrl+щелчок ставит глубину слоя на сильнейшее отражение (пик огибающей) в пределах 2 нс от щелчка"));
    btnCalibration = new QToolButton;
    btnCalibration->setObjectName(QStringLiteral("btnCalibration"));
    btnCalibration->setToolButtonStyle(Qt::ToolButtonTextOnly);

    // The controls in a column beside the picture, scrolled when the window is small, so that
    // the page leaves the panels their room on a small screen.
    auto* side = new QWidget;
    side->setObjectName(QStringLiteral("pnlRadargramControls"));
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(4, 4, 4, 4);
    auto* shown = new QFormLayout;
    shown->addRow(QStringLiteral("Канал"), cbChannel);
    shown->addRow(QStringLiteral("Усиление"), cbGain);
    shown->addRow(QStringLiteral("Величина"), seGainValue);
    shown->addRow(QStringLiteral("Окно АРУ, нс"), seAgcWindow);
    shown->addRow(QStringLiteral("Контраст"), seContrast);
    shown->addRow(QStringLiteral("Палитра"), cbColors);
    shown->addRow(QStringLiteral("ε"), sePermittivity);
    shown->addRow(QStringLiteral("Время ноль, нс"), seTimeZero);
    sideLayout->addLayout(shown);
    sideLayout->addWidget(cbSnap);
    sideLayout->addWidget(btnCalibration);
    sideLayout->addWidget(new QLabel(QStringLiteral("Привязка трасс к пикетам")));
    sgTies->setMinimumHeight(120);
    sideLayout->addWidget(sgTies, 1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Метка"), cbMarks);
    form->addRow(QStringLiteral("Трасса"), seTieTrace);
    form->addRow(QStringLiteral("Пикет"), edTiePicket);
    auto* kmM = new QHBoxLayout;
    kmM->addWidget(edTieKm);
    kmM->addWidget(new QLabel(QStringLiteral("км +")));
    kmM->addWidget(edTieM);
    kmM->addWidget(new QLabel(QStringLiteral("м")));
    form->addRow(QStringLiteral("или"), kmM);
    sideLayout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnTieAdd);
    buttons->addWidget(btnTieRemove);
    sideLayout->addLayout(buttons);
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("scrbxRadargramControls"));
    scroll->setWidget(side);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumWidth(120);
    scroll->setMaximumWidth(side->sizeHint().width() + 24);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(imgRadargram, 1);
    body->addWidget(scroll);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(lblFile);
    outer->addLayout(body, 1);

    const auto display = [this] { guard_([this] { changeDisplay(); }); };
    connect(cbGain, &QComboBox::currentIndexChanged, this, display);
    connect(seGainValue, &QDoubleSpinBox::valueChanged, this, display);
    connect(seAgcWindow, &QDoubleSpinBox::valueChanged, this, display);
    connect(seContrast, &QDoubleSpinBox::valueChanged, this, display);
    connect(cbColors, &QComboBox::currentIndexChanged, this, display);
    connect(cbChannel, &QComboBox::currentIndexChanged, this,
            [this](int index) { guard_([this, index] { doc_.setRadargramChannel(index); }); });
    connect(sePermittivity, &QDoubleSpinBox::valueChanged, this,
            [this](double eps) { guard_([this, eps] { doc_.setRadargramPermittivity(eps); }); });
    connect(seTimeZero, &QDoubleSpinBox::valueChanged, this,
            [this](double ns) { guard_([this, ns] { doc_.setRadargramTimeZero(ns); }); });
    connect(cbSnap, &QCheckBox::toggled, this,
            [this](bool snap) { guard_([this, snap] { doc_.setRadargramSnap(snap); }); });
    connect(btnTieAdd, &QPushButton::clicked, this, [this] { guard_([this] { btnTieAddClick(); }); });
    connect(btnTieRemove, &QPushButton::clicked, this, [this] { guard_([this] { btnTieRemoveClick(); }); });
    connect(cbMarks, &QComboBox::activated, this, [this](int index) {
        const QVariant trace = cbMarks->itemData(index);
        if (trace.isValid())
            seTieTrace->setValue(trace.toInt());
    });
    connect(sgTies, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (QTableWidgetItem* item = sgTies->item(row, 0))
            seTieTrace->setValue(item->data(Qt::UserRole).toInt());
    });
    connect(imgRadargram, &RadargramView::traceClicked, this,
            [this](std::int64_t trace) { seTieTrace->setValue(static_cast<int>(trace)); });
    connect(imgRadargram, &RadargramView::clicked, this, [this](QPoint at, Qt::KeyboardModifiers modifiers) {
        guard_([=, this] { imgRadargramClick(at, modifiers); });
    });
    connect(imgRadargram, &RadargramView::keyDown, this, [this](DiagramKey key) { imgRadargramKeyDown(key); });
    imgRadargram->overlayPainter = [this](QPainter& painter) { paintOverlay(painter); };

    subscription_ = doc_.subscribe([this](const DocumentChange& change) {
        using W = DocumentChange::What;
        switch (change.what) {
        case W::RadargramModel: modelChanged(); break;
        case W::Cursor: followCursor(); break;
        // What the boundaries and the boreholes are drawn from.
        case W::Cells:
        case W::TableShape:
        case W::TableReplaced:
        case W::Settings:
        case W::Range:
        case W::Layers:
        case W::PointColor:
        case W::Corrected: imgRadargram->update(); break;
        default: break;
        }
    });
    modelChanged();
}

void RadargramPage::modelChanged()
{
    scene_.setModel(doc_.radargramModel());
    showModel();
    imgRadargram->update();
}

void RadargramPage::showModel()
{
    // Under blockers: a value coming from the document is not a change of the user's.
    const QSignalBlocker b1(cbGain), b2(seGainValue), b3(seAgcWindow), b4(seContrast), b5(cbColors), b6(sePermittivity),
        b7(seTimeZero), b8(sgTies), b9(cbMarks), b10(seTieTrace), b11(cbChannel), b12(cbSnap);
    const RadargramModel& model = doc_.radargramModel();
    const RadargramDisplay& d = model.display;
    cbGain->setCurrentIndex(static_cast<int>(d.gain));
    seGainValue->setValue(d.gainValue);
    seAgcWindow->setValue(d.agcWindowNs);
    seContrast->setValue(d.contrast);
    cbColors->setCurrentIndex(static_cast<int>(d.colors));
    // Layers of their own are shown by the first one's value; typing one sets the profile's.
    sePermittivity->setValue(model.permittivity.eps.empty() ? 6.0 : model.permittivity.eps.front());
    seTimeZero->setValue(model.timeZeroNs);
    cbSnap->setChecked(model.snapToReflection);

    const bool open = model.open();
    // One entry a channel of the file, numbered from 1 as the instrument numbers them.
    const int channels = open ? model.file->channels : 0;
    if (cbChannel->count() != channels) {
        cbChannel->clear();
        for (int c = 1; c <= channels; ++c)
            cbChannel->addItem(QString::number(c));
    }
    cbChannel->setCurrentIndex(open ? model.channel : -1);
    cbChannel->setEnabled(channels > 1);
    for (QWidget* w :
         std::initializer_list<QWidget*>{cbGain, seContrast, cbColors, sePermittivity, seTimeZero, sgTies, cbMarks,
                                         seTieTrace, edTiePicket, edTieKm, edTieM, btnTieAdd, btnTieRemove, cbSnap})
        w->setEnabled(open);
    seGainValue->setEnabled(open && d.gain != GainKind::Agc);
    seAgcWindow->setEnabled(open && d.gain == GainKind::Agc);
    if (!open) {
        lblFile->setText(QStringLiteral("Радарограмма не открыта: Файл → Открыть радарограмму"));
    } else if (!scene_.fault().empty()) {
        lblFile->setText(Text(scene_.fault()));
    } else {
        const RadargramFile& file = *model.file;
        lblFile->setText(QStringLiteral("%1: трасс %2, отсчётов %3, окно %4 нс, меток %5")
                             .arg(QFileInfo(fromLocalPath(file.path)).fileName())
                             .arg(file.traces)
                             .arg(file.samples)
                             .arg(Text(NumberToText(RoundTo(file.timeWindowNs, 3))))
                             .arg(file.marks.size()));
    }

    const std::int64_t lastTrace = open ? std::max<std::int64_t>(model.file->traces - 1, 0) : 0;
    seTieTrace->setRange(0, static_cast<int>(std::min<std::int64_t>(lastTrace, INT32_MAX)));
    cbMarks->clear();
    if (open) {
        cbMarks->addItem(QString());
        int number = 0;
        for (const std::int64_t mark : model.file->marks)
            cbMarks->addItem(QStringLiteral("%1: трасса %2").arg(++number).arg(mark),
                             QVariant::fromValue<int>(static_cast<int>(mark)));
    }
    std::vector<TraceTie> ties = model.ties;
    std::sort(ties.begin(), ties.end(), [](const TraceTie& a, const TraceTie& b) { return a.trace < b.trace; });
    sgTies->setRowCount(static_cast<int>(ties.size()));
    for (int row = 0; row < static_cast<int>(ties.size()); ++row) {
        const TraceTie& tie = ties[static_cast<std::size_t>(row)];
        auto* trace = new QTableWidgetItem(QString::number(tie.trace));
        trace->setData(Qt::UserRole, QVariant::fromValue<int>(static_cast<int>(tie.trace)));
        sgTies->setItem(row, 0, trace);
        sgTies->setItem(row, 1, new QTableWidgetItem(Text(PicketScaleText(tie.picket))));
        const double metres = std::round(tie.picket * 100.0);
        const double km = std::floor(metres / 1000.0);
        sgTies->setItem(row, 2,
                        new QTableWidgetItem(QStringLiteral("%1 км + %2 м")
                                                 .arg(Text(NumberToText(km)))
                                                 .arg(Text(NumberToText(metres - km * 1000.0)))));
    }
}

OverlayPlacement RadargramPage::updateOverlay()
{
    const OverlayPlacement placed = PlacementOf(scene_);
    if (placed.placed())
        overlay_.update(doc_.depthTable(), OverlayLayersOf(doc_.layers()), doc_.picketColumn(), doc_.firstDataRow(),
                        doc_.lastDataRow());
    return placed;
}

void RadargramPage::paintOverlay(QPainter& painter)
{
    const OverlayPlacement placed = updateOverlay();
    if (!placed.placed())
        return;
    PaintOverlayPaths(painter, overlay_.paths(placed));
    VectorCanvas canvas(painter, imgRadargram->width(), imgRadargram->height());
    DrawBoreholes(canvas, placed, BoreholesOf(doc_.table(TableId::Boreholes)));
    // The diagram cursor's row: a thin red line down the picture, as the diagram's cursor is red.
    if (const std::optional<double> picket = overlay_.picketOfRow(doc_.diagram().cursor().Row))
        if (const std::optional<double> x = placed.xOfPicket(*picket)) {
            const int xi = static_cast<int>(std::lround(std::clamp(*x, -1.0e6, 1.0e6)));
            canvas.setPenWidth(1);
            canvas.setPenStyle(PenStyle::Solid);
            canvas.setPenColor(0x0000FF);
            canvas.moveTo(xi, placed.top);
            canvas.lineTo(xi, placed.top + placed.plotHeight);
        }
}

void RadargramPage::followCursor()
{
    const OverlayPlacement placed = updateOverlay();
    if (placed.placed())
        if (const std::optional<double> picket = overlay_.picketOfRow(doc_.diagram().cursor().Row))
            if (const std::optional<double> trace = placed.registration.traceAt(*picket)) {
                const RadargramViewport kept = ViewKeepingTrace(scene_.view(), *trace, scene_.plotWidth());
                if (kept != scene_.view())
                    scene_.setView(kept);
            }
    imgRadargram->update();
}

void RadargramPage::imgRadargramClick(QPoint at, Qt::KeyboardModifiers modifiers)
{
    const OverlayPlacement placed = updateOverlay();
    if (!placed.placed())
        return;
    const std::optional<double> picket = placed.picketOfX(at.x());
    const std::optional<int> row = picket ? overlay_.nearestRow(*picket) : std::nullopt;
    if (!row)
        return;
    if (!(modifiers & Qt::ControlModifier)) {
        doc_.moveChartCursor(*row);
        return;
    }
    double sample = placed.sampleOfY(at.y());
    const RadargramReader* reader = scene_.reader();
    const std::optional<double> rowPicket = overlay_.picketOfRow(*row);
    const std::optional<double> rowTrace = rowPicket ? placed.registration.traceAt(*rowPicket) : std::nullopt;
    if (doc_.radargramModel().snapToReflection && reader != nullptr && rowTrace) {
        // The reflection is looked for on the row's own trace, where the depth is set.
        const auto trace = static_cast<std::int64_t>(
            std::clamp(std::round(*rowTrace), 0.0, static_cast<double>(reader->info().traces - 1)));
        const std::vector<float> samples = reader->readTraces(doc_.radargramModel().channel, trace, 1);
        sample = SnapToReflection(samples, sample, kSnapWindowNs / placed.sampleNs);
    }
    if (const std::optional<Correction> correction = doc_.setDepthAt(*row, placed.depthOfSample(sample)))
        Q_EMIT corrected(Text(DescribeCorrection(doc_.layers(), *correction)));
}

void RadargramPage::imgRadargramKeyDown(DiagramKey key)
{
    // As on the diagram: a cell that is not a number simply stops the key, with no message.
    if (const std::optional<Correction> correction = doc_.chartKeyDown(key))
        Q_EMIT corrected(Text(DescribeCorrection(doc_.layers(), *correction)));
}

void RadargramPage::changeDisplay()
{
    RadargramDisplay d = doc_.radargramModel().display;
    d.gain = static_cast<GainKind>(std::clamp(cbGain->currentIndex(), 0, 3));
    d.gainValue = seGainValue->value();
    d.agcWindowNs = seAgcWindow->value();
    d.contrast = seContrast->value();
    d.colors = static_cast<ColorMap>(std::clamp(cbColors->currentIndex(), 0, 1));
    if (d == doc_.radargramModel().display)
        return;
    try {
        doc_.setRadargramDisplay(d);
    } catch (...) {
        showModel(); // the controls go back to what the document kept
        throw;
    }
}

void RadargramPage::btnTieAddClick()
{
    const std::string picketText = edTiePicket->text().trimmed().toStdString();
    double picket = 0;
    if (!picketText.empty()) {
        picket = ReadPicketText(picketText);
    } else {
        const std::string km = edTieKm->text().trimmed().toStdString();
        const std::string m = edTieM->text().trimmed().toStdString();
        if (km.empty() && m.empty())
            throw Error("Введите пикет (123.45 или 123+45) или км и м.");
        picket = PicketFromKmM(km.empty() ? 0.0 : ReadStrict(km), m.empty() ? 0.0 : ReadStrict(m));
    }
    doc_.addRadargramTie({seTieTrace->value(), picket});
    edTiePicket->clear();
    edTieKm->clear();
    edTieM->clear();
}

void RadargramPage::btnTieRemoveClick()
{
    std::int64_t trace = seTieTrace->value();
    if (QTableWidgetItem* item = sgTies->item(sgTies->currentRow(), 0); item != nullptr && item->isSelected())
        trace = item->data(Qt::UserRole).toInt();
    if (!doc_.removeRadargramTie(trace))
        throw Error("Трасса " + IntToText(trace) + " не привязана.");
}

} // namespace trassel
