#include "board/PinView.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "board/BoardTexts.h"

namespace viz {
namespace {

namespace t = texts::board;

// Changes averaged for the interval a lamp tells.
constexpr std::size_t kIntervalsAveraged = 8;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString Hex(std::uint8_t value) {
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

// The mean time between the last changes of a pin, in ms; 0 for a pin that
// changed fewer than twice.
int IntervalMs(const std::vector<PinChange>& history, std::size_t port, int bit) {
    const std::vector<double> edges = BitEdges(history, port, bit);
    if (edges.size() < 2) return 0;
    const std::size_t first = edges.size() > kIntervalsAveraged ? edges.size() - kIntervalsAveraged - 1 : 0;
    const double mean = (edges.back() - edges[first]) / static_cast<double>(edges.size() - 1 - first);
    return static_cast<int>(std::lround(mean * 1000));
}

}  // namespace

CPinLamp::CPinLamp(const QString& pin, QWidget* parent) : QWidget(parent) {
    setAccessibleName(pin);
    setToolTip(pin);
    setFixedSize(sizeHint());
    Show(false, false, 0);
}

void CPinLamp::Show(bool known, bool lit, int intervalMs) {
    QString description = Text(!known ? t::kPinUnknown : lit ? t::kPinHigh : t::kPinLow);
    if (intervalMs > 0) description += Text(t::kPinInterval).arg(intervalMs);
    if (known == known_ && lit == lit_ && description == accessibleDescription()) return;
    known_ = known;
    lit_ = lit;
    setAccessibleDescription(description);
    setToolTip(accessibleName() + QStringLiteral("：") + description);
    update();
}

void CPinLamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = !known_ ? QColor(0xB0, 0xB0, 0xB0)
                        : lit_  ? QColor(0xFF, 0x30, 0x20)
                                : QColor(0x40, 0x10, 0x10);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.setBrush(fill);
    painter.drawEllipse(rect().adjusted(2, 2, -2, -2));
}

CPinView::CPinView(QWidget* parent) : QWidget(parent), grid_(new QGridLayout) {
    // The rows sit at the top, however tall the window.
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid_);
    column->addStretch(1);
    grid_->setHorizontalSpacing(4);
    for (int bit = 7; bit >= 0; --bit) {
        auto* header = new QLabel(QString::number(bit), this);
        header->setAlignment(Qt::AlignCenter);
        grid_->addWidget(header, 0, 1 + (7 - bit));
    }
    grid_->setColumnStretch(10, 1);
}

void CPinView::SetPorts(const std::vector<std::string>& names) {
    for (QLabel* label : names_) delete label;
    for (QLabel* label : values_) delete label;
    for (auto& row : lamps_) {
        for (CPinLamp* lamp : row) delete lamp;
    }
    names_.clear();
    values_.clear();
    lamps_.clear();
    for (std::size_t port = 0; port < names.size(); ++port) {
        const QString name = QString::fromStdString(names[port]);
        const int row = static_cast<int>(port) + 1;
        auto* label = new QLabel(name, this);
        grid_->addWidget(label, row, 0);
        names_.push_back(label);
        std::vector<CPinLamp*> lamps(8);
        for (int bit = 7; bit >= 0; --bit) {
            lamps[bit] = new CPinLamp(QStringLiteral("%1.%2").arg(name).arg(bit), this);
            grid_->addWidget(lamps[bit], row, 1 + (7 - bit));
        }
        lamps_.push_back(std::move(lamps));
        auto* value = new QLabel(Text(t::kPinUnknown), this);
        // As wide as its widest text: a level of another width would lay
        // the whole window out again, ten times a second.
        const QFontMetrics metrics(value->font());
        value->setFixedWidth(std::max(metrics.horizontalAdvance(Text(t::kPinUnknown)),
                                      metrics.horizontalAdvance(QStringLiteral("0xWW"))));
        value->setAccessibleName(name);
        value->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
        grid_->addWidget(value, row, 9);
        values_.push_back(value);
    }
}

void CPinView::Show(const PinSnapshot& snapshot, const std::vector<PinChange>& history) {
    const std::size_t ports = std::min(lamps_.size(), snapshot.values.size());
    for (std::size_t port = 0; port < ports; ++port) {
        const bool known = snapshot.known[port];
        const std::uint8_t level = snapshot.values[port];
        for (int bit = 0; bit < 8; ++bit)
            lamps_[port][bit]->Show(known, (level >> bit) & 1, known ? IntervalMs(history, port, bit) : 0);
        const QString shown = known ? Hex(level) : Text(t::kPinUnknown);
        if (values_[port]->text() != shown) {
            values_[port]->setText(shown);
            values_[port]->setAccessibleDescription(shown);
        }
    }
}

CPinLamp* CPinView::lamp(std::size_t port, int bit) const {
    return port < lamps_.size() && bit >= 0 && bit < 8 ? lamps_[port][bit] : nullptr;
}

QLabel* CPinView::value(std::size_t port) const {
    return port < values_.size() ? values_[port] : nullptr;
}

}  // namespace viz
