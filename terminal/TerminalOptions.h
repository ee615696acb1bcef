#pragma once

// The options block every terminal page shows beside its areas: "Hex发送",
// "Hex显示", "编码" (CTextOptions), one "连续发送" row per sending link,
// "帧换行" with its time, and the buttons "清发送区", "清接收区", the page's
// monitor buttons, "重新计数" and the page's "波形显示" (made by the plot
// folder, handed in as `plotButton`). It wires them to
// the page's areas, so an option is added here once for every page.
//
//   TerminalOptionsConfig config;
//   config.kind = MoreSendKind::Serial;
//   config.continuous = {{.name = "continuous", .periodName = "period", .periodAccessibleName = ...}};
//   config.monitors = {{.text = ..., .name = "monitor", .tip = ...}};
//   config.canSend = [this](int link) { return isOpen(); };
//   config.plotButton = PlotButtonMaker(context().settings(), MoreSendKind::Serial, {receive_});
//   options_ = new CTerminalOptions(context().settings(), config, {send_, {receive_}}, this);
//   layout->addWidget(options_);
//   connect(options_->monitorButton(0), &QPushButton::clicked, ...);
//   options_->ApplyContinuous(0);          // when link 0 opens or closes
//   options_->textOptions()->Load();       // the page's settings, as before

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "base/SettingsStore.h"

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

namespace viz {

class CReceiveArea;
class CSendArea;
class CTextOptions;

// How a continuous row takes its period.
enum class PeriodRule {
    // The period typed while sending runs takes effect; one typed at other
    // times waits for the next change of the field.
    TypedWhileRunning,
    // The field as it is when sending starts or the field changes.
    ReadAtStart,
};

struct TerminalOptionsConfig {
    // A "连续发送" row; row i sends over the send area's link i.
    struct Continuous {
        const char16_t* text = nullptr;  // "连续发送" when null
        const char* name = "continuous";
        const char* periodName = "period";
        const char16_t* periodAccessibleName = nullptr;
        const char16_t* tip = nullptr;  // the shared tip when null
        const char16_t* defaultPeriod = u"1000";
    };
    struct Button {
        const char16_t* text = nullptr;
        const char* name = nullptr;
        const char16_t* tip = nullptr;
        bool enabled = true;
    };

    MoreSendKind kind = MoreSendKind::Serial;
    std::vector<Continuous> continuous;
    PeriodRule periodRule = PeriodRule::ReadAtStart;
    // A box of the page's own, left of "编码" (the server's "显示地址").
    std::optional<Button> besideEncoding;
    std::vector<Button> monitors;
    const char* recountName = "recount";
    const char16_t* frameTimeName = nullptr;  // the shared name when null
    // The period and frame time fields take digits alone (the network
    // pages); otherwise any text, of which the leading digits count.
    bool digitsOnly = true;
    // Whether link i can send now; continuous sending is refused while not.
    std::function<bool(int link)> canSend;
    // How continuous sending starts and stops; the send area's own timer when null.
    std::function<void(int link, int milliseconds)> startContinuous;
    std::function<void(int link)> stopContinuous;
    // Makes the last button, "波形显示", owned by the page; none when null.
    std::function<QWidget*(QWidget* page)> plotButton;
};

// The areas the options act on.
struct TerminalOptionAreas {
    CSendArea* send = nullptr;
    // Areas that show received data: hex display, frame break, encoding.
    std::vector<CReceiveArea*> receiving{};
    // Areas that are only cleared and recounted with them (the USB page's notes).
    std::vector<CReceiveArea*> others{};
};

class CTerminalOptions : public QWidget {
    Q_OBJECT

public:
    CTerminalOptions(SettingsStore& settings, TerminalOptionsConfig config, TerminalOptionAreas areas,
                     QWidget* page);

    CTextOptions* textOptions() const { return textOptions_; }
    QCheckBox* hexSendBox() const { return hexSend_; }
    QCheckBox* continuousBox(int row) const { return rows_[static_cast<std::size_t>(row)].box; }
    QCheckBox* besideEncodingBox() const { return besideEncoding_; }
    QPushButton* monitorButton(int index) const { return monitors_[static_cast<std::size_t>(index)]; }
    // The controls in the order the keyboard reaches them.
    std::vector<QWidget*> focusOrder() const;

    // The period continuous sending on link `row` uses now (at least 1 ms).
    int period(int row) const;
    // Starts continuous sending on link `row` when its box is on and the
    // link can send, else stops it; for a link that opened or closed.
    void ApplyContinuous(int row);
    void ResetCounts();

private:
    struct Row {
        QCheckBox* box = nullptr;
        QLineEdit* period = nullptr;
        int kept = 1000;  // the period under PeriodRule::TypedWhileRunning
    };

    void Build(QWidget* page);
    void Arrange();
    void Wire();
    void ContinuousClicked(int row, bool checked);
    void PeriodChanged(int row);
    void Start(int row);
    void Stop(int row);

    const TerminalOptionsConfig config_;
    const TerminalOptionAreas areas_;
    SettingsStore& settings_;
    QCheckBox* hexSend_ = nullptr;
    QCheckBox* hexDisplay_ = nullptr;
    QCheckBox* besideEncoding_ = nullptr;
    CTextOptions* textOptions_ = nullptr;
    std::vector<Row> rows_;
    QCheckBox* frameBreak_ = nullptr;
    QLineEdit* frameTime_ = nullptr;
    QPushButton* clearSend_ = nullptr;
    QPushButton* clearReceive_ = nullptr;
    std::vector<QPushButton*> monitors_;
    QPushButton* recount_ = nullptr;
    QWidget* plotButton_ = nullptr;
};

}  // namespace viz
